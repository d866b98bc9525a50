// Opening a key through tarmik.exe, timed against a minimal program that sends the Registry Editor the
// same walk's messages itself, side by side in one run on one running Registry Editor. Then a key made
// after its parent was shown, against the minimal program listing that parent's children again once;
// and the last of 5,000 siblings against the first, both through tarmik.exe.
//   open_key_bench.exe FOLDER   (FOLDER holds tarmik.exe; the memo is written there)
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

static const int kRounds = 15;

struct Case
{
    const char *name;
    const char *keyPath; // as the memo holds it
    const char *valueName;
    std::vector<std::string> components; // the tree texts the walk matches, below the first root item
};

static double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1000.0 / frequency.QuadPart;
}

static void Put16(std::vector<unsigned char> *out, size_t value)
{
    out->push_back((unsigned char)value);
    out->push_back((unsigned char)(value >> 8));
}

static bool WriteMemo(const std::string &path, const std::vector<Case> &cases)
{
    std::vector<unsigned char> bytes;
    Put16(&bytes, 4);
    Put16(&bytes, 1);
    Put16(&bytes, cases.size());
    for (const Case &c : cases)
    {
        Put16(&bytes, 0);
        Put16(&bytes, strlen(c.keyPath));
        Put16(&bytes, strlen(c.valueName));
        bytes.insert(bytes.end(), c.keyPath, c.keyPath + strlen(c.keyPath));
        bytes.insert(bytes.end(), c.valueName, c.valueName + strlen(c.valueName));
    }
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return false;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    return true;
}

struct Editor
{
    HWND window, tree, list;
    DWORD threadId, pid;
};

static bool FindControls(HWND parent, Editor *editor)
{
    editor->tree = FindWindowExA(parent, nullptr, "SysTreeView32", nullptr);
    editor->list = FindWindowExA(parent, nullptr, "SysListView32", nullptr);
    return editor->tree && editor->list;
}

static bool FindEditor(Editor *editor)
{
    editor->window = FindWindowA("RegEdit_RegEdit", nullptr);
    if (!editor->window) return false;
    editor->threadId = GetWindowThreadProcessId(editor->window, &editor->pid);
    if (FindControls(editor->window, editor)) return true;
    for (HWND child = GetWindow(editor->window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (FindControls(child, editor)) return true;
    return false;
}

static HTREEITEM Next(HWND tree, UINT relation, HTREEITEM item)
{
    return (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, relation, (LPARAM)item);
}

// The minimal program: the open's messages, sent straight, with nothing around them. With `relistAt`,
// the children of that component's parent are listed anew before they are looked through.
static void OpenDirectly(const Case &c, size_t relistAt = (size_t)-1)
{
    Editor e;
    if (!FindEditor(&e)) return;
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, e.pid);
    SetForegroundWindow(e.window);
    if (AttachThreadInput(e.threadId, GetCurrentThreadId(), TRUE))
    {
        SetFocus(e.window);
        AttachThreadInput(e.threadId, GetCurrentThreadId(), FALSE);
    }
    const size_t cbRecord = sizeof(TVITEMA);
    char *remote = (char *)VirtualAllocEx(process, nullptr, cbRecord + 256, MEM_COMMIT, PAGE_READWRITE);
    HTREEITEM item = Next(e.tree, TVGN_ROOT, nullptr);
    for (size_t level = 0; level < c.components.size(); level++)
    {
        const std::string &name = c.components[level];
        SendMessageA(e.tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
        if (level == relistAt)
        {
            SendMessageA(e.tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, (LPARAM)item);
            SendMessageA(e.tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
        }
        HTREEITEM match = nullptr;
        for (HTREEITEM child = Next(e.tree, TVGN_CHILD, item); child && !match; child = Next(e.tree, TVGN_NEXT, child))
        {
            TVITEMA record = {};
            record.mask = TVIF_TEXT;
            record.hItem = child;
            record.pszText = remote + cbRecord;
            record.cchTextMax = 256;
            WriteProcessMemory(process, remote, &record, cbRecord, nullptr);
            SendMessageA(e.tree, TVM_GETITEMA, 0, (LPARAM)remote);
            char text[256];
            ReadProcessMemory(process, remote + cbRecord, text, sizeof text, nullptr);
            text[255] = 0;
            if (!lstrcmpiA(text, name.c_str())) match = child;
        }
        item = match;
    }
    SendMessageA(e.tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)Next(e.tree, TVGN_ROOT, nullptr));
    for (int i = 0; i < 60 && SendMessageA(e.list, LVM_GETITEMCOUNT, 0, 0); i++) Sleep(50);
    SendMessageA(e.tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
    for (int i = 0; i < 60 && !SendMessageA(e.list, LVM_GETITEMCOUNT, 0, 0); i++) Sleep(50);
    int count = (int)SendMessageA(e.list, LVM_GETITEMCOUNT, 0, 0);
    int row = -1;
    for (int i = count - 1; i >= 1 && row < 0; i--)
    {
        LVITEMA record = {};
        record.mask = LVIF_TEXT;
        record.iItem = i;
        record.pszText = remote + cbRecord;
        record.cchTextMax = 256;
        WriteProcessMemory(process, remote, &record, cbRecord, nullptr);
        SendMessageA(e.list, LVM_GETITEMA, 0, (LPARAM)remote);
        char bytes[cbRecord + 256];
        ReadProcessMemory(process, remote, bytes, sizeof bytes, nullptr);
        bytes[sizeof bytes - 1] = 0;
        if (!lstrcmpiA(bytes + cbRecord, c.valueName)) row = i;
    }
    LVITEMA state = {};
    state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &state, cbRecord, nullptr);
    SendMessageA(e.list, LVM_SETITEMSTATE, row, (LPARAM)remote);
    SendMessageA(e.list, LVM_ENSUREVISIBLE, row, FALSE);
    if (AttachThreadInput(e.threadId, GetCurrentThreadId(), TRUE))
    {
        SetFocus(e.list);
        GetFocus();
        AttachThreadInput(e.threadId, GetCurrentThreadId(), FALSE);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
}

// Leaves the Registry Editor as every timed open finds it: the first root item selected, the list empty.
static void Reset()
{
    Editor e;
    if (!FindEditor(&e)) return;
    SendMessageA(e.tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)Next(e.tree, TVGN_ROOT, nullptr));
}

// Selects memo row `row` of tarmik's list (the list lives in tarmik: the record goes there).
static void SelectMemoRow(HWND list, int row)
{
    DWORD pid;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    void *remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE);
    LVITEMA record = {};
    record.state = record.stateMask = LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &record, sizeof record, nullptr);
    SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)remote);
    record.state = record.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &record, sizeof record, nullptr);
    SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)remote);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    for (int i = 0; i < 100 && SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED) != row; i++) Sleep(10);
}

