// Finding an entry from the keyboard: Ctrl+F and its dialog, F3 for the next one from the selected
// row round to it again, the message when nothing holds the text; the dialog and the menus as each
// system shows them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/e2e_shell.h"

using namespace shell_e2e;

static void Key(const char *keys)
{
    driver::Xdotool(std::string("key --delay 30 ") + keys);
}

static HWND Focus(HWND main)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    return info.hwndFocus;
}

// The find dialog once real keys reach it.
static HWND FindDialog(driver::Session &tarmik)
{
    return tarmik.WaitForDialog("検索");
}

static bool Ended(driver::Session &tarmik, HWND dialog)
{
    driver::WaitFor([&] { return !IsWindow(dialog); }, 5000);
    tarmik.Settle();
    return !IsWindow(dialog);
}

class Find : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        for (int i = 0; i < 40; ++i)
            entries.push_back({"filler " + std::to_string(i), "HKEY_CURRENT_USER\\Software\\Filler", "", false});
        entries[3] = {"表示の設定", "HKEY_CURRENT_USER\\Control Panel\\Desktop", "WallPaper", false};
        entries[20] = {"壁紙の履歴", "HKCU\\Software\\ソフト\\Wallpapers", "", true};
        entries[36] = {"WALLPAPER style", "HKCU\\Control Panel\\Desktop", "Style", false};
        ASSERT_TRUE(tarmik.Open(entries));
        list = tarmik.Item(IDC_MEMOLIST);
        // A real click on the first row: the program is in front and the list has the keyboard.
        RECT cell = driver::ListSubItemRect(list, 0, 0);
        POINT point = {cell.left + 10, (cell.top + cell.bottom) / 2};
        ClientToScreen(list, &point);
        driver::Xdotool("mousemove " + std::to_string(point.x) + " " + std::to_string(point.y) + " click 1");
        driver::WaitFor([&] { return Focus(tarmik.main()) == list; }, 2000);
        tarmik.Settle();
    }
    void TearDown() override
    {
        tarmik.Stop();
    }

    // The selected row once it has stopped changing; checks that it is in view.
    int Found()
    {
        Sleep(200);
        tarmik.Settle();
        int row = driver::ListSelectedItem(list);
        int top = (int)SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
        int perPage = (int)SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0);
        EXPECT_TRUE(row >= top && row < top + perPage) << "row " << row << " in view from " << top;
        EXPECT_EQ(Focus(tarmik.main()), list);
        return row;
    }

    std::vector<driver::Entry> entries;
    driver::Session tarmik{"shell_find"};
    HWND list = nullptr;
};

