// The memo list under real mouse and keyboard input: dragging entries to reorder the memo,
// auto-scroll while the mouse is held beyond the visible rows, column fit on a divider
// double-click, and the Delete key.
#include <algorithm>

#include "resources/resource.h"
#include "tests/e2e/memolist_session.h"

using namespace driver;
using namespace memolist;

static std::vector<std::string> Moved(std::vector<std::string> order, int from, int to)
{
    std::string entry = order[from];
    order.erase(order.begin() + from);
    order.insert(order.begin() + to, entry);
    return order;
}

// Mouse over `row` of the list, then the row the dragged entry should stand on.
static void DragOverRow(Session &session, int row, int expectedRow, int line)
{
    MouseTo(CellPoint(session, row, 1));
    EXPECT_TRUE(WaitFor([&] { return session.Selected() == expectedRow; }, 2000))
        << "mouse over row " << row << ": selected " << session.Selected() << ", from line " << line;
}

TEST(MemoListDrag, EntryFollowsTheMouseRowByRowAndStaysOnRelease)
{
    Session session("drag_rows");
    auto entries = NumberedEntries(8);
    ASSERT_TRUE(session.Open(entries));
    ASSERT_GT(PerPage(session), 9) << "all rows visible";
    std::vector<std::string> order = driver::Descriptions(entries);

    MouseTo(CellPoint(session, 2, 1));
    MouseDown();
    EXPECT_TRUE(WaitFor([&] { return session.Selected() == 2; }, 2000));
    for (int row = 3; row <= 5; ++row) DragOverRow(session, row, row, __LINE__);
    EXPECT_EQ(Capture(session), session.list()) << "the list holds the mouse while dragging";
    driver::Screenshot(session.main(), "memolist_drag_row5");
    for (int row = 4; row >= 0; --row) DragOverRow(session, row, row, __LINE__);
    // Below the last entry the entry stops as the last entry; the end row stays last.
    DragOverRow(session, 8, 7, __LINE__);
    POINT below = CellPoint(session, 8, 1);
    below.y += 40;
    MouseTo(below);
    session.Settle();
    EXPECT_EQ(session.Selected(), 7);
    DragOverRow(session, 6, 6, __LINE__);
    MouseUp();
    EXPECT_TRUE(WaitFor([&] { return Capture(session) == nullptr; }, 2000)) << "release frees the mouse";

    // After the release the mouse moves nothing.
    MouseTo(CellPoint(session, 1, 1));
    session.Settle();
    EXPECT_EQ(session.Selected(), 6);
    EXPECT_EQ(session.Count(), 9);
    EXPECT_EQ(SavedOrder(session), Moved(order, 2, 6));

    // The whole drag is one step: undone, the entry is back at its row and selected.
    session.Send(IDM_UNDO);
    EXPECT_EQ(session.Selected(), 2);
    EXPECT_EQ(SavedOrder(session), order);
    session.Send(IDM_REDO);
    EXPECT_EQ(session.Selected(), 6);
    EXPECT_EQ(SavedOrder(session), Moved(order, 2, 6));
}

