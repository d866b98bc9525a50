// The settings dialog of the real tarmik.exe: its texts and initial state, the refused input and its
// messages, the settings file it writes (byte by byte), the browse dialog, and the start-up file.
#include <gtest/gtest.h>

#include "tests/e2e/settings_e2e.h"

using namespace settings_e2e;

class SettingsDialog : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        tarmik.Stop();
        if (!tarmik.folder().empty()) SetFileAttributesA(tarmik.settingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    void Start(const std::string &name, const std::vector<uint8_t> *settings = nullptr, const char *version = "winxp",
               const std::string &tail = "")
    {
        tarmik.Prepare(name, version);
        if (settings)
        {
            ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), *settings));
        }
        ASSERT_TRUE(tarmik.Run(tail));
    }

    std::string WriteMemo(const std::string &name, int entries)
    {
        std::vector<driver::Entry> list;
        for (int i = 0; i < entries; i++)
            list.push_back({"entry " + std::to_string(i), "HKEY_CURRENT_USER\\Software", ""});
        std::string path = tarmik.folder() + "\\" + name;
        EXPECT_TRUE(driver::WriteFileBytes(path, driver::MemoBytes(list)));
        return path;
    }

    driver::Session tarmik;
};

TEST_F(SettingsDialog, OpensWithTheRecordsStateAndItsTexts)
{
    std::vector<uint8_t> bytes = DefaultSettingsBytes();
    bytes[32] = 0x80;
    const int32_t rect[4] = {40, 30, 640, 470};
    memcpy(bytes.data() + 16, rect, sizeof rect);
    const int32_t widths[3] = {120, 300, 120};
    memcpy(bytes.data() + 36, widths, sizeof widths);
    PutText(&bytes, 48, "MEMO");
    // A start-up path that fills all 260 bytes without a terminator is shown to 259 characters.
    std::string longPath(260, 'a');
    PutText(&bytes, 64, longPath);
    bytes[324] = 1;
    bytes[326] = 1;
    tarmik.Prepare("settings_initial", "winxp");
    ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), bytes));
    // A memo on the command line keeps the start-up path from being opened.
    const std::string memo = tarmik.folder() + "\\start.memo";
    ASSERT_TRUE(driver::WriteFileBytes(memo, driver::MemoBytes({})));
    ASSERT_TRUE(tarmik.Run(memo));

    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::GetText(dialog), "設定");
    EXPECT_EQ(Text(dialog, IDC_REMEMBERWINDOW), "ウィンドウの位置と大きさを記憶する(&W)");
    EXPECT_EQ(Text(dialog, IDC_EXTENSIONLABEL), "メモ ファイルの拡張子(&E):");
    EXPECT_EQ(Text(dialog, IDC_ASSOCIATE), "拡張子に関連付ける(&A)");
    EXPECT_EQ(Text(dialog, IDC_OPENATSTARTUP), "起動時に自動的にファイルを開く(&O)");
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILELABEL), "パス名(&P):");
    EXPECT_EQ(Text(dialog, IDC_BROWSE), "参照(&B)...");
    EXPECT_EQ(Text(dialog, IDC_AUTOSAVE), "自動的に変更を保存する(&S)");
    EXPECT_EQ(Text(dialog, IDC_EXPANDKEY), "選択したキーを展開する(&K)");
    EXPECT_EQ(Text(dialog, IDC_OPENEDITOR), "選択した値の編集画面を開く(&V)");
    EXPECT_EQ(Text(dialog, IDOK), "OK");
    EXPECT_EQ(Text(dialog, IDCANCEL), "キャンセル");

    EXPECT_TRUE(Checked(dialog, IDC_REMEMBERWINDOW));
    EXPECT_EQ(Text(dialog, IDC_EXTENSION), "MEMO");
    EXPECT_FALSE(Checked(dialog, IDC_ASSOCIATE));
    EXPECT_TRUE(Checked(dialog, IDC_OPENATSTARTUP));
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILE), longPath.substr(0, 259));
    for (int id : {IDC_STARTUPFILELABEL, IDC_STARTUPFILE, IDC_BROWSE}) EXPECT_TRUE(Enabled(dialog, id)) << id;
    EXPECT_TRUE(Checked(dialog, IDC_AUTOSAVE));
    EXPECT_FALSE(Checked(dialog, IDC_EXPANDKEY));
    EXPECT_TRUE(Checked(dialog, IDC_OPENEDITOR));

    // Centred over the main window.
    RECT main, own;
    GetWindowRect(tarmik.main(), &main);
    GetWindowRect(dialog, &own);
    EXPECT_LE(abs((main.left + main.right) - (own.left + own.right)), 2);
    EXPECT_LE(abs((main.top + main.bottom) - (own.top + own.bottom)), 2);

    // Unchecking the start-up option empties the path and disables its controls; checking enables them again.
    Click(dialog, IDC_OPENATSTARTUP);
    EXPECT_FALSE(Checked(dialog, IDC_OPENATSTARTUP));
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILE), "");
    for (int id : {IDC_STARTUPFILELABEL, IDC_STARTUPFILE, IDC_BROWSE}) EXPECT_FALSE(Enabled(dialog, id)) << id;
    Click(dialog, IDC_OPENATSTARTUP);
    for (int id : {IDC_STARTUPFILELABEL, IDC_STARTUPFILE, IDC_BROWSE}) EXPECT_TRUE(Enabled(dialog, id)) << id;
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILE), "");

    // Cancel changes nothing in the record; the recent memo files after it follow the start-up memo.
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
    const std::vector<uint8_t> after = ReadSettings(tarmik).bytes;
    ASSERT_GE(after.size(), bytes.size());
    EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.begin() + bytes.size()), bytes);
}

