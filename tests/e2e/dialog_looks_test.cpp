// What the entry and open-key dialogs look like on each system (screenshots under the build folder),
// the root-key button's looks, and that opening and closing the dialogs leaves no GDI or USER object behind.

#include <algorithm>

#include "tests/e2e/dialog_session.h"

using namespace dialogs;
using namespace driver;

struct SystemLook
{
    const char *version;
    const char *keyLabel;
    const char *cancel;
};

static const SystemLook kSystems[] = {
    {"winxp", "キー(&K):", "キャンセル"},
    {"win2k", "キー(&K):", "キャンセル"},
    {"nt40", "ｷｰ(&K):", "ｷｬﾝｾﾙ"},
};

// The screen pixels of a window, row by row.
struct Pixels
{
    RECT rect = {};
    std::vector<COLORREF> colours;

    explicit Pixels(HWND window)
    {
        rect = ScreenRect(window);
        HDC screen = GetDC(nullptr);
        for (int y = rect.top; y < rect.bottom; ++y)
        {
            for (int x = rect.left; x < rect.right; ++x) colours.push_back(GetPixel(screen, x, y) & 0xFFFFFF);
        }
        ReleaseDC(nullptr, screen);
    }
    int width() const
    {
        return rect.right - rect.left;
    }
    int height() const
    {
        return rect.bottom - rect.top;
    }
    COLORREF at(int x, int y) const
    {
        return colours[(size_t)y * width() + x];
    }

    // The bounding box of the pixels of `colour` inside the one-pixel edge.
    RECT Box(COLORREF colour) const
    {
        RECT box = {width(), height(), -1, -1};
        for (int y = 1; y < height() - 1; ++y)
        {
            for (int x = 1; x < width() - 1; ++x)
            {
                if (at(x, y) != colour) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }
};

static bool IsThemed()
{
    HMODULE uxtheme = LoadLibraryA("uxtheme.dll");
    if (!uxtheme) return false;
    typedef BOOL(WINAPI * IsAppThemedProc)(void);
    IsAppThemedProc isAppThemed = (IsAppThemedProc)(void *)GetProcAddress(uxtheme, "IsAppThemed");
    const bool themed = isAppThemed && isAppThemed();
    FreeLibrary(uxtheme);
    return themed;
}

// Screenshots of the root-key button at rest, under the pointer and with its menu open; on a classic
// look also checks the raised edge, the sunken edge and the face shifted by one pixel.
static void CheckRootButton(driver::Session &session, HWND dialog, int buttonId, const std::string &name, bool classic)
{
    HWND button = GetDlgItem(dialog, buttonId);
    MouseTo(0, 0);
    Sleep(300);
    Pixels normal(button);
    driver::Screenshot(button, name + "_button_normal");
    RECT rect = ScreenRect(button);
    MouseTo((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    MouseTo((rect.left + rect.right) / 2 + 1, (rect.top + rect.bottom) / 2);
    Sleep(300);
    Pixels hot(button);
    driver::Screenshot(button, name + "_button_hot");
    driver::Xdotool("click 1");
    ASSERT_TRUE(WaitFor([&] { return PopupMenu(session) != nullptr; }));
    Sleep(300);
    Pixels pressed(button);
    driver::Screenshot(button, name + "_button_pressed");
    driver::Screenshot(dialog, name + "_menu_open");
    Keys("Escape");
    ASSERT_TRUE(WaitForMenuClosed(session));

    const COLORREF text = GetSysColor(COLOR_BTNTEXT), light = GetSysColor(COLOR_BTNHIGHLIGHT),
                   shadow = GetSysColor(COLOR_BTNSHADOW);
    if (!classic)
    {
        EXPECT_NE(hot.colours, normal.colours) << name << ": the themed button has a hot look";
        EXPECT_NE(pressed.colours, hot.colours) << name << ": and a pressed one";
        return;
    }
    const int w = normal.width(), h = normal.height();
    RECT faceNormal = normal.Box(text), facePressed = pressed.Box(text);
    EXPECT_EQ(faceNormal.right - faceNormal.left, 19) << name << ": the face is 19 pixels wide";
    EXPECT_EQ(faceNormal.bottom - faceNormal.top, 7) << name << ": and 7 high";
    EXPECT_EQ(normal.at(0, 0), light) << name << ": raised edge, light top-left";
    EXPECT_EQ(normal.at(w - 1, h - 1), shadow) << name << ": raised edge, dark bottom-right";
    EXPECT_EQ(hot.colours, normal.colours) << name << ": the classic button has no hot look";
    EXPECT_EQ(pressed.at(0, 0), shadow) << name << ": sunken edge while the menu is open";
    EXPECT_EQ(pressed.at(w - 1, h - 1), light) << name;
    EXPECT_EQ(facePressed.left, faceNormal.left + 1) << name << ": the face moves one pixel right";
    EXPECT_EQ(facePressed.top, faceNormal.top + 1) << name << ": and one down";
}

// The lowest of a few readings: an object of the moment (a caret, a DC being released) comes and goes,
// one left behind stays.
static int LowestGdiObjectCount(HANDLE process)
{
    int lowest = driver::GdiObjectCount(process);
    for (int i = 0; i < 3; ++i)
    {
        Sleep(300);
        lowest = std::min(lowest, driver::GdiObjectCount(process));
    }
    return lowest;
}

static BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*(int *)lParam;
    return TRUE;
}

struct TopLevelCount
{
    DWORD pid;
    int windows;
};

static BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam)
{
    TopLevelCount *count = (TopLevelCount *)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != count->pid) return TRUE;
    ++count->windows;
    EnumChildWindows(window, CountChild, (LPARAM)&count->windows);
    return TRUE;
}

// Every window of the process, hidden ones and children included.
static int WindowCount(DWORD pid)
{
    TopLevelCount count = {pid, 0};
    EnumWindows(CountTopLevel, (LPARAM)&count);
    return count.windows;
}

// The tip window's registered tools (the memo list's own, plus the fields of an open dialog).
static int ToolCount(DWORD pid)
{
    struct Search
    {
        DWORD pid;
        HWND tip;
    } search = {pid, nullptr};
    EnumWindows(
        [](HWND window, LPARAM lParam) CALLBACK -> BOOL {
            Search *s = (Search *)lParam;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid && driver::GetClass(window) == "tooltips_class32")
            {
                s->tip = window;
                return FALSE;
            }
            return TRUE;
        },
        (LPARAM)&search);
    return search.tip ? (int)SendMessageA(search.tip, TTM_GETTOOLCOUNT, 0, 0) : -1;
}

