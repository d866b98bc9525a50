#include "memo/memo_bytes.h"

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

struct VectorSink
{
    std::vector<MemoRecord> *records;
    std::vector<char> texts;
    uint16_t cb[3];

    void Begin(uint16_t) {}
    char *BeginRecord(uint32_t, uint16_t cbDescription, uint16_t cbKeyPath, uint16_t cbValueName, bool keyOnly)
    {
        cb[0] = cbDescription;
        cb[1] = cbKeyPath;
        cb[2] = cbValueName;
        texts.assign((size_t)cbDescription + cbKeyPath + cbValueName + 3, '\x7f');
        records->push_back(MemoRecord{std::string(), std::string(), std::string(), keyOnly});
        return texts.data();
    }
    void EndRecord()
    {
        MemoRecord &record = records->back();
        const char *p = texts.data();
        record.description.assign(p, cb[0]);
        p += cb[0] + 1;
        record.keyPath.assign(p, cb[1]);
        p += cb[1] + 1;
        record.valueName.assign(p, cb[2]);
    }
};

MemoReadOutcome ParseMemoBytes(const uint8_t *bytes, size_t cbBytes, std::vector<MemoRecord> *records)
{
    records->clear();
    SpanSource source = {bytes, cbBytes};
    VectorSink sink = {records, {}, {0, 0, 0}};
    const MemoReadOutcome outcome = WalkMemoFile(source, sink);
    if (outcome != MEMO_READ_LOADED) records->clear();
    return outcome;
}

MemoWriteCheck SerialiseMemo(const std::vector<MemoRecord> &records, std::vector<uint8_t> *bytes)
{
    bytes->clear();
    if (records.size() > MEMO_MAX_ENTRIES) return MEMO_WRITE_TOO_MANY_ENTRIES;
    size_t cbTotal = 6;
    for (const MemoRecord &record : records)
    {
        if (!MemoRecordFits(record.description.size(), record.keyPath.size(), record.valueName.size(), record.keyOnly))
            return MEMO_WRITE_TEXT_TOO_LONG;
        cbTotal +=
            6 + record.description.size() + record.keyPath.size() + (record.keyOnly ? 0 : record.valueName.size());
    }
    bytes->resize(cbTotal);
    uint8_t *out = bytes->data();
    EncodeMemoHeader(out, (uint16_t)records.size());
    out += 6;
    for (const MemoRecord &record : records)
    {
        EncodeRecordLengths(out, (uint16_t)record.description.size(), (uint16_t)record.keyPath.size(),
                            (uint16_t)record.valueName.size(), record.keyOnly);
        out += 6;
        const std::string *texts[3] = {&record.description, &record.keyPath, &record.valueName};
        for (int t = 0; t < (record.keyOnly ? 2 : 3); t++)
        {
            if (!texts[t]->empty()) memcpy(out, texts[t]->data(), texts[t]->size());
            out += texts[t]->size();
        }
    }
    return MEMO_WRITE_FITS;
}