TEST_F(SettingsDialog, ScreenshotsAsXpAndNt40)
{
    Start("settings_look_xp");
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    SetCheck(dialog, IDC_REMEMBERWINDOW, true);
    Click(dialog, IDC_OPENATSTARTUP);
    SetText(dialog, IDC_STARTUPFILE, "C:\\メモ\\レジストリ.tmk");
    SetCheck(dialog, IDC_EXPANDKEY, true);
    EXPECT_TRUE(Checked(dialog, IDC_OPENATSTARTUP));
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILE), "C:\\メモ\\レジストリ.tmk");
    driver::ScreenshotWhenPainted(dialog, "settings_dialog_winxp");
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
    tarmik.Stop();

    Start("settings_look_nt40", nullptr, "nt40");
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::GetText(dialog), "設定");
    EXPECT_EQ(Text(dialog, IDC_REMEMBERWINDOW), "ｳｨﾝﾄﾞｳの位置と大きさを記憶する(&W)");
    EXPECT_EQ(Text(dialog, IDC_EXTENSIONLABEL), "ﾒﾓ ﾌｧｲﾙの拡張子(&E):");
    EXPECT_EQ(Text(dialog, IDC_OPENATSTARTUP), "起動時に自動的にﾌｧｲﾙを開く(&O)");
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILELABEL), "ﾊﾟｽ名(&P):");
    EXPECT_EQ(Text(dialog, IDC_EXPANDKEY), "選択したｷｰを展開する(&K)");
    EXPECT_EQ(Text(dialog, IDCANCEL), "ｷｬﾝｾﾙ");
    SetCheck(dialog, IDC_REMEMBERWINDOW, true);
    Click(dialog, IDC_OPENATSTARTUP);
    SetText(dialog, IDC_STARTUPFILE, "C:\\メモ\\レジストリ.tmk");
    SetCheck(dialog, IDC_EXPANDKEY, true);
    driver::ScreenshotWhenPainted(dialog, "settings_dialog_nt40");
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
}

struct RefusedCase
{
    const char *name;
    std::string extension;
    bool associate;
    bool openAtStartup;
    std::string startupPath;
    const char *message;
};

