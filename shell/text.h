// Shift-JIS text helpers that need no window: shared by the memo program and its host unit tests.
#pragma once
#include <stddef.h>

// Set at start-up on Windows 95 and NT 4.x; switches ToHalfWidth on.
extern bool gIsOldSystem;

// Returns the text to show: the argument itself, or on old systems the half-width buffer,
// which the next call overwrites. Texts must be shorter than 256 bytes.
const char *ToHalfWidth(const char *text);
// 0 when equal ignoring the case of single-byte letters, 1 when different.
int CompareIgnoringCase(const char *a, const char *b);
void UpperCaseLetters(char *text);
void LowerCaseLetters(char *text);
// Lead byte of a double-byte Shift-JIS character.
bool IsShiftJisLeadByte(unsigned char c);
// The character at `p` as a code (a double-byte code, or a single byte with small letters folded to
// capitals) and its size in bytes. A lead byte right before the terminator counts as a single byte.
unsigned FoldedCharacterAt(const char *p, size_t *cbCharacter);

/* find_text.cpp */
// Whether `pattern` occurs in `text`: single-byte letters match without regard to case, double-byte
// characters only whole and at character boundaries. An empty pattern occurs everywhere.
bool ContainsText(const char *text, const char *pattern);
