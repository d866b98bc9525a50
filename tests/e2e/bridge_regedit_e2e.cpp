// The real tarmik.exe takes the user to keys and values in Wine's own Registry Editor, which it starts
// itself through "regedit.exe", and captures what is selected there into the memo. Outcomes are read
// from the Registry Editor across the process boundary and from the memo file the program saves.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/e2e/dialog_session.h"
#include "tests/e2e/regedit_probe.h"
#include "tests/support/driver.h"

static const char kTestRoot[] = "Software\\TarmikBridgeTest";
static const char kLongRoot[] = "HKEY_CURRENT_USER\\Software\\TarmikBridgeTest";
static const char kSoft[] = "\x83\x5c\x83\x74\x83\x67"; // ソフト: its first character ends in 0x5C
const std::string kLongName(255, 'N');
static const char kNotFound[] = "レジストリ エディタが見つかりません。";

static void SetString(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
}

// Removes a key with everything below it.
static void DeleteTree(HKEY parent, const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[512];
    for (;;)
    {
        DWORD cch = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteTree(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path.c_str());
}

static HKEY CreateKey(const std::string &path)
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

// Wine's Registry Editors: the Windows folder's, and the 32-bit one that a 32-bit program finds first, in
// its system folder, and that hands over to the other.
const std::string kWineRegistryEditors[] = {"C:\\windows\\regedit.exe", "C:\\windows\\syswow64\\regedit.exe"};

// The keys the cases open, made in the test prefix before any Registry Editor reads the tree.
class TestKeys : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        regedit::CloseAll();
        DeleteTree(HKEY_CURRENT_USER, kTestRoot);
        std::string root = kTestRoot;
        HKEY key = CreateKey(root + "\\Values");
        SetString(key, "", "the default");
        SetString(key, "Alpha", "a");
        SetString(key, "Beta", "b");
        SetString(key, "Gamma", "c");
        RegCloseKey(key);
        RegCloseKey(CreateKey(root + "\\DefaultOnly"));
        key = CreateKey(root + "\\" + kSoft);
        SetString(key, "Kana", "k");
        RegCloseKey(key);
        std::string deep = root;
        for (int level = 1; level <= 8; level++) deep += "\\Deep" + std::to_string(level);
        key = CreateKey(deep);
        SetString(key, "Bottom", "8");
        RegCloseKey(key);
        key = CreateKey(root + "\\Many");
        for (int i = 0; i < 300; i++)
        {
            char name[16];
            snprintf(name, sizeof name, "Value%03d", i);
            SetString(key, name, name);
        }
        RegCloseKey(key);
        // Made relative to its parent: the system's ANSI calls take at most 255 characters of path.
        HKEY parent = CreateKey(root);
        HKEY longKey = nullptr;
        RegCreateKeyExA(parent, kLongName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &longKey, nullptr);
        RegCloseKey(longKey);
        RegCloseKey(parent);
        RestoreRegistryEditor();
    }
    void TearDown() override
    {
        regedit::CloseAll();
        DeleteTree(HKEY_CURRENT_USER, kTestRoot);
        RestoreRegistryEditor();
    }
    // Puts Wine's Registry Editor back where a case that hid it may have left it.
    static void RestoreRegistryEditor()
    {
        for (const std::string &path : kWineRegistryEditors)
        {
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
                MoveFileA((path + ".away").c_str(), path.c_str());
        }
    }
};
static const auto *const testKeys = ::testing::AddGlobalTestEnvironment(new TestKeys);

// The settings file beside the program, with the two options of the bridge.
static std::vector<uint8_t> SettingsBytes(bool expandSelectedKey, bool openValueEditor)
{
    std::vector<uint8_t> bytes(352, 0);
    bytes[0] = 1;
    memcpy(&bytes[48], "TMK", 3);
    bytes[325] = expandSelectedKey;
    bytes[326] = openValueEditor;
    return bytes;
}

// tarmik.exe (of this build, or the `program` given) with the bridge's two options in its settings file, the
// stand-in Registry Editor beside it when asked, and a memo of `entries` named on its command line.
class Tarmik : public driver::Session
{
  public:
    Tarmik(const std::string &name, const std::vector<driver::Entry> &entries, bool expandSelectedKey = false,
           bool openValueEditor = false, bool withStandin = false, const char *standinMode = "",
           const std::string &program = "")
        : Session(name)
    {
        WriteSettings(SettingsBytes(expandSelectedKey, openValueEditor));
        if (!program.empty()) CopyFileA(program.c_str(), exe().c_str(), FALSE);
        if (withStandin)
        {
            CopyFileA((driver::BuildDir() + "\\tests\\e2e\\standin_regedit.exe").c_str(), Path("regedit.exe").c_str(),
                      FALSE);
            std::string mode = standinMode;
            driver::WriteFileBytes(Path("regedit.mode"), std::vector<uint8_t>(mode.begin(), mode.end()));
        }
        ok_ = Open(entries);
    }
    bool ok() const
    {
        return ok_;
    }

    void OpenRow(int row)
    {
        EXPECT_TRUE(SelectRow(row));
        Send(IDM_OPENENTRY);
    }

