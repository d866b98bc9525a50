// The key field, root-key button, value field with its key badge and the full-text tips of the dialogs,
// driven with real keyboard and mouse input on the real tarmik.exe.
#include "tests/e2e/dialog_session.h"

using namespace dialogs;
using namespace driver;

static const char kRootNames[6][20] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
                                       "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// Which of the menu's six items is drawn highlighted, from the screen's pixels: -1 for none.
static int HighlightedItem(HWND menu)
{
    RECT rect = ScreenRect(menu);
    const COLORREF highlights[2] = {GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_MENUHILIGHT)};
    // Right of the longest name, where only the item's background is drawn.
    const int x = rect.right - 6;
    int first = -1, last = -1;
    HDC screen = GetDC(nullptr);
    for (int y = rect.top; y < rect.bottom; ++y)
    {
        COLORREF pixel = GetPixel(screen, x, y);
        if (pixel == highlights[0] || pixel == highlights[1])
        {
            if (first < 0) first = y;
            last = y;
        }
    }
    ReleaseDC(nullptr, screen);
    if (first < 0) return -1;
    return ((first + last) / 2 - rect.top) * 6 / (rect.bottom - rect.top);
}

// The screen point of the middle of item `index` of the open six-item menu.
static POINT MenuItemPoint(HWND menu, int index)
{
    RECT rect = ScreenRect(menu);
    const int height = rect.bottom - rect.top;
    return {(rect.left + rect.right) / 2, rect.top + height * (2 * index + 1) / 12};
}

// The visible tip of the program and its text, waiting up to `timeoutMs` for one to show.
static HWND WaitForTip(const driver::Session &session, DWORD timeoutMs)
{
    HWND tip = nullptr;
    WaitFor(
        [&] {
            tip = driver::FindWindowOf(session.pid(), "tooltips_class32");
            return tip != nullptr;
        },
        timeoutMs);
    return tip;
}

class KeyControls : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        session_.Prepare(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(session_.Open(NumberedEntries(1)));
    }

    driver::Session session_;
};

TEST_F(KeyControls, AltRightDropsTheRootMenuWithItsFirstItemHighlighted)
{
    HWND dialog = OpenDialog(session_, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    HWND key = GetDlgItem(dialog, IDC_ENTRY_KEYPATH);
    HWND button = GetDlgItem(dialog, IDC_ENTRY_ROOTBUTTON);
    ClickIn(key);
    Keys("alt+Right");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(session_) != nullptr; })) << "Alt+Right opens the root menu";
    HWND menu = PopupMenu(session_);
    Sleep(200);
    RECT menuRect = ScreenRect(menu), buttonRect = ScreenRect(button);
    EXPECT_EQ(menuRect.left, buttonRect.right);
    EXPECT_EQ(menuRect.top, buttonRect.top);
    EXPECT_EQ(HighlightedItem(menu), 0) << "HKEY_CLASSES_ROOT is highlighted";
    driver::Screenshot(dialog, "root_menu_keyboard_dialog");
    driver::Screenshot(menu, "root_menu_keyboard_menu");
    Keys("Return");
    ASSERT_TRUE(WaitForMenuClosed(session_));
    session_.Settle();
    EXPECT_EQ(driver::GetText(key), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(Selection(key), (DWORD)MAKELONG(17, 17)) << "the caret stands after the name";

    // Esc closes the menu and changes nothing.
    SetText(key, "HKCU\\Software");
    SendMessageA(key, EM_SETSEL, 7, 7);
    Keys("alt+Right");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(session_) != nullptr; }));
    Keys("Escape");
    ASSERT_TRUE(WaitForMenuClosed(session_));
    session_.Settle();
    EXPECT_EQ(driver::GetText(key), "HKCU\\Software");
    EXPECT_EQ(Selection(key), (DWORD)MAKELONG(7, 7));
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Esc in the menu does not end the dialog";
}

