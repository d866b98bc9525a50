// The memo-file association, driven through tarmik's settings dialog, with the registry under
// HKEY_CLASSES_ROOT read back after each step; and the shell opening a memo file with tarmik.
#include "tests/e2e/settings_e2e.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <shellapi.h>

using namespace settings_e2e;

static const char kQuestionEnd[] = "に関連付けされています。\r\r関連付けを変更しますか？";

static std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
    return text;
}

// A hidden top-level window of this test that counts the shell's association-change broadcasts.
class BroadcastListener
{
  public:
    BroadcastListener()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "AssocTestBroadcastListener";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
        count_ = 0;
    }
    ~BroadcastListener()
    {
        DestroyWindow(window_);
    }
    int Take()
    {
        Pump(50);
        int count = count_;
        count_ = 0;
        return count;
    }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_WININICHANGE && wParam == 0 && lParam == 0) count_++;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    HWND window_ = nullptr;
    static int count_;
};
int BroadcastListener::count_;

class Association : public ::testing::Test
{
  protected:
    void TearDown() override
    {
        tarmik.Stop();
        for (const char *extension : {"tmk", "abc", "xyz", "qqq"}) ForgetExtension(extension);
        DeleteTree("OtherDoc");
        DeleteTree("qqqtype");
    }

    void Start(const std::string &name, const char *version = "winxp")
    {
        tarmik.Prepare(name, version);
        ASSERT_TRUE(tarmik.Run());
    }

    // Opens the dialog, sets the extension and the association box, and presses OK, which must close it.
    void SaveThroughDialog(const std::string &extension, bool associate)
    {
        HWND dialog = OpenSettings(tarmik);
        ASSERT_TRUE(dialog);
        SetText(dialog, IDC_EXTENSION, extension);
        SetCheck(dialog, IDC_ASSOCIATE, associate);
        ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    }

    // The registration of this tarmik for `extension`, key by key.
    void ExpectRegisteredForThisProgram(const std::string &extension, const char *typeName = "タルミク ファイル")
    {
        const std::string type = extension + "file";
        bool blank = tarmik.exe().find(' ') != std::string::npos;
        EXPECT_EQ(DefaultValue("." + extension), type);
        EXPECT_EQ(DefaultValue(type), typeName);
        EXPECT_TRUE(KeyExists(type + "\\Shell"));
        EXPECT_TRUE(KeyExists(type + "\\Shell\\open"));
        EXPECT_EQ(DefaultValue(type + "\\Shell\\open\\command"),
                  blank ? "\"" + tarmik.exe() + "\" %1" : tarmik.exe() + " %1");
        EXPECT_EQ(DefaultValue(type + "\\DefaultIcon"), tarmik.exe() + ",1");
    }

    void OpenThroughTheShell(const std::string &memo, const std::string &name);

    driver::Session tarmik;
    BroadcastListener broadcasts;
};

TEST_F(Association, RegistersAndRemovesTheExtension)
{
    ForgetExtension("tmk");
    Start("assoc_register");
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Text(dialog, IDC_EXTENSION), "TMK");
    EXPECT_FALSE(Checked(dialog, IDC_ASSOCIATE));
    EXPECT_TRUE(Enabled(dialog, IDC_ASSOCIATE));
    SetCheck(dialog, IDC_ASSOCIATE, true);
    broadcasts.Take();
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    ExpectRegisteredForThisProgram("tmk");
    EXPECT_EQ(ReadSettings(tarmik).text(48, 16), "TMK");
    EXPECT_EQ(broadcasts.Take(), 1);

    // Registered for this very program: the box opens checked, and unchecking it removes both keys whole.
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(Checked(dialog, IDC_ASSOCIATE));
    SetCheck(dialog, IDC_ASSOCIATE, false);
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    EXPECT_FALSE(KeyExists(".tmk"));
    EXPECT_FALSE(KeyExists("tmkfile"));
    EXPECT_EQ(broadcasts.Take(), 1);

    // Unchecked and not registered: nothing to tell the shell.
    dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(Checked(dialog, IDC_ASSOCIATE));
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    EXPECT_EQ(broadcasts.Take(), 0);
}

