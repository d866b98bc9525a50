// The memo program's start as each system shows it, its window's layout and size limits, the settings
// file it reads at start and writes back at the end, and the failures that end it.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/settings_record.h"
#include "tests/e2e/e2e_shell.h"

using namespace shell_e2e;

struct SystemCase
{
    const char *version;
    const char *title;
    const char *keyColumn;
};

TEST(ShellStart, MainWindowAsEachSystemShowsIt)
{
    const SystemCase cases[] = {
        {"winxp", "タルミク", " キー"},
        {"win2k", "タルミク", " キー"},
        {"nt40", "ﾀﾙﾐｸ", " ｷｰ"},
        {"win95", "ﾀﾙﾐｸ", " ｷｰ"},
    };
    for (const SystemCase &c : cases)
    {
        SCOPED_TRACE(c.version);
        driver::Session tarmik("shell_looks", c.version);
        HWND main = tarmik.Run();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(driver::GetText(main), c.title);

        HWND list = tarmik.Item(IDC_MEMOLIST);
        RECT client;
        GetClientRect(list, &client);
        int quarter = client.right >> 2;
        EXPECT_EQ(driver::ListColumnWidth(list, 0), quarter);
        EXPECT_EQ(driver::ListColumnWidth(list, 1), client.right - 2 * quarter);
        EXPECT_EQ(driver::ListColumnWidth(list, 2), quarter);
        EXPECT_EQ(ColumnTitle(list, 0), " 説 明");
        EXPECT_EQ(ColumnTitle(list, 1), c.keyColumn);
        EXPECT_EQ(ColumnTitle(list, 2), " 値");

        // Only the end row, selected; what needs an entry is disabled.
        EXPECT_EQ(driver::ListItemCount(list), 1);
        EXPECT_EQ(driver::ListSelectedItem(list), 0);
        EXPECT_FALSE(IsWindowEnabled(tarmik.Item(IDC_OPEN)));
        EXPECT_TRUE(IsWindowEnabled(tarmik.Item(IDC_ADD)));
        EXPECT_FALSE(IsWindowEnabled(tarmik.Item(IDC_DELETE)));
        EXPECT_FALSE(IsWindowEnabled(tarmik.Item(IDC_CHANGE)));
        EXPECT_TRUE(IsWindowEnabled(tarmik.Item(IDC_IMPORT)));
        EXPECT_FALSE(IsWindowVisible(tarmik.Item(IDC_MINSIZE)));
        ClientWhenSettled(tarmik);
        driver::Screenshot(main, std::string("shell_main_") + c.version);

        MenuState menus = ReadMenus(tarmik, (std::string("shell_context_menu_") + c.version).c_str());
        ASSERT_TRUE(menus.read) << "the program's menus could not be read";
        bool old = std::string(c.version) == "nt40" || std::string(c.version) == "win95";
        EXPECT_EQ(menus.popups, (std::vector<std::string>{old ? "ﾌｧｲﾙ(&F)" : "ファイル(&F)", "編集(&E)",
                                                          old ? "ﾚｼﾞｽﾄﾘ ｴﾃﾞｨﾀ(&R)" : "レジストリ エディタ(&R)"}));
        EXPECT_EQ(menus.Text(IDM_OPENENTRY), old ? "ﾒﾓから開く(&O)" : "メモから開く(&O)");
        EXPECT_EQ(menus.Text(IDM_CAPTURE), old ? "ﾒﾓに取り込む(&I)" : "メモに取り込む(&I)");
        EXPECT_EQ(menus.Text(IDM_OPENKEY),
                  old ? "ﾒﾓに追加せずに開く(&Q)...\tCtrl+G" : "メモに追加せずに開く(&Q)...\tCtrl+G");
        EXPECT_EQ(menus.Text(IDM_COPYKEYPATH), old ? "ｷｰのﾊﾟｽをｺﾋﾟｰ(&C)\tCtrl+C" : "キーのパスをコピー(&C)\tCtrl+C");
        EXPECT_EQ(menus.Text(IDM_LIST_COPYKEYPATH), old ? "ｷｰのﾊﾟｽをｺﾋﾟｰ(&C)" : "キーのパスをコピー(&C)");
        EXPECT_EQ(menus.Text(IDM_ADDFAVORITE), "お気に入りに追加(&F)");
        EXPECT_EQ(menus.Text(IDM_LIST_ADDFAVORITE), "お気に入りに追加(&F)");
        EXPECT_EQ(menus.Text(IDM_IMPORTFAVORITES), "お気に入りから取り込む(&V)");
        EXPECT_TRUE(menus.Grayed(IDM_ADDFAVORITE) && menus.Grayed(IDM_LIST_ADDFAVORITE)) << "no entry to add";
        EXPECT_FALSE(menus.Grayed(IDM_IMPORTFAVORITES));
        EXPECT_EQ(menus.Text(IDM_NEW), "新規作成(&N)\tCtrl+N");
        EXPECT_EQ(menus.Text(IDM_OPEN), "開く(&O)...\tCtrl+O");
        EXPECT_EQ(menus.Text(IDM_SAVE), "上書き保存(&S)\tCtrl+S");
        EXPECT_EQ(menus.Text(IDM_FIND), "検索(&F)...\tCtrl+F");
        EXPECT_EQ(menus.Text(IDM_FINDNEXT), "次を検索(&X)\tF3");
        for (UINT id : {IDM_DELETE, IDM_CHANGE, IDM_MOVEUP, IDM_MOVEDOWN, IDM_OPENENTRY, IDM_LIST_OPEN, IDM_LIST_DELETE,
                        IDM_LIST_CHANGE, IDM_LIST_MOVEUP, IDM_LIST_MOVEDOWN, IDM_COPYKEYPATH, IDM_LIST_COPYKEYPATH})
            EXPECT_TRUE(menus.Grayed(id)) << id;
        for (UINT id : {IDM_NEW, IDM_OPEN, IDM_SAVE, IDM_SAVEAS, IDM_EXIT, IDM_ADD, IDM_SETTINGS, IDM_CAPTURE,
                        IDM_OPENKEY, IDM_STARTREGEDIT, IDM_LIST_ADD, IDM_LIST_CAPTURE, IDM_FIND, IDM_FINDNEXT})
            EXPECT_FALSE(menus.Grayed(id)) << id;

        EXPECT_EQ(WindowFace(tarmik), old ? "ＭＳ Ｐゴシック" : "MS UI Gothic");
        EXPECT_EQ(tarmik.Close(), 0u);
    }
}

