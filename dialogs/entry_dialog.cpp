// The entry dialog: adds a memo entry above the selected row, or changes the selected entry in place.
#include "dialogs/dialogs.h"

#include "bridge/bridge.h"
#include "memo/memo.h"
#include "memo/memo_format.h"
#include "resources/resource.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

enum
{
    ENTRY_ADD = 0,
    ENTRY_CHANGE = 1
};
static int gEntryDialogMode;
// The entry being changed: the row selected when the dialog opened. A selection posted to the list
// while the dialog is open must not turn the change onto another entry.
static int gChangedIndex;

static const KeyControlIds kEntryKeyControls = {IDC_ENTRY_KEYPATH, IDC_ENTRY_ROOTBUTTON, IDC_ENTRY_VALUENAME,
                                                IDC_ENTRY_KEYBADGE};
static const int kEntryTipFields[] = {IDC_ENTRY_DESCRIPTION, IDC_ENTRY_KEYPATH, IDC_ENTRY_VALUENAME};
enum
{
    ENTRY_TIP_FIELD_COUNT = sizeof kEntryTipFields / sizeof kEntryTipFields[0]
};

// Whether the last capture filled the fields.
static BOOL gCaptureFilled;

// Capture into the dialog: the first captured key or value fills the fields and ends the capture.
static int EntryDialogSink(const char *keyPath, const char *valueName, BOOL keyOnly, HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_ENTRY_KEYPATH, keyPath);
    SetDlgItemTextA(dialog, IDC_ENTRY_VALUENAME, valueName);
    ShowKeyBadge(keyOnly);
    gCaptureFilled = TRUE;
    return 0;
}

// Posted to the dialog when a capture has returned.
enum
{
    WM_APP_CAPTURED = WM_APP + 1
};

// The capture hands the foreground to the Registry Editor and then to the main window, which this dialog
// has disabled; the dialog would stay behind it, the program looking frozen. Under Wine without a window
// manager the focus events of the X server come after the capture has returned, so the dialog takes the
// foreground back once they have been handled.
static void CaptureIntoDialog(HWND dialog)
{
    gCaptureFilled = FALSE;
    CaptureRegistryEditorSelection(EntryDialogSink, dialog);
    PostMessageA(dialog, WM_APP_CAPTURED, 0, 0);
}

// In front, active, and the key field ready when the capture filled it.
static void OnCaptured(HWND dialog)
{
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    if (gCaptureFilled) SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_ENTRY_KEYPATH), TRUE);
}

// Puts the selected entry's texts into the fields; FALSE when the selected row holds no entry.
static BOOL LoadSelectedEntry(HWND dialog)
{
    gChangedIndex = GetSelectedIndex();
    HGLOBAL entry = GetEntryHandle(gChangedIndex);
    const MemoEntryHead *head = entry ? (const MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head) return FALSE;
    const MemoEntryTexts texts = EntryTexts(head);
    SetDlgItemTextA(dialog, IDC_ENTRY_DESCRIPTION, texts.description);
    SetDlgItemTextA(dialog, IDC_ENTRY_KEYPATH, texts.keyPath);
    SetDlgItemTextA(dialog, IDC_ENTRY_VALUENAME, texts.valueName);
    const BOOL keyOnly = texts.keyOnly;
    GlobalUnlock(entry);
    if (keyOnly) ShowKeyBadge(TRUE);
    return TRUE;
}

static BOOL OnInitDialog(HWND dialog, LPARAM mode)
{
    SetDlgItemTextA(dialog, IDC_ENTRY_KEYLABEL, ToHalfWidth("キー(&K):"));
    SetDlgItemTextA(dialog, IDCANCEL, ToHalfWidth("キャンセル"));
    CenterInWorkArea(dialog);
    PlaceKeyBadge(dialog, IDC_ENTRY_VALUENAME, IDC_ENTRY_KEYBADGE);
    gEntryDialogMode = mode == ENTRY_CHANGE ? ENTRY_CHANGE : ENTRY_ADD;
    const char *title = gEntryDialogMode == ENTRY_CHANGE ? "変更" : "追加";
    SetWindowTextA(dialog, title);
    SetDlgItemTextA(dialog, IDOK, title);
    // A change command that reaches us with the end row selected has nothing to change.
    if (gEntryDialogMode == ENTRY_CHANGE && !LoadSelectedEntry(dialog)) EndDialog(dialog, 0);
    AttachKeyControls(dialog, &kEntryKeyControls, kEntryTipFields, ENTRY_TIP_FIELD_COUNT);
    return TRUE;
}