TEST(MemoListDrag, HeldBeyondTheRowsTheListScrollsOneRowPerTick)
{
    Session session("drag_autoscroll");
    const int count = 40;
    auto entries = NumberedEntries(count);
    ASSERT_TRUE(session.Open(entries));
    int perPage = PerPage(session);
    ASSERT_GT(perPage, 4);
    ASSERT_LT(perPage, count - 10) << "the memo must be longer than the list";
    std::vector<std::string> order = driver::Descriptions(entries);
    RECT client = ClientOnScreen(session);

    MouseTo(CellPoint(session, 1, 1));
    MouseDown();
    DragOverRow(session, 2, 2, __LINE__);

    // Below the list: the entry goes to the row just beyond the visible rows, then one row a tick.
    struct Sample
    {
        DWORD time;
        int top, selected;
    };
    std::vector<Sample> samples = {{GetTickCount(), TopIndex(session), session.Selected()}};
    MouseTo(POINT{(client.left + client.right) / 2, client.bottom + 30});
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 8000)
    {
        // A tick may fall between two reads: keep only snapshots taken between ticks.
        int selected = session.Selected();
        Sample sample = {GetTickCount(), TopIndex(session), session.Selected()};
        if (sample.selected != selected) continue;
        if (samples.empty() || sample.selected != samples.back().selected) samples.push_back(sample);
        if (sample.selected == count - 1 && GetTickCount() - samples.back().time > 600) break;
        Sleep(5);
    }
    ASSERT_GE(samples.size(), 3u);
    EXPECT_EQ(samples.back().selected, count - 1) << "stops at the last entry";
    EXPECT_EQ(samples[1].selected, perPage) << "first to the row just below the visible rows";
    for (size_t i = 1; i < samples.size(); ++i)
    {
        if (i >= 2)
        {
            EXPECT_EQ(samples[i].selected, samples[i - 1].selected + 1) << "one row a tick, sample " << i;
        }
        // The moved entry stands on the last visible row while the list scrolls under it.
        if (samples[i].selected < count - 1)
        {
            EXPECT_EQ(samples[i].selected, samples[i].top + perPage - 1) << "sample " << i;
        }
    }
    int ticks = samples.back().selected - samples[1].selected;
    double msPerTick = double(samples.back().time - samples[1].time) / ticks;
    // A timer never comes early, so a step per 100 ms tick takes at least that long on a busy machine too;
    // quicker steps would not be the timer's. How much later they come is no outcome of the program's.
    EXPECT_GT(msPerTick, 90.0);
    printf("auto-scroll down: %d ticks, %.1f ms per tick\n", ticks, msPerTick);
    EXPECT_GE(TopIndex(session) + perPage, count + 1) << "the end row shows";
    driver::Screenshot(session.main(), "memolist_autoscroll_bottom");

    // Back over the visible rows: the entry goes under the mouse and the scrolling stops.
    int top = TopIndex(session);
    int middle = top + perPage / 2;
    DragOverRow(session, middle, middle, __LINE__);
    Sleep(600); // several timer periods, in which no row may scroll
    EXPECT_EQ(session.Selected(), middle) << "the timer stopped";
    EXPECT_EQ(TopIndex(session), top);

    // Above the list: one row a tick up to row 0.
    MouseTo(POINT{(client.left + client.right) / 2, client.top - 40});
    EXPECT_TRUE(WaitFor([&] { return session.Selected() == 0; }, 8000));
    EXPECT_EQ(TopIndex(session), 0);
    Sleep(300); // timer periods at the top, in which the selection must stay
    EXPECT_EQ(session.Selected(), 0);
    DragOverRow(session, 3, 3, __LINE__);
    Sleep(400); // timer periods over the rows, in which nothing may scroll
    EXPECT_EQ(session.Selected(), 3);
    MouseUp();
    EXPECT_TRUE(WaitFor([&] { return Capture(session) == nullptr; }, 2000));
    EXPECT_EQ(SavedOrder(session), Moved(order, 1, 3));
}

TEST(MemoListDrag, OneEntryAndTheEndRowCannotBeDragged)
{
    {
        Session session("drag_single");
        ASSERT_TRUE(session.Open(NumberedEntries(1)));
        MouseTo(CellPoint(session, 0, 1));
        MouseDown();
        POINT below = CellPoint(session, 1, 1);
        MouseTo(below);
        below.y += 40;
        MouseTo(below);
        session.Settle();
        EXPECT_EQ(Capture(session), nullptr) << "no drag with one entry";
        MouseUp();
        EXPECT_EQ(session.Count(), 2);
    }
    {
        Session session("drag_endrow");
        auto entries = NumberedEntries(3);
        ASSERT_TRUE(session.Open(entries));
        MouseTo(CellPoint(session, 3, 1));
        MouseDown();
        EXPECT_TRUE(WaitFor([&] { return session.Selected() == 3; }, 2000));
        MouseTo(CellPoint(session, 2, 1));
        MouseTo(CellPoint(session, 0, 1));
        session.Settle();
        EXPECT_EQ(Capture(session), nullptr) << "the end row is not dragged";
        MouseUp();
        EXPECT_EQ(session.Selected(), 3);
        EXPECT_EQ(SavedOrder(session), driver::Descriptions(entries));
    }
}

