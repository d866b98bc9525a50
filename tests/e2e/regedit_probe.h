// Looks at a Registry Editor (Wine's own, or the stand-in) from outside, independently of the bridge:
// its selection, focus, expansion and value editors, and sets them up as a user would leave them.
// Item records are laid out for this program's width: of a Registry Editor of the other width, only what
// needs no record (counts, rows, windows, focus) reads right.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/support/driver.h"

// The bridge's messages about a Registry Editor it will not drive: of the other width, as each build says it.
static const char kRefusedBy64Bit[] =
    "このレジストリ エディタは 32 ビット版のため、64 ビット版のタルミクからは操作できません。"
    "32 ビット版のタルミクを使ってください。";
static const char kRefusedBy32Bit[] =
    "このレジストリ エディタは 64 ビット版のため、32 ビット版のタルミクからは操作できません。"
    "64 ビット版のタルミクを使ってください。";
static const char kBusy[] =
    "レジストリ エディタでダイアログが開いています。ダイアログを閉じてから、もう一度実行してください。";

namespace regedit
{

struct Editor
{
    HWND window = nullptr;
    HWND tree = nullptr;
    HWND list = nullptr;
    DWORD threadId = 0;
    DWORD pid = 0;
};

inline bool FindControlsIn(HWND parent, Editor *editor)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        std::string cls = driver::GetClass(child);
        if (cls == "SysTreeView32") editor->tree = child;
        if (cls == "SysListView32") editor->list = child;
    }
    return editor->tree && editor->list;
}

// The running Registry Editor, with its controls wherever they are.
inline Editor Find()
{
    Editor editor;
    editor.window = FindWindowA("RegEdit_RegEdit", nullptr);
    if (!editor.window) return editor;
    editor.threadId = GetWindowThreadProcessId(editor.window, &editor.pid);
    if (!FindControlsIn(editor.window, &editor))
    {
        for (HWND child = GetWindow(editor.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        {
            editor.tree = editor.list = nullptr;
            if (FindControlsIn(child, &editor)) break;
        }
    }
    return editor;
}

inline Editor WaitFor(DWORD timeoutMs = 15000)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        Editor editor = Find();
        if (editor.tree || GetTickCount() - start > timeoutMs) return editor;
        Sleep(50);
    }
}

inline HTREEITEM Item(HWND tree, UINT relation, HTREEITEM item = nullptr)
{
    return (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, relation, (LPARAM)item);
}

inline std::string ItemText(HWND tree, HTREEITEM item)
{
    driver::RemoteMemory remote(tree, sizeof(TVITEMA) + 512);
    TVITEMA record = {};
    record.mask = TVIF_TEXT;
    record.hItem = item;
    record.pszText = (char *)(remote.address()) + sizeof record;
    record.cchTextMax = 512;
    remote.Write(&record, sizeof record);
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)(remote.address()));
    char text[512] = "";
    remote.Read(text, sizeof text - 1, sizeof record);
    return text;
}

// The full path of an item below the first root item, joined by "\"; empty for the first root item.
inline std::string ItemPath(HWND tree, HTREEITEM item)
{
    HTREEITEM root = Item(tree, TVGN_ROOT);
    std::string path;
    for (; item && item != root; item = Item(tree, TVGN_PARENT, item))
        path = path.empty() ? ItemText(tree, item) : ItemText(tree, item) + "\\" + path;
    return path;
}

inline std::string SelectedPath(const Editor &editor)
{
    return ItemPath(editor.tree, Item(editor.tree, TVGN_CARET));
}

// The item of a path of exact texts below the first root item, expanding on the way; null when missing.
inline HTREEITEM FindPath(HWND tree, const std::vector<std::string> &components)
{
    HTREEITEM item = Item(tree, TVGN_ROOT);
    for (const std::string &name : components)
    {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
        HTREEITEM child = Item(tree, TVGN_CHILD, item);
        while (child && ItemText(tree, child) != name) child = Item(tree, TVGN_NEXT, child);
        if (!child) return nullptr;
        item = child;
    }
    return item;
}