// Stores the fields in a new entry or the selected one. Every failure leaves the dialog open and the
// memo as it was.
static void OnOk(HWND dialog)
{
    HWND descriptionField = GetDlgItem(dialog, IDC_ENTRY_DESCRIPTION);
    HWND keyField = GetDlgItem(dialog, IDC_ENTRY_KEYPATH);
    HWND valueField = GetDlgItem(dialog, IDC_ENTRY_VALUENAME);
    if (!PutKeyFieldInStoredForm(keyField, TRUE)) return;
    const int cbDescription = GetWindowTextLengthA(descriptionField);
    const int cbKeyPath = GetWindowTextLengthA(keyField);
    const int cbValueName = GetWindowTextLengthA(valueField);
    // Each size counts its NUL in 16 bits; a longer text would corrupt the record.
    if (!MemoRecordFits(cbDescription, cbKeyPath, cbValueName, false))
    {
        ShowMessage(dialog, "説明、キー、値はそれぞれ 65534 バイトまでにしてください。", MB_ICONEXCLAMATION);
        return;
    }
    const SIZE_T cbBlock = MemoEntryBlockSize(cbDescription, cbKeyPath, cbValueName);
    // A changed entry gets a new block too: the old one stays with the undo history.
    HGLOBAL entry = GlobalAlloc(kEntryBlockFlags, cbBlock);
    MemoEntryHead *head = entry ? (MemoEntryHead *)GlobalLock(entry) : nullptr;
    if (!head)
    {
        ReportSystemError(dialog, LEVEL_ORDINARY);
        if (entry) GlobalFree(entry);
        return;
    }
    // The sizes come from what was read, so that a length reported too long leaves no stray bytes.
    char *text = BeginEntryBlock(head, IsKeyBadgeShown() != FALSE);
    text = EndEntryText(head, text, GetWindowTextA(descriptionField, text, cbDescription + 1));
    text = EndEntryText(head, text, GetWindowTextA(keyField, text, cbKeyPath + 1));
    EndEntryText(head, text, GetWindowTextA(valueField, text, cbValueName + 1));
    GlobalUnlock(entry);
    // Filled before it joins the list, so that no drawing can meet an empty record. Either operation frees
    // the block when it fails.
    if (gEntryDialogMode == ENTRY_CHANGE ? !ReplaceEntry(gChangedIndex, entry) : InsertEntryAboveSelection(entry) < 0)
        return;
    EndDialog(dialog, 0);
}

static BOOL OnCommand(HWND dialog, int id, int code)
{
    switch (id)
    {
    case IDC_ENTRY_ROOTBUTTON: ReplaceRootKeyName(dialog, IDC_ENTRY_KEYPATH, code); return FALSE;
    case IDC_ENTRY_VALUENAME:
        if (code == EN_CHANGE) ShowKeyBadge(FALSE);
        return FALSE;
    case IDC_ENTRY_CAPTURE: CaptureIntoDialog(dialog); return FALSE;
    case IDOK: OnOk(dialog); break;
    case IDCANCEL: EndDialog(dialog, 0); break;
    default: return FALSE;
    }
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
    return TRUE;
}

INT_PTR CALLBACK EntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG: return OnInitDialog(dialog, lParam);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_APP: SendDlgItemMessageA(dialog, IDC_ENTRY_ROOTBUTTON, BM_CLICK, 0, 0); return TRUE;
    case WM_APP_CAPTURED: OnCaptured(dialog); return TRUE;
    case WM_NOTIFY:
        if (((const NMHDR *)lParam)->code == TTN_GETDISPINFOA) GetFieldTipText(dialog, (NMTTDISPINFOA *)lParam);
        return FALSE;
    case WM_DESTROY:
        DetachKeyControls(dialog, &kEntryKeyControls, kEntryTipFields, ENTRY_TIP_FIELD_COUNT);
        return FALSE;
    }
    return FALSE;
}