    // Whether closing asks about unsaved changes; the question is cancelled.
    bool AsksToSave()
    {
        PostMessageA(main(), WM_CLOSE, 0, 0);
        driver::MessageBoxInfo box;
        if (!Box(&box, 3000)) return false;
        driver::PressButton(box.window, IDCANCEL, 3000);
        return true;
    }

  private:
    bool ok_ = false;
};

static std::vector<std::string> Keys(const std::vector<driver::Entry> &entries)
{
    std::vector<std::string> out;
    for (const driver::Entry &entry : entries)
        out.push_back(entry.keyPath + "|" + entry.valueName + "|" + (entry.keyOnly ? "1" : "0"));
    return out;
}

static bool RowVisible(HWND list, int row)
{
    int top = (int)SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
    int perPage = (int)SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
    return row >= top && row < top + perPage;
}

// Whether top-level window `upper` stands before `lower` in the z-order.
static bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
    {
        if (window == upper) return true;
        if (window == lower) return false;
    }
    return false;
}

struct OpenCase
{
    const char *name;
    driver::Entry entry;
    std::string selectedKey; // the tree's selection afterwards
    std::vector<int> rows;   // selected value rows afterwards
    bool focusInList;
};

TEST(BridgeRegedit, OpensKeysAndValuesInWinesRegistryEditorThatItStartsItself)
{
    const std::string root = kLongRoot;
    const std::vector<OpenCase> cases = {
        {"root long name, key and its default value",
         {"", "HKEY_LOCAL_MACHINE\\Software\\Classes", "", false},
         "HKEY_LOCAL_MACHINE\\Software\\Classes",
         {0},
         true},
        {"short root name in small letters",
         {"", "hklm\\software", "", true},
         "HKEY_LOCAL_MACHINE\\Software",
         {},
         false},
        {"leading blanks and tabs",
         {"", " \t HKCU\\Software\\TarmikBridgeTest\\Values", "Beta", false},
         root + "\\Values",
         {2},
         true},
        {"named value in other letter case",
         {"", "HKCU\\Software\\TarmikBridgeTest\\Values", "gamma", false},
         root + "\\Values",
         {3},
         true},
        {"missing last key", {"", "HKLM\\SOFTWARE\\NoSuchKey", "", false}, "HKEY_LOCAL_MACHINE\\Software", {}, false},
        {"first component names no root", {"", "HKXX\\SOFTWARE", "", false}, "", {}, false},
        {"trailing separator names the key before it",
         {"", "HKCU\\Software\\TarmikBridgeTest\\Values\\", "Alpha", false},
         root + "\\Values",
         {1},
         true},
        {"doubled separators are one",
         {"", "HKCU\\\\Software\\TarmikBridgeTest\\\\Values\\\\", "Beta", false},
         root + "\\Values",
         {2},
         true},
        {"absent value",
         {"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Delta", false},
         root + "\\Values",
         {},
         false},
        {"the default value's shown name is no value name",
         {"", "HKCU\\Software\\TarmikBridgeTest\\Values", "(\x8a\xf9\x92\xe8)", false},
         root + "\\Values",
         {},
         false},
        {"only a default value",
         {"", "HKCU\\Software\\TarmikBridgeTest\\DefaultOnly", "Alpha", false},
         root + "\\DefaultOnly",
         {},
         false},
        {"key with a backslash trail byte",
         {"", std::string("HKCU\\Software\\TarmikBridgeTest\\") + kSoft, "Kana", false},
         root + "\\" + kSoft,
         {1},
         true},
        {"eight levels deep",
         {"", "HKCU\\Software\\TarmikBridgeTest\\Deep1\\Deep2\\Deep3\\Deep4\\Deep5\\Deep6\\Deep7\\Deep8", "Bottom",
          false},
         root + "\\Deep1\\Deep2\\Deep3\\Deep4\\Deep5\\Deep6\\Deep7\\Deep8",
         {1},
         true},
        {"last of 300 values",
         {"", "HKCU\\Software\\TarmikBridgeTest\\Many", "Value299", false},
         root + "\\Many",
         {300},
         true},
        {"key name of 255 bytes",
         {"", "HKCU\\Software\\TarmikBridgeTest\\" + kLongName, "", true},
         root + "\\" + kLongName,
         {},
         false},
    };
    std::vector<driver::Entry> entries;
    for (const OpenCase &c : cases) entries.push_back(c.entry);

    regedit::CloseAll();
    Tarmik tarmik("bridge_open", entries);
    ASSERT_TRUE(tarmik.ok());
    DWORD editorPid = 0;
    for (size_t i = 0; i < cases.size(); i++)
    {
        SCOPED_TRACE(cases[i].name);
        std::string keyPathBefore = entries[i].keyPath;
        tarmik.OpenRow((int)i);
        regedit::Editor editor = regedit::Find();
        ASSERT_TRUE(editor.tree) << "the program started Wine's Registry Editor";
        if (!editorPid) editorPid = editor.pid;
        EXPECT_EQ(editor.pid, editorPid) << "the running Registry Editor is used again";
        EXPECT_EQ(regedit::SelectedPath(editor), cases[i].selectedKey);
        EXPECT_EQ(regedit::SelectedRows(editor.list), cases[i].rows);
        EXPECT_EQ(regedit::Focus(editor), cases[i].focusInList ? editor.list : editor.tree);
        if (!cases[i].rows.empty())
        {
            EXPECT_EQ(regedit::FocusedRow(editor.list), cases[i].rows[0]);
            EXPECT_TRUE(RowVisible(editor.list, cases[i].rows[0]));
        }
        EXPECT_FALSE(regedit::ValueEditor(editor));
        driver::MessageBoxInfo box;
        EXPECT_FALSE(driver::WaitForMessageBox(tarmik.pid(), &box, 0)) << box.text;
        if (i == 0 || cases[i].rows == std::vector<int>{300} || cases[i].selectedKey.empty())
            driver::Screenshot(editor.window, "bridge_open_case_" + std::to_string(i));
    }

    // The entries' key paths are as they were, the in-place splitting undone.
    std::vector<driver::Entry> saved = tarmik.Saved();
    ASSERT_EQ(saved.size(), entries.size());
    for (size_t i = 0; i < entries.size(); i++) EXPECT_EQ(saved[i].keyPath, entries[i].keyPath);
}

