// Starts a program and measures the time until it has a visible top-level window, and until it has
// drawn it and waits for input; then closes that window and waits for the program to end. Prints the
// two times in milliseconds, or nothing when no window came.
//   startup_timer PROGRAM
#include <windows.h>
#include <stdio.h>

struct Search
{
    DWORD pid;
    HWND found;
};

static BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM lParam)
{
    Search *search = (Search *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) || GetWindow(window, GW_OWNER)) return TRUE;
    search->found = window;
    return FALSE;
}

int main(int argc, char **argv)
{
    if (argc != 2)
    {
        fprintf(stderr, "usage: startup_timer PROGRAM\n");
        return 2;
    }
    char folder[MAX_PATH];
    lstrcpynA(folder, argv[1], MAX_PATH);
    if (char *slash = strrchr(folder, '\\')) *slash = 0;
    char commandLine[MAX_PATH + 2];
    wsprintfA(commandLine, "\"%s\"", argv[1]);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER frequency, begin, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!CreateProcessA(argv[1], commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &process))
    {
        fprintf(stderr, "startup_timer: cannot start %s (%lu)\n", argv[1], GetLastError());
        return 1;
    }
    Search search = {process.dwProcessId, nullptr};
    for (;;)
    {
        EnumWindows(FindVisibleWindow, (LPARAM)&search);
        QueryPerformanceCounter(&now);
        if (search.found || now.QuadPart - begin.QuadPart > 30 * frequency.QuadPart) break;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    int status = 1;
    if (search.found)
    {
        // Idle: the window has been painted and the program waits in its message loop.
        WaitForInputIdle(process.hProcess, 10000);
        LARGE_INTEGER idle;
        QueryPerformanceCounter(&idle);
        printf("%.1f %.1f\n", (now.QuadPart - begin.QuadPart) * 1000.0 / frequency.QuadPart,
               (idle.QuadPart - begin.QuadPart) * 1000.0 / frequency.QuadPart);
        status = 0;
        PostMessageA(search.found, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}
