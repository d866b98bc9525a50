// The name of the Registry Editor's top tree item, read from the running one: the first component of
// every path it shows and keeps among its Favorites, which differs between systems and languages.
#include "bridge/bridge.h"

#include "shell/program.h"

BOOL ReadRegistryEditorTopName(char *name, int cbName, HWND owner)
{
    HWND editor = FindWindowA("RegEdit_RegEdit", 0);
    HWND tree, list;
    if (!editor || !RegistryEditorIsKnownOwnWidth(editor) || !FindRegistryEditorControls(editor, &tree, &list))
        return FALSE;
    HTREEITEM top = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    if (!top) return FALSE;
    DWORD processId = 0;
    GetWindowThreadProcessId(editor, &processId);
    HANDLE process = gIsNtFamily ? OpenProcess(0x1F0FFF, FALSE, processId) : 0;
    BOOL read = FALSE;
    BridgeBuffer buffer;
    if ((process || !gIsNtFamily) && AcquireBridgeBuffer(process, owner, &buffer))
    {
        lstrcpynA(name, ReadTreeItemText(tree, top, &buffer), cbName);
        read = name[0] != 0;
        ReleaseBridgeBuffer(&buffer);
    }
    if (process) CloseHandle(process);
    return read;
}
