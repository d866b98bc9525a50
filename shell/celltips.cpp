// Tips over the cut cells of the memo list: the relay of mouse messages to the tip window,
// the cell under the pointer, the text a cell's tip shows, and the tip laid exactly over the cell.
#include "shell/shell.h"
#include "bridge/bridge.h"
#include "memo/memo.h"
#include "dialogs/dialogs.h"
#include "resources/resource.h"

int tipItem = -1;
int tipColumn;

enum
{
    kColumnCount = 3
};

static int ColumnWidth(int column)
{
    return (int)SendMessageA(gMemoList, LVM_GETCOLUMNWIDTH, column, 0);
}

// The column under client x, or -1 right of the last one.
static int ColumnAt(int x)
{
    int right = -GetScrollPos(gMemoList, SB_HORZ);
    for (int column = 0; column < kColumnCount; column++)
    {
        right += ColumnWidth(column);
        if (x < right) return column;
    }
    return -1;
}

// The entry cell under the list's client point; FALSE over the header, the end row or empty space.
static BOOL FindCell(int x, int y, int *item, int *column)
{
    RECT topRow = {};
    topRow.left = LVIR_BOUNDS;
    int top = (int)SendMessageA(gMemoList, LVM_GETTOPINDEX, 0, 0);
    SendMessageA(gMemoList, LVM_GETITEMRECT, top, (LPARAM)&topRow);
    if (y < topRow.top) return FALSE;
    LVHITTESTINFO hit = {};
    hit.pt.x = x;
    hit.pt.y = y;
    int row = (int)SendMessageA(gMemoList, LVM_HITTEST, 0, (LPARAM)&hit);
    if (!(hit.flags & LVHT_ONITEM) || row < 0 || row >= entryCount) return FALSE;
    *column = ColumnAt(x);
    if (*column < 0) return FALSE;
    *item = row;
    return TRUE;
}

void RelayCellTipMessage(const MSG *msg)
{
    if (!gTipWindow) return;
    MSG relayed = *msg;
    switch (msg->message)
    {
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        if (msg->hwnd == gMemoList)
        {
            int item, column;
            if (FindCell((short)LOWORD(msg->lParam), (short)HIWORD(msg->lParam), &item, &column))
            {
                if (tipItem >= 0 && (item != tipItem || column != tipColumn))
                {
                    // The list is one tool: hide the tip and let it ask again for the new cell.
                    PostMessageA(gTipWindow, TTM_ACTIVATE, FALSE, 0);
                    PostMessageA(gTipWindow, TTM_ACTIVATE, TRUE, 0);
                }
                tipColumn = column;
                tipItem = item;
            }
            else
            {
                // Over no cell the tip must see the pointer leave its tool.
                tipItem = -1;
                relayed.hwnd = gMainWindow;
                relayed.lParam = 0;
            }
        }
        break;
    default: return;
    }
    SendMessageA(gTipWindow, TTM_RELAYEVENT, 0, (LPARAM)&relayed);
}

// Right edge of `text` drawn from `left` in the main window's font.
static int MeasuredRight(const char *text, int left)
{
    RECT bounds = {left, 0, left, 0};
    HDC dc = GetDC(gMainWindow);
    if (!dc) return left;
    HFONT font = (HFONT)SendMessageA(gMainWindow, WM_GETFONT, 0, 0);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    DrawTextA(dc, text, -1, &bounds, DT_CALCRECT | DT_NOPREFIX);
    if (oldFont) SelectObject(dc, oldFont);
    ReleaseDC(gMainWindow, dc);
    return bounds.right;
}