TEST(ShellStart, WindowKeepsItsMinimumSizeAndLaysOutItsControls)
{
    driver::Session tarmik("shell_layout");
    HWND main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    RECT marker = ClientRectOf(tarmik, IDC_MINSIZE);
    RECT list0 = ClientRectOf(tarmik, IDC_MEMOLIST), client0;
    GetClientRect(main, &client0);
    std::vector<RECT> buttons0;
    for (int id : kButtons) buttons0.push_back(ClientRectOf(tarmik, id));

    // Larger: the list grows both ways, the buttons keep their left edges and distance from the bottom.
    RECT window;
    GetWindowRect(main, &window);
    SetWindowPos(main, nullptr, 0, 0, window.right - window.left + 200, window.bottom - window.top + 150,
                 SWP_NOMOVE | SWP_NOZORDER);
    tarmik.Settle();
    RECT client1;
    GetClientRect(main, &client1);
    EXPECT_EQ(client1.right - client0.right, 200);
    EXPECT_EQ(client1.bottom - client0.bottom, 150);
    RECT list1 = ClientRectOf(tarmik, IDC_MEMOLIST);
    EXPECT_EQ(list1.left, list0.left);
    EXPECT_EQ(list1.top, list0.top);
    EXPECT_EQ(list1.right - list0.right, 200);
    EXPECT_EQ(list1.bottom - list0.bottom, 150);
    for (size_t i = 0; i < buttons0.size(); ++i)
    {
        RECT button = ClientRectOf(tarmik, kButtons[i]);
        EXPECT_EQ(button.left, buttons0[i].left) << kButtons[i];
        EXPECT_EQ(button.right - button.left, buttons0[i].right - buttons0[i].left);
        EXPECT_EQ(client1.bottom - button.top, client0.bottom - buttons0[i].top) << kButtons[i];
    }
    driver::Screenshot(main, "shell_layout_larger");

    // Dragging the size grip far up and left stops at the marker's corner, in client terms.
    GetWindowRect(main, &window);
    int gripX = window.right - 4, gripY = window.bottom - 4;
    ASSERT_TRUE(DragWithMouse(gripX, gripY, window.left - 300, window.top - 300));
    RECT client2 = ClientWhenSettled(tarmik);
    EXPECT_EQ(client2.right, marker.left);
    EXPECT_EQ(client2.bottom, marker.top);
    driver::Screenshot(main, "shell_layout_smallest");
    EXPECT_EQ(tarmik.Close(), 0u);
}

