// Half-width katakana for old systems and the case folding of single-byte letters in Shift-JIS text.
// Narrow literals here are Shift-JIS, as in the program.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "shell/text.h"

class OldSystem : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        gIsOldSystem = true;
    }
    void TearDown() override
    {
        gIsOldSystem = false;
    }
};

TEST(ToHalfWidth, LeavesTextAloneOnCurrentSystems)
{
    gIsOldSystem = false;
    const char *text = "メモリ不足のため処理を中止しました。";
    EXPECT_EQ(ToHalfWidth(text), text);
    EXPECT_STREQ(text, "メモリ不足のため処理を中止しました。");
}

TEST_F(OldSystem, ConvertsTheProgramsTexts)
{
    EXPECT_STREQ(ToHalfWidth("メモリ不足のため処理を中止しました。"), "ﾒﾓﾘ不足のため処理を中止しました。");
    EXPECT_STREQ(ToHalfWidth("レジストリ エディタ(&R)"), "ﾚｼﾞｽﾄﾘ ｴﾃﾞｨﾀ(&R)");
    EXPECT_STREQ(ToHalfWidth("コモン ダイアログ"), "ｺﾓﾝ ﾀﾞｲｱﾛｸﾞ");
    EXPECT_STREQ(ToHalfWidth("コモン ダイアログでエラーが発生しました。\rエラー コード: %08X"),
                 "ｺﾓﾝ ﾀﾞｲｱﾛｸﾞでｴﾗｰが発生しました。\rｴﾗｰ ｺｰﾄﾞ: %08X");
}

TEST_F(OldSystem, ConvertsEveryKatakanaWithItsMarks)
{
    struct Row
    {
        const char *full, *half;
    } rows[] = {
        {"ァアィイゥウェエォオ", "ｧｱｨｲｩｳｪｴｫｵ"},
        {"カガキギクグケゲコゴ", "ｶｶﾞｷｷﾞｸｸﾞｹｹﾞｺｺﾞ"},
        {"サザシジスズセゼソゾ", "ｻｻﾞｼｼﾞｽｽﾞｾｾﾞｿｿﾞ"},
        {"タダチヂッツヅテデトド", "ﾀﾀﾞﾁﾁﾞｯﾂﾂﾞﾃﾃﾞﾄﾄﾞ"},
        {"ナニヌネノ", "ﾅﾆﾇﾈﾉ"},
        {"ハバパヒビピフブプヘベペホボポ", "ﾊﾊﾞﾊﾟﾋﾋﾞﾋﾟﾌﾌﾞﾌﾟﾍﾍﾞﾍﾟﾎﾎﾞﾎﾟ"},
        {"マミムメモ", "ﾏﾐﾑﾒﾓ"},
        {"ャヤュユョヨ", "ｬﾔｭﾕｮﾖ"},
        {"ラリルレロ", "ﾗﾘﾙﾚﾛ"},
        {"ワヲンヴ", "ﾜｦﾝｳﾞ"},
    };
    for (const Row &row : rows) EXPECT_STREQ(ToHalfWidth(row.full), row.half) << row.half;
}

TEST_F(OldSystem, LongVowelMarkConvertsOnlyAfterKatakana)
{
    EXPECT_STREQ(ToHalfWidth("メモー"), "ﾒﾓｰ");
    EXPECT_STREQ(ToHalfWidth("キーー"), "ｷｰｰ");      // a run after katakana converts whole
    EXPECT_STREQ(ToHalfWidth("ーメモ"), "ーﾒﾓ");     // at the start it stays
    EXPECT_STREQ(ToHalfWidth("漢ー"), "漢ー");       // after a kanji
    EXPECT_STREQ(ToHalfWidth("あー"), "あー");       // after a hiragana
    EXPECT_STREQ(ToHalfWidth("ﾒー"), "ﾒー");         // after a half-width katakana, a single byte
    EXPECT_STREQ(ToHalfWidth("漢ーキー"), "漢ーｷｰ"); // the flag is set again by the next katakana
}

TEST_F(OldSystem, CopiesEverythingElseUnchanged)
{
    EXPECT_STREQ(ToHalfWidth("ABC abc 123\r\n"), "ABC abc 123\r\n");
    EXPECT_STREQ(ToHalfWidth("ﾀﾙﾐｸ"), "ﾀﾙﾐｸ");
    EXPECT_STREQ(ToHalfWidth("ひらがな　漢字（全角）"), "ひらがな　漢字（全角）");
    EXPECT_STREQ(ToHalfWidth(""), "");
    // 0x83 0x7F is no character: it is passed on as it came.
    EXPECT_STREQ(ToHalfWidth("\x83\x7F"), "\x83\x7F");
}

