// The system DPI and the lengths and bitmaps of the 96-DPI design scaled to it.
#include "shell/dpi.h"

int gSystemDpi = 96;

int ReadSystemDpi()
{
    HDC screen = GetDC(nullptr);
    if (!screen) return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int ScaleToDpi(int pixels96)
{
    return MulDiv(pixels96, gSystemDpi, 96);
}

int ScaleFromDpi(int pixels)
{
    return MulDiv(pixels, 96, gSystemDpi);
}

int WholeDpiFactor()
{
    const int factor = gSystemDpi / 96;
    return factor > 1 ? factor : 1;
}

SIZE BitmapSize(HBITMAP bitmap)
{
    SIZE size = {0, 0};
    BITMAP info;
    if (bitmap && GetObjectA(bitmap, sizeof info, &info))
    {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

HBITMAP ScaleMonochromeBitmap(HBITMAP bitmap, int cx, int cy)
{
    const SIZE from = BitmapSize(bitmap);
    if (from.cx <= 0 || from.cy <= 0 || cx <= 0 || cy <= 0) return nullptr;
    HBITMAP scaled = CreateBitmap(cx, cy, 1, 1, nullptr);
    HDC source = scaled ? CreateCompatibleDC(nullptr) : nullptr;
    HDC target = source ? CreateCompatibleDC(nullptr) : nullptr;
    BOOL drawn = FALSE;
    if (target)
    {
        HGDIOBJ oldSource = SelectObject(source, bitmap);
        HGDIOBJ oldTarget = SelectObject(target, scaled);
        // Each target pixel takes one source pixel, never a blend or an OR of several.
        SetStretchBltMode(target, COLORONCOLOR);
        drawn = StretchBlt(target, 0, 0, cx, cy, source, 0, 0, from.cx, from.cy, SRCCOPY);
        SelectObject(target, oldTarget);
        SelectObject(source, oldSource);
    }
    if (target) DeleteDC(target);
    if (source) DeleteDC(source);
    if (!drawn && scaled)
    {
        DeleteObject(scaled);
        scaled = nullptr;
    }
    return scaled;
}
