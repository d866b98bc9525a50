// The settings record as the settings file holds it: defaults, a file's bytes taken as they are, and the
// two text fields read within their size however the file fills them.
#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "settings/settings_record.h"

static std::vector<uint8_t> Bytes(const Settings &settings)
{
    const uint8_t *p = (const uint8_t *)&settings;
    return std::vector<uint8_t>(p, p + sizeof settings);
}

static std::vector<uint8_t> Pattern(size_t cb)
{
    std::vector<uint8_t> bytes(cb);
    for (size_t i = 0; i < cb; ++i) bytes[i] = (uint8_t)(i * 7 + 3);
    return bytes;
}

TEST(SettingsRecord, DefaultsAreZeroWithHeaderOneAndTheExtensionTmk)
{
    Settings settings;
    memset(&settings, 0xCC, sizeof settings);
    BuildDefaultSettings(&settings);
    std::vector<uint8_t> expected(SETTINGS_SIZE, 0);
    expected[0] = 1;
    expected[48] = 'T';
    expected[49] = 'M';
    expected[50] = 'K';
    EXPECT_EQ(Bytes(settings), expected);
}

TEST(SettingsRecord, TooShortFilesGiveTheDefaults)
{
    Settings defaults;
    BuildDefaultSettings(&defaults);
    for (size_t cb : {size_t(0), size_t(1), size_t(48), size_t(351)})
    {
        std::vector<uint8_t> file = Pattern(cb);
        Settings settings;
        SettingsFromFileBytes(&settings, file.data(), file.size());
        EXPECT_EQ(Bytes(settings), Bytes(defaults)) << cb << " bytes";
    }
}

TEST(SettingsRecord, FullFilesAreTakenByteForByte)
{
    for (size_t cb : {size_t(352), size_t(400)})
    {
        std::vector<uint8_t> file = Pattern(cb);
        file[0] = 7; // any header word is kept as it is
        Settings settings;
        SettingsFromFileBytes(&settings, file.data(), file.size());
        EXPECT_EQ(Bytes(settings), std::vector<uint8_t>(file.begin(), file.begin() + SETTINGS_SIZE)) << cb;
        EXPECT_EQ(settings.headerWord, file[0] | (file[1] << 8));
    }
}

TEST(SettingsRecord, FieldsSitWhereTheFileHasThem)
{
    std::vector<uint8_t> file(SETTINGS_SIZE, 0);
    file[16] = 0x10; // normalRect.left = 0x10
    file[28] = 0xFE; // normalRect.bottom = -2
    file[29] = file[30] = file[31] = 0xFF;
    file[32] = 0x83;
    file[36] = 100;
    file[40] = 201;
    file[44] = 100;
    file[324] = 1;
    file[326] = 1;
    Settings settings;
    SettingsFromFileBytes(&settings, file.data(), file.size());
    EXPECT_EQ(settings.normalRect.left, 0x10);
    EXPECT_EQ(settings.normalRect.bottom, -2);
    EXPECT_EQ(settings.placementFlags, PLACEMENT_SAVED | PLACEMENT_MAXIMIZED | PLACEMENT_MINIMIZED);
    EXPECT_EQ(settings.columnWidths[0], 100);
    EXPECT_EQ(settings.columnWidths[1], 201);
    EXPECT_EQ(settings.columnWidths[2], 100);
    EXPECT_EQ(settings.autoSave, 1);
    EXPECT_EQ(settings.expandSelectedKey, 0);
    EXPECT_EQ(settings.openValueEditor, 1);
}

TEST(SettingsRecord, ExtensionIsReadWithinItsSixteenBytes)
{
    Settings settings;
    BuildDefaultSettings(&settings);
    char extension[17];
    CopyMemoExtension(&settings, extension);
    EXPECT_STREQ(extension, "TMK");

    // All sixteen used: no terminator in the record, and the next field must not follow it.
    memcpy(settings.memoExtension, "ABCDEFGHIJKLMNOP", 16);
    memcpy(settings.startupFile, "C:\\memo.tmk", 12);
    CopyMemoExtension(&settings, extension);
    EXPECT_STREQ(extension, "ABCDEFGHIJKLMNOP");

    memset(settings.memoExtension, 0, 16);
    CopyMemoExtension(&settings, extension);
    EXPECT_STREQ(extension, "");
}

TEST(SettingsRecord, StartupFileIsReadWithin259Bytes)
{
    Settings settings;
    BuildDefaultSettings(&settings);
    char path[260];
    CopyStartupFile(&settings, path);
    EXPECT_STREQ(path, "");

    strcpy(settings.startupFile, "C:\\メモ\\memo.tmk");
    CopyStartupFile(&settings, path);
    EXPECT_STREQ(path, "C:\\メモ\\memo.tmk");

    // A record whose 260 bytes hold no NUL: the first 259 are used.
    memset(settings.startupFile, 'a', sizeof settings.startupFile);
    settings.autoSave = 'Z';
    CopyStartupFile(&settings, path);
    EXPECT_EQ(strlen(path), 259u);
    EXPECT_EQ(path[258], 'a');

    // A double-byte character that would straddle the limit is left out whole.
    memset(settings.startupFile, 'a', sizeof settings.startupFile);
    memcpy(settings.startupFile + 257, "漢", 2); // bytes 257 and 258: fits
    CopyStartupFile(&settings, path);
    EXPECT_EQ(strlen(path), 259u);
    memset(settings.startupFile, 'a', sizeof settings.startupFile);
    memcpy(settings.startupFile + 258, "漢", 2); // bytes 258 and 259: does not
    CopyStartupFile(&settings, path);
    EXPECT_EQ(strlen(path), 258u);
}
