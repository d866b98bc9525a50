// The memo list's rows and the size grip drawn into a memory bitmap, checked pixel by pixel: the dotted
// end row, the key badge in the value column, cells kept inside their columns, selection colours.
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

static const int kWidth = 160, kHeight = 40;

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

TEST_F(Canvas, EndRowIsADottedBandInTheRowsColours)
{
    for (bool selected : {false, true})
    {
        SCOPED_TRACE(selected);
        COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        ASSERT_NE(text, back);
        // Two rows of an odd height, so that their bands start on rows of different parity.
        RECT rows[] = {{0, 0, 120, 15}, {0, 15, 120, 30}};
        for (const RECT &rowRect : rows)
        {
            MemoRow row = Row(selected, TRUE, nullptr, 40, 40, 40);
            DrawMemoRow(dc, &rowRect, &row);
            int middle = (rowRect.top + rowRect.bottom) >> 1;
            RECT band = {rowRect.left + 2, middle - 1, rowRect.right - 2, middle + 3};
            for (int y = rowRect.top; y < rowRect.bottom; ++y)
                for (int x = rowRect.left; x < rowRect.right; ++x)
                {
                    bool inBand = x >= band.left && x < band.right && y >= band.top && y < band.bottom;
                    // The band's first row and first column carry dots, every other pixel.
                    bool dot = inBand && (x - band.left) % 2 == 0 && (y - band.top) % 2 == 0;
                    ASSERT_EQ(Pixel(x, y), dot ? text : back) << x << "," << y;
                }
        }
    }
}

TEST_F(Canvas, KeyOnlyEntryShowsTheBadgeCentredInTheValueColumn)
{
    std::vector<BYTE> entry = Entry("", "", "", true);
    const unsigned kBadgeRows[11] = {0x800002, 0x060000, 0x060000, 0x07C000, 0x1F0600, 0x03E3F0,
                                     0x1F0000, 0x018000, 0x018000, 0x018000, 0x800002};
    for (bool selected : {false, true})
    {
        SCOPED_TRACE(selected);
        Clear(RGB(1, 2, 3));
        COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        RECT rowRect = {0, 2, 150, 19}; // 17 high: the badge starts (2 + 19 - 11) / 2 = 5
        MemoRow row = Row(selected, FALSE, (const MemoEntryHead *)(entry.data()), 40, 50, 60);
        DrawMemoRow(dc, &rowRect, &row);
        const int left = 40 + 50 + 4, top = 5;
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 23; ++x)
            {
                bool set = kBadgeRows[y] & (0x800000u >> x);
                ASSERT_EQ(Pixel(left + x, top + y), set ? back : text) << x << "," << y;
            }
        for (int y = rowRect.top; y < rowRect.bottom; ++y)
        {
            EXPECT_EQ(Pixel(left - 1, y), back);
            EXPECT_EQ(Pixel(left + 23, y), back);
        }
        EXPECT_EQ(Pixel(left, top - 1), back);
        EXPECT_EQ(Pixel(left, top + 11), back);
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
