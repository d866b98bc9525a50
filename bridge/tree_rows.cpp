// Reaching a tree item by its row rather than by stepping through the siblings before it: every step
// is a message to the Registry Editor, and among thousands of siblings the steps are what costs.
#include "bridge/bridge.h"

#include <string.h>

// The item's rectangle in the tree's client area; FALSE when the item has no row (a collapsed parent).
static BOOL ItemRect(HWND tree, HTREEITEM item, const BridgeBuffer *buffer, RECT *rect)
{
    BridgeRecord record = {};
    memcpy(&record.rect, &item, sizeof item);
    PutBridgeRecord(buffer, &record);
    if (!SendMessageA(tree, TVM_GETITEMRECT, FALSE, (LPARAM)buffer->address)) return FALSE;
    GetBridgeBytes(buffer, 0, rect, sizeof *rect);
    return TRUE;
}

HTREEITEM ChildItemByRow(HWND tree, HTREEITEM parent, int index, const BridgeBuffer *buffer)
{
    // The first root item is row 0 of the tree, so the rectangles number every row on the page.
    HTREEITEM top = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    HTREEITEM first = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)parent);
    RECT topRect, firstRect;
    if (!first || !ItemRect(tree, top, buffer, &topRect) || !ItemRect(tree, first, buffer, &firstRect)) return 0;
    // Some trees end an item's rectangle a pixel short of the next row: the row height is asked for.
    LONG cyRow = (LONG)SendMessageA(tree, TVM_GETITEMHEIGHT, 0, 0);
    if (cyRow <= 0) return 0;
    LONG row = (firstRect.top - topRect.top) / cyRow + index;
    if (row > 0x7FFF) return 0; // a scroll position travels in 16 bits
    SendMessageA(tree, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, row), 0);
    // Near the end the tree stops with its last row at the bottom, and the row stands lower on the page;
    // a tree that fits its window does not scroll at all.
    if (!ItemRect(tree, top, buffer, &topRect)) return 0;
    BridgeRecord record = {};
    record.hitTest.pt.x = 0;
    record.hitTest.pt.y = topRect.top + row * cyRow + cyRow / 2;
    PutBridgeRecord(buffer, &record);
    return (HTREEITEM)SendMessageA(tree, TVM_HITTEST, 0, (LPARAM)buffer->address);
}
