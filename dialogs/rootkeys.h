// Root-key names and key-path rules. Portable, except ReplaceRootKeyName, which edits a dialog's field.
#pragma once
#include <stddef.h>

struct RootKeyName
{
    const char *longName;
    const char *shortName;
};
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA
// with their short forms, in the order of the root-key menu.
extern const RootKeyName kRootKeyNames[6];
enum
{
    ROOT_KEY_COUNT = 6,
    CB_LONGEST_ROOT_NAME = 19
};

// The root part of a key path: after the leading bytes 0x01-0x20, up to the first backslash byte.
// Byte by byte: a trail byte 0x5C ends it, as the Registry Editor's own parsing would.
void FindRootPart(const char *text, size_t *start, size_t *end);
// Index 0-11 of the name (long names first, then short) that the root part equals ignoring ASCII case,
// or -1.
int FindRootKeyName(const char *text, size_t start, size_t end);
// 1 when the text starts (after blanks) with one of the twelve root names, whole, else 0.
int IsRootKeyPath(const char *text);

// Puts the long name of root `rootIndex` (0-5) in place of the text's root part, or in front of the
// whole text when the root part is no root name. `text` has room for CB_LONGEST_ROOT_NAME more bytes.
// The selection *selStart, *selEnd (byte offsets) follows the text around it; inside the replaced
// name it becomes a caret at the name's start.
void ApplyRootKeyName(char *text, int rootIndex, size_t *selStart, size_t *selEnd);

#ifdef _WIN32
#include <windows.h>
// Rewrites edit control `editId` of `dialog` so that it starts with the long name of root `rootIndex`.
void ReplaceRootKeyName(HWND dialog, int editId, int rootIndex);
#endif
