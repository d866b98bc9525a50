// Memo files through the real program: what loads, what is refused with which message, and what a save
// leaves on disk, the old file included when a save cannot finish.
#include "tests/e2e/e2e_memo_support.h"

using namespace memo_e2e;

static std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.push_back((uint8_t)v);
    return bytes;
}

// Files whose names start with the temporary prefix, left in a folder.
static int LeftoverFiles(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\~*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do count++;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// Saves over a file that the test changed after the program read it: the program asks, and Yes writes.
static void SaveOverAChangedFile(driver::Session &session)
{
    session.Post(IDM_SAVE);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box)) << "the question about the changed file";
    EXPECT_NE(std::string::npos, box.text.find("他のプログラムによって変更されています。")) << box.text;
    ASSERT_TRUE(driver::PressButton(box.window, IDYES));
    DWORD_PTR ignored; // answered once the save is done
    SendMessageTimeoutA(session.main(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
}

static std::string UnixBuildDir()
{
    char path[MAX_PATH] = "";
    GetEnvironmentVariableA("TARMIK_BUILD", path, sizeof path);
    return path;
}

// A small filesystem of its own, mounted for one test; unmounted when the test ends.
class SmallDisk
{
  public:
    SmallDisk(const std::string &name, const std::string &options)
    {
        unixPath_ = UnixBuildDir() + "/e2e-disk-" + name;
        RunUnix("umount '" + unixPath_ + "' 2>/dev/null; mkdir -p '" + unixPath_ + "'");
        mounted_ = RunUnix("mount -t tmpfs -o " + options + " tmpfs '" + unixPath_ + "'") == 0;
    }
    ~SmallDisk()
    {
        if (mounted_) RunUnix("umount '" + unixPath_ + "'");
    }
    bool mounted() const
    {
        return mounted_;
    }
    std::string Path(const std::string &name) const
    {
        return driver::WindowsPath(unixPath_ + "/" + name);
    }
    std::string folder() const
    {
        return driver::WindowsPath(unixPath_);
    }
    // Takes every free block with one file.
    void Fill()
    {
        RunUnix("dd if=/dev/zero of='" + unixPath_ + "/filler' bs=4096 2>/dev/null; sync");
    }

  private:
    std::string unixPath_;
    bool mounted_ = false;
};

// An item of another process's combo box, in code page 932: the dialog's controls are Unicode windows.
static std::string ComboText(HWND combo, int index)
{
    WCHAR wide[256] = L"";
    SendMessageW(combo, CB_GETLBTEXT, index, (LPARAM)wide);
    char text[512] = "";
    WideCharToMultiByte(932, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

TEST(MemoFile, PathWithBlanksOnTheCommandLineLoadsAndSavesCanonically)
{
    driver::Session session("memo_blanks");
    CreateDirectoryA(session.Path("a b").c_str(), nullptr);
    const std::string path = session.Path("a b\\memo file.tmk");
    const auto entries = SampleEntries();
    // A header extension of a later version and bytes after the last record: loaded, not kept.
    std::vector<uint8_t> canonical = driver::MemoBytes(entries);
    std::vector<uint8_t> file = canonical;
    file[0] = 8;
    file[2] = 2;
    file.insert(file.begin() + 6, {1, 2, 3, 4});
    file.insert(file.end(), {'e', 'n', 'd'});
    ASSERT_TRUE(driver::WriteFileBytes(path, file));

    ASSERT_TRUE(session.Run(path));
    EXPECT_EQ(std::string(kCaption) + " - memo file.tmk", Title(session));
    EXPECT_EQ(4, session.Count());
    EXPECT_EQ(0, session.Selected());
    EXPECT_TRUE(Focused0(session));
    driver::ScreenshotWhenPainted(session.main(), "memo_loaded_blanks");

    // Saving a memo that is not modified still writes it, with this system's header.
    session.Send(IDM_SAVE);
    EXPECT_TRUE(NoBox(session));
    EXPECT_EQ(canonical, driver::ReadFileBytes(path));
    EXPECT_EQ(0, LeftoverFiles(session.Path("a b")));
    EXPECT_EQ(std::string(kCaption) + " - memo file.tmk", Title(session));
}

TEST(MemoFile, SmallestFilesSaveBackByteForByte)
{
    const std::vector<uint8_t> files[] = {
        Bytes({0x04, 0x00, 0x01, 0x00, 0x00, 0x00}),
        Bytes({0x04, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x00, 0xFF, 0xFF, 0x48, 0x4B, 0x43, 0x55}),
        Bytes({0x04, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
    };
    int n = 0;
    for (const std::vector<uint8_t> &bytes : files)
    {
        driver::Session session("memo_small_" + std::to_string(n++));
        const std::string path = session.Path("small.tmk");
        ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
        ASSERT_TRUE(session.Run(path));
        EXPECT_EQ(std::string(kCaption) + " - small.tmk", Title(session));
        EXPECT_EQ(bytes.size() == 6 ? 1 : 2, session.Count());
        // The file is rewritten from the list, not copied.
        ASSERT_TRUE(driver::WriteFileBytes(path, Bytes({9, 9, 9})));
        SaveOverAChangedFile(session);
        EXPECT_EQ(bytes, driver::ReadFileBytes(path)) << "file " << n;
    }
}

TEST(MemoFile, FileCutShortIsRefusedWhole)
{
    driver::Session session("memo_cut");
    const std::string path = session.Path("cut.tmk");
    std::vector<uint8_t> bytes = driver::MemoBytes(SampleEntries());
    bytes.resize(bytes.size() - 3);
    ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
    ASSERT_TRUE(session.Start(path));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box, 15000));
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ("メモ ファイルの形式に誤りがあります。", box.text);
    driver::ScreenshotWhenPainted(box.window, "memo_malformed_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    ASSERT_TRUE(session.FindMainWindow());
    ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(session.main()) != FALSE; }));
    session.Settle();
    EXPECT_EQ(kCaption, Title(session));
    EXPECT_EQ(1, session.Count()) << "only the end row";
    EXPECT_EQ(0, session.Selected());
    driver::ScreenshotWhenPainted(session.main(), "memo_malformed_untitled");
    // Untitled: saving asks for a name.
    session.Post(IDM_SAVE);
    HWND dialog = WaitForFileDialog(session);
    ASSERT_TRUE(dialog);
    driver::PressButton(dialog, IDCANCEL);
    EXPECT_EQ(bytes, driver::ReadFileBytes(path));
}

TEST(MemoFile, MissingFileNamesItsPath)
{
    driver::Session session("memo_missing");
    const std::string path = session.Path("nowhere.tmk");
    ASSERT_TRUE(session.Start(path));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box, 15000));
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ("メモ ファイル“" + path + "”が見つかりません。", box.text);
    driver::ScreenshotWhenPainted(box.window, "memo_missing_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    ASSERT_TRUE(session.FindMainWindow());
    ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(session.main()) != FALSE; }));
    EXPECT_EQ(kCaption, Title(session));
    EXPECT_EQ(1, session.Count());
}

