// What start-up sets once for the whole run and every folder reads: the platform's capability flags, the
// functions bound by name, the instance, the product caption, the one main window, and the tip window,
// menu and bitmaps that the dialogs share with it.
#pragma once
#include <windows.h>
#include <commctrl.h>

/* startup.cpp: capability flags, set once at start-up */
extern bool gIsNtFamily;
extern bool gIsNt51;
extern bool gHasComctl470;
extern const char *gProductCaption; // "タルミク", or "ﾀﾙﾐｸ" on old systems
extern HINSTANCE gInstance;

// Functions bound by name; each may be empty where the system lacks it.
typedef LPVOID(WINAPI *VirtualAllocExProc)(HANDLE, LPVOID, SIZE_T, DWORD, DWORD);
typedef BOOL(WINAPI *VirtualFreeExProc)(HANDLE, LPVOID, SIZE_T, DWORD);
typedef BOOL(WINAPI *IsWow64ProcessProc)(HANDLE, PBOOL);
typedef BOOL(WINAPI *RegGetKeySecurityProc)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, LPDWORD);
typedef BOOL(WINAPI *ImpersonateSelfProc)(SECURITY_IMPERSONATION_LEVEL);
typedef BOOL(WINAPI *RevertToSelfProc)(void);
typedef BOOL(WINAPI *OpenThreadTokenProc)(HANDLE, DWORD, BOOL, PHANDLE);
typedef BOOL(WINAPI *AccessCheckProc)(PSECURITY_DESCRIPTOR, HANDLE, DWORD, PGENERIC_MAPPING, PPRIVILEGE_SET, LPDWORD,
                                      LPDWORD, LPBOOL);
typedef BOOL(WINAPI *TrackMouseEventProc)(LPTRACKMOUSEEVENT);
typedef HANDLE HTHEME_; // uxtheme's HTHEME without its header
typedef BOOL(WINAPI *IsAppThemedProc)(void);
typedef HTHEME_(WINAPI *OpenThemeDataProc)(HWND, LPCWSTR);
typedef HRESULT(WINAPI *CloseThemeDataProc)(HTHEME_);
typedef HRESULT(WINAPI *GetThemeColorProc)(HTHEME_, int, int, int, COLORREF *);
typedef COLORREF(WINAPI *GetThemeSysColorProc)(HTHEME_, int);
typedef HRESULT(WINAPI *DrawThemeBackgroundProc)(HTHEME_, HDC, int, int, const RECT *, const RECT *);
typedef HRESULT(WINAPI *DrawThemeParentBackgroundProc)(HWND, HDC, const RECT *);
typedef HRESULT(WINAPI *GetThemeBackgroundContentRectProc)(HTHEME_, HDC, int, int, const RECT *, RECT *);

struct BoundFunctions
{
    VirtualAllocExProc VirtualAllocEx;
    VirtualFreeExProc VirtualFreeEx;
    IsWow64ProcessProc IsWow64Process; // absent where every process is 32-bit
    RegGetKeySecurityProc RegGetKeySecurity;
    ImpersonateSelfProc ImpersonateSelf;
    RevertToSelfProc RevertToSelf;
    OpenThreadTokenProc OpenThreadToken;
    AccessCheckProc AccessCheck;
    TrackMouseEventProc TrackMouseEvent;
    IsAppThemedProc IsAppThemed;
    OpenThemeDataProc OpenThemeData;
    CloseThemeDataProc CloseThemeData;
    GetThemeColorProc GetThemeColor;
    GetThemeSysColorProc GetThemeSysColor;
    DrawThemeBackgroundProc DrawThemeBackground;
    DrawThemeParentBackgroundProc DrawThemeParentBackground;
    GetThemeBackgroundContentRectProc GetThemeBackgroundContentRect;
};
extern BoundFunctions gBound;

/* mainwnd.cpp */
extern HWND gMainWindow;
extern HWND gTipWindow;           // the memo list's cell tips and the dialogs' full-text tips
extern HMENU gRootKeyMenu;        // MENU 103, of the dialogs' root-key button
extern HBITMAP gRootButtonBitmap; // bitmap 102
extern HBITMAP gKeyBadgeBitmap;   // bitmap 103, in the list and in the dialogs' value fields

/* memolist.cpp: the memo list's own window procedure beneath the program's subclass, set at start-up */
extern WNDPROC gPrevMemoListProc;

/* center_dialog.cpp */
// Centres a dialog over the main window, kept inside the work area.
void CenterInWorkArea(HWND dialog);
