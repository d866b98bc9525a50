#include "tests/support/driver.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <winternl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tests/support/png.h"

namespace driver
{

static std::string EnvPath(const char *name)
{
    const char *value = getenv(name);
    return value ? WindowsPath(value) : std::string(".");
}

static void RemoveTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
    {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            {
                RemoveTree(child);
            }
            else
            {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

static void MakeDirectories(const std::string &path)
{
    for (size_t i = 3; i <= path.size(); ++i)
    {
        if (i == path.size() || path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    }
}

struct FindArgs
{
    DWORD pid;
    const char *className;
    const char *title;
    std::vector<HWND> found;
    bool hiddenToo;
};

static BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam)
{
    FindArgs *args = (FindArgs *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != args->pid || (!args->hiddenToo && !IsWindowVisible(window))) return TRUE;
    if (args->className && GetClass(window) != args->className) return TRUE;
    if (args->title && GetText(window) != args->title) return TRUE;
    args->found.push_back(window);
    return TRUE;
}

static void Put16(std::vector<uint8_t> *out, unsigned value)
{
    out->push_back((uint8_t)value);
    out->push_back((uint8_t)(value >> 8));
}

std::string WindowsPath(const std::string &unixPath)
{
    if (unixPath.size() > 1 && unixPath[1] == ':') return unixPath;
    std::string path = "Z:" + unixPath;
    for (char &c : path)
    {
        if (c == '/') c = '\\';
    }
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

std::string BuildDir()
{
    return EnvPath("TARMIK_BUILD");
}
std::string SourceDir()
{
    return EnvPath("TARMIK_SOURCE");
}

std::string MakeTestFolder(const std::string &name, const char *program)
{
    std::string folder = BuildDir() + "\\e2e\\" + name;
    RemoveTree(folder);
    MakeDirectories(folder);
    if (program) CopyFileA((BuildDir() + "\\" + program).c_str(), (folder + "\\" + program).c_str(), FALSE);
    return folder;
}

void SetWindowsVersion(const char *program, const char *version)
{
    std::string path = std::string("Software\\Wine\\AppDefaults\\") + program;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (version && *version)
        RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE *)version, (DWORD)(strlen(version) + 1));
    else
        RegDeleteValueA(key, "Version");
    RegCloseKey(key);
}

static const char kDesktopKey[] = "Control Panel\\Desktop";

SystemDpi::SystemDpi(int dpi)
{
    DWORD type = 0, cb = sizeof previous_, value = (DWORD)dpi;
    hadSetting_ = SHGetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", &type, &previous_, &cb) == ERROR_SUCCESS &&
                  type == REG_DWORD;
    SHSetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &value, sizeof value);
}

SystemDpi::~SystemDpi()
{
    if (hadSetting_)
        SHSetValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &previous_, sizeof previous_);
    else
        SHDeleteValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
}

bool Start(Program *program, const std::string &exePath, const std::string &tail, int show)
{
    std::string commandLine = "\"" + exePath + "\"";
    if (!tail.empty()) commandLine += " " + tail;
    std::string folder = exePath.substr(0, exePath.find_last_of('\\'));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)show;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(exePath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    program->process = info.hProcess;
    program->pid = info.dwProcessId;
    program->mainWindow = nullptr;
    return true;
}

HWND WaitForMainWindow(Program *program, const char *className, DWORD timeoutMs)
{
    program->mainWindow = WaitForWindowOf(program->pid, className, nullptr, timeoutMs);
    if (program->mainWindow) Settle(*program);
    return program->mainWindow;
}

