// The open-key dialog: a typed key path (and value name) is opened in the Registry Editor at once,
// without becoming a memo entry.
#include "dialogs/dialogs.h"

#include "bridge/bridge.h"
#include "dialogs/pasted_path.h"
#include "resources/resource.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

enum
{
    CB_KEY_BUFFER_FIRST = 256,
    CB_VALUE_NAME_BUFFER = 256
};

// A copy of the key field's text, grown with it, and the size of that text with its NUL as last seen.
static char *gKeyBuffer;
static int gKeyLength;
// The bridge's OPEN_ flags, from the dialog's creation parameter.
static UINT gOpenOptions;

static const KeyControlIds kOpenKeyControls = {IDC_OPENKEY_KEYPATH, IDC_OPENKEY_ROOTBUTTON, IDC_OPENKEY_VALUENAME,
                                               IDC_OPENKEY_KEYBADGE};
static const int kOpenKeyTipFields[] = {IDC_OPENKEY_KEYPATH, IDC_OPENKEY_VALUENAME};
enum
{
    OPENKEY_TIP_FIELD_COUNT = sizeof kOpenKeyTipFields / sizeof kOpenKeyTipFields[0]
};

// A copy of the clipboard's text in stored form when that is a key path under a root key, in a fixed
// block the caller frees; else null.
static char *ClipboardKeyPath(HWND dialog)
{
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(dialog)) return nullptr;
    char *keyPath = nullptr;
    HGLOBAL data = GetClipboardData(CF_TEXT);
    const char *text = data ? (const char *)GlobalLock(data) : nullptr;
    if (text)
    {
        // Held within the block's size: a text put there by another program need not end in it.
        const SIZE_T cbBlock = GlobalSize(data);
        SIZE_T cbText = 0;
        while (cbText < cbBlock && text[cbText]) cbText++;
        keyPath = (char *)GlobalAlloc(GMEM_FIXED, cbText + 1);
        if (keyPath)
        {
            CopyMemory(keyPath, text, cbText);
            keyPath[cbText] = '\0';
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (!keyPath) return nullptr;
    ToStoredKeyPath(keyPath, nullptr);
    // Lines of text around a path are not a key path, though a key name could hold the characters.
    BOOL usable = IsRootKeyPath(keyPath);
    for (const char *c = keyPath; usable && *c; c++)
        if (*c == '\r' || *c == '\n') usable = FALSE;
    if (usable) return keyPath;
    GlobalFree(keyPath);
    return nullptr;
}

static BOOL OnInitDialog(HWND dialog, UINT options)
{
    gOpenOptions = options;
    SetWindowTextA(dialog, "開く");
    SetDlgItemTextA(dialog, IDC_OPENKEY_KEYLABEL, ToHalfWidth("キー(&K):"));
    SetDlgItemTextA(dialog, IDCANCEL, ToHalfWidth("キャンセル"));
    CenterInWorkArea(dialog);
    PlaceKeyBadge(dialog, IDC_OPENKEY_VALUENAME, IDC_OPENKEY_KEYBADGE);
    AttachKeyControls(dialog, &kOpenKeyControls, kOpenKeyTipFields, OPENKEY_TIP_FIELD_COUNT);
    gKeyLength = 1;
    gKeyBuffer = (char *)GlobalAlloc(GMEM_FIXED, CB_KEY_BUFFER_FIRST);
    if (!gKeyBuffer)
    {
        ReportSystemError(dialog, LEVEL_ORDINARY);
        EndDialog(dialog, 0);
        return TRUE;
    }
    // The clipboard's key starts the field, all of it selected, so that Enter opens it and typing
    // replaces it.
    if (char *keyPath = ClipboardKeyPath(dialog))
    {
        SetDlgItemTextA(dialog, IDC_OPENKEY_KEYPATH, keyPath);
        GlobalFree(keyPath);
        HWND field = GetDlgItem(dialog, IDC_OPENKEY_KEYPATH);
        SetFocus(field);
        SendMessageA(field, EM_SETSEL, 0, -1);
        return FALSE;
    }
    return TRUE;
}

// Keeps the key buffer as large as the key field's text, and OK enabled exactly for a usable key path.
static void OnKeyFieldChange(HWND dialog)
{
    if (!gKeyBuffer) return;
    HWND field = GetDlgItem(dialog, IDC_OPENKEY_KEYPATH);
    const int cbText = GetWindowTextLengthA(field) + 1;
    if ((SIZE_T)cbText > GlobalSize(gKeyBuffer))
    {
        char *grown = (char *)GlobalReAlloc(gKeyBuffer, cbText, GMEM_MOVEABLE);
        if (!grown)
        {
            ReportSystemError(dialog, LEVEL_ORDINARY);
            return;
        }
        gKeyBuffer = grown;
    }
    gKeyLength = cbText;
    GetWindowTextA(field, gKeyBuffer, gKeyLength);
    EnableWindow(GetDlgItem(dialog, IDOK), IsRootKeyPath(gKeyBuffer));
}

// The dialog ends first; the Registry Editor is driven while its window is already hidden.
static void OnOk(HWND dialog)
{
    if (!gKeyBuffer || !IsWindowEnabled(GetDlgItem(dialog, IDOK))) return;
    GetDlgItemTextA(dialog, IDC_OPENKEY_KEYPATH, gKeyBuffer, gKeyLength);
    ToStoredKeyPath(gKeyBuffer, nullptr);
    char valueName[CB_VALUE_NAME_BUFFER];
    GetDlgItemTextA(dialog, IDC_OPENKEY_VALUENAME, valueName, sizeof valueName);
    const BOOL keyOnly = IsKeyBadgeShown();
    EndDialog(dialog, 0);
    OpenKeyInRegistryEditor(gKeyBuffer, valueName, keyOnly, gOpenOptions, gMainWindow);
}

static BOOL OnCommand(HWND dialog, int id, int code)
{
    switch (id)
    {
    case IDC_OPENKEY_KEYPATH:
        if (code == EN_CHANGE) OnKeyFieldChange(dialog);
        return FALSE;
    case IDC_OPENKEY_ROOTBUTTON: ReplaceRootKeyName(dialog, IDC_OPENKEY_KEYPATH, code); return FALSE;
    case IDC_OPENKEY_VALUENAME:
        if (code == EN_CHANGE) ShowKeyBadge(FALSE);
        return FALSE;
    }
    return OnOkOrCancel(dialog, id, OnOk);
}

static void OnDestroy(HWND dialog)
{
    if (gKeyBuffer) GlobalFree(gKeyBuffer);
    gKeyBuffer = nullptr;
    DetachKeyControls(dialog, &kOpenKeyControls, kOpenKeyTipFields, OPENKEY_TIP_FIELD_COUNT);
}

INT_PTR CALLBACK OpenKeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG: return OnInitDialog(dialog, (UINT)lParam);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_APP: SendDlgItemMessageA(dialog, IDC_OPENKEY_ROOTBUTTON, BM_CLICK, 0, 0); return TRUE;
    case WM_NOTIFY:
        if (((const NMHDR *)lParam)->code == TTN_GETDISPINFOA) GetFieldTipText(dialog, (NMTTDISPINFOA *)lParam);
        return FALSE;
    case WM_DESTROY: OnDestroy(dialog); return FALSE;
    }
    return FALSE;
}
