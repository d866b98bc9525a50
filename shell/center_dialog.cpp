// Every dialog of the program opens over the main window.
#include "shell/program.h"

void CenterInWorkArea(HWND dialog)
{
    RECT main, own, work;
    GetWindowRect(gMainWindow, &main);
    GetWindowRect(dialog, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    // Arithmetic shifts: halves round towards minus infinity, also left of or above the screen.
    int left = (main.left + main.right - width) >> 1;
    int top = (main.top + main.bottom - height) >> 1;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (left + width > work.right) left = work.right - width;
    if (left < work.left) left = work.left;
    if (top + height > work.bottom) top = work.bottom - height;
    if (top < work.top) top = work.top;
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
