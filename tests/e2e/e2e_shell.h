// Helpers of the shell's end-to-end tests: the program in a test folder of its own, its settings file,
// its menus (read through the probe hook), column titles, the size grip's pixels and real mouse drags.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/settings_record.h"
#include "tests/support/session.h"

namespace shell_e2e
{

const int kButtons[] = {IDC_OPEN, IDC_ADD, IDC_DELETE, IDC_CHANGE, IDC_IMPORT};

// A child's rectangle in the main window's client coordinates.
inline RECT ClientRectOf(const driver::Session &tarmik, int id)
{
    RECT rect;
    GetWindowRect(tarmik.Item(id), &rect);
    MapWindowPoints(nullptr, tarmik.main(), (POINT *)&rect, 2);
    return rect;
}

inline std::vector<uint8_t> RecordBytes(const Settings &record)
{
    const uint8_t *bytes = (const uint8_t *)&record;
    return std::vector<uint8_t>(bytes, bytes + sizeof record);
}

inline Settings RememberedSettings(uint8_t flags, SettingsRect normal, std::vector<int> widths)
{
    Settings settings;
    BuildDefaultSettings(&settings);
    settings.placementFlags = flags;
    settings.normalRect = normal;
    for (int i = 0; i < 3; ++i) settings.columnWidths[i] = widths[i];
    return settings;
}

inline std::string ColumnTitle(HWND list, int column)
{
    driver::RemoteMemory remote(list, sizeof(LVCOLUMNA) + 64);
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = (char *)remote.address() + sizeof info;
    info.cchTextMax = 64;
    remote.Write(&info, sizeof info);
    SendMessageA(list, LVM_GETCOLUMNA, column, (LPARAM)remote.address());
    char text[65] = "";
    remote.Read(text, 64, sizeof info);
    return text;
}

// Menu items as the program holds them, read inside its thread by the probe hook.
struct MenuState
{
    bool read = false;
    std::vector<std::string> popups;
    std::map<UINT, std::pair<UINT, std::string>> items; // id -> state, text
    std::string Text(UINT id) const
    {
        auto found = items.find(id);
        return found == items.end() ? "?" : found->second.second;
    }
    bool Grayed(UINT id) const
    {
        auto found = items.find(id);
        return found != items.end() && (found->second.first & MF_GRAYED);
    }
    bool Has(UINT id) const
    {
        return items.count(id) != 0;
    }
};

// Sends the probe message to `window` with the probe hook in its thread; what the hook wrote, or "?".
inline std::string Probe(HWND window, WPARAM which)
{
    std::string result = "?";
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dll(path);
    dll = dll.substr(0, dll.find_last_of('\\')) + "\\e2e_shell_probe.dll";
    HMODULE library = LoadLibraryA(dll.c_str());
    HOOKPROC hook = library ? (HOOKPROC)(void *)GetProcAddress(library, "ShellProbeHook") : nullptr;
    const DWORD cbShared = 16384;
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, cbShared, "TarmikShellProbe");
    char *shared = section ? (char *)MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, cbShared) : nullptr;
    HHOOK installed =
        hook ? SetWindowsHookExA(WH_CALLWNDPROC, hook, library, GetWindowThreadProcessId(window, nullptr)) : nullptr;
    if (shared && installed)
    {
        shared[0] = 0;
        DWORD_PTR ignored;
        if (SendMessageTimeoutA(window, RegisterWindowMessageA("TarmikShellProbe"), which, 0, SMTO_NORMAL, 5000,
                                &ignored))
            result.assign(shared, strnlen(shared, cbShared));
    }
    if (installed) UnhookWindowsHookEx(installed);
    if (shared) UnmapViewOfFile(shared);
    if (section) CloseHandle(section);
    if (library) FreeLibrary(library);
    return result;
}

inline MenuState ProbeMenus(HWND window, WPARAM which)
{
    MenuState state;
    std::istringstream lines(Probe(window, which));
    std::string line;
    while (std::getline(lines, line))
    {
        size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
        std::string first = line.substr(0, tab1), second = line.substr(tab1 + 1, tab2 - tab1 - 1);
        std::string text = line.substr(tab2 + 1);
        if (first == "P")
            state.popups.push_back(text);
        else
            state.items[(UINT)strtoul(first.c_str(), nullptr, 10)] = {(UINT)strtoul(second.c_str(), nullptr, 10), text};
    }
    state.read = !state.items.empty();
    return state;
}

// The face of the font the main window was built with.
inline std::string WindowFace(const driver::Session &tarmik)
{
    return Probe(tarmik.main(), 2);
}

// A visible pop-up menu window of the process, or 0.
inline HWND PopupMenuOf(DWORD pid)
{
    return driver::FindWindowOf(pid, "#32768");
}

// The main menu, and the list context menu (opened from the keyboard, read, saved as a screenshot
// when named, closed again).
inline MenuState ReadMenus(driver::Session &tarmik, const char *screenshot = nullptr)
{
    MenuState state = ProbeMenus(tarmik.main(), 0);
    PostMessageA(tarmik.main(), WM_CONTEXTMENU, (WPARAM)tarmik.Item(IDC_MEMOLIST), -1);
    HWND popup = driver::WaitForWindowOf(tarmik.program().pid, "#32768", nullptr, 5000);
    if (!popup)
    {
        state.read = false;
        return state;
    }
    if (screenshot)
    {
        tarmik.Settle();
        driver::Screenshot(popup, screenshot);
    }
    MenuState context = ProbeMenus(popup, 1);
    state.read = state.read && context.read;
    state.items.insert(context.items.begin(), context.items.end());
    SendMessageA(tarmik.main(), WM_CANCELMODE, 0, 0);
    driver::WaitFor([&] { return !PopupMenuOf(tarmik.program().pid); }, 2000);
    tarmik.Settle();
    return state;
}

// Pixels of the size-grip square that are not the button face: 0 when no grip is drawn.
inline int GripMarks(HWND main)
{
    RECT client;
    GetClientRect(main, &client);
    POINT corner = {client.right, client.bottom};
    ClientToScreen(main, &corner);
    int width = GetSystemMetrics(SM_CXVSCROLL), height = GetSystemMetrics(SM_CYHSCROLL);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    int marks = 0;
    for (int y = corner.y - height; y < corner.y; ++y)
        for (int x = corner.x - width; x < corner.x; ++x) marks += driver::ScreenPixel(x, y) != face;
    return marks;
}

// The main window's client rectangle once it has stopped changing and the program is idle, so that
// input that went through the X server and the painting after it have been handled.
inline RECT ClientWhenSettled(driver::Session &tarmik)
{
    RECT last = {}, now = {};
    for (int i = 0; i < 50; ++i)
    {
        Sleep(60);
        tarmik.Settle();
        GetClientRect(tarmik.main(), &now);
        if (i > 0 && EqualRect(&now, &last)) break;
        last = now;
    }
    return now;
}

// A real left-button drag from one screen point to another.
inline bool DragWithMouse(int fromX, int fromY, int toX, int toY)
{
    auto at = [](int x, int y) { return std::to_string(x) + " " + std::to_string(y); };
    return driver::Xdotool("mousemove " + at(fromX, fromY)) && driver::Xdotool("mousedown 1") &&
           driver::Xdotool("mousemove " + at((fromX + toX) / 2, (fromY + toY) / 2)) &&
           driver::Xdotool("mousemove " + at(toX, toY)) && driver::Xdotool("mouseup 1");
}

} // namespace shell_e2e
