// A MemoEntry block: a fixed head, then the description, key path and value name packed one after another,
// each followed by its NUL. Portable: the program lays out and reads its blocks with this code, and the host
// tests and the fuzz target check the same code.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Each size counts its text's NUL.
struct MemoEntryHead
{
    uint16_t descriptionSize;
    uint16_t keyPathSize;
    uint16_t valueNameSize;
    uint16_t keyOnly;
};
static_assert(sizeof(MemoEntryHead) == 8, "MemoEntry head");

// The texts and flag of a block; the texts point into it, and their lengths count no NUL.
struct MemoEntryTexts
{
    const char *description;
    const char *keyPath;
    const char *valueName;
    bool keyOnly;
    size_t cbDescription;
    size_t cbKeyPath;
    size_t cbValueName;
};
inline MemoEntryTexts EntryTexts(const MemoEntryHead *head)
{
    const char *description = (const char *)(head + 1);
    const char *keyPath = description + head->descriptionSize;
    return MemoEntryTexts{description,
                          keyPath,
                          keyPath + head->keyPathSize,
                          head->keyOnly != 0,
                          (size_t)head->descriptionSize - 1,
                          (size_t)head->keyPathSize - 1,
                          (size_t)head->valueNameSize - 1};
}

// The memo list shows an entry's texts in the block's order, one a column: the text of `column`
// (0 description, 1 key path, 2 value name); `cbText`, when given, receives its length.
inline const char *EntryColumnText(const MemoEntryTexts &texts, int column, size_t *cbText)
{
    const char *text = column == 0 ? texts.description : column == 1 ? texts.keyPath : texts.valueName;
    if (cbText) *cbText = column == 0 ? texts.cbDescription : column == 1 ? texts.cbKeyPath : texts.cbValueName;
    return text;
}

// Bytes of a block holding texts of these lengths, each without its NUL.
inline size_t MemoEntryBlockSize(size_t cbDescription, size_t cbKeyPath, size_t cbValueName)
{
    return sizeof(MemoEntryHead) + cbDescription + 1 + cbKeyPath + 1 + cbValueName + 1;
}

// A block is laid out text by text, description first: BeginEntryBlock gives where the first text goes;
// EndEntryText, once `cbText` bytes stand there, writes the NUL, counts the size and gives where the next
// text goes. Each text is at most MEMO_MAX_TEXT bytes; the block is read only after its third text has ended.
char *BeginEntryBlock(MemoEntryHead *head, bool keyOnly);
char *EndEntryText(MemoEntryHead *head, char *text, size_t cbText);
// Lays out a whole block from three texts.
void FillEntryBlock(MemoEntryHead *head, const char *description, size_t cbDescription, const char *keyPath,
                    size_t cbKeyPath, const char *valueName, size_t cbValueName, bool keyOnly);