TEST(ShellStart, MaximisingHidesTheSizeGrip)
{
    driver::Session tarmik("shell_grip");
    HWND main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    EXPECT_GT(GripMarks(main), 0) << "the grip is drawn";
    SendMessageA(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ClientWhenSettled(tarmik);
    ASSERT_TRUE(IsZoomed(main));
    EXPECT_EQ(GripMarks(main), 0) << "no grip while maximised";
    driver::Screenshot(main, "shell_maximised");
    SendMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    ClientWhenSettled(tarmik);
    EXPECT_GT(GripMarks(main), 0) << "the grip is back";
    EXPECT_EQ(tarmik.Close(), 0u);
}

TEST(ShellSettings, MissingFileGivesTheDefaultsAndIsNotCreated)
{
    driver::Session tarmik("shell_nofile");
    HWND main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    SetWindowPos(main, nullptr, 40, 50, 500, 400, SWP_NOZORDER);
    tarmik.Settle();
    EXPECT_EQ(tarmik.Close(), 0u);
    EXPECT_FALSE(driver::FileExists(tarmik.settingsPath()));
}

TEST(ShellSettings, RememberedPlacementGivesTheWindowItsState)
{
    struct Case
    {
        uint8_t flags;
        bool minimised, maximised, restoresMaximised;
    } cases[] = {
        {0x82, false, true, false}, {0x81, true, false, false}, {0x83, true, false, true}, {0x80, false, false, false}};
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.flags);
        driver::Session tarmik("shell_placement");
        Settings settings = RememberedSettings(c.flags, {120, 90, 620, 470}, {70, 150, 90});
        ASSERT_TRUE(tarmik.WriteSettings(RecordBytes(settings)));
        // The start's show command is ignored while a placement is remembered.
        HWND main = tarmik.Run("", SW_SHOWMINNOACTIVE);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(IsIconic(main) != 0, c.minimised);
        EXPECT_EQ(IsZoomed(main) != 0, c.maximised);
        HWND list = tarmik.Item(IDC_MEMOLIST);
        EXPECT_EQ(driver::ListColumnWidth(list, 0), 70);
        EXPECT_EQ(driver::ListColumnWidth(list, 1), 150);
        EXPECT_EQ(driver::ListColumnWidth(list, 2), 90);
        if (c.minimised)
        {
            SendMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
            tarmik.Settle();
            EXPECT_FALSE(IsIconic(main));
            EXPECT_EQ(IsZoomed(main) != 0, c.restoresMaximised);
        }
        if (!IsZoomed(main))
        {
            RECT window;
            GetWindowRect(main, &window);
            EXPECT_EQ(window.left, 120);
            EXPECT_EQ(window.top, 90);
            EXPECT_EQ(window.right, 620);
            EXPECT_EQ(window.bottom, 470);
        }
        EXPECT_EQ(tarmik.Close(), 0u);
    }
}