TEST(BridgeRegedit, AlreadySelectedKeyLosesItsOldMarksAndAMinimisedEditorComesBack)
{
    Tarmik tarmik("bridge_reselect", {{"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Alpha", false}});
    ASSERT_TRUE(tarmik.ok());
    tarmik.OpenRow(0);
    regedit::Editor editor = regedit::WaitFor();
    ASSERT_TRUE(editor.list);
    regedit::SelectRows(editor.list, {2, 3});
    ShowWindow(editor.window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(editor.window));

    tarmik.OpenRow(0);
    EXPECT_FALSE(IsIconic(editor.window));
    EXPECT_TRUE(IsAbove(editor.window, tarmik.main())) << "brought to the front";
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{1});
    EXPECT_EQ(regedit::FocusedRow(editor.list), 1);
    driver::Screenshot(editor.window, "bridge_reselected_value");
}

TEST(BridgeRegedit, KeyOnlyOpenExpandsTheKeyOnlyWhenSetToAndEnterOpensTheValueEditor)
{
    const std::vector<driver::Entry> entries = {
        {"", "HKCU\\Software\\TarmikBridgeTest\\Deep1", "", true},
        {"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Beta", false},
        {"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Delta", false},
    };
    for (bool expand : {false, true})
    {
        SCOPED_TRACE(expand ? "expandSelectedKey set" : "expandSelectedKey clear");
        Tarmik tarmik(expand ? "bridge_expand" : "bridge_noexpand", entries, expand, true);
        ASSERT_TRUE(tarmik.ok());
        regedit::Editor editor = regedit::Find();
        if (editor.tree)
        {
            HTREEITEM deep1 =
                regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software", "TarmikBridgeTest", "Deep1"});
            ASSERT_TRUE(deep1);
            regedit::Collapse(editor.tree, deep1);
        }
        tarmik.OpenRow(0);
        editor = regedit::WaitFor();
        ASSERT_TRUE(editor.tree);
        HTREEITEM deep1 = regedit::Item(editor.tree, TVGN_CARET);
        EXPECT_EQ(regedit::ItemPath(editor.tree, deep1), std::string(kLongRoot) + "\\Deep1");
        EXPECT_EQ(regedit::IsExpanded(editor.tree, deep1), expand);
        EXPECT_EQ(regedit::Focus(editor), editor.tree);
        EXPECT_FALSE(regedit::WaitForValueEditor(editor, 500)) << "a key-only open never presses Enter";

        tarmik.OpenRow(2);
        EXPECT_FALSE(regedit::WaitForValueEditor(editor, 500)) << "no row selected, no Enter";

        tarmik.OpenRow(1);
        HWND valueEditor = regedit::WaitForValueEditor(editor);
        ASSERT_TRUE(valueEditor) << "Enter in the value list opens the value's editor; rows selected "
                                 << regedit::SelectedRows(editor.list).size() << ", focus in the list "
                                 << (regedit::Focus(editor) == editor.list);
        driver::Screenshot(valueEditor, expand ? "bridge_value_editor_2" : "bridge_value_editor_1");
        regedit::CloseValueEditors(editor);
    }
}

