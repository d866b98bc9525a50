// The key-path field, the root-key button, the value field with its key badge, and the full-text tips
// that the entry dialog and the open-key dialog share. Only one of the two dialogs exists at a time,
// so the saved procedures and the button's flags are single globals.
#include "dialogs/dialogs.h"

#include <string.h>

#include "bridge/key_path.h"
#include "bridge/root_keys.h"
#include "dialogs/pasted_path.h"
#include "resources/resource.h"
#include "shell/dpi.h"
#include "shell/messages.h"
#include "shell/program.h"

static WNDPROC gPrevKeyFieldProc;
static WNDPROC gPrevRootButtonProc;
static WNDPROC gPrevValueFieldProc;
static bool gRootButtonHover;
static bool gRootButtonPressed;
HWND gKeyBadge;

enum
{
    // uxtheme's push-button part, its states and the text-colour property
    BP_PUSHBUTTON_ = 1,
    PBS_NORMAL_ = 1,
    PBS_HOT_ = 2,
    PBS_PRESSED_ = 3,
    TMT_TEXTCOLOR_ = 3803,
    // DSna: clears the destination where the source is white
    ROP_CLEAR_WHERE_WHITE = 0x220326,
};

static void RedrawNow(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

// Draws the face in `color` where its bits are 0 and leaves the rest of `dc` as it was.
static void DrawButtonFace(HDC dc, int x, int y, SIZE face, COLORREF color)
{
    HDC faceDc = CreateCompatibleDC(dc);
    if (!faceDc) return;
    HGDIOBJ oldBitmap = SelectObject(faceDc, gRootButtonBitmap);
    const COLORREF oldText = SetTextColor(dc, RGB(255, 255, 255));
    const COLORREF oldBack = SetBkColor(dc, RGB(0, 0, 0));
    BitBlt(dc, x, y, face.cx, face.cy, faceDc, 0, 0, ROP_CLEAR_WHERE_WHITE);
    SetTextColor(dc, color);
    BitBlt(dc, x, y, face.cx, face.cy, faceDc, 0, 0, SRCPAINT);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    SelectObject(faceDc, oldBitmap);
    DeleteDC(faceDc);
}

// The themed push button, when visual styles are in force; FALSE when the classic look must be drawn.
// `content` narrows to the part inside the button's border where the theme tells it.
static BOOL DrawThemedButton(HWND button, HDC dc, const RECT *rect, RECT *content, COLORREF *glyphColor)
{
    if (!gIsNt51 || !gBound.IsAppThemed || !gBound.OpenThemeData || !gBound.CloseThemeData ||
        !gBound.DrawThemeBackground || !gBound.DrawThemeParentBackground)
        return FALSE;
    if (gBound.IsAppThemed() != 1) return FALSE;
    HTHEME_ theme = gBound.OpenThemeData(button, L"Button");
    if (!theme) return FALSE;
    const int state = gRootButtonPressed ? PBS_PRESSED_ : gRootButtonHover ? PBS_HOT_ : PBS_NORMAL_;
    gBound.DrawThemeParentBackground(button, dc, rect);
    gBound.DrawThemeBackground(theme, dc, BP_PUSHBUTTON_, state, rect, nullptr);
    RECT inside;
    if (gBound.GetThemeBackgroundContentRect &&
        SUCCEEDED(gBound.GetThemeBackgroundContentRect(theme, dc, BP_PUSHBUTTON_, state, rect, &inside)))
        *content = inside;
    if (gBound.GetThemeSysColor) *glyphColor = gBound.GetThemeSysColor(theme, COLOR_BTNTEXT);
    if (gBound.GetThemeColor)
    {
        COLORREF color;
        if (SUCCEEDED(gBound.GetThemeColor(theme, BP_PUSHBUTTON_, state, TMT_TEXTCOLOR_, &color))) *glyphColor = color;
    }
    gBound.CloseThemeData(theme);
    return TRUE;
}

static void PaintRootButton(HWND button, HDC dc, const RECT *rect)
{
    COLORREF glyphColor = GetSysColor(COLOR_BTNTEXT);
    RECT content = *rect;
    const BOOL themed = DrawThemedButton(button, dc, rect, &content, &glyphColor);
    if (!themed) FillRect(dc, rect, GetSysColorBrush(COLOR_BTNFACE));
    const SIZE face = BitmapSize(gRootButtonBitmap);
    int x = (rect->left + rect->right - face.cx) >> 1;
    int y = (rect->top + rect->bottom - face.cy) >> 1;
    // Pressed, the classic face moves by one of its own pixels.
    if (!themed && gRootButtonPressed)
    {
        x += ScaleToDpi(1);
        y += ScaleToDpi(1);
    }
    // The face stays off a themed border; the context's own clip region is put back afterwards.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, content.left, content.top, content.right, content.bottom);
    DrawButtonFace(dc, x, y, face, glyphColor);
    RestoreDC(dc, saved);
    if (!themed)
    {
        RECT edge = *rect;
        DrawEdge(dc, &edge, gRootButtonPressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
}

// Drops the root-key menu down at the button's right edge and tells the dialog which root was chosen.
static void DropRootKeyMenu(HWND button, BOOL fromKeyboard)
{
    gRootButtonPressed = true;
    RedrawNow(button);
    RECT rect;
    GetWindowRect(button, &rect);
    if (fromKeyboard)
    {
        // Queued before the menu starts, so that the menu opens with its first item highlighted.
        keybd_event(VK_DOWN, 0, 0, 0);
        keybd_event(VK_DOWN, 0, KEYEVENTF_KEYUP, 0);
    }
    const int command = (int)TrackPopupMenuEx(GetSubMenu(gRootKeyMenu, 0), TPM_RETURNCMD | TPM_RIGHTBUTTON, rect.right,
                                              rect.top, button, nullptr);
    gRootButtonPressed = false;
    RedrawNow(button);
    if (command)
    {
        const WORD id = (WORD)GetDlgCtrlID(button);
        SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, command - IDM_ROOTKEY_FIRST), (LPARAM)button);
    }
}

static void TrackLeave(HWND button, DWORD flags)
{
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof track;
    track.dwFlags = flags;
    track.hwndTrack = button;
    gBound.TrackMouseEvent(&track);
}

// An Alt gesture that the field keeps for itself. Only the default procedure sees it: Wine decides there
// whether a released Alt opens the window menu, and must learn that another key came in between
// (Windows keeps that in the input queue, and its default procedure does nothing with these keys).
static LRESULT KeepAltGesture(HWND field, WPARAM wParam, LPARAM lParam)
{
    DefWindowProcA(field, WM_SYSKEYDOWN, wParam, lParam);
    return 0;
}

BOOL PutKeyFieldInStoredForm(HWND field, BOOL plainSeparators)
{
    const int cbText = GetWindowTextLengthA(field);
    char *text = (char *)GlobalAlloc(GMEM_FIXED, (SIZE_T)cbText + 1);
    if (!text)
    {
        ReportSystemError(GetParent(field), LEVEL_ORDINARY);
        return FALSE;
    }
    GetWindowTextA(field, text, cbText + 1);
    DWORD selStart = 0, selEnd = 0;
    SendMessageA(field, EM_GETSEL, (WPARAM)&selStart, (LPARAM)&selEnd);
    // Positions count bytes in an ANSI edit, but characters under Wine: the usual caret, at the end of a
    // pasted path, is put back in the field's own count.
    const bool atEnd = selEnd >= (DWORD)SendMessageA(field, EM_LINELENGTH, 0, 0);
    size_t caret = selEnd;
    BOOL changed = ToStoredKeyPath(text, &caret);
    if (plainSeparators && IsRootKeyPath(text))
    {
        const size_t cbBefore = strlen(text);
        if (ToPlainKeyPath(text) != cbBefore) changed = TRUE;
        if (caret > strlen(text)) caret = strlen(text);
    }
    if (changed)
    {
        SetWindowTextA(field, text);
        if (atEnd) caret = (size_t)SendMessageA(field, EM_LINELENGTH, 0, 0);
        SendMessageA(field, EM_SETSEL, (WPARAM)caret, (LPARAM)caret);
        SendMessageA(field, EM_SCROLLCARET, 0, 0);
    }
    GlobalFree(text);
    return TRUE;
}

// A paste is let happen as the edit does it; only a paste that changed the field puts it in the stored
// form, so that what the user types is never rewritten. The edit's modified flag tells, and keeps its meaning.
static LRESULT PasteIntoKeyField(HWND field, WPARAM wParam, LPARAM lParam)
{
    const LRESULT wasModified = SendMessageA(field, EM_GETMODIFY, 0, 0);
    SendMessageA(field, EM_SETMODIFY, FALSE, 0);
    const LRESULT result = CallWindowProcA(gPrevKeyFieldProc, field, WM_PASTE, wParam, lParam);
    const BOOL pasted = SendMessageA(field, EM_GETMODIFY, 0, 0) != 0;
    SendMessageA(field, EM_SETMODIFY, wasModified || pasted, 0);
    if (pasted) PutKeyFieldInStoredForm(field, FALSE);
    return result;
}

static LRESULT CALLBACK KeyFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYSKEYDOWN && wParam == VK_RIGHT)
    {
        PostMessageA(GetParent(field), WM_APP, 0, 0);
        return KeepAltGesture(field, wParam, lParam);
    }
    if (message == WM_PASTE) return PasteIntoKeyField(field, wParam, lParam);
    return CallWindowProcA(gPrevKeyFieldProc, field, message, wParam, lParam);
}

