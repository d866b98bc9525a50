// What is looked at before the Registry Editor is driven: that it reads item records in this program's
// layout, and that it is not waiting on a dialog of its own.
#include "bridge/bridge.h"

#include "shell/messages.h"
#include "shell/program.h"

#ifdef _WIN64
static const char kOtherWidth[] =
    "このレジストリ エディタは 32 ビット版のため、64 ビット版のタルミクからは操作できません。"
    "32 ビット版のタルミクを使ってください。";
#else
static const char kOtherWidth[] =
    "このレジストリ エディタは 64 ビット版のため、32 ビット版のタルミクからは操作できません。"
    "64 ビット版のタルミクを使ってください。";
#endif
static const DWORD kQueryLimitedInformation = 0x1000; // PROCESS_QUERY_LIMITED_INFORMATION
static const char kBusy[] = "レジストリ エディタでダイアログが開いています。"
                            "ダイアログを閉じてから、もう一度実行してください。";

// 1 when the Registry Editor's process has this program's width, 0 when not, -1 when that cannot be
// told (the last error says why).
static int CompareWidth(HWND editor)
{
    // Windows 95/98/Me, and the systems without the function, run 32-bit programs only.
    if (!gIsNtFamily || !gBound.IsWow64Process) return 1;
    DWORD processId = 0;
    GetWindowThreadProcessId(editor, &processId);
    // Asked with the least right that tells it, which a Registry Editor running elevated still grants;
    // the second is known from Windows Vista on. Where neither is granted, the buffer cannot be had
    // either, and its failure is what the user is told.
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (!process) process = OpenProcess(kQueryLimitedInformation, FALSE, processId);
    if (!process) return 1;
    // A 32-bit program on a 64-bit system runs under WOW64 and a 64-bit one never does, so two processes
    // differ in width exactly when one of them runs under it.
    BOOL ownWow64 = FALSE;
    BOOL editorWow64 = FALSE;
    BOOL known = gBound.IsWow64Process(GetCurrentProcess(), &ownWow64) && gBound.IsWow64Process(process, &editorWow64);
    DWORD error = GetLastError();
    CloseHandle(process);
    SetLastError(error);
    if (!known) return -1;
    return !ownWow64 == !editorWow64 ? 1 : 0;
}

// A Registry Editor just started may still take the front after the refusal is shown, its start
// finishing in its own time; for its first seconds the message is put back before it.
static const UINT kInFrontCheckMs = 100;
static const int kInFrontChecks = 30;
static struct
{
    HWND owner;
    HWND editor;
    int checksLeft;
} gInFront;

static BOOL IsBelow(HWND window, HWND other)
{
    for (HWND above = GetWindow(window, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
        if (above == other) return TRUE;
    return FALSE;
}

static void CALLBACK KeepRefusalInFront(HWND, UINT, UINT_PTR timer, DWORD)
{
    const HWND box = GetLastActivePopup(gInFront.owner);
    if (box != gInFront.owner && IsWindowVisible(box))
    {
        if (IsBelow(box, gInFront.editor)) SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        const HWND front = GetForegroundWindow();
        if (front != box && (!front || front == gInFront.editor || front == GetDesktopWindow())) SetForegroundWindow(box);
    }
    if (--gInFront.checksLeft <= 0) KillTimer(0, timer);
}

BOOL RegistryEditorHasOwnWidth(HWND editor, HWND owner)
{
    const int width = CompareWidth(editor);
    if (width > 0) return TRUE;
    if (width < 0)
        ReportSystemError(owner, LEVEL_ORDINARY);
    else
    {
        gInFront.owner = owner;
        gInFront.editor = editor;
        gInFront.checksLeft = kInFrontChecks;
        const UINT_PTR timer = SetTimer(0, 0, kInFrontCheckMs, KeepRefusalInFront);
        ShowMessage(owner, kOtherWidth, MB_ICONQUESTION | MB_SETFOREGROUND);
        if (timer && gInFront.checksLeft > 0) KillTimer(0, timer);
    }
    return FALSE;
}

BOOL RegistryEditorIsKnownOwnWidth(HWND editor)
{
    return CompareWidth(editor) > 0;
}

struct OwnDialogSearch
{
    HWND editor;
    HWND dialog; // the frontmost one found
};

// Top-level windows come frontmost first.
static BOOL CALLBACK FindOwnDialog(HWND window, LPARAM lParam)
{
    OwnDialogSearch *search = (OwnDialogSearch *)lParam;
    // The tips of its controls are popups of its own too, but have no caption and take no input.
    if (GetWindow(window, GW_OWNER) != search->editor || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
        (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        return TRUE;
    search->dialog = window;
    return FALSE;
}

BOOL RegistryEditorIsFree(HWND editor, HWND owner)
{
    OwnDialogSearch search = {editor, 0};
    EnumWindows(FindOwnDialog, (LPARAM)&search);
    // A modal dialog disables its owner; a minimised owner hides the dialogs it owns.
    if (!search.dialog && IsWindowEnabled(editor)) return TRUE;
    ShowMessage(owner, kBusy, MB_ICONQUESTION);
    // Brought forward once the message is answered, so that what the user is asked to close stands in front.
    if (IsIconic(editor)) ShowWindow(editor, SW_RESTORE);
    SetForegroundWindow(search.dialog ? search.dialog : GetLastActivePopup(editor));
    return FALSE;
}
