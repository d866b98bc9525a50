// Opening a key, and a value under it, in the Registry Editor: its tree is walked from the top as a
// user would, and its value list is waited for after the key is selected.
#include "bridge/bridge.h"

#include "dialogs/rootkeys.h"
#include "memo/memo.h"
#include "settings/settings.h"
#include "shell/shell.h"

static const DWORD kListPollMs = 50;
static const int kListPolls = 60;

static HTREEITEM TreeItem(HWND tree, UINT relation, HTREEITEM item)
{
    return (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, relation, (LPARAM)item);
}

static void SelectTreeItem(HWND tree, HTREEITEM item)
{
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

static int ListCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

// The first child of `parent` whose text is `name`, ignoring the case of single-byte letters.
static HTREEITEM FindChildItem(HWND tree, HTREEITEM parent, const char *name, const BridgeBuffer *buffer)
{
    for (HTREEITEM child = TreeItem(tree, TVGN_CHILD, parent); child; child = TreeItem(tree, TVGN_NEXT, child)) {
        if (!CompareIgnoringCase(ReadTreeItemText(tree, child, buffer), name)) return child;
    }
    return 0;
}

// The root key's long name for a short one typed as the first component; else the component itself.
static const char *RootKeyNameLookedFor(const char *component)
{
    for (int i = 0; i < 6; i++) {
        if (!lstrcmpiA(component, RootKeyNames[i].shortName)) return RootKeyNames[i].longName;
    }
    return component;
}

// Walks the tree down along `keyPath`, expanding each key on the way. Returns the key the path names,
// or 0 with *deepest the last item that matched (the first root item when nothing did).
// Separators are cut while a component is looked for and are always put back.
static HTREEITEM WalkToKey(HWND tree, char *keyPath, const BridgeBuffer *buffer, HTREEITEM *deepest)
{
    char *component = keyPath;
    while (*(unsigned char *)component >= 1 && *(unsigned char *)component <= 32) component++;
    char *separator = FindKeyPathSeparator(component);
    if (separator) *separator = 0;
    const char *name = RootKeyNameLookedFor(component);

    HTREEITEM current = TreeItem(tree, TVGN_ROOT, 0);
    for (;;) {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)current);
        *deepest = current;
        HTREEITEM match = FindChildItem(tree, current, name, buffer);
        if (!separator || !match) {
            if (separator) *separator = '\\';
            return match;
        }
        *separator = '\\';
        component = separator + 1;
        separator = FindKeyPathSeparator(component);
        if (separator) *separator = 0;
        name = component;
        current = match;
    }
}

// Waits until the list's row count is zero (`empty`) or not; a list that never gets there is taken as is.
static void WaitForList(HWND list, BOOL empty)
{
    for (int poll = 0; poll < kListPolls; poll++) {
        if ((ListCount(list) == 0) == (empty != FALSE)) return;
        Sleep(kListPollMs);
    }
}

// Makes the value list show `key`'s values with no row marked.
static void ShowKeyValues(HWND tree, HWND list, HTREEITEM key, const BridgeBuffer *buffer)
{
    if (TreeItem(tree, TVGN_CARET, 0) == key) {
        BridgeRecord unmark = {};
        unmark.list.state = 0;
        unmark.list.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        PutBridgeRecord(buffer, &unmark);
        for (int row = ListCount(list) - 1; row >= 0; row--)
            SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)buffer->address);
        return;
    }
    // Selecting the first root item empties the list, so that the refill for the key can be told apart.
    SelectTreeItem(tree, TreeItem(tree, TVGN_ROOT, 0));
    WaitForList(list, TRUE);
    SelectTreeItem(tree, key);
    WaitForList(list, FALSE);
}

// The row showing the named value, never row 0, which shows the key's default value; -1 when none.
static int FindValueRow(HWND list, const char *valueName, const BridgeBuffer *buffer)
{
    BridgeListRecord record = {};
    record.mask = LVIF_TEXT;
    record.iSubItem = 0;
    record.pszText = buffer->address + CB_BRIDGE_RECORD;
    record.cchTextMax = CB_BRIDGE_TEXT;
    BridgeBufferBytes row;
    for (int i = ListCount(list) - 1; i >= 1; i--) {
        record.iItem = i;
        ReadListItem(list, &record, buffer, &row);
        if (!CompareIgnoringCase(row.text, valueName)) return i;
        record = row.record.list;
    }
    return -1;
}

// Selects the key, or the value under it; the selected row, or -1 when the focus belongs to the tree.
static int SelectKeyOrValue(HWND tree, HWND list, HTREEITEM key, const char *valueName, BOOL keyOnly,
                            const BridgeBuffer *buffer)
{
    ShowKeyValues(tree, list, key, buffer);
    int row = -1;
    if (keyOnly) {
        if (gSettings.expandSelectedKey) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)key);
    } else if (valueName[0]) {
        row = FindValueRow(list, valueName, buffer);
    } else {
        row = 0;
    }
    if (row < 0) {
        SelectTreeItem(tree, key);
        return -1;
    }
    SetListItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, buffer);
    SendMessageA(list, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
    return row;
}

// Puts the focus where the user will want it, and opens the value's editor when asked to.
static void FocusResult(const RegistryEditorTarget *target, HWND tree, HWND list, int row)
{
    if (!AttachToRegistryEditor(target->threadId)) return;
    SetFocus(row >= 0 ? list : tree);
    BOOL pressEnter = row >= 0 && gSettings.openValueEditor && GetFocus() == list;
    DetachFromRegistryEditor(target->threadId);
    if (!pressEnter) return;
    // Enter goes in after the detach, into the Registry Editor's own input, where its list keeps the
    // focus: a key still queued in the shared input when the two are split again is lost. The foreground
    // is named again because a system may leave it with the input the threads shared.
    SetForegroundWindow(target->window);
    keybd_event(VK_RETURN, 0, 0, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
}

void OpenKeyInRegistryEditor(char *keyPath, const char *valueName, BOOL keyOnly)
{
    RegistryEditorTarget target;
    if (!FindRegistryEditorToDrive(&target)) return;
    if (AttachToRegistryEditor(target.threadId)) {
        SetFocus(target.window);
        DetachFromRegistryEditor(target.threadId);
    }

    HWND tree, list;
    BridgeBuffer buffer;
    if (FindRegistryEditorControls(target.window, &tree, &list) &&
        AcquireBridgeBuffer(target.process, gMainWindow, &buffer)) {
        HTREEITEM deepest;
        HTREEITEM key = WalkToKey(tree, keyPath, &buffer, &deepest);
        int row = -1;
        if (key)
            row = SelectKeyOrValue(tree, list, key, valueName, keyOnly, &buffer);
        else
            SelectTreeItem(tree, deepest);
        FocusResult(&target, tree, list, row);
        ReleaseBridgeBuffer(&buffer);
    }
    if (target.process) CloseHandle(target.process);
}

void OpenSelectedEntry()
{
    HGLOBAL entry = GetEntryHandle(GetSelectedIndex());
    if (!entry) return;
    BYTE *block = (BYTE *)GlobalLock(entry);
    if (!block) return;
    const MemoEntryHead *head = (const MemoEntryHead *)block;
    char *keyPath = (char *)block + sizeof(MemoEntryHead) + head->descriptionSize;
    const char *valueName = keyPath + head->keyPathSize;
    OpenKeyInRegistryEditor(keyPath, valueName, (short)head->keyOnly);
    GlobalUnlock(entry);
}