TEST(BridgeRegedit, DoubleClickOpensOnlyEntriesWithARootKeyPath)
{
    Tarmik tarmik("bridge_double_click", {{"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Gamma", false},
                                          {"", "Software\\TarmikBridgeTest\\Values", "Alpha", false}});
    ASSERT_TRUE(tarmik.ok());
    tarmik.Send(IDM_STARTREGEDIT);
    regedit::Editor editor = regedit::WaitFor();
    ASSERT_TRUE(editor.list);
    regedit::Select(editor.tree, regedit::Item(editor.tree, TVGN_ROOT));
    HWND list = tarmik.list();
    auto doubleClick = [&](int row) {
        // Out of the way of the pointer; opening restores it.
        ShowWindow(editor.window, SW_MINIMIZE);
        SetForegroundWindow(tarmik.main());
        driver::Settle(driver::Program{nullptr, tarmik.pid(), tarmik.main()});
        RECT cell = driver::ListSubItemRect(list, row, 0);
        POINT point = {cell.left + 20, (cell.top + cell.bottom) / 2};
        ClientToScreen(list, &point);
        driver::Xdotool("mousemove " + std::to_string(point.x) + " " + std::to_string(point.y) + " click --repeat 2 1");
    };
    // The program answers messages sent to it while it drives the Registry Editor, so the outcome is
    // waited for rather than a round trip.
    auto opened = [&](DWORD timeoutMs) {
        return driver::WaitFor([&] { return regedit::SelectedRows(editor.list) == std::vector<int>{3}; }, timeoutMs);
    };
    doubleClick(1);
    EXPECT_FALSE(opened(1000)) << "no root key: opening stays disabled";
    EXPECT_EQ(regedit::SelectedPath(editor), "");
    doubleClick(0);
    EXPECT_TRUE(opened(5000));
    EXPECT_EQ(regedit::SelectedPath(editor), std::string(kLongRoot) + "\\Values");
}

// The Registry Editor reads a key's children and values once; what changed since is looked for again.
TEST(BridgeRegedit, KeysAndValuesChangedAfterTheEditorShowedThemAreFoundAsTheyAreNow)
{
    const std::string root = kLongRoot, below = kTestRoot;
    Tarmik tarmik("bridge_stale", {{"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Alpha", false},
                                   {"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Later", false},
                                   {"", "HKCU\\Software\\TarmikBridgeTest\\GoesAway", "", true},
                                   {"", "HKCU\\Software\\TarmikBridgeTest\\MadeLater", "Made", false}});
    ASSERT_TRUE(tarmik.ok());
    RegCloseKey(CreateKey(below + "\\GoesAway"));
    tarmik.OpenRow(2);
    regedit::Editor editor = regedit::WaitFor();
    ASSERT_TRUE(editor.tree);
    EXPECT_EQ(regedit::SelectedPath(editor), root + "\\GoesAway");

    // All there at first: nothing is listed anew, so a branch the user opened stays open.
    HTREEITEM deep2 =
        regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software", "TarmikBridgeTest", "Deep1", "Deep2"});
    ASSERT_TRUE(deep2);
    HTREEITEM deep1 = regedit::Item(editor.tree, TVGN_PARENT, deep2);
    tarmik.OpenRow(0);
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{1});
    EXPECT_TRUE(regedit::IsExpanded(editor.tree, deep1));

    HKEY key = CreateKey(below + "\\Values");
    SetString(key, "Later", "l");
    RegCloseKey(key);
    tarmik.OpenRow(1);
    std::vector<int> rows = regedit::SelectedRows(editor.list);
    ASSERT_EQ(rows.size(), 1u) << "a value made while its key was selected";
    EXPECT_EQ(regedit::RowText(editor.list, rows[0]), "Later");
    EXPECT_EQ(regedit::Focus(editor), editor.list);

    DeleteTree(HKEY_CURRENT_USER, below + "\\GoesAway");
    tarmik.OpenRow(2);
    EXPECT_EQ(regedit::SelectedPath(editor), root) << "a key deleted after it was shown";
    EXPECT_EQ(regedit::Focus(editor), editor.tree);
    EXPECT_FALSE(regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software", "TarmikBridgeTest", "GoesAway"}));

    key = CreateKey(below + "\\MadeLater");
    SetString(key, "Made", "m");
    RegCloseKey(key);
    tarmik.OpenRow(3);
    EXPECT_EQ(regedit::SelectedPath(editor), root + "\\MadeLater") << "a key made after its parent was shown";
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{1});
    driver::Screenshot(editor.window, "bridge_made_later");

    DeleteTree(HKEY_CURRENT_USER, below + "\\MadeLater");
    key = CreateKey(below + "\\Values");
    RegDeleteValueA(key, "Later");
    RegCloseKey(key);
}

