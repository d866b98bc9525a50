// The bridge in this process against the stand-in Registry Editor (regedit.exe beside this program) and
// against a tree and list hosted on a thread of its own: what only the caller of the bridge can see —
// the result of the lookup, the buffers and handles, the input attachment, the sink contract — and the
// shared-view strategy of Windows 95/98/Me, whose addresses are only valid within one process here.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "bridge/bridge.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "tests/e2e/regedit_probe.h"

// What start-up gives the bridge, and the message boxes, kept here so that every report can be counted.
bool gIsNtFamily = true;
BoundFunctions gBound;
HWND gMainWindow;

static std::vector<std::string> shownMessages;
static std::vector<HWND> messageOwners;
static int systemErrors;

int ShowMessage(HWND owner, const char *text, UINT)
{
    shownMessages.push_back(text);
    messageOwners.push_back(owner);
    return IDOK;
}
void ReportSystemError(HWND, int)
{
    systemErrors++;
}

static int allocations, releases;
static SIZE_T lastAllocationSize;

static LPVOID WINAPI CountedAlloc(HANDLE process, LPVOID at, SIZE_T cb, DWORD type, DWORD protect)
{
    LPVOID remote = VirtualAllocEx(process, at, cb, type, protect);
    if (remote) allocations++;
    lastAllocationSize = cb;
    return remote;
}

static BOOL WINAPI CountedFree(HANDLE process, LPVOID at, SIZE_T cb, DWORD type)
{
    BOOL freed = VirtualFreeEx(process, at, cb, type);
    if (freed) releases++;
    return freed;
}

static std::string Folder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    *strrchr(path, '\\') = 0;
    return path;
}

static void SetStandinMode(const char *mode)
{
    std::string text = mode;
    driver::WriteFileBytes(Folder() + "\\regedit.mode", std::vector<uint8_t>(text.begin(), text.end()));
    DeleteFileA((Folder() + "\\regedit.window").c_str());
    DeleteFileA((Folder() + "\\regedit.pid").c_str());
}

static DWORD ReadNumberBeside(const char *name)
{
    std::vector<uint8_t> bytes = driver::ReadFileBytes(Folder() + "\\" + name);
    bytes.push_back(0);
    return strtoul((const char *)(bytes.data()), nullptr, 10);
}

// The value the next handle of this process gets: it comes back the same only when no handle was left open.
static HANDLE NextHandleValue()
{
    HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(probe);
    return probe;
}

// TRUE while this thread's input is still joined to the thread `threadId`.
static bool StillAttached(DWORD threadId)
{
    return AttachThreadInput(threadId, GetCurrentThreadId(), FALSE) != FALSE;
}

// The stand-in's keys below HKEY_CURRENT_USER\Software, kept in the registry while a case runs: the walk
// believes no tree that the registry contradicts.
static const char *const kStandinKeys[] = {"Software\\Standin\\Inner", "Software\\Standin",
                                           "Software\\\x83\x5c\x83\x74\x83\x67"};

class Bridge : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        regedit::CloseAll();
        for (const char *path : kStandinKeys)
        {
            HKEY key;
            if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                ERROR_SUCCESS)
                RegCloseKey(key);
        }
        gIsNtFamily = true;
        gBound.VirtualAllocEx = CountedAlloc;
        gBound.VirtualFreeEx = CountedFree;
        gBound.IsWow64Process = IsWow64Process;
        shownMessages.clear();
        messageOwners.clear();
        systemErrors = allocations = releases = 0;
        SetStandinMode("");
    }
    void TearDown() override
    {
        regedit::CloseAll();
        for (const char *path : kStandinKeys) RegDeleteKeyA(HKEY_CURRENT_USER, path);
    }

    // Starts the stand-in through the bridge and waits for its tree.
    regedit::Editor StartStandin()
    {
        RegistryEditorTarget target;
        if (!FindOrStartRegistryEditor(nullptr, &target)) return regedit::Editor();
        if (target.process) CloseHandle(target.process);
        return regedit::WaitFor();
    }
};

