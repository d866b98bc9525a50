// The memo-file association with the shell: HKEY_CLASSES_ROOT\.ext names the file type "extfile",
// whose Shell\open\command starts this program with the file and whose DefaultIcon is the
// program's second icon.
#include <windows.h>
#include <shlobj.h>
#include <string.h>

#include "settings/association_text.h"
#include "settings/settings.h"
#include "shell/late_bound.h"
#include "shell/messages.h"
#include "shell/text.h"

enum
{
    CB_TYPE_NAME = 256,     // the extension key's default value, as read
    CCH_OWN_PATH_MAX = 323, // this program's path in the values it registers
    CB_KEY_PATH = 64,       // ".ext", "extfile\Shell\open\command": the extension has at most 16 bytes
};

static void ReportErrorCode(HWND owner, DWORD code)
{
    SetLastError(code);
    ReportSystemError(owner, LEVEL_ORDINARY);
}

// The default value of an opened key as text, within `cb` bytes (terminated even when the stored
// value is not). Returns the registry's error code.
static LONG ReadDefaultText(HKEY key, char *text, DWORD cb)
{
    DWORD type = 0;
    DWORD cbRead = cb - 1;
    LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, (BYTE *)text, &cbRead);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    text[cbRead] = '\0';
    return ERROR_SUCCESS;
}

// The file-type name of the extension key; an empty one counts as missing, since deleting or
// opening "" under HKEY_CLASSES_ROOT would reach the whole root.
static LONG ReadFileTypeName(const char *dottedExtension, char typeName[CB_TYPE_NAME + 1])
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, dottedExtension, 0, KEY_QUERY_VALUE, &key);
    if (rc != ERROR_SUCCESS) return rc;
    rc = ReadDefaultText(key, typeName, CB_TYPE_NAME + 1);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && typeName[0] == '\0') rc = ERROR_FILE_NOT_FOUND;
    return rc;
}

static bool BuildKeyPath(char *out, size_t cbOut, const char *first, const char *second)
{
    size_t cbFirst = strlen(first), cbSecond = strlen(second);
    if (cbFirst + cbSecond + 1 > cbOut) return false;
    memcpy(out, first, cbFirst);
    memcpy(out + cbFirst, second, cbSecond + 1);
    return true;
}

int QueryAssociation(const char *dottedExtension, char *programPath, HWND owner)
{
    char typeName[CB_TYPE_NAME + 1];
    if (ReadFileTypeName(dottedExtension, typeName) != ERROR_SUCCESS) return ASSOCIATION_NONE;

    char keyPath[CB_TYPE_NAME + 32];
    HKEY key = nullptr;
    BuildKeyPath(keyPath, sizeof keyPath, typeName, "\\Shell");
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return ASSOCIATION_NONE;
    RegCloseKey(key);
    if (programPath != nullptr) programPath[0] = '\0';

    BuildKeyPath(keyPath, sizeof keyPath, typeName, "\\Shell\\open\\command");
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return ASSOCIATION_OTHER;

    int answer = ASSOCIATION_OTHER;
    DWORD cbCommand = 0;
    HGLOBAL command = nullptr;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &cbCommand) == ERROR_SUCCESS)
    {
        command = GlobalAlloc(GMEM_FIXED, cbCommand + 1);
        if (command == nullptr)
        {
            ReportSystemError(owner, LEVEL_ORDINARY);
            answer = ASSOCIATION_ERROR;
        }
        else if (ReadDefaultText(key, (char *)command, cbCommand + 1) == ERROR_SUCCESS)
        {
            size_t cbPath = 0;
            const char *path = FindProgramPath((const char *)command, &cbPath);
            char found[MAX_PATH] = "";
            if (cbPath < MAX_PATH)
            {
                memcpy(found, path, cbPath);
                found[cbPath] = '\0';
                if (programPath != nullptr) memcpy(programPath, found, cbPath + 1);
                char ownPath[MAX_PATH];
                DWORD cchOwn = GetModuleFileNameA(nullptr, ownPath, MAX_PATH);
                if (cchOwn > 0 && cchOwn < MAX_PATH && CompareIgnoringCase(found, ownPath) == 0)
                    answer = ASSOCIATION_THIS_PROGRAM;
            }
        }
    }
    if (command != nullptr) GlobalFree(command);
    RegCloseKey(key);
    return answer;
}

