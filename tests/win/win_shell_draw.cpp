// The memo list's rows and the size grip drawn into a memory bitmap, checked pixel by pixel: the dotted
// end row and the key badge in the value column at 96 and 192 DPI, cells kept inside their columns,
// selection colours.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <vector>

#include "memo/memo.h"
#include "resources/resource.h"
#include "shell/shell.h"
#include "tests/support/driver.h"

// What the drawing code reads from the rest of the program.
bool gIsNt51;
BoundFunctions gBound;

static const int kWidth = 320, kHeight = 64;

class Canvas : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        module = LoadLibraryExA((driver::BuildDir() + "\\tarmik.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        grid = (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(IDB_GRID), IMAGE_BITMAP, 0, 0, 0);
        badge = (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(IDB_KEYBADGE), IMAGE_BITMAP, 0, 0, 0);
        ASSERT_TRUE(grid && badge);
        pattern = CreatePatternBrush(grid);

        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        surface = CreateDIBSection(screen, &info, DIB_RGB_COLORS, (void **)&pixels, nullptr, 0);
        ReleaseDC(nullptr, screen);
        ASSERT_TRUE(dc && surface);
        previous = SelectObject(dc, surface);
        Clear(RGB(1, 2, 3));
    }
    void TearDown() override
    {
        gSystemDpi = 96;
        SelectObject(dc, previous);
        DeleteObject(surface);
        DeleteDC(dc);
        DeleteObject(pattern);
        DeleteObject(grid);
        DeleteObject(badge);
        FreeLibrary(module);
    }
    void Clear(COLORREF colour)
    {
        RECT all = {0, 0, kWidth, kHeight};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    COLORREF Pixel(int x, int y)
    {
        GdiFlush();
        DWORD value = pixels[y * kWidth + x];
        return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    }
    MemoRow Row(bool selected, bool endRow, const MemoEntryHead *entry, int w0, int w1, int w2)
    {
        MemoRow row = {};
        row.selected = selected;
        row.endRow = endRow;
        row.entry = entry;
        row.columnWidths[0] = w0;
        row.columnWidths[1] = w1;
        row.columnWidths[2] = w2;
        row.keyBadge = badge;
        row.endRowPattern = pattern;
        return row;
    }

    HMODULE module = nullptr;
    HBITMAP grid = nullptr, badge = nullptr;
    HBRUSH pattern = nullptr;
    HDC dc = nullptr;
    HBITMAP surface = nullptr;
    HGDIOBJ previous = nullptr;
    DWORD *pixels = nullptr;
};

// An entry record as the memo list holds it: the head, then the three texts.
static std::vector<BYTE> Entry(const char *description, const char *keyPath, const char *valueName, bool keyOnly)
{
    MemoEntryHead head = {(WORD)(strlen(description) + 1), (WORD)(strlen(keyPath) + 1), (WORD)(strlen(valueName) + 1),
                          (WORD)(keyOnly ? 1 : 0)};
    std::vector<BYTE> bytes((BYTE *)&head, (BYTE *)(&head + 1));
    for (const char *text : {description, keyPath, valueName}) bytes.insert(bytes.end(), text, text + strlen(text) + 1);
    return bytes;
}

// At 192 DPI each pixel of the design is two by two, from a grid scaled as start-up scales it.
TEST_F(Canvas, EndRowIsADottedBandInTheRowsColours)
{
    for (int f : {1, 2})
        for (bool selected : {false, true})
        {
            SCOPED_TRACE(testing::Message() << "factor " << f << ", selected " << selected);
            gSystemDpi = 96 * f;
            HBITMAP grid2 = f == 1 ? nullptr : ScaleMonochromeBitmap(grid, 8 * f, 8 * f);
            HBRUSH pattern2 = grid2 ? CreatePatternBrush(grid2) : nullptr;
            COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
            COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
            ASSERT_NE(text, back);
            // Two rows of an odd height, so that their bands start on rows of different phases.
            RECT rows[] = {{0, 0, 120 * f, 15 * f}, {0, 15 * f, 120 * f, 30 * f}};
            for (const RECT &rowRect : rows)
            {
                MemoRow row = Row(selected, TRUE, nullptr, 40, 40, 40);
                if (pattern2) row.endRowPattern = pattern2;
                DrawMemoRow(dc, &rowRect, &row);
                int top = ((rowRect.top + rowRect.bottom) >> 1) - f;
                RECT band = {rowRect.left + 2 * f, top, rowRect.right - 2 * f, top + 4 * f};
                for (int y = rowRect.top; y < rowRect.bottom; ++y)
                    for (int x = rowRect.left; x < rowRect.right; ++x)
                    {
                        bool inBand = x >= band.left && x < band.right && y >= band.top && y < band.bottom;
                        // The band's first rows and columns carry dots, every other design pixel.
                        bool dot = inBand && (x - band.left) % (2 * f) < f && (y - band.top) % (2 * f) < f;
                        ASSERT_EQ(Pixel(x, y), dot ? text : back) << x << "," << y;
                    }
            }
            if (pattern2) DeleteObject(pattern2);
            if (grid2) DeleteObject(grid2);
        }
}

TEST_F(Canvas, KeyOnlyEntryShowsTheBadgeCentredInTheValueColumn)
{
    std::vector<BYTE> entry = Entry("", "", "", true);
    const unsigned kBadgeRows[11] = {0x800002, 0x060000, 0x060000, 0x07C000, 0x1F0600, 0x03E3F0,
                                     0x1F0000, 0x018000, 0x018000, 0x018000, 0x800002};
    for (int f : {1, 2})
        for (bool selected : {false, true})
        {
            SCOPED_TRACE(testing::Message() << "factor " << f << ", selected " << selected);
            gSystemDpi = 96 * f;
            HBITMAP badge2 = f == 1 ? nullptr : ScaleMonochromeBitmap(badge, 23 * f, 11 * f);
            Clear(RGB(1, 2, 3));
            COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
            COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
            RECT rowRect = {0, 2 * f, 150 * f, 19 * f}; // 17 high at 96 DPI: the badge starts (2 + 19 - 11) / 2 = 5
            MemoRow row = Row(selected, FALSE, (const MemoEntryHead *)(entry.data()), 40 * f, 50 * f, 60 * f);
            if (badge2) row.keyBadge = badge2;
            DrawMemoRow(dc, &rowRect, &row);
            const int left = (40 + 50 + 4) * f, top = 5 * f;
            for (int y = 0; y < 11 * f; ++y)
                for (int x = 0; x < 23 * f; ++x)
                {
                    bool set = kBadgeRows[y / f] & (0x800000u >> (x / f));
                    ASSERT_EQ(Pixel(left + x, top + y), set ? back : text) << x << "," << y;
                }
            for (int y = rowRect.top; y < rowRect.bottom; ++y)
            {
                EXPECT_EQ(Pixel(left - 1, y), back);
                EXPECT_EQ(Pixel(left + 23 * f, y), back);
            }
            EXPECT_EQ(Pixel(left, top - 1), back);
            EXPECT_EQ(Pixel(left, top + 11 * f), back);
            if (badge2) DeleteObject(badge2);
        }
}

TEST_F(Canvas, CellsStayInsideTheirColumns)
{
    // A narrow value column clips the badge at the cell's inner right edge.
    std::vector<BYTE> keyOnly = Entry("", "", "", true);
    RECT rowRect = {0, 0, 150, 17};
    MemoRow row = Row(FALSE, FALSE, (const MemoEntryHead *)(keyOnly.data()), 40, 50, 16);
    DrawMemoRow(dc, &rowRect, &row);
    COLORREF back = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(Pixel(94, 8), GetSysColor(COLOR_WINDOWTEXT)); // the badge's box starts at the cell
    for (int y = 0; y < 17; ++y)
    {
        for (int x = 40 + 50 + 16 - 4; x < 150; ++x) ASSERT_EQ(Pixel(x, y), back) << x << "," << y;
    }
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, clip), 0) << "no clip region left behind";
    // A clip region the caller had (an owner-draw context has the list's) is the same afterwards.
    HRGN callers = CreateRectRgn(0, 0, 100, 17);
    SelectClipRgn(dc, callers);
    DrawMemoRow(dc, &rowRect, &row);
    EXPECT_EQ(GetClipRgn(dc, clip), 1);
    EXPECT_TRUE(EqualRgn(clip, callers)) << "the caller's clip region kept";
    SelectClipRgn(dc, nullptr);
    DeleteObject(callers);
    DeleteObject(clip);

    // A description far wider than its column is drawn within it, shortened.
    std::vector<BYTE> wide = Entry("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", "", "", false);
    Clear(RGB(1, 2, 3));
    row = Row(FALSE, FALSE, (const MemoEntryHead *)(wide.data()), 40, 50, 60);
    DrawMemoRow(dc, &rowRect, &row);
    int inked = 0;
    for (int y = 0; y < 17; ++y)
    {
        for (int x = 0; x < 4; ++x) ASSERT_EQ(Pixel(x, y), back) << x << "," << y;
        for (int x = 4; x < 36; ++x) inked += Pixel(x, y) != back;
        for (int x = 36; x < 150; ++x) ASSERT_EQ(Pixel(x, y), back) << x << "," << y;
    }
    EXPECT_GT(inked, 0);
}

