// Putting a root name chosen from the root-key menu into a key-path text.
#include "dialogs/rootkeys.h"

#include <string.h>

static size_t MoveSelectionEdge(size_t position, size_t start, size_t end, size_t cbName)
{
    if (position < start) return position;
    return position - (end - start) + cbName;
}

void ApplyRootKeyName(char *text, int rootIndex, size_t *selStart, size_t *selEnd)
{
    size_t start, end;
    FindRootPart(text, &start, &end);
    if (FindRootKeyName(text, start, end) < 0) start = end = 0;
    const char *name = kRootKeyNames[rootIndex].longName;
    const size_t cbName = strlen(name);
    memmove(text + start + cbName, text + end, strlen(text + end) + 1);
    memcpy(text + start, name, cbName);
    const bool insideStart = *selStart >= start && *selStart < end;
    const bool insideEnd = *selEnd >= start && *selEnd < end;
    if (insideStart || insideEnd)
    {
        *selStart = *selEnd = start;
    }
    else
    {
        *selStart = MoveSelectionEdge(*selStart, start, end, cbName);
        *selEnd = MoveSelectionEdge(*selEnd, start, end, cbName);
    }
}
