// The memo document: the entry records, the memo list that holds them, the document's state, its changes
// and their undo history, the memo file, and the document lifecycle.
#pragma once
#include <windows.h>

#include "memo/memo_entry.h"

/* document.cpp: the one memo document of the main window */
// The memo list view, control 1001: each item's data is an entry's block, and one data-less end row stands
// last. The shell creates the window; what it holds is the document's.
extern HWND gMemoList;
extern int entryCount;               // the entries stand at 0 to entryCount - 1, the end row at entryCount
extern BOOL memoModified;            // whether the memo differs from what was last loaded or saved
extern char memoPath[MAX_PATH];      // empty when untitled
extern int memoNameOffset;           // of the file name within memoPath
extern char lastDirectory[MAX_PATH]; // where the open and save dialogs start
// The memo file as this program last read or wrote it: size and last-write time, as its folder lists them.
struct MemoFileStamp
{
    BOOL known;
    DWORD cbLow;
    DWORD cbHigh;
    FILETIME lastWrite;
};
// Of memoPath; forgotten whenever memoPath names another file or none.
extern MemoFileStamp gMemoFileStamp;

/* selection.cpp: the memo list's one selected row */
int GetSelectedIndex();
void PrepareSelectAndFocusRecord(); // once at start-up
void SelectAndFocusItem(int index); // the select-and-focus record, sent

// How an entry's block is allocated. A process holds at most 65,536 movable blocks, the system's own
// dialogs, edit fields and clipboard included, so movable entries would leave a memo of the file's
// 65,535 entries without room for any of them; fixed blocks have no such limit and are locked and
// freed as movable ones are, except by the load and the save, which take each block's address as it is.
static const UINT kEntryBlockFlags = GMEM_FIXED;

/* entries.cpp: every change of the document, each one step of the undo history (history.cpp). They are
   the only writers of entryCount and memoModified and the only code that frees an entry's block. */
// A block holding the three texts (a key-only entry's value name is stored empty); 0 on failure,
// the last error saying why (ERROR_INVALID_DATA for a text of 65,535 bytes or more).
HGLOBAL AllocMemoEntry(const char *description, const char *keyPath, const char *valueName, BOOL keyOnly);
// Item data of list item `index` (0 for the end row).
HGLOBAL GetEntryHandle(int index);
// Frees every entry's block and the history's, and deletes every item, the end row included.
void FreeAllEntries();
// Puts `count` ready blocks above row `index` (entryCount: above the end row), in their order, as one step;
// the selection stays on its row. Returns how many went in: after a full memo or a list failure, reported (ordinary),
// the blocks that did not go in are freed.
int InsertEntries(int index, const HGLOBAL *entries, int count);
// Inserts `entry` above the selected row and scrolls it into view; its index, or -1 after a reported
// failure (the block is freed then).
int InsertEntryAboveSelection(HGLOBAL entry);
// Takes entry `index` out, the row that followed it selected; its block goes to the history.
BOOL DeleteEntry(int index);
// Puts `entry` in place of entry `index`, whose block goes to the history; FALSE (entry freed) when there
// is no such entry.
BOOL ReplaceEntry(int index, HGLOBAL entry);
// Moves entry `from` to row `to`, the rows between shifting by one; selects it there.
void MoveEntry(int from, int to);
// The end row after the entries, selected and focused when `select`; FALSE on failure (not reported).
BOOL InsertEndRow(BOOL select);

/* history.cpp: at least the last 100 changes, undone and redone in order */
// Changes made between Begin and End are one step, however many there are (a capture, a drag).
void BeginChangeGroup();
void EndChangeGroup();
BOOL CanUndo();
BOOL CanRedo();
// The row of the change undone or redone, selected, focused and in view; -1 when there was none or the list
// refused (reported).
int UndoChange();
int RedoChange();
// The memo as it stands is what was last loaded or saved: memoModified clears.
void MarkMemoSaved();

/* memo_full.cpp */
// TRUE, after saying so to `owner`, when the memo holds as many entries as a memo file can.
BOOL RefuseWhenMemoFull(HWND owner);

/* memofile.cpp */
// Reads memoPath into the list: 1 loaded, 0 reported (untitled empty memo), -1 fatal (end row not inserted).
int LoadMemoFile();
// Writes the list to memoPath, or asks for a name when untitled: 1 saved, 0 not (reported or cancelled).
int SaveMemoFile();

/* lifecycle.cpp */
int ConfirmDiscard();
void NewMemo();
// 1 loaded, 0 not, -1 fatal: the caller destroys the main window.
int OpenMemoFile();
int SaveMemoFileAs();
// Recent memo file `index` of the ファイル menu, after the save-changes question; one that is gone is
// named and taken off the list.
void OpenRecentMemo(int index);
// WM_DROPFILES: the first file only; finishes the drop; destroys the main window when fatal.
void OpenDroppedFile(HDROP drop);
// The start-up memo from the command-line tail or the settings' start-up file; -1 when fatal, reported,
// the main window already destroyed.
int OpenStartupMemo(const char *commandTail);
// The title: the product caption alone, or "caption - file name".
void SetUntitledCaption();
void SetMemoCaption();
