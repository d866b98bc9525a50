// The memo files last opened or saved, most recent first: listed in the ファイル menu and kept in the
// settings file after the record, whose readers never look past it. The list is written to a new file
// beside the old one that replaces it only once every byte is written, so that the record cannot suffer.
#include "settings/settings.h"

#include <stddef.h>
#include <string.h>

#include "resources/resource.h"
#include "shell/late_bound.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

static char gRecentFiles[RECENT_FILE_COUNT][MAX_PATH];
static int gRecentFileCount;
static BOOL gRecentSeparatorShown;

// Where the list goes in the ファイル menu: after 名前を付けて保存 and its separator.
static const int kFirstRecentPosition = 5;
static const DWORD kCbRecentTail = RECENT_FILE_COUNT * MAX_PATH + 1;

// The offset of the file name: after the last "\\" or ":" at a character boundary.
static int FileNameOffsetOf(const char *path)
{
    int offset = 0;
    for (const char *p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == ':') offset = (int)(p - path) + 1;
    return offset;
}

static int FindRecentFile(const char *path)
{
    for (int i = 0; i < gRecentFileCount; i++)
        if (!CompareIgnoringCase(gRecentFiles[i], path)) return i;
    return -1;
}

// The tail of the settings file: each path with its NUL, then an empty one.
static DWORD BuildRecentTail(char *tail)
{
    DWORD cb = 0;
    for (int i = 0; i < gRecentFileCount; i++)
    {
        const DWORD cbPath = (DWORD)strlen(gRecentFiles[i]) + 1;
        memcpy(tail + cb, gRecentFiles[i], cbPath);
        cb += cbPath;
    }
    tail[cb++] = 0;
    return cb;
}

// Takes the paths of a tail read from the file; what does not end within a path's size ends the list.
static void ParseRecentTail(const char *tail, DWORD cbTail)
{
    gRecentFileCount = 0;
    DWORD at = 0;
    while (gRecentFileCount < RECENT_FILE_COUNT && at < cbTail && tail[at])
    {
        DWORD cch = 0;
        while (at + cch < cbTail && cch < MAX_PATH && tail[at + cch]) cch++;
        if (at + cch >= cbTail || cch >= MAX_PATH) break;
        memcpy(gRecentFiles[gRecentFileCount++], tail + at, cch + 1);
        at += cch + 1;
    }
}

