// A running tarmik.exe with a memo from its command line, and the entry and open-key dialogs opened
// through its commands, driven with real keyboard and mouse input. Shared by the dialog tests.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/driver.h"

namespace dialogs
{

enum
{
    kSave = 40003,
    kAdd = 40006,
    kChange = 40008,
    kMoveUp = 40009,
    kOpenEntry = 40012,
    kOpenKey = 40014,
    kMemoList = 1001,
    kOpenButton = 1002,
    kDescription = 1019,
    kKeyLabel = 1020,
    kEntryKey = 1021,
    kEntryRoot = 1022,
    kEntryValue = 1023,
    kEntryBadge = 1024,
    kCapture = 1025,
    kOpenKeyLabel = 1026,
    kOpenKeyKey = 1027,
    kOpenKeyRoot = 1028,
    kOpenKeyValue = 1029,
    kOpenKeyBadge = 1030,
};

// Polls `condition` until it holds or `timeoutMs` passes.
template <class Condition> bool WaitFor(Condition condition, DWORD timeoutMs = 5000)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(10);
    }
}

inline RECT ScreenRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

inline bool MouseTo(int x, int y)
{
    char arguments[64];
    snprintf(arguments, sizeof arguments, "mousemove %d %d", x, y);
    return driver::Xdotool(arguments);
}

// A click at a point of the window, given as fractions of its width and height.
inline bool ClickIn(HWND window, double xFraction = 0.5, double yFraction = 0.5)
{
    RECT rect = ScreenRect(window);
    MouseTo(rect.left + (int)((rect.right - rect.left) * xFraction),
            rect.top + (int)((rect.bottom - rect.top) * yFraction));
    return driver::Xdotool("click 1");
}

inline bool Keys(const char *keys)
{
    return driver::Xdotool(std::string("key --delay 30 ") + keys);
}

// Types plain ASCII text.
inline bool Type(const char *text)
{
    return driver::Xdotool(std::string("type --delay 20 \"") + text + "\"");
}

inline void SetText(HWND window, const std::string &text)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000, &ignored);
}

inline DWORD Selection(HWND edit)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(edit, EM_GETSEL, 0, 0, SMTO_NORMAL, 5000, &result);
    return (DWORD)result;
}

// Puts `text` on the clipboard and pastes it into `field` with a real Ctrl+V, over the whole text or,
// without `replace`, at its end.
inline bool PasteWithCtrlV(HWND field, const std::string &text, bool replace = true)
{
    if (!driver::SetClipboardText(text)) return false;
    // The focus by the dialog itself: a click could reach the field after the selection and move it.
    DWORD_PTR ignored;
    SendMessageTimeoutA(GetParent(field), WM_NEXTDLGCTL, (WPARAM)field, TRUE, SMTO_NORMAL, 5000, &ignored);
    SendMessageTimeoutA(field, EM_SETSEL, replace ? 0 : 0x7FFF, replace ? -1 : 0x7FFF, SMTO_NORMAL, 5000, &ignored);
    return Keys("ctrl+v");
}

// The key badge, a child of the value field once the dialog has set itself up.
inline HWND Badge(HWND dialog, int valueId, int badgeId)
{
    return GetDlgItem(GetDlgItem(dialog, valueId), badgeId);
}

