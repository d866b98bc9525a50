// Finding an entry: the find dialog, and the search from the row after the selected one through the
// entries' descriptions, key paths and value names, wrapping at the end of the memo.
#include "dialogs/dialogs.h"

#include "memo/memo.h"
#include "resources/resource.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

enum
{
    CB_FIND_TEXT = 256
};

// The text last looked for; empty until the first search. Find next starts from it.
static char gFindText[CB_FIND_TEXT];
// The row the find dialog found, selected once the dialog has ended; -1 for none.
static int gFoundIndex;

static BOOL EntryContains(int index, const char *text)
{
    HGLOBAL entry = GetEntryHandle(index);
    const MemoEntryHead *head = entry ? (const MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head) return FALSE;
    const MemoEntryTexts texts = EntryTexts(head);
    const BOOL found = ContainsText(texts.description, text) || ContainsText(texts.keyPath, text) ||
                       ContainsText(texts.valueName, text);
    GlobalUnlock(entry);
    return found;
}

// The first entry after the selected row that holds `text`, wrapping round to the selected row itself;
// -1 when none does.
static int FindEntryAfterSelection(const char *text)
{
    int selected = GetSelectedIndex();
    if (selected < 0 || selected > entryCount) selected = entryCount;
    const int rows = entryCount + 1;
    for (int step = 1; step <= rows; step++)
    {
        const int index = (selected + step) % rows;
        if (index != entryCount && EntryContains(index, text)) return index;
    }
    return -1;
}

// The found entry selected, in view, and the keyboard in the list, so that the arrow keys go on from it.
static void ShowFoundEntry(int index)
{
    SelectAndFocusItem(index);
    SendMessageA(gMemoList, LVM_ENSUREVISIBLE, (WPARAM)index, FALSE);
    SendMessageA(gMainWindow, WM_NEXTDLGCTL, (WPARAM)gMemoList, TRUE);
}

static void ReportNotFound(HWND owner)
{
    ShowMessageWithArgument(owner, "“%s”が見つかりません。", gFindText, MB_ICONQUESTION);
}

static BOOL OnInitDialog(HWND dialog)
{
    SetWindowTextA(dialog, "検索");
    SetDlgItemTextA(dialog, IDCANCEL, ToHalfWidth("キャンセル"));
    CenterInWorkArea(dialog);
    SendDlgItemMessageA(dialog, IDC_FIND_TEXT, EM_LIMITTEXT, CB_FIND_TEXT - 1, 0);
    // The last text, selected, so that typing replaces it and Enter looks for it again.
    SetDlgItemTextA(dialog, IDC_FIND_TEXT, gFindText);
    SendDlgItemMessageA(dialog, IDC_FIND_TEXT, EM_SETSEL, 0, -1);
    EnableWindow(GetDlgItem(dialog, IDOK), gFindText[0] != 0);
    return TRUE;
}

// Nothing found keeps the dialog open with the text selected, for another try.
static void OnOk(HWND dialog)
{
    char text[CB_FIND_TEXT];
    if (!GetDlgItemTextA(dialog, IDC_FIND_TEXT, text, sizeof text)) return;
    lstrcpyA(gFindText, text);
    gFoundIndex = FindEntryAfterSelection(gFindText);
    if (gFoundIndex >= 0)
    {
        EndDialog(dialog, 0);
        return;
    }
    ReportNotFound(dialog);
    HWND field = GetDlgItem(dialog, IDC_FIND_TEXT);
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)field, TRUE);
}

static BOOL OnCommand(HWND dialog, int id, int code)
{
    switch (id)
    {
    case IDC_FIND_TEXT:
        if (code == EN_CHANGE)
            EnableWindow(GetDlgItem(dialog, IDOK), GetWindowTextLengthA(GetDlgItem(dialog, IDC_FIND_TEXT)) > 0);
        return FALSE;
    }
    return OnOkOrCancel(dialog, id, OnOk);
}

static INT_PTR CALLBACK FindDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    }
    return FALSE;
}

void FindEntry()
{
    gFoundIndex = -1;
    RunDialog(IDD_FIND, FindDialogProc, 0);
    if (gFoundIndex >= 0) ShowFoundEntry(gFoundIndex);
}

void FindNextEntry()
{
    if (!gFindText[0])
    {
        FindEntry();
        return;
    }
    const int index = FindEntryAfterSelection(gFindText);
    if (index >= 0)
        ShowFoundEntry(index);
    else
        ReportNotFound(gMainWindow);
}
