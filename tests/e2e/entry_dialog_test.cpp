// The entry dialog driven through the real tarmik.exe: adding at the selected row, changing in place,
// the key-only choice, the open actions after a change, capture without a Registry Editor.
#include "tests/e2e/dialog_session.h"
#include "tests/e2e/regedit_probe.h"

using namespace dialogs;
using namespace driver;

static HWND Item(HWND dialog, int id)
{
    return GetDlgItem(dialog, id);
}

// Fills the three fields and presses OK; true when the dialog ended.
static bool AddEntry(driver::Session &session, const char *description, const char *keyPath, const char *valueName)
{
    HWND dialog = OpenDialog(session, IDM_ADD, "追加");
    if (!dialog) return false;
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), description);
    SetText(Item(dialog, IDC_ENTRY_KEYPATH), keyPath);
    SetText(Item(dialog, IDC_ENTRY_VALUENAME), valueName);
    return driver::PressButton(dialog, IDOK);
}

// Chooses an item of the memo list's context menu by its mnemonic, with the pointer on row `row`.
static void ContextMenuCommand(driver::Session &session, int row, const char *mnemonic)
{
    RECT cell = driver::ListSubItemRect(session.list(), row, 0);
    POINT point = {cell.left + 20, (cell.top + cell.bottom) / 2};
    ClientToScreen(session.list(), &point);
    MouseTo(point.x, point.y);
    driver::Xdotool("click 3");
    ASSERT_TRUE(WaitForMenuLoop(session)) << "context menu";
    Keys(mnemonic);
    // A grayed item's mnemonic leaves the menu open.
    if (!WaitFor([&] { return PopupMenu(session) == nullptr; }, 1500)) Keys("Escape");
    session.Settle();
}

TEST(EntryDialog, AddInsertsAtTheSelectedRowAndKeepsTheSelection)
{
    driver::Session session("entry_add");
    ASSERT_TRUE(session.Open(NumberedEntries(5)));

    session.SelectRow(5); // the end row
    HWND dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::GetText(Item(dialog, IDOK)), "追加");
    EXPECT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_DESCRIPTION)), "");
    EXPECT_FALSE(Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)));
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), "last");
    SetText(Item(dialog, IDC_ENTRY_KEYPATH), "HKCU\\Software");
    SetText(Item(dialog, IDC_ENTRY_VALUENAME), "v");
    // A real click on OK, as the user presses it.
    ClickIn(Item(dialog, IDOK));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "the dialog ends on OK";
    EXPECT_EQ(session.Selected(), 6) << "the end row stays selected";

    session.SelectRow(3);
    ASSERT_TRUE(AddEntry(session, "third", "HKLM\\SOFTWARE", ""));
    EXPECT_EQ(session.Selected(), 4) << "the entry that was selected stays selected";

    // OK with every field empty stores three empty texts, not key-only.
    session.SelectRow(0);
    ASSERT_TRUE(AddEntry(session, "", "", ""));

    std::vector<driver::Entry> saved = session.Saved();
    EXPECT_EQ(Describe(saved), "[||][E0|HKEY_CURRENT_USER\\Software|][E1|HKEY_CURRENT_USER\\Software|]"
                               "[E2|HKEY_CURRENT_USER\\Software|][third|HKLM\\SOFTWARE|]"
                               "[E3|HKEY_CURRENT_USER\\Software|][E4|HKEY_CURRENT_USER\\Software|]"
                               "[last|HKCU\\Software|v]");
    std::vector<uint8_t> bytes = driver::ReadFileBytes(session.memoPath());
    ASSERT_GE(bytes.size(), 12u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 6, bytes.begin() + 12), std::vector<uint8_t>(6, 0))
        << "an empty entry is six zero bytes";

    // E0 was first and is now second: it can be moved up from the context menu.
    ASSERT_EQ(session.Selected(), 1);
    ContextMenuCommand(session, 1, "u");
    // The menu's command is posted; a save sent before it lands would be served first.
    EXPECT_TRUE(WaitFor([&] { return driver::ListSelectedItem(session.list()) == 0; }, 2000));
    saved = session.Saved();
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved[0].description, "E0") << "move up is available for the row pushed down by the new entry";
}

