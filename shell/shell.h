// The shell's own header, included by shell/ files alone: the main window and what it holds, its commands
// and the states of its menu items and buttons, the memo list's behaviours and cell tips, and shutdown.
// What other folders may read of the shell is in its narrow headers, messages.h, text.h, program.h and
// dpi.h.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "shell/dpi.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

/* mainwnd.cpp: the main window and what it holds; the memo list itself is the document's (memo.h) */
extern HWND gListHeader;
extern HMENU gMainMenu;    // MENU 101
extern HMENU gContextMenu; // MENU 102
extern HBRUSH gPatternBrush;
extern HBITMAP gGridBitmap; // bitmap 101
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The layout constants, from the window as the template made it; run once before the window is placed.
void MeasureLayout();
// The three columns: stored widths when the placement is remembered, else a quarter, a half, a quarter.
void InsertMemoListColumns();
// The tip window of the cell tips and the dialogs' full-text tips; 0 when it cannot be created.
HWND CreateTipWindow();
// The memo list as the tip window's one tool of the main window.
void RegisterMemoListTool();

/* listdraw.cpp: drawing into any device context */
// A cell's text starts this many pixels in from the cell's left edge and below the row's top.
int MemoCellInset();
int MemoTextGap();
struct MemoEntryHead;
struct MemoRow
{
    BOOL selected;
    BOOL endRow;
    BOOL focusRect;             // the row has the focus and so has the list
    const MemoEntryHead *entry; // the locked record of an entry row; null draws no cells
    int presence;               // PRESENCE_ of the bridge: what is missing is drawn grey
    int columnWidths[3];
    HBITMAP keyBadge; // monochrome, drawn at its own size
    HBRUSH endRowPattern;
};
void DrawMemoRow(HDC dc, const RECT *row, const MemoRow *content);
// The size grip in the square `grip`: themed when the system draws themes, else classic.
void DrawSizeGrip(HDC dc, const RECT *grip, HWND themeWindow);

/* commands.cpp: the only writer of the menu items' and buttons' states */
void UpdateDefaultButton();
// The states for the selected row, after a change that selected nothing anew.
void RefreshCommandStates();
// One command of the main window, whether from a menu, a button or the list.
void RunCommand(int id);
// LVN_ITEMCHANGED of the memo list: menu items and buttons follow the selected row.
void UpdateCommandStates(const NMLISTVIEW *notify);
// WM_CONTEXTMENU from the memo list; `point` is the message's lParam (-1 from the keyboard).
void ShowListContextMenu(LPARAM point);
// NM_DBLCLK of the memo list: opens the entry when its open command is enabled.
void OpenEntryOnDoubleClick();

/* startup.cpp */
void ShutdownCleanup();

/* command_line.cpp */
// Takes away one pair of double quotes around the whole tail.
void RemoveEnclosingQuotes(char *commandTail);
// A tail that is no existing file and names a key under a root key, in any form a pasted key takes, is
// opened in the Registry Editor (messages without an owner): TRUE then, with *exitCode 0 when the key
// itself was selected and 1 otherwise. FALSE for a tail to load as a memo file.
BOOL OpenCommandLineKey(const char *commandTail, int *exitCode);

/* entry_commands.cpp */
// The bridge's OPEN_ flags that the settings ask for; the open-key dialog takes them as its parameter.
UINT OpenKeyOptions();
void OpenSelectedEntry();
// The capture sink of the main window: a new entry above the selected row; 0 after a reported failure.
int InsertCapturedEntry(const char *keyPath, const char *valueName, BOOL keyOnly, HWND owner);
// A key-only entry for a Registry Editor favorite, above the selected row; 0 after a reported failure.
int InsertFavoriteEntry(const char *description, const char *keyPath);

/* favorites.cpp: the Registry Editor's own Favorites */
// One key-only entry per favorite that names a key, in the order of the Registry Editor's menu; a
// message when some were not taken or there were none. memoModified when any came in.
void ImportRegistryEditorFavorites();
// The selected entry's key among the Favorites, under its description (or its key's last name).
void AddSelectedEntryToFavorites();

/* entry_presence.cpp */
struct MemoEntryTexts;
// The registry's PRESENCE_ answer for the entry in block `entry`, remembered until RecheckEntryPresence.
int EntryPresence(HGLOBAL entry, const MemoEntryTexts &texts);
// Forgets every answer, for when the user may have changed the registry, and redraws the list.
void RecheckEntryPresence();

/* copy_key_path.cpp */
// The key path with its root written long and without the blanks before it; `text` has room for
// CB_LONGEST_ROOT_NAME bytes more than the key path. A path without a root name is copied as it is.
void WriteWithLongRoot(char *text, const char *keyPath);
// Puts the selected entry's key path on the clipboard as text, its root written long.
void CopySelectedKeyPath();

/* memolist.cpp: the memo list's own behaviours (drag to reorder, column fit, Delete key) */
extern WNDPROC gPrevTipWindowProc;
extern int gDragState; // 0 none, 1 dragging, 2 dragging with the auto-scroll timer
LRESULT CALLBACK MemoListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK TipWindowProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam);
void BeginEntryDrag(const NMLISTVIEW *notify); // LVN_BEGINDRAG from the memo list
void TrackEntryDrag(BOOL fromTimer);           // WM_TIMER of the main window calls it with TRUE

/* celltips.cpp: tips over cut cells of the memo list */
extern int tipItem;
extern int tipColumn;
void RelayCellTipMessage(const MSG *msg); // the message loop calls it with every message
// TTN_NEEDTEXTA, TTN_SHOW and NM_CLICK for the cell tips; returns TRUE with *result set when answered.
BOOL HandleCellTipNotify(const NMHDR *header, LRESULT *result);
