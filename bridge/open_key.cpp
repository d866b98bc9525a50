// Opening a key, and a value under it, in the Registry Editor: its tree is walked from the top as a
// user would, and its value list is waited for after the key is selected.
#include "bridge/bridge.h"

#include "bridge/root_keys.h"
#include "shell/messages.h"
#include "shell/text.h"

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

// Siblings before a key that are read one by one rather than passed over by the tree's rows.
static const int kChildrenReadBeforeJumping = 8;

// Where the walk stands in the registry, for asking it what the tree may not show.
struct RegistryPlace
{
    HKEY root;       // 0 while the root key itself is looked for
    char *below;     // the key path after the root key and its separator
    char *component; // the name looked for, cut at its end
};

static BOOL ItemIsNamed(HWND tree, HTREEITEM item, const char *name, const BridgeBuffer *buffer)
{
    return !CompareIgnoringCase(ReadTreeItemText(tree, item, buffer), name);
}

// The component's place among its siblings in the registry's order, or -1. The path is cut before the
// component while its parent is opened, and put back.
static int RegistryIndex(const RegistryPlace *place)
{
    if (!place->root) return -1;
    char *separator = place->component > place->below ? place->component - 1 : 0;
    if (separator) *separator = 0;
    int index = SubkeyIndex(place->root, separator ? place->below : "", place->component);
    if (separator) *separator = '\\';
    return index;
}

// The first child of `parent` whose text is `name`, ignoring the case of single-byte letters.
static HTREEITEM FindChildItem(HWND tree, HTREEITEM parent, const char *name, const RegistryPlace *place,
                               const BridgeBuffer *buffer)
{
    // Each child read costs messages to the Registry Editor. Far down a long list, the registry says
    // where the key stands and the tree's rows lead there; a tree that orders or lists its children
    // otherwise lands elsewhere, and is then read child by child.
    int index = RegistryIndex(place);
    if (index >= kChildrenReadBeforeJumping)
    {
        HTREEITEM item = ChildItemByRow(tree, parent, index, buffer);
        if (item && TreeItem(tree, TVGN_PARENT, item) == parent && ItemIsNamed(tree, item, name, buffer)) return item;
    }
    for (HTREEITEM child = TreeItem(tree, TVGN_CHILD, parent); child; child = TreeItem(tree, TVGN_NEXT, child))
    {
        if (ItemIsNamed(tree, child, name, buffer)) return child;
    }
    return 0;
}

static void SetChildrenButton(HWND tree, HTREEITEM item, int children, const BridgeBuffer *buffer)
{
    BridgeRecord record = {};
    record.tree.mask = TVIF_CHILDREN;
    record.tree.hItem = item;
    record.tree.cChildren = children;
    PutBridgeRecord(buffer, &record);
    SendMessageA(tree, TVM_SETITEMA, 0, (LPARAM)buffer->address);
}

// Has the Registry Editor read `parent`'s children from the registry again: a collapse with reset drops
// those it listed, and expanding lists them anew.
static void RelistChildren(HWND tree, HTREEITEM parent, const BridgeBuffer *buffer)
{
    // The collapse would move a selection below `parent` up to it without a word to the Registry Editor,
    // whose value list would go on showing the old key.
    HTREEITEM caret = TreeItem(tree, TVGN_CARET, 0);
    for (HTREEITEM item = caret; item; item = TreeItem(tree, TVGN_PARENT, item))
    {
        if (item != parent) continue;
        if (caret != parent) SelectTreeItem(tree, parent);
        break;
    }
    // A key listed without children has no button, and neither collapses nor expands.
    SetChildrenButton(tree, parent, 1, buffer);
    SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, (LPARAM)parent);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)parent);
    if (!TreeItem(tree, TVGN_CHILD, parent)) SetChildrenButton(tree, parent, 0, buffer);
}

// The root key's long name for one typed as the first component, long or short; else the component itself.
static const char *RootKeyNameLookedFor(const char *component)
{
    const int root = FindRootKeyName(component, 0, lstrlenA(component));
    return root >= 0 ? kRootKeyNames[root].longName : component;
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
    RegistryPlace place = {0, 0, component};

    HTREEITEM current = TreeItem(tree, TVGN_ROOT, 0);
    for (;;)
    {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)current);
        *deepest = current;
        HTREEITEM match = FindChildItem(tree, current, name, &place, buffer);
        // The Registry Editor lists a key's children once: a key made since is missing from its tree,
        // and one deleted since is still there. Where the registry disagrees, the children are read again.
        if (place.root && component[0] && !match == !RegistryKeyIsGone(place.root, place.below))
        {
            RelistChildren(tree, current, buffer);
            match = FindChildItem(tree, current, name, &place, buffer);
        }
        if (!separator || !match)
        {
            if (separator) *separator = '\\';
            return match;
        }
        if (!place.root)
        {
            place.root = RootKeyHandle(name);
            place.below = separator + 1;
        }
        *separator = '\\';
        component = separator + 1;
        separator = FindKeyPathSeparator(component);
        if (separator) *separator = 0;
        name = component;
        place.component = component;
        current = match;
    }
}