TEST_F(Bridge, StartedEditorIsTakenOnceItsWindowAppears)
{
    SetStandinMode("late");
    HANDLE before = NextHandleValue();
    DWORD start = GetTickCount();
    RegistryEditorTarget target;
    ASSERT_TRUE(FindOrStartRegistryEditor(nullptr, &target));
    DWORD found = GetTickCount();
    // The stand-in writes its stamp once its window is made, which may be after the poll found it.
    DWORD created = 0;
    for (int wait = 0; wait < 100 && !created; wait++, Sleep(20)) created = ReadNumberBeside("regedit.window");
    DWORD pid = 0;

    ASSERT_TRUE(target.window);
    EXPECT_EQ(target.threadId, GetWindowThreadProcessId(target.window, &pid));
    EXPECT_EQ(ReadNumberBeside("regedit.pid"), pid);
    ASSERT_TRUE(target.process);
    EXPECT_EQ(GetProcessId(target.process), pid);
    // The stand-in waits 250 ms before its window, so no earlier poll than the third can see it. How soon
    // after its creation a poll takes it is the benchmark's to tell, not a test's.
    EXPECT_GE(found - start, 300u);
    EXPECT_GE(found, created);
    EXPECT_TRUE(shownMessages.empty());
    CloseHandle(target.process);
    EXPECT_EQ(before, NextHandleValue());

    // Started again while it runs: the same window, minimised before, is restored and brought to the front.
    ShowWindow(target.window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(target.window));
    RegistryEditorTarget again;
    ASSERT_TRUE(FindOrStartRegistryEditor(nullptr, &again));
    EXPECT_EQ(again.window, target.window);
    EXPECT_FALSE(IsIconic(target.window));
    EXPECT_EQ(GetForegroundWindow(), target.window);
    ASSERT_TRUE(again.process);
    EXPECT_EQ(GetProcessId(again.process), pid);
    CloseHandle(again.process);
}

TEST_F(Bridge, EditorThatNeverShowsAWindowIsGivenUpSilentlyAndLeftRunning)
{
    SetStandinMode("never");
    HANDLE before = NextHandleValue();
    DWORD start = GetTickCount();
    RegistryEditorTarget target;
    EXPECT_FALSE(FindOrStartRegistryEditor(nullptr, &target));
    DWORD elapsed = GetTickCount() - start;
    EXPECT_FALSE(target.window);
    EXPECT_FALSE(target.process);
    // A hundred polls 100 ms apart, and not twice as many.
    EXPECT_GE(elapsed, 10000u);
    EXPECT_LT(elapsed, 15000u);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(systemErrors, 0);
    EXPECT_EQ(before, NextHandleValue());

    HANDLE standin = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ReadNumberBeside("regedit.pid"));
    ASSERT_TRUE(standin);
    EXPECT_EQ(WaitForSingleObject(standin, 0), (DWORD)WAIT_TIMEOUT) << "the started process keeps running";
    TerminateProcess(standin, 0);
    WaitForSingleObject(standin, 5000);
    CloseHandle(standin);
}

TEST_F(Bridge, WithoutTheNtFamilyNoProcessHandleIsEverReturned)
{
    gIsNtFamily = false;
    SetStandinMode("late");
    RegistryEditorTarget started, running;
    ASSERT_TRUE(FindOrStartRegistryEditor(nullptr, &started));
    EXPECT_FALSE(started.process);
    ASSERT_TRUE(FindOrStartRegistryEditor(nullptr, &running));
    EXPECT_EQ(running.window, started.window);
    EXPECT_FALSE(running.process);
}

TEST_F(Bridge, EditorWithoutAValueListEndsTheOperationsBeforeAnyBuffer)
{
    SetStandinMode("nolist");
    RegistryEditorTarget target;
    ASSERT_TRUE(FindOrStartRegistryEditor(nullptr, &target));
    CloseHandle(target.process);
    HWND tree, list;
    EXPECT_FALSE(FindRegistryEditorControls(target.window, &tree, &list));

    HANDLE before = NextHandleValue();
    char path[] = "HKCU\\Software\\Standin";
    OpenKeyInRegistryEditor(path, "Beta", FALSE, 0, nullptr);
    CaptureRegistryEditorSelection([](const char *, const char *, BOOL, HWND) { return 1; }, nullptr);
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(shownMessages.empty());
    EXPECT_EQ(systemErrors, 0);
    EXPECT_EQ(before, NextHandleValue());
    EXPECT_FALSE(StillAttached(target.threadId));
}

TEST_F(Bridge, RefusedProcessAccessIsReportedOnceAndTouchesNoControl)
{
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.list);
    BridgeBuffer buffer;
    EXPECT_FALSE(AcquireBridgeBuffer(nullptr, nullptr, &buffer));
    EXPECT_EQ(systemErrors, 1);
    EXPECT_EQ(allocations, 0);
}

