// Finding the running Registry Editor, or starting one and waiting for its window.
#include "bridge/bridge.h"

#include "shell/shell.h"

static const char kEditorClass[] = "RegEdit_RegEdit";
static const DWORD kWindowPollMs = 100;
static const int kWindowPolls = 100;
static const DWORD kAllAccess = 0x1F0FFF;  // PROCESS_ALL_ACCESS as the systems of the time define it

static BOOL UseRunningEditor(HWND window, RegistryEditorTarget *target)
{
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    DWORD processId = 0;
    target->window = window;
    target->threadId = GetWindowThreadProcessId(window, &processId);
    // A refusal is left to the buffer, whose allocation then fails and reports.
    target->process = gIsNtFamily ? OpenProcess(kAllAccess, FALSE, processId) : 0;
    return TRUE;
}

static BOOL StartEditor(RegistryEditorTarget *target)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started = {};
    char commandLine[] = "regedit.exe";  // writable: CreateProcessA may touch it
    if (!CreateProcessA(0, commandLine, 0, 0, FALSE, 0, 0, 0, &startup, &started)) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            ShowMessage(gMainWindow, "レジストリ エディタが見つかりません。", MB_ICONQUESTION);
        else
            ReportSystemError(gMainWindow, LEVEL_ORDINARY);
        return FALSE;
    }
    CloseHandle(started.hThread);

    HWND window = 0;
    for (int poll = 0; poll < kWindowPolls && !window; poll++) {
        Sleep(kWindowPollMs);
        window = FindWindowA(kEditorClass, 0);
    }
    target->window = window;
    target->threadId = started.dwThreadId;
    if (window && gIsNtFamily) {
        target->process = started.hProcess;
    } else {
        // A Registry Editor that never showed a window is left running.
        CloseHandle(started.hProcess);
    }
    return window != 0;
}

BOOL FindOrStartRegistryEditor(RegistryEditorTarget *target)
{
    target->window = 0;
    target->threadId = 0;
    target->process = 0;
    HWND window = FindWindowA(kEditorClass, 0);
    if (window) return UseRunningEditor(window, target);
    return StartEditor(target);
}
