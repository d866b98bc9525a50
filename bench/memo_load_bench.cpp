// Loading and saving a long memo in the real program, each beside its yardstick in the
// same Wine: the load against filling the same number of items into a list view of the same style
// (bench_listfill.exe), the save against writing the same bytes with one WriteFile.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/driver.h"

// The longest memo the program holds under Wine after a file was dropped on it: every entry is one
// movable memory block, Wine keeps at most 65,536 movable blocks per process, and the system holds a few
// of them by then, so a dropped memo of 65,532 to 65,535 entries is refused for lack of memory (the same
// memo named on the command line loads).
static int gEntryCount = 65531;
// The first two rounds are warm-ups and not counted: the first loads the libraries, and in the second
// both programs' heaps are still growing to the memo's size.
static const int kRounds = 13, kWarmUps = 2;

static uint32_t gRandom = 20240607;
static int Next(int below)
{
    gRandom = gRandom * 1103515245 + 12345;
    return (int)((gRandom >> 8) % (uint32_t)below);
}

// Shift-JIS text of cb bytes from the pieces, double-byte characters kept whole.
static std::string Text(const char *const *pieces, int count, int cb)
{
    std::string text;
    while ((int)text.size() < cb) text += pieces[Next(count)];
    while ((int)text.size() > cb)
    {
        // Cut at a character boundary at or before cb.
        size_t i = 0, last = 0;
        while (i < text.size() && (int)i <= cb)
        {
            last = i;
            unsigned char c = (unsigned char)text[i];
            i += ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 2 : 1;
        }
        text.resize(i <= (size_t)cb ? i : last);
    }
    return text;
}

static std::vector<driver::Entry> RealisticMemo()
{
    static const char *const words[] = {"設定",     "ファイル", "の",       "場所",      "表示", "起動時に",
                                        "読み込む", "値",       "を",       "変更",      "する", "レジストリ",
                                        "キー",     "既定",     "ユーザー", "最近使った"};
    static const char *const keys[] = {"\\Software", "\\Microsoft", "\\Windows", "\\CurrentVersion",
                                       "\\Explorer", "\\Settings",  "\\ソフト",  "\\Policies",
                                       "\\Classes",  "\\Shell",     "\\Run"};
    static const char *const roots[] = {"HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKCU", "HKLM", "HKEY_CLASSES_ROOT"};
    static const char *const values[] = {"Path", "Version", "表示名", "Install", "Dir", "Enabled", "Size"};
    std::vector<driver::Entry> entries(gEntryCount);
    for (driver::Entry &entry : entries)
    {
        entry.description = Text(words, 16, 20 + Next(41));
        const std::string root = roots[Next(5)];
        entry.keyPath = root + Text(keys, 11, 40 + Next(81) - (int)root.size());
        entry.keyOnly = Next(10) == 0;
        if (!entry.keyOnly) entry.valueName = Text(values, 7, Next(31));
    }
    return entries;
}

static double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

// Paints what the list has been told to repaint, now.
static void Paint(HWND list)
{
    RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    DWORD_PTR ignored;
    SendMessageTimeoutA(list, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

// Drops the file and returns once the program has handled the drop: a sent message runs to its end,
// where a posted one would wait behind the messages sent after it.
static void Drop(HWND window, driver::RemoteMemory *memory, const std::string &path)
{
    std::vector<char> block(sizeof(DROPFILES), 0);
    ((DROPFILES *)block.data())->pFiles = sizeof(DROPFILES);
    block.insert(block.end(), path.c_str(), path.c_str() + path.size() + 1);
    block.push_back(0);
    memory->Write(block.data(), block.size());
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_DROPFILES, (WPARAM)memory->address(), 0, SMTO_NORMAL, 30000, &ignored);
}

// The same memo with every root name changed by one character, so that no key path starts with one:
// drawn the same, and never asked of the registry.
static std::vector<driver::Entry> WithoutRootNames(std::vector<driver::Entry> entries)
{
    for (driver::Entry &entry : entries) entry.keyPath[3] = entry.keyPath[3] == '_' ? '-' : 'X';
    return entries;
}

// Pages down through the list from the top, each page painted before the next; the answers about the
// registry are forgotten first (F5's command), so every page drawn asks it anew.
static double ScrollPages(HWND window, HWND list, int pages)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_COMMAND, IDM_RECHECK, 0, SMTO_NORMAL, 30000, &ignored);
    SendMessageTimeoutA(list, WM_VSCROLL, SB_TOP, 0, SMTO_NORMAL, 30000, &ignored);
    Paint(list);
    const double start = Now();
    for (int page = 0; page < pages; page++)
    {
        SendMessageTimeoutA(list, WM_VSCROLL, SB_PAGEDOWN, 0, SMTO_NORMAL, 30000, &ignored);
        Paint(list);
    }
    return Now() - start;
}