// The whole text of the cell under the pointer when the list cannot show all of it; empty otherwise.
static void AnswerTipText(NMTTDISPINFOA *info)
{
    info->szText[0] = '\0';
    info->lpszText = info->szText;
    info->hinst = nullptr;
    if (tipItem < 0) return;
    HGLOBAL entry = GetEntryHandle(tipItem);
    const MemoEntryHead *head = entry ? (const MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head) return;
    const MemoEntryTexts texts = EntryTexts(head);
    size_t cbText;
    const char *text = EntryColumnText(texts, tipColumn, &cbText);
    const int presence = tipColumn > 0 ? EntryPresence(entry, texts) : PRESENCE_FOUND;
    const char *missing = nullptr;
    if (presence == PRESENCE_NO_KEY || (presence == PRESENCE_NO_VALUE && tipColumn == 2))
        missing = ToHalfWidth(presence == PRESENCE_NO_KEY ? "このコンピューターにはこのキーがありません。"
                                                          : "このコンピューターにはこの値がありません。");
    // Room for the text, and for the note after it when the text too is cut.
    const size_t cbMissing = missing ? lstrlenA(missing) + 1 : 0;
    const BOOL copied = EnsureSharedTextBlock(cbText + 1 + cbMissing, gMainWindow) >= 0;
    char *block = (char *)gSharedTextBlock; // a fixed block: its handle is its address
    if (copied) CopyMemory(block, text, cbText + 1);
    GlobalUnlock(entry);
    if (!copied) return;

    int cellLeft = -GetScrollPos(gMemoList, SB_HORZ);
    for (int column = 0; column < tipColumn; column++) cellLeft += ColumnWidth(column);
    int textLeft = cellLeft + MemoCellInset();
    int textEnd = cellLeft + ColumnWidth(tipColumn) - MemoCellInset();
    int right = MeasuredRight(block, textLeft);
    RECT client;
    GetClientRect(gMemoList, &client);
    const BOOL cut = right > textEnd || textLeft < 0 || right >= client.right;
    if (missing)
    {
        // Said on the cell whether or not its text fits; after the whole text when it does not.
        if (cut && cbText)
            lstrcatA(lstrcatA(block, " "), missing);
        else
            lstrcpyA(block, missing);
        info->lpszText = block;
    }
    else if (cut)
    {
        info->lpszText = block;
    }
}

// Lays the tip's text exactly over the cell's text, inside the work area.
static void PlaceTip()
{
    RECT cell = {};
    cell.top = tipColumn;
    cell.left = LVIR_BOUNDS;
    SendMessageA(gMemoList, LVM_GETSUBITEMRECT, tipItem, (LPARAM)&cell);
    POINT origin = {cell.left + MemoCellInset(), cell.top + MemoTextGap()};
    ClientToScreen(gMemoList, &origin);

    RECT frame = {origin.x, origin.y, origin.x + 1, origin.y + 1};
    if (SendMessageA(gTipWindow, TTM_ADJUSTRECT, TRUE, (LPARAM)&frame))
    {
        origin.x = frame.left;
        origin.y = frame.top;
    }
    else
    {
        // The tip control's own border and margin, which stay the same pixels at every DPI.
        origin.x -= 3;
        origin.y -= 2;
    }

    RECT work, tip;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(gTipWindow, &tip);
    int width = tip.right - tip.left, height = tip.bottom - tip.top;
    if (origin.x + width > work.right) origin.x = work.right - width;
    if (origin.x < work.left) origin.x = work.left;
    if (origin.y + height > work.bottom) origin.y = work.bottom - height;
    SetWindowPos(gTipWindow, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL HandleCellTipNotify(const NMHDR *header, LRESULT *result)
{
    switch (header->code)
    {
    case TTN_NEEDTEXTA:
        // The tip window's own record, which carries the answer back.
        if (header->idFrom == (UINT_PTR)gMemoList) AnswerTipText((NMTTDISPINFOA *)header);
        return FALSE;
    case TTN_SHOW:
        if (!gHasComctl470 || header->idFrom != (UINT_PTR)gMemoList || tipItem < 0) return FALSE;
        PlaceTip();
        *result = TRUE;
        return TRUE;
    case NM_CLICK:
        if (header->idFrom == IDC_MEMOLIST) SendMessageA(gTipWindow, TTM_ACTIVATE, TRUE, 0);
        return FALSE;
    }
    return FALSE;
}