TEST_F(OldSystem, OutputIsNeverLongerThanInput)
{
    const char *texts[] = {"ガギグゲゴパピプペポヴ", "メモに追加せずに開く(&Q)...", "ァーーー"};
    for (const char *text : texts) EXPECT_LE(strlen(ToHalfWidth(text)), strlen(text)) << text;
}

TEST_F(OldSystem, StaysWithinItsBufferAndTheText)
{
    // A lead byte right before the terminator is not read as half of a character.
    EXPECT_STREQ(ToHalfWidth("AB\x83"), "AB\x83");
    // Longer texts than the buffer holds are cut at a character boundary, never beyond 255 bytes.
    std::string longText;
    for (int i = 0; i < 100; ++i) longText += "ガ漢"; // 2 + 2 bytes in, 2 + 2 out
    const char *converted = ToHalfWidth(longText.c_str());
    size_t cb = strlen(converted);
    EXPECT_LE(cb, 255u);
    EXPECT_GE(cb, 252u);
    std::string expectedStart;
    for (int i = 0; i < 10; ++i) expectedStart += "ｶﾞ漢";
    EXPECT_EQ(std::string(converted, expectedStart.size()), expectedStart);
    // The last character is whole: the text ends after a kanji or after a voiced mark.
    unsigned char last = (unsigned char)(converted[cb - 1]);
    EXPECT_TRUE(last == 0xDE || last == (unsigned char)("漢"[1])) << int(last);
}

TEST_F(OldSystem, EachCallReplacesTheLastResult)
{
    const char *first = ToHalfWidth("メモ");
    const char *second = ToHalfWidth("キー");
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "ｷｰ");
}

TEST(CompareIgnoringCase, FoldsSingleByteLettersOnly)
{
    EXPECT_EQ(CompareIgnoringCase("HKEY_Local_Machine", "hkey_local_machine"), 0);
    EXPECT_EQ(CompareIgnoringCase("", ""), 0);
    EXPECT_EQ(CompareIgnoringCase("Software", "Software1"), 1);
    EXPECT_EQ(CompareIgnoringCase("Software1", "Software"), 1);
    EXPECT_EQ(CompareIgnoringCase("C:\\Tools\\TARMIK.EXE", "c:\\tools\\tarmik.exe"), 0);
    EXPECT_EQ(CompareIgnoringCase("[", "{"), 1); // 0x5B and 0x7B differ by 0x20 but are not letters
    // Full-width capital and small A are different characters.
    EXPECT_EQ(CompareIgnoringCase("Ａ", "ａ"), 1);
    // ア (83 41) and ャ (83 61): their second bytes look like A and a, but no double-byte character folds.
    EXPECT_EQ(CompareIgnoringCase("ア", "ャ"), 1);
    EXPECT_EQ(CompareIgnoringCase("ソフトa", "ソフトA"), 0);
    // A double-byte character against a single byte with the same lead value.
    EXPECT_EQ(CompareIgnoringCase("\x83\x41", "\x83"), 1);
}

TEST(CaseLetters, ChangeSingleByteLettersInPlace)
{
    char extension[] = "TMK";
    LowerCaseLetters(extension);
    EXPECT_STREQ(extension, "tmk");
    UpperCaseLetters(extension);
    EXPECT_STREQ(extension, "TMK");

    char mixed[] = "Tmk1_ｶﾅ[{";
    UpperCaseLetters(mixed);
    EXPECT_STREQ(mixed, "TMK1_ｶﾅ[{");
    LowerCaseLetters(mixed);
    EXPECT_STREQ(mixed, "tmk1_ｶﾅ[{");

    // Full-width letters and double-byte characters whose second byte is a letter stay as they are.
    char fullWidth[] = "ＴＭＫアャx";
    LowerCaseLetters(fullWidth);
    EXPECT_STREQ(fullWidth, "ＴＭＫアャx");
    UpperCaseLetters(fullWidth);
    EXPECT_STREQ(fullWidth, "ＴＭＫアャX");

    char dangling[] = "a\x83";
    UpperCaseLetters(dangling);
    EXPECT_STREQ(dangling, "A\x83");
}
