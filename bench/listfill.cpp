// The yardstick for loading a memo: a window whose owner-drawn report list view is styled as the memo
// list, filled with a given number of data-only items the cheapest way the list view allows.
//   WM_APP      fill with wParam items (redrawing off, count announced, one insertion each)
//   WM_APP + 1  empty the list
#include <windows.h>
#include <commctrl.h>

static HWND gList;

static void Fill(int count)
{
    SendMessageA(gList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(gList, LVM_SETITEMCOUNT, count, 0);
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    for (int i = 0; i < count; i++)
    {
        item.iItem = i;
        item.lParam = i + 1;
        SendMessageA(gList, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    SendMessageA(gList, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(gList, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

static void DrawRow(const DRAWITEMSTRUCT *draw)
{
    char text[32];
    wsprintfA(text, "%d", (int)draw->itemData);
    FillRect(draw->hDC, &draw->rcItem, (HBRUSH)(COLOR_WINDOW + 1));
    for (int column = 0; column < 3; column++)
    {
        RECT cell = {};
        cell.top = column;
        cell.left = LVIR_LABEL;
        SendMessageA(gList, LVM_GETSUBITEMRECT, draw->itemID, (LPARAM)&cell);
        DrawTextA(draw->hDC, text, -1, &cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_APP: Fill((int)wParam); return 0;
    case WM_APP + 1: SendMessageA(gList, LVM_DELETEALLITEMS, 0, 0); return 0;
    case WM_MEASUREITEM: ((MEASUREITEMSTRUCT *)lParam)->itemHeight = 13; return TRUE;
    case WM_DRAWITEM: DrawRow((const DRAWITEMSTRUCT *)lParam); return TRUE;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    InitCommonControls();
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = "TarmikBenchListFill";
    RegisterClassA(&frameClass);
    HWND frame = CreateWindowExA(0, frameClass.lpszClassName, "listfill", WS_OVERLAPPEDWINDOW, 0, 0, 430, 290, nullptr,
                                 nullptr, instance, nullptr);
    // The memo list's style: report, single selection, selection always shown, owner-drawn, fixed header.
    gList = CreateWindowExA(0, WC_LISTVIEWA, "", 0x5083840D, 4, 4, 410, 200, frame, (HMENU)1001, instance, nullptr);
    const int widths[3] = {102, 206, 102};
    for (int column = 0; column < 3; column++)
    {
        LVCOLUMNA info = {};
        info.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.cx = widths[column];
        info.pszText = (char *)"column";
        info.iSubItem = column;
        SendMessageA(gList, LVM_INSERTCOLUMNA, column, (LPARAM)&info);
    }
    ShowWindow(frame, SW_SHOW);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
