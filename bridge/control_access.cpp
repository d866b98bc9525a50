// The Registry Editor's tree and list driven from outside: their records travel in memory that the
// Registry Editor can address, a shared view on Windows 95/98/Me and an allocation inside it on NT.
#include "bridge/bridge.h"

#include <string.h>

#include "shell/messages.h"
#include "shell/program.h"

// Tree texts fetched from the Registry Editor on NT; each read overwrites the last.
static char gTreeText[CB_BRIDGE_TEXT];

// Which of the two controls each child of `parent` is; TRUE once both were seen.
static BOOL FindControlsAmongChildren(HWND parent, HWND *tree, HWND *list)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        char className[32];
        if (!GetClassNameA(child, className, sizeof className)) className[0] = 0;
        if (!strcmp(className, "SysTreeView32"))
            *tree = child;
        else if (!strcmp(className, "SysListView32"))
            *list = child;
        if (*tree && *list) return TRUE;
    }
    return FALSE;
}

BOOL FindRegistryEditorControls(HWND editor, HWND *tree, HWND *list)
{
    *tree = 0;
    *list = 0;
    if (FindControlsAmongChildren(editor, tree, list)) return TRUE;
    // Some Registry Editors keep both controls inside one child window of their main window.
    for (HWND child = GetWindow(editor, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        *tree = 0;
        *list = 0;
        if (FindControlsAmongChildren(child, tree, list)) return TRUE;
    }
    *tree = 0;
    *list = 0;
    return FALSE;
}

BOOL AcquireBridgeBuffer(HANDLE process, HWND owner, BridgeBuffer *buffer)
{
    buffer->address = 0;
    buffer->mapping = 0;
    buffer->process = 0;
    if (gIsNtFamily)
    {
        // A null process handle fails here too, and is reported like any refusal.
        void *remote = gBound.VirtualAllocEx(process, 0, CB_BRIDGE_BUFFER, MEM_COMMIT, PAGE_READWRITE);
        if (!remote)
        {
            ReportSystemError(owner, LEVEL_ORDINARY);
            return FALSE;
        }
        buffer->address = (char *)remote;
        buffer->process = process;
        return TRUE;
    }
    // On these systems a view of an unnamed mapping lies where every process sees it at the same address.
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, 0, PAGE_READWRITE | SEC_COMMIT, 0, CB_BRIDGE_BUFFER, 0);
    if (!mapping)
    {
        ReportSystemError(owner, LEVEL_ORDINARY);
        return FALSE;
    }
    void *view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, CB_BRIDGE_BUFFER);
    if (!view)
    {
        DWORD error = GetLastError();
        CloseHandle(mapping);
        SetLastError(error);
        ReportSystemError(owner, LEVEL_ORDINARY);
        return FALSE;
    }
    buffer->address = (char *)view;
    buffer->mapping = mapping;
    return TRUE;
}

void ReleaseBridgeBuffer(BridgeBuffer *buffer)
{
    if (!buffer->address) return;
    if (gIsNtFamily)
    {
        gBound.VirtualFreeEx(buffer->process, buffer->address, 0, MEM_RELEASE);
    }
    else
    {
        UnmapViewOfFile(buffer->address);
        CloseHandle(buffer->mapping);
    }
    buffer->address = 0;
    buffer->mapping = 0;
    buffer->process = 0;
}

void PutBridgeRecord(const BridgeBuffer *buffer, const BridgeRecord *record)
{
    if (gIsNtFamily)
        WriteProcessMemory(buffer->process, buffer->address, record, CB_BRIDGE_RECORD, 0);
    else
        memcpy(buffer->address, record, CB_BRIDGE_RECORD);
}

void GetBridgeBytes(const BridgeBuffer *buffer, SIZE_T offset, void *to, SIZE_T cb)
{
    if (gIsNtFamily)
        ReadProcessMemory(buffer->process, buffer->address + offset, to, cb, 0);
    else
        memcpy(to, buffer->address + offset, cb);
}

const char *ReadTreeItemText(HWND tree, HTREEITEM item, const BridgeBuffer *buffer)
{
    BridgeRecord record = {};
    record.tree.mask = TVIF_TEXT;
    record.tree.hItem = item;
    record.tree.pszText = buffer->address + CB_BRIDGE_RECORD;
    record.tree.cchTextMax = CB_BRIDGE_TEXT;
    PutBridgeRecord(buffer, &record);
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)buffer->address);
    if (!gIsNtFamily)
    {
        buffer->address[CB_BRIDGE_RECORD + CB_BRIDGE_TEXT - 1] = 0;
        return buffer->address + CB_BRIDGE_RECORD;
    }
    GetBridgeBytes(buffer, CB_BRIDGE_RECORD, gTreeText, sizeof gTreeText);
    // The control terminates what it writes; a failed read must not leave an endless text.
    gTreeText[sizeof gTreeText - 1] = 0;
    return gTreeText;
}

void ReadListItem(HWND list, const BridgeListRecord *record, const BridgeBuffer *buffer, BridgeBufferBytes *copy)
{
    BridgeRecord put = {};
    put.list = *record;
    // A list may answer by pointing the record at a text of its own; the next row must still be
    // written into the buffer, never through that pointer.
    put.list.pszText = buffer->address + CB_BRIDGE_RECORD;
    put.list.cchTextMax = CB_BRIDGE_TEXT;
    PutBridgeRecord(buffer, &put);
    SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)buffer->address);
    GetBridgeBytes(buffer, 0, copy, CB_BRIDGE_BUFFER);
    copy->text[CB_BRIDGE_TEXT - 1] = 0;
}

void SetListItemState(HWND list, int row, UINT state, UINT stateMask, const BridgeBuffer *buffer)
{
    BridgeRecord record = {};
    record.list.state = state;
    record.list.stateMask = stateMask;
    PutBridgeRecord(buffer, &record);
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)buffer->address);
}

BOOL AttachToRegistryEditor(DWORD threadId)
{
    return AttachThreadInput(threadId, GetCurrentThreadId(), TRUE);
}

void DetachFromRegistryEditor(DWORD threadId)
{
    AttachThreadInput(threadId, GetCurrentThreadId(), FALSE);
}