DWORD WaitForExit(Program *program, DWORD timeoutMs)
{
    if (!program->process) return 0;
    WaitForSingleObject(program->process, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(program->process, &code);
    return code;
}

void Kill(Program *program)
{
    if (!program->process) return;
    TerminateProcess(program->process, 1);
    WaitForSingleObject(program->process, 5000);
    CloseHandle(program->process);
    *program = Program();
}

void Stop(Program *program)
{
    if (!program->process) return;
    if (program->mainWindow && IsWindow(program->mainWindow))
    {
        PostMessageA(program->mainWindow, WM_CLOSE, 0, 0);
        for (int i = 0; i < 50 && WaitForSingleObject(program->process, 100) == WAIT_TIMEOUT; ++i)
        {
            MessageBoxInfo box;
            if (WaitForMessageBox(program->pid, &box, 0)) PressButton(box.window, IDNO, 1000);
        }
    }
    Kill(program);
}

std::vector<HWND> WindowsOf(DWORD pid)
{
    FindArgs args = {pid, nullptr, nullptr, {}, false};
    EnumWindows(CollectWindow, (LPARAM)&args);
    return args.found;
}

HWND FindWindowOf(DWORD pid, const char *className, const char *title, bool hiddenToo)
{
    FindArgs args = {pid, className, title, {}, hiddenToo};
    EnumWindows(CollectWindow, (LPARAM)&args);
    return args.found.empty() ? nullptr : args.found.front();
}

HWND WaitForWindowOf(DWORD pid, const char *className, const char *title, DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitFor([&] { return (window = FindWindowOf(pid, className, title)) != nullptr; }, timeoutMs);
    return window;
}

static HWND FindMessageBox(DWORD pid)
{
    for (HWND window : WindowsOf(pid))
    {
        if (GetClass(window) == "#32770" && GetDlgItem(window, 0xFFFF)) return window;
    }
    return nullptr;
}

bool WaitForMessageBox(DWORD pid, MessageBoxInfo *info, DWORD timeoutMs)
{
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = FindMessageBox(pid)) != nullptr; }, timeoutMs)) return false;
    info->window = window;
    info->caption = GetText(window);
    info->text = GetText(GetDlgItem(window, 0xFFFF));
    info->buttons.clear();
    info->defaultButton = 0;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
    {
        HWND button = GetDlgItem(window, id);
        if (!button || !IsWindowVisible(button)) continue;
        info->buttons.push_back(id);
        if ((GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) info->defaultButton = id;
    }
    return true;
}

// The system icon drawn as a message box draws it, on the dialog face colour.
static std::vector<uint32_t> Reference(LPCSTR which, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(memory, &all, face);
    DeleteObject(face);
    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, which), 0, 0, 0, nullptr, DI_NORMAL);
    SelectObject(memory, old);
    HDC reader = CreateCompatibleDC(screen);
    old = SelectObject(reader, bitmap);
    std::vector<uint32_t> pixels = CapturePixels(reader, RECT{0, 0, width, height});
    SelectObject(reader, old);
    DeleteDC(reader);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

static long long Distance(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b)
{
    long long sum = 0;
    for (size_t i = 0; i < a.size(); i++)
    {
        for (int shift = 0; shift < 24; shift += 8)
        {
            int d = (int)((a[i] >> shift) & 0xFF) - (int)((b[i] >> shift) & 0xFF);
            sum += d < 0 ? -d : d;
        }
    }
    return sum;
}

Icon MessageBoxIcon(HWND box)
{
    HWND control = nullptr;
    for (HWND child = GetWindow(box, GW_CHILD); child && !control; child = GetWindow(child, GW_HWNDNEXT))
    {
        if (GetClass(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) control = child;
    }
    if (!control || !IsWindowVisible(control)) return Icon::None;
    const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    const struct
    {
        LPCSTR id;
        Icon icon;
    } kCandidates[] = {{IDI_HAND, Icon::Hand},
                       {IDI_QUESTION, Icon::Question},
                       {IDI_EXCLAMATION, Icon::Exclamation},
                       {IDI_ASTERISK, Icon::Asterisk}};
    std::vector<std::vector<uint32_t>> references;
    for (const auto &candidate : kCandidates) references.push_back(Reference(candidate.id, width, height));
    // The other process paints on its own time, and until it has, the screen shows something else there:
    // the icon is the one the pixels match, once they match one (a mean difference of a few levels, for
    // the blending of its edges).
    const long long kMatch = 4LL * 3 * width * height;
    Icon shown = Icon::None;
    WaitFor([&] {
        RECT rect;
        GetWindowRect(control, &rect);
        std::vector<uint32_t> pixels =
            CapturePixels(nullptr, RECT{rect.left, rect.top, rect.left + width, rect.top + height});
        for (size_t i = 0; i < references.size(); i++)
        {
            if (Distance(pixels, references[i]) < kMatch) shown = kCandidates[i].icon;
        }
        return shown != Icon::None;
    });
    return shown;
}

bool PressButton(HWND dialog, int id, DWORD timeoutMs)
{
    HWND button = GetDlgItem(dialog, id);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
    return WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, timeoutMs);
}

std::string GetText(HWND window)
{
    char text[4096] = "";
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 3000, nullptr);
    return text;
}

