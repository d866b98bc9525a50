// Start-up, the message loop and the clean-up at the end: the program's capabilities on this system,
// the main window built from its template and equipped, the start-up memo, and the release of it all.
#include <shlwapi.h>
#include <stddef.h>
#include <string.h>

#include "dialogs/dialogs.h"
#include "memo/memo.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "shell/late_bound.h"
#include "shell/shell.h"

bool gIsNtFamily;
bool gIsNt51;
bool gHasComctl470;
const char *gProductCaption = "タルミク";
HINSTANCE gInstance;
BoundFunctions gBound;

static const char kMainWindowClass[] = "Oskelund_Tarmik";
// The fixed start of a menu-item record, which every system accepts.
static const UINT kMenuItemInfoSize = offsetof(MENUITEMINFOA, hbmpItem);
static_assert(sizeof(void *) != 4 || kMenuItemInfoSize == 44, "menu-item record of the 32-bit program");

// Libraries loaded for the functions bound by name; freed at the end.
static HMODULE kernelLibrary, advapiLibrary, userLibrary, themeLibrary;
// The main window's shortcuts (ACCELERATORS 106).
static HACCEL gAccelerators;
// 1 after a key named on the command line was not reached; every other end is 0.
static int gExitCode;

template <typename Function> Function Bind(HMODULE library, const char *name)
{
    return (Function)((void *)GetProcAddress(library, name));
}

static void DetectPlatform()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    gIsNtFamily = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    gIsNt51 =
        gIsNtFamily && (version.dwMajorVersion > 5 || (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1));
    // Windows 95 and NT 4.0 lack the dialog face and show texts in half-width katakana.
    gIsOldSystem = (!gIsNtFamily && version.dwMajorVersion == 4 && version.dwMinorVersion == 0) ||
                   (gIsNtFamily && version.dwMajorVersion == 4);
    gProductCaption = gIsOldSystem ? "ﾀﾙﾐｸ" : "タルミク";
}

static void DetectCommonControlsVersion()
{
    gHasComctl470 = false;
    HMODULE library = LoadLibraryA("Comctl32.dll");
    if (!library) return;
    DLLGETVERSIONPROC getVersion = Bind<DLLGETVERSIONPROC>(library, "DllGetVersion");
    if (getVersion)
    {
        DLLVERSIONINFO version = {};
        version.cbSize = sizeof version;
        if (getVersion(&version) == S_OK && (version.dwMajorVersion > 4 || version.dwMinorVersion >= 70))
            gHasComctl470 = true;
    }
    FreeLibrary(library);
}

static BOOL RegisterMainWindowClass()
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = gInstance;
    windowClass.hIcon = LoadIconA(gInstance, MAKEINTRESOURCEA(IDI_PROGRAM));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

// NT family: the functions for memory in another process, its width, and the registry access test.
// FALSE after a fatal report, with neither library kept.
static BOOL BindNtFunctions()
{
    kernelLibrary = LoadLibraryA("Kernel32.dll");
    if (kernelLibrary) gBound.VirtualAllocEx = Bind<VirtualAllocExProc>(kernelLibrary, "VirtualAllocEx");
    if (gBound.VirtualAllocEx) gBound.VirtualFreeEx = Bind<VirtualFreeExProc>(kernelLibrary, "VirtualFreeEx");
    if (gBound.VirtualFreeEx)
    {
        gBound.IsWow64Process = Bind<IsWow64ProcessProc>(kernelLibrary, "IsWow64Process");
        advapiLibrary = LoadLibraryA("Advapi32.dll");
    }
    const BOOL bound = advapiLibrary &&
                       (gBound.RegGetKeySecurity = Bind<RegGetKeySecurityProc>(advapiLibrary, "RegGetKeySecurity")) &&
                       (gBound.ImpersonateSelf = Bind<ImpersonateSelfProc>(advapiLibrary, "ImpersonateSelf")) &&
                       (gBound.RevertToSelf = Bind<RevertToSelfProc>(advapiLibrary, "RevertToSelf")) &&
                       (gBound.OpenThreadToken = Bind<OpenThreadTokenProc>(advapiLibrary, "OpenThreadToken")) &&
                       (gBound.AccessCheck = Bind<AccessCheckProc>(advapiLibrary, "AccessCheck"));
    if (!bound)
    {
        // The last error describes the library or procedure missing; freeing may change it.
        ReportSystemError(nullptr, LEVEL_FATAL);
        gBound = BoundFunctions();
        if (advapiLibrary) FreeLibrary(advapiLibrary);
        if (kernelLibrary) FreeLibrary(kernelLibrary);
        advapiLibrary = kernelLibrary = nullptr;
    }
    return bound;
}

