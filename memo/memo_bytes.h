// A whole memo file as a byte array, for the host tests and the fuzz target: the same walk as the
// program's, with standard containers. Not linked into the programs.
#pragma once
#include <string>
#include <vector>

#include "memo/memo_format.h"

// One entry as plain texts, for the tests and the fuzz target.
struct MemoRecord
{
    std::string description;
    std::string keyPath;
    std::string valueName;
    bool keyOnly;
};

// All records of a memo file, or none: MEMO_READ_LOADED or MEMO_READ_MALFORMED.
MemoReadOutcome ParseMemoBytes(const uint8_t *bytes, size_t cbBytes, std::vector<MemoRecord> *records);
// The canonical bytes of a memo; nothing is produced unless every record fits.
MemoWriteCheck SerialiseMemo(const std::vector<MemoRecord> &records, std::vector<uint8_t> *bytes);