TEST_F(Bridge, TreeTextsAreCutByTheControlAndEachReadReplacesTheLast)
{
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.tree);
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, editor.pid);
    BridgeBuffer buffer;
    ASSERT_TRUE(AcquireBridgeBuffer(process, nullptr, &buffer));
    EXPECT_EQ(lastAllocationSize, (SIZE_T)CB_BRIDGE_BUFFER);

    HTREEITEM hkcu = regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER"});
    HTREEITEM longItem = regedit::Item(editor.tree, TVGN_CHILD, hkcu);
    while (longItem && regedit::ItemText(editor.tree, longItem).size() < 255)
        longItem = regedit::Item(editor.tree, TVGN_NEXT, longItem);
    ASSERT_TRUE(longItem);

    const char *first = ReadTreeItemText(editor.tree, longItem, &buffer);
    EXPECT_EQ(std::string(first), std::string(255, 'L'));
    const char *second = ReadTreeItemText(editor.tree, hkcu, &buffer);
    EXPECT_EQ(first, second) << "one text area serves every read";
    EXPECT_STREQ(first, "HKEY_CURRENT_USER");

    ReleaseBridgeBuffer(&buffer);
    EXPECT_EQ(releases, 1);
    CloseHandle(process);
}

TEST_F(Bridge, OpeningWaitsForASlowValueListAndReleasesEverything)
{
    SetStandinMode("slowlist");
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.list);
    HANDLE before = NextHandleValue();

    char path[] = "  hkcu\\software\\standin";
    OpenKeyInRegistryEditor(path, "gamma", FALSE, 0, nullptr);
    EXPECT_STREQ(path, "  hkcu\\software\\standin");
    EXPECT_EQ(regedit::SelectedPath(editor), "HKEY_CURRENT_USER\\Software\\Standin");
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{3});
    EXPECT_EQ(regedit::FocusedRow(editor.list), 3);
    EXPECT_EQ(regedit::Focus(editor), editor.list);

    // The key already selected: no wait, the old marks go, the value is marked anew.
    regedit::SelectRows(editor.list, {1, 2});
    DWORD start = GetTickCount();
    char again[] = "HKEY_CURRENT_USER\\Software\\Standin";
    OpenKeyInRegistryEditor(again, "Alpha", FALSE, 0, nullptr);
    EXPECT_LT(GetTickCount() - start, 1000u) << "sooner than the stand-in's slow list could refill";
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{1});

    EXPECT_EQ(allocations, 2);
    EXPECT_EQ(releases, 2);
    EXPECT_EQ(before, NextHandleValue());
    EXPECT_FALSE(StillAttached(editor.threadId));
}

TEST_F(Bridge, KeyNamesWithABackslashTrailByteAreOneComponent)
{
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.list);
    char path[] = "HKCU\\Software\\\x83\x5c\x83\x74\x83\x67"; // ソフト
    OpenKeyInRegistryEditor(path, "Kana", FALSE, 0, nullptr);
    EXPECT_EQ(regedit::SelectedPath(editor), "HKEY_CURRENT_USER\\Software\\\x83\x5c\x83\x74\x83\x67");
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{1});
    EXPECT_STREQ(path, "HKCU\\Software\\\x83\x5c\x83\x74\x83\x67");
}

TEST_F(Bridge, EnterOpensTheValueEditorOnlyForASelectedRowInAFocusedList)
{
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.list);

    char key[] = "HKCU\\Software\\Standin";
    OpenKeyInRegistryEditor(key, "", TRUE, OPEN_VALUE_EDITOR, nullptr);
    EXPECT_EQ(regedit::Focus(editor), editor.tree);
    EXPECT_FALSE(regedit::WaitForValueEditor(editor, 500)) << "a key-only open never presses Enter";

    OpenKeyInRegistryEditor(key, "NoSuchValue", FALSE, OPEN_VALUE_EDITOR, nullptr);
    EXPECT_FALSE(regedit::WaitForValueEditor(editor, 500));

    OpenKeyInRegistryEditor(key, "Beta", FALSE, OPEN_VALUE_EDITOR, nullptr);
    HWND valueEditor = regedit::WaitForValueEditor(editor);
    ASSERT_TRUE(valueEditor);
    EXPECT_EQ(driver::GetText(valueEditor), "Value editor 2");
    EXPECT_FALSE(StillAttached(editor.threadId));
}

// The capture sink of the entry dialog: takes the first value and stops.
static std::vector<std::string> sunk;
static int TakeFirst(const char *keyPath, const char *valueName, BOOL keyOnly, HWND)
{
    sunk.push_back(std::string(keyPath) + "|" + valueName + "|" + (keyOnly ? "1" : "0"));
    return 0;
}
static int TakeAll(const char *keyPath, const char *valueName, BOOL keyOnly, HWND owner)
{
    TakeFirst(keyPath, valueName, keyOnly, owner);
    return 1;
}

