// What the entry and open-key dialogs look like on each system (screenshots under the build folder),
// the root-key button's looks, every window at 96, 144 and 192 DPI, and that opening and closing the
// dialogs leaves no GDI or USER object behind.

#include <algorithm>

#include "tests/e2e/dialog_session.h"
#include "tests/e2e/e2e_shell.h"

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

static int Scaled(int pixels96, int dpi)
{
    return MulDiv(pixels96, dpi, 96);
}

// The screen pixels of a window or an area, row by row.
struct Pixels
{
    RECT rect = {};
    std::vector<COLORREF> colours;

    explicit Pixels(HWND window) : Pixels(ScreenRect(window)) {}
    explicit Pixels(const RECT &area) : rect(area)
    {
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
// look also checks the raised edge, the sunken edge and the face shifted by one pixel of its design.
static void CheckRootButton(driver::Session &session, HWND dialog, int buttonId, const std::string &name, bool classic,
                            int dpi = 96)
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
    EXPECT_EQ(faceNormal.right - faceNormal.left, Scaled(19, dpi)) << name << ": the face is 19 pixels wide at 96 DPI";
    EXPECT_EQ(faceNormal.bottom - faceNormal.top, Scaled(7, dpi)) << name << ": and 7 high";
    EXPECT_EQ(normal.at(0, 0), light) << name << ": raised edge, light top-left";
    EXPECT_EQ(normal.at(w - 1, h - 1), shadow) << name << ": raised edge, dark bottom-right";
    EXPECT_EQ(hot.colours, normal.colours) << name << ": the classic button has no hot look";
    EXPECT_EQ(pressed.at(0, 0), shadow) << name << ": sunken edge while the menu is open";
    EXPECT_EQ(pressed.at(w - 1, h - 1), light) << name;
    EXPECT_EQ(facePressed.left, faceNormal.left + Scaled(1, dpi)) << name << ": the face moves one pixel right";
    EXPECT_EQ(facePressed.top, faceNormal.top + Scaled(1, dpi)) << name << ": and one down";
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

// A text's extent in the windows' font at `dpi` ("MS UI Gothic", 9 points), as the program lays it out.
static SIZE TextExtent(const std::string &text, int dpi)
{
    HFONT font =
        CreateFontA(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT extent = {};
    DrawTextA(dc, text.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    DeleteObject(font);
    return SIZE{extent.right, extent.bottom};
}

// No visible control of `window` reaches out of its client area or into another, and each label and
// button has room for its whole text beside what the control draws itself (a push button's edges, a
// check box's box).
static void ExpectLaidOut(HWND window, int dpi, const std::string &name)
{
    RECT client, both;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, (POINT *)&client, 2);
    std::vector<HWND> shown;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (Visible(child)) shown.push_back(child);
    for (size_t i = 0; i < shown.size(); ++i)
    {
        const RECT rect = ScreenRect(shown[i]);
        const int id = GetDlgCtrlID(shown[i]);
        EXPECT_TRUE(IntersectRect(&both, &rect, &client) && EqualRect(&both, &rect)) << name << ": " << id << " is cut";
        for (size_t j = i + 1; j < shown.size(); ++j)
        {
            const RECT other = ScreenRect(shown[j]);
            EXPECT_FALSE(IntersectRect(&both, &rect, &other))
                << name << ": " << id << " overlaps " << GetDlgCtrlID(shown[j]);
        }
        const std::string kind = driver::GetClass(shown[i]);
        const LONG type = GetWindowLongA(shown[i], GWL_STYLE) & BS_TYPEMASK;
        const int room = kind == "Static" ? 0 : kind != "Button" ? -1 : Scaled(type <= BS_DEFPUSHBUTTON ? 6 : 16, dpi);
        if (room < 0) continue;
        EXPECT_LE(TextExtent(driver::GetText(shown[i]), dpi).cx + room, rect.right - rect.left)
            << name << ": the text of " << id << " does not fit";
    }
}

// The key badge at the left of `area` (its top-left corner `at` within it), at the DPI's size, in the
// two colours alone, and as high beside the text as at 96 DPI.
static void ExpectBadge(const RECT &area, POINT at, COLORREF text, COLORREF back, int dpi, const std::string &name)
{
    Pixels pixels(area);
    const RECT box = pixels.Box(text);
    EXPECT_EQ(box.left, at.x) << name;
    EXPECT_EQ(box.top, at.y) << name;
    EXPECT_EQ(box.right - box.left, Scaled(23, dpi)) << name;
    EXPECT_EQ(box.bottom - box.top, Scaled(11, dpi)) << name;
    int stray = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) stray += pixels.at(x, y) != text && pixels.at(x, y) != back;
    EXPECT_EQ(stray, 0) << name << ": pixels of neither colour";
    EXPECT_NEAR(double(box.bottom - box.top) / TextExtent("キー", dpi).cy, 11.0 / TextExtent("キー", 96).cy, 0.08)
        << name;
}

TEST(DialogLooks, EveryWindowAtEachDpi)
{
    const Settings stored = shell_e2e::RememberedSettings(PLACEMENT_SAVED, {100, 100, 560, 430}, {90, 130, 90});
    const std::vector<driver::Entry> entries = {
        {"画面", "HKEY_CURRENT_USER\\Control Panel\\Desktop", "LogPixels", false},
        {"キーだけ", "HKEY_CURRENT_USER\\Control Panel\\Desktop", "", true},
        {"選択した行", "HKEY_CURRENT_USER\\Software", "", true}};
    for (const char *version : {"winxp", "win2k"})
        for (int dpi : {96, 144, 192})
        {
            const std::string tag = std::string(version) + "_dpi" + std::to_string(dpi);
            SCOPED_TRACE(tag);
            driver::SystemDpi systemDpi(dpi);
            driver::Session session("looks_" + tag, version);
            ASSERT_TRUE(session.WriteSettings(shell_e2e::RecordBytes(stored)));
            ASSERT_TRUE(session.Open(entries));
            ASSERT_TRUE(session.SelectRow(2));
            MouseTo(0, 0);
            driver::ScreenshotWhenPainted(session.main(), tag + "_main");
            ExpectLaidOut(session.main(), dpi, "main window");
            HWND list = session.list();
            for (int column = 0; column < 3; ++column)
                EXPECT_EQ(driver::ListColumnWidth(list, column), Scaled(stored.columnWidths[column], dpi));

            // The badge in both rows' colours and the end row's dotted band, of the DPI's size.
            auto onScreen = [&](RECT rect) {
                MapWindowPoints(list, nullptr, (POINT *)&rect, 2);
                return rect;
            };
            // Wine's list view gives owner drawing the row 2 pixels in from its bounds.
            const RECT row = driver::ListSubItemRect(list, 1, 0);
            const int rowLeft = 2, height = row.bottom - row.top, badgeTop = (height - Scaled(11, dpi)) >> 1;
            EXPECT_EQ(height, TextExtent("キー", dpi).cy + Scaled(1, dpi)) << "a line of text and the gap above it";
            ExpectBadge(onScreen(driver::ListSubItemRect(list, 1, 2)), {rowLeft + Scaled(4, dpi), badgeTop},
                        GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), dpi, "key-only row");
            ExpectBadge(onScreen(driver::ListSubItemRect(list, 2, 2)), {rowLeft + Scaled(4, dpi), badgeTop},
                        GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT), dpi, "selected row");
            const RECT band = Pixels(onScreen(driver::ListSubItemRect(list, 3, 0))).Box(GetSysColor(COLOR_WINDOWTEXT));
            const int factor = dpi / 96;
            EXPECT_EQ(band.left, rowLeft + Scaled(2, dpi));
            EXPECT_EQ(band.top, (height >> 1) - Scaled(1, dpi));
            EXPECT_GT(band.bottom - band.top, Scaled(4, dpi) - 2 * factor);
            EXPECT_LE(band.bottom - band.top, Scaled(4, dpi));
            // A cut cell's tip over the cell's text: the same place at every DPI, beside the tip's own margins.
            const RECT cell = onScreen(driver::ListSubItemRect(list, 0, 1));
            const RECT cellInk = Pixels(cell).Box(GetSysColor(COLOR_WINDOWTEXT));
            MouseTo((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
            MouseTo((cell.left + cell.right) / 2 + 1, (cell.top + cell.bottom) / 2);
            HWND tip = nullptr;
            ASSERT_TRUE(
                WaitFor([&] { return (tip = driver::FindWindowOf(session.pid(), "tooltips_class32")) != nullptr; }));
            driver::ScreenshotWhenPainted(session.main(), tag + "_celltip");
            RECT tipRect = ScreenRect(tip);
            InflateRect(&tipRect, -1, -1);
            const RECT tipInk = Pixels(tipRect).Box(GetSysColor(COLOR_INFOTEXT));
            EXPECT_NEAR(tipInk.left + tipRect.left, cellInk.left + cell.left, 2) << "the tip's text over the cell's";
            EXPECT_NEAR(tipInk.top + tipRect.top, cellInk.top + cell.top, 2);
            MouseTo(0, 0);

            struct Look
            {
                int command;
                const char *title, *name;
                int valueField, badge, rootButton;
            } const looks[] = {
                {IDM_CHANGE, "変更", "entry", IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE, IDC_ENTRY_ROOTBUTTON},
                {IDM_OPENKEY, "開く", "open_key", IDC_OPENKEY_VALUENAME, IDC_OPENKEY_KEYBADGE, IDC_OPENKEY_ROOTBUTTON},
                {IDM_FIND, "検索", "find", 0, 0, 0},
                {IDM_SETTINGS, "設定", "settings", 0, 0, 0}};
            for (const Look &look : looks)
            {
                const std::string name = tag + "_" + look.name;
                HWND dialog = OpenDialog(session, look.command, look.title);
                ASSERT_TRUE(dialog) << name;
                if (look.valueField)
                {
                    // Alt+Delete shows the badge in the open-key dialog (the entry is key-only already); the
                    // caret then leaves the field.
                    HWND field = GetDlgItem(dialog, look.valueField),
                         badge = Badge(dialog, look.valueField, look.badge);
                    if (!Visible(badge))
                    {
                        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)field, TRUE);
                        Keys("alt+Delete");
                        ASSERT_TRUE(WaitFor([&] { return Visible(badge); })) << name;
                        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_OPENKEY_KEYPATH), TRUE);
                    }
                    session.Settle();
                    // Wine puts the drawn badge on the display on its own time; no message tells when.
                    Sleep(300);
                    ExpectLaidOut(field, dpi, name + " value field");
                    RECT inField;
                    GetClientRect(field, &inField);
                    MapWindowPoints(field, nullptr, (POINT *)&inField, 2);
                    ExpectBadge(inField, {Scaled(4, dpi), (inField.bottom - inField.top - Scaled(11, dpi)) / 2},
                                GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW), dpi, name);
                    CheckRootButton(session, dialog, look.rootButton, name, std::string(version) != "winxp", dpi);
                }
                MouseTo(0, 0);
                driver::ScreenshotWhenPainted(dialog, name);
                ExpectLaidOut(dialog, dpi, name);
                ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL)) << name;
            }

            // The widths go back in pixels of 96 DPI, as they came.
            ASSERT_EQ(session.Close(), 0u);
            const std::vector<uint8_t> written = driver::ReadFileBytes(session.settingsPath());
            ASSERT_GE(written.size(), sizeof(Settings));
            EXPECT_EQ(memcmp(((const Settings *)written.data())->columnWidths, stored.columnWidths,
                             sizeof stored.columnWidths),
                      0);
        }
}
