// Entry records and the memo list that owns them.
#include "memo/memo.h"

#include <string.h>

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

HGLOBAL GetEntryHandle(int index)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(gMemoList, LVM_GETITEMA, 0, (LPARAM)&item)) return 0;
    return (HGLOBAL)item.lParam;
}

void ClearMemoList()
{
    for (int i = 0; i < entryCount; i++)
    {
        HGLOBAL entry = GetEntryHandle(i);
        if (entry) GlobalFree(entry);
    }
    SendMessageA(gMemoList, LVM_DELETEALLITEMS, 0, 0);
    entryCount = 0;
}

int InsertEntryAt(int index, HGLOBAL entry)
{
    if (RefuseWhenMemoFull(gMainWindow))
    {
        GlobalFree(entry);
        return 0;
    }
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = (LPARAM)entry;
    if (SendMessageA(gMemoList, LVM_INSERTITEMA, 0, (LPARAM)&item) < 0)
    {
        ReportListFailure(gMainWindow, LEVEL_ORDINARY);
        GlobalFree(entry);
        return 0;
    }
    entryCount++;
    return 1;
}

int InsertEntryAboveSelection(HGLOBAL entry)
{
    int index = GetSelectedIndex();
    // One row is always selected; should none be, the entry still goes above the end row.
    if (index < 0) index = entryCount;
    if (!InsertEntryAt(index, entry)) return -1;
    SendMessageA(gMemoList, LVM_ENSUREVISIBLE, (WPARAM)index, FALSE);
    return index;
}

BOOL InsertEndRow()
{
    LVITEMA item = {};
    item.mask = LVIF_STATE;
    item.iItem = entryCount;
    item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    return SendMessageA(gMemoList, LVM_INSERTITEMA, 0, (LPARAM)&item) >= 0;
}