static std::string SelectedRowText(const Editor &e)
{
    int row = (int)SendMessageA(e.list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    return row < 0 ? std::string("(none)") : std::to_string(row);
}

static double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

static std::string Numbered(const char *prefix, int n, const char *suffix)
{
    char text[64];
    snprintf(text, sizeof text, "%s%02d%s", prefix, n, suffix);
    return text;
}

static void MakeKeyWithValue(const std::string &path)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "Made", 0, REG_SZ, (const BYTE *)"m", 2);
    RegCloseKey(key);
}

// One open through tarmik's memo row `row`, in ms, after the Registry Editor was put back as every
// open finds it; *selectedRow tells what it selected.
static double TimeTarmikOpen(HWND main, HWND memoList, int row, const Editor &e, std::string *selectedRow)
{
    DWORD_PTR ignored;
    SelectMemoRow(memoList, row);
    Reset();
    double start = Now();
    SendMessageTimeoutA(main, WM_COMMAND, 40012, 0, SMTO_NORMAL, 60000, &ignored);
    double ms = Now() - start;
    *selectedRow = SelectedRowText(e);
    return ms;
}

int main(int argc, char **argv)
{
    if (argc < 2) return 2;
    std::string folder = argv[1];

    // Eight levels under HKEY_CURRENT_USER, made for the run and removed after it.
    std::string deep = "Software\\TarmikBench";
    std::vector<std::string> deepComponents = {"HKEY_CURRENT_USER", "Software", "TarmikBench"};
    for (int level = 1; level <= 8; level++)
    {
        deep += "\\Level" + std::to_string(level);
        deepComponents.push_back("Level" + std::to_string(level));
    }
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, deep.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "Bottom", 0, REG_SZ, (const BYTE *)"8", 2);
    RegCloseKey(key);

    // HKEY_CLASSES_ROOT\.txt as Windows has it, made for the run when the system lacks it.
    HKEY txt;
    DWORD disposition = 0;
    RegCreateKeyExA(HKEY_CLASSES_ROOT, ".txt", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &txt, &disposition);
    bool madeTxt = disposition == REG_CREATED_NEW_KEY;
    if (madeTxt)
    {
        RegSetValueExA(txt, "", 0, REG_SZ, (const BYTE *)"txtfile", 8);
        RegSetValueExA(txt, "Content Type", 0, REG_SZ, (const BYTE *)"text/plain", 11);
        RegSetValueExA(txt, "PerceivedType", 0, REG_SZ, (const BYTE *)"text", 5);
    }
    RegCloseKey(txt);

    const std::vector<Case> cases = {
        {"HKCU, 8 levels deep",
         "HKCU\\Software\\TarmikBench\\Level1\\Level2\\Level3\\Level4\\Level5\\Level6\\Level7\\Level8", "Bottom",
         deepComponents},
        {"HKEY_CLASSES_ROOT\\.txt", "HKEY_CLASSES_ROOT\\.txt", "Content Type", {"HKEY_CLASSES_ROOT", ".txt"}},
    };
    // Keys made during the run, after their parent was shown: one for tarmik and one for the minimal
    // program in each round, named so that they stand side by side among the parent's children.
    std::vector<std::string> madeNames, madePaths;
    for (int round = 0; round <= kRounds; round++)
    {
        madeNames.push_back(Numbered("Made", round, "A"));
        madePaths.push_back("HKCU\\Software\\TarmikBench\\" + madeNames.back());
    }
    std::vector<Case> memoRows = cases;
    const size_t madeFirstRow = memoRows.size();
    for (int round = 0; round <= kRounds; round++)
    {
        memoRows.push_back({"made",
                            madePaths[round].c_str(),
                            "Made",
                            {"HKEY_CURRENT_USER", "Software", "TarmikBench", madeNames[round]}});
    }

    // 5,000 siblings under one parent; the first and the last are opened, with its default value.
    const int kSiblings = 5000;
    HKEY wide;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\TarmikBenchWide", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &wide,
                    nullptr);
    for (int i = 0; i < kSiblings; i++)
    {
        char name[16];
        snprintf(name, sizeof name, "Key%04d", i);
        HKEY sibling;
        RegCreateKeyExA(wide, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sibling, nullptr);
        RegCloseKey(sibling);
    }
    const size_t wideFirstRow = memoRows.size();
    memoRows.push_back({"first", "HKCU\\Software\\TarmikBenchWide\\Key0000", "", {}});
    memoRows.push_back({"last", "HKCU\\Software\\TarmikBenchWide\\Key4999", "", {}});

    std::string memo = folder + "\\bench.tmk";
    WriteMemo(memo, memoRows);

    std::string commandLine = "\"" + folder + "\\tarmik.exe\" " + memo;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION tarmik = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &tarmik))
    {
        printf("tarmik.exe did not start\n");
        return 1;
    }
    WaitForInputIdle(tarmik.hProcess, 10000);
    HWND main = nullptr;
    for (int i = 0; i < 200 && !(main = FindWindowA("Oskelund_Tarmik", nullptr)); i++) Sleep(50);
    HWND memoList = main ? GetDlgItem(main, 1001) : nullptr;
    DWORD_PTR ignored;
    Editor before = {};
    bool editorWasRunning = FindEditor(&before);
    // The Registry Editor runs before the first timed open: started through tarmik's own start command.
    SendMessageTimeoutA(main, WM_COMMAND, 40015, 0, SMTO_NORMAL, 20000, &ignored);
    Editor e = {};
    for (int i = 0; i < 100 && !FindEditor(&e); i++) Sleep(100);
    if (!memoList || !e.tree)
    {
        printf("no tarmik window or no Registry Editor\n");
        TerminateProcess(tarmik.hProcess, 0);
        return 1;
    }

    printf("open_key: tarmik.exe against the same walk's messages sent directly, %d rounds, median ms\n", kRounds);
    double totalTarmik = 0, totalDirect = 0;
    bool failed = false;
    for (size_t c = 0; c < cases.size() && !failed; c++)
    {
        std::vector<double> viaTarmik, direct;
        SelectMemoRow(memoList, (int)c);
        for (int round = 0; round <= kRounds; round++)
        {
            Reset();
            double start = Now();
            SendMessageTimeoutA(main, WM_COMMAND, 40012, 0, SMTO_NORMAL, 30000, &ignored);
            double tarmikMs = Now() - start;
            std::string tarmikRow = SelectedRowText(e);
            Reset();
            start = Now();
            OpenDirectly(cases[c]);
            double directMs = Now() - start;
            std::string directRow = SelectedRowText(e);
            if (tarmikRow != directRow || tarmikRow == "(none)")
            {
                printf("  %s: the two opens disagree (rows %s and %s)\n", cases[c].name, tarmikRow.c_str(),
                       directRow.c_str());
                failed = true;
                break;
            }
            if (round == 0) continue; // warms the tree's expansion and the caches of both
            viaTarmik.push_back(tarmikMs);
            direct.push_back(directMs);
        }
        if (failed) break;
        double t = Median(viaTarmik), d = Median(direct);
        totalTarmik += t;
        totalDirect += d;
        printf("  %-24s tarmik %7.2f ms   direct %7.2f ms   ratio %.2f\n", cases[c].name, t, d, t / d);
    }
    if (!failed) printf("  %-24s ratio %.2f (goal at most 1.30)\n", "both", totalTarmik / totalDirect);

    // A key made after its parent was shown: tarmik finds it missing, has the parent listed anew and
    // looks again; the minimal program lists the parent anew once, knowing it must.
    std::vector<double> madeTarmik, madeDirect;
    for (int round = 0; round <= kRounds && !failed; round++)
    {
        const Case &row = memoRows[madeFirstRow + round];
        MakeKeyWithValue("Software\\TarmikBench\\" + row.components.back());
        std::string tarmikRow, directRow;
        double tarmikMs = TimeTarmikOpen(main, memoList, (int)(madeFirstRow + round), e, &tarmikRow);
        Case direct = row;
        direct.components.back() = Numbered("Made", round, "B");
        MakeKeyWithValue("Software\\TarmikBench\\" + direct.components.back());
        Reset();
        double start = Now();
        OpenDirectly(direct, direct.components.size() - 1);
        double directMs = Now() - start;
        directRow = SelectedRowText(e);
        if (tarmikRow != directRow || tarmikRow == "(none)")
        {
            printf("  made after shown: the two opens disagree (rows %s and %s)\n", tarmikRow.c_str(),
                   directRow.c_str());
            failed = true;
        }
        if (round == 0) continue;
        madeTarmik.push_back(tarmikMs);
        madeDirect.push_back(directMs);
    }
    if (!failed)
    {
        double t = Median(madeTarmik), d = Median(madeDirect);
        printf("  %-24s tarmik %7.2f ms   direct %7.2f ms   ratio %.2f (listed anew once)\n", "made after shown", t, d,
               t / d);
    }

    // The last of 5,000 siblings against the first, the parent shown by the warming round.
    std::vector<double> firstMs, lastMs;
    for (int round = 0; round <= kRounds && !failed; round++)
    {
        std::string firstRow, lastRow;
        double first = TimeTarmikOpen(main, memoList, (int)wideFirstRow, e, &firstRow);
        double last = TimeTarmikOpen(main, memoList, (int)wideFirstRow + 1, e, &lastRow);
        if (firstRow != "0" || lastRow != "0")
        {
            printf("  5,000 siblings: the default value was not selected (rows %s and %s)\n", firstRow.c_str(),
                   lastRow.c_str());
            failed = true;
        }
        if (round == 0) continue;
        firstMs.push_back(first);
        lastMs.push_back(last);
    }
    if (!failed)
    {
        double f = Median(firstMs), l = Median(lastMs);
        printf("  %-24s last %7.2f ms   first %7.2f ms   ratio %.2f (goal at most 1.20)\n", "5,000 siblings", l, f,
               l / f);
    }

    PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(tarmik.hProcess, 5000) == WAIT_TIMEOUT) TerminateProcess(tarmik.hProcess, 0);
    CloseHandle(tarmik.hProcess);
    CloseHandle(tarmik.hThread);
    // A Registry Editor started for the run ends with it.
    HANDLE editor = editorWasRunning ? nullptr : OpenProcess(PROCESS_TERMINATE, FALSE, e.pid);
    if (editor)
    {
        TerminateProcess(editor, 0);
        CloseHandle(editor);
    }
    if (madeTxt) RegDeleteKeyA(HKEY_CLASSES_ROOT, ".txt");
    for (int i = 0; i < kSiblings; i++)
    {
        char name[16];
        snprintf(name, sizeof name, "Key%04d", i);
        RegDeleteKeyA(wide, name);
    }
    RegCloseKey(wide);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TarmikBenchWide");
    for (int round = 0; round <= kRounds; round++)
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\TarmikBench\\" + Numbered("Made", round, "A")).c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\TarmikBench\\" + Numbered("Made", round, "B")).c_str());
    }
    // Keys made for the run go again, deepest first.
    for (std::string path = deep; path != "Software"; path = path.substr(0, path.rfind('\\')))
        RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
    return failed ? 1 : 0;
}
