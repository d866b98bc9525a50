// The open-key dialog on the real tarmik.exe: when OK can be pressed, and a typed key opened in Wine's
// own Registry Editor, which tarmik starts; also capture into the entry dialog from that Registry Editor.
#include "tests/e2e/dialog_session.h"
#include "tests/e2e/regedit_probe.h"

using namespace dialogs;
using namespace driver;

static const char kTestKey[] = "Software\\TarmikDialogTest";

static void DeleteKeyTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (;;)
    {
        DWORD cch = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteKeyTree(key, child);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

// HKCU\Software\TarmikDialogTest\<five long levels>, with a default value and a value whose name is
// 255 bytes long. Returns the deep key's path below HKEY_CURRENT_USER.
static std::string MakeDeepKey()
{
    DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
    std::string path = kTestKey;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return "";
    // One level at a time: a path this long is refused in one piece.
    for (int level = 1; level <= 5; ++level)
    {
        const std::string name = "Level" + std::to_string(level) + std::string(48, 'k');
        HKEY child;
        LONG status = RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
        RegCloseKey(key);
        if (status != ERROR_SUCCESS)
        {
            printf("cannot create level %d: %ld\n", level, status);
            return "";
        }
        key = child;
        path += "\\" + name;
    }
    const char data[] = "x";
    RegSetValueExA(key, "", 0, REG_SZ, (const BYTE *)data, sizeof data);
    RegSetValueExA(key, "first", 0, REG_SZ, (const BYTE *)data, sizeof data);
    RegSetValueExA(key, std::string(255, 'v').c_str(), 0, REG_SZ, (const BYTE *)data, sizeof data);
    RegSetValueExA(key, "last", 0, REG_SZ, (const BYTE *)data, sizeof data);
    RegCloseKey(key);
    return path;
}

struct ChildSearch
{
    const char *className;
    HWND found;
};

static BOOL CALLBACK FindChild(HWND window, LPARAM lParam)
{
    ChildSearch *search = (ChildSearch *)lParam;
    if (driver::GetClass(window) != search->className) return TRUE;
    search->found = window;
    return FALSE;
}

static HWND ChildOfClass(HWND parent, const char *className)
{
    ChildSearch search = {className, nullptr};
    EnumChildWindows(parent, FindChild, (LPARAM)&search);
    return search.found;
}

// The Registry Editor's selected key (the text of the tree's selected item) and selected value row.
struct RegistryEditorView
{
    HWND window = nullptr, tree = nullptr, list = nullptr;

    bool Find()
    {
        window = FindWindowA("RegEdit_RegEdit", nullptr);
        if (!window) return false;
        tree = ChildOfClass(window, "SysTreeView32");
        list = ChildOfClass(window, "SysListView32");
        // Out of the way of tarmik's windows, which real clicks must reach.
        RECT rect;
        GetWindowRect(window, &rect);
        if (rect.left < 600) SetWindowPos(window, nullptr, 600, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return tree && list;
    }

    std::string SelectedKeyName()
    {
        HTREEITEM item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        if (!item) return "";
        return regedit::ItemText(tree, item);
    }

    // The text of the tree's top item, which the Registry Editor's paths begin with.
    std::string TopName()
    {
        HTREEITEM item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        return regedit::ItemText(tree, item);
    }

    int SelectedRow()
    {
        return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    }

    std::string RowText(int row)
    {
        driver::RemoteMemory remote(list, sizeof(LVITEMA) + 512);
        LVITEMA record = {};
        record.iSubItem = 0;
        record.pszText = (char *)remote.address() + sizeof record;
        record.cchTextMax = 512;
        remote.Write(&record, sizeof record);
        SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)remote.address());
        char text[512] = "";
        remote.Read(text, sizeof text - 1, sizeof record);
        return text;
    }

    void Close()
    {
        if (!window) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (process)
        {
            if (WaitForSingleObject(process, 5000) == WAIT_TIMEOUT) TerminateProcess(process, 1);
            CloseHandle(process);
        }
        window = nullptr;
    }
};