BOOL DeleteKeyTree(HKEY parent, const char *name, HWND owner)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(parent, name, 0, DELETE | KEY_ENUMERATE_SUB_KEYS, &key);
    if (rc != ERROR_SUCCESS)
    {
        ReportErrorCode(owner, rc);
        return FALSE;
    }
    char *subkey = (char *)GlobalAlloc(GMEM_FIXED, 256);
    BOOL ok = subkey != nullptr;
    if (!ok) ReportSystemError(owner, LEVEL_ORDINARY);
    while (ok)
    {
        DWORD cchSubkey = 256;
        rc = RegEnumKeyExA(key, 0, subkey, &cchSubkey, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) ReportErrorCode(owner, rc);
        ok = rc == ERROR_SUCCESS && DeleteKeyTree(key, subkey, owner);
    }
    if (subkey) GlobalFree(subkey);
    RegCloseKey(key);
    if (ok)
    {
        rc = RegDeleteKeyA(parent, name);
        if (rc != ERROR_SUCCESS)
        {
            ReportErrorCode(owner, rc);
            ok = FALSE;
        }
    }
    return ok;
}

// Whether an extension key under HKEY_CLASSES_ROOT names `typeName` as its file type. Of the root's
// thousands of keys only those starting with a period are opened. When the keys cannot be listed the
// type counts as named: a file type left over costs nothing, one deleted under an extension breaks it.
static bool FileTypeStillNamed(const char *typeName)
{
    char keyName[256];
    char named[CB_TYPE_NAME + 1];
    for (DWORD index = 0;; index++)
    {
        DWORD cchKeyName = sizeof keyName;
        LONG rc = RegEnumKeyExA(HKEY_CLASSES_ROOT, index, keyName, &cchKeyName, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return false;
        if (rc == ERROR_MORE_DATA) continue; // longer than any extension
        if (rc != ERROR_SUCCESS) return true;
        if (keyName[0] != '.') continue;
        if (ReadFileTypeName(keyName, named) == ERROR_SUCCESS && CompareIgnoringCase(named, typeName) == 0) return true;
    }
}

BOOL RemoveAssociation(const char *dottedExtension, HWND owner)
{
    char typeName[CB_TYPE_NAME + 1];
    LONG rc = ReadFileTypeName(dottedExtension, typeName);
    if (rc != ERROR_SUCCESS)
    {
        ReportErrorCode(owner, rc);
        return FALSE;
    }
    if (!DeleteKeyTree(HKEY_CLASSES_ROOT, dottedExtension, owner)) return FALSE;
    // Several extensions may share one file type (.txt and .log usually do); it stays while one names it.
    if (FileTypeStillNamed(typeName)) return TRUE;
    return DeleteKeyTree(HKEY_CLASSES_ROOT, typeName, owner);
}

// Creates HKEY_CLASSES_ROOT\`path` and, when `value` is given, sets its default value.
static BOOL CreateKeyWithValue(const char *path, const char *value, HWND owner)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, (char *)"", REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                              nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS && value != nullptr)
        rc = RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1);
    if (key != nullptr) RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
    {
        ReportErrorCode(owner, rc);
        return FALSE;
    }
    return TRUE;
}

BOOL RegisterAssociation(const char *extension, HWND owner)
{
    char ownPath[CCH_OWN_PATH_MAX + 1];
    DWORD cchOwn = GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    if (cchOwn == 0 || cchOwn >= sizeof ownPath)
    {
        ReportErrorCode(owner, cchOwn == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    char command[CCH_OWN_PATH_MAX + 8];
    char icon[CCH_OWN_PATH_MAX + 3];
    BuildOpenCommand(ownPath, command, sizeof command);
    BuildKeyPath(icon, sizeof icon, ownPath, ",1");

    char dotted[CB_KEY_PATH], typeName[CB_KEY_PATH], shellKey[CB_KEY_PATH], openKey[CB_KEY_PATH];
    char commandKey[CB_KEY_PATH], iconKey[CB_KEY_PATH];
    BuildKeyPath(dotted, sizeof dotted, ".", extension);
    BuildKeyPath(typeName, sizeof typeName, extension, "file");
    BuildKeyPath(shellKey, sizeof shellKey, typeName, "\\Shell");
    BuildKeyPath(openKey, sizeof openKey, typeName, "\\Shell\\open");
    BuildKeyPath(commandKey, sizeof commandKey, typeName, "\\Shell\\open\\command");
    BuildKeyPath(iconKey, sizeof iconKey, typeName, "\\DefaultIcon");
    // Stored twice rather than converted: the shell shows this name as it is.
    const char *displayName = gIsOldSystem ? "ﾀﾙﾐｸ ﾌｧｲﾙ" : "タルミク ファイル";

    return CreateKeyWithValue(dotted, typeName, owner) && CreateKeyWithValue(typeName, displayName, owner) &&
           CreateKeyWithValue(shellKey, nullptr, owner) && CreateKeyWithValue(openKey, nullptr, owner) &&
           CreateKeyWithValue(commandKey, command, owner) && CreateKeyWithValue(iconKey, icon, owner);
}

void NotifyAssociationChanged()
{
    LateChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_DWORD);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, 0, SMTO_NORMAL, 10000, &result);
}

