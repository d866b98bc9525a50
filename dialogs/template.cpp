// Dialog templates: loading them (with the dialog face replaced on systems that lack it) and running a
// dialog over the main window, and the growable block that holds the text of the tooltip being shown.
#include <string.h>

#include "dialogs/dialogs.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

// Layout of an extended template with empty menu, class and title: the face name follows at 38.
static const int kFaceOffset = 38;
static const int kTemplateFaceBytes = 26; // "MS UI Gothic" with its terminator, UTF-16
// "ＭＳ Ｐゴシック": the face that Windows 95 and NT 4.0 have in place of "MS UI Gothic".
static const WCHAR kOldSystemFace[] = {0xFF2D, 0xFF33, 0x0020, 0xFF30, 0x30B4, 0x30B7, 0x30C3, 0x30AF, 0};
static_assert(sizeof kOldSystemFace == 18, "replacement face with its terminator");

static int RoundUpTo4(int offset)
{
    return (offset + 3) & ~3;
}

// A template that cannot be found or loaded is reported; one that cannot be locked or copied is not (the
// window is then simply not made). What this returns goes back through FreeDialogTemplate.
LPCDLGTEMPLATEA LoadDialogTemplate(int id, int headerExtra, HWND owner, int level)
{
    HRSRC found = FindResourceA(gInstance, MAKEINTRESOURCEA(id), RT_DIALOG);
    HGLOBAL loaded = found ? LoadResource(gInstance, found) : nullptr;
    if (!loaded)
    {
        ReportSystemError(owner, level);
        return nullptr;
    }
    const BYTE *source = (const BYTE *)LockResource(loaded);
    if (!source) return nullptr;
    if (!gIsOldSystem) return (LPCDLGTEMPLATEA)source;

    DWORD cbSource = SizeofResource(gInstance, found);
    int faceOffset = kFaceOffset + headerExtra;
    int sourceItems = RoundUpTo4(faceOffset + kTemplateFaceBytes);
    int copyItems = RoundUpTo4(faceOffset + (int)(sizeof kOldSystemFace));
    if (cbSource < (DWORD)sourceItems) return nullptr; // not a template of this program's shape

    BYTE *copy = (BYTE *)GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, cbSource);
    if (!copy) return nullptr;
    memcpy(copy, source, faceOffset);
    memcpy(copy + faceOffset, kOldSystemFace, sizeof kOldSystemFace);
    // The item templates keep their 4-byte alignment, 8 bytes further up than in the resource.
    memcpy(copy + copyItems, source + sourceItems, cbSource - sourceItems);
    return (LPCDLGTEMPLATEA)copy;
}

void FreeDialogTemplate(LPCDLGTEMPLATEA dialogTemplate)
{
    // Only old systems get a copy; elsewhere the template is the resource itself.
    if (dialogTemplate && gIsOldSystem) GlobalFree((DLGTEMPLATE *)dialogTemplate);
}

HGLOBAL gSharedTextBlock;

int EnsureSharedTextBlock(SIZE_T cbSize, HWND owner)
{
    if (cbSize <= GlobalSize(gSharedTextBlock)) return 0;
    HGLOBAL grown = GlobalReAlloc(gSharedTextBlock, cbSize, GMEM_MOVEABLE);
    if (!grown)
    {
        ReportSystemError(owner, LEVEL_ORDINARY);
        return -1;
    }
    gSharedTextBlock = grown;
    return 0;
}

void RunDialog(int id, DLGPROC proc, LPARAM param)
{
    LPCDLGTEMPLATEA dialogTemplate = LoadDialogTemplate(id, 0, gMainWindow, LEVEL_ORDINARY);
    if (!dialogTemplate) return;
    DialogBoxIndirectParamA(gInstance, dialogTemplate, gMainWindow, proc, param);
    FreeDialogTemplate(dialogTemplate);
}

BOOL OnOkOrCancel(HWND dialog, int id, void (*onOk)(HWND dialog))
{
    switch (id)
    {
    case IDOK: onOk(dialog); break;
    case IDCANCEL: EndDialog(dialog, 0); break;
    default: return FALSE;
    }
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
    return TRUE;
}