TEST(EntryDialog, ChangeKeepsThePlaceAndTheKeyOnlyChoice)
{
    driver::Session session("entry_change");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "a", false},
                              {"key", "HKLM\\SOFTWARE\\Classes", "", true},
                              {"E2", "HKU", "", false}}));
    session.SelectRow(1);
    HWND dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::GetText(Item(dialog, IDOK)), "変更");
    EXPECT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_DESCRIPTION)), "key");
    EXPECT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_KEYPATH)), "HKLM\\SOFTWARE\\Classes");
    EXPECT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_VALUENAME)), "");
    EXPECT_TRUE(Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)))
        << "a key-only entry opens with the key badge";
    driver::Screenshot(dialog, "entry_dialog_change_key_only");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|a][key|HKLM\\SOFTWARE\\Classes||key][E2|HKU|]");

    // Typing a value name hides the badge and stores a value entry, at the same place.
    dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    ClickIn(Item(dialog, IDC_ENTRY_VALUENAME));
    Type("Name");
    EXPECT_TRUE(WaitFor([&] { return !Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)); }, 2000));
    // Typed keys reach the field through the X server, later than xdotool returns on a busy machine.
    EXPECT_TRUE(WaitFor([&] { return driver::GetText(Item(dialog, IDC_ENTRY_VALUENAME)) == "Name"; }));
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), "a much longer description than before, so that the block grows");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    EXPECT_EQ(session.Selected(), 1);
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|a][a much longer description than before, so that "
                                         "the block grows|HKLM\\SOFTWARE\\Classes|Name][E2|HKU|]");

    // Shrinking the block in place.
    dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), "s");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|a][s|HKLM\\SOFTWARE\\Classes|Name][E2|HKU|]");

    // Cancel changes nothing.
    dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), "discarded");
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|a][s|HKLM\\SOFTWARE\\Classes|Name][E2|HKU|]");

    // A change is undone to the entry as it was, its block kept by the history, and redone.
    session.SelectRow(0);
    session.Send(IDM_UNDO);
    EXPECT_EQ(session.Selected(), 1);
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|a][a much longer description than before, so that "
                                         "the block grows|HKLM\\SOFTWARE\\Classes|Name][E2|HKU|]");
    session.Send(IDM_REDO);
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|a][s|HKLM\\SOFTWARE\\Classes|Name][E2|HKU|]");
}

TEST(EntryDialog, ChangedKeyPathDecidesWhetherTheEntryCanBeOpened)
{
    driver::Session session("entry_open_actions");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "", false}}));
    session.SelectRow(0);
    session.Settle();
    HWND openButton = GetDlgItem(session.main(), IDC_OPEN);
    ASSERT_TRUE(IsWindowEnabled(openButton));

    HWND dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    SetText(Item(dialog, IDC_ENTRY_KEYPATH), "Software");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    session.Settle();
    EXPECT_FALSE(IsWindowEnabled(openButton)) << "a key path without a root cannot be opened";
    // The context menu's open item is grayed too: its mnemonic starts nothing.
    ContextMenuCommand(session, 0, "o");
    EXPECT_EQ(FindWindowA("RegEdit_RegEdit", nullptr), nullptr);
    EXPECT_EQ(MessageBoxWindow(session), nullptr);

    dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    SetText(Item(dialog, IDC_ENTRY_KEYPATH), " hklm\\SOFTWARE");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    session.Settle();
    EXPECT_TRUE(IsWindowEnabled(openButton));
    EXPECT_EQ(Describe(session.Saved()), "[E0|hklm\\SOFTWARE|]") << "the blanks around the key path go at OK";
}