TEST_F(SettingsDialog, RefusesInputWithItsMessageInOrder)
{
    const char *tooLong = "メモ ファイルの拡張子が長すぎます。";
    const char *empty = "メモ ファイルの拡張子が入力されていません。\r"
                        "拡張子を入力するか、[拡張子に関連付ける] のチェックを外してください。";
    const char *noPath = "起動時に開くファイルのパス名が指定されていません。";
    const char *pathTooLong = "起動時に開くファイルのパス名が長すぎます。";
    const char *forbidden = "メモ ファイルの拡張子に、ファイル名として使用できない文字が含まれています。";
    const char *period = "メモ ファイルの拡張子にピリオド‘.’が含まれています。";
    std::vector<RefusedCase> cases = {
        {"17 characters", "ABCDEFGHIJKLMNOPQ", false, false, "", tooLong},
        {"18 characters", "ABCDEFGHIJKLMNOPQR", false, false, "", tooLong},
        {"25 characters, cut at 18 when read", std::string(25, 'x'), false, false, "", tooLong},
        {"too long before anything else", std::string(17, '*'), true, true, "", tooLong},
        {"empty with the association", "", true, false, "", empty},
        {"missing start-up path before bad characters", "a*b", false, true, "", noPath},
        {"start-up path of 260 characters", "tmk", false, true, "C:\\" + std::string(257, 'p'), pathTooLong},
        {"leading period", ".tmk", false, false, "", period},
        {"inner period", "t.mk", false, false, "", period},
        {"bad characters before the period", ".t?", false, false, "", forbidden},
    };
    for (char c : std::string("\"*/:<>?\\|"))
        cases.push_back({"forbidden character", std::string("a") + c, false, false, "", forbidden});

    Start("settings_refused");
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    for (const RefusedCase &c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + ": " + c.extension);
        SetText(dialog, IDC_EXTENSION, c.extension);
        SetCheck(dialog, IDC_ASSOCIATE, c.associate);
        if (Checked(dialog, IDC_OPENATSTARTUP) != c.openAtStartup) Click(dialog, IDC_OPENATSTARTUP);
        SetText(dialog, IDC_STARTUPFILE, c.startupPath);
        driver::MessageBoxInfo message;
        ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &message));
        EXPECT_EQ(message.text, c.message);
        EXPECT_EQ(message.caption, "タルミク");
        EXPECT_EQ(driver::MessageBoxIcon(message.window), driver::Icon::Exclamation);
        EXPECT_EQ(message.buttons, std::vector<int>{IDOK});
        if (c.message == period) driver::ScreenshotWhenPainted(message.window, "settings_refused_period");
        driver::PressButton(message.window, IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog));
    }
    EXPECT_FALSE(driver::FileExists(tarmik.settingsPath()));

    // The limits themselves are accepted: 16 characters are stored without a terminator, in capitals.
    SetText(dialog, IDC_EXTENSION, "abcdefghijklmnop");
    SetCheck(dialog, IDC_ASSOCIATE, false);
    if (Checked(dialog, IDC_OPENATSTARTUP)) Click(dialog, IDC_OPENATSTARTUP);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    SettingsBytes saved = ReadSettings(tarmik);
    ASSERT_TRUE(saved.valid());
    EXPECT_EQ(std::string((const char *)saved.bytes.data() + 48, 16), "ABCDEFGHIJKLMNOP");
    EXPECT_TRUE(saved.zero(64, 260));

    // An empty extension without the association is accepted too; ソ ends in the byte of a backslash.
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Text(dialog, IDC_EXTENSION), "ABCDEFGHIJKLMNOP");
    SetText(dialog, IDC_EXTENSION, "");
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    EXPECT_TRUE(ReadSettings(tarmik).zero(48, 16));
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Text(dialog, IDC_EXTENSION), "");
    SetText(dialog, IDC_EXTENSION, "ソa");
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    EXPECT_EQ(ReadSettings(tarmik).text(48, 16), "ソA");
}

