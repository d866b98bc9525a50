// Entry records and the memo list that owns them: every change of the document is made here.
#include "memo/memo.h"

#include <string.h>

#include "memo/list_items.h"
#include "memo/memo_format.h"
#include "shell/messages.h"
#include "shell/program.h"

HGLOBAL AllocMemoEntry(const char *description, const char *keyPath, const char *valueName, BOOL keyOnly)
{
    const size_t cbDescription = strlen(description);
    const size_t cbKeyPath = strlen(keyPath);
    const size_t cbValueName = keyOnly ? 0 : strlen(valueName);
    // Sizes count their NUL in 16 bits; a longer text has no record.
    if (!MemoRecordFits(cbDescription, cbKeyPath, cbValueName, false))
    {
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    HGLOBAL entry = GlobalAlloc(kEntryBlockFlags, MemoEntryBlockSize(cbDescription, cbKeyPath, cbValueName));
    if (!entry) return 0;
    MemoEntryHead *head = (MemoEntryHead *)GlobalLock(entry);
    if (head)
    {
        FillEntryBlock(head, description, cbDescription, keyPath, cbKeyPath, valueName, cbValueName, keyOnly != FALSE);
        GlobalUnlock(entry);
        return entry;
    }
    const DWORD error = GetLastError();
    GlobalFree(entry);
    SetLastError(error);
    return 0;
}

// The entries' blocks in list order, beside the items' data: reading them costs no message to the list,
// which a save of a long memo would otherwise spend most of its time on.
static HGLOBAL *gEntries;
static int gEntryCapacity;

HGLOBAL GetEntryHandle(int index)
{
    return index >= 0 && index < entryCount ? gEntries[index] : 0;
}

BOOL ReserveEntries(int count)
{
    if (count <= gEntryCapacity) return TRUE;
    int capacity = gEntryCapacity ? gEntryCapacity : 64;
    while (capacity < count) capacity *= 2;
    HANDLE heap = GetProcessHeap();
    HGLOBAL *grown = (HGLOBAL *)(gEntries ? HeapReAlloc(heap, 0, gEntries, capacity * sizeof(HGLOBAL))
                                          : HeapAlloc(heap, 0, capacity * sizeof(HGLOBAL)));
    if (!grown) return FALSE;
    gEntries = grown;
    gEntryCapacity = capacity;
    return TRUE;
}

// Insertions go to the list's own procedure: the subclass passes them on untouched, and under Wine
// handing each of a long memo's insertions through it made them a quarter slower.
static LRESULT InsertIntoMemoList(const LVITEMA *item)
{
    if (!gPrevMemoListProc) return SendMessageA(gMemoList, LVM_INSERTITEMA, 0, (LPARAM)item);
    return CallWindowProcA(gPrevMemoListProc, gMemoList, LVM_INSERTITEMA, 0, (LPARAM)item);
}

BOOL InsertListItem(int index, HGLOBAL entry)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = (LPARAM)entry;
    if (!ReserveEntries(entryCount + 1) || InsertIntoMemoList(&item) < 0)
    {
        ReportListFailure(gMainWindow, LEVEL_ORDINARY);
        return FALSE;
    }
    memmove(gEntries + index + 1, gEntries + index, (entryCount - index) * sizeof(HGLOBAL));
    gEntries[index] = entry;
    entryCount++;
    return TRUE;
}

HGLOBAL RemoveListItem(int index)
{
    HGLOBAL entry = GetEntryHandle(index);
    SendMessageA(gMemoList, LVM_DELETEITEM, index, 0);
    entryCount--;
    memmove(gEntries + index, gEntries + index + 1, (entryCount - index) * sizeof(HGLOBAL));
    return entry;
}

void SetListItemEntry(int index, HGLOBAL entry)
{
    gEntries[index] = entry;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = (LPARAM)entry;
    SendMessageA(gMemoList, LVM_SETITEMA, 0, (LPARAM)&item);
    SendMessageA(gMemoList, LVM_REDRAWITEMS, index, index);
}

