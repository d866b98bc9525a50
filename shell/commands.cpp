// Commands of the main window and the states of its menu items and buttons, which follow the selected
// row of the memo list and the undo history.
#include <windowsx.h>

#include "bridge/bridge.h"
#include "dialogs/dialogs.h"
#include "memo/memo.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

// Selected only, for the posted re-selection: the list may deselect the old row before it moves the
// focus away (Wine does), and re-focusing that row would take the selection back and forth for ever.
static const LVITEMA kReselect = [] {
    LVITEMA item = {};
    item.state = item.stateMask = LVIS_SELECTED;
    return item;
}();

static void EnableCommand(HMENU menu, UINT id, BOOL enable)
{
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

static void EnableButton(int id, BOOL enable)
{
    EnableWindow(GetDlgItem(gMainWindow, id), enable);
}

// Whether an entry's key path starts with a registry root name, so that it can be opened.
static BOOL EntryHasRootKeyPath(int index)
{
    HGLOBAL handle = GetEntryHandle(index);
    const MemoEntryHead *entry = handle ? (const MemoEntryHead *)GlobalLock(handle) : nullptr;
    if (!entry) return FALSE;
    BOOL rooted = IsRootKeyPath(EntryTexts(entry).keyPath);
    GlobalUnlock(handle);
    return rooted;
}

static void EnableMoveCommands(BOOL up, BOOL down)
{
    EnableCommand(gMainMenu, IDM_MOVEUP, up);
    EnableCommand(gContextMenu, IDM_LIST_MOVEUP, up);
    EnableCommand(gMainMenu, IDM_MOVEDOWN, down);
    EnableCommand(gContextMenu, IDM_LIST_MOVEDOWN, down);
}

// Menu items and buttons for row `index` selected, as it stands now.
static void ApplyCommandStates(int index)
{
    BOOL isEntry = index >= 0 && index < entryCount;
    BOOL openable = isEntry && EntryHasRootKeyPath(index);
    // Buttons about to be disabled must not keep the keyboard focus, or the keyboard would be stuck.
    HWND focus = GetFocus();
    BOOL onEntryButton = focus == GetDlgItem(gMainWindow, IDC_DELETE) || focus == GetDlgItem(gMainWindow, IDC_CHANGE);
    if (!openable && focus == GetDlgItem(gMainWindow, IDC_OPEN))
        SendMessageA(gMainWindow, WM_NEXTDLGCTL, 0, FALSE);
    else if (!isEntry && onEntryButton)
        SendMessageA(gMainWindow, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(gMainWindow, IDC_IMPORT), TRUE);

    EnableCommand(gMainMenu, IDM_DELETE, isEntry);
    EnableCommand(gMainMenu, IDM_CHANGE, isEntry);
    EnableCommand(gContextMenu, IDM_LIST_DELETE, isEntry);
    EnableCommand(gContextMenu, IDM_LIST_CHANGE, isEntry);
    EnableButton(IDC_DELETE, isEntry);
    EnableButton(IDC_CHANGE, isEntry);
    EnableCommand(gMainMenu, IDM_COPYKEYPATH, isEntry);
    EnableCommand(gContextMenu, IDM_LIST_COPYKEYPATH, isEntry);
    EnableMoveCommands(isEntry && index > 0, isEntry && index < entryCount - 1);
    EnableCommand(gMainMenu, IDM_UNDO, CanUndo());
    EnableCommand(gMainMenu, IDM_REDO, CanRedo());
    EnableCommand(gMainMenu, IDM_OPENENTRY, openable);
    EnableCommand(gContextMenu, IDM_LIST_OPEN, openable);
    EnableCommand(gMainMenu, IDM_ADDFAVORITE, openable);
    EnableCommand(gContextMenu, IDM_LIST_ADDFAVORITE, openable);
    EnableButton(IDC_OPEN, openable);

    UpdateDefaultButton();
}

// Where the context menu opens when the keyboard asks for it: under the start of the selected row's
// text, kept inside the list.
static POINT KeyboardMenuPoint()
{
    RECT client;
    GetClientRect(gMemoList, &client);
    POINT point = {client.left, client.top};
    int selected = GetSelectedIndex();
    if (selected >= 0)
    {
        SendMessageA(gMemoList, LVM_ENSUREVISIBLE, selected, FALSE);
        RECT row = {};
        row.left = LVIR_BOUNDS;
        if (SendMessageA(gMemoList, LVM_GETITEMRECT, selected, (LPARAM)&row))
        {
            point.x = row.left + MemoCellInset();
            point.y = row.bottom;
        }
    }
    if (point.x < client.left) point.x = client.left;
    if (point.x >= client.right) point.x = client.right - 1;
    if (point.y < client.top) point.y = client.top;
    if (point.y >= client.bottom) point.y = client.bottom - 1;
    ClientToScreen(gMemoList, &point);
    return point;
}

// The main-menu command that a context-menu item stands for; 0 for none.
static int MainCommandOf(UINT contextItem)
{
    switch (contextItem)
    {
    case IDM_LIST_OPEN: return IDM_OPENENTRY;
    case IDM_LIST_ADD: return IDM_ADD;
    case IDM_LIST_DELETE: return IDM_DELETE;
    case IDM_LIST_CHANGE: return IDM_CHANGE;
    case IDM_LIST_CAPTURE: return IDM_CAPTURE;
    case IDM_LIST_MOVEUP: return IDM_MOVEUP;
    case IDM_LIST_MOVEDOWN: return IDM_MOVEDOWN;
    case IDM_LIST_COPYKEYPATH: return IDM_COPYKEYPATH;
    case IDM_LIST_ADDFAVORITE: return IDM_ADDFAVORITE;
    }
    return 0;
}

// The entry dialog and the capture change the list beneath the selection without selecting anew, so the
// states are worked out again for the row selected when they return.
static void RunEntryDialog(LPARAM mode)
{
    RunDialog(IDD_ENTRY, EntryDialogProc, mode);
    RecheckEntryPresence();
    ApplyCommandStates(GetSelectedIndex());
}

static void ChangeSelectedEntry()
{
    int index = GetSelectedIndex();
    if (index >= 0 && index < entryCount) RunEntryDialog(1);
}

// However many keys and values it takes in, a capture is undone in one step.
static void CaptureIntoMemo()
{
    BeginChangeGroup();
    CaptureRegistryEditorSelection(InsertCapturedEntry, gMainWindow);
    EndChangeGroup();
    RecheckEntryPresence();
    ApplyCommandStates(GetSelectedIndex());
}

static void ImportFavoritesIntoMemo()
{
    ImportRegistryEditorFavorites();
    RecheckEntryPresence();
    ApplyCommandStates(GetSelectedIndex());
}

static void StartRegistryEditor()
{
    RegistryEditorTarget target;
    if (FindOrStartRegistryEditor(gMainWindow, &target) && target.window && target.process) CloseHandle(target.process);
}

static void MoveSelectedEntry(int step)
{
    const int index = GetSelectedIndex();
    if (index < 0 || index >= entryCount || index + step < 0 || index + step >= entryCount) return;
    MoveEntry(index, index + step);
    ApplyCommandStates(index + step);
}

// The tip and the cursor were worked out for the rows as they stood: a change under the pointer takes
// the shown tip away, and fresh mouse-move messages work out both for the row now under it.
static void ChangeUnderPointer(int (*change)())
{
    SendMessageA(gTipWindow, TTM_ACTIVATE, FALSE, 0);
    const int row = change();
    SendMessageA(gTipWindow, TTM_ACTIVATE, TRUE, 0);
    ApplyCommandStates(row >= 0 ? row : GetSelectedIndex());
    mouse_event(MOUSEEVENTF_MOVE, 1, 0, 0, 0);
    mouse_event(MOUSEEVENTF_MOVE, (DWORD)(-1), 0, 0, 0);
}

static int DeleteSelectedRow()
{
    const int index = GetSelectedIndex();
    return DeleteEntry(index) ? index : -1;
}

void RunCommand(int id)
{
    switch (id)
    {
    case IDM_NEW:
        if (ConfirmDiscard()) NewMemo();
        break;
    case IDM_OPEN:
        if (ConfirmDiscard() && OpenMemoFile() == -1) DestroyWindow(gMainWindow);
        break;
    case IDM_SAVE: SaveMemoFile(); break;
    case IDM_SAVEAS: SaveMemoFileAs(); break;
    case IDM_EXIT: SendMessageA(gMainWindow, WM_CLOSE, 0, 0); break;
    case IDM_ADD:
    case IDC_ADD:
        if (!RefuseWhenMemoFull(gMainWindow)) RunEntryDialog(0);
        break;
    case IDM_UNDO:
        if (CanUndo()) ChangeUnderPointer(UndoChange);
        break;
    case IDM_REDO:
        if (CanRedo()) ChangeUnderPointer(RedoChange);
        break;
    case IDM_DELETE:
    case IDC_DELETE:
        if (GetSelectedIndex() >= 0 && GetSelectedIndex() < entryCount) ChangeUnderPointer(DeleteSelectedRow);
        break;
    case IDM_CHANGE:
    case IDC_CHANGE: ChangeSelectedEntry(); break;
    case IDM_MOVEUP: MoveSelectedEntry(-1); break;
    case IDM_MOVEDOWN: MoveSelectedEntry(1); break;
    case IDM_SETTINGS: RunDialog(IDD_SETTINGS, SettingsDialogProc, (LPARAM)lastDirectory); break;
    case IDM_OPENENTRY:
    case IDC_OPEN: OpenSelectedEntry(); break;
    case IDM_CAPTURE:
    case IDC_IMPORT: CaptureIntoMemo(); break;
    case IDM_OPENKEY: RunDialog(IDD_OPENKEY, OpenKeyDialogProc, OpenKeyOptions()); break;
    case IDM_STARTREGEDIT: StartRegistryEditor(); break;
    case IDM_FIND: FindEntry(); break;
    case IDM_FINDNEXT: FindNextEntry(); break;
    case IDM_COPYKEYPATH: CopySelectedKeyPath(); break;
    case IDM_RECHECK: RecheckEntryPresence(); break;
    case IDM_ADDFAVORITE: AddSelectedEntryToFavorites(); break;
    case IDM_IMPORTFAVORITES: ImportFavoritesIntoMemo(); break;
    default:
        if (id >= IDM_RECENT_FIRST && id <= IDM_RECENT_LAST) OpenRecentMemo(id - IDM_RECENT_FIRST);
        break;
    }
}

void UpdateDefaultButton()
{
    // Setting the default button again redraws its frame after buttons were enabled or disabled.
    LRESULT defaultId = SendMessageA(gMainWindow, DM_GETDEFID, 0, 0);
    if (HIWORD(defaultId) == DC_HASDEFID) SendMessageA(gMainWindow, DM_SETDEFID, LOWORD(defaultId), 0);
}

void UpdateCommandStates(const NMLISTVIEW *notify)
{
    if (!(notify->uChanged & LVIF_STATE) || notify->iItem < 0) return;
    int index = notify->iItem;
    UINT state = (UINT)SendMessageA(gMemoList, LVM_GETITEMSTATE, index, LVIS_FOCUSED | LVIS_SELECTED);
    if ((state & LVIS_FOCUSED) && !(state & LVIS_SELECTED))
    {
        // One row is always selected: select the focused row again once the list has finished.
        PostMessageA(gMemoList, LVM_SETITEMSTATE, index, (LPARAM)&kReselect);
        return;
    }
    if (!(notify->uNewState & LVIS_SELECTED)) return;
    ApplyCommandStates(index);
}

void RefreshCommandStates()
{
    ApplyCommandStates(GetSelectedIndex());
}

void ShowListContextMenu(LPARAM point)
{
    POINT at = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    if (at.x == -1 && at.y == -1) at = KeyboardMenuPoint();
    UINT chosen = TrackPopupMenuEx(GetSubMenu(gContextMenu, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y,
                                   gMainWindow, nullptr);
    int command = MainCommandOf(chosen);
    // Posted, so that the command runs after the menu has closed.
    if (command) PostMessageA(gMainWindow, WM_COMMAND, command, 0);
}

void OpenEntryOnDoubleClick()
{
    if (!(GetMenuState(gMainMenu, IDM_OPENENTRY, MF_BYCOMMAND) & MF_GRAYED)) RunCommand(IDM_OPENENTRY);
}