void LoadRecentFiles()
{
    gRecentFileCount = 0;
    HANDLE file = CreateFileA(gSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    char *tail = (char *)GlobalAlloc(GMEM_FIXED, kCbRecentTail);
    DWORD cbRead = 0;
    if (tail && SetFilePointer(file, SETTINGS_SIZE, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, tail, kCbRecentTail, &cbRead, nullptr))
        ParseRecentTail(tail, cbRead);
    if (tail) GlobalFree(tail);
    CloseHandle(file);
}

// The record as the file holds it (another instance may have saved it), else the one in memory.
static void ReadRecordOnDisk(BYTE record[SETTINGS_SIZE])
{
    memcpy(record, &gSettings, SETTINGS_SIZE);
    HANDLE file = CreateFileA(gSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    BYTE onDisk[SETTINGS_SIZE];
    DWORD cbRead = 0;
    if (ReadFile(file, onDisk, SETTINGS_SIZE, &cbRead, nullptr) && cbRead == SETTINGS_SIZE)
        memcpy(record, onDisk, SETTINGS_SIZE);
    CloseHandle(file);
}

static BOOL WriteAll(HANDLE file, const void *bytes, DWORD cb)
{
    DWORD cbWritten = 0;
    if (!WriteFile(file, bytes, cb, &cbWritten, nullptr)) return FALSE;
    if (cbWritten == cb) return TRUE;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

// The record and the list into a new file beside the settings file, which then takes its place.
// 0, or the error that left the old file as it was.
static DWORD WriteRecentFiles()
{
    const int nameOffset = FileNameOffsetOf(gSettingsPath);
    char tempPath[MAX_PATH];
    if (nameOffset + 13 > MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    memcpy(tempPath, gSettingsPath, nameOffset);
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD seed = GetTickCount() ^ GetCurrentProcessId() << 16;
    for (int attempt = 0; attempt < 64 && file == INVALID_HANDLE_VALUE; attempt++, seed = seed * 69069 + 1)
    {
        wsprintfA(tempPath + nameOffset, "~tmk%04X.tmp", (unsigned)(seed >> 16));
        file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            return GetLastError();
    }
    if (file == INVALID_HANDLE_VALUE) return ERROR_FILE_EXISTS;
    BYTE record[SETTINGS_SIZE];
    ReadRecordOnDisk(record);
    char *tail = (char *)GlobalAlloc(GMEM_FIXED, kCbRecentTail);
    DWORD error = tail ? 0 : GetLastError();
    if (!error && !(WriteAll(file, record, SETTINGS_SIZE) && WriteAll(file, tail, BuildRecentTail(tail))))
        error = GetLastError();
    if (tail) GlobalFree(tail);
    CloseHandle(file);
    if (!error && !MoveFileExA(tempPath, gSettingsPath, MOVEFILE_REPLACE_EXISTING))
    {
        // Systems without the one-step replacement remove the old file first.
        error = GetLastError();
        if (error == ERROR_CALL_NOT_IMPLEMENTED)
        {
            error = 0;
            if ((!DeleteFileA(gSettingsPath) && GetLastError() != ERROR_FILE_NOT_FOUND) ||
                !MoveFileA(tempPath, gSettingsPath))
                error = GetLastError();
        }
    }
    if (error) DeleteFileA(tempPath);
    return error;
}

// A menu text: "&n " and the file name, its ampersands doubled so that they show.
static void RecentMenuText(int index, char *text)
{
    const char *path = gRecentFiles[index];
    const char *name = path + FileNameOffsetOf(path);
    char *out = text + wsprintfA(text, "&%d ", index + 1);
    for (; *name && out < text + MAX_PATH + 8; name++)
    {
        if (*name == '&') *out++ = '&';
        *out++ = *name;
    }
    *out = 0;
}

// An item at `position`; a separator when `text` is null. The record's fixed start, which every system
// accepts.
static BOOL InsertFileMenuItem(HMENU menu, int position, UINT id, char *text)
{
    MENUITEMINFOA item = {};
    item.cbSize = offsetof(MENUITEMINFOA, hbmpItem);
    item.fMask = MIIM_TYPE | MIIM_ID;
    item.fType = text ? MFT_STRING : MFT_SEPARATOR;
    item.wID = id;
    item.dwTypeData = text;
    return InsertMenuItemA(menu, (UINT)position, TRUE, &item);
}

void ShowRecentFiles()
{
    HMENU fileMenu = GetSubMenu(GetMenu(gMainWindow), 0);
    if (!fileMenu) return;
    for (int i = 0; i < RECENT_FILE_COUNT; i++) DeleteMenu(fileMenu, IDM_RECENT_FIRST + i, MF_BYCOMMAND);
    if (gRecentSeparatorShown) DeleteMenu(fileMenu, kFirstRecentPosition, MF_BYPOSITION);
    gRecentSeparatorShown = FALSE;
    for (int i = 0; i < gRecentFileCount; i++)
    {
        char text[2 * MAX_PATH + 8];
        RecentMenuText(i, text);
        InsertFileMenuItem(fileMenu, kFirstRecentPosition + i, IDM_RECENT_FIRST + i, text);
    }
    if (gRecentFileCount)
        gRecentSeparatorShown = InsertFileMenuItem(fileMenu, kFirstRecentPosition + gRecentFileCount, 0, nullptr);
}

// Shows the changed list and keeps it. A failed write is reported the first time only, so that a
// program kept where it may not write does not ask at every open; the list in memory stays.
static void RecentFilesChanged()
{
    static BOOL reported = FALSE;
    ShowRecentFiles();
    const DWORD error = WriteRecentFiles();
    if (!error || reported) return;
    reported = TRUE;
    SetLastError(error);
    ReportSystemError(gMainWindow, LEVEL_ORDINARY);
}

// The shell's shortcut for a document takes as long as loading a long memo: it is made once the memo
// is shown, and of the last file only. A timer's message comes only after every other message and
// every pending paint, where a posted message would come before the list is drawn; its short delay
// lets what the user does at once go first.
static char gFileForShell[MAX_PATH];
static const UINT kShellRecentDelayMs = 100;

void HandRecentFileToShell()
{
    if (gMainWindow) KillTimer(gMainWindow, IDT_SHELLRECENT);
    if (!gFileForShell[0]) return;
    LateAddToRecentDocuments(gFileForShell);
    gFileForShell[0] = '\0';
}

void AddRecentFile(const char *path)
{
    lstrcpynA(gFileForShell, path, MAX_PATH);
    if (!gMainWindow || !SetTimer(gMainWindow, IDT_SHELLRECENT, kShellRecentDelayMs, nullptr)) HandRecentFileToShell();
    int found = FindRecentFile(path);
    if (found == 0 && !strcmp(gRecentFiles[0], path)) return;
    if (found < 0) found = gRecentFileCount < RECENT_FILE_COUNT ? gRecentFileCount++ : RECENT_FILE_COUNT - 1;
    memmove(gRecentFiles[1], gRecentFiles[0], (size_t)found * MAX_PATH);
    lstrcpynA(gRecentFiles[0], path, MAX_PATH);
    RecentFilesChanged();
}

const char *RecentFile(int index)
{
    return index >= 0 && index < gRecentFileCount ? gRecentFiles[index] : nullptr;
}

void RemoveRecentFile(const char *path)
{
    const int index = FindRecentFile(path);
    if (index < 0) return;
    memmove(gRecentFiles[index], gRecentFiles[index + 1], (size_t)(gRecentFileCount - index - 1) * MAX_PATH);
    gRecentFileCount--;
    RecentFilesChanged();
}
