// The main window's commands on a loaded memo: menu items and buttons following the selected row,
// deleting and moving entries and undoing that, the list context menu from the mouse and from the keyboard.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_shell.h"

using namespace shell_e2e;

class Commands : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(tarmik.Open(entries));
        list = tarmik.Item(IDC_MEMOLIST);
        ASSERT_EQ(driver::ListItemCount(list), 4);
    }
    void TearDown() override
    {
        // The memo may have been changed: close without saving.
        tarmik.Stop();
    }

    // A real click on a row's description cell.
    void ClickRow(int row, const char *keys = nullptr)
    {
        POINT point = RowPoint(row);
        std::string at = std::to_string(point.x) + " " + std::to_string(point.y);
        if (keys) driver::Xdotool(std::string("keydown ") + keys);
        driver::Xdotool("mousemove " + at + " click 1");
        if (keys) driver::Xdotool(std::string("keyup ") + keys);
        // The click reaches the program through the X server: wait until it has been handled.
        if (!keys) driver::WaitFor([&] { return driver::ListSelectedItem(list) == row; }, 2000);
        tarmik.Settle();
    }
    POINT RowPoint(int row)
    {
        RECT cell = driver::ListSubItemRect(list, row, 0);
        POINT point = {cell.left + 10, (cell.top + cell.bottom) / 2};
        ClientToScreen(list, &point);
        return point;
    }
    // A command as a menu item or button gives it, handled before this returns.
    void Command(int id)
    {
        DWORD_PTR ignored;
        SendMessageTimeoutA(tarmik.main(), WM_COMMAND, id, 0, SMTO_NORMAL, 10000, &ignored);
        tarmik.Settle();
    }
    // The entries as the program holds them, through its own save.
    std::vector<driver::Entry> Saved()
    {
        Command(IDM_SAVE);
        std::vector<driver::Entry> saved;
        EXPECT_TRUE(driver::ParseMemo(driver::ReadFileBytes(tarmik.memoPath()), &saved));
        return saved;
    }
    std::vector<std::string> Descriptions()
    {
        std::vector<std::string> texts;
        for (const driver::Entry &entry : Saved()) texts.push_back(entry.description);
        return texts;
    }
    HWND Focus()
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(tarmik.main(), nullptr), &info);
        return info.hwndFocus;
    }

    struct States
    {
        bool open, remove, change, up, down;
    };
    void ExpectStates(const States &want, int line)
    {
        SCOPED_TRACE(testing::Message() << "line " << line);
        MenuState menus = ReadMenus(tarmik);
        ASSERT_TRUE(menus.read);
        EXPECT_EQ(!menus.Grayed(IDM_OPENENTRY), want.open);
        EXPECT_EQ(!menus.Grayed(IDM_LIST_OPEN), want.open);
        EXPECT_EQ(IsWindowEnabled(tarmik.Item(IDC_OPEN)) != 0, want.open);
        EXPECT_EQ(!menus.Grayed(IDM_DELETE), want.remove);
        EXPECT_EQ(!menus.Grayed(IDM_LIST_DELETE), want.remove);
        EXPECT_EQ(IsWindowEnabled(tarmik.Item(IDC_DELETE)) != 0, want.remove);
        EXPECT_EQ(!menus.Grayed(IDM_CHANGE), want.change);
        EXPECT_EQ(!menus.Grayed(IDM_LIST_CHANGE), want.change);
        EXPECT_EQ(IsWindowEnabled(tarmik.Item(IDC_CHANGE)) != 0, want.change);
        EXPECT_EQ(!menus.Grayed(IDM_COPYKEYPATH), want.remove);
        EXPECT_EQ(!menus.Grayed(IDM_LIST_COPYKEYPATH), want.remove);
        EXPECT_EQ(!menus.Grayed(IDM_MOVEUP), want.up);
        EXPECT_EQ(!menus.Grayed(IDM_LIST_MOVEUP), want.up);
        EXPECT_EQ(!menus.Grayed(IDM_MOVEDOWN), want.down);
        EXPECT_EQ(!menus.Grayed(IDM_LIST_MOVEDOWN), want.down);
        for (UINT id :
             {IDM_ADD, IDM_SETTINGS, IDM_CAPTURE, IDM_OPENKEY, IDM_STARTREGEDIT, IDM_LIST_ADD, IDM_LIST_CAPTURE})
            EXPECT_FALSE(menus.Grayed(id)) << id;
        EXPECT_TRUE(IsWindowEnabled(tarmik.Item(IDC_ADD)));
        EXPECT_TRUE(IsWindowEnabled(tarmik.Item(IDC_IMPORT)));
    }

    std::vector<driver::Entry> entries = {
        {"first", "HKEY_CURRENT_USER\\Software", "Value", false},
        {"second", "Software\\NoRoot", "", true},
        {"third", "hklm\\\\SOFTWARE\\", "", false},
    };
    driver::Session tarmik{"shell_commands"};
    HWND list = nullptr;
};

