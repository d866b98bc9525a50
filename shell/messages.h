// The program's message boxes and failure reports, which every folder may show.
#pragma once
#include <windows.h>

// Failure levels of the reports.
enum
{
    LEVEL_ORDINARY = 2,
    LEVEL_FATAL = 3
};

/* messages.cpp */
void ReportListFailure(HWND owner, int level);
void ReportSystemError(HWND owner, int level); // the error is the thread's last error
// The same after a text that says what failed: `format` converted, then `argument` (a path) inserted.
void ReportSystemErrorAbout(HWND owner, int level, const char *format, const char *argument);
void ReportCommonDialogError(HWND owner, DWORD code);
// A message box with the product caption; text passes through ToHalfWidth first.
int ShowMessage(HWND owner, const char *text, UINT flags);
// The same for a format with one text argument, inserted after the conversion.
int ShowMessageWithArgument(HWND owner, const char *format, const char *argument, UINT flags);