TEST_F(Find, FindsInEveryTextFromTheRowAfterTheSelectionRoundTheMemo)
{
    // F3 before anything was looked for asks for the text.
    Key("F3");
    HWND dialog = FindDialog(tarmik);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "nothing to look for yet";
    // Set, not typed: the input method of the Japanese locale may hold back the last typed letter.
    SendMessageA(GetDlgItem(dialog, IDC_FIND_TEXT), WM_SETTEXT, 0, (LPARAM) "wallpaper");
    tarmik.Settle();
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    Key("Return");
    ASSERT_TRUE(Ended(tarmik, dialog));
    EXPECT_EQ(Found(), 3) << "a value name, letters without regard to case";

    Key("F3");
    EXPECT_EQ(Found(), 20) << "a key path";
    Key("F3");
    EXPECT_EQ(Found(), 36) << "a description";
    Key("F3");
    EXPECT_EQ(Found(), 3) << "round from the end of the memo";
    driver::Screenshot(tarmik.main(), "shell_find_found");
    Key("Down");
    EXPECT_EQ(Found(), 4) << "the arrow keys go on from the found entry";

    // Ctrl+F offers the last text; a double-byte text is found whole.
    Key("ctrl+f");
    dialog = FindDialog(tarmik);
    ASSERT_NE(dialog, nullptr);
    HWND field = GetDlgItem(dialog, IDC_FIND_TEXT);
    EXPECT_EQ(driver::GetText(field), "wallpaper");
    EXPECT_EQ(Focus(tarmik.main()), field);
    SendMessageA(field, WM_SETTEXT, 0, (LPARAM) "ソフト");
    Key("Return");
    ASSERT_TRUE(Ended(tarmik, dialog));
    EXPECT_EQ(Found(), 20);

    // Nothing found: said over the dialog, which stays open for another try.
    Key("ctrl+f");
    dialog = FindDialog(tarmik);
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, IDC_FIND_TEXT), WM_SETTEXT, 0, (LPARAM) "no such text");
    Key("Return");
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(tarmik.program().pid, &box));
    EXPECT_EQ(box.caption, "タルミク");
    EXPECT_EQ(box.text, "“no such text”が見つかりません。");
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), dialog);
    driver::Screenshot(box.window, "shell_find_not_found");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_TRUE(IsWindowVisible(dialog));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(Ended(tarmik, dialog));
    EXPECT_EQ(driver::ListSelectedItem(list), 20);

    // F3 with that text says so over the main window.
    Key("F3");
    ASSERT_TRUE(driver::WaitForMessageBox(tarmik.program().pid, &box));
    EXPECT_EQ(box.text, "“no such text”が見つかりません。");
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), tarmik.main());
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(driver::ListSelectedItem(list), 20);
}

TEST(FindLooks, DialogAndMenusAsEachSystemShowsThem)
{
    for (const char *version : {"winxp", "win95"})
    {
        SCOPED_TRACE(version);
        const bool old = std::string(version) == "win95";
        driver::Session tarmik("shell_find_looks", version);
        HWND main = tarmik.Run();
        ASSERT_NE(main, nullptr);
        ClientWhenSettled(tarmik);

        // The file and edit menus, opened from the keyboard, with the keys in their texts.
        RECT window;
        GetWindowRect(main, &window);
        for (const char *menuKey : {"f", "e"})
        {
            SetForegroundWindow(main);
            tarmik.Settle();
            Key((std::string("alt+") + menuKey).c_str());
            HWND popup = driver::WaitForWindowOf(tarmik.program().pid, "#32768", nullptr, 5000);
            ASSERT_NE(popup, nullptr) << menuKey;
            Sleep(300);
            RECT menu, both;
            GetWindowRect(popup, &menu);
            UnionRect(&both, &window, &menu);
            driver::SavePng(std::string("shell_menu_") + menuKey + "_" + version, both.right - both.left,
                            both.bottom - both.top, driver::CapturePixels(nullptr, both));
            Key("Escape");
            Key("Escape");
            driver::WaitFor([&] { return !PopupMenuOf(tarmik.program().pid); }, 2000);
            tarmik.Settle();
        }

        PostMessageA(main, WM_COMMAND, IDM_FIND, 0);
        HWND dialog = driver::WaitForWindowOf(tarmik.program().pid, "#32770", "検索", 5000);
        ASSERT_NE(dialog, nullptr);
        tarmik.Settle();
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDCANCEL)), old ? "ｷｬﾝｾﾙ" : "キャンセル");
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDOK)), "次を検索(&F)");
        EXPECT_EQ(Probe(dialog, 2), old ? "ＭＳ Ｐゴシック" : "MS UI Gothic");
        // Placed over the middle of the main window.
        RECT own;
        GetWindowRect(dialog, &own);
        EXPECT_NEAR((own.left + own.right) / 2, (window.left + window.right) / 2, 1);
        EXPECT_NEAR((own.top + own.bottom) / 2, (window.top + window.bottom) / 2, 1);
        driver::Screenshot(dialog, std::string("shell_find_dialog_") + version);
        ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
        EXPECT_EQ(tarmik.Close(), 0u);
    }
}