TEST_F(Bridge, CaptureFollowsTheSinksAnswerAndBuildsLongPathsWhole)
{
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.list);
    regedit::Select(editor.tree, regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER", "Software", "Standin"}));
    regedit::SelectRows(editor.list, {0, 2, 3});
    regedit::FocusControl(editor, editor.list);
    HANDLE before = NextHandleValue();

    sunk.clear();
    CaptureRegistryEditorSelection(TakeAll, nullptr);
    EXPECT_EQ(sunk, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Standin||0",
                                              "HKEY_CURRENT_USER\\Software\\Standin|Beta|0",
                                              "HKEY_CURRENT_USER\\Software\\Standin|Gamma|0"}));
    sunk.clear();
    regedit::SelectRows(editor.list, {2, 3});
    CaptureRegistryEditorSelection(TakeFirst, nullptr);
    EXPECT_EQ(sunk, std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\Standin|Beta|0"});

    // The tree has the focus: the key alone, with a path beyond the first 256-byte block.
    HTREEITEM hkcu = regedit::FindPath(editor.tree, {"HKEY_CURRENT_USER"});
    HTREEITEM longItem = regedit::Item(editor.tree, TVGN_CHILD, hkcu);
    while (longItem && regedit::ItemText(editor.tree, longItem).size() < 255)
        longItem = regedit::Item(editor.tree, TVGN_NEXT, longItem);
    ASSERT_TRUE(longItem);
    regedit::Select(editor.tree, longItem);
    regedit::FocusControl(editor, editor.tree);
    sunk.clear();
    CaptureRegistryEditorSelection(TakeAll, nullptr);
    EXPECT_EQ(sunk, std::vector<std::string>{"HKEY_CURRENT_USER\\" + std::string(255, 'L') + "||1"});

    // The first root item selected: nothing.
    regedit::Select(editor.tree, regedit::Item(editor.tree, TVGN_ROOT));
    sunk.clear();
    CaptureRegistryEditorSelection(TakeAll, nullptr);
    EXPECT_TRUE(sunk.empty());

    EXPECT_EQ(allocations, releases);
    EXPECT_EQ(before, NextHandleValue());
    EXPECT_FALSE(StillAttached(editor.threadId));
    EXPECT_EQ(systemErrors, 0);
}

// As a 64-bit system answers with this program of one width and every other process of the other.
static BOOL WINAPI OthersOfTheOtherWidth(HANDLE process, PBOOL wow64)
{
    *wow64 = (GetProcessId(process) == GetCurrentProcessId()) == (sizeof(void *) == 4);
    return TRUE;
}

TEST_F(Bridge, EditorOfTheOtherWidthIsToldOfAndNeitherAllocatedInNorDriven)
{
    gBound.IsWow64Process = OthersOfTheOtherWidth;
    HANDLE before = NextHandleValue();
    const HWND owner = GetDesktopWindow(); // only recorded: the message boxes are this test's
    char path[] = "HKCU\\Software\\Standin";
    OpenKeyInRegistryEditor(path, "Beta", FALSE, 0, owner); // started
    regedit::Editor editor = regedit::WaitFor();
    ASSERT_TRUE(editor.tree);
    ShowWindow(editor.window, SW_MINIMIZE);
    OpenKeyInRegistryEditor(path, "Beta", FALSE, 0, owner); // running
    sunk.clear();
    CaptureRegistryEditorSelection(TakeAll, owner);
    EXPECT_EQ(shownMessages, std::vector<std::string>(3, sizeof(void *) == 8 ? kRefusedBy64Bit : kRefusedBy32Bit));
    EXPECT_EQ(messageOwners, std::vector<HWND>(3, owner));
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(sunk.empty());
    EXPECT_TRUE(IsIconic(editor.window)) << "left where it was";
    EXPECT_EQ(regedit::SelectedPath(editor), "");
    EXPECT_EQ(before, NextHandleValue());
    EXPECT_FALSE(StillAttached(editor.threadId));
}