TEST(EntryDialog, PastedPathAndTheKeyAtOkTakeTheStoredForm)
{
    driver::Session session("entry_paste");
    ASSERT_TRUE(session.Open({{"E0", "Software\\NoRoot", "", false}}));
    session.SelectRow(0);
    HWND openButton = GetDlgItem(session.main(), IDC_OPEN);
    ASSERT_FALSE(IsWindowEnabled(openButton));
    HWND dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    HWND key = Item(dialog, IDC_ENTRY_KEYPATH);

    // The Registry Editor's address bar, pasted with Ctrl+V.
    ASSERT_TRUE(PasteWithCtrlV(key, "コンピューター\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"));
    EXPECT_TRUE(WaitFor([&] { return driver::GetText(key) == "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes"; }))
        << driver::GetText(key);
    EXPECT_EQ(Selection(key), MAKELONG(35, 35)) << "the caret stays at the end of the pasted path";
    driver::Screenshot(dialog, "entry_dialog_pasted_path");

    // Typed key by key, a drive's colon stays while typing; OK stores the plain form.
    SendMessageA(key, EM_SETSEL, 0, -1);
    Type("hkcu:");
    EXPECT_TRUE(WaitFor([&] { return driver::GetText(key) == "hkcu:"; })) << driver::GetText(key);
    // The paste takes the drive's colon; separators stay while the user may go on typing, and OK keeps
    // the key they name.
    ASSERT_TRUE(PasteWithCtrlV(key, "\\Software\\\\NewUserTest\\", false));
    EXPECT_TRUE(WaitFor([&] { return driver::GetText(key) == "hkcu\\Software\\\\NewUserTest\\"; }))
        << driver::GetText(key);
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    session.Settle();
    EXPECT_TRUE(IsWindowEnabled(openButton)) << "the open actions follow the stored key path";
    EXPECT_EQ(Describe(session.Saved()), "[E0|hkcu\\Software\\NewUserTest|]");
}

TEST(EntryDialog, CaptureWithoutARegistryEditorChangesNothing)
{
    if (FindWindowA("RegEdit_RegEdit", nullptr)) GTEST_SKIP() << "a Registry Editor is running";
    driver::Session session("entry_capture_none");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "", false}}));
    const std::vector<uint8_t> before = driver::ReadFileBytes(session.memoPath());
    HWND dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    SetText(Item(dialog, IDC_ENTRY_KEYPATH), "HKCU\\Keep");
    SetText(Item(dialog, IDC_ENTRY_VALUENAME), "kept");
    ClickIn(Item(dialog, IDC_ENTRY_CAPTURE));
    session.Settle();
    EXPECT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_KEYPATH)), "HKCU\\Keep");
    EXPECT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_VALUENAME)), "kept");
    EXPECT_FALSE(Visible(Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE)));
    EXPECT_EQ(MessageBoxWindow(session), nullptr) << "capture without a Registry Editor says nothing";
    EXPECT_TRUE(IsWindowVisible(dialog));
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    EXPECT_EQ(driver::ReadFileBytes(session.memoPath()), before);
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Software|]");
}

TEST(EntryDialog, TextTooLongForARecordIsRefusedAndTheDialogStaysOpen)
{
    driver::Session session("entry_too_long");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "", false}}));
    HWND dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    // A record counts each text's size with its NUL in 16 bits: 65534 bytes fit, 65535 do not.
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), std::string(65535, 'd'));
    SetText(Item(dialog, IDC_ENTRY_KEYPATH), "HKCU\\Long");
    PostMessageA(dialog, WM_COMMAND, IDOK, (LPARAM)Item(dialog, IDOK));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(session.pid(), &box));
    EXPECT_EQ(box.caption, "タルミク");
    EXPECT_NE(box.text.find("65534"), std::string::npos) << box.text;
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open for the user to shorten the text";

    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), std::string(65534, 'd'));
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    std::vector<driver::Entry> saved = session.Saved();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].description, std::string(65534, 'd'));
    EXPECT_EQ(saved[0].keyPath, "HKCU\\Long");
    EXPECT_EQ(Describe({saved[1]}), "[E0|HKCU\\Software|]");
}

