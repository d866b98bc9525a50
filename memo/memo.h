// The memo document: entry records owned by the memo list, the memo file, and the document lifecycle.
#pragma once
#include <windows.h>

// Fixed head of a MemoEntry block; the description, key path and value name follow,
// each NUL-terminated, each size counting its NUL.
struct MemoEntryHead {
    WORD descriptionSize;
    WORD keyPathSize;
    WORD valueNameSize;
    WORD keyOnly;
};
static_assert(sizeof(MemoEntryHead) == 8, "MemoEntry head");

/* entries.cpp */
// A movable block holding the three texts; 0 on failure (the last error says why).
HGLOBAL AllocMemoEntry(const char *description, const char *keyPath, const char *valueName, BOOL keyOnly);
// Item data of list item `index` (0 for the end row).
HGLOBAL GetEntryHandle(int index);
// Frees every entry's record and deletes every item, the end row included.
void ClearMemoList();
// Inserts `entry` at `index`; on failure reports the list failure (ordinary), frees the block, returns 0.
int InsertEntryAt(int index, HGLOBAL entry);
// The end row, selected and focused; 0 on failure (not reported).
BOOL InsertEndRow();

/* memofile.cpp */
int LoadMemoFile();
int SaveMemoFile();

/* lifecycle.cpp */
int ConfirmDiscard();
void NewMemo();
int OpenMemoFile();
int SaveMemoFileAs();
void OpenDroppedFile(HDROP drop);
// The start-up memo from the command-line tail or the settings' start-up file; -1 when fatal.
int OpenStartupMemo(const char *commandTail);
void SetUntitledCaption();
