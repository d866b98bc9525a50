// A running tarmik.exe with a memo from its command line, and the entry and open-key dialogs opened
// through its commands, driven with real keyboard and mouse input. Shared by the dialog tests.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/session.h"

namespace dialogs
{

inline RECT ScreenRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
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
    return driver::Keys("ctrl+v");
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

// Runs a command of the main window as its menu would, and waits for the dialog it opens; with
// `forInput`, also until real keyboard input reaches it.
inline HWND OpenDialog(const driver::Session &session, int command, const char *title, bool forInput = true)
{
    session.Post(command);
    if (HWND dialog = session.WaitForDialog(title, forInput)) return dialog;
    for (HWND window : driver::WindowsOf(session.pid()))
    {
        printf("  no dialog \"%s\"; window of class %s: \"%s\"\n", title, driver::GetClass(window).c_str(),
               driver::GetText(window).c_str());
    }
    return nullptr;
}

// The visible pop-up menu of the program, if one is open.
inline HWND PopupMenu(const driver::Session &session)
{
    return driver::FindWindowOf(session.pid(), "#32768");
}

inline bool ProgramThreadInfo(const driver::Session &session, GUITHREADINFO *info)
{
    *info = {};
    info->cbSize = sizeof *info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(session.main(), nullptr), info);
}

// Waits for the pop-up menu's loop to run: the menu is seen before the loop reads keys, and a key
// sent in between is lost.
inline bool WaitForMenuLoop(const driver::Session &session)
{
    return driver::WaitFor([&] {
        GUITHREADINFO info;
        return PopupMenu(session) != nullptr && ProgramThreadInfo(session, &info) &&
               (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE));
    });
}

// Waits for the pop-up menu to close and for the program to let go of the pointer it held for it.
inline bool WaitForMenuClosed(const driver::Session &session)
{
    bool closed = driver::WaitFor([&] {
        GUITHREADINFO info;
        return PopupMenu(session) == nullptr && ProgramThreadInfo(session, &info) && !info.hwndCapture &&
               !(info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE));
    });
    session.Settle();
    return closed;
}

// A message box of the program, or null.
inline HWND MessageBoxWindow(const driver::Session &session)
{
    driver::MessageBoxInfo box;
    return session.Box(&box, 0) ? box.window : nullptr;
}

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
