// A stand-in Registry Editor for the bridge tests, placed as regedit.exe beside the program under test.
// It offers only what the bridge may rely on: a top-level window of class "RegEdit_RegEdit" whose direct
// children are a tree view (one first root item above the six root keys) and a list view (the selected
// key's values, the default value in row 0), and a value editor opened by Enter in the list.
//
// What it does besides is read from "regedit.mode" beside it, one word per line:
//   late      the window appears 250 ms after the start
//   never     no window at all; the process waits until it is killed
//   nolist    no list view
//   slowlist  the list empties at once on a new selection and is refilled 1 s later
// It writes "regedit.pid" (its process id) and, once its window exists, "regedit.window" (the tick count
// just before its creation) beside it.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

struct Key
{
    const char *path;      // below the first root item
    const char *values[4]; // named values besides the default one
};

// A 300-byte key name, which the tree gives back cut to 255 bytes.
static char longName[301];

static const Key kKeys[] = {
    {"HKEY_CLASSES_ROOT", {}},
    {"HKEY_CURRENT_USER", {}},
    {"HKEY_CURRENT_USER\\Software", {}},
    {"HKEY_CURRENT_USER\\Software\\Standin", {"Alpha", "Beta", "Gamma"}},
    {"HKEY_CURRENT_USER\\Software\\Standin\\Inner", {"Deep"}},
    {"HKEY_CURRENT_USER\\Software\\\x83\x5c\x83\x74\x83\x67", {"Kana"}}, // ソフト in Shift-JIS
    {"HKEY_CURRENT_USER\\", {}},                                         // the long name, filled in at start
    {"HKEY_LOCAL_MACHINE", {}},
    {"HKEY_LOCAL_MACHINE\\SOFTWARE", {"Version"}},
    {"HKEY_USERS", {}},
    {"HKEY_CURRENT_CONFIG", {}},
    {"HKEY_DYN_DATA", {}},
};
static char longKeyPath[400];
static const int kKeyCount = sizeof kKeys / sizeof kKeys[0];

static char folder[MAX_PATH];
static bool modeLate, modeNever, modeNoList, modeSlowList;
static HWND mainWindow, tree, list;
static HTREEITEM firstRoot;
static HTREEITEM keyItems[kKeyCount];
static int shownKey = -1; // the key whose values the list shows, or is about to show
static HWND lastFocus;    // the control that had the focus last, given it again with the main window's
static const UINT_PTR kRefillTimer = 1;

static const char *KeyPath(int i)
{
    return i == 6 ? longKeyPath : kKeys[i].path;
}

static void WriteBeside(const char *name, const char *text)
{
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", folder, name);
    FILE *f = fopen(path, "wb");
    if (!f) return;
    fputs(text, f);
    fclose(f);
}

static void ReadMode()
{
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\regedit.mode", folder);
    FILE *f = fopen(path, "rb");
    if (!f) return;
    char word[64];
    while (fscanf(f, "%63s", word) == 1)
    {
        if (!strcmp(word, "late")) modeLate = true;
        if (!strcmp(word, "never")) modeNever = true;
        if (!strcmp(word, "nolist")) modeNoList = true;
        if (!strcmp(word, "slowlist")) modeSlowList = true;
    }
    fclose(f);
}

static HTREEITEM AddItem(HTREEITEM parent, const char *text)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = (char *)text;
    return (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
}

static void FillTree()
{
    firstRoot = AddItem(TVI_ROOT, "\x83\x52\x83\x93\x83\x73\x83\x85\x81\x5b\x83\x5e"); // コンピュータ
    for (int i = 0; i < kKeyCount; i++)
    {
        const char *path = KeyPath(i);
        const char *name = strrchr(path, '\\');
        // ソフト's second byte is a backslash: the parent's path is the key's path without its own name.
        HTREEITEM parent = firstRoot;
        if (i == 5)
        {
            name = path + strlen("HKEY_CURRENT_USER\\Software\\") - 1;
            parent = keyItems[2];
        }
        else if (name)
        {
            for (int j = 0; j < i; j++)
            {
                if ((size_t)(name - path) == strlen(KeyPath(j)) && !strncmp(KeyPath(j), path, name - path))
                    parent = keyItems[j];
            }
        }
        keyItems[i] = AddItem(parent, name ? name + 1 : path);
    }
}

