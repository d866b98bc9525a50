// Finding the running Registry Editor, or starting one and waiting for its window.
#include "bridge/bridge.h"

#include "shell/messages.h"
#include "shell/program.h"

static const char kEditorClass[] = "RegEdit_RegEdit";
static const DWORD kWindowPollMs = 100;
static const int kWindowPolls = 100;
static const DWORD kAllAccess = 0x1F0FFF; // PROCESS_ALL_ACCESS as the systems of the time define it

// Whether the Registry Editor found may be driven now; FALSE after telling the user, with nothing held.
static BOOL ReadyToDrive(HWND owner, RegistryEditorTarget *target)
{
    if (RegistryEditorHasOwnWidth(target->window, owner) && RegistryEditorIsFree(target->window, owner)) return TRUE;
    if (target->process) CloseHandle(target->process);
    target->window = 0;
    target->threadId = 0;
    target->process = 0;
    return FALSE;
}

static BOOL UseRunningEditor(HWND window, BOOL toDrive, HWND owner, RegistryEditorTarget *target)
{
    DWORD processId = 0;
    target->window = window;
    target->threadId = GetWindowThreadProcessId(window, &processId);
    // A refusal is left to the buffer, whose allocation then fails and reports.
    target->process = gIsNtFamily ? OpenProcess(kAllAccess, FALSE, processId) : 0;
    // Looked at before it is brought forward, so that one refused stays where it was.
    if (toDrive && !ReadyToDrive(owner, target)) return FALSE;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return TRUE;
}

static BOOL StartEditor(BOOL toDrive, HWND owner, RegistryEditorTarget *target)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started = {};
    char commandLine[] = "regedit.exe"; // writable: CreateProcessA may touch it
    if (!CreateProcessA(0, commandLine, 0, 0, FALSE, 0, 0, 0, &startup, &started))
    {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            ShowMessage(owner, "レジストリ エディタが見つかりません。", MB_ICONQUESTION);
        else
            ReportSystemError(owner, LEVEL_ORDINARY);
        return FALSE;
    }
    CloseHandle(started.hThread);

    HWND window = 0;
    for (int poll = 0; poll < kWindowPolls && !window; poll++)
    {
        Sleep(kWindowPollMs);
        window = FindWindowA(kEditorClass, 0);
        // Taken once shown: a Registry Editor makes its window before it fills and shows it.
        if (window && !IsWindowVisible(window)) window = 0;
    }
    target->threadId = started.dwThreadId;
    if (!window)
    {
        // A Registry Editor that never showed a window is left running.
        CloseHandle(started.hProcess);
        return FALSE;
    }
    // A Registry Editor may hand over to another of its own, of the other width: the window's thread
    // and process are the ones worked with.
    DWORD processId = 0;
    target->window = window;
    target->threadId = GetWindowThreadProcessId(window, &processId);
    if (gIsNtFamily && processId == started.dwProcessId)
    {
        target->process = started.hProcess;
    }
    else
    {
        CloseHandle(started.hProcess);
        if (gIsNtFamily) target->process = OpenProcess(kAllAccess, FALSE, processId);
    }
    // Its window may still be on its way to the front. A sent message is answered once it takes messages,
    // its start done, so that a refusal shown next stands in front of it.
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWindowPollMs * kWindowPolls, &ignored);
    return !toDrive || ReadyToDrive(owner, target);
}

static BOOL FindOrStart(BOOL toDrive, HWND owner, RegistryEditorTarget *target)
{
    target->window = 0;
    target->threadId = 0;
    target->process = 0;
    HWND window = FindWindowA(kEditorClass, 0);
    if (window) return UseRunningEditor(window, toDrive, owner, target);
    return StartEditor(toDrive, owner, target);
}

BOOL FindOrStartRegistryEditor(HWND owner, RegistryEditorTarget *target)
{
    return FindOrStart(FALSE, owner, target);
}

BOOL FindRegistryEditorToDrive(HWND owner, RegistryEditorTarget *target)
{
    return FindOrStart(TRUE, owner, target);
}