std::string GetClass(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string GetMenuText(HMENU menu, UINT item, bool byPosition)
{
    char text[256] = "";
    GetMenuStringA(menu, item, text, sizeof text, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    return text;
}

void Settle(const Program &program, DWORD timeoutMs)
{
    if (program.mainWindow)
    {
        DWORD_PTR ignored;
        SendMessageTimeoutA(program.mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
    }
    if (program.process) WaitForInputIdle(program.process, timeoutMs);
}

std::vector<uint32_t> CapturePixels(HDC source, const RECT &rect)
{
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    HDC screen = source ? nullptr : GetDC(nullptr);
    HDC from = source ? source : screen;
    HDC memory = CreateCompatibleDC(from);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(from, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap)
    {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, from, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        const uint32_t *bgrx = (const uint32_t *)bits;
        pixels.assign(bgrx, bgrx + (size_t)width * height);
        for (uint32_t &pixel : pixels) pixel &= 0x00FFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    if (screen) ReleaseDC(nullptr, screen);
    return pixels;
}

std::string SavePng(const std::string &name, int width, int height, const std::vector<uint32_t> &pixels)
{
    if (width <= 0 || height <= 0 || pixels.size() != (size_t)width * height) return "";
    std::vector<uint8_t> rgb(pixels.size() * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
    {
        rgb[i * 3] = (uint8_t)(pixels[i] >> 16);
        rgb[i * 3 + 1] = (uint8_t)(pixels[i] >> 8);
        rgb[i * 3 + 2] = (uint8_t)pixels[i];
    }
    std::string folder = BuildDir() + "\\screenshots";
    MakeDirectories(folder);
    std::string path = folder + "\\" + name + ".png";
    return WriteFileBytes(path, EncodePng(width, height, rgb)) ? path : "";
}

std::string Screenshot(HWND window, const std::string &name)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return SavePng(name, rect.right - rect.left, rect.bottom - rect.top, CapturePixels(nullptr, rect));
}

std::string ScreenshotWhenPainted(HWND window, const std::string &name)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &ignored);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine draws to the display on its own time; no message tells when the pixels are there.
    Sleep(300);
    return Screenshot(window, name);
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return colour;
}

// Runs a Unix program (Wine starts it by its path) and waits for it.
static bool RunUnixProgram(const std::string &commandLine)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    WaitForSingleObject(info.hProcess, 10000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

bool Xdotool(const std::string &arguments)
{
    if (!RunUnixProgram("/usr/bin/xdotool " + arguments)) return false;
    // X input reaches Wine's windows asynchronously.
    Sleep(50);
    return true;
}

bool WaitForXFocus(HWND window, DWORD timeoutMs)
{
    // Wine keeps the X window of each top-level window in this property.
    const UINT_PTR xWindow = (UINT_PTR)GetPropA(GetAncestor(window, GA_ROOT), "__wine_x11_whole_window");
    if (!xWindow) return false;
    const std::string file = "/tmp/tarmik-xfocus-" + std::to_string(GetCurrentProcessId());
    const std::string command = "/bin/sh -c \"/usr/bin/xdotool getwindowfocus -f >" + file + "\"";
    bool focused = WaitFor(
        [&] {
            if (!RunUnixProgram(command)) return false;
            std::vector<uint8_t> text = ReadFileBytes(WindowsPath(file));
            text.push_back(0);
            return strtoull((const char *)text.data(), nullptr, 10) == xWindow;
        },
        timeoutMs);
    DeleteFileA(WindowsPath(file).c_str());
    return focused;
}

bool MouseTo(int x, int y)
{
    return Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y));
}

bool MouseDown()
{
    return Xdotool("mousedown 1");
}

bool MouseUp()
{
    return Xdotool("mouseup 1");
}

bool ClickIn(HWND window, double xFraction, double yFraction)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    MouseTo(rect.left + (int)((rect.right - rect.left) * xFraction),
            rect.top + (int)((rect.bottom - rect.top) * yFraction));
    return Xdotool("click 1");
}

bool Keys(const char *keys)
{
    return Xdotool(std::string("key --delay 30 ") + keys);
}

bool Type(const char *text)
{
    return Xdotool(std::string("type --delay 20 \"") + text + "\"");
}