TEST(ShellSettings, MovedWindowComesBackAndOnlyTheWindowBlockIsWritten)
{
    driver::Session tarmik("shell_moved");
    Settings settings = RememberedSettings(0x80, {100, 100, 560, 420}, {80, 160, 80});
    settings.headerWord = 7; // never checked, written back unchanged
    strcpy(settings.memoExtension, "ABC");
    settings.autoSave = 1;
    settings.reserved327[24] = 0x5A;
    std::vector<uint8_t> before(sizeof settings + 3, 0);
    memcpy(before.data(), &settings, sizeof settings);
    before[352] = 1, before[353] = 2, before[354] = 3; // bytes beyond the record stay as they are
    ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), before));

    HWND main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    SetWindowPos(main, nullptr, 150, 130, 640, 480, SWP_NOZORDER);
    SendMessageA(tarmik.Item(IDC_MEMOLIST), LVM_SETCOLUMNWIDTH, 1, 200);
    tarmik.Settle();
    RECT moved;
    GetWindowRect(main, &moved);
    EXPECT_EQ(tarmik.Close(), 0u);

    std::vector<uint8_t> after = driver::ReadFileBytes(tarmik.settingsPath());
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i)
    {
        if (i < 16 || i >= 48)
        {
            EXPECT_EQ(after[i], before[i]) << "byte " << i;
        }
    }
    Settings written;
    memcpy(&written, after.data(), sizeof written);
    EXPECT_EQ(written.placementFlags, 0x80);
    EXPECT_EQ(written.normalRect.left, moved.left);
    EXPECT_EQ(written.normalRect.top, moved.top);
    EXPECT_EQ(written.normalRect.right, moved.right);
    EXPECT_EQ(written.normalRect.bottom, moved.bottom);
    EXPECT_EQ(written.columnWidths[0], 80);
    EXPECT_EQ(written.columnWidths[1], 200);
    EXPECT_EQ(written.columnWidths[2], 80);

    // The next start puts the window where it was left.
    main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    RECT again;
    GetWindowRect(main, &again);
    EXPECT_EQ(again.left, moved.left);
    EXPECT_EQ(again.top, moved.top);
    EXPECT_EQ(again.right, moved.right);
    EXPECT_EQ(again.bottom, moved.bottom);
    EXPECT_EQ(driver::ListColumnWidth(tarmik.Item(IDC_MEMOLIST), 1), 200);
    // Maximised at the end: remembered as maximised, with the normal rectangle kept.
    SendMessageA(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    tarmik.Settle();
    EXPECT_EQ(tarmik.Close(), 0u);
    memcpy(&written, driver::ReadFileBytes(tarmik.settingsPath()).data(), sizeof written);
    EXPECT_EQ(written.placementFlags, 0x82);
    EXPECT_EQ(written.normalRect.left, moved.left);
    EXPECT_EQ(written.normalRect.bottom, moved.bottom);
}

TEST(ShellSettings, EndOfTheSessionWritesTheWindowBlockOnce)
{
    driver::Session tarmik("shell_session");
    ASSERT_TRUE(tarmik.WriteSettings(RecordBytes(RememberedSettings(0x80, {100, 100, 560, 420}, {80, 160, 80}))));
    HWND main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    SetWindowPos(main, nullptr, 111, 122, 500, 400, SWP_NOZORDER);
    tarmik.Settle();
    DWORD_PTR agreed = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &agreed));
    EXPECT_EQ(agreed, 1u) << "nothing to save: the session may end";
    DWORD_PTR ignored;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &ignored));
    Settings written;
    memcpy(&written, driver::ReadFileBytes(tarmik.settingsPath()).data(), sizeof written);
    EXPECT_EQ(written.normalRect.left, 111);
    EXPECT_EQ(written.normalRect.top, 122);
    EXPECT_TRUE(IsWindow(main)) << "the window stays; the system ends the process";

    // A later destruction of the window does not clean up a second time.
    SetWindowPos(main, nullptr, 5, 6, 500, 400, SWP_NOZORDER);
    EXPECT_EQ(tarmik.Close(), 0u);
    memcpy(&written, driver::ReadFileBytes(tarmik.settingsPath()).data(), sizeof written);
    EXPECT_EQ(written.normalRect.left, 111);
}

