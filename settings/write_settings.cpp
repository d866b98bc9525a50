// The settings dialog's write of the whole record. The file is opened without sharing for the whole
// write; the in-memory record changes only once every byte is on disk.
#include <windows.h>
#include <commctrl.h>
#include <string.h>

#include "settings/settings.h"
#include "shell/messages.h"
#include "shell/text.h"

// The message for a failed open (other than a full directory) or write, by its error code.
static void ReportWriteFailure(HWND dialog, DWORD error)
{
    switch (error)
    {
    case ERROR_WRITE_PROTECT:
        ShowMessage(dialog, "プログラム ファイルがあるデバイスが書き込み保護されているため、設定を保存できません。",
                    MB_ICONQUESTION);
        break;
    case ERROR_NOT_READY:
        ShowMessage(dialog, "プログラム ファイルがあるデバイスの準備ができていません。", MB_ICONQUESTION);
        break;
    case ERROR_DISK_FULL: ShowMessage(dialog, "ディスクに空きがないため設定を保存できません。", MB_ICONQUESTION); break;
    default:
        SetLastError(error);
        ReportSystemError(dialog, LEVEL_ORDINARY);
        break;
    }
}

// When the user may not change the association, an extension that another instance registered for
// this program and saved stays the one in the file. Reads from the start of `file` and moves back.
// Returns FALSE after a report.
static BOOL KeepRegisteredExtension(HWND dialog, HANDLE file, char extension[17])
{
    Settings onDisk;
    DWORD cbRead = 0;
    if (!ReadFile(file, &onDisk, sizeof onDisk, &cbRead, nullptr))
    {
        ReportSystemError(dialog, LEVEL_ORDINARY);
        return FALSE;
    }
    if (cbRead == sizeof onDisk)
    {
        char stored[17];
        char dotted[18];
        CopyMemoExtension(&onDisk, stored);
        dotted[0] = '.';
        memcpy(dotted + 1, stored, sizeof stored);
        LowerCaseLetters(dotted);
        int answer = QueryAssociation(dotted, nullptr, dialog);
        if (answer == ASSOCIATION_ERROR) return FALSE;
        if (answer == ASSOCIATION_THIS_PROGRAM) memcpy(extension, stored, sizeof stored);
    }
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    {
        ReportSystemError(dialog, LEVEL_ORDINARY);
        return FALSE;
    }
    return TRUE;
}

BOOL WriteSettings(HWND dialog, const SettingsDialogValues *values)
{
    DWORD attributes = GetFileAttributesA(gSettingsPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    {
        ShowMessage(dialog, "設定ファイルの属性が読み取り専用のため設定を保存できません。", MB_ICONQUESTION);
        return FALSE;
    }

    HANDLE file = CreateFileA(gSettingsPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        DWORD error = GetLastError();
        if (error == ERROR_DISK_FULL)
            ShowMessage(dialog, "ディレクトリに空きがないため設定を保存できません。", MB_ICONQUESTION);
        else
            ReportWriteFailure(dialog, error);
        return FALSE;
    }

    char extension[17] = "";
    lstrcpynA(extension, values->upperExtension, sizeof extension);
    const BOOL kept = values->associationEnabled || KeepRegisteredExtension(dialog, file, extension);
    Settings record = gSettings;
    DWORD error = ERROR_SUCCESS;
    if (kept)
    {
        if (values->rememberWindow)
            ReadWindowBlock(&record, FALSE);
        else
            memset((char *)&record + WINDOW_BLOCK_OFFSET, 0, WINDOW_BLOCK_SIZE);
        memset(record.memoExtension, 0, sizeof record.memoExtension);
        memcpy(record.memoExtension, extension, strlen(extension));
        memset(record.startupFile, 0, sizeof record.startupFile);
        lstrcpynA(record.startupFile, values->startupPath, sizeof record.startupFile);
        record.autoSave = values->autoSave ? 1 : 0;
        record.expandSelectedKey = values->expandSelectedKey ? 1 : 0;
        record.openValueEditor = values->openValueEditor ? 1 : 0;

        DWORD cbWritten = 0;
        if (!WriteFile(file, &record, sizeof record, &cbWritten, nullptr))
            error = GetLastError();
        else if (cbWritten != sizeof record)
            error = ERROR_DISK_FULL; // a short write without an error
    }
    CloseHandle(file);
    if (!kept) return FALSE;
    if (error != ERROR_SUCCESS)
    {
        ReportWriteFailure(dialog, error);
        return FALSE;
    }
    gSettings = record;
    return TRUE;
}
