// End-to-end driver: runs the real programs under Wine and looks at them from outside, as a user would.
// Everything here works across the process boundary with plain window messages, files and the registry.
#pragma once
#include <windows.h>
#include <stdint.h>
#include <string>
#include <vector>

namespace driver
{

// Polls `condition` until it holds or `timeoutMs` passes; whether it held.
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

// The build directory as a Windows path (from TARMIK_BUILD), without a trailing backslash.
std::string BuildDir();
// The source directory as a Windows path (from TARMIK_SOURCE).
std::string SourceDir();
// Maps a Unix path to the Windows path Wine gives it (Z:\...).
std::string WindowsPath(const std::string &unixPath);

// A fresh folder BuildDir()\e2e\<name> holding a copy of the named program of the build (e.g. "tarmik.exe").
// Anything left from an earlier run is removed first. Returns the folder.
std::string MakeTestFolder(const std::string &name, const char *program = "tarmik.exe");

// The Windows version Wine reports to one program ("win95", "win98", "nt40", "win2k", "winxp");
// an empty or null version removes the setting (Wine's default).
void SetWindowsVersion(const char *program, const char *version);

// The system DPI of the prefix while this lives: Wine reads it as each program starts, so programs
// started meanwhile run at `dpi`, and the test itself at the one it started with. The setting before
// (none, usually) comes back at the end. The one place that changes it.
class SystemDpi
{
  public:
    explicit SystemDpi(int dpi);
    ~SystemDpi();
    SystemDpi(const SystemDpi &) = delete;
    SystemDpi &operator=(const SystemDpi &) = delete;

  private:
    bool hadSetting_ = false;
    DWORD previous_ = 0;
};

struct Program
{
    HANDLE process = nullptr;
    DWORD pid = 0;
    HWND mainWindow = nullptr;
};

// Starts `exePath` with the command-line tail `tail` (taken as is) and the show command `show`,
// in the folder of the program. Returns false when the process could not be created.
bool Start(Program *program, const std::string &exePath, const std::string &tail = "", int show = SW_SHOWNORMAL);
// Waits until the program has a visible top-level window of `className`; stores it as the main window.
HWND WaitForMainWindow(Program *program, const char *className = "Oskelund_Tarmik", DWORD timeoutMs = 15000);
// Exit code after waiting up to `timeoutMs`; STILL_ACTIVE when it has not ended.
DWORD WaitForExit(Program *program, DWORD timeoutMs = 10000);
// Closes the main window, answering No to a save question; kills the process if it does not end.
void Stop(Program *program);
void Kill(Program *program);

// A top-level window of the process with that class (and title, when given); a visible one unless hiddenToo.
HWND FindWindowOf(DWORD pid, const char *className, const char *title = nullptr, bool hiddenToo = false);
HWND WaitForWindowOf(DWORD pid, const char *className, const char *title = nullptr, DWORD timeoutMs = 5000);
// Every visible top-level window of the process.
std::vector<HWND> WindowsOf(DWORD pid);

// A message box (dialog class "#32770" with a message text) of the process.
struct MessageBoxInfo
{
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttons; // IDOK, IDYES, IDNO, ... shown in the box
    int defaultButton = 0;
};
bool WaitForMessageBox(DWORD pid, MessageBoxInfo *info, DWORD timeoutMs = 5000);
enum class Icon
{
    None,
    Hand,
    Question,
    Exclamation,
    Asterisk
};
// Which system icon the box shows, told from its pixels on the screen (its icon handle is the other
// process's).
Icon MessageBoxIcon(HWND box);
// Presses a button of a dialog (IDOK, IDYES, ...) as a click would, and waits until the dialog is gone.
bool PressButton(HWND dialog, int id, DWORD timeoutMs = 5000);

std::string GetText(HWND window);
std::string GetClass(HWND window);
std::string GetMenuText(HMENU menu, UINT item, bool byPosition);

// Lets the program handle what was sent to it: returns once its thread is idle waiting for input.
void Settle(const Program &program, DWORD timeoutMs = 3000);

// Pixels of a rectangle of `source` (the screen when null), top row first, each 0x00RRGGBB.
std::vector<uint32_t> CapturePixels(HDC source, const RECT &rect);
// Saves pixels as BuildDir()\screenshots\<name>.png. Returns the path, or "" when it was not written.
std::string SavePng(const std::string &name, int width, int height, const std::vector<uint32_t> &pixels);
// Saves a PNG of the window's screen rectangle as BuildDir()\screenshots\<name>.png. Returns the path.
std::string Screenshot(HWND window, const std::string &name);
// The same once the window's program has drawn what it was sent.
std::string ScreenshotWhenPainted(HWND window, const std::string &name);
// The colour of one screen pixel.
COLORREF ScreenPixel(int x, int y);

// Runs /usr/bin/xdotool with the arguments (real X input) and waits for it.
bool Xdotool(const std::string &arguments);
// Waits until the X input focus, where real keys go, is on the top-level window of `window`: Wine moves
// it there when the window's program takes the activation, which happens on that program's time.
bool WaitForXFocus(HWND window, DWORD timeoutMs = 5000);
// Real mouse and keyboard input through xdotool.
bool MouseTo(int x, int y);
inline bool MouseTo(POINT point)
{
    return MouseTo(point.x, point.y);
}
bool MouseDown();
bool MouseUp();
// A click at a point of the window, given as fractions of its width and height.
bool ClickIn(HWND window, double xFraction = 0.5, double yFraction = 0.5);
bool Keys(const char *keys);
// Types plain ASCII text.
bool Type(const char *text);

// The clipboard's text (CF_TEXT, Shift-JIS), as another program puts it there and reads it back.
bool SetClipboardText(const std::string &text);
std::string ClipboardText();
// The whole block of the clipboard's text, as large as its owner made it.
std::vector<uint8_t> ClipboardBytes();

// Files.
std::vector<uint8_t> ReadFileBytes(const std::string &path);
bool WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes);
bool FileExists(const std::string &path);

// Memo files, built and read independently of the program under test.
struct Entry
{
    std::string description, keyPath, valueName;
    bool keyOnly = false;
};
std::vector<uint8_t> MemoBytes(const std::vector<Entry> &entries);
// False when the bytes are not a well-formed memo.
bool ParseMemo(const std::vector<uint8_t> &bytes, std::vector<Entry> *entries);
std::vector<std::string> Descriptions(const std::vector<Entry> &entries);

// Memory in another process, for list-view and tree-view messages that carry pointers.
class RemoteMemory
{
  public:
    RemoteMemory(HWND window, SIZE_T cbSize);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory &) = delete;
    RemoteMemory &operator=(const RemoteMemory &) = delete;
    void *address() const
    {
        return remote_;
    }
    bool Write(const void *data, SIZE_T cb, SIZE_T offset = 0);
    bool Read(void *data, SIZE_T cb, SIZE_T offset = 0);

  private:
    HANDLE process_ = nullptr;
    void *remote_ = nullptr;
};

// Live GDI objects of a process, read from its GDI handle table (GetGuiResources answers 0 under Wine):
// the table's address is in the process's PEB; a used entry has a non-zero type byte. -1 when unreadable.
int GdiObjectCount(HANDLE process);

// List-view helpers across the process boundary.
int ListItemCount(HWND list);
int ListSelectedItem(HWND list);
RECT ListSubItemRect(HWND list, int item, int subItem);
int ListColumnWidth(HWND list, int column);

} // namespace driver