TEST(ShellSettings, ShortFileGivesTheDefaultsAndIsLeftAlone)
{
    driver::Session tarmik("shell_short");
    Settings settings = RememberedSettings(0x82, {100, 100, 560, 420}, {80, 160, 80});
    std::vector<uint8_t> bytes((uint8_t *)&settings, (uint8_t *)&settings + 351);
    ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), bytes));
    HWND main = tarmik.Run();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsZoomed(main)) << "no placement from a short file";
    HWND list = tarmik.Item(IDC_MEMOLIST);
    RECT client;
    GetClientRect(list, &client);
    EXPECT_EQ(driver::ListColumnWidth(list, 0), client.right >> 2);
    SetWindowPos(main, nullptr, 10, 10, 600, 500, SWP_NOZORDER);
    EXPECT_EQ(tarmik.Close(), 0u);
    EXPECT_EQ(driver::ReadFileBytes(tarmik.settingsPath()), bytes);
}

TEST(ShellSettings, UnreadableFileEndsTheProgramAfterOneMessage)
{
    driver::Session tarmik("shell_unreadable");
    ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), std::vector<uint8_t>(352, 0)));
    // Held open without sharing, the file cannot be opened for reading.
    HANDLE held = CreateFileA(tarmik.settingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(tarmik.Start());
    driver::MessageBoxInfo box;
    ASSERT_TRUE(driver::WaitForMessageBox(tarmik.program().pid, &box, 15000));
    EXPECT_EQ(box.caption, "タルミク");
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), nullptr) << "no main window to own it";
    EXPECT_EQ(driver::FindWindowOf(tarmik.program().pid, "Oskelund_Tarmik"), nullptr);
    driver::Screenshot(box.window, "shell_settings_unreadable");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(driver::WaitForExit(&tarmik.program(), 10000), 0u);
    CloseHandle(held);
}

TEST(ShellSettings, RandomRecordsNeverEndTheProgramAbnormally)
{
    uint32_t seed = 0x7A2C1;
    auto next = [&seed] {
        seed = seed * 1103515245 + 12345;
        return (uint8_t)(seed >> 16);
    };
    for (int round = 0; round < 6; ++round)
    {
        SCOPED_TRACE(round);
        driver::Session tarmik("shell_random");
        std::vector<uint8_t> bytes(352);
        for (uint8_t &b : bytes) b = next();
        // Half the rounds keep a plausible rectangle so that the window is also used, not only placed.
        if (round % 2)
        {
            Settings *settings = (Settings *)bytes.data();
            settings->normalRect = {(int32_t)next(), (int32_t)next(), (int32_t)(400 + next()), (int32_t)(300 + next())};
        }
        ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), bytes));
        ASSERT_TRUE(tarmik.Start());
        // A start-up file named by the random bytes is reported; the program runs on.
        driver::WaitFor(
            [&] {
                driver::MessageBoxInfo box;
                if (tarmik.Box(&box, 0)) driver::PressButton(box.window, IDOK);
                tarmik.program().mainWindow = driver::FindWindowOf(tarmik.pid(), "Oskelund_Tarmik");
                return tarmik.main() != nullptr;
            },
            15000);
        ASSERT_NE(tarmik.program().mainWindow, nullptr);
        tarmik.Settle();
        ShowWindow(tarmik.program().mainWindow, SW_RESTORE);
        tarmik.Settle();
        EXPECT_EQ(tarmik.Close(), 0u);
    }
}

// The ファイル menu's texts from 名前を付けて保存 on, "-" for a separator.
static std::vector<std::string> FileMenuTail(const driver::Session &session)
{
    std::istringstream lines(Probe(session.main(), 0));
    std::vector<std::string> texts;
    std::string line;
    int popup = -1;
    while (std::getline(lines, line))
    {
        const size_t tab2 = line.find('\t', line.find('\t') + 1);
        if (line.compare(0, 2, "P\t") == 0)
            popup++;
        else if (popup == 0 && tab2 != std::string::npos)
            texts.push_back(tab2 + 1 < line.size() ? line.substr(tab2 + 1) : "-");
    }
    if (texts.size() > 3) texts.erase(texts.begin(), texts.begin() + 3);
    return texts;
}

