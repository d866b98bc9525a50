// Finding a text in an entry's texts: letters without regard to case, Shift-JIS characters only whole.
// Narrow literals here are Shift-JIS, as in the program; the byte escapes spell out what matters.
#include <gtest/gtest.h>

#include "shell/text.h"

TEST(ContainsText, SingleByteLettersMatchWithoutRegardToCase)
{
    EXPECT_TRUE(ContainsText("HKEY_CURRENT_USER\\Software\\Tarmik", "software"));
    EXPECT_TRUE(ContainsText("software", "SOFTWARE"));
    EXPECT_TRUE(ContainsText("Run", "rUN"));
    EXPECT_TRUE(ContainsText("abc", "abc"));
    EXPECT_TRUE(ContainsText("abc", "c"));
    EXPECT_TRUE(ContainsText("anything", ""));
    EXPECT_TRUE(ContainsText("", ""));
    EXPECT_FALSE(ContainsText("", "a"));
    EXPECT_FALSE(ContainsText("ab", "abc"));
    EXPECT_FALSE(ContainsText("Soft ware", "software"));
    // Only letters fold: '@' (0x40) and '`' (0x60) differ by the same bit as 'A' and 'a'.
    EXPECT_FALSE(ContainsText("@", "`"));
    EXPECT_FALSE(ContainsText("[", "{"));
}

TEST(ContainsText, DoubleByteCharactersMatchOnlyWhole)
{
    EXPECT_TRUE(ContainsText("日本語キー\\表示名", "キー\\表示"));
    EXPECT_TRUE(ContainsText("HKCU\\ソフト\\設定", "ソフト"));
    // ア is 0x83 0x41: its trail byte is an 'A', found neither as 'A' nor as 'a'.
    EXPECT_FALSE(ContainsText("\x83\x41", "A"));
    EXPECT_FALSE(ContainsText("\x83\x41", "a"));
    // ソ is 0x83 0x5C: its trail byte is the path separator.
    EXPECT_FALSE(ContainsText("ソフト", "\\"));
    EXPECT_TRUE(ContainsText("ソ\\フト", "\\"));
    // アイ is 83 41 83 43; "A" then イ matches its bytes from the second on, but not its characters.
    EXPECT_FALSE(ContainsText("\x83\x41\x83\x43", "A\x83\x43"));
    EXPECT_TRUE(ContainsText("\x83\x41\x83\x43", "\x83\x43"));
    // Full-width letters are characters of their own: Ａ and ａ differ.
    EXPECT_FALSE(ContainsText("Ａ", "ａ"));
    EXPECT_TRUE(ContainsText("ＡＢ", "Ｂ"));
    // A lone lead byte at the end of what is looked for is no half of a character.
    EXPECT_FALSE(ContainsText("\x83\x41", "\x83"));
    // Half-width katakana are single bytes and stay as they are.
    EXPECT_TRUE(ContainsText("ﾒﾓｰ", "ﾓｰ"));
    EXPECT_FALSE(ContainsText("ﾒﾓ", "メモ"));
}
