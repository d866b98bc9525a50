// Cell tips of the memo list under a real mouse: a cut cell shows its whole text in a tip laid
// over the cell's text; a cell that fits, the header and the end row show none; moving to another
// cut cell shows its text; a click on the tip reaches the list.
#include "tests/e2e/memolist_session.h"

using memolist::MouseTo;
using memolist::Session;
using memolist::WaitFor;

namespace {

const char kLongKey1[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\ログオン通知";
const char kLongKey2[] =
    "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32";

std::vector<driver::Entry> TipEntries()
{
    return {
        {"長いキー", kLongKey1, "Shell", false},
        {"d", "HKCU", "", false},
        {"x", kLongKey2, "", true},
    };
}

HWND VisibleTip(Session &session)
{
    for (HWND window : driver::WindowsOf(session.pid()))
        if (driver::GetClass(window) == "tooltips_class32") return window;
    return nullptr;
}

HWND WaitForTip(Session &session, DWORD timeoutMs = 4000)
{
    HWND tip = nullptr;
    WaitFor([&] { return (tip = VisibleTip(session)) != nullptr; }, timeoutMs);
    return tip;
}

// The text the tip shows for the memo list's tool.
std::string TipText(Session &session, HWND tip)
{
    const SIZE_T textOffset = 256, cbText = 2048;
    driver::RemoteMemory remote(tip, textOffset + cbText);
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = session.main();
    tool.uId = (UINT_PTR)session.list();
    tool.lpszText = (char *)remote.address() + textOffset;
    char empty = '\0';
    remote.Write(&tool, sizeof tool);
    remote.Write(&empty, 1, textOffset);
    DWORD_PTR ignored;
    SendMessageTimeoutA(tip, TTM_GETTEXTA, cbText, (LPARAM)remote.address(), SMTO_NORMAL, 3000, &ignored);
    std::vector<char> text(cbText + 1, '\0');
    remote.Read(text.data(), cbText, textOffset);
    return text.data();
}

// Where the tip draws its text, from its window rectangle as the tip itself computes it.
RECT TipTextRect(HWND tip)
{
    RECT rect;
    GetWindowRect(tip, &rect);
    driver::RemoteMemory remote(tip, sizeof rect);
    remote.Write(&rect, sizeof rect);
    SendMessageA(tip, TTM_ADJUSTRECT, FALSE, (LPARAM)remote.address());
    remote.Read(&rect, sizeof rect);
    return rect;
}

// Rests the pointer in a cell: two moves, as a hand makes them.
void RestIn(Session &session, int row, int column, double xFraction = 0.5)
{
    POINT point = session.CellPoint(row, column, xFraction);
    MouseTo(point);
    point.x += 1;
    MouseTo(point);
}

void ExpectTipOverCell(Session &session, HWND tip, int row, int column, int line)
{
    RECT cell = session.CellOnScreen(row, column);
    RECT text = TipTextRect(tip);
    EXPECT_EQ(text.left, cell.left + 4) << "from line " << line;
    EXPECT_EQ(text.top, cell.top + 1) << "from line " << line;
    RECT window;
    GetWindowRect(tip, &window);
    EXPECT_GT(window.right, cell.right) << "the whole text is wider than the cell, from line " << line;
}

void ExpectNoTip(Session &session, const char *where)
{
    Sleep(2000);  // twice the initial delay of the tip window
    EXPECT_EQ(VisibleTip(session), nullptr) << where;
}

class CellTips : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.Open(testing::UnitTest::GetInstance()->current_test_info()->name(), TipEntries()));
        // A known place on the screen, away from the work area's edges.
        SetWindowPos(session.main(), nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        session.Settle();
        ASSERT_TRUE(MouseTo(POINT{5, 5}));
    }
    Session session;
};

TEST_F(CellTips, CutCellShowsItsWholeTextOverTheCell)
{
    RestIn(session, 0, 1);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr) << "a cut key path shows a tip";
    EXPECT_EQ(TipText(session, tip), kLongKey1);
    ExpectTipOverCell(session, tip, 0, 1, __LINE__);
    driver::Screenshot(session.main(), "celltip_row0_key");

    // Another cut cell: the tip goes and comes back with the new text, over the new cell.
    RestIn(session, 2, 1, 0.3);
    ASSERT_TRUE(WaitFor(
        [&] {
            HWND shown = VisibleTip(session);
            return shown && TipText(session, shown) == kLongKey2;
        },
        4000))
        << "the tip follows to the next cut cell";
    tip = VisibleTip(session);
    ExpectTipOverCell(session, tip, 2, 1, __LINE__);
    driver::Screenshot(session.main(), "celltip_row2_key");
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
    GetWindowRect(session.header(), &header);
    POINT overHeader = session.CellPoint(0, 1);
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
    ASSERT_EQ(GetScrollPos(session.list(), SB_HORZ), 30);
    RestIn(session, 1, 0, 0.8);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(TipText(session, tip), "d");
    RECT cell = session.CellOnScreen(1, 0);
    RECT text = TipTextRect(tip);
    EXPECT_EQ(text.left, cell.left + 4) << "the tip starts where the hidden text starts";
    EXPECT_EQ(text.top, cell.top + 1);
    driver::Screenshot(session.main(), "celltip_scrolled_left");
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
    EXPECT_EQ(TipTextRect(tip).top, session.CellOnScreen(0, 1).top + 1);
    driver::Screenshot(tip, "celltip_work_area_edge");
}

TEST_F(CellTips, ClickOnTheTipReachesTheList)
{
    ASSERT_EQ(session.Selected(), 0);
    RestIn(session, 2, 1, 0.5);
    HWND tip = WaitForTip(session);
    ASSERT_NE(tip, nullptr);
    POINT cursor;
    GetCursorPos(&cursor);
    RECT tipRect;
    GetWindowRect(tip, &tipRect);
    ASSERT_TRUE(PtInRect(&tipRect, cursor)) << "the pointer rests on the tip";
    driver::Xdotool("click 1");
    EXPECT_TRUE(WaitFor([&] { return session.Selected() == 2; }, 2000)) << "the list got the click";
}

}  // namespace
