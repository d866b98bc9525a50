// The memo file's bytes: what loads, what is refused whole, and what a save writes, through the program's own
// walk, entry layout and writer.
#include <gtest/gtest.h>

#include "memo/memo_bytes.h"

typedef std::vector<uint8_t> Bytes;

// The records of a file as the program's walk lays them out in entry blocks.
static MemoReadOutcome Parse(const Bytes &bytes, std::vector<MemoRecord> *records)
{
    std::vector<MemoBlock> blocks;
    const MemoReadOutcome outcome = ParseMemoBytes(bytes.data(), bytes.size(), &blocks);
    records->clear();
    for (const MemoBlock &block : blocks) records->push_back(EntryRecord(block));
    return outcome;
}

// What a save writes for entries laid out as new ones.
static Bytes Serialise(const std::vector<MemoRecord> &records)
{
    std::vector<MemoBlock> blocks;
    for (const MemoRecord &record : records) blocks.push_back(EntryBlock(record));
    return SaveMemoBytes(blocks);
}

static void ExpectRecord(const MemoRecord &record, const char *description, const char *keyPath, const char *valueName,
                         bool keyOnly)
{
    EXPECT_EQ(description, record.description);
    EXPECT_EQ(keyPath, record.keyPath);
    EXPECT_EQ(valueName, record.valueName);
    EXPECT_EQ(keyOnly, record.keyOnly);
}

static const std::vector<MemoRecord> kThreeRecords = {
    {"\x83\x81\x83\x82", "HKEY_CURRENT_USER\\Software", "Path", false}, // メモ
    {"", "HKCU", "", true},
    {"default value", "HKLM\\SOFTWARE\\\x83\x5c\x83\x74\x83\x67", "", false}, // ソフト, trail byte 0x5C
};

TEST(MemoFormat, EmptyMemoIsSixBytesBothWays)
{
    const Bytes empty = {0x04, 0x00, 0x01, 0x00, 0x00, 0x00};
    std::vector<MemoRecord> records = {{"x", "y", "z", false}};
    EXPECT_EQ(MEMO_READ_LOADED, Parse(empty, &records));
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(empty, Serialise({}));
}

TEST(MemoFormat, KeyOnlyEntrySavesAsTheSixteenByteExample)
{
    const Bytes expected = {0x04, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,
                            0x04, 0x00, 0xFF, 0xFF, 0x48, 0x4B, 0x43, 0x55};
    EXPECT_EQ(expected, Serialise({{"", "HKCU", "", true}}));
    std::vector<MemoRecord> records;
    ASSERT_EQ(MEMO_READ_LOADED, Parse(expected, &records));
    ASSERT_EQ(1u, records.size());
    ExpectRecord(records[0], "", "HKCU", "", true);
}

TEST(MemoFormat, HeaderSizeAndVersion)
{
    struct Case
    {
        const char *name;
        Bytes bytes;
        MemoReadOutcome outcome;
    } cases[] = {
        {"version 0", {4, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, MEMO_READ_LOADED},
        {"version 2", {4, 0, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0}, MEMO_READ_LOADED},
        {"extension skipped with version 2", {8, 0, 2, 0, 1, 0, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0}, MEMO_READ_LOADED},
        {"extension with version 1", {8, 0, 1, 0, 1, 0, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0}, MEMO_READ_MALFORMED},
        {"header size 3", {3, 0, 1, 0, 0, 0}, MEMO_READ_MALFORMED},
        {"header size 0", {0, 0, 1, 0, 0, 0}, MEMO_READ_MALFORMED},
        {"only the header size", {4, 0}, MEMO_READ_MALFORMED},
        {"one byte", {4}, MEMO_READ_MALFORMED},
        {"nothing", {}, MEMO_READ_MALFORMED},
        {"header cut in the count", {4, 0, 1, 0, 0}, MEMO_READ_MALFORMED},
        {"extension longer than the file", {0xFF, 0xFF, 3, 0, 0, 0, 1, 2}, MEMO_READ_LOADED},
        {"extension longer than the file, one record", {0xFF, 0xFF, 3, 0, 1, 0, 1, 2}, MEMO_READ_MALFORMED},
    };
    for (const Case &c : cases)
    {
        std::vector<MemoRecord> records;
        EXPECT_EQ(c.outcome, Parse(c.bytes, &records)) << c.name;
        if (c.outcome == MEMO_READ_LOADED && c.bytes.size() > 8)
        {
            EXPECT_EQ(1u, records.size()) << c.name;
            // Saved back with this system's own header.
            EXPECT_EQ(Bytes({4, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0}), Serialise(records)) << c.name;
        }
    }
}

TEST(MemoFormat, RecordKinds)
{
    const Bytes bytes = {4, 0, 1, 0, 3,    0, // header, three records
                         0, 0, 0, 0, 0,    0, // all three texts empty
                         1, 0, 4, 0, 0xFF, 0xFF, 'd', 'H', 'K', 'C', 'U', 0,  0,
                         2, 0, 1, 0, 'H',  'K',  'v', 'e', 'x', 't', 'r', 'a'}; // ignored
    std::vector<MemoRecord> records;
    ASSERT_EQ(MEMO_READ_LOADED, Parse(bytes, &records));
    ASSERT_EQ(3u, records.size());
    ExpectRecord(records[0], "", "", "", false);
    ExpectRecord(records[1], "d", "HKCU", "", true);
    ExpectRecord(records[2], "", "HK", "v", false);
    // The canonical bytes are the file without what followed its last record.
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end() - 5), Serialise(records));
}