static LRESULT CALLBACK RootButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_NCHITTEST: return HTCLIENT; // a plain static lets the mouse through to its parent
    case WM_MOUSEMOVE:
        if (gIsNt51 && !gRootButtonHover && gBound.TrackMouseEvent)
        {
            gRootButtonHover = true;
            RedrawNow(button);
            TrackLeave(button, TME_LEAVE);
        }
        break;
    case WM_MOUSELEAVE:
        gRootButtonHover = false;
        RedrawNow(button);
        break;
    // The button class takes double clicks: a second click soon after the first, as when the menu was just
    // closed, comes as one and drops the menu as well.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case BM_CLICK: DropRootKeyMenu(button, message == BM_CLICK); break;
    case WM_DESTROY:
        if (gRootButtonHover && gBound.TrackMouseEvent) TrackLeave(button, TME_CANCEL | TME_LEAVE);
        break;
    case WM_PAINT:
        if (GetUpdateRect(button, nullptr, FALSE))
        {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(button, &paint);
            RECT rect;
            GetClientRect(button, &rect);
            PaintRootButton(button, dc, &rect);
            EndPaint(button, &paint);
            return 0;
        }
        break;
    }
    return CallWindowProcA(gPrevRootButtonProc, button, message, wParam, lParam);
}