// Opens `keyPath` (and `valueName`) through the open-key dialog; `keyOnly` uses Alt+Delete in the value field.
bool OpenThroughDialog(driver::Session &session, const std::string &keyPath, const std::string &valueName, bool keyOnly,
                       HWND *dialogOut = nullptr)
{
    HWND dialog = OpenDialog(session, IDM_OPENKEY, "開く");
    if (!dialog) return false;
    if (dialogOut) *dialogOut = dialog;
    SetText(GetDlgItem(dialog, IDC_OPENKEY_KEYPATH), keyPath);
    SetText(GetDlgItem(dialog, IDC_OPENKEY_VALUENAME), valueName);
    if (keyOnly)
    {
        ClickIn(GetDlgItem(dialog, IDC_OPENKEY_VALUENAME));
        Keys("alt+Delete");
        if (!WaitFor([&] { return Visible(Badge(dialog, IDC_OPENKEY_VALUENAME, IDC_OPENKEY_KEYBADGE)); })) return false;
    }
    if (!IsWindowEnabled(GetDlgItem(dialog, IDOK))) return false;
    PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
    return true;
}

TEST(OpenKeyDialog, OkIsEnabledExactlyForKeyPathsWithARoot)
{
    driver::Session session("openkey_ok");
    ASSERT_TRUE(session.Open({}));
    HWND dialog = OpenDialog(session, IDM_OPENKEY, "開く");
    ASSERT_TRUE(dialog);
    HWND key = GetDlgItem(dialog, IDC_OPENKEY_KEYPATH);
    HWND ok = GetDlgItem(dialog, IDOK);
    EXPECT_EQ(driver::GetText(ok), "開く");
    EXPECT_FALSE(IsWindowEnabled(ok)) << "OK starts disabled";

    const struct
    {
        const char *text;
        bool enabled;
    } cases[] = {
        {"hkcu", true},
        {"Software\\Microsoft", false},
        {"HKLM\\SOFTWARE", true},
        {"HKCU ", false},
        {" HKEY_USERS\\.DEFAULT", true},
        {"HKCU/Software", false},
        {"HKEY_CURRENT", false},
        {"\tHKCR", true},
        {"", false},
    };
    for (const auto &c : cases)
    {
        SetText(key, c.text);
        session.Settle();
        EXPECT_EQ(IsWindowEnabled(ok) != FALSE, c.enabled) << "key \"" << c.text << "\"";
    }

    // A root chosen from the root-key button in the empty field enables OK at once.
    ClickIn(key);
    Keys("alt+Right");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(session) != nullptr; }));
    Keys("Down Down Return");
    ASSERT_TRUE(WaitForMenuClosed(session));
    session.Settle();
    EXPECT_EQ(driver::GetText(key), "HKEY_LOCAL_MACHINE");
    EXPECT_TRUE(IsWindowEnabled(ok));

    // Cancel ends the dialog and leaves the memo alone.
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the window goes once hidden";
}

TEST(OpenKeyDialog, PastedPathsTakeTheStoredFormAndOkFollows)
{
    driver::Session session("openkey_paste");
    ASSERT_TRUE(session.Open({}));
    HWND dialog = OpenDialog(session, IDM_OPENKEY, "開く");
    ASSERT_TRUE(dialog);
    HWND key = GetDlgItem(dialog, IDC_OPENKEY_KEYPATH);
    HWND ok = GetDlgItem(dialog, IDOK);
    const struct
    {
        const char *pasted;
        bool replace;
        const char *field;
        bool enabled;
    } cases[] = {
        {"Registry::HKEY_CURRENT_USER\\Software", true, "HKEY_CURRENT_USER\\Software", true},
        {"\"Software\\Classes\"", true, "\"Software\\Classes\"", false}, // no root: as pasted
        {" HKLM:\\SOFTWARE ", true, "HKLM\\SOFTWARE", true},
        {"\\Classes]", false, "HKLM\\SOFTWARE\\Classes]", true}, // the rest of a key, added as it comes
    };
    for (const auto &c : cases)
    {
        ASSERT_TRUE(PasteWithCtrlV(key, c.pasted, c.replace));
        EXPECT_TRUE(WaitFor([&] { return driver::GetText(key) == c.field; }))
            << c.pasted << " gave " << driver::GetText(key);
        session.Settle();
        EXPECT_EQ(IsWindowEnabled(ok) != FALSE, c.enabled) << c.pasted;
    }
    driver::Screenshot(dialog, "open_key_dialog_pasted_path");
    // Ctrl+C in the field copies its text, as in any edit: the main window's shortcut is not taken here.
    SendMessageA(key, EM_SETSEL, 0, -1);
    Keys("ctrl+c");
    EXPECT_TRUE(WaitFor([&] { return driver::ClipboardText() == "HKLM\\SOFTWARE\\Classes]"; }));
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
}

class WithRegistryEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (FindWindowA("RegEdit_RegEdit", nullptr)) GTEST_SKIP() << "another Registry Editor is running";
        deepKey_ = MakeDeepKey();
        ASSERT_FALSE(deepKey_.empty());
    }
    void TearDown() override
    {
        view_.Close();
        DeleteKeyTree(HKEY_CURRENT_USER, kTestKey);
    }

    bool WaitForSelection(const std::string &keyName, DWORD timeoutMs = 20000)
    {
        return WaitFor([&] { return view_.Find() && view_.SelectedKeyName() == keyName; }, timeoutMs);
    }

    std::string deepKey_;
    RegistryEditorView view_;
};

TEST_F(WithRegistryEditor, OpensTypedKeysAndValues)
{
    driver::Session session("openkey_regedit");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "", false}}));
    const std::vector<uint8_t> memoBefore = driver::ReadFileBytes(session.memoPath());
    const std::string deepName = deepKey_.substr(deepKey_.rfind('\\') + 1);
    const std::string deepPath = "HKEY_CURRENT_USER\\" + deepKey_;
    ASSERT_GT(deepPath.size(), 256u) << "the key buffer must grow";

    // A value name of 300 bytes is opened with its first 255.
    HWND dialog = nullptr;
    ASSERT_TRUE(OpenThroughDialog(session, deepPath, std::string(300, 'v'), false, &dialog));
    ASSERT_TRUE(WaitFor([&] { return FindWindowA("RegEdit_RegEdit", nullptr) != nullptr; }, 15000));
    EXPECT_FALSE(IsWindow(dialog) && IsWindowVisible(dialog)) << "the dialog has ended before the key is opened";
    ASSERT_TRUE(WaitForSelection(deepName)) << "the whole long key path was read";
    // The dialog's window goes once the opening has returned.
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 20000));
    const int row = view_.SelectedRow();
    ASSERT_GE(row, 0);
    EXPECT_EQ(view_.RowText(row), std::string(255, 'v'));

    // Alt+Delete: the key itself, no value selected.
    const std::string parentPath = deepPath.substr(0, deepPath.rfind('\\'));
    ASSERT_TRUE(OpenThroughDialog(session, parentPath, "", true, &dialog));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 20000));
    EXPECT_EQ(view_.SelectedKeyName(), parentPath.substr(parentPath.rfind('\\') + 1));
    EXPECT_EQ(view_.SelectedRow(), -1) << "a key-only open selects no value";

    // An empty value name without the badge selects the default value, row 0.
    ASSERT_TRUE(OpenThroughDialog(session, " hkcu\\" + deepKey_, "", false, &dialog));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 20000));
    EXPECT_EQ(view_.SelectedKeyName(), deepName);
    EXPECT_EQ(view_.SelectedRow(), 0);

    EXPECT_EQ(driver::ReadFileBytes(session.memoPath()), memoBefore);
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|]") << "opening a key adds nothing to the memo";
}

