// Entry dialogs and key input: root-key names, the entry, open-key and find dialogs, the key controls they
// share, the dialog-template loader and the block that holds the text of the tooltip being shown.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "dialogs/rootkeys.h"

/* template.cpp */
// The template of DIALOG `id` (on old systems a copy with the face they have), or null; the caller gives
// every template it got back through FreeDialogTemplate once the window is made or the dialog has ended.
LPCDLGTEMPLATEA LoadDialogTemplate(int id, int headerExtra, HWND owner, int level);
void FreeDialogTemplate(LPCDLGTEMPLATEA dialogTemplate);
// The text of the tooltip being shown: a fixed block from start-up, grown by EnsureSharedTextBlock.
extern HGLOBAL gSharedTextBlock;
int EnsureSharedTextBlock(SIZE_T cbSize, HWND owner);
// Loads the template and runs the modal dialog owned by the main window.
void RunDialog(int id, DLGPROC proc, LPARAM param);
// WM_COMMAND for OK (runs `onOk`) and Cancel (ends the dialog); FALSE for any other command.
BOOL OnOkOrCancel(HWND dialog, int id, void (*onOk)(HWND dialog));

/* entry_dialog.cpp, open_key_dialog.cpp */
INT_PTR CALLBACK EntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OpenKeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

/* find_dialog.cpp: finding an entry from the row after the selected one */
// The find dialog; a found entry is selected and gets the keyboard.
void FindEntry();
// The next entry with the last text looked for, without the dialog (which opens when there is none yet).
void FindNextEntry();

/* key_controls.cpp: the key field, root-key button, value field and key badge both dialogs share */
struct KeyControlIds
{
    int keyField, rootButton, valueField, keyBadge;
};
extern HWND gKeyBadge; // the badge of whichever dialog is open
// Makes the badge a child of the value field, at its left end.
void PlaceKeyBadge(HWND dialog, int valueFieldId, int badgeId);
// Subclasses the three controls and registers the fields with the tip window; Detach undoes both.
void AttachKeyControls(HWND dialog, const KeyControlIds *ids, const int *tipFieldIds, int tipFieldCount);
void DetachKeyControls(HWND dialog, const KeyControlIds *ids, const int *tipFieldIds, int tipFieldCount);
// The badge's visibility is the key-only choice while a dialog is open.
BOOL IsKeyBadgeShown();
void ShowKeyBadge(BOOL show);
// TTN_GETDISPINFOA from a registered field: its whole text when the field cannot show it all.
void GetFieldTipText(HWND dialog, NMTTDISPINFOA *info);
// Puts a key field's text in the stored form (see ToStoredKeyPath), the caret following it, and with
// `plainSeparators` a key path also in its plain form (ToPlainKeyPath), as it is kept; what the user is
// still typing keeps its separators. FALSE when the text could not be read (reported), the field left as
// it was.
BOOL PutKeyFieldInStoredForm(HWND field, BOOL plainSeparators);