// Waits until the list's row count is zero (`empty`) or not; a list that never gets there is taken as is.
static void WaitForList(HWND list, BOOL empty)
{
    for (int poll = 0; poll < kListPolls; poll++)
    {
        if ((ListCount(list) == 0) == (empty != FALSE)) return;
        Sleep(kListPollMs);
    }
}

// Has the Registry Editor read `key`'s values again and list them.
static void RefillValueList(HWND tree, HWND list, HTREEITEM key)
{
    // Selecting the first root item empties the list, so that the refill for the key can be told apart.
    SelectTreeItem(tree, TreeItem(tree, TVGN_ROOT, 0));
    WaitForList(list, TRUE);
    SelectTreeItem(tree, key);
    WaitForList(list, FALSE);
}

// Makes the value list show `key`'s values with no row marked. TRUE when it showed them already, as
// they were when the key was selected.
static BOOL ShowKeyValues(HWND tree, HWND list, HTREEITEM key, const BridgeBuffer *buffer)
{
    if (TreeItem(tree, TVGN_CARET, 0) != key)
    {
        RefillValueList(tree, list, key);
        return FALSE;
    }
    BridgeRecord unmark = {};
    unmark.list.state = 0;
    unmark.list.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    PutBridgeRecord(buffer, &unmark);
    for (int row = ListCount(list) - 1; row >= 0; row--)
        SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)buffer->address);
    return TRUE;
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
    for (int i = ListCount(list) - 1; i >= 1; i--)
    {
        record.iItem = i;
        ReadListItem(list, &record, buffer, &row);
        if (!CompareIgnoringCase(row.text, valueName)) return i;
        record = row.record.list;
    }
    return -1;
}

// Selects the key, or the value under it; the selected row, or -1 when the focus belongs to the tree.
static int SelectKeyOrValue(HWND tree, HWND list, HTREEITEM key, const char *valueName, BOOL keyOnly, UINT options,
                            const BridgeBuffer *buffer)
{
    BOOL shownBefore = ShowKeyValues(tree, list, key, buffer);
    int row = -1;
    if (keyOnly)
    {
        if (options & OPEN_EXPAND_KEY) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)key);
    }
    else if (valueName[0])
    {
        row = FindValueRow(list, valueName, buffer);
        // A list shown while its key stayed selected misses the values made since.
        if (row < 0 && shownBefore)
        {
            RefillValueList(tree, list, key);
            row = FindValueRow(list, valueName, buffer);
        }
    }
    else
    {
        row = 0;
    }
    if (row < 0)
    {
        SelectTreeItem(tree, key);
        return -1;
    }
    SetListItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, buffer);
    SendMessageA(list, LVM_ENSUREVISIBLE, (WPARAM)row, FALSE);
    return row;
}

// Puts the focus where the user will want it, and opens the value's editor when asked to.
static void FocusResult(const RegistryEditorTarget *target, HWND tree, HWND list, int row, UINT options)
{
    if (!AttachToRegistryEditor(target->threadId)) return;
    SetFocus(row >= 0 ? list : tree);
    BOOL pressEnter = row >= 0 && (options & OPEN_VALUE_EDITOR) && GetFocus() == list;
    DetachFromRegistryEditor(target->threadId);
    if (!pressEnter) return;
    // Enter goes in after the detach, into the Registry Editor's own input, where its list keeps the
    // focus: a key still queued in the shared input when the two are split again is lost. The foreground
    // is named again because a system may leave it with the input the threads shared.
    SetForegroundWindow(target->window);
    keybd_event(VK_RETURN, 0, 0, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
}

BOOL OpenKeyInRegistryEditor(char *keyPath, const char *valueName, BOOL keyOnly, UINT options, HWND owner)
{
    RegistryEditorTarget target;
    if (!FindRegistryEditorToDrive(owner, &target)) return FALSE;
    if (AttachToRegistryEditor(target.threadId))
    {
        SetFocus(target.window);
        DetachFromRegistryEditor(target.threadId);
    }

    // The walk follows the plain form: a key path copied with a separator at its end names the key before
    // it. The caller's text stays as it is.
    char *walked = (char *)GlobalAlloc(GMEM_FIXED, (SIZE_T)lstrlenA(keyPath) + 1);
    if (!walked) ReportSystemError(owner, LEVEL_ORDINARY);
    HWND tree, list;
    BridgeBuffer buffer;
    BOOL found = FALSE;
    if (walked && FindRegistryEditorControls(target.window, &tree, &list) &&
        AcquireBridgeBuffer(target.process, owner, &buffer))
    {
        lstrcpyA(walked, keyPath);
        ToPlainKeyPath(walked);
        HTREEITEM deepest;
        HTREEITEM key = WalkToKey(tree, walked, &buffer, &deepest);
        int row = -1;
        if (key)
            row = SelectKeyOrValue(tree, list, key, valueName, keyOnly, options, &buffer);
        else
            SelectTreeItem(tree, deepest);
        FocusResult(&target, tree, list, row, options);
        ReleaseBridgeBuffer(&buffer);
        found = key != 0;
    }
    if (walked) GlobalFree(walked);
    if (target.process) CloseHandle(target.process);
    return found;
}
