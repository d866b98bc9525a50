// Finding a text inside another as a user means it: single-byte letters without regard to case,
// double-byte Shift-JIS characters only whole. Portable: no system call.
#include "shell/text.h"

#include <stddef.h>

// One character of Shift-JIS text: its code (a double-byte code, or a single byte with small letters
// folded to capitals) and its size. A lead byte right before the terminator counts as a single byte.
static unsigned FoldedCharacter(const unsigned char *p, size_t *cb)
{
    if (IsShiftJisLeadByte(p[0]) && p[1] != 0)
    {
        *cb = 2;
        return ((unsigned)(p[0]) << 8) | p[1];
    }
    *cb = 1;
    return (p[0] >= 'a' && p[0] <= 'z') ? p[0] & ~0x20u : p[0];
}

// Whether `pattern` stands at `at`, character by character.
static bool StandsAt(const unsigned char *at, const unsigned char *pattern)
{
    while (*pattern)
    {
        if (!*at) return false;
        size_t cbText, cbPattern;
        if (FoldedCharacter(at, &cbText) != FoldedCharacter(pattern, &cbPattern)) return false;
        at += cbText;
        pattern += cbPattern;
    }
    return true;
}

bool ContainsText(const char *text, const char *pattern)
{
    const unsigned char *at = (const unsigned char *)text;
    const unsigned char *wanted = (const unsigned char *)pattern;
    // Only character starts are tried, so a trail byte never begins a match.
    for (;;)
    {
        if (StandsAt(at, wanted)) return true;
        if (!*at) return false;
        size_t cb;
        FoldedCharacter(at, &cb);
        at += cb;
    }
}