inline bool IsExpanded(HWND tree, HTREEITEM item)
{
    return (SendMessageA(tree, TVM_GETITEMSTATE, (WPARAM)item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

inline void Collapse(HWND tree, HTREEITEM item)
{
    SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)item);
}

inline void Select(HWND tree, HTREEITEM item)
{
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

inline std::vector<int> SelectedRows(HWND list)
{
    std::vector<int> rows;
    for (int row = -1; (row = (int)SendMessageA(list, LVM_GETNEXTITEM, row, LVNI_SELECTED)) >= 0;) rows.push_back(row);
    return rows;
}

inline int FocusedRow(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED);
}

inline std::string RowText(HWND list, int row)
{
    driver::RemoteMemory remote(list, sizeof(LVITEMA) + 512);
    LVITEMA record = {};
    record.mask = LVIF_TEXT;
    record.iItem = row;
    record.pszText = (char *)(remote.address()) + sizeof record;
    record.cchTextMax = 512;
    remote.Write(&record, sizeof record);
    SendMessageA(list, LVM_GETITEMA, 0, (LPARAM)(remote.address()));
    char text[512] = "";
    remote.Read(text, sizeof text - 1, sizeof record);
    return text;
}

inline int RowCount(HWND list)
{
    return (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
}

inline void SetRowState(HWND list, int row, UINT state, UINT mask)
{
    driver::RemoteMemory remote(list, sizeof(LVITEMA));
    LVITEMA record = {};
    record.state = state;
    record.stateMask = mask;
    remote.Write(&record, sizeof record);
    SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)(remote.address()));
}

// Marks exactly `rows` selected in the list (-1 clears every row first).
inline void SelectRows(HWND list, const std::vector<int> &rows)
{
    SetRowState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : rows) SetRowState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// The Registry Editor's keyboard focus, as its own thread sees it.
inline HWND Focus(const Editor &editor)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(editor.threadId, &info)) return nullptr;
    return info.hwndFocus;
}

// Returns once the Registry Editor has handled what was sent or posted to it before and waits for input.
inline void Settle(const Editor &editor)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(editor.window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, editor.pid);
    if (!process) return;
    WaitForInputIdle(process, 5000);
    CloseHandle(process);
}

// Gives a control of the Registry Editor the focus, as a click into it would.
inline void FocusControl(const Editor &editor, HWND control)
{
    if (AttachThreadInput(editor.threadId, GetCurrentThreadId(), TRUE))
    {
        SetFocus(control);
        AttachThreadInput(editor.threadId, GetCurrentThreadId(), FALSE);
    }
}

// A visible value editor of the Registry Editor: Wine's value dialogs, or the stand-in's window.
inline HWND ValueEditor(const Editor &editor)
{
    for (HWND window : driver::WindowsOf(editor.pid))
    {
        std::string cls = driver::GetClass(window);
        if (window != editor.window && (cls == "#32770" || cls == "StandinValueEditor")) return window;
    }
    return nullptr;
}

inline HWND WaitForValueEditor(const Editor &editor, DWORD timeoutMs = 3000)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        if (HWND window = ValueEditor(editor)) return window;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(20);
    }
}

// Closes every value editor that is open.
inline void CloseValueEditors(const Editor &editor)
{
    for (int i = 0; i < 5; i++)
    {
        HWND window = ValueEditor(editor);
        if (!window) return;
        if (driver::GetClass(window) == "#32770")
            SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
        else
            SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

// Ends every Registry Editor that has a window (Wine's or the stand-in), waiting until it is gone.
inline void CloseAll()
{
    for (int i = 0; i < 10; i++)
    {
        Editor editor = Find();
        if (!editor.window || editor.pid == GetCurrentProcessId()) return;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, editor.pid);
        if (!process) return;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
        for (int j = 0; j < 50 && IsWindow(editor.window); j++) Sleep(20);
    }
}

} // namespace regedit