// Among many siblings the walk goes to the row where the registry puts the key, and takes it only when
// the text and the parent there are right: a tree that orders or shows its rows otherwise is read through.
TEST(BridgeRegedit, AKeyAmongManySiblingsIsFoundWhereverTheTreeShowsIt)
{
    const std::string wide = std::string(kTestRoot) + "\\Wide";
    for (int i = 0; i < 40; i++) RegCloseKey(CreateKey(wide + "\\Sub" + (i < 10 ? "0" : "") + std::to_string(i)));
    RegCloseKey(CreateKey(wide + "\\Sub2-5")); // the registry puts it before Sub20, the tree after Sub25
    RegCloseKey(CreateKey(wide + "\\Sub10\\Sub11"));
    Tarmik tarmik("bridge_siblings", {{"", "HKCU\\Software\\TarmikBridgeTest\\Wide\\Sub39", "", true},
                                      {"", "HKCU\\Software\\TarmikBridgeTest\\Wide\\sub2-5", "", true},
                                      {"", "HKCU\\Software\\TarmikBridgeTest\\Wide\\Sub11", "", true}});
    ASSERT_TRUE(tarmik.ok());
    tarmik.OpenRow(0);
    regedit::Editor editor = regedit::WaitFor();
    ASSERT_TRUE(editor.tree);
    const std::string root = std::string(kLongRoot) + "\\Wide";
    EXPECT_EQ(regedit::SelectedPath(editor), root + "\\Sub39");
    tarmik.OpenRow(1);
    EXPECT_EQ(regedit::SelectedPath(editor), root + "\\Sub2-5");
    // Sub10 expanded puts its own Sub11 in the row where the sibling Sub11 would stand.
    ASSERT_TRUE(regedit::FindPath(editor.tree,
                                  {"HKEY_CURRENT_USER", "Software", "TarmikBridgeTest", "Wide", "Sub10", "Sub11"}));
    tarmik.OpenRow(2);
    EXPECT_EQ(regedit::SelectedPath(editor), root + "\\Sub11");
    driver::Screenshot(editor.window, "bridge_many_siblings");
    DeleteTree(HKEY_CURRENT_USER, wide);
}

TEST(BridgeRegedit, CaptureAddsTheKeyOrTheSelectedValuesAboveTheSelectedRow)
{
    regedit::Editor editor = regedit::Find();
    Tarmik tarmik("bridge_capture", {{"first", "HKCU", "", true}, {"second", "HKLM", "", true}});
    ASSERT_TRUE(tarmik.ok());
    if (!editor.tree)
    {
        tarmik.Send(IDM_STARTREGEDIT);
        editor = regedit::WaitFor();
    }
    ASSERT_TRUE(editor.list);
    const std::string values = std::string(kLongRoot) + "\\Values";

    // The key alone, from the tree, with its root's long name.
    regedit::Select(editor.tree,
                    regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software", "TarmikBridgeTest", "Values"}));
    regedit::FocusControl(editor, editor.tree);
    ASSERT_TRUE(tarmik.SelectRow(1));
    tarmik.Send(IDM_CAPTURE);

    // Rows 0 and 2 of the value list: the default value, then Beta.
    regedit::SelectRows(editor.list, {0, 2});
    regedit::FocusControl(editor, editor.list);
    tarmik.Send(IDM_CAPTURE);

    // The list has the focus but no row is selected: nothing.
    regedit::SelectRows(editor.list, {});
    tarmik.Send(IDM_CAPTURE);

    // A path beyond 255 bytes is built whole.
    regedit::Select(editor.tree,
                    regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software", "TarmikBridgeTest", kLongName}));
    regedit::FocusControl(editor, editor.tree);
    ASSERT_TRUE(tarmik.SelectRow(5)); // the end row
    tarmik.Send(IDM_CAPTURE);

    EXPECT_EQ(Keys(tarmik.Saved()), (std::vector<std::string>{
                                        "HKCU||1",
                                        values + "||1",
                                        values + "||0",
                                        values + "|Beta|0",
                                        "HKLM||1",
                                        std::string(kLongRoot) + "\\" + kLongName + "||1",
                                    }));

    // Each capture is one step, however many values it took in: two undos take back the long path and
    // the two values, and the row concerned is selected.
    tarmik.Send(IDM_UNDO);
    tarmik.Send(IDM_UNDO);
    EXPECT_EQ(tarmik.Selected(), 2);
    EXPECT_EQ(Keys(tarmik.Saved()), (std::vector<std::string>{"HKCU||1", values + "||1", "HKLM||1"}));
    tarmik.Send(IDM_REDO);
    EXPECT_EQ(tarmik.Selected(), 2);
    EXPECT_EQ(Keys(tarmik.Saved()),
              (std::vector<std::string>{"HKCU||1", values + "||1", values + "||0", values + "|Beta|0", "HKLM||1"}));
}

TEST(BridgeRegedit, CaptureWithoutARegistryEditorAddsNothingAndChangesNothing)
{
    regedit::CloseAll();
    Tarmik tarmik("bridge_capture_none", {{"only", "HKCU", "", true}});
    ASSERT_TRUE(tarmik.ok());
    tarmik.Send(IDM_CAPTURE);
    EXPECT_FALSE(regedit::Find().window) << "capture never starts the Registry Editor";
    driver::MessageBoxInfo box;
    EXPECT_FALSE(driver::WaitForMessageBox(tarmik.pid(), &box, 0)) << box.text;
    EXPECT_EQ(tarmik.Count(), 2);
    EXPECT_FALSE(tarmik.AsksToSave()) << "closing asks nothing";
}

TEST(BridgeRegedit, MissingRegistryEditorIsReportedOnce)
{
    regedit::CloseAll();
    for (const std::string &path : kWineRegistryEditors)
    {
        if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            ASSERT_TRUE(MoveFileA(path.c_str(), (path + ".away").c_str())) << path;
        }
    }
    {
        Tarmik tarmik("bridge_missing", {{"", "HKCU\\Software", "", true}});
        ASSERT_TRUE(tarmik.ok());
        ASSERT_TRUE(tarmik.SelectRow(0));
        PostMessageA(tarmik.main(), WM_COMMAND, IDM_OPENENTRY, 0);
        driver::MessageBoxInfo box;
        ASSERT_TRUE(driver::WaitForMessageBox(tarmik.pid(), &box, 5000));
        EXPECT_EQ(box.text, kNotFound);
        EXPECT_EQ(box.caption, "タルミク");
        driver::Screenshot(box.window, "bridge_regedit_missing");
        driver::PressButton(box.window, IDOK);
        Sleep(300);
        EXPECT_FALSE(driver::WaitForMessageBox(tarmik.pid(), &box, 500)) << "exactly one message";
        EXPECT_FALSE(regedit::Find().window);
    }
    TestKeys::RestoreRegistryEditor();
}

// The stand-in Registry Editor beside the program covers what Wine's cannot do.
TEST(BridgeStandin, LateWindowIsFoundAndNeverAWindowIsGivenUpSilently)
{
    regedit::CloseAll();
    {
        Tarmik tarmik("bridge_standin_late", {}, false, false, true, "late");
        ASSERT_TRUE(tarmik.ok());
        tarmik.Send(IDM_STARTREGEDIT);
        regedit::Editor editor = regedit::Find();
        ASSERT_TRUE(editor.window);
        EXPECT_EQ(driver::GetText(editor.window), "Stand-in Registry Editor");
        driver::MessageBoxInfo box;
        EXPECT_FALSE(driver::WaitForMessageBox(tarmik.pid(), &box, 0)) << box.text;
    }
    regedit::CloseAll();
    {
        Tarmik tarmik("bridge_standin_never", {}, false, false, true, "never");
        ASSERT_TRUE(tarmik.ok());
        DWORD start = GetTickCount();
        tarmik.Send(IDM_STARTREGEDIT);
        EXPECT_GE(GetTickCount() - start, 10000u);
        driver::MessageBoxInfo box;
        EXPECT_FALSE(driver::WaitForMessageBox(tarmik.pid(), &box, 300)) << box.text;
        std::vector<uint8_t> pidText = driver::ReadFileBytes(tarmik.folder() + "\\regedit.pid");
        pidText.push_back(0);
        HANDLE standin =
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, strtoul((const char *)pidText.data(), nullptr, 10));
        ASSERT_TRUE(standin);
        EXPECT_EQ(WaitForSingleObject(standin, 0), (DWORD)WAIT_TIMEOUT) << "left running";
        TerminateProcess(standin, 0);
        WaitForSingleObject(standin, 5000);
        CloseHandle(standin);
    }
}

