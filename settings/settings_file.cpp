// The settings file beside the program: read once at start-up, and its window block written back when
// the program ends with the window position remembered.
#include "settings/settings.h"

#include <commctrl.h>
#include <string.h>

#include "resources/resource.h"
#include "shell/dpi.h"
#include "shell/messages.h"
#include "shell/program.h"

Settings gSettings;
char gSettingsPath[MAX_PATH];

// The program file's path with its three-letter extension replaced: C:\Tools\TARMIK.EXE gives
// C:\Tools\TARMIK.PRF. FALSE when the path does not fit (the last error says why).
static BOOL ComputeSettingsPath()
{
    DWORD cch = GetModuleFileNameA(nullptr, gSettingsPath, MAX_PATH);
    if (cch == 0) return FALSE;
    if (cch >= MAX_PATH || cch < 3)
    {
        // A cut path would name another file (and on old systems lacks its terminator).
        gSettingsPath[0] = 0;
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    memcpy(gSettingsPath + cch - 3, "PRF", 3);
    return TRUE;
}

BOOL LoadSettings()
{
    if (!ComputeSettingsPath())
    {
        ReportSystemError(nullptr, LEVEL_FATAL);
        return FALSE;
    }
    HANDLE file = CreateFileA(gSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
        {
            BuildDefaultSettings(&gSettings);
            return TRUE;
        }
        ReportSystemError(nullptr, LEVEL_FATAL);
        return FALSE;
    }
    uint8_t bytes[SETTINGS_SIZE];
    DWORD cbRead = 0;
    BOOL ok = ReadFile(file, bytes, SETTINGS_SIZE, &cbRead, nullptr);
    if (!ok) ReportSystemError(nullptr, LEVEL_FATAL);
    CloseHandle(file);
    if (!ok) return FALSE;
    SettingsFromFileBytes(&gSettings, bytes, cbRead);
    return TRUE;
}

BOOL ReadWindowBlock(Settings *record, BOOL withMinimized)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(gMainWindow, &placement)) return FALSE;
    record->normalRect.left = placement.rcNormalPosition.left;
    record->normalRect.top = placement.rcNormalPosition.top;
    record->normalRect.right = placement.rcNormalPosition.right;
    record->normalRect.bottom = placement.rcNormalPosition.bottom;
    if (withMinimized && placement.showCmd == SW_SHOWMINIMIZED)
        record->placementFlags = PLACEMENT_SAVED | PLACEMENT_MINIMIZED |
                                 ((placement.flags & WPF_RESTORETOMAXIMIZED) ? PLACEMENT_MAXIMIZED : 0);
    else if (placement.showCmd == SW_SHOWMAXIMIZED)
        record->placementFlags = PLACEMENT_SAVED | PLACEMENT_MAXIMIZED;
    else
        record->placementFlags = PLACEMENT_SAVED;
    // In pixels of 96 DPI, as the start-up reads them; a column left as it came keeps its stored number,
    // which scaling there and back would not always give at a DPI below 96.
    HWND list = GetDlgItem(gMainWindow, IDC_MEMOLIST);
    for (int column = 0; column < 3; ++column)
    {
        const int width = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0);
        if (ScaleToDpi(record->columnWidths[column]) != width) record->columnWidths[column] = ScaleFromDpi(width);
    }
    return TRUE;
}

void SaveWindowBlock()
{
    if (gSettings.placementFlags == 0) return;
    if (!ReadWindowBlock(&gSettings, TRUE)) return;

    // Only the window block is written, so settings another instance saved meanwhile stay as they are.
    HANDLE file = CreateFileA(gSettingsPath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) ReportSystemError(gMainWindow, LEVEL_FATAL);
        return;
    }
    const BYTE *block = (const BYTE *)&gSettings + WINDOW_BLOCK_OFFSET;
    DWORD cbWritten = 0;
    BOOL ok = SetFilePointer(file, WINDOW_BLOCK_OFFSET, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              WriteFile(file, block, WINDOW_BLOCK_SIZE, &cbWritten, nullptr);
    if (ok && cbWritten != WINDOW_BLOCK_SIZE)
    {
        SetLastError(ERROR_WRITE_FAULT);
        ok = FALSE;
    }
    if (!ok) ReportSystemError(gMainWindow, LEVEL_FATAL);
    CloseHandle(file);
}
