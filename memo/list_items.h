// The memo list's items as memo/'s own operations handle them; nothing outside memo/ includes this. These
// record nothing in the undo history and leave memoModified alone.
#pragma once
#include <windows.h>

/* entries.cpp */
// Room for `count` entries in the memo's own record of their blocks; FALSE when there is no memory.
BOOL ReserveEntries(int count);
// Puts `entry` at `index` and counts it; FALSE after a reported list failure, the block not freed.
BOOL InsertListItem(int index, HGLOBAL entry);
// Takes row `index` out of the list and the count, returning its block, which the caller then owns.
HGLOBAL RemoveListItem(int index);
void SetListItemEntry(int index, HGLOBAL entry);
// Moves the entry at `from` to `to`, the rows between shifting by one, and selects it there.
void PlaceListItem(int from, int to);
// Row `index` selected, focused and in view.
void ShowRow(int index);

/* history.cpp: each change done records itself here, after it has been made */
void RecordInsert(int index, const HGLOBAL *entries, int count);
void RecordDelete(int index, HGLOBAL entry);
void RecordReplace(int index, HGLOBAL old);
void RecordMove(int from, int to);
// Frees every block the history holds and forgets every step; the memo as it stands is the saved one.
void ClearHistory();