TEST_F(Commands, MenuItemsAndButtonsFollowTheSelectedRow)
{
    ClickRow(0);
    EXPECT_EQ(driver::ListSelectedItem(list), 0);
    ExpectStates({true, true, true, false, true}, __LINE__);
    ClickRow(1); // no root name: not openable
    ExpectStates({false, true, true, true, true}, __LINE__);
    ClickRow(2);
    ExpectStates({true, true, true, true, false}, __LINE__);
    driver::Screenshot(tarmik.main(), "shell_commands_last_entry");
    ClickRow(3); // the end row
    EXPECT_EQ(driver::ListSelectedItem(list), 3);
    ExpectStates({false, false, false, false, false}, __LINE__);

    // Ctrl+click on the selected row, or a click on empty space, leaves one row selected.
    ClickRow(2);
    ClickRow(2, "ctrl");
    EXPECT_EQ(driver::ListSelectedItem(list), 2);
    RECT client;
    GetClientRect(list, &client);
    POINT empty = {client.right / 2, client.bottom - 5};
    ClientToScreen(list, &empty);
    driver::Xdotool("mousemove " + std::to_string(empty.x) + " " + std::to_string(empty.y) + " click 1");
    // Nothing is to happen: a while for a wrong change to show.
    Sleep(200);
    tarmik.Settle();
    EXPECT_EQ(driver::ListSelectedItem(list), 2);
}

TEST_F(Commands, MovingAndDeletingEntries)
{
    ClickRow(0);
    Command(IDM_MOVEDOWN);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second", "first", "third"}));
    EXPECT_EQ(driver::ListSelectedItem(list), 1);
    ExpectStates({true, true, true, true, true}, __LINE__);
    Command(IDM_MOVEUP);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(driver::ListSelectedItem(list), 0);
    Command(IDM_MOVEUP); // already first: nothing moves, even when posted
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second", "third"}));
    // The shortcuts the menu shows, from the list and from a button.
    driver::Xdotool("key ctrl+Down");
    EXPECT_TRUE(driver::WaitFor([&] { return driver::ListSelectedItem(list) == 1; }, 2000));
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second", "first", "third"}));
    SendMessageA(tarmik.main(), WM_NEXTDLGCTL, (WPARAM)tarmik.Item(IDC_ADD), TRUE);
    driver::Xdotool("key ctrl+Up");
    EXPECT_TRUE(driver::WaitFor([&] { return driver::ListSelectedItem(list) == 0; }, 2000));
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second", "third"}));
    ClickRow(2);
    Command(IDM_MOVEDOWN); // already last
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second", "third"}));

    // Deleting the first of several selects the new first entry, which cannot move up.
    ClickRow(0);
    Command(IDC_DELETE);
    EXPECT_EQ(driver::ListItemCount(list), 3);
    EXPECT_EQ(driver::ListSelectedItem(list), 0);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second", "third"}));
    ExpectStates({false, true, true, false, true}, __LINE__);

    // Deleting the last entry from its focused button selects the end row and moves the focus on.
    ClickRow(1);
    SendMessageA(tarmik.main(), WM_NEXTDLGCTL, (WPARAM)tarmik.Item(IDC_DELETE), TRUE);
    tarmik.Settle();
    ASSERT_EQ(Focus(), tarmik.Item(IDC_DELETE));
    Command(IDC_DELETE);
    EXPECT_EQ(driver::ListItemCount(list), 2);
    EXPECT_EQ(driver::ListSelectedItem(list), 1);
    EXPECT_EQ(Focus(), tarmik.Item(IDC_IMPORT));
    ExpectStates({false, false, false, false, false}, __LINE__);

    // With the end row selected, delete does nothing.
    Command(IDM_DELETE);
    EXPECT_EQ(driver::ListItemCount(list), 2);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second"}));
}