// The shell's folder of recent documents, watched for the shortcut the program makes there a moment after
// each load and save; null where it cannot be watched.
static HANDLE WatchShellRecent()
{
    char folder[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_RECENT, nullptr, SHGFP_TYPE_CURRENT, folder))) return nullptr;
    HANDLE change =
        FindFirstChangeNotificationA(folder, FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE);
    return change == INVALID_HANDLE_VALUE ? nullptr : change;
}

// Forgets the changes seen so far, so that the next wait is for the shortcut still to come.
static void ForgetShellRecentChanges(HANDLE change)
{
    while (change && WaitForSingleObject(change, 0) == WAIT_OBJECT_0 && FindNextChangeNotification(change))
    {
    }
}

// Waits for the shortcut of the last save, then for the folder to be still for a moment.
static void WaitForShellRecent(HANDLE change)
{
    if (!change || WaitForSingleObject(change, 2000) != WAIT_OBJECT_0) return;
    do FindNextChangeNotification(change);
    while (WaitForSingleObject(change, 50) == WAIT_OBJECT_0);
}

static double Median(std::vector<double> values)
{
    values.erase(values.begin(), values.begin() + kWarmUps);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int main(int argc, char **argv)
{
    if (argc > 1) gEntryCount = atoi(argv[1]); // a smaller memo, to see how the times grow
    const std::string folder = driver::MakeTestFolder("bench_memo", "tarmik.exe");
    CopyFileA((driver::BuildDir() + "\\bench\\bench_listfill.exe").c_str(), (folder + "\\bench_listfill.exe").c_str(),
              FALSE);
    driver::SetWindowsVersion("tarmik.exe", nullptr);
    const std::string memoPath = folder + "\\large.tmk";
    const std::vector<driver::Entry> memo = RealisticMemo();
    const std::vector<uint8_t> bytes = driver::MemoBytes(memo);
    driver::WriteFileBytes(memoPath, bytes);
    printf("memo: %d entries, %zu bytes\n", gEntryCount, bytes.size());

    driver::Program tarmik, yardstick;
    if (!driver::Start(&tarmik, folder + "\\tarmik.exe") || !driver::WaitForMainWindow(&tarmik) ||
        !driver::Start(&yardstick, folder + "\\bench_listfill.exe") ||
        !driver::WaitForMainWindow(&yardstick, "TarmikBenchListFill"))
    {
        fprintf(stderr, "the programs did not start\n");
        driver::Kill(&tarmik);
        driver::Kill(&yardstick);
        return 1;
    }
    HWND memoList = GetDlgItem(tarmik.mainWindow, 1001);
    HWND fillList = GetDlgItem(yardstick.mainWindow, 1001);
    driver::RemoteMemory drop(tarmik.mainWindow, 4096);
    HANDLE recent = WatchShellRecent();

    std::vector<double> loads, fills, saves, writes, flushedWrites;
    bool complete = true;
    for (int round = 0; round < kRounds; round++)
    {
        // Each load starts from an empty memo, each fill from an empty list; and after the shell has
        // been handed the file the last save named, which the program does a moment after the save.
        DWORD_PTR ignored;
        SendMessageTimeoutA(tarmik.mainWindow, WM_COMMAND, IDM_NEW, 0, SMTO_NORMAL, 30000, &ignored);
        if (round > 0) WaitForShellRecent(recent);
        driver::Settle(tarmik);
        double start = Now();
        Drop(tarmik.mainWindow, &drop, memoPath);
        Paint(memoList);
        loads.push_back(Now() - start);
        driver::MessageBoxInfo box;
        if (driver::WaitForMessageBox(tarmik.pid, &box, 0))
        {
            fprintf(stderr, "the load was refused: %s\n", box.text.c_str());
            complete = false;
            break;
        }
        complete = complete && driver::ListItemCount(memoList) == gEntryCount + 1;

        SendMessageTimeoutA(yardstick.mainWindow, WM_APP + 1, 0, 0, SMTO_NORMAL, 30000, &ignored);
        driver::Settle(yardstick);
        start = Now();
        SendMessageTimeoutA(yardstick.mainWindow, WM_APP, gEntryCount + 1, 0, SMTO_NORMAL, 30000, &ignored);
        Paint(fillList);
        fills.push_back(Now() - start);
        complete = complete && driver::ListItemCount(fillList) == gEntryCount + 1;

        ForgetShellRecentChanges(recent);
        start = Now();
        SendMessageTimeoutA(tarmik.mainWindow, WM_COMMAND, IDM_SAVE, 0, SMTO_NORMAL, 30000, &ignored);
        saves.push_back(Now() - start);
        complete = complete && driver::ReadFileBytes(memoPath) == bytes;

        fprintf(stderr, "round %d: load %.1f ms (%d items), fill %.1f ms (%d items), save %.1f ms\n", round,
                loads.back(), driver::ListItemCount(memoList), fills.back(), driver::ListItemCount(fillList),
                saves.back());
        const std::string copyPath = folder + "\\copy.tmk";
        start = Now();
        HANDLE file =
            CreateFileA(copyPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
        CloseHandle(file);
        writes.push_back(Now() - start);

        // The save also makes the system put the bytes on the disk before the new file replaces the old.
        start = Now();
        file = CreateFileA(copyPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
        FlushFileBuffers(file);
        CloseHandle(file);
        flushedWrites.push_back(Now() - start);
    }
    driver::Screenshot(tarmik.mainWindow, "bench_memo_loaded");
    driver::Stop(&yardstick);

    // Scrolling the loaded memo, whose rows are checked in the registry, beside the same memo whose
    // key paths name no root key, in a second program side by side.
    const std::string uncheckedPath = folder + "\\unchecked.tmk";
    driver::WriteFileBytes(uncheckedPath, driver::MemoBytes(WithoutRootNames(memo)));
    driver::Program unchecked;
    std::vector<double> checkedScrolls, uncheckedScrolls;
    const int kPages = 40;
    if (complete && driver::Start(&unchecked, folder + "\\tarmik.exe", uncheckedPath) &&
        driver::WaitForMainWindow(&unchecked) &&
        driver::WaitFor(
            [&] { return driver::ListItemCount(GetDlgItem(unchecked.mainWindow, 1001)) == gEntryCount + 1; }, 120000))
    {
        HWND uncheckedList = GetDlgItem(unchecked.mainWindow, 1001);
        SetWindowPos(tarmik.mainWindow, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(unchecked.mainWindow, nullptr, 640, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        for (int round = 0; round < kRounds; round++)
        {
            checkedScrolls.push_back(ScrollPages(tarmik.mainWindow, memoList, kPages));
            uncheckedScrolls.push_back(ScrollPages(unchecked.mainWindow, uncheckedList, kPages));
            fprintf(stderr, "round %d: %d pages scrolled in %.1f ms with the registry checks, %.1f ms without\n", round,
                    kPages, checkedScrolls.back(), uncheckedScrolls.back());
        }
        driver::Screenshot(tarmik.mainWindow, "bench_memo_scrolled");
    }
    else
    {
        fprintf(stderr, "the memo without root names did not load\n");
        complete = false;
    }
    driver::Stop(&unchecked);
    driver::Stop(&tarmik);
    if (recent) FindCloseChangeNotification(recent);
    if (!complete)
    {
        fprintf(stderr, "a round did not load, fill or save the whole memo\n");
        return 1;
    }
    const double load = Median(loads), fill = Median(fills), save = Median(saves), write = Median(writes);
    printf("load and show:  %8.1f ms   list-view fill of the same items: %8.1f ms   ratio %.2f (goal <= 1.3)\n", load,
           fill, load / fill);
    printf("save:           %8.1f ms   one WriteFile of the same bytes:  %8.1f ms   ratio %.2f\n", save, write,
           save / write);
    printf("                            WriteFile and FlushFileBuffers:   %8.1f ms   ratio %.2f (goal <= 2)\n",
           Median(flushedWrites), save / Median(flushedWrites));
    const double checkedScroll = Median(checkedScrolls), uncheckedScroll = Median(uncheckedScrolls);
    printf("scroll a page:  %8.2f ms   the same without registry checks: %8.2f ms   ratio %.2f (goal <= 1.2)\n",
           checkedScroll / kPages, uncheckedScroll / kPages, checkedScroll / uncheckedScroll);
    return 0;
}
