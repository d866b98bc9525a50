#include "tests/support/session.h"

#include <commctrl.h>

#include "resources/resource.h"

namespace driver
{

void Session::Prepare(const std::string &name, const char *version)
{
    Stop();
    folder_ = MakeTestFolder(name);
    SetWindowsVersion("tarmik.exe", version);
}

void Session::UseFolder(const std::string &folder, const char *version)
{
    Stop();
    folder_ = folder;
    SetWindowsVersion("tarmik.exe", version);
}

Session::~Session()
{
    Stop();
    SetWindowsVersion("tarmik.exe", nullptr);
}

bool Session::WriteSettings(const std::vector<uint8_t> &bytes) const
{
    return WriteFileBytes(settingsPath(), bytes);
}

bool Session::WriteMemo(const std::vector<Entry> &entries) const
{
    return WriteFileBytes(memoPath(), MemoBytes(entries));
}

bool Session::Start(const std::string &tail, int show)
{
    return driver::Start(&program_, exe(), tail, show);
}

HWND Session::Run(const std::string &tail, int show)
{
    return Start(tail, show) ? WaitForMainWindow(&program_) : nullptr;
}

bool Session::Open(const std::vector<Entry> &entries, const std::string &memoName)
{
    memoName_ = memoName;
    return WriteMemo(entries) && Run(memoPath()) && list();
}

HWND Session::FindMainWindow()
{
    // Hidden too: a start-up message box may stand before the main window is shown.
    WaitFor([&] {
        program_.mainWindow = FindWindowOf(program_.pid, "Oskelund_Tarmik", nullptr, true);
        return program_.mainWindow != nullptr;
    });
    return program_.mainWindow;
}

DWORD Session::Close(DWORD timeoutMs)
{
    if (!program_.process) return STILL_ACTIVE;
    PostMessageA(program_.mainWindow, WM_CLOSE, 0, 0);
    DWORD code = WaitForExit(&program_, timeoutMs);
    if (code != STILL_ACTIVE)
    {
        CloseHandle(program_.process);
        program_ = Program();
    }
    return code;
}

bool Session::Ended(DWORD timeoutMs)
{
    return WaitForExit(&program_, timeoutMs) != STILL_ACTIVE;
}

void Session::Stop()
{
    // A test stopped in the middle of a drag must not leave the button held for the next one.
    if (GetAsyncKeyState(VK_LBUTTON) & 0x8000) MouseUp();
    if (program_.mainWindow && WaitForExit(&program_, 0) == STILL_ACTIVE)
    {
        if (FindWindowOf(program_.pid, "#32768")) SendMessageA(program_.mainWindow, WM_CANCELMODE, 0, 0);
        MessageBoxInfo box;
        for (int i = 0; i < 10 && WaitForMessageBox(program_.pid, &box, 0); ++i)
        {
            int answer = IDOK;
            for (int id : box.buttons) answer = id == IDNO || (id == IDCANCEL && answer != IDNO) ? id : answer;
            PressButton(box.window, answer, 1000);
        }
    }
    driver::Stop(&program_);
}

HWND Session::list() const
{
    return Item(IDC_MEMOLIST);
}

void Session::Send(int command, DWORD timeoutMs) const
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(program_.mainWindow, WM_COMMAND, command, 0, SMTO_NORMAL, timeoutMs, &ignored);
}

HWND Session::WaitForDialog(const char *title, bool forInput, DWORD timeoutMs) const
{
    HWND dialog = WaitForWindowOf(program_.pid, "#32770", title, timeoutMs);
    if (!dialog || !forInput) return dialog;
    WaitFor([&] { return GetForegroundWindow() == dialog; }, 2000);
    WaitForXFocus(dialog);
    Settle();
    return dialog;
}

int Session::Count() const
{
    return ListItemCount(list());
}

int Session::Selected() const
{
    return ListSelectedItem(list());
}

bool Session::SelectRow(int row)
{
    HWND memoList = list();
    RemoteMemory remote(memoList, sizeof(LVITEMA));
    LVITEMA record = {};
    record.state = record.stateMask = LVIS_FOCUSED;
    remote.Write(&record, sizeof record);
    SendMessageA(memoList, LVM_SETITEMSTATE, row, (LPARAM)remote.address());
    record.state = record.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    remote.Write(&record, sizeof record);
    SendMessageA(memoList, LVM_SETITEMSTATE, row, (LPARAM)remote.address());
    // The program may settle the selection with messages it posts to itself.
    return WaitFor([&] {
        Settle();
        return Selected() == row;
    });
}

std::vector<Entry> Session::Saved()
{
    Send(IDM_SAVE, 10000);
    std::vector<Entry> entries;
    if (!ParseMemo(ReadFileBytes(memoPath()), &entries)) entries.push_back({"(not a memo file)", "", "", false});
    return entries;
}

} // namespace driver
