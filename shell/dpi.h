// The screen's DPI, read once at start-up, and the pixel lengths and bitmaps of a 96-DPI design scaled
// to it, which every folder that draws or measures in pixels uses.
#pragma once
#include <windows.h>

/* dpi.cpp */
extern int gSystemDpi; // 96 until start-up reads it
// The screen's logical pixels per inch, which the dialog fonts and the system's metrics follow; 96
// when the screen cannot be asked.
int ReadSystemDpi();
// A length of the 96-DPI design at the system DPI, and back (both rounded to the nearest pixel).
int ScaleToDpi(int pixels96);
int ScaleFromDpi(int pixels);
// The whole number of pixels one pixel of a 96-DPI pattern becomes (at least 1), so that a pattern
// that repeats every few pixels stays regular.
int WholeDpiFactor();
// A copy of a monochrome bitmap stretched to cx x cy by nearest neighbour, each source pixel a whole
// number of pixels in the copy, so that it stays two-coloured and crisp; null when it cannot be made.
// The caller deletes it.
HBITMAP ScaleMonochromeBitmap(HBITMAP bitmap, int cx, int cy);
// The size of a bitmap in pixels (0 x 0 for none).
SIZE BitmapSize(HBITMAP bitmap);
