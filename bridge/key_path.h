// Splitting a key path into its components. Portable.
#pragma once
#include <stddef.h>

// The first "\" at a character boundary from `component` on, or null when the text ends first.
// A double-byte Shift-JIS character is stepped over whole, so a trail byte 0x5C (as in ソ) never splits.
char *FindKeyPathSeparator(char *component);
// The key path as it designates its key, in place (it only shrinks): a run of separators is one, since
// a key name cannot be empty, and separators at the end end nothing. Separators at character
// boundaries only. Returns the new length in bytes.
size_t ToPlainKeyPath(char *keyPath);