TEST_F(Canvas, FocusRectangleOnlyWhenTheListHasTheFocus)
{
    RECT rowRect = {0, 0, 120, 15};
    MemoRow row = Row(FALSE, TRUE, nullptr, 40, 40, 40);
    DrawMemoRow(dc, &rowRect, &row);
    std::vector<COLORREF> plain;
    for (int x = 0; x < 120; ++x) plain.push_back(Pixel(x, 0));
    row.focusRect = TRUE;
    DrawMemoRow(dc, &rowRect, &row);
    int dotted = 0;
    for (int x = 0; x < 120; ++x) dotted += Pixel(x, 0) != plain[x];
    EXPECT_GE(dotted, 50) << "a dotted line along the row's top edge";
}

TEST_F(Canvas, ClassicSizeGripStaysInItsSquare)
{
    Clear(GetSysColor(COLOR_BTNFACE));
    RECT grip = {100, 20, 116, 36};
    DrawSizeGrip(dc, &grip, nullptr);
    int marks = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            bool inside = x >= grip.left && x < grip.right && y >= grip.top && y < grip.bottom;
            bool marked = Pixel(x, y) != GetSysColor(COLOR_BTNFACE);
            if (!inside)
            {
                ASSERT_FALSE(marked) << x << "," << y;
            }
            marks += marked;
        }
    EXPECT_GT(marks, 10);
}
