// Shift-JIS text helpers: the half-width katakana conversion of old systems and case folding of
// single-byte letters. Portable: no system call.
#include "shell/text.h"

#include <stddef.h>

bool gIsOldSystem = false;

static const size_t kHalfWidthBufferSize = 256;
static char gHalfWidthBuffer[kHalfWidthBufferSize];

// One byte per double-byte code 0x8340..0x8394: the low 6 bits + 0xA6 give the half-width katakana,
// bit 7 adds the voiced mark, bit 6 the semi-voiced mark. 0x837F is no character and is never looked up.
// ヮ, ヰ and ヱ, which have no half-width form, become ﾜ, ｲ and ｴ.
static const unsigned char kKatakanaTable[85] = {
    0x01, 0x0B, 0x02, 0x0C, 0x03, 0x0D, 0x04, 0x0E, 0x05, 0x0F, // ァアィイゥウェエォオ
    0x10, 0x90, 0x11, 0x91, 0x12, 0x92, 0x13, 0x93, 0x14, 0x94, // カガキギクグケゲコゴ
    0x15, 0x95, 0x16, 0x96, 0x17, 0x97, 0x18, 0x98, 0x19, 0x99, // サザシジスズセゼソゾ
    0x1A, 0x9A, 0x1B, 0x9B, 0x09, 0x1C, 0x9C, 0x1D, 0x9D, 0x1E, // タダチヂッツヅテデト
    0x9E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0xA4, 0x64, 0x25, // ドナニヌネノハバパヒ
    0xA5, 0x65, 0x26, 0xA6, 0x66, 0x27, 0xA7, 0x67, 0x28, 0xA8, // ビピフブプヘベペホボ
    0x68, 0x29, 0x2A, 0x00, 0x2B, 0x2C, 0x2D, 0x06, 0x2E, 0x07, // ポマミ(none)ムメモャヤュ
    0x2F, 0x08, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x36, // ユョヨラリルレロヮワ
    0x0C, 0x0E, 0x00, 0x37, 0x8D,                               // ヰヱヲンヴ
};

static const unsigned char kVoicedMark = 0xDE;
static const unsigned char kSemiVoicedMark = 0xDF;
static const unsigned char kHalfWidthLongVowel = 0xB0;

// The character at `p`: a double-byte code, or a single byte. A lead byte right before the terminator
// counts as a single byte, so no walk ever passes the end of the text.
static unsigned CharacterAt(const unsigned char *p, size_t *cbCharacter)
{
    if (IsShiftJisLeadByte(p[0]) && p[1] != 0)
    {
        *cbCharacter = 2;
        return ((unsigned)(p[0]) << 8) | p[1];
    }
    *cbCharacter = 1;
    return p[0];
}

unsigned FoldedCharacterAt(const char *p, size_t *cbCharacter)
{
    unsigned code = CharacterAt((const unsigned char *)p, cbCharacter);
    return (code >= 'a' && code <= 'z') ? code & ~0x20u : code;
}

bool IsShiftJisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

const char *ToHalfWidth(const char *text)
{
    if (!gIsOldSystem) return text;

    const unsigned char *in = (const unsigned char *)text;
    unsigned char *out = (unsigned char *)gHalfWidthBuffer;
    // Room for the longest output of one character (a katakana with its mark) and the terminator.
    unsigned char *const outLast = out + kHalfWidthBufferSize - 1;
    bool afterKatakana = false;
    while (*in)
    {
        size_t cbIn;
        unsigned code = CharacterAt(in, &cbIn);
        if (cbIn == 2 && code >= 0x8340 && code <= 0x8394 && code != 0x837F)
        {
            unsigned char entry = kKatakanaTable[code - 0x8340];
            bool withMark = (entry & 0xC0) != 0;
            if (out + (withMark ? 2 : 1) > outLast) break;
            *out++ = (unsigned char)(0xA6 + (entry & 0x3F));
            if (entry & 0x80)
                *out++ = kVoicedMark;
            else if (entry & 0x40)
                *out++ = kSemiVoicedMark;
            afterKatakana = true;
        }
        else if (cbIn == 2 && code == 0x815B && afterKatakana)
        {
            if (out + 1 > outLast) break;
            *out++ = kHalfWidthLongVowel;
        }
        else
        {
            if (out + cbIn > outLast) break;
            for (size_t i = 0; i < cbIn; ++i) *out++ = in[i];
            // A long-vowel mark that stays full-width leaves the flag clear as it was.
            afterKatakana = false;
        }
        in += cbIn;
    }
    *out = 0;
    return gHalfWidthBuffer;
}

int CompareIgnoringCase(const char *a, const char *b)
{
    for (;;)
    {
        size_t cbA, cbB;
        unsigned x = FoldedCharacterAt(a, &cbA);
        unsigned y = FoldedCharacterAt(b, &cbB);
        if (x != y) return 1;
        if (x == 0) return 0;
        a += cbA;
        b += cbB;
    }
}

// Changes the single-byte letters from `first` to `last` by setting (`toSmall`) or clearing bit 0x20,
// stepping over double-byte characters whole.
static void ChangeLetters(char *text, unsigned char first, unsigned char last, bool toSmall)
{
    unsigned char *p = (unsigned char *)text;
    while (*p)
    {
        size_t cb;
        unsigned code = CharacterAt(p, &cb);
        if (code >= first && code <= last) *p = (unsigned char)(toSmall ? code | 0x20u : code & ~0x20u);
        p += cb;
    }
}

void UpperCaseLetters(char *text)
{
    ChangeLetters(text, 'a', 'z', false);
}

void LowerCaseLetters(char *text)
{
    ChangeLetters(text, 'A', 'Z', true);
}
