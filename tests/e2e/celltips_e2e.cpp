// Cell tips of the memo list under a real mouse: a cut cell shows its whole text in a tip laid
// over the cell's text; a cell that fits, the header and the end row show none; moving to another
// cut cell shows its text; a shown tip lets the mouse through to the list.
#include "resources/resource.h"
#include "tests/e2e/memolist_session.h"

using namespace driver;
using namespace memolist;

static const char kLongKey1[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\ログオン通知";
static const char kLongKey2[] =
    "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32";

static std::vector<driver::Entry> TipEntries()
{
    return {
        {"長いキー", kLongKey1, "Shell", false},
        {"d", "HKCU", "", false},
        {"x", kLongKey2, "", true},
    };
}

// Makes the key of `path` ("ROOT\\sub\\...") with the value `value` when given; `made` gets the
// first level that was not there, for RemoveKey.
struct MadeKey
{
    HKEY root = nullptr;
    std::string parent, first; // the new level's parent and its name
};
// The registry view the Registry Editor shows, also from the 32-bit tests on a 64-bit system.
static const REGSAM kView = KEY_WOW64_64KEY;
static bool MakeKey(const std::string &path, const char *value, MadeKey *made)
{
    const size_t slash = path.find('\\');
    made->root = path.compare(0, slash, "HKEY_LOCAL_MACHINE") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key = made->root;
    for (size_t at = slash + 1; at <= path.size();)
    {
        size_t end = path.find('\\', at);
        if (end == std::string::npos) end = path.size();
        HKEY child;
        DWORD disposition = 0;
        if (RegCreateKeyExA(key, path.substr(at, end - at).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kView, nullptr,
                            &child, &disposition) != ERROR_SUCCESS)
            return false;
        if (disposition == REG_CREATED_NEW_KEY && made->first.empty())
        {
            made->parent = at > slash + 1 ? path.substr(slash + 1, at - slash - 2) : "";
            made->first = path.substr(at, end - at);
        }
        if (key != made->root) RegCloseKey(key);
        key = child;
        at = end + 1;
    }
    if (value) RegSetValueExA(key, value, 0, REG_SZ, (const BYTE *)"x", 2);
    if (key != made->root) RegCloseKey(key);
    return true;
}

static void DeleteKeyTree(HKEY parent, const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS | kView, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (DWORD cch = sizeof child;
         RegEnumKeyExA(key, 0, child, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; cch = sizeof child)
        DeleteKeyTree(key, child);
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

static void RemoveKey(const MadeKey &made)
{
    HKEY parent;
    if (made.first.empty() ||
        RegOpenKeyExA(made.root, made.parent.c_str(), 0, KEY_ALL_ACCESS | kView, &parent) != ERROR_SUCCESS)
        return;
    DeleteKeyTree(parent, made.first.c_str());
    RegCloseKey(parent);
}

static HWND VisibleTip(Session &session)
{
    for (HWND window : driver::WindowsOf(session.pid()))
        if (driver::GetClass(window) == "tooltips_class32") return window;
    return nullptr;
}

static HWND WaitForTip(Session &session, DWORD timeoutMs = 4000)
{
    HWND tip = nullptr;
    WaitFor([&] { return (tip = VisibleTip(session)) != nullptr; }, timeoutMs);
    return tip;
}

// The text the tip shows, as it draws it.
static std::string TipText(HWND tip)
{
    return driver::GetText(tip);
}

// Where the tip's text must start for it to lie exactly over the cell's text, as the tip window's
// top-left corner: the tip's own answer to TTM_ADJUSTRECT, or 3 and 2 pixels up and left of the
// text where the tip control has no such message (Wine's has none).
static POINT ExpectedTipCorner(HWND tip, POINT text)
{
    RECT rect = {text.x, text.y, text.x + 1, text.y + 1};
    driver::RemoteMemory remote(tip, sizeof rect);
    remote.Write(&rect, sizeof rect);
    if (!SendMessageA(tip, TTM_ADJUSTRECT, TRUE, (LPARAM)remote.address())) return POINT{text.x - 3, text.y - 2};
    remote.Read(&rect, sizeof rect);
    return POINT{rect.left, rect.top};
}

// Rests the pointer in a cell: two moves, as a hand makes them.
static void RestIn(Session &session, int row, int column, double xFraction = 0.5)
{
    POINT point = CellPoint(session, row, column, xFraction);
    MouseTo(point);
    point.x += 1;
    MouseTo(point);
}

static void ExpectTipOverCell(Session &session, HWND tip, int row, int column, int line)
{
    RECT cell = CellOnScreen(session, row, column);
    POINT corner = ExpectedTipCorner(tip, POINT{cell.left + 4, cell.top + 1});
    RECT window;
    GetWindowRect(tip, &window);
    EXPECT_EQ(window.left, corner.x) << "from line " << line;
    EXPECT_EQ(window.top, corner.y) << "from line " << line;
    EXPECT_GT(window.right, cell.right) << "the whole text is wider than the cell, from line " << line;
}

static void ExpectNoTip(Session &session, const char *where)
{
    Sleep(2000); // twice the initial delay of the tip window
    EXPECT_EQ(VisibleTip(session), nullptr) << where;
}

class CellTips : public testing::Test
{
  protected:
    void SetUp() override
    {
        // The keys are there: a missing one would say so in its tip.
        ASSERT_TRUE(MakeKey(kLongKey1, "Shell", &made1));
        ASSERT_TRUE(MakeKey(kLongKey2, nullptr, &made2));
        session.Prepare(testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(session.Open(TipEntries()));
        // A known place on the screen, away from the work area's edges.
        SetWindowPos(session.main(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        session.Settle();
        ASSERT_TRUE(MouseTo(POINT{5, 5}));
    }
    void TearDown() override
    {
        session.Stop();
        RemoveKey(made1);
        RemoveKey(made2);
    }
    MadeKey made1, made2;
    Session session;
};

TEST_F(CellTips, CutCellShowsItsWholeTextOverTheCell)
{
    RestIn(session, 0, 1);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr) << "a cut key path shows a tip";
    EXPECT_EQ(TipText(tip), kLongKey1);
    ExpectTipOverCell(session, tip, 0, 1, __LINE__);
    driver::Screenshot(session.main(), "celltip_row0_key");
    driver::Screenshot(tip, "celltip_row0_key_tip");

    // Another cut cell: the tip goes and comes back with the new text, over the new cell.
    RestIn(session, 2, 1, 0.3);
    ASSERT_TRUE(WaitFor(
        [&] {
            HWND shown = VisibleTip(session);
            return shown && TipText(shown) == kLongKey2;
        },
        4000))
        << "the tip follows to the next cut cell";
    tip = VisibleTip(session);
    ExpectTipOverCell(session, tip, 2, 1, __LINE__);
    driver::Screenshot(session.main(), "celltip_row2_key");
    driver::Screenshot(tip, "celltip_row2_key_tip");
}

TEST_F(CellTips, FittingCellsTheHeaderAndTheEndRowShowNone)
{
    RestIn(session, 1, 1);
    ExpectNoTip(session, "a short key path that fits");
    RestIn(session, 1, 0);
    ExpectNoTip(session, "a short description");
    RestIn(session, 2, 2);
    ExpectNoTip(session, "the key badge of a key-only entry");
    RestIn(session, 3, 1);
    ExpectNoTip(session, "the end row");

    RECT header;
    GetWindowRect(Header(session), &header);
    POINT overHeader = CellPoint(session, 0, 1);
    overHeader.y = (header.top + header.bottom) / 2;
    MouseTo(overHeader);
    overHeader.x += 1;
    MouseTo(overHeader);
    ExpectNoTip(session, "the header over a cut column");
    driver::Screenshot(session.main(), "celltip_none_over_header");
}

TEST_F(CellTips, CellScrolledOutOnTheLeftShowsATip)
{
    // Wide columns give the list a horizontal scroll bar; scrolled, column 0 starts left of the view.
    SendMessageA(session.list(), LVM_SETCOLUMNWIDTH, 1, 900);
    SendMessageA(session.list(), LVM_SCROLL, 30, 0);
    session.Settle();
    RECT list = ClientOnScreen(session);
    RECT cell = CellOnScreen(session, 1, 0);
    ASSERT_EQ(cell.left, list.left - 30) << "column 0 starts 30 pixels left of the view";
    RestIn(session, 1, 0, 0.8);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr) << "a short text scrolled partly out of view";
    EXPECT_EQ(TipText(tip), "d");
    POINT corner = ExpectedTipCorner(tip, POINT{cell.left + 4, cell.top + 1});
    RECT window;
    GetWindowRect(tip, &window);
    EXPECT_EQ(window.left, corner.x) << "the tip starts where the hidden text starts";
    EXPECT_EQ(window.top, corner.y);
    driver::Screenshot(session.main(), "celltip_scrolled_left");
    driver::Screenshot(tip, "celltip_scrolled_left_tip"); // left of the list, where "d" is hidden
}

TEST_F(CellTips, TipStaysInsideTheWorkArea)
{
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT window;
    GetWindowRect(session.main(), &window);
    SetWindowPos(session.main(), nullptr, work.right - (window.right - window.left) - 2, 100, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    session.Settle();
    RestIn(session, 0, 1);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr);
    RECT placed;
    GetWindowRect(tip, &placed);
    EXPECT_EQ(placed.right, work.right) << "moved left to end at the work area's edge";
    RECT cell = CellOnScreen(session, 0, 1);
    EXPECT_EQ(placed.top, ExpectedTipCorner(tip, POINT{cell.left + 4, cell.top + 1}).y);
    driver::Screenshot(tip, "celltip_work_area_edge");
}

static LRESULT HitTest(HWND tip, POINT point)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(tip, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y), SMTO_NORMAL, 3000, &result);
    return (LRESULT)result;
}

// A shown tip lets the mouse act on the list below it, but only where the list is. (The real click
// is not driven here: Wine drops a click on a window that answers HTTRANSPARENT when no window of
// its own family lies below it, so under Wine the click ends nowhere.)
TEST_F(CellTips, ShownTipIsTransparentOverTheListOnly)
{
    RestIn(session, 2, 1, 0.5);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr);
    RECT tipRect, list = ClientOnScreen(session);
    GetWindowRect(tip, &tipRect);
    ASSERT_GT(tipRect.right, list.right + 10) << "the tip reaches out of the list";
    POINT overList = {(tipRect.left + list.right) / 2, (tipRect.top + tipRect.bottom) / 2};
    POINT beyondList = {list.right + 5, overList.y};
    EXPECT_EQ(HitTest(tip, overList), HTTRANSPARENT) << "over the list";
    EXPECT_NE(HitTest(tip, beyondList), HTTRANSPARENT) << "beyond the list";

    // Without a shown tip the tip window keeps its own answers.
    POINT overHeader = CellPoint(session, 0, 1);
    RECT header;
    GetWindowRect(Header(session), &header);
    overHeader.y = (header.top + header.bottom) / 2;
    MouseTo(overHeader);
    ASSERT_TRUE(WaitFor([&] { return VisibleTip(session) == nullptr; }, 2000));
    EXPECT_NE(HitTest(tip, overList), HTTRANSPARENT) << "no tip shown";
}

// How many pixels of a cell on the screen have exactly `colour` (a COLORREF).
static int PixelsOf(Session &session, int row, int column, COLORREF colour)
{
    const uint32_t rgb = (uint32_t)GetRValue(colour) << 16 | (uint32_t)GetGValue(colour) << 8 | GetBValue(colour);
    int count = 0;
    for (uint32_t pixel : driver::CapturePixels(nullptr, CellOnScreen(session, row, column)))
        if (pixel == rgb) count++;
    return count;
}

// Entries that are not in this computer's registry: the missing key or value in grey, said in the
// cell's tip, and black again once the key is made and the window is activated again, or F5 is pressed.
TEST(MissingEntries, AreGreyAndSaySoUntilTheRegistryHasThem)
{
    const char kKey[] = "HKEY_CURRENT_USER\\Software\\TarmikGrey";
    MadeKey made;
    ASSERT_TRUE(MakeKey(kKey, "Here", &made));
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TarmikGrey\\Missing");
    Session session("missing_entries");
    ASSERT_TRUE(session.Open({
        {"gone", "HKCU\\Software\\TarmikGrey\\Missing", "", true},
        {"novalue", "HKCU\\Software\\TarmikGrey", "Later", false},
        {"fine", "HKCU\\Software\\TarmikGrey", "Here", false},
        {"noroot", "Software\\TarmikGrey\\Missing", "Later", false},
    }));
    SetWindowPos(session.main(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(session.SelectRow(4)); // the end row: no entry in the selection's colours
    session.Settle();
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT), black = GetSysColor(COLOR_WINDOWTEXT);
    const auto expectColours = [&](int row, bool keyGrey, bool valueGrey, int line) {
        EXPECT_GT(PixelsOf(session, row, 0, black), 0) << "row " << row << " description, from line " << line;
        EXPECT_EQ(PixelsOf(session, row, 1, black) == 0, keyGrey) << "row " << row << " key, from line " << line;
        EXPECT_EQ(PixelsOf(session, row, 1, grey) > 0, keyGrey) << "row " << row << " key, from line " << line;
        EXPECT_EQ(PixelsOf(session, row, 2, grey) > 0, valueGrey) << "row " << row << " value, from line " << line;
    };
    ASSERT_TRUE(WaitFor([&] { return PixelsOf(session, 0, 1, grey) > 0; }));
    expectColours(0, true, true, __LINE__); // the key badge too
    expectColours(1, false, true, __LINE__);
    expectColours(2, false, false, __LINE__);
    expectColours(3, false, false, __LINE__); // not a registry path: not asked
    driver::Screenshot(session.main(), "missing_entries_grey");

    const auto tipOver = [&](int row, int column) {
        MouseTo(POINT{5, 5});
        WaitFor([&] { return VisibleTip(session) == nullptr; }, 2000);
        RestIn(session, row, column);
        HWND tip = WaitForTip(session);
        return tip ? TipText(tip) : std::string();
    };
    EXPECT_EQ(tipOver(0, 1), "このコンピューターにはこのキーがありません。") << "shown though the text fits";
    driver::Screenshot(session.main(), "missing_entries_key_tip");
    EXPECT_EQ(tipOver(1, 2), "このコンピューターにはこの値がありません。");
    EXPECT_EQ(tipOver(0, 2), "このコンピューターにはこのキーがありません。") << "the badge of a missing key";
    RestIn(session, 2, 1);
    ExpectNoTip(session, "a key that is there and fits");
    MouseTo(POINT{5, 5});

    // Made while the window stays active: the remembered answer stands until the window is activated again.
    MadeKey missing;
    ASSERT_TRUE(MakeKey(std::string(kKey) + "\\Missing", nullptr, &missing));
    InvalidateRect(session.list(), nullptr, FALSE);
    session.Settle();
    EXPECT_GT(PixelsOf(session, 0, 1, grey), 0) << "remembered";
    session.Post(IDM_OPENKEY);
    HWND dialog = session.WaitForDialog("開く");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(driver::PressButton(dialog, IDCANCEL));
    EXPECT_TRUE(WaitFor([&] { return PixelsOf(session, 0, 1, black) > 0; })) << "asked again on activation";
    expectColours(0, false, false, __LINE__);
    expectColours(1, false, true, __LINE__);

    // F5 asks again at once.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\TarmikGrey", 0, KEY_SET_VALUE | kView, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "Later", 0, REG_SZ, (const BYTE *)"x", 2);
    RegCloseKey(key);
    SetForegroundWindow(session.main());
    driver::Xdotool("key F5");
    EXPECT_TRUE(WaitFor([&] { return PixelsOf(session, 1, 2, grey) == 0; }));
    expectColours(1, false, false, __LINE__);
    driver::Screenshot(session.main(), "missing_entries_found");
    session.Stop();
    RemoveKey(made);
}
