// The Registry Editor's own Favorites: the current user's string values under its Favorites key, each
// named as its menu shows it and holding a path that begins with the name of its tree's top item.
#include <string.h>

#include "bridge/bridge.h"
#include "bridge/root_keys.h"
#include "dialogs/pasted_path.h"
#include "memo/memo.h"
#include "shell/shell.h"

static const char kFavoritesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit\\Favorites";
enum
{
    CB_TOP_NAME = 128
};

// The path after the first component of a favorite's data, where that component is the tree's top item
// (whatever its name); a path that starts with a root name already is kept whole. Null for none.
static char *AfterTopItem(char *data)
{
    size_t start, end;
    FindRootPart(data, &start, &end);
    if (FindRootKeyName(data, start, end) >= 0) return data;
    char *separator = FindKeyPathSeparator(data);
    return separator ? separator + 1 : nullptr;
}

// A favorite's data in `data` (room for cbData + 1 bytes) as a key path in stored form; null when it does
// not name a key under a root key.
static char *FavoriteKeyPath(DWORD type, char *data, DWORD cbData)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ) return nullptr;
    data[cbData] = '\0';
    char *keyPath = AfterTopItem(data);
    if (!keyPath) return nullptr;
    ToStoredKeyPath(keyPath, nullptr);
    return IsRootKeyPath(keyPath) ? keyPath : nullptr;
}

// The Favorites key's values one by one, in the registry's order, which is the order of the Registry
// Editor's menu. The buffers hold the longest name and data; FALSE after a reported failure.
struct FavoriteReader
{
    HKEY key;
    char *name;
    char *data;
    DWORD cchName, cbData; // capacities, the data's without the byte kept for a NUL
};

static void CloseFavorites(FavoriteReader *reader)
{
    if (reader->name) GlobalFree(reader->name);
    if (reader->data) GlobalFree(reader->data);
    if (reader->key) RegCloseKey(reader->key);
    *reader = FavoriteReader();
}

// FALSE when there are no Favorites (nothing reported) or after a reported failure (*failed set).
static BOOL OpenFavorites(FavoriteReader *reader, BOOL *failed)
{
    *reader = FavoriteReader();
    *failed = FALSE;
    LONG result = RegOpenKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, KEY_QUERY_VALUE, &reader->key);
    if (result == ERROR_FILE_NOT_FOUND) return FALSE;
    DWORD cchMaxName = 0, cbMaxData = 0;
    if (result == ERROR_SUCCESS)
        result = RegQueryInfoKeyA(reader->key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  &cchMaxName, &cbMaxData, nullptr, nullptr);
    if (result == ERROR_SUCCESS)
    {
        // An ANSI name may take two bytes a character.
        reader->cchName = 2 * cchMaxName + 2;
        reader->cbData = cbMaxData + 2;
        reader->name = (char *)GlobalAlloc(GMEM_FIXED, reader->cchName);
        reader->data = reader->name ? (char *)GlobalAlloc(GMEM_FIXED, reader->cbData + 1) : nullptr;
        if (!reader->data) result = GetLastError();
    }
    if (result == ERROR_SUCCESS) return TRUE;
    CloseFavorites(reader);
    SetLastError((DWORD)result);
    ReportSystemError(gMainWindow, LEVEL_ORDINARY);
    *failed = TRUE;
    return FALSE;
}

// The value at `index`: its type and the size of its data; FALSE when there is none.
static BOOL ReadFavorite(const FavoriteReader *reader, DWORD index, DWORD *type, DWORD *cbData)
{
    DWORD cchName = reader->cchName;
    *cbData = reader->cbData;
    return RegEnumValueA(reader->key, index, reader->name, &cchName, nullptr, type, (BYTE *)reader->data, cbData) ==
           ERROR_SUCCESS;
}

void ImportRegistryEditorFavorites()
{
    int taken = 0, skipped = 0;
    FavoriteReader reader;
    BOOL failed;
    if (OpenFavorites(&reader, &failed))
    {
        // However many it takes in, the import is undone in one step.
        BeginChangeGroup();
        DWORD type, cbData;
        for (DWORD index = 0; ReadFavorite(&reader, index, &type, &cbData); index++)
        {
            const char *keyPath = FavoriteKeyPath(type, reader.data, cbData);
            if (!keyPath)
                skipped++;
            else if (InsertFavoriteEntry(reader.name, keyPath))
                taken++;
            else
                break; // reported
        }
        EndChangeGroup();
        CloseFavorites(&reader);
    }
    if (failed || (taken && !skipped)) return;
    char text[256];
    wsprintfA(text,
              ToHalfWidth("レジストリ エディタのお気に入りから %d 件を取り込みました。キーを指していない %d "
                          "件は取り込みませんでした。"),
              taken, skipped);
    ShowMessage(gMainWindow, text, MB_ICONEXCLAMATION);
}

// The top item's name that the stored Favorites begin with; FALSE when none names a key.
static BOOL StoredTopName(char *name, int cbName)
{
    FavoriteReader reader;
    BOOL failed, found = FALSE;
    if (!OpenFavorites(&reader, &failed)) return FALSE;
    DWORD type, cbData;
    for (DWORD index = 0; !found && ReadFavorite(&reader, index, &type, &cbData); index++)
    {
        char *keyPath = FavoriteKeyPath(type, reader.data, cbData);
        if (!keyPath || keyPath == reader.data) continue;
        keyPath[-1] = '\0';
        lstrcpynA(name, reader.data, cbName);
        found = TRUE;
    }
    CloseFavorites(&reader);
    return found;
}

