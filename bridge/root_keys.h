// Root-key names and the rule of what a key path is: the one table that the dialogs, the commands and
// the walk in the Registry Editor all read. Portable.
#pragma once
#include <stddef.h>

struct RootKeyName
{
    const char *longName;
    const char *shortName;
};
enum
{
    ROOT_KEY_COUNT = 6,
    CB_LONGEST_ROOT_NAME = 19
};
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA
// with their short forms, in the order of the root-key menu.
extern const RootKeyName kRootKeyNames[ROOT_KEY_COUNT];

/* root_keys.cpp */
// The root part of a key path: after the leading bytes 0x01-0x20, up to the first backslash byte.
// Byte by byte: a trail byte 0x5C ends it, as the Registry Editor's own parsing would.
void FindRootPart(const char *text, size_t *start, size_t *end);
// The root (0-5) whose long or short name the bytes from `start` to `end` equal ignoring ASCII case,
// long names tried first; -1 for none.
int FindRootKeyName(const char *text, size_t start, size_t end);
// 1 when the text starts (after blanks) with one of the twelve root names, whole, else 0.
int IsRootKeyPath(const char *text);