void PlaceListItem(int from, int to)
{
    SendMessageA(gMemoList, LVM_ENSUREVISIBLE, to, FALSE);
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(gMemoList, LVM_SETITEMSTATE, from, (LPARAM)&item);

    HGLOBAL moved = GetEntryHandle(from);
    const int step = from > to ? -1 : 1;
    for (int index = from; index != to; index += step)
    {
        gEntries[index] = gEntries[index + step];
        LVITEMA shifted = {};
        shifted.mask = LVIF_PARAM;
        shifted.iItem = index;
        shifted.lParam = (LPARAM)gEntries[index];
        SendMessageA(gMemoList, LVM_SETITEMA, 0, (LPARAM)&shifted);
    }
    gEntries[to] = moved;

    LVITEMA target = {};
    target.mask = LVIF_PARAM | LVIF_STATE;
    target.iItem = to;
    target.lParam = (LPARAM)moved;
    target.state = target.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(gMemoList, LVM_SETITEMA, 0, (LPARAM)&target);
    SendMessageA(gMemoList, LVM_REDRAWITEMS, from < to ? from : to, from < to ? to : from);
}

void ShowRow(int index)
{
    // The focus first: a row losing its selection while it still has the focus is selected again by the
    // shell, which keeps one row selected.
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_FOCUSED;
    SendMessageA(gMemoList, LVM_SETITEMSTATE, index, (LPARAM)&item);
    SelectAndFocusItem(index);
    SendMessageA(gMemoList, LVM_ENSUREVISIBLE, index, FALSE);
}

void FreeAllEntries()
{
    for (int i = 0; i < entryCount; i++)
        if (gEntries[i]) GlobalFree(gEntries[i]);
    entryCount = 0;
    if (gEntries) HeapFree(GetProcessHeap(), 0, gEntries);
    gEntries = nullptr;
    gEntryCapacity = 0;
    SendMessageA(gMemoList, LVM_DELETEALLITEMS, 0, 0);
    ClearHistory();
}

int InsertEntries(int index, const HGLOBAL *entries, int count)
{
    int inserted = 0;
    while (inserted < count && !RefuseWhenMemoFull(gMainWindow) && InsertListItem(index + inserted, entries[inserted]))
        inserted++;
    for (int i = inserted; i < count; i++) GlobalFree(entries[i]);
    if (inserted) RecordInsert(index, entries, inserted);
    return inserted;
}

int InsertEntryAboveSelection(HGLOBAL entry)
{
    int index = GetSelectedIndex();
    // One row is always selected; should none be, the entry still goes above the end row.
    if (index < 0) index = entryCount;
    if (!InsertEntries(index, &entry, 1)) return -1;
    SendMessageA(gMemoList, LVM_ENSUREVISIBLE, (WPARAM)index, FALSE);
    return index;
}

BOOL DeleteEntry(int index)
{
    if (index < 0 || index >= entryCount) return FALSE;
    SelectAndFocusItem(index + 1);
    RecordDelete(index, RemoveListItem(index));
    return TRUE;
}

BOOL ReplaceEntry(int index, HGLOBAL entry)
{
    HGLOBAL old = GetEntryHandle(index);
    if (index < 0 || index >= entryCount || !old)
    {
        GlobalFree(entry);
        return FALSE;
    }
    SetListItemEntry(index, entry);
    SendMessageA(gMemoList, LVM_ENSUREVISIBLE, index, FALSE);
    RecordReplace(index, old);
    return TRUE;
}

void MoveEntry(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= entryCount || to >= entryCount) return;
    PlaceListItem(from, to);
    RecordMove(from, to);
}

BOOL InsertEndRow(BOOL select)
{
    LVITEMA item = {};
    item.mask = LVIF_STATE;
    item.iItem = entryCount;
    if (select) item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    return InsertIntoMemoList(&item) >= 0;
}
