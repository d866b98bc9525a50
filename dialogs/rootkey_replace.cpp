#include "dialogs/rootkeys.h"

#include "shell/messages.h"

void ReplaceRootKeyName(HWND dialog, int editId, int rootIndex)
{
    HWND edit = GetDlgItem(dialog, editId);
    const int cchText = GetWindowTextLengthA(edit);
    // Room for the longest long name, which may be added in front of the whole text.
    char *text = (char *)GlobalAlloc(GMEM_FIXED, (SIZE_T)cchText + 1 + 32);
    if (!text)
    {
        ReportSystemError(dialog, LEVEL_ORDINARY);
        return;
    }
    GetWindowTextA(edit, text, cchText + 1);
    DWORD selStart = 0, selEnd = 0;
    SendMessageA(edit, EM_GETSEL, (WPARAM)&selStart, (LPARAM)&selEnd);
    size_t start = selStart, end = selEnd;
    ApplyRootKeyName(text, rootIndex, &start, &end);
    SetWindowTextA(edit, text);
    SendMessageA(edit, EM_SETSEL, (WPARAM)start, (LPARAM)end);
    GlobalFree(text);
}