TEST(MemoFile, QuotedPathWithBlanksIsLoaded)
{
    // As Explorer and command prompts pass a path with blanks: in one pair of quotes.
    driver::Session session("memo_quoted");
    const std::string folder = session.Path("memo files");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string path = folder + "\\a b.tmk";
    ASSERT_TRUE(driver::WriteFileBytes(path, driver::MemoBytes(SampleEntries())));
    ASSERT_TRUE(session.Run("\"" + path + "\""));
    EXPECT_EQ(std::string(kCaption) + " - a b.tmk", Title(session));
    EXPECT_EQ((int)SampleEntries().size() + 1, session.Count());
    driver::MessageBoxInfo box;
    EXPECT_FALSE(session.Box(&box, 0));
}

TEST(MemoFile, ReadOnlyFileIsNotWritten)
{
    driver::Session session("memo_readonly");
    const std::string path = session.Path("ro.tmk");
    const std::vector<uint8_t> bytes = driver::MemoBytes(SampleEntries());
    ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
    ASSERT_TRUE(session.Run(path));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    Modify(session);
    session.Post(IDM_SAVE);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box));
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ("メモ ファイルの属性が読み取り専用のためメモを保存できません。", box.text);
    driver::ScreenshotWhenPainted(box.window, "memo_readonly_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(bytes, driver::ReadFileBytes(path));
    EXPECT_EQ(0, LeftoverFiles(session.folder()));
    // Still modified: closing asks.
    PostMessageA(session.main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(session.Box(&box));
    EXPECT_EQ(kSaveQuestion, box.text);
    driver::PressButton(box.window, IDNO);
    EXPECT_TRUE(session.Ended());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(MemoFile, FullDiskLeavesTheOldFileWhole)
{
    SmallDisk disk("full", "size=256k");
    if (!disk.mounted()) GTEST_SKIP() << "no small filesystem can be mounted here";
    driver::Session session("memo_full_disk");
    const std::string path = disk.Path("full.tmk");
    std::vector<driver::Entry> entries = SampleEntries();
    for (int i = 0; i < 200; i++)
        entries.push_back({"説明 " + std::to_string(i), "HKEY_CURRENT_USER\\Software\\Test", "v", false});
    const std::vector<uint8_t> bytes = driver::MemoBytes(entries);
    ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
    disk.Fill();
    ASSERT_TRUE(session.Run(path));
    ASSERT_EQ((int)entries.size() + 1, session.Count());
    Modify(session);
    session.Post(IDM_SAVE);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box));
    EXPECT_EQ(kCaption, box.caption);
    EXPECT_EQ("ディスクに空きがないためメモを保存できません。", box.text);
    driver::ScreenshotWhenPainted(box.window, "memo_disk_full_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(bytes, driver::ReadFileBytes(path)) << "the old file stays byte for byte";
    EXPECT_EQ(0, LeftoverFiles(disk.folder()));
    EXPECT_EQ(std::string(kCaption) + " - full.tmk", Title(session));
}

TEST(MemoFile, FullDirectoryIsReportedAsSuch)
{
    // Room for the folder and the memo file only: no other file can be made there.
    SmallDisk disk("dirfull", "size=256k,nr_inodes=2");
    if (!disk.mounted()) GTEST_SKIP() << "no small filesystem can be mounted here";
    driver::Session session("memo_full_directory");
    const std::string path = disk.Path("dir.tmk");
    const std::vector<uint8_t> bytes = driver::MemoBytes(SampleEntries());
    ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
    ASSERT_TRUE(session.Run(path));
    Modify(session);
    session.Post(IDM_SAVE);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box));
    EXPECT_EQ("ディレクトリに空きがないためメモを保存できません。", box.text);
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(bytes, driver::ReadFileBytes(path));
}