// The badge takes the field's colours: the box in the window-text colour, the letters in the window colour.
static void DrawKeyBadge(HDC dc)
{
    HDC badgeDc = CreateCompatibleDC(dc);
    if (!badgeDc) return;
    const SIZE size = BitmapSize(gKeyBadgeBitmap);
    HGDIOBJ oldBitmap = SelectObject(badgeDc, gKeyBadgeBitmap);
    const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    BitBlt(dc, 0, 0, size.cx, size.cy, badgeDc, 0, 0, SRCCOPY);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
    SelectObject(badgeDc, oldBitmap);
    DeleteDC(badgeDc);
}

static LRESULT CALLBACK ValueFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *item = (const DRAWITEMSTRUCT *)lParam;
        if (item->hwndItem != gKeyBadge) break;
        DrawKeyBadge(item->hDC);
        return 1;
    }
    case WM_KEYDOWN:
        if (wParam == VK_BACK || wParam == VK_CLEAR || wParam == VK_DELETE) ShowWindow(gKeyBadge, SW_HIDE);
        break;
    case WM_SYSKEYDOWN:
        // Alt+Delete: the entry designates the key itself, with no value.
        if (wParam == VK_DELETE)
        {
            SetWindowTextA(field, "");
            ShowWindow(gKeyBadge, SW_SHOW);
            return KeepAltGesture(field, wParam, lParam);
        }
        break;
    case WM_NCPAINT: {
        // Wine paints the edit's frame, which it redraws when the focus comes or goes, over the badge inside.
        const LRESULT result = CallWindowProcA(gPrevValueFieldProc, field, message, wParam, lParam);
        if (IsKeyBadgeShown()) RedrawWindow(gKeyBadge, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return result;
    }
    }
    return CallWindowProcA(gPrevValueFieldProc, field, message, wParam, lParam);
}

