// The filter of the memo-file dialogs, from the memo-file extension the settings hold. Portable.
#pragma once
#include <stddef.h>

// NUL-separated and ending in two NULs: memo files of `extension` (lower case) then all files, or all
// files alone when `extension` is null. Texts pass through ToHalfWidth. Returns the bytes used, or 0
// when `cbOut` is too small.
size_t BuildMemoFileFilter(const char *extension, char *out, size_t cbOut);
