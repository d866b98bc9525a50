// The main window: a dialog-template window of its own class holding the memo list and five buttons.
// Its procedure handles layout, the size grip, the owner-drawn list and the cursor over it, routes
// commands and notifications, and passes everything else to the dialog manager.
#include <stddef.h>
#include <windowsx.h>

#include "memo/memo.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "shell/shell.h"

HWND gMainWindow;
HWND gListHeader;
HWND gTipWindow;
HMENU gMainMenu;
HMENU gContextMenu;
HMENU gRootKeyMenu;
HBRUSH gPatternBrush;
HBITMAP gGridBitmap;
HBITMAP gRootButtonBitmap;
HBITMAP gKeyBadgeBitmap;

// Layout constants in pixels, measured once from the window as the template made it.
static bool gLayoutMeasured;
static POINT minTrackSize;
static int listMarginWidth, listMarginHeight, buttonBottomOffset;

static const int kButtons[] = {IDC_OPEN, IDC_ADD, IDC_DELETE, IDC_CHANGE, IDC_IMPORT};

// The tool record without the fields of later common controls, which older versions refuse.
static const UINT kToolInfoSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);
static_assert(sizeof(void *) != 4 || kToolInfoSize == 44, "tool record of the 32-bit program");

// A child's outer rectangle in the main window's client coordinates.
static RECT ChildRect(HWND child)
{
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, gMainWindow, (POINT *)&rect, 2);
    return rect;
}

static RECT SizeGripSquare(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    RECT grip = {client.right - GetSystemMetrics(SM_CXVSCROLL), client.bottom - GetSystemMetrics(SM_CYHSCROLL),
                 client.right, client.bottom};
    return grip;
}

/* WM_SIZE: the list grows with the window; the buttons keep their distance from the bottom edge. */
static void OnSize(WPARAM kind, int cx, int cy)
{
    if (!gLayoutMeasured || (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED)) return;
    SetWindowPos(gMemoList, nullptr, 0, 0, cx - listMarginWidth, cy - listMarginHeight, SWP_NOZORDER | SWP_NOMOVE);
    for (int id : kButtons)
    {
        HWND button = GetDlgItem(gMainWindow, id);
        RECT rect = ChildRect(button);
        SetWindowPos(button, nullptr, rect.left, cy - buttonBottomOffset, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    }
}

/* WM_GETMINMAXINFO: not smaller than the minimum-size marker's corner. */
static void OnGetMinMaxInfo(MINMAXINFO *info)
{
    if (gMainWindow && gLayoutMeasured) info->ptMinTrackSize = minTrackSize;
}

/* WM_PAINT: the size grip; the rest is the class background. */
static LRESULT OnPaint(HWND window)
{
    if (!GetUpdateRect(window, nullptr, FALSE)) return 0;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!IsZoomed(window))
    {
        RECT grip = SizeGripSquare(window);
        DrawSizeGrip(dc, &grip, window);
    }
    EndPaint(window, &paint);
    return 0;
}