TEST_F(WithRegistryEditor, CaptureFillsTheEntryDialog)
{
    driver::Session session("entry_capture");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "", false}}));
    const std::string deepPath = "HKEY_CURRENT_USER\\" + deepKey_;
    const std::string parentPath = deepPath.substr(0, deepPath.rfind('\\'));

    // The key alone, with the focus in the Registry Editor's tree.
    HWND dialog = nullptr;
    ASSERT_TRUE(OpenThroughDialog(session, parentPath, "", true, &dialog));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 20000));
    ASSERT_TRUE(WaitForSelection(parentPath.substr(parentPath.rfind('\\') + 1)));
    dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    SetText(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION), "kept");
    SetText(GetDlgItem(dialog, IDC_ENTRY_VALUENAME), "replaced");
    ClickIn(GetDlgItem(dialog, IDC_ENTRY_CAPTURE));
    WaitFor([&] { return driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH)) == parentPath; });
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH)), parentPath);
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_VALUENAME)), "");
    EXPECT_TRUE(Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE))) << "a captured key shows the badge";
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION)), "kept");
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));

    // A value, with the focus in the value list: the badge goes, the value name comes.
    ASSERT_TRUE(OpenThroughDialog(session, deepPath, "last", false, &dialog));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 20000));
    ASSERT_TRUE(WaitForSelection(deepPath.substr(deepPath.rfind('\\') + 1)));
    dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    ClickIn(GetDlgItem(dialog, IDC_ENTRY_VALUENAME));
    Keys("alt+Delete");
    ASSERT_TRUE(WaitFor([&] { return Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)); }));
    ClickIn(GetDlgItem(dialog, IDC_ENTRY_CAPTURE));
    WaitFor([&] { return driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH)) == deepPath; });
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH)), deepPath);
    EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_VALUENAME)), "last");
    EXPECT_FALSE(Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)));

    // Cancel after a capture leaves the memo as it was; OK after one stores what was captured.
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|]");
    dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    ClickIn(GetDlgItem(dialog, IDC_ENTRY_CAPTURE));
    session.Settle();
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    EXPECT_EQ(Describe(session.Saved()), "[|" + deepPath + "|last][E0|HKCU\\Software|]");
}

// A key path named on the command line is opened and the program ends: no window of its own, no
// settings file, and an exit code that says whether the key itself was reached.
TEST_F(WithRegistryEditor, KeyPathOnTheCommandLineOpensWithoutTheWindow)
{
    driver::Session session("openkey_command_line");
    HKEY classKey;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CLASSES_ROOT, ".tarmiktest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classKey, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(classKey);
    const std::string level1 =
        deepKey_.substr(strlen(kTestKey) + 1, deepKey_.find('\\', strlen(kTestKey) + 1) - strlen(kTestKey) - 1);
    const struct
    {
        std::string tail, selected;
        DWORD exitCode;
    } cases[] = {
        {"HKCU\\Software\\TarmikDialogTest\\" + level1, level1, 0},
        {"\"コンピューター\\HKEY_CURRENT_USER\\Software\\TarmikDialogTest\"", "TarmikDialogTest", 0},
        {"HKCU:\\Software", "Software", 0},
        {"\"[HKEY_CLASSES_ROOT\\.tarmiktest]\"", ".tarmiktest", 0},
        {"HKLM\\SOFTWARE\\Microsoft", "Microsoft", 0},
        {"HKCU\\Software\\TarmikDialogTest\\NoSuchKey", "TarmikDialogTest", 1},
    };
    for (const auto &c : cases)
    {
        ASSERT_TRUE(session.Start(c.tail)) << c.tail;
        bool windowMade = false;
        EXPECT_TRUE(WaitFor(
            [&] {
                windowMade = windowMade || driver::FindWindowOf(session.pid(), "Oskelund_Tarmik", nullptr, true);
                return WaitForSingleObject(session.program().process, 0) == WAIT_OBJECT_0;
            },
            30000))
            << c.tail;
        EXPECT_EQ(driver::WaitForExit(&session.program(), 0), c.exitCode) << c.tail;
        EXPECT_FALSE(windowMade) << c.tail;
        EXPECT_TRUE(WaitForSelection(c.selected, 5000)) << c.tail << " selected " << view_.SelectedKeyName();
        EXPECT_EQ(view_.SelectedRow(), -1) << c.tail << ": the key itself, no value";
        session.Stop();
    }
    EXPECT_FALSE(driver::FileExists(session.settingsPath()));
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".tarmiktest");

    // A file of a key's name is a memo as before.
    ASSERT_TRUE(driver::WriteFileBytes(session.Path("HKCU"), driver::MemoBytes({{"E", "HKCU\\Software", "", false}})));
    ASSERT_TRUE(session.Run("HKCU"));
    EXPECT_EQ(session.Count(), 2);
}