void PlaceKeyBadge(HWND dialog, int valueFieldId, int badgeId)
{
    HWND field = GetDlgItem(dialog, valueFieldId);
    gKeyBadge = GetDlgItem(dialog, badgeId);
    SetParent(gKeyBadge, field);
    RECT client;
    GetClientRect(field, &client);
    const SIZE size = BitmapSize(gKeyBadgeBitmap);
    SetWindowPos(gKeyBadge, nullptr, ScaleToDpi(4), (client.bottom - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER);
    // The field's own painting must leave the badge alone.
    SetWindowLongA(field, GWL_STYLE, GetWindowLongA(field, GWL_STYLE) | WS_CLIPCHILDREN);
}

BOOL IsKeyBadgeShown()
{
    return gKeyBadge && (GetWindowLongA(gKeyBadge, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ShowKeyBadge(BOOL show)
{
    ShowWindow(gKeyBadge, show ? SW_SHOW : SW_HIDE);
}

static WNDPROC Subclass(HWND dialog, int id, WNDPROC proc)
{
    return (WNDPROC)SetWindowLongPtrA(GetDlgItem(dialog, id), GWLP_WNDPROC, (LONG_PTR)proc);
}

static void InitToolInfo(TTTOOLINFOA *tool, HWND dialog, HWND field)
{
    memset(tool, 0, sizeof *tool);
    tool->cbSize = TTTOOLINFOA_V2_SIZE;
    tool->hwnd = dialog;
    tool->uId = (UINT_PTR)field;
}

void AttachKeyControls(HWND dialog, const KeyControlIds *ids, const int *tipFieldIds, int tipFieldCount)
{
    gRootButtonHover = gRootButtonPressed = false;
    gPrevKeyFieldProc = Subclass(dialog, ids->keyField, KeyFieldProc);
    gPrevRootButtonProc = Subclass(dialog, ids->rootButton, RootButtonProc);
    gPrevValueFieldProc = Subclass(dialog, ids->valueField, ValueFieldProc);
    for (int i = 0; i < tipFieldCount; i++)
    {
        TTTOOLINFOA tool;
        InitToolInfo(&tool, dialog, GetDlgItem(dialog, tipFieldIds[i]));
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        SendMessageA(gTipWindow, TTM_ADDTOOLA, 0, (LPARAM)&tool);
    }
}

void DetachKeyControls(HWND dialog, const KeyControlIds *ids, const int *tipFieldIds, int tipFieldCount)
{
    // The tools go first: the tip window's own subclassing of the fields sits above ours and must be
    // unwound before our procedures are put back.
    for (int i = 0; i < tipFieldCount; i++)
    {
        TTTOOLINFOA tool;
        InitToolInfo(&tool, dialog, GetDlgItem(dialog, tipFieldIds[i]));
        tool.uFlags = TTF_IDISHWND;
        SendMessageA(gTipWindow, TTM_DELTOOLA, 0, (LPARAM)&tool);
    }
    if (gPrevValueFieldProc) Subclass(dialog, ids->valueField, gPrevValueFieldProc);
    if (gPrevRootButtonProc) Subclass(dialog, ids->rootButton, gPrevRootButtonProc);
    if (gPrevKeyFieldProc) Subclass(dialog, ids->keyField, gPrevKeyFieldProc);
    gPrevKeyFieldProc = gPrevRootButtonProc = gPrevValueFieldProc = nullptr;
    gKeyBadge = nullptr;
}

void GetFieldTipText(HWND dialog, NMTTDISPINFOA *info)
{
    info->szText[0] = '\0';
    info->lpszText = info->szText;
    info->hinst = nullptr;
    HWND field = (HWND)info->hdr.idFrom;
    const int cchText = GetWindowTextLengthA(field);
    if (EnsureSharedTextBlock((SIZE_T)cchText + 1, dialog) != 0) return;
    char *text = (char *)gSharedTextBlock;
    const int cbText = GetWindowTextA(field, text, cchText + 1);
    HFONT font = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
    if (!font) return;
    SIZE extent = {};
    HDC dc = GetDC(dialog);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, text, cbText, &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(dialog, dc);
    RECT format;
    SendMessageA(field, EM_GETRECT, 0, (LPARAM)&format);
    // A field scrolled to the left hides its first characters even when the text is short.
    const short xFirst = (short)LOWORD(SendMessageA(field, EM_POSFROMCHAR, 0, 0));
    if (extent.cx > format.right - format.left || xFirst < format.left) info->lpszText = text;
}