TEST(BridgeStandin, NoValueListEndsSilentlyAndLongItemTextsAreCut)
{
    regedit::CloseAll();
    {
        Tarmik tarmik("bridge_standin_nolist", {{"", "HKCU\\Software\\Standin", "", true}}, false, false, true,
                      "nolist");
        ASSERT_TRUE(tarmik.ok());
        tarmik.OpenRow(0);
        regedit::Editor editor = regedit::Find();
        ASSERT_TRUE(editor.window);
        HWND tree = FindWindowExA(editor.window, nullptr, "SysTreeView32", nullptr);
        ASSERT_TRUE(tree);
        EXPECT_EQ(regedit::ItemPath(tree, regedit::Item(tree, TVGN_CARET)), "") << "the tree was not walked";
        driver::MessageBoxInfo box;
        EXPECT_FALSE(driver::WaitForMessageBox(tarmik.pid(), &box, 0)) << box.text;
    }
    regedit::CloseAll();
    {
        Tarmik tarmik("bridge_standin_long", {}, false, false, true, "");
        ASSERT_TRUE(tarmik.ok());
        tarmik.Send(IDM_STARTREGEDIT);
        regedit::Editor editor = regedit::WaitFor();
        ASSERT_TRUE(editor.tree);
        HTREEITEM hkcu = regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER"});
        HTREEITEM item = regedit::Item(editor.tree, TVGN_CHILD, hkcu);
        while (item && regedit::ItemText(editor.tree, item).size() < 255)
            item = regedit::Item(editor.tree, TVGN_NEXT, item);
        ASSERT_TRUE(item);
        regedit::Select(editor.tree, item);
        regedit::FocusControl(editor, editor.tree);
        tarmik.Send(IDM_CAPTURE);
        EXPECT_EQ(Keys(tarmik.Saved()),
                  std::vector<std::string>{"HKEY_CURRENT_USER\\" + std::string(255, 'L') + "||1"});
    }
    regedit::CloseAll();
}