// Undo and redo with real keys: a deleted entry comes back at its row with its description, selected, and
// goes again; the items are grayed when there is nothing to undo or redo.
TEST_F(Commands, DeletingByKeyIsUndoneAndRedone)
{
    MenuState menus = ReadMenus(tarmik);
    ASSERT_TRUE(menus.read);
    EXPECT_EQ(menus.Text(IDM_UNDO), "元に戻す(&U)\tCtrl+Z");
    EXPECT_EQ(menus.Text(IDM_REDO), "やり直し(&R)\tCtrl+Y");
    EXPECT_TRUE(menus.Grayed(IDM_UNDO));
    EXPECT_TRUE(menus.Grayed(IDM_REDO));

    ClickRow(1);
    driver::Xdotool("key Delete");
    ASSERT_TRUE(driver::WaitFor([&] { return driver::ListItemCount(list) == 3; }, 5000));
    menus = ReadMenus(tarmik);
    EXPECT_FALSE(menus.Grayed(IDM_UNDO));
    EXPECT_TRUE(menus.Grayed(IDM_REDO));
    SetForegroundWindow(tarmik.main());
    SetFocus(list);
    tarmik.Settle();

    driver::Xdotool("key ctrl+z");
    ASSERT_TRUE(driver::WaitFor([&] { return driver::ListItemCount(list) == 4; }, 5000));
    tarmik.Settle();
    EXPECT_EQ(driver::ListSelectedItem(list), 1);
    // "second" has no root name: the states are those of the row brought back.
    ExpectStates({false, true, true, true, true}, __LINE__);
    menus = ReadMenus(tarmik, "shell_commands_edit_menu_after_undo");
    EXPECT_TRUE(menus.Grayed(IDM_UNDO));
    EXPECT_FALSE(menus.Grayed(IDM_REDO));
    std::vector<driver::Entry> saved = Saved();
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[1].description, "second");
    EXPECT_EQ(saved[1].keyPath, "Software\\NoRoot");
    EXPECT_TRUE(saved[1].keyOnly);

    SetForegroundWindow(tarmik.main());
    SetFocus(list);
    tarmik.Settle();
    driver::Xdotool("key ctrl+y");
    ASSERT_TRUE(driver::WaitFor([&] { return driver::ListItemCount(list) == 3; }, 5000));
    tarmik.Settle();
    EXPECT_EQ(driver::ListSelectedItem(list), 1);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "third"}));

    // A new change after an undo leaves nothing to redo.
    Command(IDM_UNDO);
    Command(IDM_MOVEUP);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second", "first", "third"}));
    menus = ReadMenus(tarmik);
    EXPECT_TRUE(menus.Grayed(IDM_REDO));
    Command(IDM_UNDO);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(driver::ListSelectedItem(list), 1);
}

// 100 steps are kept: of 101 moves the last 100 are undone, the first stays.
TEST_F(Commands, HundredStepsAreKept)
{
    ClickRow(0);
    for (int i = 0; i < 101; i++) Command(i % 2 ? IDM_MOVEUP : IDM_MOVEDOWN);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second", "first", "third"}));
    int undone = 0;
    while (!ProbeMenus(tarmik.main(), 0).Grayed(IDM_UNDO) && undone < 200)
    {
        Command(IDM_UNDO);
        undone++;
    }
    EXPECT_EQ(undone, 100);
    // Undoing the last 100 leaves the first move done.
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"second", "first", "third"}));
    EXPECT_EQ(driver::ListSelectedItem(list), 1);
    Command(IDM_REDO);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(Commands, CopyingTheKeyPathWritesItsRootLong)
{
    // Ctrl+C in the main window: the short root comes out long, the doubled and the trailing separator
    // as the one key they name, and the block holds the text and its NUL, nothing more.
    ASSERT_TRUE(driver::SetClipboardText("before"));
    ClickRow(2);
    driver::Xdotool("key ctrl+c");
    driver::WaitFor([&] { return driver::ClipboardText() != "before"; }, 2000);
    const char copied[] = "HKEY_LOCAL_MACHINE\\SOFTWARE";
    EXPECT_EQ(driver::ClipboardBytes(), std::vector<uint8_t>(copied, copied + sizeof copied));

    // The item of the 編集 menu, chosen by its mnemonic: a path without a root is copied as it stands.
    ClickRow(1);
    driver::Xdotool("key alt+e");
    HWND popup = driver::WaitForWindowOf(tarmik.program().pid, "#32768", nullptr, 5000);
    ASSERT_NE(popup, nullptr);
    driver::Screenshot(popup, "shell_edit_menu");
    driver::Xdotool("key c");
    driver::WaitFor([&] { return driver::ClipboardText() == "Software\\NoRoot"; }, 2000);
    EXPECT_EQ(driver::ClipboardText(), "Software\\NoRoot");

    // With the end row selected there is nothing to copy: the clipboard keeps what it had.
    ClickRow(3);
    ASSERT_TRUE(driver::SetClipboardText("kept"));
    driver::Xdotool("key ctrl+c");
    Command(IDM_COPYKEYPATH);
    EXPECT_EQ(driver::ClipboardText(), "kept");
}