TEST(MemoFile, SaveAsTakesTheFilterExtensionAndRenames)
{
    driver::Session session("memo_save_as");
    ASSERT_TRUE(session.WriteSettings(SettingsBytes("TMK", false)));
    const std::string path = session.Path("first.tmk");
    const auto entries = SampleEntries();
    ASSERT_TRUE(driver::WriteFileBytes(path, driver::MemoBytes(entries)));
    ASSERT_TRUE(session.Run(path));
    session.Post(IDM_SAVEAS);
    HWND dialog = WaitForFileDialog(session);
    ASSERT_TRUE(dialog);
    session.Settle();
    // The file types: memo files first, all files second.
    HWND types = GetDlgItem(dialog, 0x470);
    ASSERT_TRUE(types);
    ASSERT_EQ(2, (int)SendMessageA(types, CB_GETCOUNT, 0, 0));
    EXPECT_EQ("メモ ファイル (*.tmk)", ComboText(types, 0));
    EXPECT_EQ("すべてのファイル (*.*)", ComboText(types, 1));
    driver::ScreenshotWhenPainted(dialog, "memo_save_as_dialog");
    ChooseInFileDialog(dialog, "second");
    ASSERT_TRUE(driver::WaitFor([&] { return driver::FileExists(session.Path("second.tmk")); }));
    session.Settle();
    EXPECT_EQ(std::string(kCaption) + " - second.tmk", Title(session));
    EXPECT_EQ(driver::MemoBytes(entries), driver::ReadFileBytes(session.Path("second.tmk")));
}

