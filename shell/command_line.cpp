// The command line's tail: the quotes that Explorer and command prompts put around a path, and a key
// path named there, which is opened in the Registry Editor without the main window.
#include <string.h>

#include "bridge/bridge.h"
#include "bridge/root_keys.h"
#include "dialogs/pasted_path.h"
#include "shell/shell.h"

void RemoveEnclosingQuotes(char *commandTail)
{
    // No file name can hold a double quote, so quotes around the whole tail only group its blanks.
    const size_t cbTail = strlen(commandTail);
    if (cbTail < 2 || commandTail[0] != '"' || commandTail[cbTail - 1] != '"') return;
    memmove(commandTail, commandTail + 1, cbTail - 2);
    commandTail[cbTail - 2] = '\0';
}

static BOOL IsExistingFile(const char *path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL OpenCommandLineKey(const char *commandTail, int *exitCode)
{
    if (!commandTail[0] || IsExistingFile(commandTail)) return FALSE;
    const size_t cbTail = strlen(commandTail) + 1;
    char *keyPath = (char *)GlobalAlloc(GMEM_FIXED, cbTail);
    if (!keyPath) return FALSE;
    memcpy(keyPath, commandTail, cbTail);
    ToStoredKeyPath(keyPath, nullptr);
    const BOOL isKey = IsRootKeyPath(keyPath);
    // As the open-key dialog opens a key with its badge shown: the key itself, expanded if so set.
    if (isKey) *exitCode = OpenKeyInRegistryEditor(keyPath, "", TRUE, OpenKeyOptions(), nullptr) ? 0 : 1;
    GlobalFree(keyPath);
    return isKey;
}
