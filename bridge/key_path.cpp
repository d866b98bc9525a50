// Splitting a key path into its components.
#include "bridge/key_path.h"

#include "shell/text.h"

char *FindKeyPathSeparator(char *component)
{
    unsigned char *p = (unsigned char *)component;
    while (*p)
    {
        if (*p == '\\') return (char *)p;
        // A lead byte right before the terminator is a character of its own.
        p += (IsShiftJisLeadByte(*p) && p[1]) ? 2 : 1;
    }
    return nullptr;
}

size_t ToPlainKeyPath(char *keyPath)
{
    unsigned char *read = (unsigned char *)keyPath, *write = read;
    while (*read)
    {
        if (*read == '\\')
        {
            while (*read == '\\') read++;
            if (*read) *write++ = '\\';
            continue;
        }
        if (IsShiftJisLeadByte(*read) && read[1]) *write++ = *read++;
        *write++ = *read++;
    }
    *write = 0;
    return (size_t)(write - (unsigned char *)keyPath);
}
