// Root-key names and key-path rules. Portable.
#pragma once

struct RootKeyName {
    const char *longName;
    const char *shortName;
};
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA
// with their short forms, in the order of the root-key menu.
extern const RootKeyName RootKeyNames[6];
int IsRootKeyPath(const char *text);