/* WM_NCHITTEST: the grip square sizes the window from its bottom-right corner. */
static BOOL IsInSizeGrip(HWND window, LPARAM screenPoint)
{
    POINT point = {GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    ScreenToClient(window, &point);
    RECT grip = SizeGripSquare(window);
    return PtInRect(&grip, point);
}

/* WM_MEASUREITEM: one memo-list row is a line of the window's font and the gap above its text. */
static void OnMeasureItem(HWND window, MEASUREITEMSTRUCT *measure)
{
    if (measure->CtlType != ODT_LISTVIEW || measure->CtlID != IDC_MEMOLIST) return;
    HDC dc = GetDC(window);
    if (!dc) return;
    HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(window, dc);
    measure->itemHeight = metrics.tmHeight + MemoTextGap();
}

/* WM_DRAWITEM: a memo-list row from its entry record, or the end row's dotted rule. */
static void OnDrawItem(const DRAWITEMSTRUCT *draw)
{
    if (draw->CtlType != ODT_LISTVIEW || draw->CtlID != IDC_MEMOLIST) return;
    int item = (int)draw->itemID;
    MemoRow row = {};
    row.selected = (draw->itemState & ODS_SELECTED) != 0;
    row.endRow = item >= entryCount;
    row.focusRect = (draw->itemState & ODS_FOCUS) && GetFocus() == gMemoList;
    row.keyBadge = gKeyBadgeBitmap;
    // The stock brush stands in for a pattern brush that could not be made; it is not the program's to delete.
    row.endRowPattern = gPatternBrush ? gPatternBrush : (HBRUSH)GetStockObject(GRAY_BRUSH);
    HGLOBAL handle = nullptr;
    if (!row.endRow)
    {
        for (int column = 0; column < 3; ++column)
            row.columnWidths[column] = (int)SendMessageA(gMemoList, LVM_GETCOLUMNWIDTH, column, 0);
        handle = GetEntryHandle(item);
        if (handle) row.entry = (const MemoEntryHead *)GlobalLock(handle);
        // A selected row is drawn in the selection's colours alone.
        if (row.entry && !row.selected) row.presence = EntryPresence(handle, EntryTexts(row.entry));
    }
    DrawMemoRow(draw->hDC, &draw->rcItem, &row);
    if (row.entry) GlobalUnlock(handle);
}

/* WM_SETCURSOR: the move cursor over an entry that can be dragged to another place. */
static BOOL OnSetCursor(HWND over, UINT hitTest)
{
    if (over != gMemoList || hitTest != HTCLIENT || entryCount <= 1) return FALSE;
    LVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(gMemoList, &hit.pt);
    SendMessageA(gMemoList, LVM_HITTEST, 0, (LPARAM)&hit);
    if (!(hit.flags & LVHT_ONITEM) || hit.iItem < 0 || hit.iItem >= entryCount) return FALSE;
    SetCursor(LoadCursorA(gInstance, MAKEINTRESOURCEA(IDCUR_MOVE)));
    return TRUE;
}

// Posted to the main window to take the foreground back after a button's command.
enum
{
    WM_APP_COMMANDDONE = WM_APP + 1
};
// When a button's command last ended with the main window in front.
static DWORD gCommandEndTick;
static bool gCommandLeftFront;

/* WM_COMMAND: a button's command starts from the memo list, so that the focus comes back there when the
   command ends (the dialog manager restores it on activation), unless the command put it elsewhere:
   the arrow keys keep moving through the rows after Alt+A or a click on a button. */
static void OnCommand(WPARAM wParam, LPARAM lParam)
{
    HWND from = (HWND)lParam;
    BOOL fromButton = from && HIWORD(wParam) == BN_CLICKED && GetParent(from) == gMainWindow;
    if (fromButton && GetFocus() != gMemoList) SendMessageA(gMainWindow, WM_NEXTDLGCTL, (WPARAM)gMemoList, TRUE);
    RunCommand(LOWORD(wParam));
    gCommandLeftFront = fromButton && GetForegroundWindow() == gMainWindow;
    gCommandEndTick = GetTickCount();
}

/* WM_ACTIVATE: without a window manager Wine passes the foreground on by the X server's focus events,
   which come after a capture has returned and then leave no window at all active; the main window takes
   the foreground back when that happens right after a button's command left it in front. */
static void OnActivate(WPARAM wParam, LPARAM lParam)
{
    // Whatever the user did elsewhere may have changed the registry.
    if (LOWORD(wParam) != WA_INACTIVE) RecheckEntryPresence();
    HWND next = (HWND)lParam;
    if (LOWORD(wParam) == WA_INACTIVE && gCommandLeftFront && GetTickCount() - gCommandEndTick < 1000 &&
        (!next || next == GetDesktopWindow()))
        PostMessageA(gMainWindow, WM_APP_COMMANDDONE, 0, 0);
    UpdateDefaultButton();
}

/* WM_APP_COMMANDDONE: the main window in front again, the keyboard in the list. */
static void OnCommandDone()
{
    gCommandLeftFront = false;
    // Another program the user went to keeps the foreground.
    HWND front = GetForegroundWindow();
    if (front && front != GetDesktopWindow() && front != gMainWindow) return;
    SetForegroundWindow(gMainWindow);
    if (GetFocus() != gMemoList) SendMessageA(gMainWindow, WM_NEXTDLGCTL, (WPARAM)gMemoList, TRUE);
}

/* WM_NOTIFY: the cell tips first, then the memo list's own notifications. Every notification is
   answered here: the dialog's default answer is 0 as well, but a load sends one per row, and under
   Wine handing each to the dialog's default made the list's insertions half as slow again. */
static LRESULT OnNotify(const NMHDR *header)
{
    LRESULT result = 0;
    switch (header->code)
    {
    case TTN_NEEDTEXTA:
    case TTN_SHOW:
    case NM_CLICK:
        if (HandleCellTipNotify(header, &result)) return result;
        break;
    }
    if (header->idFrom != IDC_MEMOLIST) return 0;
    const NMLISTVIEW *list = (const NMLISTVIEW *)header;
    switch (header->code)
    {
    case LVN_ITEMCHANGED: UpdateCommandStates(list); break;
    case NM_DBLCLK: OpenEntryOnDoubleClick(); break;
    case LVN_BEGINDRAG: BeginEntryDrag(list); break;
    }
    return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SIZE: OnSize(wParam, LOWORD(lParam), HIWORD(lParam)); break;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo((MINMAXINFO *)lParam); break;
    case WM_PAINT: return OnPaint(window);
    case WM_NCHITTEST:
        if (IsInSizeGrip(window, lParam)) return HTBOTTOMRIGHT;
        break;
    case WM_ACTIVATE: OnActivate(wParam, lParam); break;
    case WM_MEASUREITEM: OnMeasureItem(window, (MEASUREITEMSTRUCT *)lParam); return TRUE;
    case WM_DRAWITEM: OnDrawItem((const DRAWITEMSTRUCT *)lParam); return TRUE;
    case WM_SETCURSOR:
        if (OnSetCursor((HWND)wParam, LOWORD(lParam))) return TRUE;
        break;
    case WM_COMMAND: OnCommand(wParam, lParam); break;
    case WM_APP_COMMANDDONE: OnCommandDone(); return 0;
    case WM_NOTIFY: return OnNotify((const NMHDR *)lParam);
    case WM_CONTEXTMENU:
        if ((HWND)wParam != gMemoList) break;
        ShowListContextMenu(lParam);
        return 0;
    case WM_TIMER:
        if (wParam == IDT_SHELLRECENT) HandRecentFileToShell();
        if (wParam == IDT_AUTOSCROLL) TrackEntryDrag(TRUE);
        return 0;
    case WM_DROPFILES: OpenDroppedFile((HDROP)wParam); return 0;
    case WM_CLOSE:
        if (ConfirmDiscard()) DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION: return ConfirmDiscard() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam) ShutdownCleanup();
        return 0;
    case WM_DESTROY:
        ShutdownCleanup();
        PostQuitMessage(0);
        return 0;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

void MeasureLayout()
{
    RECT window, client;
    GetWindowRect(gMainWindow, &window);
    GetClientRect(gMainWindow, &client);
    // The menu bar is attached after this measurement; counting it here keeps the minimum client area
    // at the marker's corner once it is there.
    int frameWidth = (window.right - window.left) - client.right;
    int frameHeight = (window.bottom - window.top) - client.bottom + GetSystemMetrics(SM_CYMENU);
    RECT marker = ChildRect(GetDlgItem(gMainWindow, IDC_MINSIZE));
    minTrackSize.x = marker.left + frameWidth;
    minTrackSize.y = marker.top + frameHeight;
    RECT list = ChildRect(gMemoList);
    listMarginWidth = client.right - (list.right - list.left);
    listMarginHeight = client.bottom - (list.bottom - list.top);
    buttonBottomOffset = client.bottom - ChildRect(GetDlgItem(gMainWindow, IDC_OPEN)).top;
    gLayoutMeasured = true;
}

void InsertMemoListColumns()
{
    const char *titles[3] = {" 説 明", gIsOldSystem ? " ｷｰ" : " キー", " 値"};
    int widths[3];
    if (gSettings.placementFlags)
    {
        // Stored in pixels of 96 DPI, so that a column keeps its width beside the text at any DPI.
        for (int column = 0; column < 3; ++column) widths[column] = ScaleToDpi(gSettings.columnWidths[column]);
    }
    else
    {
        RECT client;
        GetClientRect(gMemoList, &client);
        int quarter = client.right >> 2;
        widths[0] = quarter;
        widths[1] = client.right - 2 * quarter;
        widths[2] = quarter;
    }
    for (int column = 0; column < 3; ++column)
    {
        LVCOLUMNA info = {};
        info.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.cx = widths[column];
        info.pszText = (char *)(titles[column]);
        info.iSubItem = column;
        SendMessageA(gMemoList, LVM_INSERTCOLUMNA, column, (LPARAM)&info);
    }
}

HWND CreateTipWindow()
{
    return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_NOPREFIX,
                           CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, gInstance, nullptr);
}

void RegisterMemoListTool()
{
    TOOLINFOA tool = {};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = gMainWindow;
    tool.uId = (UINT_PTR)gMemoList;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(gTipWindow, TTM_ADDTOOLA, 0, (LPARAM)&tool);
}