TEST_F(KeyControls, ClickDropsTheMenuAtTheRightEdgeAndTheChoiceReplacesTheRoot)
{
    HWND dialog = OpenDialog(session_, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    HWND key = GetDlgItem(dialog, IDC_ENTRY_KEYPATH);
    HWND button = GetDlgItem(dialog, IDC_ENTRY_ROOTBUTTON);
    SetText(key, "  hkcu\\Software");
    SendMessageA(key, EM_SETSEL, 8, 8); // inside "Software", after the backslash

    ClickIn(button);
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(session_) != nullptr; })) << "a click opens the root menu";
    HWND menu = PopupMenu(session_);
    Sleep(200);
    RECT menuRect = ScreenRect(menu), buttonRect = ScreenRect(button);
    EXPECT_EQ(menuRect.left, buttonRect.right);
    EXPECT_EQ(menuRect.top, buttonRect.top);
    // Away from the menu, so that the pointer highlights nothing.
    EXPECT_EQ(HighlightedItem(menu), -1) << "nothing is highlighted when the mouse opened the menu";
    // Enter with nothing highlighted chooses nothing.
    Keys("Return");
    ASSERT_TRUE(WaitForMenuClosed(session_));
    session_.Settle();
    EXPECT_EQ(driver::GetText(key), "  hkcu\\Software");

    // Choosing HKEY_LOCAL_MACHINE with the mouse: the short name is replaced, the blanks stay, the caret
    // keeps its place in the text after the backslash.
    ClickIn(button);
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(session_) != nullptr; }));
    menu = PopupMenu(session_);
    POINT item = MenuItemPoint(menu, 2);
    MouseTo(item.x, item.y);
    driver::Xdotool("click 1");
    ASSERT_TRUE(WaitForMenuClosed(session_));
    session_.Settle();
    EXPECT_EQ(driver::GetText(key), "  HKEY_LOCAL_MACHINE\\Software");
    EXPECT_EQ(Selection(key), (DWORD)MAKELONG(8 + 14, 8 + 14));

    // With the caret inside the old name it ends at the start of the new one; without a root the
    // name goes in front of the whole text.
    for (int root = 0; root < 6; ++root)
    {
        SetText(key, root % 2 ? "\\Software" : "HKLM\\x");
        SendMessageA(key, EM_SETSEL, 2, 2);
        ClickIn(button);
        ASSERT_TRUE(WaitFor([&] { return PopupMenu(session_) != nullptr; }));
        item = MenuItemPoint(PopupMenu(session_), root);
        MouseTo(item.x, item.y);
        driver::Xdotool("click 1");
        ASSERT_TRUE(WaitForMenuClosed(session_));
        session_.Settle();
        std::string name = kRootNames[root];
        if (root % 2)
        {
            EXPECT_EQ(driver::GetText(key), name + "\\Software");
            EXPECT_EQ(Selection(key), (DWORD)MAKELONG(2 + name.size(), 2 + name.size()));
        }
        else
        {
            EXPECT_EQ(driver::GetText(key), name + "\\x");
            EXPECT_EQ(Selection(key), (DWORD)MAKELONG(0, 0));
        }
    }
}