// Private one-page allocations of their own in a process, as a bridge buffer is. Of a wider process only
// the addresses this one can name are walked: a region reaching past them ends the walk.
static int OnePageAllocations(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    int count = 0;
    MEMORY_BASIC_INFORMATION region;
    for (ULONG_PTR at = 0; process && VirtualQueryEx(process, (void *)at, &region, sizeof region) == sizeof region;)
    {
        count += region.State == MEM_COMMIT && region.Type == MEM_PRIVATE && region.RegionSize == 4096 &&
                 region.AllocationBase == region.BaseAddress;
        const ULONG_PTR next = (ULONG_PTR)region.BaseAddress + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    if (process) CloseHandle(process);
    return count;
}

// After a command was posted: exactly one message, `text`, owned by `owner`, and nothing held in the
// Registry Editor while it is shown.
static void ExpectOneMessage(DWORD pid, HWND owner, const char *text, const std::string &screenshot)
{
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(pid, &box, 15000));
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "タルミク");
    EXPECT_EQ(driver::MessageBoxIcon(box.window), driver::Icon::Question);
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), owner);
    DWORD editorPid = regedit::Find().pid;
    int held = OnePageAllocations(editorPid);
    driver::Screenshot(box.window, screenshot);
    driver::PressButton(box.window, IDOK);
    EXPECT_FALSE(driver::WaitForMessageBox(pid, &box, 500)) << "a second message: " << box.text;
    EXPECT_EQ(held, OnePageAllocations(editorPid)) << "a buffer was held in the Registry Editor";
}

TEST(BridgeRegedit, RegistryEditorBusyWithAValueEditorIsNotDriven)
{
    Tarmik tarmik("bridge_busy",
                  {{"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Beta", false},
                   {"", "HKCU\\Software\\TarmikBridgeTest\\Many", "Value001", false}},
                  false, true);
    ASSERT_TRUE(tarmik.ok());
    tarmik.OpenRow(0);
    regedit::Editor editor = regedit::WaitFor();
    ASSERT_TRUE(editor.list);
    HWND valueEditor = regedit::WaitForValueEditor(editor);
    ASSERT_TRUE(valueEditor);
    const std::string shown = regedit::SelectedPath(editor);
    const std::vector<int> rows = regedit::SelectedRows(editor.list);

    ASSERT_TRUE(tarmik.SelectRow(1));
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_OPENENTRY, 0);
    ExpectOneMessage(tarmik.pid(), tarmik.main(), kBusy, "bridge_busy_open");
    EXPECT_TRUE(driver::WaitFor([&] { return GetForegroundWindow() == valueEditor; })) << "its dialog in front";
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_CAPTURE, 0);
    ExpectOneMessage(tarmik.pid(), tarmik.main(), kBusy, "bridge_busy_capture");
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_ADD, 0);
    HWND entryDialog = driver::WaitForWindowOf(tarmik.pid(), "#32770", "追加");
    ASSERT_TRUE(entryDialog);
    PostMessageA(GetDlgItem(entryDialog, IDC_ENTRY_CAPTURE), BM_CLICK, 0, 0);
    ExpectOneMessage(tarmik.pid(), entryDialog, kBusy, "bridge_busy_entry_dialog");
    driver::PressButton(entryDialog, IDCANCEL);

    EXPECT_EQ(regedit::SelectedPath(editor), shown);
    EXPECT_EQ(regedit::SelectedRows(editor.list), rows);
    // The value editor writes what it shows, where it was opened, and nothing lands on the other key.
    ASSERT_TRUE(driver::PressButton(valueEditor, IDOK));
    const std::string root = kTestRoot;
    char data[16] = "";
    DWORD cbData = sizeof data;
    EXPECT_EQ(
        RegGetValueA(HKEY_CURRENT_USER, (root + "\\Values").c_str(), "Beta", RRF_RT_REG_SZ, nullptr, data, &cbData),
        ERROR_SUCCESS);
    EXPECT_STREQ(data, "b");
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, (root + "\\Many").c_str(), "Beta", RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(regedit::SelectedPath(editor), shown);
    EXPECT_EQ(Keys(tarmik.Saved()).size(), 2u) << "nothing captured";
}

#ifdef _WIN64
// Two widths on one system, in this 64-bit prefix with Wine's 32-bit half: the 64-bit build meets the
// 32-bit stand-in, placed beside it where "regedit.exe" is found first, and the 32-bit build meets Wine's
// own Registry Editor, which is 64-bit even when started as the 32-bit program. Both come from the 32-bit
// build beside this one.
static std::string ThirtyTwoBitProgram(const char *path)
{
    return driver::BuildDir() + "\\..\\win32\\" + path;
}

// What a walk would change, read with messages that carry no record and so across widths: the tree's
// item count (keys are read in when first expanded), whether its first root item is selected, the value
// list's row count and selected rows.
static std::vector<LRESULT> EditorState(const regedit::Editor &editor)
{
    std::vector<LRESULT> state = {SendMessageA(editor.tree, TVM_GETCOUNT, 0, 0),
                                  regedit::Item(editor.tree, TVGN_CARET) == regedit::Item(editor.tree, TVGN_ROOT),
                                  regedit::RowCount(editor.list)};
    for (int row : regedit::SelectedRows(editor.list)) state.push_back(row);
    return state;
}

#define SKIP_UNLESS_32_BIT_PROGRAMS_RUN(program)                                                                       \
    if (GetFileAttributesA("C:\\windows\\syswow64\\kernel32.dll") == INVALID_FILE_ATTRIBUTES)                          \
        GTEST_SKIP() << "this machine does not run 32-bit programs: the prefix has no 32-bit half";                    \
    if (GetFileAttributesA((program).c_str()) == INVALID_FILE_ATTRIBUTES)                                              \
    GTEST_SKIP() << "no 32-bit build beside this one: " << (program)