TEST(DialogLooks, EachSystemDrawsBothDialogs)
{
    printf("visual styles in force for this prefix: %s\n", IsThemed() ? "yes" : "no (Wine reports no theme)");
    for (const SystemLook &system : kSystems)
    {
        SCOPED_TRACE(system.version);
        driver::Session session(std::string("looks_") + system.version, system.version);
        ASSERT_TRUE(session.Open({{"key only", "HKLM\\SOFTWARE", "", true}}));
        const bool classic = std::string(system.version) != "winxp" || !IsThemed();

        session.SelectRow(0);
        HWND dialog = OpenDialog(session, IDM_CHANGE, "変更");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_KEYLABEL)), system.keyLabel);
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDCANCEL)), system.cancel);
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_ENTRY_CAPTURE)), "取り込み(&I)");
        EXPECT_TRUE(Visible(GetDlgItem(GetDlgItem(dialog, IDC_ENTRY_VALUENAME), IDC_ENTRY_KEYBADGE)));
        MouseTo(0, 0);
        Sleep(300);
        driver::Screenshot(dialog, std::string("entry_dialog_") + system.version);
        CheckRootButton(session, dialog, IDC_ENTRY_ROOTBUTTON, std::string("entry_dialog_") + system.version, classic);
        ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));

        dialog = OpenDialog(session, IDM_OPENKEY, "開く");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDC_OPENKEY_KEYLABEL)), system.keyLabel);
        EXPECT_EQ(driver::GetText(GetDlgItem(dialog, IDCANCEL)), system.cancel);
        SetText(GetDlgItem(dialog, IDC_OPENKEY_KEYPATH), "HKEY_CURRENT_USER\\Software");
        MouseTo(0, 0);
        Sleep(300);
        driver::Screenshot(dialog, std::string("open_key_dialog_") + system.version);
        CheckRootButton(session, dialog, IDC_OPENKEY_ROOTBUTTON, std::string("open_key_dialog_") + system.version,
                        classic);
        ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    }
}

TEST(DialogLooks, OpeningAndClosingLeavesNoObjectBehind)
{
    driver::Session session("dialog_leaks", "winxp");
    ASSERT_TRUE(session.Open({{"key only", "HKLM\\SOFTWARE", "", true}}));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, session.pid());
    ASSERT_TRUE(process);
    session.SelectRow(0);

    struct Kind
    {
        int command;
        const char *title;
    } const kinds[] = {{IDM_ADD, "追加"}, {IDM_CHANGE, "変更"}, {IDM_OPENKEY, "開く"}};
    auto cycle = [&](const Kind &kind) {
        HWND dialog = OpenDialog(session, kind.command, kind.title, false);
        if (!dialog) return false;
        // Painted once: the root-key button and, for the key-only entry, the badge.
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        session.Settle();
        return driver::PressButton(dialog, IDCANCEL) && WaitFor([&] { return !IsWindow(dialog); });
    };
    // Rounds of all three, so that both counts are taken at the same point. The first rounds give
    // Wine the seconds it takes to fill its caches (fonts linked for the Japanese texts among them),
    // which grow by a few dozen objects at moments of their own.
    auto round = [&](const char *what, int n) {
        for (const Kind &kind : kinds)
        {
            if (!cycle(kind))
            {
                ADD_FAILURE() << what << " " << n << ": " << kind.title;
                return false;
            }
        }
        return true;
    };
    // The pointer away from every window, so that no tip comes and goes while the objects are counted.
    MouseTo(1270, 1010);
    for (int n = 0; n < 50; ++n) ASSERT_TRUE(round("warm-up", n));
    const int gdiBefore = LowestGdiObjectCount(process), windowsBefore = WindowCount(session.pid()),
              toolsBefore = ToolCount(session.pid());
    ASSERT_GT(gdiBefore, 0) << "the GDI table can be read";
    for (int n = 0; n < 200; ++n) ASSERT_TRUE(round("round", n));
    const int gdiAfter = LowestGdiObjectCount(process), windowsAfter = WindowCount(session.pid()),
              toolsAfter = ToolCount(session.pid());
    printf("GDI objects %d -> %d, windows %d -> %d, tip tools %d -> %d after 200 x 3 dialogs\n", gdiBefore, gdiAfter,
           windowsBefore, windowsAfter, toolsBefore, toolsAfter);
    // Wine's caches still add a dozen objects or so at moments of their own, more on a busy machine; an
    // object left behind by any one of the three dialogs would add 200.
    EXPECT_LT(gdiAfter - gdiBefore, 50);
    EXPECT_EQ(windowsAfter, windowsBefore);
    EXPECT_EQ(toolsAfter, toolsBefore);
    CloseHandle(process);
}