TEST_F(KeyControls, AltDeleteShowsTheKeyBadgeAndEditingHidesIt)
{
    HWND dialog = OpenDialog(session_, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    HWND value = GetDlgItem(dialog, IDC_ENTRY_VALUENAME);
    HWND badge = Badge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE);
    ASSERT_TRUE(badge) << "the badge lives inside the value field";
    ClickIn(value);
    Type("abc");
    ASSERT_TRUE(WaitFor([&] { return driver::GetText(value) == "abc"; }));

    Keys("alt+Delete");
    EXPECT_TRUE(WaitFor([&] { return Visible(badge); })) << "Alt+Delete shows the badge";
    EXPECT_EQ(driver::GetText(value), "");
    Sleep(100);
    driver::Screenshot(dialog, "entry_dialog_key_badge");

    Type("x");
    EXPECT_TRUE(WaitFor([&] { return !Visible(badge); })) << "typing hides the badge";
    EXPECT_EQ(driver::GetText(value), "x");

    Keys("alt+Delete");
    ASSERT_TRUE(WaitFor([&] { return Visible(badge); }));
    Keys("BackSpace");
    EXPECT_TRUE(WaitFor([&] { return !Visible(badge); })) << "Backspace in the empty field hides the badge";

    Keys("alt+Delete");
    ASSERT_TRUE(WaitFor([&] { return Visible(badge); }));
    Keys("Delete");
    EXPECT_TRUE(WaitFor([&] { return !Visible(badge); })) << "Delete hides the badge";

    // The badge as shown is what OK stores.
    Keys("alt+Delete");
    ASSERT_TRUE(WaitFor([&] { return Visible(badge); }));
    SetText(GetDlgItem(dialog, IDC_ENTRY_KEYPATH), "HKCU\\Badge");
    ASSERT_TRUE(driver::PressButton(dialog, IDOK));
    std::vector<driver::Entry> saved = session_.Saved();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(Describe({saved[0]}), "[|HKCU\\Badge||key]");
}

TEST_F(KeyControls, FieldsTooNarrowForTheirTextShowItAsATip)
{
    HWND dialog = OpenDialog(session_, IDM_ADD, "追加");
    ASSERT_TRUE(dialog);
    HWND key = GetDlgItem(dialog, IDC_ENTRY_KEYPATH);
    HWND description = GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION);
    const std::string longPath =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\Extra";
    SetText(key, longPath);
    SetText(description, "short");
    session_.Settle();

    RECT rect = ScreenRect(key);
    MouseTo(rect.left + 10, (rect.top + rect.bottom) / 2);
    MouseTo(rect.left + 12, (rect.top + rect.bottom) / 2);
    HWND tip = WaitForTip(session_, 4000);
    ASSERT_TRUE(tip) << "a key path longer than its field shows a tip";
    EXPECT_EQ(driver::GetText(tip), longPath);
    driver::Screenshot(dialog, "entry_dialog_tip_dialog");
    driver::Screenshot(tip, "entry_dialog_tip");

    // A short text that fits shows none.
    rect = ScreenRect(description);
    MouseTo(rect.left + 10, (rect.top + rect.bottom) / 2);
    MouseTo(rect.left + 12, (rect.top + rect.bottom) / 2);
    EXPECT_EQ(WaitForTip(session_, 2500), nullptr) << "a text that fits shows no tip";

    // A short text scrolled out of view to the left: the field was scrolled to the end of a long text,
    // then the tail was selected back from the end, which scrolls only as far as the caret needs,
    // and deleted.
    SetText(description, std::string(40, 'a') + std::string(60, 'b'));
    ClickIn(description);
    Keys("End");
    SendMessageA(description, EM_SETSEL, 100, 40);
    SendMessageA(description, EM_SCROLLCARET, 0, 0);
    Keys("Delete");
    session_.Settle();
    const std::string shortText = driver::GetText(description);
    ASSERT_EQ(shortText, std::string(40, 'a'));
    const short xFirst = (short)LOWORD(SendMessageA(description, EM_POSFROMCHAR, 0, 0));
    ASSERT_LT(xFirst, 0) << "the field keeps its first characters scrolled out of view";
    MouseTo(0, 0);
    Sleep(300);
    rect = ScreenRect(description);
    MouseTo(rect.right - 10, (rect.top + rect.bottom) / 2);
    MouseTo(rect.right - 12, (rect.top + rect.bottom) / 2);
    tip = WaitForTip(session_, 4000);
    ASSERT_TRUE(tip) << "a scrolled short text shows a tip";
    EXPECT_EQ(driver::GetText(tip), shortText);
}
