// The texts of the memo-file association and the settings dialog: command values, the program path
// read back from them, the extension rules, the browse dialog's start and filter, and the question
// asked before another program's extension is taken over.
#include <gtest/gtest.h>

#include <string>

#include "settings/memo_filter.h"
#include "settings/association_text.h"
#include "shell/text.h"

// Shift-JIS katakana whose trail bytes are '\\' (0x5C) and '|' (0x7C).
static const char kSo[] = "\x83\x5C"; // ソ
static const char kPo[] = "\x83\x7C"; // ポ

struct OldSystem
{
    explicit OldSystem(bool on) : saved(gIsOldSystem)
    {
        gIsOldSystem = on;
    }
    ~OldSystem()
    {
        gIsOldSystem = saved;
    }
    bool saved;
};

static std::string ProgramPathOf(const char *command)
{
    size_t cb = 0;
    const char *start = FindProgramPath(command, &cb);
    return std::string(start, cb);
}

TEST(AssociationText, ProgramPathFromCommand)
{
    EXPECT_EQ(ProgramPathOf("C:\\Tools\\TARMIK.EXE %1"), "C:\\Tools\\TARMIK.EXE");
    EXPECT_EQ(ProgramPathOf("\"C:\\Program Files\\Tarmik\\TARMIK.EXE\" %1"), "C:\\Program Files\\Tarmik\\TARMIK.EXE");
    EXPECT_EQ(ProgramPathOf("   C:\\a.exe"), "C:\\a.exe");
    EXPECT_EQ(ProgramPathOf("  \"C:\\open ended"), "C:\\open ended");
    // An unquoted path with a blank yields only its first word.
    EXPECT_EQ(ProgramPathOf("C:\\Program Files\\x.exe %1"), "C:\\Program");
    EXPECT_EQ(ProgramPathOf(""), "");
    EXPECT_EQ(ProgramPathOf("\"\" %1"), "");
    // A lead byte at the very end does not step past the terminator.
    EXPECT_EQ(ProgramPathOf("C:\\x\x83"), "C:\\x\x83");
}

TEST(AssociationText, OpenCommandQuotesOnlyPathsWithBlanks)
{
    char out[64];
    ASSERT_TRUE(BuildOpenCommand("C:\\Tools\\TARMIK.EXE", out, sizeof out));
    EXPECT_STREQ(out, "C:\\Tools\\TARMIK.EXE %1");
    ASSERT_TRUE(BuildOpenCommand("C:\\Program Files\\TARMIK.EXE", out, sizeof out));
    EXPECT_STREQ(out, "\"C:\\Program Files\\TARMIK.EXE\" %1");
    // The command reads back as the path it was built from.
    EXPECT_EQ(ProgramPathOf(out), "C:\\Program Files\\TARMIK.EXE");

    char exact[sizeof("\"a b\" %1")];
    EXPECT_TRUE(BuildOpenCommand("a b", exact, sizeof exact));
    EXPECT_STREQ(exact, "\"a b\" %1");
    char small[sizeof exact - 1] = "x";
    EXPECT_FALSE(BuildOpenCommand("a b", small, sizeof small));
    EXPECT_STREQ(small, "x");
}

TEST(AssociationText, ForbiddenCharactersStepOverDoubleByteCharacters)
{
    EXPECT_FALSE(ContainsAnyOf("tmk", kFileNameForbiddenOrDot));
    EXPECT_TRUE(ContainsAnyOf("t.mk", kFileNameForbiddenOrDot));
    EXPECT_FALSE(ContainsAnyOf("t.mk", kFileNameForbidden));
    for (char c : std::string("\"*/:<>?\\|"))
    {
        std::string text = std::string("ab") + c;
        EXPECT_TRUE(ContainsAnyOf(text.c_str(), kFileNameForbidden)) << text;
    }
    // ソ and ポ end in the bytes of '\\' and '|' and are allowed.
    std::string katakana = std::string(kSo) + kPo;
    EXPECT_FALSE(ContainsAnyOf(katakana.c_str(), kFileNameForbiddenOrDot));
    EXPECT_TRUE(ContainsAnyOf((katakana + "|").c_str(), kFileNameForbiddenOrDot));
}

struct BrowseCase
{
    const char *name, *typed, *folder, *file;
};

TEST(AssociationText, BrowseStartsFromTheTypedPath)
{
    const std::string soFolder = std::string("C:\\") + kSo + "\\";
    const std::string soFile = soFolder + "x.tmk";
    const std::string soEnd = std::string("a") + kSo + "b";
    const BrowseCase cases[] = {
        {"full path", "C:\\memo\\a.tmk", "C:\\memo\\", "a.tmk"},
        {"folder only", "C:\\memo\\", "C:\\memo\\", ""},
        {"drive and name", "C:a.tmk", "", "a.tmk"},
        {"colon after the first", "C:a:b", "", "a:b"},
        {"name only", "a.tmk", "", "a.tmk"},
        {"empty", "", "", ""},
        {"katakana folder", soFile.c_str(), soFolder.c_str(), "x.tmk"},
        {"trail byte is no backslash", soEnd.c_str(), "", soEnd.c_str()},
    };
    for (const BrowseCase &c : cases)
    {
        size_t cbFolder = 99;
        const char *file = nullptr;
        std::string typed = c.typed;
        SplitBrowsePath(typed.c_str(), &cbFolder, &file);
        EXPECT_EQ(typed.substr(0, cbFolder), c.folder) << c.name;
        EXPECT_STREQ(file, c.file) << c.name;
    }
}

