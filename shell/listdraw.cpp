// Drawing of the main window's own parts: the rows of the owner-drawn memo list and the size grip, at
// the system DPI. Each function draws into whatever device context it is given and knows nothing of
// messages.
#include "bridge/bridge.h"
#include "memo/memo.h"
#include "shell/shell.h"

int MemoCellInset()
{
    return ScaleToDpi(4);
}

int MemoTextGap()
{
    return ScaleToDpi(1);
}

// x's place in a pattern that repeats every `period` pixels, also left of the origin.
static int PatternPhase(int x, int period)
{
    return ((x % period) + period) % period;
}

// The badge in the cell's left edge, vertically centred on the row, clipped to the cell. Its 0 bits take
// the text colour and its 1 bits the background colour, so it follows the row's selection colours.
// The caller's clip region (the list's, in an owner-draw context) is put back as it was.
static void DrawKeyBadge(HDC dc, const RECT *cell, const RECT *row, HBITMAP badge)
{
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, cell->left, row->top, cell->right, row->bottom);
    HDC memory = CreateCompatibleDC(dc);
    if (memory)
    {
        const SIZE size = BitmapSize(badge);
        HGDIOBJ previous = SelectObject(memory, badge);
        BitBlt(dc, cell->left, (row->top + row->bottom - size.cy) >> 1, size.cx, size.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    RestoreDC(dc, saved);
}

static void DrawEntryCells(HDC dc, const RECT *row, const MemoRow *content)
{
    const MemoEntryTexts texts = EntryTexts(content->entry);
    const int inset = MemoCellInset(), gap = MemoTextGap();
    int left = row->left;
    for (int column = 0; column < 3; ++column)
    {
        RECT cell = {left + inset, row->top + gap, left + content->columnWidths[column] - inset, row->bottom};
        // A missing key takes its value with it.
        const BOOL missing = !content->selected && ((column == 1 && content->presence == PRESENCE_NO_KEY) ||
                                                    (column == 2 && content->presence != PRESENCE_FOUND));
        const COLORREF text = missing ? SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT)) : 0;
        if (column == 2 && texts.keyOnly)
            DrawKeyBadge(dc, &cell, row, content->keyBadge);
        else
            DrawTextA(dc, EntryColumnText(texts, column, nullptr), -1, &cell, DT_END_ELLIPSIS | DT_NOPREFIX);
        if (missing) SetTextColor(dc, text);
        left += content->columnWidths[column];
    }
}

// The dotted rule of the end row: a band 4 pixels high across the row, 2 pixels in from both sides, at
// 96 DPI.
static void DrawEndRowRule(HDC dc, const RECT *row, HBRUSH pattern)
{
    int top = ((row->top + row->bottom) >> 1) - ScaleToDpi(1);
    RECT band = {row->left + ScaleToDpi(2), top, row->right - ScaleToDpi(2), top + ScaleToDpi(4)};
    UnrealizeObject(pattern);
    // The pattern starts on the band's phase, so the dots line up from one row to the next; its dots
    // repeat every two of its design's pixels.
    const int period = 2 * WholeDpiFactor();
    SetBrushOrgEx(dc, PatternPhase(band.left, period), PatternPhase(band.top, period), nullptr);
    FillRect(dc, &band, pattern);
}

void DrawMemoRow(HDC dc, const RECT *row, const MemoRow *content)
{
    int textColour = content->selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT;
    int backColour = content->selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    COLORREF oldText = SetTextColor(dc, GetSysColor(textColour));
    COLORREF oldBack = SetBkColor(dc, GetSysColor(backColour));
    FillRect(dc, row, GetSysColorBrush(backColour));
    if (content->endRow)
        DrawEndRowRule(dc, row, content->endRowPattern);
    else if (content->entry)
        DrawEntryCells(dc, row, content);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    if (content->focusRect) DrawFocusRect(dc, row);
}

void DrawSizeGrip(HDC dc, const RECT *grip, HWND themeWindow)
{
    const int kSizeBoxPart = 10, kRightAlignState = 1; // SBP_SIZEBOX, SZB_RIGHTALIGN
    if (gIsNt51 && gBound.IsAppThemed && gBound.OpenThemeData && gBound.CloseThemeData && gBound.DrawThemeBackground &&
        gBound.IsAppThemed())
    {
        HTHEME_ theme = gBound.OpenThemeData(themeWindow, L"Scrollbar");
        if (theme)
        {
            gBound.DrawThemeBackground(theme, dc, kSizeBoxPart, kRightAlignState, grip, nullptr);
            gBound.CloseThemeData(theme);
            return;
        }
    }
    RECT square = *grip;
    DrawFrameControl(dc, &square, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}