TEST_F(SettingsDialog, OkCreatesTheSettingsFileFieldByField)
{
    Start("settings_create");
    const std::string memo = WriteMemo("start.tmk", 2);
    ASSERT_FALSE(driver::FileExists(tarmik.settingsPath()));
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    SetCheck(dialog, IDC_REMEMBERWINDOW, true);
    SetText(dialog, IDC_EXTENSION, "Memo");
    Click(dialog, IDC_OPENATSTARTUP);
    SetText(dialog, IDC_STARTUPFILE, memo);
    SetCheck(dialog, IDC_AUTOSAVE, true);
    SetCheck(dialog, IDC_EXPANDKEY, false);
    SetCheck(dialog, IDC_OPENEDITOR, true);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));

    SettingsBytes saved = ReadSettings(tarmik);
    ASSERT_EQ(saved.bytes.size(), 352u);
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(tarmik.main(), &placement));
    HWND list = tarmik.list();
    EXPECT_EQ(saved.u16(0), 1u);
    EXPECT_TRUE(saved.zero(2, 14));
    EXPECT_EQ(saved.i32(16), placement.rcNormalPosition.left);
    EXPECT_EQ(saved.i32(20), placement.rcNormalPosition.top);
    EXPECT_EQ(saved.i32(24), placement.rcNormalPosition.right);
    EXPECT_EQ(saved.i32(28), placement.rcNormalPosition.bottom);
    EXPECT_EQ(saved.u8(32), 0x80u);
    EXPECT_TRUE(saved.zero(33, 3));
    for (int column = 0; column < 3; column++)
    {
        EXPECT_EQ(saved.i32(36 + 4 * column), driver::ListColumnWidth(list, column)) << column;
        EXPECT_GT(saved.i32(36 + 4 * column), 0) << column;
    }
    EXPECT_EQ(saved.text(48, 16), "MEMO");
    EXPECT_TRUE(saved.zero(52, 12));
    EXPECT_EQ(saved.text(64, 260), memo);
    EXPECT_TRUE(saved.zero(64 + memo.size(), 260 - memo.size()));
    EXPECT_EQ(saved.u8(324), 1u);
    EXPECT_EQ(saved.u8(325), 0u);
    EXPECT_EQ(saved.u8(326), 1u);
    EXPECT_TRUE(saved.zero(327, 25));

    // Maximised, the flags say so; the normal rectangle stays the restored one.
    ShowWindowAsync(tarmik.main(), SW_MAXIMIZE);
    EXPECT_TRUE(driver::WaitFor([&] { return IsZoomed(tarmik.main()) != FALSE; }));
    tarmik.Settle();
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    saved = ReadSettings(tarmik);
    EXPECT_EQ(saved.u8(32), 0x82u);
    EXPECT_EQ(saved.i32(16), placement.rcNormalPosition.left);
    EXPECT_EQ(saved.i32(28), placement.rcNormalPosition.bottom);
}

TEST_F(SettingsDialog, WindowOptionOffZeroesTheBlockAtOnceAndShutdownWritesNothing)
{
    std::vector<uint8_t> bytes = DefaultSettingsBytes();
    bytes[32] = 0x80;
    const int32_t rect[4] = {50, 60, 650, 500};
    memcpy(bytes.data() + 16, rect, sizeof rect);
    const int32_t widths[3] = {100, 250, 100};
    memcpy(bytes.data() + 36, widths, sizeof widths);
    Start("settings_window_off", &bytes);

    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(Checked(dialog, IDC_REMEMBERWINDOW));
    SetCheck(dialog, IDC_REMEMBERWINDOW, false);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    const std::vector<uint8_t> written = ReadSettings(tarmik).bytes;
    std::vector<uint8_t> expected = bytes;
    std::fill(expected.begin() + 16, expected.begin() + 48, 0);
    EXPECT_EQ(written, expected);

    MoveWindow(tarmik.main(), 10, 10, 700, 500, TRUE);
    tarmik.Settle();
    tarmik.Stop();
    EXPECT_EQ(ReadSettings(tarmik).bytes, expected);
}

TEST_F(SettingsDialog, KeepsTheHeaderReservedBytesAndWhatFollowsTheRecord)
{
    std::vector<uint8_t> bytes = DefaultSettingsBytes();
    bytes[0] = 7;
    bytes[1] = 0x12;
    std::fill(bytes.begin() + 2, bytes.begin() + 16, 0xAA);
    std::fill(bytes.begin() + 327, bytes.end(), 0xBB);
    bytes.resize(400, 0xCC);
    Start("settings_reserved", &bytes);

    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    SetCheck(dialog, IDC_EXPANDKEY, true);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    std::vector<uint8_t> expected = bytes;
    expected[325] = 1;
    EXPECT_EQ(ReadSettings(tarmik).bytes, expected);
}

