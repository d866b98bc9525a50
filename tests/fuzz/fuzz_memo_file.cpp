// Any bytes given as a memo file: never a crash; either every record loads and saves back to canonical
// bytes that load to the same records, or the file is refused whole.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "memo/memo_bytes.h"

static bool SameRecords(const std::vector<MemoRecord> &a, const std::vector<MemoRecord> &b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
    {
        if (a[i].description != b[i].description || a[i].keyPath != b[i].keyPath || a[i].valueName != b[i].valueName ||
            a[i].keyOnly != b[i].keyOnly)
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<MemoRecord> records;
    const MemoReadOutcome outcome = ParseMemoBytes(data, size, &records);
    if (outcome == MEMO_READ_MALFORMED)
    {
        if (!records.empty()) abort();
        return 0;
    }
    if (outcome != MEMO_READ_LOADED) abort();
    for (const MemoRecord &record : records)
    {
        if (record.keyOnly && !record.valueName.empty()) abort();
    }

    std::vector<uint8_t> canonical;
    if (SerialiseMemo(records, &canonical) != MEMO_WRITE_FITS) abort();
    // A file with this system's own header is its canonical bytes followed by what is ignored.
    if (size >= 4 && data[0] == 4 && data[1] == 0 && data[2] == 1 && data[3] == 0)
    {
        if (canonical.size() > size || memcmp(canonical.data(), data, canonical.size()) != 0) abort();
    }
    std::vector<MemoRecord> again;
    if (ParseMemoBytes(canonical.data(), canonical.size(), &again) != MEMO_READ_LOADED) abort();
    if (!SameRecords(records, again)) abort();
    std::vector<uint8_t> twice;
    if (SerialiseMemo(again, &twice) != MEMO_WRITE_FITS || twice != canonical) abort();
    return 0;
}