TEST(MemoFormat, EntryBlockIsHeadThenTextsEachWithItsNul)
{
    const Bytes file = {4, 0, 1, 0, 1, 0, 1, 0, 4, 0, 0xFF, 0xFF, 'd', 'H', 'K', 'C', 'U'};
    const MemoBlock expected = {2, 0, 5, 0, 1, 0, 1, 0, 'd', 0, 'H', 'K', 'C', 'U', 0, 0};
    std::vector<MemoBlock> blocks;
    ASSERT_EQ(MEMO_READ_LOADED, ParseMemoBytes(file.data(), file.size(), &blocks));
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ(expected, blocks[0]);
    EXPECT_EQ(expected, EntryBlock({"d", "HKCU", "", true}));
    EXPECT_EQ(expected.size(), MemoEntryBlockSize(1, 4, 0));
    const MemoEntryTexts texts = EntryTexts((const MemoEntryHead *)expected.data());
    size_t cbText = 0;
    EXPECT_STREQ("HKCU", EntryColumnText(texts, 1, &cbText));
    EXPECT_EQ(4u, cbText);
    EXPECT_STREQ("", EntryColumnText(texts, 2, &cbText));
    EXPECT_EQ(0u, cbText);
}

TEST(MemoFormat, FileCutAtAnyByteIsRefusedWhole)
{
    const Bytes whole = Serialise(kThreeRecords);
    std::vector<MemoRecord> records;
    ASSERT_EQ(MEMO_READ_LOADED, Parse(whole, &records));
    ASSERT_EQ(kThreeRecords.size(), records.size());
    for (size_t cb = 0; cb < whole.size(); cb++)
    {
        records = {{"stale", "", "", false}};
        EXPECT_EQ(MEMO_READ_MALFORMED, Parse(Bytes(whole.begin(), whole.begin() + cb), &records)) << cb;
        EXPECT_TRUE(records.empty()) << cb;
    }
}

TEST(MemoFormat, RoundTripKeepsEveryByte)
{
    std::vector<MemoRecord> originals = kThreeRecords;
    std::string allBytes;
    for (int c = 1; c < 256; c++) allBytes += (char)c;
    originals.push_back({allBytes, allBytes, allBytes, false});
    originals.push_back(
        {std::string(MEMO_MAX_TEXT, 'k'), std::string(MEMO_MAX_TEXT, 'p'), std::string(MEMO_MAX_TEXT, 'v'), false});
    const Bytes bytes = Serialise(originals);
    std::vector<MemoRecord> records;
    ASSERT_EQ(MEMO_READ_LOADED, Parse(bytes, &records));
    ASSERT_EQ(originals.size(), records.size());
    for (size_t i = 0; i < records.size(); i++)
    {
        ExpectRecord(records[i], originals[i].description.c_str(), originals[i].keyPath.c_str(),
                     originals[i].valueName.c_str(), originals[i].keyOnly);
        EXPECT_EQ(originals[i].description.size(), records[i].description.size()) << i;
    }
    EXPECT_EQ(bytes, Serialise(records));
}

TEST(MemoFormat, WhatTheFileCannotHoldIsRefused)
{
    const Bytes bytes = SaveMemoBytes(std::vector<MemoBlock>(MEMO_MAX_ENTRIES, EntryBlock({"", "", "", false})));
    EXPECT_EQ(6u + 6u * MEMO_MAX_ENTRIES, bytes.size());
    EXPECT_EQ(0xFF, bytes[4]);
    EXPECT_EQ(0xFF, bytes[5]);

    EXPECT_TRUE(MemoRecordFits(MEMO_MAX_TEXT, MEMO_MAX_TEXT, MEMO_MAX_TEXT, false));
    const size_t tooLong = MEMO_MAX_TEXT + 1;
    EXPECT_FALSE(MemoRecordFits(tooLong, 0, 0, false));
    EXPECT_FALSE(MemoRecordFits(0, tooLong, 0, false));
    EXPECT_FALSE(MemoRecordFits(0, 0, tooLong, false));
    EXPECT_FALSE(MemoRecordFits(0, tooLong, 0, true));
    // A key-only entry stores no value name, whatever its length.
    EXPECT_TRUE(MemoRecordFits(0, 4, tooLong, true));
}

TEST(MemoFormat, FileNameOffsetStepsOverDoubleByteCharacters)
{
    EXPECT_EQ(0, FileNameOffset(""));
    EXPECT_EQ(0, FileNameOffset("memo.tmk"));
    EXPECT_EQ(3, FileNameOffset("C:\\memo.tmk"));
    EXPECT_EQ(9, FileNameOffset("C:\\a b\\c\\"));
    // ソ is 83 5C: its trail byte is no separator.
    EXPECT_EQ(3, FileNameOffset("C:\\\x83\x5c.tmk"));
    EXPECT_EQ(6, FileNameOffset("C:\\\x83\x5c\\x.tmk"));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(3, FileNameOffset("C:\\\x83"));
}