// Ctrl+G, then Enter: the clipboard's key path, in stored form, fills the key field selected whole.
TEST_F(WithRegistryEditor, CtrlGOffersTheClipboardsKey)
{
    driver::Session session("openkey_ctrl_g");
    ASSERT_TRUE(session.Open({}));
    const std::string keyPath = "HKEY_CURRENT_USER\\" + deepKey_.substr(0, deepKey_.find('\\', strlen(kTestKey) + 1));
    const auto openWithCtrlG = [&](const std::string &clipboard) -> HWND {
        if (!driver::SetClipboardText(clipboard)) return nullptr;
        // A click brings the window to the front after the Registry Editor had it.
        driver::ClickIn(session.list(), 0.5, 0.8);
        if (!WaitFor([&] { return GetForegroundWindow() == session.main(); })) return (HWND) nullptr;
        // The X input focus follows the click a moment later, and nothing here tells when: the key is
        // pressed again while no dialog came.
        for (int attempt = 0; attempt < 3; attempt++)
        {
            driver::Xdotool("key --delay 30 ctrl+g");
            if (HWND dialog = session.WaitForDialog("開く", true, 2000)) return dialog;
        }
        return (HWND) nullptr;
    };

    HWND dialog = openWithCtrlG("コンピューター\\" + keyPath + "\r\n");
    ASSERT_TRUE(dialog);
    HWND field = GetDlgItem(dialog, IDC_OPENKEY_KEYPATH);
    EXPECT_EQ(driver::GetText(field), keyPath);
    DWORD selStart = 1, selEnd = 0;
    SendMessageA(field, EM_GETSEL, (WPARAM)&selStart, (LPARAM)&selEnd);
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, keyPath.size());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    driver::Screenshot(dialog, "open_key_dialog_clipboard_key");
    driver::Xdotool("key Return");
    EXPECT_TRUE(WaitForSelection(keyPath.substr(keyPath.rfind('\\') + 1)));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 20000));
    // Without a window manager the X input focus can stay with the Registry Editor's window.
    view_.Close();

    // Typing replaces the offered path.
    dialog = openWithCtrlG(keyPath);
    ASSERT_TRUE(dialog);
    field = GetDlgItem(dialog, IDC_OPENKEY_KEYPATH);
    driver::Xdotool("type HKLM");
    EXPECT_TRUE(WaitFor([&] { return driver::GetText(field) == "HKLM"; })) << driver::GetText(field);
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

    // Other text leaves the field empty.
    for (const char *other : {"Software\\Microsoft", "HKCU is a root", "HKCU\\Software\r\nHKLM\\SOFTWARE"})
    {
        dialog = openWithCtrlG(other);
        ASSERT_TRUE(dialog) << other;
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_OPENKEY_KEYPATH)), "") << other;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << other;
        ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    }
}

static const char kFavoritesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites";

// The Favorites as the Registry Editor's menu lists them: name and data of each value, in the registry's order.
static std::vector<std::pair<std::string, std::string>> Favorites()
{
    std::vector<std::pair<std::string, std::string>> favorites;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return favorites;
    char name[512], data[1024];
    DWORD cchName = sizeof name, cbData = sizeof data, type;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &cchName, nullptr, &type, (BYTE *)data, &cbData) == ERROR_SUCCESS;
         i++, cchName = sizeof name, cbData = sizeof data)
        favorites.push_back({name, type == REG_SZ ? std::string(data) : std::string("(not a string)")});
    RegCloseKey(key);
    return favorites;
}

static int FavoriteIndex(const std::string &name)
{
    const auto favorites = Favorites();
    for (size_t i = 0; i < favorites.size(); i++)
        if (favorites[i].first == name) return (int)i;
    return -1;
}