TEST_F(Association, QuotesOnlyTheProgramPathWithBlanks)
{
    Start("assoc quoted path");
    SaveThroughDialog("tmk", true);
    ExpectRegisteredForThisProgram("tmk");
    EXPECT_EQ(DefaultValue("tmkfile\\Shell\\open\\command"), "\"" + tarmik.exe() + "\" %1");

    // The quoted path reads back as this program.
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(Checked(dialog, IDC_ASSOCIATE));
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
}

TEST_F(Association, ChangingTheExtensionMovesTheRegistration)
{
    Start("assoc_change");
    SaveThroughDialog("tmk", true);
    ExpectRegisteredForThisProgram("tmk");

    SaveThroughDialog("abc", true);
    EXPECT_FALSE(KeyExists(".tmk"));
    EXPECT_FALSE(KeyExists("tmkfile"));
    ExpectRegisteredForThisProgram("abc");
    EXPECT_EQ(ReadSettings(tarmik).text(48, 16), "ABC");

    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Text(dialog, IDC_EXTENSION), "ABC");
    EXPECT_TRUE(Checked(dialog, IDC_ASSOCIATE));
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
}

TEST_F(Association, ThisProgramInOtherLetterCaseIsThisProgram)
{
    Start("assoc_case");
    SetDefaultValue(".tmk", "tmkfile");
    SetDefaultValue("tmkfile", "old name");
    SetDefaultValue("tmkfile\\Shell\\open\\command", Lower(tarmik.exe()) + " %1");
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(Checked(dialog, IDC_ASSOCIATE));
    // Unchanged and already ours: nothing is asked, nothing rewritten, nothing told.
    broadcasts.Take();
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
    EXPECT_EQ(broadcasts.Take(), 0);
    EXPECT_EQ(DefaultValue("tmkfile"), "old name");
    EXPECT_EQ(DefaultValue("tmkfile\\Shell\\open\\command"), Lower(tarmik.exe()) + " %1");
}

// .xyz registered by another program: its file type with two verbs and an icon, a subkey under the extension.
static void RegisterOtherProgram(const std::string &programPath)
{
    ForgetExtension("xyz");
    DeleteTree("OtherDoc");
    SetDefaultValue(".xyz", "OtherDoc");
    SetDefaultValue(".xyz\\ShellNew", "");
    SetDefaultValue("OtherDoc", "Other document");
    SetDefaultValue("OtherDoc\\Shell\\open\\command", "\"" + programPath + "\" \"%1\"");
    SetDefaultValue("OtherDoc\\Shell\\print\\command", "\"" + programPath + "\" /p \"%1\"");
    SetDefaultValue("OtherDoc\\DefaultIcon", programPath + ",0");
}

struct TakeOverCase
{
    const char *name;
    std::string program;
    const char *named; // how the question names the program
};

