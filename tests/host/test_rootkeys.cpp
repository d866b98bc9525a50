// Root-key names: which texts are key paths, and how a chosen root is put into a key field.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "bridge/key_path.h"
#include "bridge/root_keys.h"
#include "dialogs/rootkeys.h"

TEST(RootKeys, TableOrderAndForms)
{
    EXPECT_STREQ("HKEY_CLASSES_ROOT", kRootKeyNames[0].longName);
    EXPECT_STREQ("HKEY_DYN_DATA", kRootKeyNames[5].longName);
    EXPECT_STREQ("HKU", kRootKeyNames[3].shortName);
    size_t longest = 0;
    for (const RootKeyName &name : kRootKeyNames) longest = std::max(longest, strlen(name.longName));
    EXPECT_EQ((size_t)CB_LONGEST_ROOT_NAME, longest);
    // Either form names the same root, the short one at its long one's index.
    for (int root = 0; root < ROOT_KEY_COUNT; root++)
    {
        const char *shortName = kRootKeyNames[root].shortName;
        EXPECT_EQ(root, FindRootKeyName(shortName, 0, strlen(shortName))) << shortName;
    }
    EXPECT_EQ(2, FindRootKeyName("\\hkey_local_machine\\x", 1, 19));
    EXPECT_EQ(-1, FindRootKeyName("HKEY_USERS", 0, 9));
}

TEST(RootKeys, IsRootKeyPath)
{
    const char *keyPaths[] = {
        "HKCU\\Software", " hkey_local_machine\\x",        "HKU", "\tHKCR", "hKeY_dYn_DaTa\\",
        "\x01\x20HKCC",   "HKEY_CURRENT_CONFIG\\\x83\x5c",
    };
    for (const char *text : keyPaths) EXPECT_EQ(1, IsRootKeyPath(text)) << text;
    const char *notKeyPaths[] = {
        "HKCU \\Software", "HKCU/Software", "HKEY_CURRENT", "", "   ", "HKCUX", "\\HKCU", "HKEY_USERS_",
        "\x83\x5cHKCU", // the trail byte 0x5C ends the root part: the lead byte alone is no name
        "\xA1HKCU",     // bytes above 0x20 are not skipped
    };
    for (const char *text : notKeyPaths) EXPECT_EQ(0, IsRootKeyPath(text)) << text;
}

struct Replaced
{
    std::string text;
    size_t selStart, selEnd;
};

static Replaced Apply(const char *text, int rootIndex, size_t selStart, size_t selEnd)
{
    std::string buffer(text);
    buffer.resize(buffer.size() + CB_LONGEST_ROOT_NAME + 1, '\0');
    ApplyRootKeyName(&buffer[0], rootIndex, &selStart, &selEnd);
    return Replaced{buffer.c_str(), selStart, selEnd};
}

TEST(RootKeys, ApplyRootKeyName)
{
    struct Case
    {
        const char *name;
        const char *text;
        int rootIndex;
        size_t selStart, selEnd;
        const char *expected;
        size_t expectedStart, expectedEnd;
    } cases[] = {
        {"short name behind blanks", "  hkcu\\Software", 2, 15, 15, "  HKEY_LOCAL_MACHINE\\Software", 29, 29},
        {"empty field", "", 3, 0, 0, "HKEY_USERS", 10, 10},
        {"no root", "\\Software", 1, 0, 0, "HKEY_CURRENT_USER\\Software", 17, 17},
        {"long name replaced", "HKEY_CURRENT_USER", 0, 17, 17, "HKEY_CLASSES_ROOT", 17, 17},
        {"caret inside the old name", "HKCU\\Software", 2, 2, 2, "HKEY_LOCAL_MACHINE\\Software", 0, 0},
        {"selection from inside to after", "HKCU\\Software", 2, 1, 9, "HKEY_LOCAL_MACHINE\\Software", 0, 0},
        {"caret at the backslash", "HKCU\\Software", 2, 4, 4, "HKEY_LOCAL_MACHINE\\Software", 18, 18},
        {"caret after the backslash", "HKCU\\Software", 1, 7, 9, "HKEY_CURRENT_USER\\Software", 20, 22},
        {"caret in the leading blanks", "  hkcu\\x", 4, 1, 1, "  HKEY_CURRENT_CONFIG\\x", 1, 1},
        {"caret at the name's start", "  hkcu\\x", 4, 2, 2, "  HKEY_CURRENT_CONFIG\\x", 2, 2},
        {"unknown root kept behind the name", "  HKXX\\x", 5, 3, 8, "HKEY_DYN_DATA  HKXX\\x", 16, 21},
        {"blanks only", "   ", 3, 3, 3, "HKEY_USERS   ", 13, 13},
    };
    for (const Case &c : cases)
    {
        const Replaced result = Apply(c.text, c.rootIndex, c.selStart, c.selEnd);
        EXPECT_EQ(c.expected, result.text) << c.name;
        EXPECT_EQ(c.expectedStart, result.selStart) << c.name;
        EXPECT_EQ(c.expectedEnd, result.selEnd) << c.name;
    }
}

TEST(KeyPaths, PlainFormTakesRunsOfSeparatorsAsOneAndNoneAtTheEnd)
{
    const struct
    {
        const char *text, *plain;
    } cases[] = {
        {"HKCU\\Software\\NewUserTest\\NoDefault\\", "HKCU\\Software\\NewUserTest\\NoDefault"},
        {"HKCU\\\\Software\\\\\\x", "HKCU\\Software\\x"},
        {"HKCU\\", "HKCU"},
        {"HKCU\\Software", "HKCU\\Software"},
        {"HKCU\\\x83\x5c\\", "HKCU\\\x83\x5c"},       // ソ's trail byte is no separator
        {"HKCU\\\x83\x5c\\\\x", "HKCU\\\x83\x5c\\x"}, // nor the first of a run after it
        {"", ""},
    };
    for (const auto &c : cases)
    {
        char text[64];
        strcpy(text, c.text);
        EXPECT_EQ(strlen(c.plain), ToPlainKeyPath(text)) << c.text;
        EXPECT_STREQ(c.plain, text);
    }
}