TEST(MemoFile, StartupFileOfTheSettingsOpensWithItsWholeName)
{
    // ソ ends in the byte of a backslash: the name is found character by character.
    const std::string folder = driver::BuildDir() + "\\e2e\\memo_startup_file";
    const std::string path = folder + "\\ソフト.tmk";
    driver::Session session("memo_startup_file");
    ASSERT_TRUE(session.WriteSettings(SettingsBytes("TMK", false, path)));
    ASSERT_TRUE(driver::WriteFileBytes(path, driver::MemoBytes(SampleEntries())));
    ASSERT_TRUE(session.Run());
    EXPECT_EQ(std::string(kCaption) + " - ソフト.tmk", Title(session));
    EXPECT_EQ(4, session.Count());
}

TEST(MemoFile, StartupFileFillingItsWholeFieldIsReadWithinIt)
{
    // 260 bytes without a NUL: the name is its first 259 bytes, and nothing after the field is read.
    driver::Session session("memo_startup_full_field");
    const std::string prefix = session.folder() + "\\";
    std::string name(259 - prefix.size(), 'n');
    name.replace(name.size() - 4, 4, ".tmk");
    const std::string path = prefix + name;
    ASSERT_EQ(259u, path.size());
    ASSERT_TRUE(driver::WriteFileBytes(path, driver::MemoBytes(SampleEntries())));
    std::vector<uint8_t> settings = SettingsBytes("TMK", false, path + "X");
    memset(&settings[324], 'Z', 28); // option bytes and the tail hold no NUL either
    settings[324] = settings[325] = settings[326] = 0;
    ASSERT_TRUE(driver::WriteFileBytes(session.Path("tarmik.PRF"), settings));
    ASSERT_TRUE(session.Run());
    EXPECT_EQ(std::string(kCaption) + " - " + name, Title(session));
    EXPECT_EQ(4, session.Count());
}

TEST(MemoFile, OldSystemsShowHalfWidthKatakana)
{
    driver::Session session("memo_old_system");
    ASSERT_TRUE(session.WriteSettings(SettingsBytes("TMK", false)));
    driver::SetWindowsVersion("tarmik.exe", "win95");
    const std::string path = session.Path("cut.tmk");
    ASSERT_TRUE(driver::WriteFileBytes(path, Bytes({4, 0, 1, 0, 1, 0, 0})));
    ASSERT_TRUE(session.Start(path));
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box, 15000));
    EXPECT_EQ("ﾀﾙﾐｸ", box.caption);
    EXPECT_EQ("ﾒﾓ ﾌｧｲﾙの形式に誤りがあります。", box.text);
    driver::ScreenshotWhenPainted(box.window, "memo_old_system_malformed");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    ASSERT_TRUE(session.FindMainWindow());
    ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(session.main()) != FALSE; }));
    EXPECT_EQ("ﾀﾙﾐｸ", Title(session));
    session.Post(IDM_OPEN);
    HWND dialog = WaitForFileDialog(session);
    ASSERT_TRUE(dialog);
    session.Settle();
    HWND types = GetDlgItem(dialog, 0x470);
    EXPECT_EQ("ﾒﾓ ﾌｧｲﾙ (*.tmk)", ComboText(types, 0));
    EXPECT_EQ("すべてのﾌｧｲﾙ (*.*)", ComboText(types, 1));
    driver::PressButton(dialog, IDCANCEL);

    // A file's name is shown as it is, after the converted text.
    const std::string held = session.Path("メモ.tmk");
    ASSERT_TRUE(driver::WriteFileBytes(held, driver::MemoBytes(SampleEntries())));
    HANDLE lock = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    auto drop = Drop(session, {held});
    const bool shown = session.Box(&box);
    CloseHandle(lock);
    ASSERT_TRUE(shown);
    const std::string opening = "ﾒﾓ ﾌｧｲﾙ“" + held + "”を開けませんでした。\r\r";
    EXPECT_EQ(opening, box.text.substr(0, opening.size()));
    driver::ScreenshotWhenPainted(box.window, "memo_old_system_locked");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    driver::SetWindowsVersion("tarmik.exe", nullptr);
}

