// The states of tarmik.exe and the Registry Editor that the printed manual shows, reached as a user
// reaches them and checked before each picture is taken. The pictures land in BUILD\screenshots\manual_*.png;
// tools/manual/take-screenshots copies them into the manual's source.
#include <algorithm>

#include "tests/e2e/dialog_session.h"

using namespace dialogs;
using namespace driver;

// The memo the pictures show: places a user of the tool keeps, as they exist in Wine's registry.
static std::vector<driver::Entry> SampleMemo()
{
    return {
        {"ドラッグ中の表示", "HKEY_CURRENT_USER\\Control Panel\\Desktop", "DragFullWindows", false},
        {"デスクトップの壁紙", "HKEY_CURRENT_USER\\Control Panel\\Desktop", "Wallpaper", false},
        {"フォントの置き換え", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes",
         "", true},
        {"テキスト ファイルの種類", "HKEY_CLASSES_ROOT\\.txt", "", false},
        {"環境変数", "HKCU\\Environment", "", true},
        {"控え: 社内ツールの設定", "Software\\Sample\\Tools", "Server", false},
    };
}

// A PNG of the windows `shown` as they lie on the screen, cut to `rect`; what lies outside
// them (the bare display) is left white. Named like the driver's screenshots.
static void Shot(RECT rect, const std::string &name, std::vector<HWND> shown)
{
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    std::vector<uint32_t> pixels = driver::CapturePixels(nullptr, rect);
    ASSERT_EQ(pixels.size(), (size_t)width * height);
    std::vector<RECT> areas;
    for (HWND window : shown)
    {
        RECT area;
        GetWindowRect(window, &area);
        areas.push_back(area);
    }
    for (size_t i = 0; i < pixels.size(); ++i)
    {
        POINT point = {rect.left + (LONG)(i % width), rect.top + (LONG)(i / width)};
        bool inside = false;
        for (const RECT &area : areas) inside = inside || PtInRect(&area, point);
        if (!inside) pixels[i] = 0xFFFFFF;
    }
    ASSERT_NE(driver::SavePng("manual_" + name, width, height, pixels), "");
}

static RECT Union(RECT a, RECT b)
{
    RECT u;
    UnionRect(&u, &a, &b);
    return u;
}

// Lets the window paint before its picture is taken.
static void Paint(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(400);
}

// Starts the program with the sample memo in a file with a Japanese name, in a window of a size that
// shows every column.
static bool StartWithSample(driver::Session &tarmik, int width = 640, int height = 330)
{
    if (!tarmik.Open(SampleMemo(), "よく使う場所.tmk")) return false;
    SetWindowPos(tarmik.main(), nullptr, 40, 40, width, height, SWP_NOZORDER);
    SetForegroundWindow(tarmik.main());
    tarmik.Settle();
    return true;
}

static void CloseRegistryEditors()
{
    for (HWND editor; (editor = FindWindowA("RegEdit_RegEdit", nullptr)) != nullptr;)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(editor, &pid);
        PostMessageA(editor, WM_CLOSE, 0, 0);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        if (process && WaitForSingleObject(process, 5000) == WAIT_TIMEOUT) TerminateProcess(process, 1);
        if (process) CloseHandle(process);
    }
}

TEST(ManualScreenshots, MainWindowItsMenusAndContextMenu)
{
    driver::Session tarmik("manual_main");
    ASSERT_TRUE(StartWithSample(tarmik));
    EXPECT_EQ(driver::GetText(tarmik.main()), "タルミク - よく使う場所.tmk");
    tarmik.SelectRow(0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(tarmik.main(), IDC_OPEN))) << "an entry with a root key can be opened";
    Paint(tarmik.main());
    driver::Screenshot(tarmik.main(), "manual_main");

    // An entry whose key path names no root key: open stays disabled.
    tarmik.SelectRow(5);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(GetDlgItem(tarmik.main(), IDC_OPEN)); }, 3000));

    // The menus, opened from the keyboard.
    tarmik.SelectRow(1);
    const struct
    {
        const char *keys, *name;
    } menus[] = {{"alt+f", "menu_file"}, {"alt+e", "menu_edit"}, {"alt+r", "menu_registry"}};
    for (const auto &menu : menus)
    {
        SetForegroundWindow(tarmik.main());
        Keys(menu.keys);
        ASSERT_TRUE(WaitFor([&] { return PopupMenu(tarmik) != nullptr; })) << menu.name;
        Sleep(300);
        RECT popup;
        GetWindowRect(PopupMenu(tarmik), &popup);
        RECT window;
        GetWindowRect(tarmik.main(), &window);
        RECT area = Union(popup, {window.left, window.top, window.right, popup.bottom + 8});
        Shot(area, menu.name, {tarmik.main(), PopupMenu(tarmik)});
        Keys("Escape Escape");
        ASSERT_TRUE(WaitFor([&] { return PopupMenu(tarmik) == nullptr; }));
        Sleep(300);
    }

    // The list's context menu under the pointer.
    RECT cell = driver::ListSubItemRect(tarmik.list(), 1, 0);
    POINT point = {cell.left + 40, (cell.top + cell.bottom) / 2};
    ClientToScreen(tarmik.list(), &point);
    MouseTo(point.x, point.y);
    driver::Xdotool("click 3");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(tarmik) != nullptr; })) << "context menu";
    Sleep(300);
    RECT popup, window;
    GetWindowRect(PopupMenu(tarmik), &popup);
    GetWindowRect(tarmik.main(), &window);
    Shot(Union(window, popup), "context_menu", {tarmik.main(), PopupMenu(tarmik)});
    Keys("Escape");
}