// A version string of the Japanese table, or null when it cannot be read.
static const char *VersionString(void *block, const char *name)
{
    char query[64];
    BuildKeyPath(query, sizeof query, "\\StringFileInfo\\041104b0\\", name);
    void *value = nullptr;
    UINT cchValue = 0;
    if (!LateVerQueryValue(block, query, &value, &cchValue) || value == nullptr) return nullptr;
    return cchValue == 0 ? "" : (const char *)value;
}

// Asks whether the extension may be taken from the program at `otherPath`. TRUE only for Yes.
static BOOL ConfirmTakeOver(HWND dialog, const char *upperExtension, const char *otherPath)
{
    void *block = nullptr;
    OtherProgramStrings strings = {};
    bool haveStrings = false;
    if (otherPath[0] != '\0')
    {
        const DWORD cbBlock = LateGetFileVersionInfoSize(otherPath);
        if (cbBlock != 0)
        {
            block = GlobalAlloc(GMEM_FIXED, cbBlock);
            if (block == nullptr)
            {
                ReportSystemError(dialog, LEVEL_ORDINARY);
                return FALSE;
            }
            if (LateGetFileVersionInfo(otherPath, cbBlock, block))
            {
                strings.internalName = VersionString(block, "InternalName");
                strings.legalCopyright = VersionString(block, "LegalCopyright");
                strings.fileDescription = VersionString(block, "FileDescription");
                haveStrings = true;
            }
        }
    }
    char question[QUESTION_BUFFER_BYTES];
    BuildTakeOverQuestion(upperExtension, haveStrings ? &strings : nullptr, question);
    if (block != nullptr) GlobalFree(block);
    return ShowMessage(dialog, question, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

BOOL ApplyAssociation(HWND dialog, BOOL associate, const char *lowerExtension, const char *upperExtension,
                      BOOL associatedAtOpen)
{
    char dotted[CB_KEY_PATH];
    BuildKeyPath(dotted, sizeof dotted, ".", lowerExtension);
    int answer = ASSOCIATION_NONE;
    if (associate)
    {
        char otherPath[MAX_PATH];
        answer = QueryAssociation(dotted, otherPath, dialog);
        if (answer == ASSOCIATION_ERROR) return FALSE;
        if (answer == ASSOCIATION_OTHER && !ConfirmTakeOver(dialog, upperExtension, otherPath)) return FALSE;
    }

    bool changed = strncmp(upperExtension, gSettings.memoExtension, sizeof gSettings.memoExtension) != 0;
    bool removedOld = false;
    if (associatedAtOpen && (!associate || changed))
    {
        char stored[17];
        char storedDotted[CB_KEY_PATH];
        CopyMemoExtension(&gSettings, stored);
        LowerCaseLetters(stored);
        BuildKeyPath(storedDotted, sizeof storedDotted, ".", stored);
        if (!RemoveAssociation(storedDotted, dialog))
        {
            NotifyAssociationChanged();
            return FALSE;
        }
        removedOld = true;
    }
    if (!associate)
    {
        if (removedOld) NotifyAssociationChanged();
        return TRUE;
    }
    if (associatedAtOpen && !changed && answer != ASSOCIATION_OTHER) return TRUE;

    BOOL ok = (answer != ASSOCIATION_OTHER || RemoveAssociation(dotted, dialog)) &&
              RegisterAssociation(lowerExtension, dialog);
    NotifyAssociationChanged();
    return ok;
}
