// New, open, dropped files and closing, with and without unsaved changes: the save question and each
// of its answers, the automatic save, and the open dialog.
#include "tests/e2e/e2e_memo_support.h"

using namespace memo_e2e;

// A running program with the sample memo loaded from its command line.
struct Loaded
{
    driver::Session session;
    std::string path;
    std::vector<uint8_t> bytes;

    explicit Loaded(const std::string &name, const std::vector<uint8_t> &settings = {}) : session(name)
    {
        if (!settings.empty()) session.WriteSettings(settings);
        path = session.Path("memo.tmk");
        bytes = driver::MemoBytes(SampleEntries());
        driver::WriteFileBytes(path, bytes);
    }
    bool Run()
    {
        return session.Run(path);
    }
};

// The question box after `action`, answered with `button`.
static void Answer(driver::Session &session, int button, const char *screenshot = nullptr)
{
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box)) << "the save question";
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ(kSaveQuestion, box.text);
    EXPECT_TRUE(GetDlgItem(box.window, IDYES) && GetDlgItem(box.window, IDNO) && GetDlgItem(box.window, IDCANCEL));
    if (screenshot) driver::ScreenshotWhenPainted(box.window, screenshot);
    ASSERT_TRUE(driver::PressButton(box.window, button));
    session.Settle();
}

static std::vector<std::string> MovedOrder()
{
    auto descriptions = driver::Descriptions(SampleEntries());
    std::swap(descriptions[0], descriptions[1]);
    return descriptions;
}

