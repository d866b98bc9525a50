// The memo document seen from outside: a running tarmik.exe in its own folder, its title and list,
// its message boxes, files dropped on it and the file dialogs it opens.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/support/session.h"

namespace memo_e2e
{

constexpr const char *kCaption = "タルミク";
constexpr const char *kSaveQuestion = "メモの内容が変更されています。\r\r変更を保存しますか？";
inline std::vector<driver::Entry> SampleEntries()
{
    return {
        {"メモの説明", "HKEY_CURRENT_USER\\Software\\ソフト", "値の名前", false},
        {"", "HKCU", "", true},
        {"既定値", "HKLM\\SOFTWARE", "", false},
    };
}

// The settings file beside the program: defaults, with the memo extension and the option bytes given.
inline std::vector<uint8_t> SettingsBytes(const char *extension, bool autoSave, const std::string &startupFile = "")
{
    std::vector<uint8_t> bytes(352, 0);
    bytes[0] = 1;
    memcpy(&bytes[48], extension, strlen(extension));
    memcpy(&bytes[64], startupFile.data(), std::min<size_t>(startupFile.size(), 260));
    bytes[324] = autoSave ? 1 : 0;
    return bytes;
}

// Runs a Unix command line through /bin/sh and returns its exit code (-1 when it did not finish).
// Wine gives no usable handle for a Unix process, so the command leaves its exit code in a file.
inline int RunUnix(const std::string &command)
{
    char build[MAX_PATH] = "";
    GetEnvironmentVariableA("TARMIK_BUILD", build, sizeof build);
    const std::string marker = std::string(build) + "/e2e-unix-exit-" + std::to_string(GetCurrentProcessId());
    const std::string markerPath = driver::WindowsPath(marker);
    DeleteFileA(markerPath.c_str());
    std::string line =
        "/bin/sh -c \"(" + command + "); echo $? >'" + marker + ".part'; mv '" + marker + ".part' '" + marker + "'\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    for (int i = 0; i < 3000; i++)
    {
        const std::vector<uint8_t> code = driver::ReadFileBytes(markerPath);
        if (!code.empty())
        {
            DeleteFileA(markerPath.c_str());
            return atoi(std::string(code.begin(), code.end()).c_str());
        }
        Sleep(20);
    }
    return -1;
}

inline std::string Title(const driver::Session &session)
{
    return driver::GetText(session.main());
}
// Whether the first row has the focus.
inline bool Focused0(const driver::Session &session)
{
    return (SendMessageA(session.list(), LVM_GETITEMSTATE, 0, LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
}
// Marks the memo modified as a user would: the first entry one row down.
inline void Modify(const driver::Session &session)
{
    session.Send(IDM_MOVEDOWN);
}
// True when no message box comes within `waitMs`.
inline bool NoBox(const driver::Session &session, DWORD waitMs = 300)
{
    driver::MessageBoxInfo box;
    return !session.Box(&box, waitMs);
}

// Drops files on the main window as the shell does: a DROPFILES block in the program's memory.
inline std::unique_ptr<driver::RemoteMemory> Drop(const driver::Session &session, const std::vector<std::string> &paths)
{
    std::vector<char> block(sizeof(DROPFILES), 0);
    DROPFILES *head = (DROPFILES *)block.data();
    head->pFiles = sizeof(DROPFILES);
    head->pt.x = head->pt.y = 20;
    for (const std::string &path : paths) block.insert(block.end(), path.c_str(), path.c_str() + path.size() + 1);
    block.push_back(0);
    std::unique_ptr<driver::RemoteMemory> memory(new driver::RemoteMemory(session.main(), block.size()));
    if (memory->Write(block.data(), block.size()))
        PostMessageA(session.main(), WM_DROPFILES, (WPARAM)memory->address(), 0);
    return memory;
}

// The open or save dialog the program shows.
inline HWND WaitForFileDialog(const driver::Session &session, DWORD timeoutMs = 10000)
{
    HWND dialog = nullptr;
    driver::WaitFor(
        [&] {
            for (HWND window : driver::WindowsOf(session.pid()))
            {
                if (driver::GetClass(window) == "#32770" && !GetDlgItem(window, 0xFFFF))
                {
                    dialog = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return dialog;
}

// Types a name into a file dialog and presses its OK button.
inline void ChooseInFileDialog(HWND dialog, const std::string &name)
{
    HWND field = GetDlgItem(dialog, 0x47C); // the file-name combo box of the explorer-style dialog
    if (field)
    {
        HWND edit = FindWindowExA(field, nullptr, "Edit", nullptr);
        if (edit) field = edit;
    }
    else
    {
        field = GetDlgItem(dialog, 0x480);
    }
    SendMessageA(field, WM_SETTEXT, 0, (LPARAM)name.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
}

inline std::vector<driver::Entry> FileEntries(const std::string &path)
{
    std::vector<driver::Entry> entries;
    if (!driver::ParseMemo(driver::ReadFileBytes(path), &entries)) entries.push_back({"(malformed)", "", "", false});
    return entries;
}

} // namespace memo_e2e