static std::string Title(const driver::Session &session)
{
    return driver::GetText(session.main());
}

TEST(ShellSettings, RecentMemoFilesAfterTheRecordAcrossARestart)
{
    // Settings of a build without the list: the record alone.
    const std::vector<uint8_t> record = RecordBytes(RememberedSettings(0, {100, 100, 560, 420}, {80, 160, 80}));
    struct
    {
        driver::Session session{"shell_recent"};
        std::string path;
        bool Run()
        {
            return session.Run(path) != nullptr;
        }
    } loaded;
    ASSERT_TRUE(loaded.session.WriteSettings(record));
    loaded.path = loaded.session.Path("memo.tmk");
    ASSERT_TRUE(loaded.session.WriteMemo({{"E0", "HKCU\\Software", "", false}}));
    const std::string other = loaded.session.Path("other&more.tmk");
    ASSERT_TRUE(driver::WriteFileBytes(other, driver::ReadFileBytes(loaded.path)));
    ASSERT_TRUE(loaded.session.Run(other));
    const std::string saveAs = "名前を付けて保存(&A)...";
    EXPECT_EQ(FileMenuTail(loaded.session),
              (std::vector<std::string>{saveAs, "-", "&1 other&&more.tmk", "-", "終了(&X)"}));
    EXPECT_EQ(loaded.session.Close(), 0u);
    std::vector<uint8_t> settings = driver::ReadFileBytes(loaded.session.settingsPath());
    ASSERT_GT(settings.size(), record.size());
    EXPECT_TRUE(std::equal(record.begin(), record.end(), settings.begin())) << "the record is left as it was";

    // Across a restart, most recent first; chosen with the keys, the file opens as 開く opens it.
    ASSERT_TRUE(loaded.Run());
    EXPECT_EQ(FileMenuTail(loaded.session),
              (std::vector<std::string>{saveAs, "-", "&1 memo.tmk", "&2 other&&more.tmk", "-", "終了(&X)"}));
    driver::Keys("alt+f");
    HWND popup = driver::WaitForWindowOf(loaded.session.pid(), "#32768", nullptr, 5000);
    ASSERT_NE(popup, nullptr);
    driver::Screenshot(popup, "shell_recent_menu");
    driver::Keys("2");
    EXPECT_TRUE(driver::WaitFor([&] { return Title(loaded.session) == "タルミク - other&more.tmk"; }))
        << Title(loaded.session);
    EXPECT_EQ(FileMenuTail(loaded.session),
              (std::vector<std::string>{saveAs, "-", "&1 other&&more.tmk", "&2 memo.tmk", "-", "終了(&X)"}));

    // A file that is gone is named and taken off the list, the memo shown staying as it was.
    ASSERT_TRUE(DeleteFileA(loaded.path.c_str()));
    loaded.session.Post(IDM_RECENT_FIRST + 1);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(loaded.session.Box(&box));
    EXPECT_NE(box.text.find(loaded.path), std::string::npos) << box.text;
    driver::ScreenshotWhenPainted(box.window, "shell_recent_gone");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_TRUE(driver::WaitFor([&] { return FileMenuTail(loaded.session).size() == 5; }));
    EXPECT_EQ(FileMenuTail(loaded.session),
              (std::vector<std::string>{saveAs, "-", "&1 other&&more.tmk", "-", "終了(&X)"}));
    EXPECT_EQ(Title(loaded.session), "タルミク - other&more.tmk");
    EXPECT_EQ(loaded.session.Close(), 0u);
    settings = driver::ReadFileBytes(loaded.session.settingsPath());
    ASSERT_GT(settings.size(), record.size());
    EXPECT_TRUE(std::equal(record.begin(), record.begin() + 16, settings.begin()));
}