static void FillList(int key)
{
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    if (key < 0) return;
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = (char *)("(\x8a\xf9\x92\xe8)"); // (既定)
    SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    for (int v = 0; v < 4 && kKeys[key].values[v]; v++)
    {
        item.iItem = v + 1;
        item.pszText = (char *)(kKeys[key].values[v]);
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
}

static void OnSelectionChanged(HTREEITEM item)
{
    shownKey = -1;
    for (int i = 0; i < kKeyCount; i++)
    {
        if (keyItems[i] == item) shownKey = i;
    }
    if (!list) return;
    if (modeSlowList)
    {
        FillList(-1);
        SetTimer(mainWindow, kRefillTimer, 1000, 0);
        return;
    }
    FillList(shownKey);
}

// The value editor: a plain window titled with the value's row, owned by the main window.
static void OpenValueEditor()
{
    int row = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED | LVNI_SELECTED);
    if (row < 0) return;
    char title[64];
    snprintf(title, sizeof title, "Value editor %d", row);
    CreateWindowExA(0, "StandinValueEditor", title, WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 200, 200, 300, 120,
                    mainWindow, 0, GetModuleHandleA(0), 0);
}

static LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

static void CreateControls(HWND window)
{
    tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT |
                               TVS_SHOWSELALWAYS,
                           0, 0, 250, 400, window, (HMENU)1, GetModuleHandleA(0), 0);
    if (!modeNoList)
    {
        list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 255, 0, 345, 400,
                               window, (HMENU)2, GetModuleHandleA(0), 0);
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 300;
        column.pszText = (char *)("\x96\xbc\x91\x4f"); // 名前
        SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    }
    FillTree();
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)firstRoot);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)firstRoot);
    lastFocus = tree;
}

static LRESULT OnNotify(const NMHDR *header)
{
    if (header->hwndFrom == tree && header->code == TVN_SELCHANGEDA)
        OnSelectionChanged(((const NMTREEVIEWA *)header)->itemNew.hItem);
    else if (header->hwndFrom == tree && header->code == TVN_SELCHANGEDW)
        OnSelectionChanged(((const NMTREEVIEWW *)header)->itemNew.hItem);
    else if (header->code == NM_SETFOCUS)
        lastFocus = header->hwndFrom;
    else if (header->hwndFrom == list && header->code == NM_RETURN)
        OpenValueEditor();
    return 0;
}

static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        mainWindow = window;
        CreateControls(window);
        return 0;
    case WM_NOTIFY: return OnNotify((const NMHDR *)lParam);
    case WM_TIMER:
        KillTimer(window, kRefillTimer);
        FillList(shownKey);
        return 0;
    case WM_SETFOCUS:
        // As a real Registry Editor does: the focus goes on to the pane that had it last.
        if (lastFocus) SetFocus(lastFocus);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    GetModuleFileNameA(0, folder, sizeof folder);
    if (char *slash = strrchr(folder, '\\')) *slash = 0;
    ReadMode();
    char text[32];
    snprintf(text, sizeof text, "%lu", GetCurrentProcessId());
    WriteBeside("regedit.pid", text);

    memset(longName, 'L', 300);
    snprintf(longKeyPath, sizeof longKeyPath, "HKEY_CURRENT_USER\\%s", longName);

    if (modeNever)
    {
        Sleep(INFINITE);
        return 0;
    }
    if (modeLate) Sleep(250);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MainProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(0, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "RegEdit_RegEdit";
    RegisterClassA(&windowClass);
    windowClass.lpfnWndProc = EditorProc;
    windowClass.lpszClassName = "StandinValueEditor";
    RegisterClassA(&windowClass);

    // Stamped before the window is made: it can be found from inside its creation on, before that returns.
    const DWORD created = GetTickCount();
    HWND window = CreateWindowExA(0, "RegEdit_RegEdit", "Stand-in Registry Editor", WS_OVERLAPPEDWINDOW, 100, 100, 620,
                                  440, 0, 0, instance, 0);
    if (!window) return 1;
    snprintf(text, sizeof text, "%lu", created);
    WriteBeside("regedit.window", text);
    ShowWindow(window, show);
    SetFocus(tree);

    MSG msg;
    while (GetMessageA(&msg, 0, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