TEST_F(Association, TakingOverAnotherProgramsExtensionAsksFirst)
{
    Start("assoc_takeover");
    const std::string fixtures = driver::BuildDir() + "\\assoc_fixtures\\";
    const std::string copyFolder = driver::MakeTestFolder("assoc_takeover_copy");
    const TakeOverCase cases[] = {
        {"no version block", fixtures + "assoc_plain.exe", "他のアプリケーション"},
        {"program file missing", fixtures + "gone.exe", "他のアプリケーション"},
        {"Japanese description", fixtures + "assoc_japanese.exe", "アプリケーション“レジストリ ノート”"},
        {"English string table only", fixtures + "assoc_english.exe", "他のアプリケーション"},
        {"another copy of this program", copyFolder + "\\tarmik.exe", "アプリケーション“タルミク”"},
        {"another build of the tool", fixtures + "assoc_sibling.exe",
         "現在実行中のものとは別のタルミクのプログラム ファイル"},
    };
    for (const TakeOverCase &c : cases)
    {
        SCOPED_TRACE(c.name);
        RegisterOtherProgram(c.program);
        const std::vector<uint8_t> before = ReadSettings(tarmik).bytes;

        HWND dialog = OpenSettings(tarmik);
        ASSERT_TRUE(dialog);
        EXPECT_FALSE(Checked(dialog, IDC_ASSOCIATE));
        SetText(dialog, IDC_EXTENSION, "xyz");
        SetCheck(dialog, IDC_ASSOCIATE, true);
        driver::MessageBoxInfo question;
        ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &question));
        EXPECT_EQ(question.caption, "タルミク");
        EXPECT_EQ(question.text, std::string("拡張子“XYZ”は") + c.named + kQuestionEnd);
        EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(question.defaultButton, IDNO);
        EXPECT_EQ(driver::MessageBoxIcon(question.window), driver::Icon::Exclamation);
        driver::ScreenshotWhenPainted(question.window, std::string("assoc_question_") + c.name);

        // No: nothing changes, the dialog stays open.
        broadcasts.Take();
        driver::PressButton(question.window, IDNO);
        EXPECT_EQ(broadcasts.Take(), 0);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_EQ(DefaultValue(".xyz"), "OtherDoc");
        EXPECT_EQ(DefaultValue("OtherDoc\\Shell\\open\\command"), "\"" + c.program + "\" \"%1\"");
        EXPECT_EQ(ReadSettings(tarmik).bytes, before);

        // Yes: the other program's extension key and file type go whole, then this program registers.
        ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &question));
        driver::PressButton(question.window, IDYES);
        EXPECT_TRUE(WaitUntilClosed(dialog));
        EXPECT_EQ(broadcasts.Take(), 1);
        EXPECT_FALSE(KeyExists("OtherDoc"));
        EXPECT_FALSE(KeyExists(".xyz\\ShellNew"));
        ExpectRegisteredForThisProgram("xyz");
        EXPECT_EQ(ReadSettings(tarmik).text(48, 16), "XYZ");
    }
}

TEST_F(Association, TakingOverKeepsAFileTypeThatAnotherExtensionStillNames)
{
    Start("assoc_shared_type");
    const std::string program = driver::BuildDir() + "\\assoc_fixtures\\assoc_plain.exe";
    RegisterOtherProgram(program);
    ForgetExtension("qqq");
    SetDefaultValue(".qqq", "otherdoc"); // key names are the same in any letter case
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    SetText(dialog, IDC_EXTENSION, "xyz");
    SetCheck(dialog, IDC_ASSOCIATE, true);
    driver::MessageBoxInfo question;
    ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &question));
    driver::PressButton(question.window, IDYES);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    ExpectRegisteredForThisProgram("xyz");
    EXPECT_EQ(DefaultValue(".qqq"), "otherdoc");
    EXPECT_EQ(DefaultValue("OtherDoc"), "Other document");
    EXPECT_EQ(DefaultValue("OtherDoc\\Shell\\open\\command"), "\"" + program + "\" \"%1\"");
    EXPECT_EQ(DefaultValue("OtherDoc\\Shell\\print\\command"), "\"" + program + "\" /p \"%1\"");

    // The shell still opens the other extension's files with the other program.
    const std::string file = tarmik.folder() + "\\shared.qqq";
    ASSERT_TRUE(driver::WriteFileBytes(file, {}));
    char found[MAX_PATH] = "";
    EXPECT_GT((INT_PTR)FindExecutableA(file.c_str(), nullptr, found), 32);
    EXPECT_EQ(Lower(found), Lower(program));
}

