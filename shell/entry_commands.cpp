// The memo list's side of the Registry Editor: opening the selected entry, and the capture sink that
// turns each captured key or value into a new entry.
#include "bridge/bridge.h"
#include "memo/memo.h"
#include "settings/settings.h"
#include "shell/shell.h"

UINT OpenKeyOptions()
{
    return (gSettings.expandSelectedKey ? OPEN_EXPAND_KEY : 0) | (gSettings.openValueEditor ? OPEN_VALUE_EDITOR : 0);
}

void OpenSelectedEntry()
{
    HGLOBAL entry = GetEntryHandle(GetSelectedIndex());
    const MemoEntryHead *head = entry ? (const MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head) return;
    const MemoEntryTexts texts = EntryTexts(head);
    // The walk cuts the key path in the entry's own block, which is writable while locked, and puts
    // every separator back.
    OpenKeyInRegistryEditor((char *)texts.keyPath, texts.valueName, texts.keyOnly, OpenKeyOptions(), gMainWindow);
    GlobalUnlock(entry);
    RecheckEntryPresence();
}

// A new entry above the selected row; 0 when it could not be made, after telling the user.
static int InsertNewEntry(const char *description, const char *keyPath, const char *valueName, BOOL keyOnly)
{
    HGLOBAL entry = AllocMemoEntry(description, keyPath, valueName, keyOnly);
    if (!entry)
    {
        ReportSystemError(gMainWindow, LEVEL_ORDINARY);
        return 0;
    }
    return InsertEntryAboveSelection(entry) >= 0;
}

int InsertFavoriteEntry(const char *description, const char *keyPath)
{
    return InsertNewEntry(description, keyPath, "", TRUE);
}

int InsertCapturedEntry(const char *keyPath, const char *valueName, BOOL keyOnly, HWND)
{
    return InsertNewEntry("", keyPath, valueName, keyOnly);
}