TEST(MemoFile, LongestMemoLoadsWholeAndSavesBack)
{
    driver::Session session("memo_longest");
    const std::string path = session.Path("long.tmk");
    std::vector<driver::Entry> entries(65535, driver::Entry{"説明", "HKCU\\Software", "v", false});
    entries[65534] = {"last", "HKLM", "", true};
    const std::vector<uint8_t> bytes = driver::MemoBytes(entries);
    ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
    ASSERT_TRUE(session.Start(path));
    ASSERT_TRUE(driver::WaitForMainWindow(&session.program(), "Oskelund_Tarmik", 60000));
    EXPECT_EQ(std::string(kCaption) + " - long.tmk", Title(session));
    EXPECT_EQ(65536, session.Count());

    // A list of 65,536 rows answers slowly on a busy machine.
    const DWORD kBusyMs = 30000;
    // Full: one more is refused in words, and the dialogs and the clipboard still have what they need.
    session.Post(IDM_ADD);
    driver::MessageBoxInfo box;
    ASSERT_TRUE(session.Box(&box, kBusyMs));
    EXPECT_NE(box.text.find("65535"), std::string::npos) << box.text;
    EXPECT_EQ(driver::MessageBoxIcon(box.window), driver::Icon::Exclamation);
    driver::ScreenshotWhenPainted(box.window, "memo_full_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(65536, session.Count());
    ASSERT_TRUE(session.SelectRow(0));
    ASSERT_TRUE(driver::SetClipboardText("before"));
    // Sent, and read once it is done: a clipboard held open by this test would refuse the program.
    session.Send(IDM_COPYKEYPATH, kBusyMs);
    EXPECT_EQ(driver::ClipboardText(), "HKEY_CURRENT_USER\\Software");
    session.Post(IDM_CHANGE);
    HWND change = session.WaitForDialog("変更", true, kBusyMs);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(driver::GetText(GetDlgItem(change, IDC_ENTRY_DESCRIPTION)), "説明");
    ASSERT_TRUE(driver::PressButton(change, IDCANCEL));

    ASSERT_TRUE(driver::WriteFileBytes(path, Bytes({0})));
    SaveOverAChangedFile(session);
    EXPECT_TRUE(driver::ReadFileBytes(path) == bytes);

    // One place free again: the entry dialog opens.
    session.Post(IDM_DELETE);
    ASSERT_TRUE(driver::WaitFor([&] { return session.Count() == 65535; }, kBusyMs));
    session.Post(IDM_ADD);
    HWND add = session.WaitForDialog("追加", true, kBusyMs);
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(driver::PressButton(add, IDCANCEL));
}

TEST(MemoFile, FileHeldByAnotherProgramIsASystemErrorNamingTheFile)
{
    driver::Session session("memo_locked");
    const std::string path = session.Path("locked.tmk");
    const std::vector<uint8_t> bytes = driver::MemoBytes(SampleEntries());
    ASSERT_TRUE(driver::WriteFileBytes(path, bytes));
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_TRUE(session.Start(path));
    driver::MessageBoxInfo box;
    const bool shown = session.Box(&box, 15000);
    CloseHandle(held);
    ASSERT_TRUE(shown);
    EXPECT_EQ(kCaption, box.caption);
    // What failed and on which file, then the system's own text.
    const std::string opening = "メモ ファイル“" + path + "”を開けませんでした。\r\r";
    EXPECT_EQ(opening, box.text.substr(0, opening.size()));
    EXPECT_GT(box.text.size(), opening.size() + 4) << box.text;
    driver::ScreenshotWhenPainted(box.window, "memo_locked_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    ASSERT_TRUE(session.FindMainWindow());
    ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(session.main()) != FALSE; }));
    EXPECT_EQ(kCaption, Title(session));
    EXPECT_EQ(1, session.Count());

    auto drop = Drop(session, {path});
    ASSERT_TRUE(driver::WaitFor([&] { return Title(session) == std::string(kCaption) + " - locked.tmk"; }));
    held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Modify(session);
    session.Post(IDM_SAVE);
    const bool saveShown = session.Box(&box);
    CloseHandle(held);
    ASSERT_TRUE(saveShown);
    const std::string saving = "メモ ファイル“" + path + "”にメモを保存できませんでした。\r\r";
    EXPECT_EQ(saving, box.text.substr(0, saving.size()));
    EXPECT_GT(box.text.size(), saving.size() + 4) << box.text;
    driver::ScreenshotWhenPainted(box.window, "memo_locked_save_message");
    ASSERT_TRUE(driver::PressButton(box.window, IDOK));
    EXPECT_EQ(bytes, driver::ReadFileBytes(path));
    EXPECT_EQ(0, LeftoverFiles(session.folder()));
}