TEST_F(Association, OldSystemsAskAndRegisterInHalfWidth)
{
    Start("assoc_question_nt40", "nt40");
    RegisterOtherProgram(driver::BuildDir() + "\\assoc_fixtures\\assoc_japanese.exe");
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    SetText(dialog, IDC_EXTENSION, "xyz");
    SetCheck(dialog, IDC_ASSOCIATE, true);
    driver::MessageBoxInfo question;
    ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &question));
    // The whole question is converted, the other program's description with it.
    EXPECT_EQ(question.text, std::string("拡張子“XYZ”はｱﾌﾟﾘｹｰｼｮﾝ“ﾚｼﾞｽﾄﾘ ﾉｰﾄ”") + kQuestionEnd);
    EXPECT_EQ(question.caption, "ﾀﾙﾐｸ");
    driver::PressButton(question.window, IDYES);
    ASSERT_TRUE(WaitUntilClosed(dialog));
    // The file type's name is stored in its half-width form.
    ExpectRegisteredForThisProgram("xyz", "ﾀﾙﾐｸ ﾌｧｲﾙ");
}

TEST_F(Association, FileTypeWithoutShellIsOverwrittenWithoutAsking)
{
    Start("assoc_noshell");
    ForgetExtension("qqq");
    SetDefaultValue(".qqq", "qqqtype");
    SetDefaultValue("qqqtype\\DefaultIcon", "C:\\elsewhere.exe,0");
    SaveThroughDialog("qqq", true);
    ExpectRegisteredForThisProgram("qqq");
}

TEST_F(Association, ExtensionWithAnEmptyFileTypeNameCountsAsNotRegistered)
{
    // An empty name would make the file type the classes root itself, which has a Shell key here.
    Start("assoc_emptytype");
    ForgetExtension("qqq");
    SetDefaultValue(".qqq", "");
    SetDefaultValue("Shell\\open\\command", "C:\\elsewhere.exe %1");
    ASSERT_TRUE(KeyExists("CLSID"));
    SaveThroughDialog("qqq", true);
    ExpectRegisteredForThisProgram("qqq");
    EXPECT_TRUE(KeyExists("CLSID"));
    EXPECT_EQ(DefaultValue("Shell\\open\\command"), "C:\\elsewhere.exe %1");
    DeleteTree("Shell");
}

TEST_F(Association, TheShellOpensAMemoFileWithTarmik)
{
    Start("assoc_shell");
    SaveThroughDialog("tmk", true);
    ExpectRegisteredForThisProgram("tmk");

    // %1 stays unquoted: a name with blanks reaches tarmik as several words, which it takes as one path.
    for (const char *name : {"opened.tmk", "opened memo.tmk"})
    {
        SCOPED_TRACE(name);
        OpenThroughTheShell(tarmik.folder() + "\\" + name, name);
    }
}

// Opens the memo file through the shell; tarmik must start with it loaded.
void Association::OpenThroughTheShell(const std::string &memo, const std::string &name)
{
    ASSERT_TRUE(driver::WriteFileBytes(memo, driver::MemoBytes({{"first", "HKEY_CURRENT_USER\\Software", "a"},
                                                                {"second", "HKEY_LOCAL_MACHINE\\Software", ""}})));
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = "open";
    execute.lpFile = memo.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute)) << GetLastError();
    ASSERT_TRUE(execute.hProcess);

    driver::Program opened;
    opened.process = execute.hProcess;
    opened.pid = GetProcessId(execute.hProcess);
    ASSERT_NE(opened.pid, tarmik.pid());
    HWND window = driver::WaitForMainWindow(&opened);
    ASSERT_TRUE(window);
    EXPECT_NE(driver::GetText(window).find(name), std::string::npos) << driver::GetText(window);
    EXPECT_EQ(driver::ListItemCount(GetDlgItem(window, IDC_MEMOLIST)), 3); // two entries and the end row
    driver::ScreenshotWhenPainted(window, "assoc_shell_" + name);
    driver::Stop(&opened);
}