TEST(ManualScreenshots, EntryDialogRootKeyMenuAndKeyBadge)
{
    driver::Session tarmik("manual_entry");
    ASSERT_TRUE(StartWithSample(tarmik));
    tarmik.SelectRow(6);
    HWND dialog = OpenDialog(tarmik, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    SetText(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION), "スクリーン セーバーの待ち時間");
    SetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH), "HKEY_CURRENT_USER\\Control Panel\\Desktop");
    SetText(GetDlgItem(dialog, IDC_ENTRY_VALUENAME), "ScreenSaveTimeOut");
    Paint(dialog);
    driver::Screenshot(dialog, "manual_entry_add");

    // Alt+Right in the key field opens the root-key menu with its first item highlighted.
    SetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH), "hkcu\\Control Panel\\Desktop");
    ClickIn(GetDlgItem(dialog, IDC_ENTRY_KEYPATH), 0.9);
    Keys("alt+Right");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(tarmik) != nullptr; })) << "root-key menu";
    Sleep(400);
    RECT popup, box;
    GetWindowRect(PopupMenu(tarmik), &popup);
    GetWindowRect(dialog, &box);
    Shot(Union(box, popup), "rootkey_menu", {dialog, PopupMenu(tarmik)});
    Keys("Down Return");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(tarmik) == nullptr; }));
    EXPECT_TRUE(WaitFor([&] {
        return driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH)) == "HKEY_CURRENT_USER\\Control Panel\\Desktop";
    })) << "the short root name is replaced by the chosen long one";

    // Alt+Delete in the value field: the entry names the key itself.
    SetText(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION), "デスクトップの設定");
    ClickIn(GetDlgItem(dialog, IDC_ENTRY_VALUENAME));
    Keys("alt+Delete");
    ASSERT_TRUE(WaitFor([&] { return Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)); }))
        << "key badge";
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_VALUENAME)), "");
    Paint(dialog);
    driver::Screenshot(dialog, "manual_entry_badge");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    tarmik.Settle();
    Paint(tarmik.main());
    driver::Screenshot(tarmik.main(), "manual_main_added");
}

TEST(ManualScreenshots, OpenKeySettingsAndFindDialogs)
{
    driver::Session tarmik("manual_dialogs");
    ASSERT_TRUE(StartWithSample(tarmik));
    HWND dialog = OpenDialog(tarmik, IDM_OPENKEY, "開く");
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "nothing typed yet";
    ClickIn(GetDlgItem(dialog, IDC_OPENKEY_KEYPATH));
    Type("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    // Every typed key must have arrived before the next dialog could get one of them.
    ASSERT_TRUE(WaitFor([&] {
        return driver::GetText(GetDlgItem(dialog, IDC_OPENKEY_KEYPATH)) ==
               "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    }));
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }));
    SetText(GetDlgItem(dialog, IDC_OPENKEY_VALUENAME), "ProductName");
    Paint(dialog);
    driver::Screenshot(dialog, "manual_open_key");
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));

    dialog = OpenDialog(tarmik, IDM_SETTINGS, "設定");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_OPENATSTARTUP), BM_GETCHECK, 0, 0), BST_UNCHECKED)
        << "no start-up file yet";
    Paint(dialog);
    driver::Screenshot(dialog, "manual_settings");
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));

    dialog = OpenDialog(tarmik, IDM_FIND, "検索");
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "nothing looked for yet";
    SetText(GetDlgItem(dialog, IDC_FIND_TEXT), "壁紙");
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }));
    Paint(dialog);
    driver::Screenshot(dialog, "manual_find");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    EXPECT_TRUE(WaitFor([&] { return driver::ListSelectedItem(tarmik.list()) == 1; })) << "the description holding it";
}

// Deletes a key of HKEY_CLASSES_ROOT with everything below it.
void DeleteClassesKey(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[256];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) DeleteClassesKey(path + "\\" + name);
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
}