// Wine's Registry Editor keeps its Favorites from the root key on, without its top item's name, and
// finds no key in a path that has one.
static BOOL IsWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// What this system's Registry Editor calls its top item, where there is neither a running one to ask nor
// a favorite to learn from: "マイ コンピュータ" up to Windows XP, "コンピューター" from Vista on.
static const char *DefaultTopName()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6 ? "コンピューター"
                                                                                        : "マイ コンピュータ";
}

// The last non-empty component of a key path.
static const char *LastKeyName(const char *keyPath)
{
    const char *last = keyPath;
    for (char *at = (char *)keyPath; (at = FindKeyPathSeparator(at)) != nullptr;)
    {
        at++;
        if (*at) last = at;
    }
    return last;
}

// Whether a stored favorite names the key of `longPath` (its root written long), in whatever form.
static BOOL NamesSameKey(DWORD type, char *stored, DWORD cbStored, const char *longPath)
{
    const char *keyPath = FavoriteKeyPath(type, stored, cbStored);
    if (!keyPath) return FALSE;
    char *storedLong = (char *)GlobalAlloc(GMEM_FIXED, strlen(keyPath) + 1 + CB_LONGEST_ROOT_NAME);
    if (!storedLong) return FALSE;
    WriteWithLongRoot(storedLong, keyPath);
    const BOOL same = !CompareIgnoringCase(storedLong, longPath);
    GlobalFree(storedLong);
    return same;
}

// Writes `data` under `base`, or "base (2)", "base (3)"... past the names that hold another key; a name
// that holds the same key already is left as it is. FALSE after a reported failure.
static BOOL WriteFavorite(const char *base, const char *data, const char *longPath)
{
    HKEY key = 0;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kFavoritesKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    const size_t cbData = strlen(data) + 1;
    char *name = result == ERROR_SUCCESS ? (char *)GlobalAlloc(GMEM_FIXED, strlen(base) + 16) : nullptr;
    DWORD cbMaxData = 0;
    if (result == ERROR_SUCCESS)
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &cbMaxData,
                         nullptr, nullptr);
    const DWORD cbStoredMax = cbMaxData + 2;
    char *stored = name ? (char *)GlobalAlloc(GMEM_FIXED, cbStoredMax + 1) : nullptr;
    if (result == ERROR_SUCCESS && !stored) result = (LONG)GetLastError();
    for (int number = 1; result == ERROR_SUCCESS; number++)
    {
        if (number == 1)
            lstrcpyA(name, base);
        else
            wsprintfA(name, "%s (%d)", base, number);
        DWORD type = 0, cbStored = cbStoredMax;
        const LONG query = RegQueryValueExA(key, name, nullptr, &type, (BYTE *)stored, &cbStored);
        if (query == ERROR_FILE_NOT_FOUND)
        {
            result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)data, (DWORD)cbData);
            break;
        }
        if (query == ERROR_SUCCESS && NamesSameKey(type, stored, cbStored, longPath)) break;
        // Data longer than any the key held when asked is another key's.
        if (query != ERROR_SUCCESS && query != ERROR_MORE_DATA) result = query;
    }
    if (stored) GlobalFree(stored);
    if (name) GlobalFree(name);
    if (key) RegCloseKey(key);
    if (result == ERROR_SUCCESS) return TRUE;
    SetLastError((DWORD)result);
    ReportSystemError(gMainWindow, LEVEL_ORDINARY);
    return FALSE;
}

void AddSelectedEntryToFavorites()
{
    const int index = GetSelectedIndex();
    if (index < 0 || index >= entryCount) return;
    HGLOBAL entry = GetEntryHandle(index);
    const MemoEntryHead *head = entry ? (const MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head) return;
    const MemoEntryTexts texts = EntryTexts(head);
    char topName[CB_TOP_NAME] = "";
    if (!IsWine() && !ReadRegistryEditorTopName(topName, sizeof topName, gMainWindow) &&
        !StoredTopName(topName, sizeof topName))
        lstrcpynA(topName, DefaultTopName(), sizeof topName);
    char *data = nullptr;
    if (IsRootKeyPath(texts.keyPath))
        data = (char *)GlobalAlloc(GMEM_FIXED, strlen(topName) + 1 + texts.cbKeyPath + 1 + CB_LONGEST_ROOT_NAME);
    if (data)
    {
        lstrcpyA(data, topName);
        if (topName[0]) lstrcatA(data, "\\");
        char *longPath = data + strlen(data);
        WriteWithLongRoot(longPath, texts.keyPath);
        WriteFavorite(texts.cbDescription ? texts.description : LastKeyName(texts.keyPath), data, longPath);
        GlobalFree(data);
    }
    else if (IsRootKeyPath(texts.keyPath))
    {
        ReportSystemError(gMainWindow, LEVEL_ORDINARY);
    }
    GlobalUnlock(entry);
}
