// Settings and shell association: the settings record and its file with the window block, the settings
// dialog, the memo-file filter built from the settings' extension (memo_filter.h), the memo-file
// association and the registry write-access test.
#pragma once
#include <windows.h>
#include "settings/settings_record.h"

/* settings_file.cpp */
extern Settings gSettings; // read once at start-up; read directly wherever a field is needed
extern char gSettingsPath[MAX_PATH];
BOOL LoadSettings(); // FALSE only when fatal (reported)
// The window block as the main window and its list stand now; the minimised state only `withMinimized`.
// FALSE when the placement cannot be read, the record left as it was.
BOOL ReadWindowBlock(Settings *record, BOOL withMinimized);
void SaveWindowBlock();

/* recent_files.cpp: the memo files last opened or saved, most recent first */
enum
{
    RECENT_FILE_COUNT = 8
};
void LoadRecentFiles(); // once at start-up, after LoadSettings
void ShowRecentFiles(); // into the ファイル menu, once it is attached
// Puts `path` first, shows and keeps the list, and hands the file to the shell's recent documents when
// the main window's IDT_SHELLRECENT timer comes.
void AddRecentFile(const char *path);
void HandRecentFileToShell(); // on IDT_SHELLRECENT, and at shutdown for a file not yet handed over
const char *RecentFile(int index); // null past the end
void RemoveRecentFile(const char *path);

/* settings_dialog.cpp */
// The creation parameter is the folder where the memo dialogs start (260 bytes), where the browse dialog
// starts when no folder is typed.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* memo_file_dialog.cpp */
// The open or save dialog's record for memo files, filter index 1: memo files of `lowerExtension` (also the
// default extension) then all files, or all files alone when it is null. `file` holds MAX_PATH bytes; it and
// `folder` must outlive the dialog, and the record must not be copied (it points into itself).
struct MemoFileDialog
{
    OPENFILENAMEA data;
    char filter[160];
};
void PrepareMemoFileDialog(MemoFileDialog *dialog, HWND owner, const char *lowerExtension, char *file,
                           const char *folder);

/* association.cpp: the memo-file association under HKEY_CLASSES_ROOT; failures are reported to `owner` */
enum
{
    ASSOCIATION_ERROR = -1,
    ASSOCIATION_NONE = 0,
    ASSOCIATION_THIS_PROGRAM = 1,
    ASSOCIATION_OTHER = 2
};
// `dottedExtension` in any case; `programPath` (260 bytes, may be null) gets the registered program or "".
int QueryAssociation(const char *dottedExtension, char *programPath, HWND owner);
BOOL RemoveAssociation(const char *dottedExtension, HWND owner);
BOOL DeleteKeyTree(HKEY parent, const char *name, HWND owner);
BOOL RegisterAssociation(const char *lowerExtension, HWND owner);
void NotifyAssociationChanged();
// The association work of the dialog's OK: TRUE to go on to writing the settings, FALSE to stay open.
BOOL ApplyAssociation(HWND dialog, BOOL associate, const char *lowerExtension, const char *upperExtension,
                      BOOL associatedAtOpen);

/* access_test.cpp: NT family only. Returns 0 when the test ran, with the answer in *mayWrite. */
DWORD TestClassesRootWriteAccess(BOOL *mayWrite);

/* write_settings.cpp */
struct SettingsDialogValues
{
    BOOL rememberWindow;
    const char *upperExtension;
    BOOL associationEnabled;
    const char *startupPath;
    BOOL autoSave, expandSelectedKey, openValueEditor;
};
// Writes the whole record; on success it becomes the in-memory one. FALSE: reported, nothing changed.
BOOL WriteSettings(HWND dialog, const SettingsDialogValues *values);