TEST_F(Commands, DrawingLeavesNoObjectBehind)
{
    HWND main = tarmik.main();
    auto paintAll = [&] {
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        tarmik.Settle();
    };
    ClickRow(1); // the key-only entry, drawn with its badge in the selection colours
    for (int i = 0; i < 5; ++i) paintAll();
    int before = driver::GdiObjectCount(tarmik.program().process);
    ASSERT_GT(before, 0) << "the program's objects can be counted";
    RECT window;
    GetWindowRect(main, &window);
    for (int i = 0; i < 100; ++i)
    {
        SetWindowPos(main, nullptr, 0, 0, window.right - window.left + i % 7, window.bottom - window.top + i % 5,
                     SWP_NOMOVE | SWP_NOZORDER);
        paintAll();
        if (i % 20 == 0)
        {
            SendMessageA(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
            paintAll();
            SendMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
        }
    }
    for (int i = 0; i < 5; ++i) paintAll();
    EXPECT_EQ(driver::GdiObjectCount(tarmik.program().process), before);
}

TEST_F(Commands, FocusLeavesTheOpenButtonWhenItIsDisabled)
{
    // The open button has the focus; deleting the entry selects one that cannot be opened.
    ClickRow(0);
    SendMessageA(tarmik.main(), WM_NEXTDLGCTL, (WPARAM)tarmik.Item(IDC_OPEN), TRUE);
    tarmik.Settle();
    ASSERT_EQ(Focus(), tarmik.Item(IDC_OPEN));
    Command(IDM_DELETE);
    EXPECT_FALSE(IsWindowEnabled(tarmik.Item(IDC_OPEN)));
    EXPECT_EQ(Focus(), tarmik.Item(IDC_ADD)) << "the next control in tab order";
}

TEST_F(Commands, ButtonsGiveTheKeyboardBackToTheListAndFileKeysWork)
{
    const DWORD pid = tarmik.program().pid;
    auto key = [&](const char *keys) { driver::Xdotool(std::string("key --delay 30 ") + keys); };
    auto selectedBecomes = [&](int row) {
        driver::WaitFor([&] { return driver::ListSelectedItem(list) == row; }, 2000);
        tarmik.Settle();
        return driver::ListSelectedItem(list) == row;
    };
    // A dialog that a key opened, once real keys reach it.
    auto dialogFor = [&](const char *title) { return tarmik.WaitForDialog(title); };
    // Typed letters pass the input method and may come after a Return pressed at once.
    auto typed = [&](HWND dialog, const char *text) {
        HWND field = GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION);
        driver::WaitFor([&] { return driver::GetText(field) == text; }, 3000);
    };
    auto ended = [&](HWND dialog) {
        driver::WaitFor([&] { return !IsWindow(dialog); }, 5000);
        tarmik.Settle();
        return !IsWindow(dialog);
    };

    // Alt+A: the button's dialog; after OK the arrow keys move through the rows again.
    ClickRow(0);
    key("alt+a");
    HWND dialog = dialogFor("追加");
    ASSERT_NE(dialog, nullptr);
    driver::Xdotool("type --delay 20 added");
    typed(dialog, "added");
    key("Return");
    ASSERT_TRUE(ended(dialog));
    EXPECT_EQ(Focus(), list);
    EXPECT_EQ(driver::ListSelectedItem(list), 1) << "the entry that was selected, one row down";
    ExpectStates({true, true, true, true, true}, __LINE__); // an entry above it now: it can move up
    key("Down");
    EXPECT_TRUE(selectedBecomes(2));

    // Alt+M on "second": changed, then Up goes on from it.
    key("alt+m");
    dialog = dialogFor("変更");
    ASSERT_NE(dialog, nullptr);
    key("End");
    driver::Xdotool("type --delay 20 2");
    typed(dialog, "second2");
    key("Return");
    ASSERT_TRUE(ended(dialog));
    EXPECT_EQ(Focus(), list);
    key("Up");
    EXPECT_TRUE(selectedBecomes(1));

    // A click on the delete button leaves the keyboard in the list on the row that follows.
    RECT button;
    GetWindowRect(tarmik.Item(IDC_DELETE), &button);
    driver::Xdotool("mousemove " + std::to_string((button.left + button.right) / 2) + " " +
                    std::to_string((button.top + button.bottom) / 2) + " click 1");
    driver::WaitFor([&] { return driver::ListItemCount(list) == 4; }, 2000);
    tarmik.Settle();
    EXPECT_EQ(Focus(), list);
    key("Down");
    EXPECT_TRUE(selectedBecomes(2));

    // Ctrl+S saves what the keys did.
    // Watched by its size, without opening it: an open file cannot be replaced by the save.
    auto size = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        GetFileAttributesExA(tarmik.memoPath().c_str(), GetFileExInfoStandard, &data);
        return data.nFileSizeLow;
    };
    const DWORD before = size();
    key("ctrl+s");
    driver::WaitFor([&] { return size() != before; }, 5000);
    tarmik.Settle();
    std::vector<driver::Entry> saved;
    driver::ParseMemo(driver::ReadFileBytes(tarmik.memoPath()), &saved);
    std::vector<std::string> texts;
    for (const driver::Entry &entry : saved) texts.push_back(entry.description);
    EXPECT_EQ(texts, (std::vector<std::string>{"added", "second2", "third"}));

    // Ctrl+O asks for a file; Ctrl+N empties the saved memo.
    key("ctrl+o");
    dialog = driver::WaitForWindowOf(pid, "#32770", nullptr, 5000);
    ASSERT_NE(dialog, nullptr) << "the open dialog";
    EXPECT_NE(FindWindowExA(dialog, nullptr, "ComboBox", nullptr), nullptr) << driver::GetText(dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(ended(dialog));
    key("ctrl+n");
    driver::WaitFor([&] { return driver::ListItemCount(list) == 1; }, 2000);
    EXPECT_EQ(driver::ListItemCount(list), 1);
    EXPECT_EQ(driver::GetText(tarmik.main()), "タルミク");
}