TEST_F(Bridge, EditorWithADialogOfItsOwnIsNotDrivenAndItsDialogComesForward)
{
    regedit::Editor editor = StartStandin();
    ASSERT_TRUE(editor.list);
    char key[] = "HKCU\\Software\\Standin";
    OpenKeyInRegistryEditor(key, "Beta", FALSE, OPEN_VALUE_EDITOR, nullptr);
    HWND valueEditor = regedit::WaitForValueEditor(editor);
    ASSERT_TRUE(valueEditor);
    // A dialog of its own stays in front of it, active or not. Activation of another process's window is
    // asynchronous: wait for it, or it may land after the bridge has brought the dialog forward.
    SetForegroundWindow(editor.window);
    auto foregroundBecomes = [](HWND window) {
        for (int wait = 0; wait < 100 && GetForegroundWindow() != window; wait++) Sleep(20);
        return GetForegroundWindow();
    };
    foregroundBecomes(editor.window);
    const int allocationsBefore = allocations;
    char other[] = "HKLM\\SOFTWARE";
    OpenKeyInRegistryEditor(other, "Version", FALSE, OPEN_VALUE_EDITOR, nullptr);
    sunk.clear();
    CaptureRegistryEditorSelection(TakeAll, nullptr);
    EXPECT_EQ(shownMessages, std::vector<std::string>(2, kBusy));
    EXPECT_EQ(allocations, allocationsBefore);
    EXPECT_TRUE(sunk.empty());
    EXPECT_EQ(regedit::SelectedPath(editor), "HKEY_CURRENT_USER\\Software\\Standin");
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{2});
    EXPECT_EQ(foregroundBecomes(valueEditor), valueEditor);
}

// A tree and a list of this process, on a thread of their own, under the Registry Editor's class:
// here the addresses of a shared view are valid on both sides, as on Windows 95/98/Me.
static DWORD WINAPI HostEditor(void *ready)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "RegEdit_RegEdit";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, "RegEdit_RegEdit", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND tree =
        CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 300, window, nullptr, nullptr, nullptr);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 200, 0, 200, 300, window,
                                nullptr, nullptr, nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 150;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    TVINSERTSTRUCTA insert = {};
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.hParent = TVI_ROOT;
    insert.item.pszText = (char *)("Computer");
    insert.hParent = (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    insert.item.pszText = (char *)("HKEY_LOCAL_MACHINE");
    insert.hParent = (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    insert.item.pszText = (char *)("SOFTWARE");
    SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    // The list always shows the same three values; it need not follow the tree for what is checked here.
    const char *rows[] = {"(Default)", "One", "Two"};
    for (int i = 0; i < 3; i++)
    {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (char *)(rows[i]);
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(window);
    return 0;
}

TEST_F(Bridge, SharedViewStrategyOfWindows9x)
{
    gIsNtFamily = false;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD hostThread = 0;
    HANDLE host = CreateThread(nullptr, 0, HostEditor, ready, 0, &hostThread);
    WaitForSingleObject(ready, 5000);
    regedit::Editor editor = regedit::Find();
    ASSERT_TRUE(editor.list);

    char path[] = "HKLM\\software";
    OpenKeyInRegistryEditor(path, "Two", FALSE, 0, nullptr);
    EXPECT_EQ(regedit::SelectedPath(editor), "HKEY_LOCAL_MACHINE\\SOFTWARE");
    EXPECT_EQ(regedit::SelectedRows(editor.list), std::vector<int>{2});
    EXPECT_EQ(allocations, 0) << "no remote allocation without the NT family";

    BridgeBuffer buffer;
    ASSERT_TRUE(AcquireBridgeBuffer(nullptr, nullptr, &buffer));
    EXPECT_TRUE(buffer.mapping);
    MEMORY_BASIC_INFORMATION region;
    ASSERT_TRUE(VirtualQuery(buffer.address, &region, sizeof region));
    EXPECT_EQ(region.Type, (DWORD)MEM_MAPPED) << "the records name the view's own address";
    const char *text = ReadTreeItemText(editor.tree, regedit::Item(editor.tree, TVGN_CARET), &buffer);
    EXPECT_EQ(text, buffer.address + CB_BRIDGE_RECORD);
    EXPECT_STREQ(text, "SOFTWARE");
    BridgeListRecord record = {};
    record.mask = LVIF_TEXT | LVIF_STATE;
    record.iItem = 2;
    record.stateMask = LVIS_SELECTED;
    BridgeBufferBytes copy;
    ReadListItem(editor.list, &record, &buffer, &copy);
    EXPECT_STREQ(copy.text, "Two");
    EXPECT_EQ(copy.record.list.state & LVIS_SELECTED, (UINT)LVIS_SELECTED);
    SetListItemState(editor.list, 2, 0, LVIS_SELECTED | LVIS_FOCUSED, &buffer);
    EXPECT_TRUE(regedit::SelectedRows(editor.list).empty());
    char *view = buffer.address;
    ReleaseBridgeBuffer(&buffer);
    EXPECT_FALSE(VirtualQuery(view, &region, sizeof region) && region.State == MEM_COMMIT && region.Type == MEM_MAPPED);

    PostThreadMessageA(hostThread, WM_QUIT, 0, 0);
    WaitForSingleObject(host, 5000);
    CloseHandle(host);
    CloseHandle(ready);
}
