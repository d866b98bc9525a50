// Any bytes given as a memo file: never a crash; either every record loads into an entry block laid out
// exactly to its size, and the program's writer saves the blocks back to canonical bytes that load to the
// same blocks, or the file is refused whole.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "memo/memo_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<MemoBlock> blocks;
    const MemoReadOutcome outcome = ParseMemoBytes(data, size, &blocks);
    if (outcome == MEMO_READ_MALFORMED)
    {
        if (!blocks.empty()) abort();
        return 0;
    }
    if (outcome != MEMO_READ_LOADED) abort();
    for (const MemoBlock &block : blocks)
    {
        const MemoEntryTexts texts = EntryTexts((const MemoEntryHead *)block.data());
        // The value name's NUL is the block's last byte: nothing allocated is left unwritten.
        if (texts.valueName + texts.cbValueName != (const char *)block.data() + block.size() - 1) abort();
        if (texts.description[texts.cbDescription] || texts.keyPath[texts.cbKeyPath] ||
            texts.valueName[texts.cbValueName])
            abort();
        if (texts.keyOnly && texts.cbValueName) abort();
    }

    const std::vector<uint8_t> canonical = SaveMemoBytes(blocks);
    // A file with this system's own header is its canonical bytes followed by what is ignored.
    if (size >= 4 && data[0] == 4 && data[1] == 0 && data[2] == 1 && data[3] == 0)
    {
        if (canonical.size() > size || memcmp(canonical.data(), data, canonical.size()) != 0) abort();
    }
    std::vector<MemoBlock> again;
    if (ParseMemoBytes(canonical.data(), canonical.size(), &again) != MEMO_READ_LOADED) abort();
    if (again != blocks) abort();
    if (SaveMemoBytes(again) != canonical) abort();
    return 0;
}
