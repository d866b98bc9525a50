// Finding a text inside another as a user means it: single-byte letters without regard to case,
// double-byte Shift-JIS characters only whole. Portable: no system call.
#include "shell/text.h"

// Whether `pattern` stands at `at`, character by character.
static bool StandsAt(const char *at, const char *pattern)
{
    while (*pattern)
    {
        if (!*at) return false;
        size_t cbText, cbPattern;
        if (FoldedCharacterAt(at, &cbText) != FoldedCharacterAt(pattern, &cbPattern)) return false;
        at += cbText;
        pattern += cbPattern;
    }
    return true;
}

bool ContainsText(const char *text, const char *pattern)
{
    // Only character starts are tried, so a trail byte never begins a match.
    for (const char *at = text;;)
    {
        if (StandsAt(at, pattern)) return true;
        if (!*at) return false;
        size_t cb;
        FoldedCharacterAt(at, &cb);
        at += cb;
    }
}