// XP and later: hover tracking and visual styles, each used only where it was found.
static void BindOptionalFunctions()
{
    userLibrary = LoadLibraryA("User32.dll");
    if (userLibrary) gBound.TrackMouseEvent = Bind<TrackMouseEventProc>(userLibrary, "TrackMouseEvent");
    themeLibrary = LoadLibraryA("UxTheme.dll");
    if (themeLibrary) gBound.IsAppThemed = Bind<IsAppThemedProc>(themeLibrary, "IsAppThemed");
    if (gBound.IsAppThemed)
    {
        gBound.OpenThemeData = Bind<OpenThemeDataProc>(themeLibrary, "OpenThemeData");
        gBound.CloseThemeData = Bind<CloseThemeDataProc>(themeLibrary, "CloseThemeData");
        gBound.GetThemeColor = Bind<GetThemeColorProc>(themeLibrary, "GetThemeColor");
        gBound.GetThemeSysColor = Bind<GetThemeSysColorProc>(themeLibrary, "GetThemeSysColor");
        gBound.DrawThemeBackground = Bind<DrawThemeBackgroundProc>(themeLibrary, "DrawThemeBackground");
        gBound.DrawThemeParentBackground =
            Bind<DrawThemeParentBackgroundProc>(themeLibrary, "DrawThemeParentBackground");
        gBound.GetThemeBackgroundContentRect =
            Bind<GetThemeBackgroundContentRectProc>(themeLibrary, "GetThemeBackgroundContentRect");
    }
    else if (themeLibrary)
    {
        // The library is kept only with the function that says whether themes are in force.
        FreeLibrary(themeLibrary);
        themeLibrary = nullptr;
    }
}

static void ResetRunState()
{
    gMainWindow = gMemoList = gListHeader = gTipWindow = nullptr;
    gMainMenu = gContextMenu = gRootKeyMenu = nullptr;
    gPatternBrush = nullptr;
    gGridBitmap = gRootButtonBitmap = gKeyBadgeBitmap = nullptr;
    gPrevMemoListProc = gPrevTipWindowProc = nullptr;
    gSharedTextBlock = nullptr;
}

// The main window from DIALOG 101; FALSE after a fatal report (or none where the loader gives none).
static BOOL CreateMainWindow()
{
    // The template's class field holds the class name, two bytes a character.
    int headerExtra = 2 * (int)strlen(kMainWindowClass);
    LPCDLGTEMPLATEA mainTemplate = LoadDialogTemplate(IDD_MAIN, headerExtra, nullptr, LEVEL_FATAL);
    if (!mainTemplate) return FALSE;
    gMainWindow = CreateDialogIndirectParamA(gInstance, mainTemplate, nullptr, nullptr, 0);
    // Reported before the release, which may change the last error.
    if (!gMainWindow) ReportSystemError(nullptr, LEVEL_FATAL);
    FreeDialogTemplate(mainTemplate);
    return gMainWindow != nullptr;
}

