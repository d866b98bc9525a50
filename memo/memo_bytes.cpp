#include "memo/memo_bytes.h"

#include <stdlib.h>
#include <string.h>

struct SpanSource
{
    const uint8_t *bytes;
    size_t cbLeft;

    bool Read(void *buffer, uint32_t cb, uint32_t *cbRead)
    {
        const size_t n = cb < cbLeft ? cb : cbLeft;
        if (n) memcpy(buffer, bytes, n);
        bytes += n;
        cbLeft -= n;
        *cbRead = (uint32_t)n;
        return true;
    }
    // Moving past the end is allowed, as for a file pointer; the next read then finds nothing.
    bool Skip(uint32_t cb)
    {
        const size_t n = cb < cbLeft ? cb : cbLeft;
        bytes += n;
        cbLeft -= n;
        return true;
    }
};

// Each block filled with a byte no layout writes, so that a byte left unwritten shows.
struct BlockSink
{
    std::vector<MemoBlock> *blocks;

    void Begin(uint16_t) {}
    MemoEntryHead *BeginRecord(uint32_t, size_t cbBlock)
    {
        blocks->push_back(MemoBlock(cbBlock, 0x7f));
        return (MemoEntryHead *)blocks->back().data();
    }
    void EndRecord() {}
};

struct BlockEntries
{
    const std::vector<MemoBlock> *blocks;

    const MemoEntryHead *Lock(uint32_t index)
    {
        return (const MemoEntryHead *)(*blocks)[index].data();
    }
    void Unlock(uint32_t) {}
};

struct ByteOutput
{
    std::vector<uint8_t> *bytes;

    void Put(const void *data, size_t cb)
    {
        bytes->insert(bytes->end(), (const uint8_t *)data, (const uint8_t *)data + cb);
    }
    bool Failed() const
    {
        return false;
    }
};

MemoReadOutcome ParseMemoBytes(const uint8_t *bytes, size_t cbBytes, std::vector<MemoBlock> *blocks)
{
    blocks->clear();
    SpanSource source = {bytes, cbBytes};
    BlockSink sink = {blocks};
    const MemoReadOutcome outcome = WalkMemoFile(source, sink);
    if (outcome != MEMO_READ_LOADED) blocks->clear();
    return outcome;
}

std::vector<uint8_t> SaveMemoBytes(const std::vector<MemoBlock> &blocks)
{
    if (blocks.size() > MEMO_MAX_ENTRIES) abort();
    std::vector<uint8_t> bytes;
    BlockEntries entries = {&blocks};
    ByteOutput output = {&bytes};
    if (!WriteMemoFile(entries, (uint16_t)blocks.size(), output)) abort();
    return bytes;
}

MemoBlock EntryBlock(const MemoRecord &record)
{
    MemoBlock block(MemoEntryBlockSize(record.description.size(), record.keyPath.size(), record.valueName.size()));
    FillEntryBlock((MemoEntryHead *)block.data(), record.description.data(), record.description.size(),
                   record.keyPath.data(), record.keyPath.size(), record.valueName.data(), record.valueName.size(),
                   record.keyOnly);
    return block;
}

MemoRecord EntryRecord(const MemoBlock &block)
{
    const MemoEntryTexts texts = EntryTexts((const MemoEntryHead *)block.data());
    return MemoRecord{std::string(texts.description, texts.cbDescription), std::string(texts.keyPath, texts.cbKeyPath),
                      std::string(texts.valueName, texts.cbValueName), texts.keyOnly};
}
