// The memo file's bytes: header, records, limits. Portable: the program reads and writes its files with it,
// the host tests and the fuzz target byte arrays with the same code (memo_bytes.h).
// No C++ runtime here: what the programs link must import nothing the oldest systems lack.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "memo/memo_entry.h"

enum
{
    MEMO_HEADER_SIZE = 4, // the header bytes after headerSize, as written
    MEMO_FORMAT_VERSION = 1,
    MEMO_KEY_ONLY_MARKER = 0xFFFF,
    MEMO_MAX_ENTRIES = 0xFFFF,
    MEMO_MAX_TEXT = 0xFFFE, // a text's size with its NUL must fit 16 bits
};

enum MemoReadOutcome
{
    MEMO_READ_LOADED,
    MEMO_READ_MALFORMED,
    MEMO_READ_SOURCE_FAILED, // a read or a move of the source failed; the source keeps the error
    MEMO_READ_SINK_FAILED,   // the sink refused a record; it has reported or kept the error
};

inline uint16_t ReadLittle16(const uint8_t *bytes)
{
    return (uint16_t)(bytes[0] | bytes[1] << 8);
}
inline void WriteLittle16(uint8_t *bytes, uint32_t value)
{
    bytes[0] = (uint8_t)value;
    bytes[1] = (uint8_t)(value >> 8);
}

// Whether a record with these text lengths (bytes, no NUL) can be stored.
inline bool MemoRecordFits(size_t cbDescription, size_t cbKeyPath, size_t cbValueName, bool keyOnly)
{
    return cbDescription <= MEMO_MAX_TEXT && cbKeyPath <= MEMO_MAX_TEXT && (keyOnly || cbValueName <= MEMO_MAX_TEXT);
}

// The six header bytes this system writes: headerSize 4, formatVersion 1, the record count.
void EncodeMemoHeader(uint8_t out[6], uint16_t recordCount);
// The three lengths of a record; a key-only record's value name length is the marker.
void EncodeRecordLengths(uint8_t out[6], uint16_t cbDescription, uint16_t cbKeyPath, uint16_t cbValueName,
                         bool keyOnly);

// Walks a memo file from its first byte, step by step, as the program reads it.
//   source.Read(void *buffer, uint32_t cb, uint32_t *cbRead): false when the read failed;
//       fewer bytes than asked means the file ended.
//   source.Skip(uint32_t cb): moves forward; false when the move failed.
//   sink.Begin(uint16_t recordCount): told the count before the first record.
//   sink.BeginRecord(uint32_t index, size_t cbBlock): room for the record's entry block, or null when refused.
//   sink.EndRecord(): after the block was laid out, whatever the outcome.
// The walk stops at the first failure; bytes after the last record are never read.
template <class Source, class Sink> MemoReadOutcome WalkMemoFile(Source &source, Sink &sink)
{
    uint8_t bytes[6];
    uint32_t cbRead = 0;
    if (!source.Read(bytes, 2, &cbRead)) return MEMO_READ_SOURCE_FAILED;
    if (cbRead < 2) return MEMO_READ_MALFORMED;
    const uint16_t headerSize = ReadLittle16(bytes);
    if (headerSize < MEMO_HEADER_SIZE) return MEMO_READ_MALFORMED;
    if (!source.Read(bytes, 4, &cbRead)) return MEMO_READ_SOURCE_FAILED;
    if (cbRead < 4) return MEMO_READ_MALFORMED;
    const uint16_t formatVersion = ReadLittle16(bytes);
    const uint16_t recordCount = ReadLittle16(bytes + 2);
    if (headerSize > MEMO_HEADER_SIZE)
    {
        if (formatVersion == MEMO_FORMAT_VERSION) return MEMO_READ_MALFORMED;
        if (!source.Skip(headerSize - MEMO_HEADER_SIZE)) return MEMO_READ_SOURCE_FAILED;
    }
    sink.Begin(recordCount);
    for (uint32_t i = 0; i < recordCount; i++)
    {
        if (!source.Read(bytes, 6, &cbRead)) return MEMO_READ_SOURCE_FAILED;
        if (cbRead < 6) return MEMO_READ_MALFORMED;
        uint16_t cbTexts[3] = {ReadLittle16(bytes), ReadLittle16(bytes + 2), ReadLittle16(bytes + 4)};
        const bool keyOnly = cbTexts[2] == MEMO_KEY_ONLY_MARKER;
        if (keyOnly) cbTexts[2] = 0;
        MemoEntryHead *head = sink.BeginRecord(i, MemoEntryBlockSize(cbTexts[0], cbTexts[1], cbTexts[2]));
        if (!head) return MEMO_READ_SINK_FAILED;
        MemoReadOutcome outcome = MEMO_READ_LOADED;
        char *text = BeginEntryBlock(head, keyOnly);
        for (int t = 0; t < 3; t++)
        {
            if (cbTexts[t] && outcome == MEMO_READ_LOADED)
            {
                if (!source.Read(text, cbTexts[t], &cbRead))
                    outcome = MEMO_READ_SOURCE_FAILED;
                else if (cbRead < cbTexts[t])
                    outcome = MEMO_READ_MALFORMED;
            }
            // A record cut short still becomes a whole block, its unread texts empty.
            text = EndEntryText(head, text, outcome == MEMO_READ_LOADED ? cbTexts[t] : 0);
        }
        sink.EndRecord();
        if (outcome != MEMO_READ_LOADED) return outcome;
    }
    return MEMO_READ_LOADED;
}

// Writes a memo file as the program saves it: this system's header for `count` entries, then each entry's
// record in order, its texts without their NULs and a key-only entry's value name left out.
//   entries.Lock(uint32_t index): the entry's block, or null when it cannot be read;
//   entries.Unlock(uint32_t index): after its record was put;
//   output.Put(const void *bytes, size_t cb): appends; output.Failed(): true once a write failed.
// Stops at the first entry it cannot read or the first failed write; true when every record was put.
template <class Entries, class Output> bool WriteMemoFile(Entries &entries, uint16_t count, Output &output)
{
    uint8_t bytes[6];
    EncodeMemoHeader(bytes, count);
    output.Put(bytes, 6);
    for (uint32_t i = 0; i < count && !output.Failed(); i++)
    {
        const MemoEntryHead *head = entries.Lock(i);
        if (!head) return false;
        const MemoEntryTexts texts = EntryTexts(head);
        const size_t cbValueName = texts.keyOnly ? 0 : texts.cbValueName;
        EncodeRecordLengths(bytes, (uint16_t)texts.cbDescription, (uint16_t)texts.cbKeyPath, (uint16_t)cbValueName,
                            texts.keyOnly);
        output.Put(bytes, 6);
        output.Put(texts.description, texts.cbDescription);
        output.Put(texts.keyPath, texts.cbKeyPath);
        output.Put(texts.valueName, cbValueName);
        entries.Unlock(i);
    }
    return !output.Failed();
}

// Offset of the file-name part of a path: one past its last backslash, found character by character
// in Shift-JIS so that a trail byte 0x5C is not taken for one; 0 when there is none.
int FileNameOffset(const char *path);