// HKEY_CLASSES_ROOT readable but not writable by anyone, for the life of the object; the key's own
// owner, group and access list come back afterwards.
class RestrictedClassesRoot
{
  public:
    RestrictedClassesRoot()
    {
        const SECURITY_INFORMATION all =
            OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
        DWORD cb = 0;
        RegGetKeySecurity(HKEY_CLASSES_ROOT, all, nullptr, &cb);
        saved_.resize(cb);
        if (RegGetKeySecurity(HKEY_CLASSES_ROOT, all, saved_.data(), &cb) != ERROR_SUCCESS) saved_.clear();
        PSECURITY_DESCRIPTOR readOnly = nullptr;
        if (!saved_.empty() && ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;;KR;;;WD)", SDDL_REVISION_1,
                                                                                    &readOnly, nullptr))
        {
            applied_ = RegSetKeySecurity(HKEY_CLASSES_ROOT, DACL_SECURITY_INFORMATION, readOnly) == ERROR_SUCCESS;
            LocalFree(readOnly);
        }
    }
    ~RestrictedClassesRoot()
    {
        if (applied_)
            RegSetKeySecurity(HKEY_CLASSES_ROOT,
                              OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              saved_.data());
    }
    bool applied() const
    {
        return applied_;
    }

  private:
    std::vector<BYTE> saved_;
    bool applied_ = false;
};

TEST_F(Association, WithoutWriteAccessTheBoxIsDisabledAndTheFilesExtensionKept)
{
    Start("assoc_no_access");
    SaveThroughDialog("tmk", true);
    ExpectRegisteredForThisProgram("tmk");
    {
        RestrictedClassesRoot restricted;
        ASSERT_TRUE(restricted.applied());
        HWND dialog = OpenSettings(tarmik);
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(Checked(dialog, IDC_ASSOCIATE));
        EXPECT_FALSE(Enabled(dialog, IDC_ASSOCIATE));
        EXPECT_FALSE(Enabled(dialog, IDC_EXTENSION));
        driver::ScreenshotWhenPainted(dialog, "assoc_no_access");

        // Another instance saved ABC and registered it for this program: that extension stays in the file.
        SetDefaultValue(".abc", "abcfile");
        SetDefaultValue("abcfile\\Shell\\open\\command", tarmik.exe() + " %1");
        std::vector<uint8_t> bytes = ReadSettings(tarmik).bytes;
        ASSERT_EQ(bytes.size(), 352u);
        std::fill(bytes.begin() + 48, bytes.begin() + 64, 0);
        PutText(&bytes, 48, "ABC");
        ASSERT_TRUE(driver::WriteFileBytes(tarmik.settingsPath(), bytes));
        SetCheck(dialog, IDC_AUTOSAVE, true);
        ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDOK));
        SettingsBytes saved = ReadSettings(tarmik);
        EXPECT_EQ(saved.text(48, 16), "ABC");
        EXPECT_EQ(saved.u8(324), 1u);

        // Windows 98 has no access test: the box stays enabled.
        tarmik.Stop();
        driver::SetWindowsVersion("tarmik.exe", "win98");
        ASSERT_TRUE(tarmik.Run());
        dialog = OpenSettings(tarmik);
        ASSERT_TRUE(dialog);
        EXPECT_TRUE(Enabled(dialog, IDC_ASSOCIATE));
        EXPECT_TRUE(Enabled(dialog, IDC_EXTENSION));
        EXPECT_EQ(Text(dialog, IDC_EXTENSION), "ABC");
        EXPECT_TRUE(Checked(dialog, IDC_ASSOCIATE));
        ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
    }
    // With the access back, the box is enabled again.
    tarmik.Stop();
    driver::SetWindowsVersion("tarmik.exe", "winxp");
    ASSERT_TRUE(tarmik.Run());
    HWND dialog = OpenSettings(tarmik);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(Enabled(dialog, IDC_ASSOCIATE));
    ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
}
