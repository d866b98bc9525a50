// The memo list's own behaviours: dragging an entry to reorder the memo (with auto-scroll),
// fitting a column to its texts, the Delete key, and the tip window that lets the mouse through.
#include "shell/shell.h"
#include "memo/memo.h"
#include "resources/resource.h"

WNDPROC gPrevMemoListProc;
WNDPROC gPrevTipWindowProc;
int gDragState;
static int dragRow; // the row where the dragged entry stands now

enum
{
    // Rows are found by height alone, probed at this x: Wine's list view starts report rows
    // 2 pixels in from the client edge at every DPI, where x 0 misses them; 4 pixels in lies on every row.
    kRowProbeX = 4,
    kScrollPeriodMs = 100,
    kFitMargin = 8, // pixels at 96 DPI
};

static void RedrawRow(int row)
{
    SendMessageA(gMemoList, LVM_REDRAWITEMS, row, row);
}

// Rows that owner drawing paints across the columns must follow a width change at once.
static void RedrawSelectedAndEndRows()
{
    RedrawRow(GetSelectedIndex());
    RedrawRow(entryCount);
}

static int MeasureEntryCell(HDC dc, int row, int column)
{
    HGLOBAL entry = GetEntryHandle(row);
    const MemoEntryHead *head = entry ? (const MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head) return 0;
    int width;
    const MemoEntryTexts texts = EntryTexts(head);
    if (column == 2 && texts.keyOnly)
    {
        width = BitmapSize(gKeyBadgeBitmap).cx; // the badge stands in for a key-only entry's value
    }
    else
    {
        RECT bounds = {0, 0, 0, 100};
        DrawTextA(dc, EntryColumnText(texts, column, nullptr), -1, &bounds, DT_CALCRECT | DT_NOPREFIX);
        width = bounds.right;
    }
    GlobalUnlock(entry);
    return width;
}

// Sizes one column to the widest of its entries' texts.
static void FitColumn(int column)
{
    int widest = 0;
    HDC dc = GetDC(gMemoList);
    if (dc)
    {
        HFONT font = (HFONT)SendMessageA(gMemoList, WM_GETFONT, 0, 0);
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        for (int row = 0; row < entryCount; row++)
        {
            int width = MeasureEntryCell(dc, row, column);
            if (width > widest) widest = width;
        }
        if (oldFont) SelectObject(dc, oldFont);
        ReleaseDC(gMemoList, dc);
    }
    SendMessageA(gMemoList, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(widest + ScaleToDpi(kFitMargin), 0));
}

// A drag, however many rows it passed, is undone in one step.
static void EndEntryDrag()
{
    if (gDragState == 2) KillTimer(gMainWindow, IDT_AUTOSCROLL);
    gDragState = 0;
    EndChangeGroup();
    RefreshCommandStates();
}

// Returns TRUE when the notification is answered here and must not reach the list.
static BOOL OnHeaderNotify(const NMHDR *header)
{
    if (!gListHeader || header->hwndFrom != gListHeader) return FALSE;
    switch (header->code)
    {
    case HDN_DIVIDERDBLCLICKA:
    case HDN_DIVIDERDBLCLICKW:
        FitColumn(((const NMHEADERA *)header)->iItem);
        RedrawSelectedAndEndRows();
        return TRUE;
    case HDN_ENDTRACKA:
    case HDN_ENDTRACKW: RedrawSelectedAndEndRows(); return FALSE;
    }
    return FALSE;
}

static void OnListKeyDown(WPARAM key)
{
    if (key == VK_DELETE) PostMessageA(gMainWindow, WM_COMMAND, IDM_DELETE, 0);
}

// A press on an entry hides a shown cell tip; the release allows tips again.
static void OnListButtonDown(LPARAM lParam)
{
    LVHITTESTINFO hit = {};
    hit.pt.x = kRowProbeX;
    hit.pt.y = (short)HIWORD(lParam);
    int row = (int)SendMessageA(gMemoList, LVM_HITTEST, 0, (LPARAM)&hit);
    if ((hit.flags & LVHT_ONITEM) && row >= 0 && row < entryCount) SendMessageA(gTipWindow, TTM_ACTIVATE, FALSE, 0);
}

