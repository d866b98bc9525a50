// The Registry Editor bridge: find or start it, drive its tree and value list across the process boundary.
// Callers hand it plain texts, option flags, a capture sink and the owner of its messages.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stddef.h>
#include "bridge/key_path.h"

struct RegistryEditorTarget
{
    HWND window;
    DWORD threadId;
    HANDLE process; // NT family only; owned by the caller
};

// Receives one captured key or value; returns nonzero to take more.
typedef int (*CaptureSink)(const char *keyPath, const char *valueName, BOOL keyOnly, HWND owner);

// The list-view item record as the control reads it, up to iIndent: LVITEMA without the group and
// column members that newer controls added after it.
struct BridgeListRecord
{
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
};
static_assert(offsetof(BridgeListRecord, mask) == offsetof(LVITEMA, mask), "list record");
static_assert(offsetof(BridgeListRecord, iItem) == offsetof(LVITEMA, iItem), "list record");
static_assert(offsetof(BridgeListRecord, iSubItem) == offsetof(LVITEMA, iSubItem), "list record");
static_assert(offsetof(BridgeListRecord, state) == offsetof(LVITEMA, state), "list record");
static_assert(offsetof(BridgeListRecord, stateMask) == offsetof(LVITEMA, stateMask), "list record");
static_assert(offsetof(BridgeListRecord, pszText) == offsetof(LVITEMA, pszText), "list record");
static_assert(offsetof(BridgeListRecord, cchTextMax) == offsetof(LVITEMA, cchTextMax), "list record");
static_assert(offsetof(BridgeListRecord, iImage) == offsetof(LVITEMA, iImage), "list record");
static_assert(offsetof(BridgeListRecord, lParam) == offsetof(LVITEMA, lParam), "list record");
static_assert(offsetof(BridgeListRecord, iIndent) == offsetof(LVITEMA, iIndent), "list record");

// The item record area of the buffer: a tree-view or a list-view item, in the layout of the
// Registry Editor, which has the program's own bitness.
union BridgeRecord {
    TVITEMA tree;
    BridgeListRecord list;
    RECT rect; // TVM_GETITEMRECT: sent holding the item's handle where the rectangle comes back
    TVHITTESTINFO hitTest;
};

enum
{
    CB_BRIDGE_TEXT = 256
};

// The bytes of a bridge buffer: the record, then the text area its text pointer names.
struct BridgeBufferBytes
{
    BridgeRecord record;
    char text[CB_BRIDGE_TEXT];
};

enum
{
    CB_BRIDGE_RECORD = sizeof(BridgeRecord),
    CB_BRIDGE_BUFFER = sizeof(BridgeBufferBytes),
};
static_assert(offsetof(BridgeBufferBytes, text) == CB_BRIDGE_RECORD, "text area right after the record");
#ifdef _WIN64
static_assert(sizeof(TVITEMA) == 56 && CB_BRIDGE_RECORD == 56, "64-bit item record");
static_assert(CB_BRIDGE_BUFFER == 312, "64-bit bridge buffer");
#else
static_assert(sizeof(TVITEMA) == 40 && sizeof(BridgeListRecord) == 40, "32-bit item records");
static_assert(CB_BRIDGE_RECORD == 40 && CB_BRIDGE_BUFFER == 296, "32-bit bridge buffer");
#endif

// Memory that the Registry Editor can address, held for one open or capture operation.
struct BridgeBuffer
{
    char *address;  // as the Registry Editor sees it; on Windows 95/98/Me also this program's view
    HANDLE mapping; // Windows 95/98/Me: the unnamed mapping behind the view
    HANDLE process; // NT family: the Registry Editor's process; used, not owned
};

/* regedit_process.cpp */
// The Registry Editor running, or started and waited for; FALSE when there is none (any message shown).
BOOL FindOrStartRegistryEditor(HWND owner, RegistryEditorTarget *target);
// The same for one about to be driven: FALSE also, after telling the user, for one of the other width or
// one busy with a dialog of its own; a running one is then not brought forward by this call.
BOOL FindRegistryEditorToDrive(HWND owner, RegistryEditorTarget *target);

/* regedit_checks.cpp */
// TRUE when the process of the Registry Editor's window has this program's width; else the user was told,
// with `owner` in front, and nothing may be allocated in it or sent to it.
BOOL RegistryEditorHasOwnWidth(HWND editor, HWND owner);
// The same, telling no one: FALSE also when the width cannot be told.
BOOL RegistryEditorIsKnownOwnWidth(HWND editor);
// TRUE when the Registry Editor waits on no dialog of its own; else the user was told, with `owner` in
// front, and its dialog was then brought forward.
BOOL RegistryEditorIsFree(HWND editor, HWND owner);