TEST(MemoLifecycle, WithoutChangesNothingIsAsked)
{
    Loaded memo("memo_no_changes");
    ASSERT_TRUE(memo.Run());
    memo.session.Post(IDM_NEW);
    EXPECT_TRUE(NoBox(memo.session));
    EXPECT_EQ(kCaption, Title(memo.session));
    EXPECT_EQ(1, memo.session.Count());
    EXPECT_EQ(0, memo.session.Selected());

    memo.session.Post(IDM_OPEN);
    HWND dialog = WaitForFileDialog(memo.session);
    ASSERT_TRUE(dialog) << "the open dialog, without a question first";
    driver::PressButton(dialog, IDCANCEL);
    memo.session.Settle();
    EXPECT_EQ(kCaption, Title(memo.session));

    auto drop = Drop(memo.session, {memo.path});
    ASSERT_TRUE(driver::WaitFor([&] { return Title(memo.session) == std::string(kCaption) + " - memo.tmk"; }));
    EXPECT_EQ(4, memo.session.Count());

    PostMessageA(memo.session.main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(memo.session.Ended());
    EXPECT_EQ(memo.bytes, driver::ReadFileBytes(memo.path));
}

TEST(MemoLifecycle, ClosingWithChangesAsks)
{
    Loaded memo("memo_close_changes");
    ASSERT_TRUE(memo.Run());
    Modify(memo.session);

    PostMessageA(memo.session.main(), WM_CLOSE, 0, 0);
    Answer(memo.session, IDCANCEL, "memo_save_question");
    EXPECT_FALSE(memo.session.Ended(300)) << "Cancel keeps the program";

    // Esc answers as Cancel does.
    PostMessageA(memo.session.main(), WM_CLOSE, 0, 0);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(memo.session.Box(&box));
    SetForegroundWindow(box.window);
    driver::Xdotool("key Escape");
    EXPECT_TRUE(driver::WaitFor([&] { return !IsWindow(box.window); })) << "Esc closes the question";
    EXPECT_FALSE(memo.session.Ended(300));

    PostMessageA(memo.session.main(), WM_CLOSE, 0, 0);
    Answer(memo.session, IDNO);
    EXPECT_TRUE(memo.session.Ended());
    EXPECT_EQ(memo.bytes, driver::ReadFileBytes(memo.path)) << "No discards the changes";
}

TEST(MemoLifecycle, ClosingWithChangesAndYesSaves)
{
    Loaded memo("memo_close_yes");
    ASSERT_TRUE(memo.Run());
    Modify(memo.session);
    PostMessageA(memo.session.main(), WM_CLOSE, 0, 0);
    Answer(memo.session, IDYES);
    EXPECT_TRUE(memo.session.Ended());
    EXPECT_EQ(MovedOrder(), driver::Descriptions(FileEntries(memo.path)));
}

TEST(MemoLifecycle, NewWithChanges)
{
    Loaded memo("memo_new_changes");
    ASSERT_TRUE(memo.Run());
    Modify(memo.session);
    memo.session.Post(IDM_NEW);
    Answer(memo.session, IDCANCEL);
    EXPECT_EQ(std::string(kCaption) + " - memo.tmk", Title(memo.session));
    EXPECT_EQ(4, memo.session.Count());

    memo.session.Post(IDM_NEW);
    Answer(memo.session, IDNO);
    EXPECT_EQ(kCaption, Title(memo.session));
    EXPECT_EQ(1, memo.session.Count());
    EXPECT_EQ(memo.bytes, driver::ReadFileBytes(memo.path));
    // A new memo is not modified.
    PostMessageA(memo.session.main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(memo.session.Ended());
}

TEST(MemoLifecycle, DroppedFileWithChanges)
{
    Loaded memo("memo_drop_changes");
    const std::string other = memo.session.Path("other.tmk");
    ASSERT_TRUE(driver::WriteFileBytes(other, driver::MemoBytes({{"other", "HKU", "", true}})));
    ASSERT_TRUE(memo.Run());
    Modify(memo.session);
    {
        auto drop = Drop(memo.session, {other});
        Answer(memo.session, IDCANCEL);
        EXPECT_EQ(std::string(kCaption) + " - memo.tmk", Title(memo.session));
    }
    {
        auto drop = Drop(memo.session, {other});
        Answer(memo.session, IDYES);
        EXPECT_TRUE(driver::WaitFor([&] { return Title(memo.session) == std::string(kCaption) + " - other.tmk"; }));
        EXPECT_EQ(2, memo.session.Count());
    }
    EXPECT_EQ(MovedOrder(), driver::Descriptions(FileEntries(memo.path))) << "Yes saved before the drop loaded";
}

TEST(MemoLifecycle, OnlyTheFirstDroppedFileLoads)
{
    driver::Session session("memo_drop_several");
    const std::string first = session.Path("first.tmk"), second = session.Path("second.tmk");
    ASSERT_TRUE(driver::WriteFileBytes(first, driver::MemoBytes({{"1", "HKCU", "", false}, {"2", "HKCU", "", false}})));
    ASSERT_TRUE(driver::WriteFileBytes(second, driver::MemoBytes(SampleEntries())));
    ASSERT_TRUE(session.Run());
    EXPECT_EQ(kCaption, Title(session));
    auto drop = Drop(session, {first, second});
    ASSERT_TRUE(driver::WaitFor([&] { return Title(session) == std::string(kCaption) + " - first.tmk"; }));
    session.Settle();
    EXPECT_EQ(3, session.Count());
    EXPECT_TRUE(NoBox(session));
    driver::ScreenshotWhenPainted(session.main(), "memo_dropped_first");
}

TEST(MemoLifecycle, OpenDialogLoadsTheChosenFile)
{
    Loaded memo("memo_open_dialog", SettingsBytes("TMK", false));
    const std::string other = memo.session.Path("other.tmk");
    ASSERT_TRUE(driver::WriteFileBytes(other, driver::MemoBytes({{"other", "HKU", "", true}})));
    ASSERT_TRUE(memo.Run());
    memo.session.Post(IDM_OPEN);
    HWND dialog = WaitForFileDialog(memo.session);
    ASSERT_TRUE(dialog);
    memo.session.Settle();
    driver::ScreenshotWhenPainted(dialog, "memo_open_dialog");
    // Wine's open dialog does not complete a typed name with the default extension (its save dialog does).
    ChooseInFileDialog(dialog, "other.tmk");
    ASSERT_TRUE(driver::WaitFor([&] { return Title(memo.session) == std::string(kCaption) + " - other.tmk"; }));
    EXPECT_EQ(2, memo.session.Count());
}

TEST(MemoLifecycle, AutomaticSaveOfAnUntitledMemoAsksForAName)
{
    driver::Session session("memo_autosave");
    ASSERT_TRUE(session.WriteSettings(SettingsBytes("TMK", true)));
    ASSERT_TRUE(session.Run());
    // Capturing marks the memo modified even when no Registry Editor runs.
    session.Send(IDM_CAPTURE);
    PostMessageA(session.main(), WM_CLOSE, 0, 0);
    HWND dialog = WaitForFileDialog(session);
    ASSERT_TRUE(dialog) << "the save dialog, without a question";
    EXPECT_TRUE(NoBox(session, 0));
    driver::PressButton(dialog, IDCANCEL);
    EXPECT_FALSE(session.Ended(500)) << "a cancelled save keeps the program";

    PostMessageA(session.main(), WM_CLOSE, 0, 0);
    dialog = WaitForFileDialog(session);
    ASSERT_TRUE(dialog);
    ChooseInFileDialog(dialog, "auto");
    EXPECT_TRUE(session.Ended(10000));
    EXPECT_TRUE(driver::FileExists(session.Path("auto.tmk")));
}

TEST(MemoLifecycle, AutomaticSaveOfANamedMemoWritesWithoutAsking)
{
    Loaded memo("memo_autosave_named", SettingsBytes("TMK", true));
    ASSERT_TRUE(memo.Run());
    Modify(memo.session);
    memo.session.Post(IDM_NEW);
    ASSERT_TRUE(driver::WaitFor([&] { return Title(memo.session) == kCaption; }));
    EXPECT_TRUE(NoBox(memo.session));
    EXPECT_EQ(MovedOrder(), driver::Descriptions(FileEntries(memo.path)));
}

TEST(MemoLifecycle, AFileChangedByAnotherCopyIsReplacedOnlyWhenTheUserSaysSo)
{
    Loaded a("memo_changed_a");
    driver::Session b("memo_changed_b");
    ASSERT_TRUE(b.WriteSettings(SettingsBytes("TMK", true)));
    ASSERT_TRUE(a.Run());
    ASSERT_TRUE(b.Run(a.path));
    a.session.Send(IDM_DELETE); // the first entry
    a.session.Send(IDM_SAVE);
    const std::vector<uint8_t> saved = driver::ReadFileBytes(a.path);
    ASSERT_EQ(2u, FileEntries(a.path).size());

    const std::string question =
        "メモ ファイル“" + a.path + "”は、他のプログラムによって変更されています。\r\r上書きして保存しますか？";
    Modify(b);
    // Closing saves automatically, and that save asks first.
    PostMessageA(b.main(), WM_CLOSE, 0, 0);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(b.Box(&box));
    EXPECT_EQ(question, box.text);
    HWND no = GetDlgItem(box.window, IDNO);
    EXPECT_TRUE(GetDlgItem(box.window, IDYES) && no && !GetDlgItem(box.window, IDCANCEL));
    EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(no, GWL_STYLE) & 0x0F) << "No preselected";
    driver::ScreenshotWhenPainted(box.window, "memo_changed_question");
    ASSERT_TRUE(driver::PressButton(box.window, IDNO));
    EXPECT_FALSE(b.Ended(500)) << "No stops the close as a cancel does";
    EXPECT_EQ(saved, driver::ReadFileBytes(a.path)) << "the other copy's save stays";

    // Still modified and still asking; Yes writes this copy's memo.
    b.Post(IDM_SAVE);
    ASSERT_TRUE(b.Box(&box));
    EXPECT_EQ(question, box.text);
    ASSERT_TRUE(driver::PressButton(box.window, IDYES));
    b.Settle();
    EXPECT_EQ(MovedOrder(), driver::Descriptions(FileEntries(a.path)));
    // Now the file is as this copy wrote it: the next save asks nothing, and neither does a vanished file.
    b.Send(IDM_SAVE);
    EXPECT_TRUE(NoBox(b));
    ASSERT_TRUE(DeleteFileA(a.path.c_str()));
    Modify(b);
    PostMessageA(b.main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(b.Ended());
    const auto entries = driver::Descriptions(SampleEntries());
    EXPECT_EQ((std::vector<std::string>{entries[1], entries[2], entries[0]}),
              driver::Descriptions(FileEntries(a.path)));
}

// Save as onto an existing file: the dialog's own overwrite question, then the program's when the file is
// the memo's own and was changed meanwhile; none from the program for another file.
TEST(MemoLifecycle, SaveAsAsksAboutAChangedFileOnlyWhenItIsTheMemosOwn)
{
    Loaded memo("memo_changed_save_as", SettingsBytes("TMK", false));
    const std::string other = memo.session.Path("other.tmk");
    const std::vector<uint8_t> changed = driver::MemoBytes({{"changed", "HKU", "", true}});
    ASSERT_TRUE(driver::WriteFileBytes(other, changed));
    ASSERT_TRUE(memo.Run());
    ASSERT_TRUE(driver::WriteFileBytes(memo.path, changed));
    auto saveAs = [&](const char *name) {
        memo.session.Post(IDM_SAVEAS);
        HWND dialog = WaitForFileDialog(memo.session);
        ASSERT_TRUE(dialog);
        ChooseInFileDialog(dialog, name);
        driver::MessageBoxInfo box;
        ASSERT_TRUE(memo.session.Box(&box)) << "the dialog's overwrite question";
        ASSERT_TRUE(driver::PressButton(box.window, IDYES));
        memo.session.Settle();
    };
    saveAs("memo.tmk");
    driver::MessageBoxInfo box;
    ASSERT_TRUE(memo.session.Box(&box));
    EXPECT_NE(std::string::npos, box.text.find("”は、他のプログラムによって変更されています。")) << box.text;
    ASSERT_TRUE(driver::PressButton(box.window, IDNO));
    EXPECT_EQ(changed, driver::ReadFileBytes(memo.path));

    saveAs("other.tmk");
    EXPECT_FALSE(memo.session.Box(&box, 300)) << box.text;
    EXPECT_EQ(memo.bytes, driver::ReadFileBytes(other));
}