static void OnListButtonUp()
{
    if (gDragState != 0)
    {
        EndEntryDrag();
        ReleaseCapture();
    }
    else
    {
        // Fresh mouse moves at the same place let the cell-tip relay see the row under the pointer.
        mouse_event(MOUSEEVENTF_MOVE, 1, 0, 0, 0);
        mouse_event(MOUSEEVENTF_MOVE, (DWORD)-1, 0, 0, 0);
    }
    SendMessageA(gTipWindow, TTM_ACTIVATE, TRUE, 0);
}

// Another window took the mouse (a message box, a system key): the drag cannot see the release.
static void OnListCaptureChanged(LPARAM newCapture)
{
    if (gDragState != 0 && (HWND)newCapture != gMemoList) EndEntryDrag();
}

LRESULT CALLBACK MemoListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_NOTIFY:
        if (OnHeaderNotify((const NMHDR *)lParam)) return 0;
        break;
    case WM_KEYDOWN: OnListKeyDown(wParam); break;
    case WM_MOUSEMOVE:
        if (gDragState != 0) TrackEntryDrag(FALSE);
        break;
    case WM_LBUTTONDOWN: OnListButtonDown(lParam); break;
    case WM_LBUTTONUP: OnListButtonUp(); break;
    case WM_CAPTURECHANGED: OnListCaptureChanged(lParam); break;
    }
    return CallWindowProcA(gPrevMemoListProc, list, message, wParam, lParam);
}

void BeginEntryDrag(const NMLISTVIEW *notify)
{
    if (entryCount <= 1 || notify->iItem < 0 || notify->iItem >= entryCount) return;
    gDragState = 1;
    BeginChangeGroup();
    dragRow = notify->iItem;
    SetCapture(gMemoList);
    SetCursor(LoadCursorA(gInstance, MAKEINTRESOURCEA(IDCUR_DRAG)));
    TrackEntryDrag(FALSE);
}

static int RowTop(int row)
{
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(gMemoList, LVM_GETITEMRECT, row, (LPARAM)&bounds);
    return bounds.top;
}

// The row the dragged entry should stand on for the cursor's height; -1 when none.
static int DragTarget(int cursorY, int top, int perPage)
{
    if (cursorY < RowTop(top)) return top > 0 ? top - 1 : 0;
    int bottom = top + perPage;
    if (bottom > entryCount) bottom = entryCount;
    if (cursorY < RowTop(bottom))
    {
        LVHITTESTINFO hit = {};
        hit.pt.x = kRowProbeX;
        hit.pt.y = cursorY;
        return (int)SendMessageA(gMemoList, LVM_HITTEST, 0, (LPARAM)&hit);
    }
    if (bottom < entryCount) return bottom;
    // The end row stays last: below it the entry stops as the last entry, and the end row shows.
    if (top + perPage == entryCount) SendMessageA(gMemoList, LVM_ENSUREVISIBLE, entryCount, FALSE);
    return entryCount - 1;
}

void TrackEntryDrag(BOOL fromTimer)
{
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(gMemoList, &cursor);
    int top = (int)SendMessageA(gMemoList, LVM_GETTOPINDEX, 0, 0);
    int perPage = (int)SendMessageA(gMemoList, LVM_GETCOUNTPERPAGE, 0, 0);
    int target = DragTarget(cursor.y, top, perPage);
    if (target < 0 || target == dragRow) return;
    if (target < top || target >= top + perPage)
    {
        if (gDragState != 2)
        {
            SetTimer(gMainWindow, IDT_AUTOSCROLL, kScrollPeriodMs, nullptr);
            gDragState = 2;
        }
        else if (!fromTimer)
        {
            return; // while the timer scrolls, only its ticks move the entry
        }
    }
    else if (gDragState == 2)
    {
        KillTimer(gMainWindow, IDT_AUTOSCROLL);
        gDragState = 1;
    }
    MoveEntry(dragRow, target);
    dragRow = target;
}

LRESULT CALLBACK TipWindowProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam)
{
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    BOOL hasTool = (BOOL)CallWindowProcA(gPrevTipWindowProc, tip, TTM_GETCURRENTTOOLA, 0, (LPARAM)&tool);
    if (hasTool && (HWND)tool.uId == gMemoList && message == WM_NCHITTEST)
    {
        POINT point = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        RECT client;
        GetClientRect(gMemoList, &client);
        MapWindowPoints(gMemoList, nullptr, (POINT *)&client, 2);
        // A tip lying over the list lets clicks and moves act on the list below it.
        if (PtInRect(&client, point)) return HTTRANSPARENT;
    }
    return CallWindowProcA(gPrevTipWindowProc, tip, message, wParam, lParam);
}