inline bool Visible(HWND window)
{
    return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

class Session
{
  public:
    // Starts the program in a fresh folder with `entries` in a memo file named on its command line,
    // reporting the Windows version `version` (null: Wine's default).
    bool Open(const std::string &testName, const std::vector<driver::Entry> &entries, const char *version = nullptr)
    {
        folder_ = driver::MakeTestFolder(testName);
        driver::SetWindowsVersion("tarmik.exe", version);
        memoPath_ = folder_ + "\\memo.tmk";
        if (!driver::WriteFileBytes(memoPath_, driver::MemoBytes(entries))) return false;
        if (!driver::Start(&program_, folder_ + "\\tarmik.exe", memoPath_)) return false;
        if (!driver::WaitForMainWindow(&program_)) return false;
        list_ = GetDlgItem(program_.mainWindow, kMemoList);
        return list_ != nullptr;
    }

    ~Session()
    {
        for (HWND window : driver::WindowsOf(program_.pid))
        {
            if (driver::GetClass(window) == "#32768") Keys("Escape");
        }
        driver::Stop(&program_);
        driver::SetWindowsVersion("tarmik.exe", nullptr);
    }

    HWND main() const
    {
        return program_.mainWindow;
    }
    HWND list() const
    {
        return list_;
    }
    DWORD pid() const
    {
        return program_.pid;
    }
    const driver::Program &program() const
    {
        return program_;
    }
    const std::string &folder() const
    {
        return folder_;
    }
    void Settle()
    {
        driver::Settle(program_);
    }

    // Runs a command of the main window as its menu would, and waits for the dialog it opens; with
    // `forInput`, also until real keyboard input reaches it.
    HWND OpenDialog(int command, const char *title, bool forInput = true)
    {
        PostMessageA(program_.mainWindow, WM_COMMAND, command, 0);
        HWND dialog = driver::WaitForWindowOf(program_.pid, "#32770", title, 5000);
        if (dialog)
        {
            if (!forInput) return dialog;
            WaitFor([&] { return GetForegroundWindow() == dialog; }, 2000);
            // The X input focus follows the activation a moment later.
            Sleep(400);
            Settle();
            return dialog;
        }
        for (HWND window : driver::WindowsOf(program_.pid))
        {
            printf("  no dialog \"%s\"; window of class %s: \"%s\"\n", title, driver::GetClass(window).c_str(),
                   driver::GetText(window).c_str());
        }
        return nullptr;
    }

    // The visible pop-up menu of the program, if one is open.
    HWND PopupMenu()
    {
        return driver::FindWindowOf(program_.pid, "#32768");
    }

    // Waits for the pop-up menu to close and for Wine to let go of the pointer it held for it.
    bool WaitForMenuClosed()
    {
        if (!WaitFor([&] { return PopupMenu() == nullptr; })) return false;
        Sleep(300);
        Settle();
        return true;
    }

    // A message box of the program, or null.
    HWND MessageBoxWindow()
    {
        driver::MessageBoxInfo box;
        return driver::WaitForMessageBox(program_.pid, &box, 0) ? box.window : nullptr;
    }

    void SelectRow(int index)
    {
        LVITEMA item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        driver::RemoteMemory remote(list_, sizeof item);
        remote.Write(&item, sizeof item);
        DWORD_PTR ignored;
        SendMessageTimeoutA(list_, LVM_SETITEMSTATE, index, (LPARAM)remote.address(), SMTO_NORMAL, 5000, &ignored);
        // The program may settle the selection with messages it posts to itself.
        Settle();
        WaitFor([&] { return Selected() == index; }, 2000);
        Settle();
    }

    int Selected()
    {
        return driver::ListSelectedItem(list_);
    }

    // Saves with the program's own save command and reads the memo file back.
    std::vector<driver::Entry> Saved()
    {
        DWORD_PTR ignored;
        SendMessageTimeoutA(program_.mainWindow, WM_COMMAND, kSave, 0, SMTO_NORMAL, 10000, &ignored);
        std::vector<driver::Entry> entries;
        if (!driver::ParseMemo(driver::ReadFileBytes(memoPath_), &entries))
            entries.push_back({"(not a memo file)", "", "", false});
        return entries;
    }

    std::vector<uint8_t> FileBytes()
    {
        return driver::ReadFileBytes(memoPath_);
    }

  private:
    driver::Program program_;
    std::string folder_;
    std::string memoPath_;
    HWND list_ = nullptr;
};

inline std::vector<driver::Entry> NumberedEntries(int count)
{
    std::vector<driver::Entry> entries;
    for (int i = 0; i < count; ++i)
    {
        char description[16];
        snprintf(description, sizeof description, "E%d", i);
        entries.push_back({description, "HKEY_CURRENT_USER\\Software", "", false});
    }
    return entries;
}

inline std::string Describe(const std::vector<driver::Entry> &entries)
{
    std::string out;
    for (const driver::Entry &entry : entries)
    {
        out +=
            "[" + entry.description + "|" + entry.keyPath + "|" + entry.valueName + (entry.keyOnly ? "|key" : "") + "]";
    }
    return out;
}

} // namespace dialogs
