// What the registry itself says of a key that the Registry Editor's tree shows: whether it still
// exists, and where it stands among its siblings. The tree is read once and goes stale; the registry
// is asked here, in this process, which costs the Registry Editor nothing.
#include "bridge/bridge.h"

#include "bridge/key_path.h"
#include "bridge/root_keys.h"
#include "shell/program.h"

enum
{
    CCH_KEY_NAME = 256,
    CB_KEY_NAME_ANSI = 2 * CCH_KEY_NAME
};

// In the order of the root-key table.
static const HKEY kRootKeys[ROOT_KEY_COUNT] = {
    HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_DYN_DATA,
};

HKEY RootKeyHandle(const char *name)
{
    const int root = FindRootKeyName(name, 0, lstrlenA(name));
    return root >= 0 ? kRootKeys[root] : 0;
}

BOOL RegistryKeyIsGone(HKEY root, const char *subPath)
{
    HKEY key = 0;
    LONG result = RegOpenKeyExA(root, subPath, 0, KEY_QUERY_VALUE, &key);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result == ERROR_FILE_NOT_FOUND;
}

static WCHAR FoldLetter(WCHAR c, BOOL toUpper)
{
    if (toUpper) return c >= 'a' && c <= 'z' ? (WCHAR)(c - 0x20) : c;
    return c >= 'A' && c <= 'Z' ? (WCHAR)(c + 0x20) : c;
}

// The registry keeps subkeys sorted by their UTF-16 code units with letters in one case; which case
// differs between systems, and matters only for the marks between "Z" and "a", such as "_".
static int CompareKeyNames(const WCHAR *a, const WCHAR *b, BOOL toUpper)
{
    for (;; a++, b++)
    {
        WCHAR ca = FoldLetter(*a, toUpper), cb = FoldLetter(*b, toUpper);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (!ca) return 0;
    }
}

// A search by halves over the subkeys as RegEnumKeyExA numbers them; -1 when `name` is not met.
static int SearchSubkeys(HKEY parent, DWORD count, const WCHAR *name, BOOL toUpper)
{
    DWORD low = 0, high = count;
    while (low < high)
    {
        DWORD middle = low + (high - low) / 2;
        char nameAnsi[CB_KEY_NAME_ANSI];
        DWORD cchName = sizeof nameAnsi;
        WCHAR subkey[CCH_KEY_NAME + 1];
        if (RegEnumKeyExA(parent, middle, nameAnsi, &cchName, 0, 0, 0, 0) != ERROR_SUCCESS ||
            !MultiByteToWideChar(CP_ACP, 0, nameAnsi, -1, subkey, CCH_KEY_NAME + 1))
            return -1;
        int order = CompareKeyNames(name, subkey, toUpper);
        if (!order) return (int)middle;
        if (order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    return -1;
}

int SubkeyIndex(HKEY root, const char *parentPath, const char *name)
{
    WCHAR nameWide[CCH_KEY_NAME + 1];
    if (!MultiByteToWideChar(CP_ACP, 0, name, -1, nameWide, CCH_KEY_NAME + 1)) return -1;
    HKEY opened = 0;
    if (parentPath[0] &&
        RegOpenKeyExA(root, parentPath, 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &opened) != ERROR_SUCCESS)
        return -1;
    HKEY parent = opened ? opened : root;
    int index = -1;
    DWORD count = 0;
    if (RegQueryInfoKeyA(parent, 0, 0, 0, &count, 0, 0, 0, 0, 0, 0, 0) == ERROR_SUCCESS)
    {
        index = SearchSubkeys(parent, count, nameWide, TRUE);
        if (index < 0) index = SearchSubkeys(parent, count, nameWide, FALSE);
    }
    if (opened) RegCloseKey(opened);
    return index;
}

// KEY_WOW64_64KEY for a 32-bit program on 64-bit Windows, whose own view would be the 32-bit one; no
// flag elsewhere, where older systems would not know it.
static REGSAM RegistryEditorView()
{
    static int view = -1;
    if (view < 0)
    {
        BOOL wow64 = FALSE;
        if (gBound.IsWow64Process && !gBound.IsWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
        view = wow64 ? KEY_WOW64_64KEY : 0;
    }
    return (REGSAM)view;
}

int RegistryPresence(const char *keyPath, const char *valueName, BOOL keyOnly)
{
    // Asked of the key the path designates, as the walk opens it: without doubled or trailing separators.
    const size_t cbPath = lstrlenA(keyPath) + 1;
    char *plain = (char *)HeapAlloc(GetProcessHeap(), 0, cbPath);
    if (!plain) return PRESENCE_FOUND;
    CopyMemory(plain, keyPath, cbPath);
    ToPlainKeyPath(plain);
    int presence = PRESENCE_FOUND;
    size_t start, end;
    FindRootPart(plain, &start, &end);
    const int root = FindRootKeyName(plain, start, end);
    HKEY key = 0;
    if (root >= 0)
    {
        const char *subPath = plain[end] == '\\' ? plain + end + 1 : "";
        const LONG result = RegOpenKeyExA(kRootKeys[root], subPath, 0, KEY_QUERY_VALUE | RegistryEditorView(), &key);
        // A key the registry refuses to open is there.
        if (result == ERROR_FILE_NOT_FOUND) presence = PRESENCE_NO_KEY;
        if (result != ERROR_SUCCESS) key = 0;
    }
    if (key && !keyOnly && valueName[0] &&
        RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_FILE_NOT_FOUND)
        presence = PRESENCE_NO_VALUE;
    if (key) RegCloseKey(key);
    HeapFree(GetProcessHeap(), 0, plain);
    return presence;
}