// The remembered placement, or the place the system gives a new window of this size.
static void PlaceMainWindow()
{
    BYTE flags = gSettings.placementFlags;
    if (flags)
    {
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        if (flags & PLACEMENT_MINIMIZED)
        {
            placement.showCmd = SW_SHOWMINIMIZED;
            if (flags & PLACEMENT_MAXIMIZED) placement.flags = WPF_RESTORETOMAXIMIZED;
        }
        else
        {
            placement.showCmd = (flags & PLACEMENT_MAXIMIZED) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
        }
        placement.ptMinPosition.x = placement.ptMinPosition.y = -1;
        placement.ptMaxPosition.x = placement.ptMaxPosition.y = -1;
        placement.rcNormalPosition.left = gSettings.normalRect.left;
        placement.rcNormalPosition.top = gSettings.normalRect.top;
        placement.rcNormalPosition.right = gSettings.normalRect.right;
        placement.rcNormalPosition.bottom = gSettings.normalRect.bottom;
        SetWindowPlacement(gMainWindow, &placement);
        return;
    }
    // A throw-away window of the dialog class at the default position takes the next cascading place.
    RECT own;
    GetWindowRect(gMainWindow, &own);
    HWND probe = CreateWindowExA(0, MAKEINTATOM(0x8002), "", 0, CW_USEDEFAULT, 0, own.right - own.left,
                                 own.bottom - own.top, nullptr, nullptr, gInstance, nullptr);
    if (!probe) return;
    RECT given;
    GetWindowRect(probe, &given);
    DestroyWindow(probe);
    // The window is still hidden: Windows does not activate it here, and Wine must not either (it would
    // set up the input method and COM for it before it is shown).
    SetWindowPos(gMainWindow, nullptr, given.left, given.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void SetMenuText(HMENU menu, UINT item, BOOL byPosition, const char *text)
{
    MENUITEMINFOA info = {};
    info.cbSize = kMenuItemInfoSize;
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = (char *)ToHalfWidth(text);
    SetMenuItemInfoA(menu, item, byPosition, &info);
}

// MENU 101 with its katakana texts, attached; MENU 102 and 103. FALSE when one does not load.
static BOOL LoadMenus()
{
    gMainMenu = LoadMenuA(gInstance, MAKEINTRESOURCEA(IDR_MAINMENU));
    if (!gMainMenu) return FALSE;
    SetMenuText(gMainMenu, 0, TRUE, "ファイル(&F)");
    SetMenuText(gMainMenu, 2, TRUE, "レジストリ エディタ(&R)");
    SetMenuText(gMainMenu, IDM_OPENENTRY, FALSE, "メモから開く(&O)");
    SetMenuText(gMainMenu, IDM_CAPTURE, FALSE, "メモに取り込む(&I)");
    SetMenuText(gMainMenu, IDM_OPENKEY, FALSE, "メモに追加せずに開く(&Q)...\tCtrl+G");
    SetMenu(gMainWindow, gMainMenu);
    gContextMenu = LoadMenuA(gInstance, MAKEINTRESOURCEA(IDR_LISTMENU));
    if (!gContextMenu) return FALSE;
    SetMenuText(gMainMenu, IDM_COPYKEYPATH, FALSE, "キーのパスをコピー(&C)\tCtrl+C");
    SetMenuText(gContextMenu, IDM_LIST_COPYKEYPATH, FALSE, "キーのパスをコピー(&C)");
    // A table loaded from the resources is freed with the program.
    gAccelerators = LoadAcceleratorsA(gInstance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    if (!gAccelerators) return FALSE;
    gRootKeyMenu = LoadMenuA(gInstance, MAKEINTRESOURCEA(IDR_ROOTKEYMENU));
    return gRootKeyMenu != nullptr;
}

static void FindListHeader()
{
    if (gHasComctl470)
    {
        gListHeader = (HWND)SendMessageA(gMemoList, LVM_GETHEADER, 0, 0);
        return;
    }
    for (HWND child = GetWindow(gMemoList, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        char className[32];
        if (GetClassNameA(child, className, sizeof className) && strcmp(className, "SysHeader32") == 0)
        {
            gListHeader = child;
            return;
        }
    }
}

// Bitmap `id` scaled from its 96-DPI design to the system DPI; by a whole factor for a pattern, whose
// dots must keep their even spacing. The design itself where the copy cannot be made.
static HBITMAP LoadMonochromeBitmap(int id, bool pattern = false)
{
    HBITMAP design = (HBITMAP)LoadImageA(gInstance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    const SIZE size = BitmapSize(design);
    const int cx = pattern ? size.cx * WholeDpiFactor() : ScaleToDpi(size.cx);
    const int cy = pattern ? size.cy * WholeDpiFactor() : ScaleToDpi(size.cy);
    if (!design || (cx == size.cx && cy == size.cy)) return design;
    HBITMAP scaled = ScaleMonochromeBitmap(design, cx, cy);
    if (!scaled) return design;
    DeleteObject(design);
    return scaled;
}

// Bitmaps, the pattern brush and the list's run state. FALSE when a bitmap does not load.
static BOOL LoadBitmaps()
{
    gGridBitmap = LoadMonochromeBitmap(IDB_GRID, true);
    if (!gGridBitmap) return FALSE;
    // Stays null when it cannot be made: the end row then borrows a stock brush, which is never deleted.
    gPatternBrush = CreatePatternBrush(gGridBitmap);
    PrepareSelectAndFocusRecord();
    gDragState = 0;
    gRootButtonBitmap = LoadMonochromeBitmap(IDB_ROOTBUTTON);
    if (!gRootButtonBitmap) return FALSE;
    gKeyBadgeBitmap = LoadMonochromeBitmap(IDB_KEYBADGE);
    return gKeyBadgeBitmap != nullptr;
}

// A fatal report for the last error, then the end of the main window (which runs the clean-up).
static BOOL EndAfterFatalReport(HWND owner)
{
    ReportSystemError(owner, LEVEL_FATAL);
    DestroyWindow(gMainWindow);
    return FALSE;
}

// The shortcuts belong to the main window: keys meant for any other window (a dialog's edit field, where
// Ctrl+C copies) are left to it.
static bool TranslateShortcut(MSG *message)
{
    if (message->hwnd != gMainWindow && !IsChild(gMainWindow, message->hwnd)) return false;
    return TranslateAcceleratorA(gMainWindow, gAccelerators, message) != 0;
}

static void RunMessageLoop()
{
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        if (!TranslateShortcut(&message) && !IsDialogMessageA(gMainWindow, &message))
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        RelayCellTipMessage(&message);
    }
}

// Everything up to the shown main window; FALSE when the program must end (reported where the failure
// has a report).
static BOOL StartUp(LPSTR commandTail, int showCommand)
{
    DetectPlatform();
    InitCommonControls();
    DetectCommonControlsVersion();
    gSystemDpi = ReadSystemDpi();
    if (!LoadSettings()) return FALSE;
    LoadRecentFiles();
    if (!RegisterMainWindowClass())
    {
        ReportSystemError(nullptr, LEVEL_FATAL);
        return FALSE;
    }
    if (gIsNtFamily && !BindNtFunctions()) return FALSE;
    if (gIsNt51) BindOptionalFunctions();
    // A key path named on the command line is opened; the program then ends without showing a window.
    if (OpenCommandLineKey(commandTail, &gExitCode)) return FALSE;
    ResetRunState();

    if (!CreateMainWindow()) return FALSE;
    // What accepting dropped files amounts to, without loading the shell for it.
    SetWindowLongA(gMainWindow, GWL_EXSTYLE, GetWindowLongA(gMainWindow, GWL_EXSTYLE) | WS_EX_ACCEPTFILES);
    gMemoList = GetDlgItem(gMainWindow, IDC_MEMOLIST);
    MeasureLayout();
    PlaceMainWindow();
    InsertMemoListColumns();
    if (!LoadMenus()) return EndAfterFatalReport(gMainWindow);
    ShowRecentFiles();
    FindListHeader();
    gPrevMemoListProc = (WNDPROC)SetWindowLongPtrA(gMemoList, GWLP_WNDPROC, (LONG_PTR)MemoListProc);
    if (!LoadBitmaps()) return EndAfterFatalReport(gMainWindow);

    gTipWindow = CreateTipWindow();
    if (!gTipWindow) return EndAfterFatalReport(gMainWindow);
    gPrevTipWindowProc = (WNDPROC)SetWindowLongPtrA(gTipWindow, GWLP_WNDPROC, (LONG_PTR)TipWindowProc);
    tipItem = -1;
    SendMessageA(gTipWindow, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(2 * GetDoubleClickTime(), 0));
    SendMessageA(gTipWindow, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(32767, 0));
    gSharedTextBlock = GlobalAlloc(GMEM_FIXED, 256);
    if (!gSharedTextBlock) return EndAfterFatalReport(nullptr);
    RegisterMemoListTool();

    GetCurrentDirectoryA(MAX_PATH, lastDirectory);
    // A fatal failure there has been reported and the main window destroyed.
    if (OpenStartupMemo(commandTail) == -1) return FALSE;
    // A remembered placement already carries the show state.
    ShowWindow(gMainWindow, gSettings.placementFlags ? SW_SHOW : showCommand);
    UpdateWindow(gMainWindow);
    return TRUE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int showCommand)
{
    gInstance = instance;
    RemoveEnclosingQuotes(commandTail);
    if (StartUp(commandTail, showCommand)) RunMessageLoop();
    // The main window's end has run the clean-up already; a start-up that ended before there was a main
    // window still has libraries to free.
    ShutdownCleanup();
    return gExitCode;
}

void ShutdownCleanup()
{
    // Runs once: the end of the session may come before the window is destroyed.
    static bool done = false;
    if (done) return;
    done = true;

    if (gMainWindow)
    {
        SaveWindowBlock();
        HandRecentFileToShell(); // a memo opened just before closing is still the shell's recent document
        SetWindowLongA(gMainWindow, GWL_EXSTYLE, GetWindowLongA(gMainWindow, GWL_EXSTYLE) & ~WS_EX_ACCEPTFILES);
    }
    if (gMemoList) FreeAllEntries();
    if (gContextMenu) DestroyMenu(gContextMenu);
    if (gRootKeyMenu) DestroyMenu(gRootKeyMenu);
    gContextMenu = gRootKeyMenu = nullptr;
    if (gPrevMemoListProc) SetWindowLongPtrA(gMemoList, GWLP_WNDPROC, (LONG_PTR)gPrevMemoListProc);
    if (gPatternBrush) DeleteObject(gPatternBrush);
    if (gGridBitmap) DeleteObject(gGridBitmap);
    if (gRootButtonBitmap) DeleteObject(gRootButtonBitmap);
    if (gKeyBadgeBitmap) DeleteObject(gKeyBadgeBitmap);
    gPatternBrush = nullptr;
    gGridBitmap = gRootButtonBitmap = gKeyBadgeBitmap = nullptr;
    if (gTipWindow)
    {
        if (gPrevTipWindowProc) SetWindowLongPtrA(gTipWindow, GWLP_WNDPROC, (LONG_PTR)gPrevTipWindowProc);
        // The tip window has no owner, so it does not go with the main window.
        DestroyWindow(gTipWindow);
        gTipWindow = nullptr;
    }
    if (gSharedTextBlock) GlobalFree(gSharedTextBlock);
    gSharedTextBlock = nullptr;
    // Nothing may call into a library after it is gone.
    gBound = BoundFunctions();
    if (kernelLibrary) FreeLibrary(kernelLibrary);
    if (advapiLibrary) FreeLibrary(advapiLibrary);
    if (userLibrary) FreeLibrary(userLibrary);
    if (themeLibrary) FreeLibrary(themeLibrary);
    kernelLibrary = advapiLibrary = userLibrary = themeLibrary = nullptr;
    FreeLateLibraries();
}
