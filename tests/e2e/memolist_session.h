// The memo list of a running tarmik.exe seen from outside: its rows, cells and header, for the
// memo-list and cell-tip tests that drive it with real mouse and keyboard input.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/session.h"

namespace memolist
{

inline std::vector<driver::Entry> NumberedEntries(int count)
{
    std::vector<driver::Entry> entries;
    for (int i = 0; i < count; ++i)
    {
        char description[16];
        snprintf(description, sizeof description, "E%02d", i);
        entries.push_back({description, "HKEY_CURRENT_USER\\Software", "", false});
    }
    return entries;
}

// The descriptions of the memo as saved by the program's own save command, in file order.
inline std::vector<std::string> SavedOrder(driver::Session &session)
{
    return driver::Descriptions(session.Saved());
}

inline HWND Header(const driver::Session &session)
{
    return (HWND)SendMessageA(session.list(), LVM_GETHEADER, 0, 0);
}
inline int TopIndex(const driver::Session &session)
{
    return (int)SendMessageA(session.list(), LVM_GETTOPINDEX, 0, 0);
}
inline int PerPage(const driver::Session &session)
{
    return (int)SendMessageA(session.list(), LVM_GETCOUNTPERPAGE, 0, 0);
}

// The window that holds the mouse capture in the program's thread.
inline HWND Capture(const driver::Session &session)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(session.main(), nullptr), &info);
    return info.hwndCapture;
}

// The cell's rectangle in screen coordinates (column 0 cut to its own width).
inline RECT CellOnScreen(const driver::Session &session, int row, int column)
{
    RECT cell = driver::ListSubItemRect(session.list(), row, column);
    if (column == 0) cell.right = cell.left + driver::ListColumnWidth(session.list(), 0);
    MapWindowPoints(session.list(), nullptr, (POINT *)&cell, 2);
    return cell;
}

// Screen point inside a cell: `xFraction` across it, at its vertical middle.
inline POINT CellPoint(const driver::Session &session, int row, int column, double xFraction = 0.5)
{
    RECT cell = CellOnScreen(session, row, column);
    return POINT{cell.left + (LONG)((cell.right - cell.left) * xFraction), (cell.top + cell.bottom) / 2};
}

inline RECT ClientOnScreen(const driver::Session &session)
{
    RECT client;
    GetClientRect(session.list(), &client);
    MapWindowPoints(session.list(), nullptr, (POINT *)&client, 2);
    return client;
}

} // namespace memolist
