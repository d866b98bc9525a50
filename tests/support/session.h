// One running tarmik.exe as the end-to-end tests see it: its own folder, its settings and memo files,
// its main window, its commands and message boxes, and its end.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "tests/support/driver.h"

namespace driver
{

// tarmik.exe in a fresh folder BuildDir()\e2e\<name>, reporting the Windows version `version` (null: Wine's
// default). When the session goes, message boxes and menus are dismissed and the program is ended.
class Session
{
  public:
    Session() = default;
    explicit Session(const std::string &name, const char *version = nullptr)
    {
        Prepare(name, version);
    }
    ~Session();
    // Ends what runs and starts over in a fresh folder.
    void Prepare(const std::string &name, const char *version = nullptr);
    // Ends what runs and uses a folder the test made itself, holding tarmik.exe.
    void UseFolder(const std::string &folder, const char *version = nullptr);
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    const std::string &folder() const
    {
        return folder_;
    }
    std::string Path(const std::string &name) const
    {
        return folder_ + "\\" + name;
    }
    std::string exe() const
    {
        return Path("tarmik.exe");
    }
    // The program file's name with "PRF" for its extension.
    std::string settingsPath() const
    {
        return Path("tarmik.PRF");
    }
    std::string memoPath() const
    {
        return Path(memoName_);
    }
    bool WriteSettings(const std::vector<uint8_t> &bytes) const;
    bool WriteMemo(const std::vector<Entry> &entries) const;

    bool Start(const std::string &tail = "", int show = SW_SHOWNORMAL);
    // Started and showing its main window: the window, null when none came.
    HWND Run(const std::string &tail = "", int show = SW_SHOWNORMAL);
    // Running with `entries` in a memo file of the folder, named on its command line.
    bool Open(const std::vector<Entry> &entries, const std::string &memoName = "memo.tmk");
    // The main window, also while it is hidden behind a start-up message box.
    HWND FindMainWindow();
    // Closes the main window as its close box does; the exit code, STILL_ACTIVE when it did not end.
    DWORD Close(DWORD timeoutMs = 15000);
    bool Ended(DWORD timeoutMs = 5000);
    // Dismisses what is open and ends the program, as the end of the session does.
    void Stop();

    HWND main() const
    {
        return program_.mainWindow;
    }
    HWND Item(int id) const
    {
        return GetDlgItem(program_.mainWindow, id);
    }
    HWND list() const;
    DWORD pid() const
    {
        return program_.pid;
    }
    Program &program()
    {
        return program_;
    }
    const Program &program() const
    {
        return program_;
    }

    void Settle() const
    {
        driver::Settle(program_);
    }
    void Post(int command) const
    {
        PostMessageA(program_.mainWindow, WM_COMMAND, command, 0);
    }
    // Sent, not posted: returns once the command is carried out. While the program waits on another
    // program it still answers sent messages, so no round trip after a posted command would tell.
    void Send(int command, DWORD timeoutMs = 30000) const;
    // A dialog of the program; with `forInput`, once real keyboard input reaches it.
    HWND WaitForDialog(const char *title, bool forInput = true, DWORD timeoutMs = 5000) const;
    bool Box(MessageBoxInfo *box, DWORD timeoutMs = 5000) const
    {
        return WaitForMessageBox(program_.pid, box, timeoutMs);
    }

    int Count() const;
    int Selected() const;
    // Makes `row` the selected row. The focus moves first: a row left focused without its selection is
    // selected again by the program, after the change, which would undo a change made in one step.
    bool SelectRow(int row);
    // Saves with the program's own save command and reads the memo file back.
    std::vector<Entry> Saved();

  private:
    std::string folder_, memoName_ = "memo.tmk";
    Program program_;
};

} // namespace driver
