// Memos in standard containers, for the host tests and the fuzz target only: the program's own walk, writer
// and entry layout, with byte arrays in place of the file and the memo list. Not linked into the programs.
#pragma once
#include <string>
#include <vector>

#include "memo/memo_format.h"

// An entry's block as the memo list holds it.
typedef std::vector<uint8_t> MemoBlock;

// One entry as plain texts.
struct MemoRecord
{
    std::string description;
    std::string keyPath;
    std::string valueName;
    bool keyOnly;
};

// Every record of a memo file as an entry block, or none: MEMO_READ_LOADED or MEMO_READ_MALFORMED.
MemoReadOutcome ParseMemoBytes(const uint8_t *bytes, size_t cbBytes, std::vector<MemoBlock> *blocks);
// The bytes a save writes for these blocks in this order; at most MEMO_MAX_ENTRIES of them.
std::vector<uint8_t> SaveMemoBytes(const std::vector<MemoBlock> &blocks);
// The block of an entry with these texts, each at most MEMO_MAX_TEXT bytes.
MemoBlock EntryBlock(const MemoRecord &record);
MemoRecord EntryRecord(const MemoBlock &block);
