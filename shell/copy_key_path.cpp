// Copying the selected entry's key path out, for a Registry Editor's address bar, reg.exe or PowerShell.
#include <string.h>

#include "bridge/key_path.h"
#include "bridge/root_keys.h"
#include "memo/memo.h"
#include "shell/shell.h"

void WriteWithLongRoot(char *text, const char *keyPath)
{
    size_t start, end;
    FindRootPart(keyPath, &start, &end);
    const int root = FindRootKeyName(keyPath, start, end);
    if (root < 0)
    {
        strcpy(text, keyPath);
        return;
    }
    strcpy(text, kRootKeyNames[root].longName);
    strcat(text, keyPath + end);
}

// A movable block of exactly the key path as the clipboard takes it and its NUL, so that no byte of
// this program's memory goes along; 0 on failure, the last error saying why.
static HGLOBAL KeyPathBlock(HGLOBAL entry)
{
    const MemoEntryHead *head = (const MemoEntryHead *)GlobalLock(entry);
    if (!head) return nullptr;
    const char *keyPath = EntryTexts(head).keyPath;
    char *text = (char *)GlobalAlloc(GMEM_FIXED, strlen(keyPath) + 1 + CB_LONGEST_ROOT_NAME);
    HGLOBAL block = nullptr;
    if (text)
    {
        WriteWithLongRoot(text, keyPath);
        const size_t cbText = (IsRootKeyPath(text) ? ToPlainKeyPath(text) : strlen(text)) + 1;
        block = GlobalAlloc(GMEM_MOVEABLE, cbText);
        char *copy = block ? (char *)GlobalLock(block) : nullptr;
        if (copy)
        {
            memcpy(copy, text, cbText);
            GlobalUnlock(block);
        }
        else if (block)
        {
            GlobalFree(block);
            block = nullptr;
        }
    }
    const DWORD error = GetLastError();
    if (text) GlobalFree(text);
    GlobalUnlock(entry);
    SetLastError(error);
    return block;
}

void CopySelectedKeyPath()
{
    const int index = GetSelectedIndex();
    if (index < 0 || index >= entryCount) return;
    HGLOBAL block = KeyPathBlock(GetEntryHandle(index));
    BOOL placed = FALSE;
    if (block && OpenClipboard(gMainWindow))
    {
        // Once set, the block belongs to the clipboard.
        placed = EmptyClipboard() && SetClipboardData(CF_TEXT, block) != nullptr;
        const DWORD error = GetLastError();
        CloseClipboard();
        SetLastError(error);
    }
    if (placed) return;
    const DWORD error = GetLastError();
    if (block) GlobalFree(block);
    SetLastError(error);
    ReportSystemError(gMainWindow, LEVEL_ORDINARY);
}