// The Registry Editor's Favorites both ways: one added through its own menu comes into the memo; one added
// through tarmik is in its menu, and choosing it there selects the key.
TEST_F(WithRegistryEditor, FavoritesComeInAndGoOutInTheRegistryEditorsOwnForm)
{
    DeleteKeyTree(HKEY_CURRENT_USER, kFavoritesKey);
    driver::Session session("favorites");
    const std::string deepName = deepKey_.substr(deepKey_.rfind('\\') + 1);
    ASSERT_TRUE(session.Open({{"", "HKCU\\" + deepKey_, "", true}, {"E1", "Software\\Nowhere", "", true}}));
    const auto answerBox = [&](const std::string &text) {
        driver::MessageBoxInfo box;
        if (!session.Box(&box)) return false;
        EXPECT_EQ(box.text, text);
        return driver::PressButton(box.window, IDOK);
    };
    session.Post(IDM_IMPORTFAVORITES);
    ASSERT_TRUE(answerBox(
        "レジストリ エディタのお気に入りから 0 件を取り込みました。キーを指していない 0 件は取り込みませんでした。"));
    EXPECT_EQ(session.Count(), 3) << "no favorites, no entries";

    // Added through the Registry Editor's Favorites menu, with the name its dialog asks for.
    ASSERT_TRUE(OpenThroughDialog(session, "HKCU\\Software\\TarmikDialogTest", "", true));
    ASSERT_TRUE(WaitForSelection("TarmikDialogTest"));
    const DWORD kAddToFavorites = 32772, kFirstFavorite = 33000; // Wine's Registry Editor's commands
    PostMessageA(view_.window, WM_COMMAND, kAddToFavorites, 0);
    DWORD editorPid = 0;
    GetWindowThreadProcessId(view_.window, &editorPid);
    HWND add = driver::WaitForWindowOf(editorPid, "#32770", nullptr, 5000);
    ASSERT_TRUE(add);
    SetText(GetDlgItem(add, 2001), "Wine fav");
    ASSERT_TRUE(driver::PressButton(add, IDOK));
    ASSERT_TRUE(WaitFor([&] { return FavoriteIndex("Wine fav") >= 0; }));
    // Others as other systems and tools leave them: another top name, no string, no root key.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const char other[] = "マイ コンピュータ\\HKEY_LOCAL_MACHINE\\SOFTWARE", noRoot[] = "Computer\\Software\\x";
    const DWORD number = 1;
    RegSetValueExA(key, "マイ経由", 0, REG_SZ, (const BYTE *)other, sizeof other);
    RegSetValueExA(key, "number", 0, REG_DWORD, (const BYTE *)&number, sizeof number);
    RegSetValueExA(key, "no root", 0, REG_SZ, (const BYTE *)noRoot, sizeof noRoot);
    RegCloseKey(key);

    // Taken in above the selected row, in the menu's order, as one change.
    std::string expected = "[|HKCU\\" + deepKey_ + "||key]";
    for (const auto &favorite : Favorites())
    {
        if (favorite.first == "Wine fav") expected += "[Wine fav|HKEY_CURRENT_USER\\Software\\TarmikDialogTest||key]";
        if (favorite.first == "マイ経由") expected += "[マイ経由|HKEY_LOCAL_MACHINE\\SOFTWARE||key]";
    }
    expected += "[E1|Software\\Nowhere||key]";
    ASSERT_TRUE(session.SelectRow(1));
    session.Post(IDM_IMPORTFAVORITES);
    ASSERT_TRUE(answerBox(
        "レジストリ エディタのお気に入りから 2 件を取り込みました。キーを指していない 2 件は取り込みませんでした。"));
    EXPECT_EQ(Describe(session.Saved()), expected);
    driver::Screenshot(session.main(), "favorites_taken_in");

    // Added through tarmik under the key's last name, in the form Wine's Registry Editor writes (from the
    // root key on, without its top item's name); a name that holds another key gets a number; one that
    // holds the same key, in whatever form, is left as it is.
    ASSERT_FALSE(view_.TopName().empty());
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const char taken[] = "HKEY_CURRENT_USER\\Software";
    RegSetValueExA(key, deepName.c_str(), 0, REG_SZ, (const BYTE *)taken, sizeof taken);
    RegCloseKey(key);
    const size_t before = Favorites().size();
    for (int row : {0, 0, 1, 2})
    {
        ASSERT_TRUE(session.SelectRow(row));
        session.Send(IDM_ADDFAVORITE);
    }
    const int index = FavoriteIndex(deepName + " (2)");
    ASSERT_GE(index, 0);
    EXPECT_EQ(Favorites()[index].second, "HKEY_CURRENT_USER\\" + deepKey_);
    EXPECT_EQ(Favorites().size(), before + 1) << "Wine fav and マイ経由 hold their keys already";
    ASSERT_TRUE(session.SelectRow(3));
    session.Send(IDM_ADDFAVORITE);
    EXPECT_EQ(Favorites().size(), before + 1) << "an entry without a root key is not added";

    // Chosen in the Registry Editor's Favorites menu, it selects the key.
    PostMessageA(view_.window, WM_COMMAND, kFirstFavorite + index, 0);
    EXPECT_TRUE(WaitForSelection(deepName));
    DeleteKeyTree(HKEY_CURRENT_USER, kFavoritesKey);
}