// The question before the extension is taken from another program, answered No.
TEST(ManualScreenshots, TakingOverAnExtensionAsks)
{
    const char *keys[] = {".tmk", "manualtestfile"};
    for (const char *key : keys) DeleteClassesKey(key);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".tmk", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE *)"manualtestfile", 15);
    RegCloseKey(key);
    const char command[] = "C:\\windows\\notepad.exe %1";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "manualtestfile\\Shell\\open\\command", 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE *)command, sizeof command);
    RegCloseKey(key);

    driver::Session tarmik("manual_assoc");
    ASSERT_TRUE(StartWithSample(tarmik));
    HWND dialog = OpenDialog(tarmik, IDM_SETTINGS, "設定");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_ASSOCIATE), BM_GETCHECK, 0, 0), BST_UNCHECKED)
        << "not this program's";
    SendMessageA(GetDlgItem(dialog, IDC_ASSOCIATE), BM_SETCHECK, BST_CHECKED, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(tarmik.pid(), &box, 10000));
    EXPECT_EQ(box.text.find("拡張子“TMK”は"), 0u) << box.text;
    EXPECT_NE(box.text.find("関連付けを変更しますか？"), std::string::npos) << box.text;
    Paint(box.window);
    driver::Screenshot(box.window, "manual_assoc_question");
    ASSERT_TRUE(driver::PressButton(box.window, IDNO));
    ASSERT_TRUE(IsWindow(dialog)) << "No keeps the settings dialog open";
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    char type[64] = "";
    LONG cb = sizeof type;
    EXPECT_EQ(RegQueryValueA(HKEY_CLASSES_ROOT, ".tmk", type, &cb), ERROR_SUCCESS);
    EXPECT_STREQ(type, "manualtestfile") << "No leaves the other program's registration";
    for (const char *k : keys) DeleteClassesKey(k);
}

TEST(ManualScreenshots, OpeningAnEntryAndCapturingInTheRegistryEditor)
{
    CloseRegistryEditors();
    driver::Session tarmik("manual_regedit");
    ASSERT_TRUE(StartWithSample(tarmik));
    tarmik.SelectRow(0);
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_OPENENTRY, 0);
    HWND editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = FindWindowA("RegEdit_RegEdit", nullptr)) != nullptr; }, 15000));
    tarmik.Settle();
    Sleep(1500);
    SetWindowPos(editor, nullptr, 60, 60, 720, 420, SWP_NOZORDER);
    SetForegroundWindow(editor);
    Paint(editor);
    driver::Screenshot(editor, "manual_regedit_opened");

    // Both windows side by side, as the user works with them.
    SetWindowPos(tarmik.main(), nullptr, 10, 500, 600, 300, SWP_NOZORDER);
    SetWindowPos(editor, nullptr, 10, 10, 720, 470, SWP_NOZORDER);
    SetForegroundWindow(tarmik.main());
    tarmik.Settle();
    Sleep(500);
    RECT a, b;
    GetWindowRect(editor, &a);
    GetWindowRect(tarmik.main(), &b);
    Shot(Union(a, b), "both_windows", {editor, tarmik.main()});

    // Capture: the key selected in the Registry Editor becomes a new entry above the selected row.
    tarmik.SelectRow(6);
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_CAPTURE, 0);
    tarmik.Settle();
    Sleep(800);
    EXPECT_EQ(driver::ListItemCount(tarmik.list()), 8) << "one entry captured";
    SetForegroundWindow(tarmik.main());
    Paint(tarmik.main());
    driver::Screenshot(tarmik.main(), "manual_captured");
    CloseRegistryEditors();
}

TEST(ManualScreenshots, MessagesAndTheOldSystemsLook)
{
    {
        driver::Session missing("manual_missing");
        // A place a user keeps files in, not the test's own folder.
        ASSERT_TRUE(missing.Start("C:\\users\\Public\\Documents\\なくなったメモ.tmk"));
        driver::MessageBoxInfo box;
        ASSERT_TRUE(missing.Box(&box, 15000));
        EXPECT_NE(box.text.find("が見つかりません。"), std::string::npos) << box.text;
        Sleep(300);
        driver::Screenshot(box.window, "manual_file_missing");
        driver::PressButton(box.window, IDOK);
    }
    driver::Session tarmik("manual_win95", "win95");
    ASSERT_TRUE(StartWithSample(tarmik));
    EXPECT_EQ(driver::GetText(tarmik.main()), "ﾀﾙﾐｸ - よく使う場所.tmk");
    HWND dialog = OpenDialog(tarmik, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYLABEL)), "ｷｰ(&K):");
    SetText(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION), "デスクトップの壁紙");
    SetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH), "HKEY_CURRENT_USER\\Control Panel\\Desktop");
    SetText(GetDlgItem(dialog, IDC_ENTRY_VALUENAME), "Wallpaper");
    Paint(dialog);
    driver::Screenshot(dialog, "manual_win95_entry");
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    SetForegroundWindow(tarmik.main());
    Keys("alt+r");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(tarmik) != nullptr; }));
    Sleep(300);
    RECT popup, window;
    GetWindowRect(PopupMenu(tarmik), &popup);
    GetWindowRect(tarmik.main(), &window);
    Shot(Union(popup, {window.left, window.top, window.right, popup.bottom + 8}), "win95_menu",
         {tarmik.main(), PopupMenu(tarmik)});
    Keys("Escape Escape");
}
