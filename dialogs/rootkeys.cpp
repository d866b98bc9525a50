#include "dialogs/rootkeys.h"

#include <string.h>

const RootKeyName kRootKeyNames[6] = {
    {"HKEY_CLASSES_ROOT", "HKCR"}, {"HKEY_CURRENT_USER", "HKCU"},   {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_USERS", "HKU"},         {"HKEY_CURRENT_CONFIG", "HKCC"}, {"HKEY_DYN_DATA", "HKDD"},
};

static char FoldAsciiLetter(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 0x20) : c;
}

void FindRootPart(const char *text, size_t *start, size_t *end)
{
    size_t i = 0;
    while ((unsigned char)text[i] >= 0x01 && (unsigned char)text[i] <= 0x20) i++;
    *start = i;
    while (text[i] && text[i] != '\\') i++;
    *end = i;
}

int FindRootKeyName(const char *text, size_t start, size_t end)
{
    for (int n = 0; n < 2 * ROOT_KEY_COUNT; n++)
    {
        const char *name = n < ROOT_KEY_COUNT ? kRootKeyNames[n].longName : kRootKeyNames[n - ROOT_KEY_COUNT].shortName;
        if (strlen(name) != end - start) continue;
        size_t i = 0;
        while (i < end - start && FoldAsciiLetter(text[start + i]) == name[i]) i++;
        if (i == end - start) return n;
    }
    return -1;
}

int IsRootKeyPath(const char *text)
{
    size_t start, end;
    FindRootPart(text, &start, &end);
    return FindRootKeyName(text, start, end) >= 0 ? 1 : 0;
}

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