// Texts measured as the program measures them: the template's font on a screen context.
static int TextWidth(const std::string &text)
{
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    HFONT font = CreateFontA(height, 0, 0, 0, 0, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "MS UI Gothic");
    HGDIOBJ old = SelectObject(dc, font);
    RECT bounds = {0, 0, 0, 100};
    DrawTextA(dc, text.c_str(), -1, &bounds, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return bounds.right;
}

// Double-clicks the divider at the right edge of header item `column`.
static void DoubleClickDivider(Session &session, int column)
{
    RECT item = {};
    {
        driver::RemoteMemory remote(Header(session), sizeof item);
        SendMessageA(Header(session), HDM_GETITEMRECT, column, (LPARAM)remote.address());
        remote.Read(&item, sizeof item);
    }
    POINT divider = {item.right - 2, (item.top + item.bottom) / 2};
    ClientToScreen(Header(session), &divider);
    MouseTo(divider);
    driver::Xdotool("click --repeat 2 --delay 60 1");
}

// The column's width once the program has taken the double-click (input arrives asynchronously).
static int FittedWidth(Session &session, int column, int expected)
{
    WaitFor([&] { return driver::ListColumnWidth(session.list(), column) == expected; }, 3000);
    return driver::ListColumnWidth(session.list(), column);
}

TEST(MemoListColumns, DividerDoubleClickFitsTheColumnToItsWidestText)
{
    Session session("columns_fit");
    std::vector<driver::Entry> entries = {
        {"短い", "HKCU", "a", false},
        {"ずっと長い説明の文字列 & more", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows", "", true},
        {"", "HKLM\\SYSTEM", "", false},
    };
    ASSERT_TRUE(session.Open(entries));
    ASSERT_NE(Header(session), nullptr);

    // Right to left, so that each divider is still inside the list when its turn comes.
    // The key badge of a key-only entry counts 23 pixels, wider than the value "a".
    ASSERT_LT(TextWidth("a"), 23);
    DoubleClickDivider(session, 2);
    EXPECT_EQ(FittedWidth(session, 2, 23 + 8), 23 + 8);
    int widest = TextWidth(entries[1].keyPath);
    DoubleClickDivider(session, 1);
    EXPECT_EQ(FittedWidth(session, 1, widest + 8), widest + 8);
    widest = std::max({TextWidth(entries[0].description), TextWidth(entries[1].description), 0});
    DoubleClickDivider(session, 0);
    EXPECT_EQ(FittedWidth(session, 0, widest + 8), widest + 8);
    driver::Screenshot(session.main(), "memolist_columns_fitted");
}

TEST(MemoListColumns, WithNoEntriesAFittedColumnIsEightPixels)
{
    Session session("columns_empty");
    ASSERT_TRUE(session.Run());
    DoubleClickDivider(session, 1);
    EXPECT_EQ(FittedWidth(session, 1, 8), 8);
    DoubleClickDivider(session, 0);
    EXPECT_EQ(FittedWidth(session, 0, 8), 8);
}

TEST(MemoListKeys, DeleteRemovesTheSelectedEntryButNotTheEndRow)
{
    Session session("delete_key");
    auto entries = NumberedEntries(3);
    ASSERT_TRUE(session.Open(entries));

    MouseTo(CellPoint(session, 1, 1));
    driver::Xdotool("click 1");
    ASSERT_TRUE(WaitFor([&] { return session.Selected() == 1; }, 2000));
    driver::Xdotool("key Delete");
    EXPECT_TRUE(WaitFor([&] { return session.Count() == 3; }, 3000)) << "one entry fewer";
    EXPECT_EQ(session.Selected(), 1);
    EXPECT_EQ(SavedOrder(session), (std::vector<std::string>{"E00", "E02"}));

    MouseTo(CellPoint(session, 2, 1));
    driver::Xdotool("click 1");
    ASSERT_TRUE(WaitFor([&] { return session.Selected() == 2; }, 2000));
    driver::Xdotool("key Delete");
    EXPECT_TRUE(WaitFor([&] { return session.Count() == 3; })) << "the end row stays";
    EXPECT_EQ(SavedOrder(session), (std::vector<std::string>{"E00", "E02"}));
}
