// Capturing what is selected in a running Registry Editor: its key, or the values selected in its list.
#include "bridge/bridge.h"

#include <string.h>

#include "shell/messages.h"
#include "shell/program.h"

static const SIZE_T kPathBlockStart = 256;

// The window that has the focus once the Registry Editor's own window was given it.
static HWND FocusInRegistryEditor(DWORD threadId, HWND editor, HWND list)
{
    HWND focus = 0;
    if (!AttachToRegistryEditor(threadId)) return 0;
    SetFocus(editor);
    focus = GetFocus();
    // A Registry Editor whose main window keeps the focus itself hands it on from the child window
    // that holds its controls, to whichever of them had it last.
    HWND holder = GetParent(list);
    if (focus == editor && holder != editor)
    {
        SetFocus(holder);
        focus = GetFocus();
    }
    DetachFromRegistryEditor(threadId);
    return focus;
}

SIZE_T BuildTreeItemPath(HWND tree, HTREEITEM item, HTREEITEM firstRoot, HGLOBAL *pathBlock, const BridgeBuffer *buffer,
                         HWND owner)
{
    SIZE_T start = 0;
    HTREEITEM parent = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)item);
    if (parent && parent != firstRoot)
    {
        SIZE_T cbParent = BuildTreeItemPath(tree, parent, firstRoot, pathBlock, buffer, owner);
        if (!cbParent) return 0;
        ((char *)*pathBlock)[cbParent] = '\\';
        start = cbParent + 1;
    }
    const char *text = ReadTreeItemText(tree, item, buffer);
    SIZE_T cbText = strlen(text);
    SIZE_T length = start + cbText;
    if (GlobalSize(*pathBlock) < length + 1)
    {
        HGLOBAL grown = GlobalReAlloc(*pathBlock, length + 1, GMEM_MOVEABLE);
        if (!grown)
        {
            ReportSystemError(owner, LEVEL_ORDINARY);
            return 0;
        }
        *pathBlock = grown;
    }
    memcpy((char *)*pathBlock + start, text, cbText + 1);
    return length;
}

// Hands every selected row of the value list to the sink, row 0 as the key's default value.
static void CaptureValues(HWND list, const char *path, CaptureSink sink, HWND owner, const BridgeBuffer *buffer)
{
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    BridgeListRecord record = {};
    record.mask = LVIF_TEXT | LVIF_STATE;
    record.iSubItem = 0;
    record.stateMask = LVIS_SELECTED;
    record.pszText = buffer->address + CB_BRIDGE_RECORD;
    record.cchTextMax = CB_BRIDGE_TEXT;
    BridgeBufferBytes row;
    for (int i = 0; i < count; i++)
    {
        record.iItem = i;
        ReadListItem(list, &record, buffer, &row);
        if (row.record.list.state & LVIS_SELECTED)
        {
            if (!sink(path, i == 0 ? "" : row.text, FALSE, owner)) return;
        }
        record = row.record.list;
    }
}

void CaptureRegistryEditorSelection(CaptureSink sink, HWND owner)
{
    HWND editor = FindWindowA("RegEdit_RegEdit", 0);
    if (!editor) return;
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(editor, &processId);
    HANDLE process = gIsNtFamily ? OpenProcess(0x1F0FFF, FALSE, processId) : 0;

    // Behind a dialog of its own the focus cannot be moved to tell the key from the values.
    HWND tree, list;
    if (RegistryEditorHasOwnWidth(editor, owner) && RegistryEditorIsFree(editor, owner) &&
        FindRegistryEditorControls(editor, &tree, &list))
    {
        BOOL takeValues = FocusInRegistryEditor(threadId, editor, list) == list;
        SetForegroundWindow(gMainWindow);
        HTREEITEM firstRoot = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        HTREEITEM selected = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        BridgeBuffer buffer;
        if (selected && selected != firstRoot && AcquireBridgeBuffer(process, owner, &buffer))
        {
            HGLOBAL pathBlock = GlobalAlloc(GMEM_FIXED, kPathBlockStart);
            if (!pathBlock)
            {
                ReportSystemError(owner, LEVEL_ORDINARY);
            }
            else
            {
                SIZE_T length = BuildTreeItemPath(tree, selected, firstRoot, &pathBlock, &buffer, owner);
                if (length)
                {
                    char *path = (char *)pathBlock;
                    path[length] = 0;
                    if (takeValues)
                        CaptureValues(list, path, sink, owner, &buffer);
                    else
                        sink(path, "", TRUE, owner);
                }
                GlobalFree(pathBlock);
            }
            ReleaseBridgeBuffer(&buffer);
        }
    }
    if (process) CloseHandle(process);
}