// The refusal as the user meets it: the Registry Editor started by the open command and refused, the message
// in front of it; then, running, each command that looks at it, from the main window and the dialogs.
static void ExpectRefusedStartedOrRunning(Tarmik &tarmik, const char *message, const std::string &shots)
{
    ASSERT_TRUE(tarmik.SelectRow(0));
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_OPENENTRY, 0);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(tarmik.pid(), &box, 15000));
    regedit::Editor editor = regedit::Find();
    ASSERT_TRUE(editor.tree);
    // In front once both programs have done what they were doing, and still once the editor's start is
    // long over: under X it may take the front back a moment after the message appeared.
    regedit::Settle(editor);
    tarmik.Settle();
    Sleep(3500);
    EXPECT_TRUE(IsAbove(box.window, editor.window)) << "the message behind the Registry Editor it refuses";
    EXPECT_EQ(GetForegroundWindow(), box.window) << "the message not active";
    ExpectOneMessage(tarmik.pid(), tarmik.main(), message, shots + "_started");
    const std::vector<LRESULT> started = EditorState(editor);

    // As it starts by itself, through the start command, which needs nothing of it.
    regedit::CloseAll();
    tarmik.Send(IDM_STARTREGEDIT);
    editor = regedit::WaitFor();
    ASSERT_TRUE(editor.tree);
    regedit::Settle(editor);
    EXPECT_EQ(started, EditorState(editor)) << "the started one was left as it starts";
    const std::vector<LRESULT> before = EditorState(editor);
    // Another process's activation is carried out when that process gets to it.
    SetForegroundWindow(tarmik.main());
    regedit::Settle(editor);
    tarmik.Settle();
    ASSERT_TRUE(driver::WaitFor([&] { return GetForegroundWindow() == tarmik.main(); }));
    const HWND focus = regedit::Focus(editor);
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_OPENENTRY, 0);
    ExpectOneMessage(tarmik.pid(), tarmik.main(), message, shots + "_running");
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_CAPTURE, 0);
    ExpectOneMessage(tarmik.pid(), tarmik.main(), message, shots + "_capture");
    // The open-key dialog has ended when the Registry Editor is looked at; the entry dialog stays open.
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_OPENKEY, 0);
    HWND dialog = driver::WaitForWindowOf(tarmik.pid(), "#32770", "開く");
    ASSERT_TRUE(dialog);
    dialogs::SetText(GetDlgItem(dialog, IDC_OPENKEY_KEYPATH), "HKCU\\Software\\TarmikBridgeTest\\Values");
    PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)GetDlgItem(dialog, IDOK));
    ExpectOneMessage(tarmik.pid(), tarmik.main(), message, shots + "_open_key");
    PostMessageA(tarmik.main(), WM_COMMAND, IDM_ADD, 0);
    dialog = driver::WaitForWindowOf(tarmik.pid(), "#32770", "追加");
    ASSERT_TRUE(dialog);
    PostMessageA(GetDlgItem(dialog, IDC_ENTRY_CAPTURE), BM_CLICK, 0, 0);
    ExpectOneMessage(tarmik.pid(), dialog, message, shots + "_entry_dialog");
    driver::PressButton(dialog, IDCANCEL);
    regedit::Settle(editor);
    EXPECT_EQ(EditorState(editor), before);
    EXPECT_EQ(regedit::Focus(editor), focus);
    EXPECT_TRUE(IsAbove(tarmik.main(), editor.window)) << "not brought forward";
    regedit::CloseAll();
}

TEST(BridgeWidth, SixtyFourBitBuildRefusesA32BitRegistryEditor)
{
    const std::string standin = ThirtyTwoBitProgram("tests\\e2e\\standin_regedit.exe");
    SKIP_UNLESS_32_BIT_PROGRAMS_RUN(standin);
    regedit::CloseAll();
    Tarmik tarmik("bridge_width_64", {{"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Beta", false}});
    ASSERT_TRUE(tarmik.ok());
    ASSERT_TRUE(CopyFileA(standin.c_str(), tarmik.Path("regedit.exe").c_str(), FALSE));
    ExpectRefusedStartedOrRunning(tarmik, kRefusedBy64Bit, "bridge_width_64");
}

TEST(BridgeWidth, ThirtyTwoBitBuildRefusesWinesOwnRegistryEditor)
{
    const std::string program = ThirtyTwoBitProgram("tarmik.exe");
    SKIP_UNLESS_32_BIT_PROGRAMS_RUN(program);
    regedit::CloseAll();
    Tarmik tarmik("bridge_width_32", {{"", "HKCU\\Software\\TarmikBridgeTest\\Values", "Beta", false}}, false, false,
                  false, "", program);
    ASSERT_TRUE(tarmik.ok());
    ExpectRefusedStartedOrRunning(tarmik, kRefusedBy32Bit, "bridge_width_32");
}
#endif
