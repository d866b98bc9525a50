// The memo list's selected row: which it is, and making a row the selected and focused one.
#include "memo/memo.h"

#include <commctrl.h>

// Selected and focused: sent, and also posted, so it lives as long as the program.
static LVITEMA gSelectAndFocus;

int GetSelectedIndex()
{
    return (int)SendMessageA(gMemoList, LVM_GETNEXTITEM, (WPARAM)(-1), LVNI_SELECTED);
}

void PrepareSelectAndFocusRecord()
{
    gSelectAndFocus.state = LVIS_SELECTED | LVIS_FOCUSED;
    gSelectAndFocus.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
}

void SelectAndFocusItem(int index)
{
    SendMessageA(gMemoList, LVM_SETITEMSTATE, index, (LPARAM)&gSelectAndFocus);
}
