// A message hook that the shell's end-to-end tests place in the memo program's thread, because menus
// cannot be read from another process under Wine. On the registered message "TarmikShellProbe" it
// writes the menu of the window the message was sent to into the shared section "TarmikShellProbe":
// wParam 0 the window's menu bar (a main window), 1 the menu a pop-up menu window shows, 2 the face of
// the window's font. One line an item: "P\t<position>\t<text>" for a pop-up of the bar,
// "<id>\t<state>\t<text>" otherwise.
#include <windows.h>
#include <stdio.h>
#include <string.h>

static void AppendMenu(HMENU menu, bool bar, char *out, size_t cbOut)
{
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
    {
        char text[256] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        size_t used = strlen(out);
        if (sub)
        {
            if (bar) snprintf(out + used, cbOut - used, "P\t%d\t%s\n", i, text);
            AppendMenu(sub, false, out, cbOut);
        }
        else
        {
            snprintf(out + used, cbOut - used, "%u\t%u\t%s\n", GetMenuItemID(menu, i),
                     GetMenuState(menu, i, MF_BYPOSITION), text);
        }
    }
}

extern "C" __attribute__((dllexport)) LRESULT CALLBACK ShellProbeHook(int code, WPARAM wParam, LPARAM lParam)
{
    static const UINT probeMessage = RegisterWindowMessageA("TarmikShellProbe");
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && sent->message == probeMessage)
    {
        const DWORD cbShared = 16384;
        HANDLE section = OpenFileMappingA(FILE_MAP_WRITE, FALSE, "TarmikShellProbe");
        char *out = section ? (char *)MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, cbShared) : nullptr;
        if (out)
        {
            out[0] = 0;
            if (sent->wParam == 2)
            {
                HFONT font = (HFONT)SendMessageA(sent->hwnd, WM_GETFONT, 0, 0);
                LOGFONTA face = {};
                if (font && GetObjectA(font, sizeof face, &face)) snprintf(out, cbShared, "%s", face.lfFaceName);
            }
            else
            {
                HMENU menu =
                    sent->wParam == 0 ? GetMenu(sent->hwnd) : (HMENU)SendMessageA(sent->hwnd, MN_GETHMENU, 0, 0);
                if (menu) AppendMenu(menu, sent->wParam == 0, out, cbShared);
            }
            UnmapViewOfFile(out);
        }
        if (section) CloseHandle(section);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
