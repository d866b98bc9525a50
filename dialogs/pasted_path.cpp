#include "dialogs/pasted_path.h"

#include <string.h>

#include "bridge/root_keys.h"
#include "shell/text.h"

static const char *const kAddressBarPrefixes[] = {
    "コンピューター\\", "コンピュータ\\", "マイ コンピュータ\\", "Computer\\", "My Computer\\",
};
static const char *const kProviderPrefixes[] = {"Microsoft.PowerShell.Core\\Registry::", "Registry::"};
static const unsigned char kIdeographicSpace[] = {0x81, 0x40};
static const size_t kNone = (size_t)-1;

static size_t CharacterSize(const char *text, size_t at, size_t end)
{
    return IsShiftJisLeadByte((unsigned char)text[at]) && at + 1 < end ? 2 : 1;
}

static size_t BlankSize(const char *text, size_t at, size_t end)
{
    const unsigned char c = (unsigned char)text[at];
    if (c >= 0x01 && c <= 0x20) return 1;
    if (c == kIdeographicSpace[0] && at + 1 < end && (unsigned char)text[at + 1] == kIdeographicSpace[1]) return 2;
    return 0;
}

// Narrows [*start, *end) to its characters without the blanks around them; *last is where the last
// character starts (kNone when nothing is left). Walked from the start, so that a trail byte is never
// taken for a character of its own.
static void Trim(const char *text, size_t *start, size_t *end, size_t *last)
{
    size_t at = *start, cb;
    while (at < *end && (cb = BlankSize(text, at, *end)) != 0) at += cb;
    *start = at;
    size_t kept = at;
    *last = kNone;
    while (at < *end)
    {
        cb = BlankSize(text, at, *end);
        if (!cb)
        {
            cb = CharacterSize(text, at, *end);
            *last = at;
            kept = at + cb;
        }
        at += cb;
    }
    *end = kept;
}

static char FoldAsciiLetter(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 0x20) : c;
}

// The length of `prefix` when the text at `at` starts with it, comparing single-byte letters without
// regard to case and double-byte characters whole; else 0.
static size_t PrefixLength(const char *text, size_t at, size_t end, const char *prefix)
{
    size_t i = 0;
    while (prefix[i])
    {
        if (at + i >= end) return 0;
        if (IsShiftJisLeadByte((unsigned char)prefix[i]))
        {
            if (at + i + 1 >= end || text[at + i] != prefix[i] || text[at + i + 1] != prefix[i + 1]) return 0;
            i += 2;
        }
        else
        {
            if (FoldAsciiLetter(text[at + i]) != FoldAsciiLetter(prefix[i])) return 0;
            i++;
        }
    }
    return i;
}

static size_t SkipPrefix(const char *text, size_t at, size_t end, const char *const *prefixes, size_t count)
{
    for (size_t i = 0; i < count; i++)
    {
        const size_t cb = PrefixLength(text, at, end, prefixes[i]);
        if (cb) return at + cb;
    }
    return at;
}

static bool IsEnclosed(const char *text, size_t start, size_t last)
{
    if (last == kNone || last <= start) return false;
    return (text[start] == '"' && text[last] == '"') || (text[start] == '[' && text[last] == ']');
}

static size_t MovedPosition(size_t position, size_t start, size_t end, size_t colon)
{
    if (position <= start) return 0;
    if (position > end) position = end;
    return position - start - (colon != kNone && position > colon ? 1 : 0);
}

int ToStoredKeyPath(char *text, size_t *caret)
{
    const size_t cbText = strlen(text);
    size_t start = 0, end = cbText, last;
    Trim(text, &start, &end, &last);
    while (IsEnclosed(text, start, last))
    {
        end = last;
        start++;
        Trim(text, &start, &end, &last);
    }
    start = SkipPrefix(text, start, end, kAddressBarPrefixes, sizeof kAddressBarPrefixes / sizeof *kAddressBarPrefixes);
    start = SkipPrefix(text, start, end, kProviderPrefixes, sizeof kProviderPrefixes / sizeof *kProviderPrefixes);

    // The root part as the stored text will have it: up to the first backslash, or a drive's colon.
    size_t rootEnd = start;
    while (rootEnd < end && text[rootEnd] != '\\' && text[rootEnd] != ':') rootEnd++;
    size_t colon = kNone;
    if (rootEnd < end && text[rootEnd] == ':')
    {
        if (rootEnd + 1 < end && text[rootEnd + 1] != '\\') return 0;
        colon = rootEnd;
    }
    if (FindRootKeyName(text, start, rootEnd) < 0) return 0;
    if (start == 0 && end == cbText && colon == kNone) return 0;

    if (caret) *caret = MovedPosition(*caret, start, end, colon);
    const size_t cbHead = (colon != kNone ? colon : end) - start;
    memmove(text, text + start, cbHead);
    size_t cbStored = cbHead;
    if (colon != kNone)
    {
        memmove(text + cbStored, text + colon + 1, end - colon - 1);
        cbStored += end - colon - 1;
    }
    text[cbStored] = '\0';
    return 1;
}
