// Key paths as other tools write them: which forms become the stored form, and which texts stay as they were.
// Narrow literals here are Shift-JIS, as in the program.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/pasted_path.h"

struct Stored
{
    int changed;
    std::string text;
    size_t caret;
};

static Stored Store(const char *text, size_t caret)
{
    std::string buffer(text);
    const int changed = ToStoredKeyPath(&buffer[0], &caret);
    return Stored{changed, buffer.c_str(), caret};
}

TEST(PastedPath, FormsOfOtherToolsBecomeTheStoredForm)
{
    const struct
    {
        const char *name, *text, *stored;
    } cases[] = {
        {"address bar", "コンピューター\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft"},
        {"address bar without the long vowel", "コンピュータ\\HKEY_CURRENT_USER\\Software",
         "HKEY_CURRENT_USER\\Software"},
        {"older tree root", "マイ コンピュータ\\HKEY_USERS\\.DEFAULT", "HKEY_USERS\\.DEFAULT"},
        {"English address bar", "Computer\\HKEY_CLASSES_ROOT\\.txt", "HKEY_CLASSES_ROOT\\.txt"},
        {"English, any case", "COMPUTER\\hkcu\\x", "hkcu\\x"},
        {"older English tree root", "My Computer\\HKLM\\SOFTWARE", "HKLM\\SOFTWARE"},
        {"PowerShell drive", "HKLM:\\SOFTWARE\\Microsoft", "HKLM\\SOFTWARE\\Microsoft"},
        {"drive alone", "HKCU:", "HKCU"},
        {"drive and backslash", "hkcu:\\", "hkcu\\"},
        {"provider path", "Registry::HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE"},
        {"provider path, short root", "registry::HKLM\\SOFTWARE", "HKLM\\SOFTWARE"},
        {"qualified provider path", "Microsoft.PowerShell.Core\\Registry::HKEY_CURRENT_USER\\Software",
         "HKEY_CURRENT_USER\\Software"},
        {".reg section", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.tmk]",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.tmk"},
        {"quoted", "\"HKCU\\Software\\Tarmik\"", "HKCU\\Software\\Tarmik"},
        {"quoted drive", "\"HKLM:\\SOFTWARE\"", "HKLM\\SOFTWARE"},
        {"quoted address bar among blanks", "  \"Computer\\HKEY_USERS\" \r\n", "HKEY_USERS"},
        {"quotes inside brackets", "[\"HKCU\\x\"]", "HKCU\\x"},
        {"blanks around", " \tHKCU\\Software \r\n", "HKCU\\Software"},
        {"ideographic spaces around", "\x81\x40HKCU\\x\x81\x40", "HKCU\\x"},
        {"key name with a trail byte 0x5C", "コンピューター\\HKCU\\ソフト", "HKCU\\ソフト"},
        {"closing bracket after a trail byte 0x5C", "[HKCU\\ソ]", "HKCU\\ソ"},
        {"brackets and quotes kept inside the key", "\"HKCU\\[a]\\\"b\"\"", "HKCU\\[a]\\\"b\""},
    };
    for (const auto &c : cases)
    {
        const Stored result = Store(c.text, 0);
        EXPECT_EQ(result.changed, 1) << c.name;
        EXPECT_EQ(result.text, c.stored) << c.name;
    }
}

TEST(PastedPath, AnythingElseStaysAsItWas)
{
    const struct
    {
        const char *name, *text;
    } cases[] = {
        {"already stored", "HKCU\\Software"},
        {"key names with brackets, quotes, colons, slashes", "HKCU\\[x]\\\"y\"\\a:b\\c/d"},
        {"no root after the prefix", "Computer\\Software\\x"},
        {"prefix alone", "コンピューター\\"},
        {"prefix not at the start", "x Computer\\HKCU"},
        {"quoted text without a root", "\"Software\\x\""},
        {"blanks around a text without a root", "  Software  "},
        {"bracket not closed", "[HKCU\\Software"},
        {"trail byte 0x5D is no bracket", "[HKCU\\ゾ"},
        {"quote and bracket", "\"HKCU\\x]"},
        {"drive with a relative path", "HKLM:SOFTWARE"},
        {"file-system drive", "C:\\Windows"},
        {"provider without a root", "Registry::Software"},
        {"double-byte character that folds to the prefix's trail byte", "\x83\x72ンピューター\\HKCU"},
        {"empty", ""},
        {"blanks only", " \t "},
    };
    for (const auto &c : cases)
    {
        const Stored result = Store(c.text, 3);
        EXPECT_EQ(result.changed, 0) << c.name;
        EXPECT_EQ(result.text, c.text) << c.name;
        EXPECT_EQ(result.caret, 3u) << c.name;
    }
}

TEST(PastedPath, CaretFollowsTheText)
{
    const struct
    {
        const char *name, *text;
        size_t caret, stored;
    } cases[] = {
        {"at the end", "  \"HKLM:\\SOFTWARE\"  ", 20, 13},
        {"inside the prefix", "Computer\\HKCU\\x", 4, 0},
        {"after the drive's colon", "HKLM:\\x", 6, 5},
        {"in the key", "[HKCU\\abc]", 7, 6},
    };
    for (const auto &c : cases) EXPECT_EQ(Store(c.text, c.caret).caret, c.stored) << c.name;
    char text[] = "HKLM:";
    EXPECT_EQ(ToStoredKeyPath(text, nullptr), 1) << "no caret to follow";
    EXPECT_STREQ(text, "HKLM");
}
