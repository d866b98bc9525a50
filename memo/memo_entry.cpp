#include "memo/memo_entry.h"

#include <string.h>

char *BeginEntryBlock(MemoEntryHead *head, bool keyOnly)
{
    head->descriptionSize = head->keyPathSize = head->valueNameSize = 0;
    head->keyOnly = keyOnly ? 1 : 0;
    return (char *)(head + 1);
}

// The size still 0 is the next text's: every ended text counts at least its NUL.
char *EndEntryText(MemoEntryHead *head, char *text, size_t cbText)
{
    uint16_t *size = !head->descriptionSize ? &head->descriptionSize
                     : !head->keyPathSize   ? &head->keyPathSize
                                            : &head->valueNameSize;
    *size = (uint16_t)(cbText + 1);
    text[cbText] = '\0';
    return text + cbText + 1;
}

void FillEntryBlock(MemoEntryHead *head, const char *description, size_t cbDescription, const char *keyPath,
                    size_t cbKeyPath, const char *valueName, size_t cbValueName, bool keyOnly)
{
    char *text = BeginEntryBlock(head, keyOnly);
    const char *sources[3] = {description, keyPath, valueName};
    const size_t cbSources[3] = {cbDescription, cbKeyPath, cbValueName};
    for (int t = 0; t < 3; t++)
    {
        if (cbSources[t]) memcpy(text, sources[t], cbSources[t]);
        text = EndEntryText(head, text, cbSources[t]);
    }
}