/* control_access.cpp */
// The tree view and list view of the Registry Editor's window, among its children or their children.
BOOL FindRegistryEditorControls(HWND editor, HWND *tree, HWND *list);
// FALSE after reporting the system error to `owner`.
BOOL AcquireBridgeBuffer(HANDLE process, HWND owner, BridgeBuffer *buffer);
void ReleaseBridgeBuffer(BridgeBuffer *buffer);
// Copies an item record into the buffer, as far as the Registry Editor reads it.
void PutBridgeRecord(const BridgeBuffer *buffer, const BridgeRecord *record);
// Copies `cb` bytes at `offset` of the buffer back into this program.
void GetBridgeBytes(const BridgeBuffer *buffer, SIZE_T offset, void *to, SIZE_T cb);
// The item's text, valid until the next call.
const char *ReadTreeItemText(HWND tree, HTREEITEM item, const BridgeBuffer *buffer);
// One row into `copy`: its record as the control left it, its text in copy->text.
void ReadListItem(HWND list, const BridgeListRecord *record, const BridgeBuffer *buffer, BridgeBufferBytes *copy);
void SetListItemState(HWND list, int row, UINT state, UINT stateMask, const BridgeBuffer *buffer);
// Joins this thread's input to the Registry Editor's thread for focus calls; FALSE when refused,
// and then no focus call may be made.
BOOL AttachToRegistryEditor(DWORD threadId);
void DetachFromRegistryEditor(DWORD threadId);

/* registry_keys.cpp */
// The registry's own handle of a root key named by its long or short name, in any letter case; 0 for none.
HKEY RootKeyHandle(const char *name);
// TRUE only when the registry answers that `subPath` under `root` does not exist; a key it refuses
// to open exists.
BOOL RegistryKeyIsGone(HKEY root, const char *subPath);
// Where `name` stands among the subkeys of `parentPath` under `root` (empty for the root itself), in
// the registry's order; -1 when the registry does not have it there.
int SubkeyIndex(HKEY root, const char *parentPath, const char *name);

// What the registry holds of an entry's key and value.
enum
{
    PRESENCE_FOUND = 0,   // both there, a refused key included
    PRESENCE_NO_KEY = 1,  // the key is not in the registry
    PRESENCE_NO_VALUE = 2 // the key is, its named value is not
};
// Asks the registry with read access, in the view the Registry Editor of this system shows (the 64-bit
// one on 64-bit Windows). A path without a root name, the default value and a key-only entry's value are
// taken as found.
int RegistryPresence(const char *keyPath, const char *valueName, BOOL keyOnly);

/* tree_rows.cpp */
// The child of `parent` that stands `index` rows below its first child, found through the tree's
// scroll position; 0 when the tree cannot show that row. It is that child only while no sibling
// before it is expanded and the tree orders its children as the registry does: check it.
HTREEITEM ChildItemByRow(HWND tree, HTREEITEM parent, int index, const BridgeBuffer *buffer);

/* open_key.cpp */
// How an open ends, as the user's settings ask.
enum
{
    OPEN_EXPAND_KEY = 1,  // a key-only open expands the key too
    OPEN_VALUE_EDITOR = 2 // a selected value's edit screen is opened
};
// Shows the key, and the value unless `keyOnly` (an empty name is the default value), in the Registry
// Editor, found or started; any message is owned by `owner`. The key path is cut at each separator
// while the walk runs, and given back as it was. TRUE when the key itself was found and selected; FALSE
// when the walk ended above it or the Registry Editor could not be driven.
BOOL OpenKeyInRegistryEditor(char *keyPath, const char *valueName, BOOL keyOnly, UINT options, HWND owner);

/* top_item.cpp */
// The text of the running Registry Editor's top tree item, the name its paths begin with, read where
// its width allows; FALSE when there is none to read. Only a failing buffer is reported, to `owner`.
BOOL ReadRegistryEditorTopName(char *name, int cbName, HWND owner);

/* capture.cpp */
// Hands the key selected in a running Registry Editor, or each value selected in its list, to `sink`;
// never starts one. Any message is owned by `owner`; this program's main window comes to the front.
void CaptureRegistryEditorSelection(CaptureSink sink, HWND owner);
// The item's key path below the first root item into *pathBlock (a fixed block it may replace);
// its length, or 0 after reporting to `owner` or for an item without text.
SIZE_T BuildTreeItemPath(HWND tree, HTREEITEM item, HTREEITEM firstRoot, HGLOBAL *pathBlock, const BridgeBuffer *buffer,
                         HWND owner);
