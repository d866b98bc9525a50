// Root-key names and the rule of what a key path is.
#include "bridge/root_keys.h"

#include <string.h>

const RootKeyName kRootKeyNames[ROOT_KEY_COUNT] = {
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
        const int root = n % ROOT_KEY_COUNT;
        const char *name = n < ROOT_KEY_COUNT ? kRootKeyNames[root].longName : kRootKeyNames[root].shortName;
        if (strlen(name) != end - start) continue;
        size_t i = 0;
        while (i < end - start && FoldAsciiLetter(text[start + i]) == name[i]) i++;
        if (i == end - start) return root;
    }
    return -1;
}

int IsRootKeyPath(const char *text)
{
    size_t start, end;
    FindRootPart(text, &start, &end);
    return FindRootKeyName(text, start, end) >= 0 ? 1 : 0;
}