TEST(EntryDialog, ChangeGoesToTheEntryItOpenedWithEvenWhenTheSelectionMoves)
{
    driver::Session session("entry_change_selection");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Zero", "", false}, {"E1", "HKCU\\One", "", false}}));
    session.SelectRow(1);
    HWND dialog = OpenDialog(session, IDM_CHANGE, "変更");
    ASSERT_TRUE(dialog);
    ASSERT_EQ(driver::GetText(Item(dialog, IDC_ENTRY_DESCRIPTION)), "E1");
    // A selection that reaches the list while the dialog is open, as one the program posts to itself.
    session.SelectRow(0);
    SetText(Item(dialog, IDC_ENTRY_DESCRIPTION), "changed");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    EXPECT_EQ(Describe(session.Saved()), "[E0|HKCU\\Zero|][changed|HKCU\\One|]");
}

TEST(EntryDialog, CaptureBringsTheDialogBackInFrontWithTheKeyFieldReady)
{
    // A Registry Editor left running would hold the test's output open.
    struct EditorsClosed
    {
        ~EditorsClosed()
        {
            regedit::CloseAll();
        }
    } editorsClosed;
    driver::Session session("entry_capture_front");
    ASSERT_TRUE(session.Open({{"E0", "HKCU\\Software", "", false}}));
    regedit::Editor editor = regedit::Find();
    if (!editor.tree)
    {
        session.Post(IDM_STARTREGEDIT);
        editor = regedit::WaitFor();
    }
    ASSERT_TRUE(editor.tree);
    regedit::Select(editor.tree, regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software"}));
    regedit::FocusControl(editor, editor.tree);

    HWND dialog = OpenDialog(session, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    ClickIn(Item(dialog, IDC_ENTRY_CAPTURE));
    ASSERT_TRUE(
        WaitFor([&] { return driver::GetText(Item(dialog, IDC_ENTRY_KEYPATH)) == "HKEY_CURRENT_USER\\Software"; }));
    Sleep(300);
    session.Settle();
    EXPECT_EQ(GetForegroundWindow(), dialog);
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
    EXPECT_EQ(thread.hwndActive, dialog);
    EXPECT_EQ(thread.hwndFocus, Item(dialog, IDC_ENTRY_KEYPATH));
    // In front of the main window, which it has disabled: its middle shows the dialog.
    RECT own = ScreenRect(dialog);
    POINT middle = {(own.left + own.right) / 2, (own.top + own.bottom) / 2};
    EXPECT_EQ(GetAncestor(WindowFromPoint(middle), GA_ROOT), dialog);
    driver::Screenshot(session.main(), "entry_dialog_after_capture");

    // Real keys reach the key field.
    Keys("End");
    Type("Sub");
    // Typed letters pass the input method and may come after a Return pressed at once.
    EXPECT_TRUE(
        WaitFor([&] { return driver::GetText(Item(dialog, IDC_ENTRY_KEYPATH)) == "HKEY_CURRENT_USER\\SoftwareSub"; }));
    Keys("Return");
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(Describe(session.Saved()), "[|HKEY_CURRENT_USER\\SoftwareSub||key][E0|HKCU\\Software|]");

    // The main window's capture button: the main window stays in front with the keyboard in the list.
    session.SelectRow(0);
    ClickIn(session.Item(IDC_IMPORT));
    ASSERT_TRUE(WaitFor([&] { return driver::ListItemCount(session.list()) == 4; }));
    Sleep(300);
    session.Settle();
    EXPECT_EQ(GetForegroundWindow(), session.main());
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
    EXPECT_EQ(thread.hwndFocus, session.list());
    Keys("Down");
    EXPECT_TRUE(WaitFor([&] { return session.Selected() == 2; }, 2000)) << session.Selected();
}
