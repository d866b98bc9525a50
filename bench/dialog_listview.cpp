// The second yardstick for starting the memo program: a window made from a dialog template of the main
// window's shape, its own class, a report list view with three columns and five buttons, under the same
// common-controls manifest; nothing else. What the memo program takes beyond this is its own.
#include <windows.h>
#include <commctrl.h>

static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefDlgProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA frameClass = {};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.cbWndExtra = DLGWINDOWEXTRA;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = "BenchDialogListView";
    if (!RegisterClassA(&frameClass)) return 0;
    HWND frame = CreateDialogParamA(instance, MAKEINTRESOURCEA(1), nullptr, nullptr, 0);
    if (!frame) return 0;
    HWND list = GetDlgItem(frame, 100);
    const char *const names[3] = {"説明", "キー", "値"};
    for (int column = 0; column < 3; column++)
    {
        LVCOLUMNA info = {};
        info.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        info.cx = 120;
        info.pszText = (char *)names[column];
        info.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, column, (LPARAM)&info);
    }
    ShowWindow(frame, showCommand);
    UpdateWindow(frame);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        if (IsDialogMessageA(frame, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
