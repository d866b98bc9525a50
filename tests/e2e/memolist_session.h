// A running tarmik.exe with a memo loaded from its command line, and real mouse and keyboard
// input on its memo list. Shared by the memo-list and cell-tip end-to-end tests.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/driver.h"

namespace memolist
{

constexpr int kSaveCommand = 40003;

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

inline std::vector<std::string> Descriptions(const std::vector<driver::Entry> &entries)
{
    std::vector<std::string> out;
    for (const driver::Entry &entry : entries) out.push_back(entry.description);
    return out;
}

class Session
{
  public:
    // Starts the program in a fresh folder, with `entries` in a memo file named on its command line
    // (or no memo at all when `withMemo` is false).
    bool Open(const std::string &testName, const std::vector<driver::Entry> &entries, bool withMemo = true)
    {
        std::string folder = driver::MakeTestFolder(testName);
        driver::SetWindowsVersion("tarmik.exe", nullptr);
        std::string tail;
        if (withMemo)
        {
            memoPath_ = folder + "\\memo.tmk";
            if (!driver::WriteFileBytes(memoPath_, driver::MemoBytes(entries))) return false;
            tail = memoPath_;
        }
        if (!driver::Start(&program_, folder + "\\tarmik.exe", tail)) return false;
        if (!driver::WaitForMainWindow(&program_)) return false;
        list_ = GetDlgItem(program_.mainWindow, 1001);
        header_ = (HWND)SendMessageA(list_, LVM_GETHEADER, 0, 0);
        return list_ != nullptr;
    }

    ~Session()
    {
        driver::Xdotool("mouseup 1");
        driver::Stop(&program_);
    }

    HWND main() const
    {
        return program_.mainWindow;
    }
    HWND list() const
    {
        return list_;
    }
    HWND header() const
    {
        return header_;
    }
    DWORD pid() const
    {
        return program_.pid;
    }
    void Settle()
    {
        driver::Settle(program_);
    }

    // Saves the memo with the program's own save command and reads the descriptions back in file order.
    std::vector<std::string> SavedOrder()
    {
        DWORD_PTR ignored;
        SendMessageTimeoutA(program_.mainWindow, WM_COMMAND, kSaveCommand, 0, SMTO_NORMAL, 10000, &ignored);
        std::vector<driver::Entry> entries;
        if (!driver::ParseMemo(driver::ReadFileBytes(memoPath_), &entries)) return {"(not a memo file)"};
        return Descriptions(entries);
    }

    int Selected()
    {
        return driver::ListSelectedItem(list_);
    }
    int Count()
    {
        return driver::ListItemCount(list_);
    }
    int TopIndex()
    {
        return (int)SendMessageA(list_, LVM_GETTOPINDEX, 0, 0);
    }
    int PerPage()
    {
        return (int)SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0);
    }

    // The window that holds the mouse capture in the program's thread.
    HWND Capture()
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(program_.mainWindow, nullptr), &info);
        return info.hwndCapture;
    }

    // Screen point inside a cell: `xFraction` across it, at its vertical middle.
    POINT CellPoint(int row, int column, double xFraction = 0.5)
    {
        RECT cell = driver::ListSubItemRect(list_, row, column);
        if (column == 0) cell.right = cell.left + driver::ListColumnWidth(list_, 0);
        POINT point = {cell.left + (LONG)((cell.right - cell.left) * xFraction), (cell.top + cell.bottom) / 2};
        ClientToScreen(list_, &point);
        return point;
    }

    RECT ClientOnScreen()
    {
        RECT client;
        GetClientRect(list_, &client);
        MapWindowPoints(list_, nullptr, (POINT *)&client, 2);
        return client;
    }

    // The cell's rectangle in screen coordinates (column 0 cut to its own width).
    RECT CellOnScreen(int row, int column)
    {
        RECT cell = driver::ListSubItemRect(list_, row, column);
        if (column == 0) cell.right = cell.left + driver::ListColumnWidth(list_, 0);
        MapWindowPoints(list_, nullptr, (POINT *)&cell, 2);
        return cell;
    }

  private:
    driver::Program program_;
    std::string memoPath_;
    HWND list_ = nullptr;
    HWND header_ = nullptr;
};

inline bool MouseTo(POINT point)
{
    char arguments[64];
    snprintf(arguments, sizeof arguments, "mousemove %ld %ld", point.x, point.y);
    return driver::Xdotool(arguments);
}
inline bool MouseDown()
{
    return driver::Xdotool("mousedown 1");
}
inline bool MouseUp()
{
    return driver::Xdotool("mouseup 1");
}

// Polls `condition` until it holds or `timeoutMs` passes.
template <class Condition> bool WaitFor(Condition condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
}

} // namespace memolist