TEST_F(SettingsDialog, ReadOnlyFileIsReportedAndNotWritten)
{
    const std::vector<uint8_t> bytes = DefaultSettingsBytes();
    Start("settings_readonly", &bytes);
    ASSERT_TRUE(SetFileAttributesA(tarmik.settingsPath().c_str(), FILE_ATTRIBUTE_READONLY));

    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    SetText(dialog, IDC_EXTENSION, "abc");
    SetCheck(dialog, IDC_AUTOSAVE, true);
    driver::MessageBoxInfo message;
    ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &message));
    EXPECT_EQ(message.text, "設定ファイルの属性が読み取り専用のため設定を保存できません。");
    EXPECT_EQ(message.caption, "タルミク");
    EXPECT_EQ(driver::MessageBoxIcon(message.window), driver::Icon::Question);
    EXPECT_EQ(message.buttons, std::vector<int>{IDOK});
    driver::ScreenshotWhenPainted(message.window, "settings_readonly_message");
    driver::PressButton(message.window, IDOK);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(ReadSettings(tarmik).bytes, bytes);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));

    // The in-memory record did not change either.
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Text(dialog, IDC_EXTENSION), "TMK");
    EXPECT_FALSE(Checked(dialog, IDC_AUTOSAVE));
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
}

TEST_F(SettingsDialog, StartupFileOpensAtTheNextStart)
{
    Start("settings_startup");
    const std::string memo = WriteMemo("daily.tmk", 3);
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_OPENATSTARTUP);
    SetText(dialog, IDC_STARTUPFILE, memo);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    tarmik.Stop();

    ASSERT_TRUE(tarmik.Run());
    HWND window = tarmik.main();
    EXPECT_NE(driver::GetText(window).find("daily.tmk"), std::string::npos) << driver::GetText(window);
    EXPECT_EQ(driver::ListItemCount(GetDlgItem(window, IDC_MEMOLIST)), 4);
}

// The open-file dialog of the browse button, found by its title.
static HWND WaitForBrowseDialog(const driver::Session &tarmik)
{
    return driver::WaitForWindowOf(tarmik.pid(), "#32770", "ファイルの参照", 8000);
}

TEST_F(SettingsDialog, BrowseStartsFromTheTypedPathWithTheMemoFilter)
{
    Start("settings_browse");
    const std::string memo = WriteMemo("picked.tmk", 1);
    WriteMemo("other.abc", 1);
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    Click(dialog, IDC_OPENATSTARTUP);
    SetText(dialog, IDC_EXTENSION, "Tmk");
    SetText(dialog, IDC_STARTUPFILE, memo);

    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_BROWSE));
    HWND browse = WaitForBrowseDialog(tarmik);
    ASSERT_TRUE(browse);
    tarmik.Settle();
    EXPECT_EQ(driver::GetText(GetDlgItem(browse, 0x470)), "メモ ファイル (*.tmk)"); // the filter box
    driver::ScreenshotWhenPainted(browse, "settings_browse_dialog");
    // The typed name in the typed folder: OK takes it whole.
    ASSERT_TRUE(driver::PressButton(browse, IDOK));
    tarmik.Settle();
    EXPECT_EQ(_stricmp(Text(dialog, IDC_STARTUPFILE).c_str(), memo.c_str()), 0) << Text(dialog, IDC_STARTUPFILE);

    // An extension that cannot be a filter leaves all files; cancel changes nothing.
    SetText(dialog, IDC_EXTENSION, "a.b");
    SetText(dialog, IDC_STARTUPFILE, "typed");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_BROWSE));
    browse = WaitForBrowseDialog(tarmik);
    ASSERT_TRUE(browse);
    tarmik.Settle();
    EXPECT_EQ(driver::GetText(GetDlgItem(browse, 0x470)), "すべてのファイル (*.*)");
    ASSERT_TRUE(driver::PressButton(browse, IDCANCEL));
    EXPECT_EQ(Text(dialog, IDC_STARTUPFILE), "typed");
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
}
