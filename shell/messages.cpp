// The program's message boxes: the three failure reports and the plain message helpers.
// Every box carries the product caption; the program's own texts pass through ToHalfWidth.
#include "shell/shell.h"

static UINT IconForLevel(int level)
{
    return level == LEVEL_FATAL ? MB_ICONHAND : MB_ICONQUESTION;
}

int ShowMessage(HWND owner, const char *text, UINT flags)
{
    return MessageBoxA(owner, ToHalfWidth(text), gProductCaption, flags);
}

int ShowMessageWithArgument(HWND owner, const char *format, const char *argument, UINT flags)
{
    // The format is converted first so that the argument, a path or a name, is shown as it is.
    // wsprintfA writes at most 1024 bytes.
    char text[1025];
    wsprintfA(text, ToHalfWidth(format), argument);
    return MessageBoxA(owner, text, gProductCaption, flags);
}

void ReportListFailure(HWND owner, int level)
{
    ShowMessage(owner, "リストの更新で原因不明のエラーが発生しました。", IconForLevel(level));
}

// The system's text for the thread's last error, after `leading` (already converted; may be null).
static void ShowSystemError(HWND owner, int level, const char *leading)
{
    DWORD error = GetLastError();
    UINT icon = IconForLevel(level);
    char text[1024 + 256];
    lstrcpynA(text, leading ? leading : "", 1024);
    char *systemText = text + lstrlenA(text);
    if (error == ERROR_NOT_ENOUGH_MEMORY)
    {
        lstrcpynA(systemText, ToHalfWidth("メモリ不足のため処理を中止しました。"), 256);
    }
    else if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), systemText, 256, nullptr))
    {
        // The system has no text for this code: say so, with the code, rather than show nothing.
        wsprintfA(systemText, ToHalfWidth("原因不明のエラーが発生しました。\rエラー コード: %lu"), error);
    }
    MessageBoxA(owner, text, gProductCaption, icon);
}

void ReportSystemError(HWND owner, int level)
{
    ShowSystemError(owner, level, nullptr);
}

void ReportSystemErrorAbout(HWND owner, int level, const char *format, const char *argument)
{
    const DWORD error = GetLastError();
    char leading[1025];
    wsprintfA(leading, ToHalfWidth(format), argument);
    SetLastError(error);
    ShowSystemError(owner, level, leading);
}

void ReportCommonDialogError(HWND owner, DWORD code)
{
    char text[80];
    wsprintfA(text, "コモン ダイアログでエラーが発生しました。\rエラー コード: %08X", code);
    ShowMessage(owner, text, MB_ICONQUESTION);
}
