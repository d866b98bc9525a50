// Splitting a key path into its components. Portable.
#pragma once

// The first "\" at a character boundary from `component` on, or null when the text ends first.
// A double-byte Shift-JIS character is stepped over whole, so a trail byte 0x5C (as in ソ) never splits.
char *FindKeyPathSeparator(char *component);