TEST_F(Commands, ContextMenuOpensAtTheMouseOrAtTheSelectedRow)
{
    // From the mouse: at the pointer.
    POINT point = RowPoint(1);
    driver::Xdotool("mousemove " + std::to_string(point.x) + " " + std::to_string(point.y) + " click 3");
    HWND popup = driver::WaitForWindowOf(tarmik.program().pid, "#32768", nullptr, 5000);
    ASSERT_NE(popup, nullptr);
    RECT rect;
    GetWindowRect(popup, &rect);
    EXPECT_EQ(rect.left, point.x);
    EXPECT_EQ(rect.top, point.y);
    driver::Screenshot(popup, "shell_context_menu");
    // Its delete item, chosen by its mnemonic, runs the delete command once the menu has closed.
    driver::Xdotool("key d");
    driver::WaitFor([&] { return !PopupMenuOf(tarmik.program().pid); }, 2000);
    driver::WaitFor([&] { return driver::ListItemCount(list) == 3; }, 2000);
    tarmik.Settle();
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"first", "third"}));

    // From the keyboard (Shift+F10 or the menu key): under the start of the selected row.
    ClickRow(1);
    SetForegroundWindow(tarmik.main());
    PostMessageA(tarmik.main(), WM_CONTEXTMENU, (WPARAM)list, -1);
    popup = driver::WaitForWindowOf(tarmik.program().pid, "#32768", nullptr, 5000);
    ASSERT_NE(popup, nullptr);
    GetWindowRect(popup, &rect);
    RECT row = driver::ListSubItemRect(list, 1, 0);
    POINT expected = {row.left + 4, row.bottom};
    ClientToScreen(list, &expected);
    EXPECT_EQ(rect.left, expected.x);
    EXPECT_EQ(rect.top, expected.y);
    driver::Xdotool("key Escape");
    driver::WaitFor([&] { return !PopupMenuOf(tarmik.program().pid); }, 2000);
    tarmik.Settle();
    EXPECT_EQ(driver::ListItemCount(list), 3) << "a dismissed menu runs nothing";
}