bool SetClipboardText(const std::string &text)
{
    if (!OpenClipboard(nullptr)) return false;
    bool placed = false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    char *copy = block ? (char *)GlobalLock(block) : nullptr;
    if (copy)
    {
        memcpy(copy, text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        placed = EmptyClipboard() && SetClipboardData(CF_TEXT, block);
    }
    if (!placed && block) GlobalFree(block);
    CloseClipboard();
    return placed;
}

std::string ClipboardText()
{
    std::string text = "(no text)";
    if (!OpenClipboard(nullptr)) return "(clipboard not opened)";
    HANDLE block = GetClipboardData(CF_TEXT);
    const char *data = block ? (const char *)GlobalLock(block) : nullptr;
    if (data)
    {
        text = data;
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

std::vector<uint8_t> ClipboardBytes()
{
    std::vector<uint8_t> bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    HANDLE block = GetClipboardData(CF_TEXT);
    const uint8_t *data = block ? (const uint8_t *)GlobalLock(block) : nullptr;
    if (data)
    {
        bytes.assign(data, data + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string &path)
{
    std::vector<uint8_t> bytes;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE)
    {
        bytes.resize(size);
        DWORD read = 0;
        if (size && !ReadFile(file, bytes.data(), size, &read, nullptr)) read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<uint8_t> MemoBytes(const std::vector<Entry> &entries)
{
    std::vector<uint8_t> out;
    Put16(&out, 4);
    Put16(&out, 1);
    Put16(&out, (unsigned)entries.size());
    for (const Entry &entry : entries)
    {
        Put16(&out, (unsigned)entry.description.size());
        Put16(&out, (unsigned)entry.keyPath.size());
        Put16(&out, entry.keyOnly ? 0xFFFF : (unsigned)entry.valueName.size());
        out.insert(out.end(), entry.description.begin(), entry.description.end());
        out.insert(out.end(), entry.keyPath.begin(), entry.keyPath.end());
        if (!entry.keyOnly) out.insert(out.end(), entry.valueName.begin(), entry.valueName.end());
    }
    return out;
}

bool ParseMemo(const std::vector<uint8_t> &bytes, std::vector<Entry> *entries)
{
    entries->clear();
    size_t at = 0;
    auto read16 = [&](unsigned *value) {
        if (bytes.size() - at < 2) return false;
        *value = bytes[at] | (bytes[at + 1] << 8);
        at += 2;
        return true;
    };
    auto readText = [&](unsigned length, std::string *text) {
        if (bytes.size() - at < length) return false;
        text->assign((const char *)bytes.data() + at, length);
        at += length;
        return true;
    };
    unsigned headerSize, version, count;
    if (!read16(&headerSize) || headerSize < 4 || !read16(&version) || !read16(&count)) return false;
    if (version == 1 && headerSize != 4) return false;
    if (bytes.size() - at < headerSize - 4) return false;
    at += headerSize - 4;
    for (unsigned i = 0; i < count; ++i)
    {
        unsigned description, keyPath, valueName;
        if (!read16(&description) || !read16(&keyPath) || !read16(&valueName)) return false;
        Entry entry;
        entry.keyOnly = valueName == 0xFFFF;
        if (!readText(description, &entry.description) || !readText(keyPath, &entry.keyPath) ||
            !readText(entry.keyOnly ? 0 : valueName, &entry.valueName))
            return false;
        entries->push_back(entry);
    }
    return true;
}

std::vector<std::string> Descriptions(const std::vector<Entry> &entries)
{
    std::vector<std::string> out;
    for (const Entry &entry : entries) out.push_back(entry.description);
    return out;
}

RemoteMemory::RemoteMemory(HWND window, SIZE_T cbSize)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) remote_ = VirtualAllocEx(process_, nullptr, cbSize, MEM_COMMIT, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory()
{
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

bool RemoteMemory::Write(const void *data, SIZE_T cb, SIZE_T offset)
{
    SIZE_T done = 0;
    return remote_ && WriteProcessMemory(process_, (char *)remote_ + offset, data, cb, &done) && done == cb;
}

bool RemoteMemory::Read(void *data, SIZE_T cb, SIZE_T offset)
{
    SIZE_T done = 0;
    return remote_ && ReadProcessMemory(process_, (char *)remote_ + offset, data, cb, &done) && done == cb;
}

int GdiObjectCount(HANDLE process)
{
    DWORD count = GetGuiResources(process, GR_GDIOBJECTS);
    if (count) return (int)count;
    typedef LONG(NTAPI * QueryProc)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProc query = (QueryProc)((void *)(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return -1;
    const SIZE_T kTableInPeb = sizeof(void *) == 8 ? 0xF8 : 0x94; // GdiSharedHandleTable
    UINT_PTR table = 0;
    if (!ReadProcessMemory(process, (BYTE *)basic.PebBaseAddress + kTableInPeb, &table, sizeof table, nullptr) ||
        !table)
        return -1;
    const SIZE_T kEntries = 0x10000, cbEntry = 24, kTypeOffset = 14;
    std::vector<BYTE> entries(kEntries * cbEntry);
    if (!ReadProcessMemory(process, (const void *)table, entries.data(), entries.size(), nullptr)) return -1;
    int used = 0;
    for (SIZE_T i = 0; i < kEntries; ++i) used += entries[i * cbEntry + kTypeOffset] != 0;
    return used;
}

int ListItemCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

int ListSelectedItem(HWND list)
{
    return (int)(SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED));
}

RECT ListSubItemRect(HWND list, int item, int subItem)
{
    RECT rect = {LVIR_BOUNDS, subItem, 0, 0};
    RemoteMemory remote(list, sizeof rect);
    if (!remote.Write(&rect, sizeof rect)) return RECT{};
    SendMessageA(list, LVM_GETSUBITEMRECT, item, (LPARAM)remote.address());
    remote.Read(&rect, sizeof rect);
    return rect;
}

int ListColumnWidth(HWND list, int column)
{
    return (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0);
}

} // namespace driver