TEST(AssociationText, BrowseFilter)
{
    OldSystem flag(false);
    char out[160];
    size_t cb = BuildMemoFileFilter("tmk", out, sizeof out);
    const std::string memo = "メモ ファイル (*.tmk)" + std::string(1, '\0') + "*.tmk" + std::string(1, '\0') +
                             "すべてのファイル (*.*)" + std::string(1, '\0') + "*.*" + std::string(2, '\0');
    EXPECT_EQ(std::string(out, cb), memo);

    cb = BuildMemoFileFilter(nullptr, out, sizeof out);
    const std::string all = "すべてのファイル (*.*)" + std::string(1, '\0') + "*.*" + std::string(2, '\0');
    EXPECT_EQ(std::string(out, cb), all);

    EXPECT_EQ(BuildMemoFileFilter("tmk", out, memo.size()), memo.size());
    EXPECT_EQ(BuildMemoFileFilter("tmk", out, memo.size() - 1), 0u);

    OldSystem old(true);
    cb = BuildMemoFileFilter("abc", out, sizeof out);
    EXPECT_EQ(std::string(out, cb), "ﾒﾓ ﾌｧｲﾙ (*.abc)" + std::string(1, '\0') + "*.abc" + std::string(1, '\0') +
                                        "すべてのﾌｧｲﾙ (*.*)" + std::string(1, '\0') + "*.*" + std::string(2, '\0'));
}

struct QuestionCase
{
    const char *name;
    bool hasBlock;
    OtherProgramStrings strings;
    const char *middle;
};

TEST(AssociationText, TakeOverQuestionNamesTheOtherProgram)
{
    OldSystem flag(false);
    const std::string d101(101, 'd'), d102(102, 'd'), i101(101, 'i'), i102(102, 'i');
    const QuestionCase cases[] = {
        {"no version block", false, {}, "他のアプリケーション"},
        {"no readable strings", true, {nullptr, nullptr, nullptr}, "他のアプリケーション"},
        {"Japanese description", true, {"NOTE", "(c) Someone", "メモ帳"}, "アプリケーション“メモ帳”"},
        {"this tool's own block", true, {"TARMIK", "(c) Oskelund", "タルミク"}, "アプリケーション“タルミク”"},
        {"another build of the tool",
         true,
         {"Tarmik", "Copyright (C) Oskelund", "タルミク"},
         "現在実行中のものとは別のタルミクのプログラム ファイル"},
        {"name without the maker", true, {"Tarmik", "(c) Someone", "X"}, "アプリケーション“X”"},
        {"maker case matters", true, {"Tarmik", "(c) OSKELUND", nullptr}, "アプリケーション“Tarmik”"},
        {"description of 101 bytes", true, {"I", nullptr, d101.c_str()}, nullptr},
        {"long description gives the internal name", true, {"NOTE", nullptr, d102.c_str()}, "アプリケーション“NOTE”"},
        {"internal name of 101 bytes", true, {i101.c_str(), nullptr, nullptr}, nullptr},
        {"both too long", true, {i102.c_str(), nullptr, d102.c_str()}, "他のアプリケーション"},
        {"empty description", true, {"NOTE", nullptr, ""}, "アプリケーション“”"},
    };
    for (const QuestionCase &c : cases)
    {
        char out[QUESTION_BUFFER_BYTES];
        BuildTakeOverQuestion("TMK", c.hasBlock ? &c.strings : nullptr, out);
        std::string middle = c.middle != nullptr ? c.middle
                             : c.strings.fileDescription != nullptr
                                 ? "アプリケーション“" + std::string(c.strings.fileDescription) + "”"
                                 : "アプリケーション“" + std::string(c.strings.internalName) + "”";
        EXPECT_EQ(std::string(out), "拡張子“TMK”は" + middle + "に関連付けされています。\r\r関連付けを変更しますか？")
            << c.name;
    }
}

TEST(AssociationText, TakeOverQuestionOnOldSystems)
{
    OldSystem old(true);
    char out[QUESTION_BUFFER_BYTES];
    OtherProgramStrings strings = {"Tarmik", "Oskelund", nullptr};
    BuildTakeOverQuestion("ABCDEFGHIJKLMNOP", &strings, out);
    // The fixed piece is converted here; the rest waits for the message box's own conversion.
    EXPECT_EQ(std::string(out), "拡張子“ABCDEFGHIJKLMNOP”は現在実行中のものとは別のﾀﾙﾐｸのﾌﾟﾛｸﾞﾗﾑ ﾌｧｲﾙ"
                                "に関連付けされています。\r\r関連付けを変更しますか？");
    // The longest question leaves room in the 256-byte message buffer.
    const std::string d101(101, '\x88');
    OtherProgramStrings longest = {nullptr, nullptr, d101.c_str()};
    BuildTakeOverQuestion("ABCDEFGHIJKLMNOP", &longest, out);
    EXPECT_LT(std::string(out).size(), 256u);
    EXPECT_NE(std::string(out).find(d101), std::string::npos);
}
