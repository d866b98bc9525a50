// Putting a root name chosen from the root-key menu into a key-path field. Portable, except
// ReplaceRootKeyName, which edits a dialog's field.
#pragma once
#include <stddef.h>
#include "bridge/root_keys.h"

/* rootkeys.cpp */
// Puts the long name of root `rootIndex` (0-5) in place of the text's root part, or in front of the
// whole text when the root part is no root name. `text` has room for CB_LONGEST_ROOT_NAME more bytes.
// The selection *selStart, *selEnd (byte offsets) follows the text around it; inside the replaced
// name it becomes a caret at the name's start.
void ApplyRootKeyName(char *text, int rootIndex, size_t *selStart, size_t *selEnd);

#ifdef _WIN32
#include <windows.h>
/* rootkey_replace.cpp */
// Rewrites edit control `editId` of `dialog` so that it starts with the long name of root `rootIndex`.
void ReplaceRootKeyName(HWND dialog, int editId, int rootIndex);
#endif
