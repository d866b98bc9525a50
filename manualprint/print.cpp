// The manual printer: shows the print dialog and prints the chosen pages of the built-in manual,
// each page played from its metafile at its natural size. No window, no message loop.
#include <windows.h>
#include <commdlg.h>
#include "manualprint/inflate.h"

enum
{
    PAGE_COUNT = 11,
    PAGE_RESOURCE_TYPE = 256
};

static const char kCaption[] = "タルミク使用方法 - 印刷";
static const char kDocumentName[] = "タルミク使用方法";
static const char kOutOfMemory[] = "メモリ不足のため処理を中止しました．";
static const char kDamagedPage[] = "マニュアルの %d ページ目のデータが壊れているため、印刷を中止しました．";
static const char kPrintFailed[] = "印刷できませんでした．プリンターとその出力先を確かめてください．\r\r%s";

#ifndef _WIN64
static_assert(sizeof(PRINTDLGA) == 66, "the print dialog record of 32-bit Windows");
static_assert(sizeof(DOCINFOA) == 20, "the document record of 32-bit Windows");
#endif

static int gCurrentPage; // the page being decoded, for the damaged-page message

static void ShowError(const char *text)
{
    MessageBoxA(nullptr, text, kCaption, MB_ICONERROR);
}

// The page buffer is fixed global memory; growing it may move it.
static unsigned char *GrowPageBuffer(unsigned char *buffer, size_t cbNew)
{
    return (unsigned char *)GlobalReAlloc(buffer, cbNew, GMEM_MOVEABLE);
}

static void ReportPageFailure(PageFailure failure)
{
    if (failure == PAGE_OUT_OF_MEMORY)
    {
        ShowError(kOutOfMemory);
        return;
    }
    char text[160];
    wsprintfA(text, kDamagedPage, gCurrentPage);
    ShowError(text);
}

// A failed print job, with the system's reason when it gives one. A job the user cancelled
// (for instance in the printer's own file dialog) is not a failure.
static void ReportPrintFailure()
{
    DWORD error = GetLastError();
    if (error == ERROR_CANCELLED) return;
    char reason[256] = "";
    if (error != 0)
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reason, sizeof reason, nullptr);
    char text[sizeof reason + 128];
    wsprintfA(text, kPrintFailed, reason);
    ShowError(text);
}

// The default printer's settings, preset to A4 portrait for the dialog.
static void PresetA4Portrait(HGLOBAL devMode)
{
    DEVMODEA *mode = (DEVMODEA *)GlobalLock(devMode);
    if (!mode) return;
    mode->dmOrientation = DMORIENT_PORTRAIT;
    mode->dmPaperSize = DMPAPER_A4;
    mode->dmFields |= DM_ORIENTATION | DM_PAPERSIZE;
    GlobalUnlock(devMode);
}

enum PageResult
{
    PAGE_PRINTED,
    PAGE_MISSING,
    PAGE_STOP
};

// Decodes and prints one page; PAGE_STOP ends the whole run (reported).
static PageResult PrintPage(HDC dc, int page)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(page), MAKEINTRESOURCEA(PAGE_RESOURCE_TYPE));
    if (!found) return PAGE_MISSING;
    HGLOBAL loaded = LoadResource(nullptr, found);
    const unsigned char *stream = loaded ? (const unsigned char *)LockResource(loaded) : nullptr;
    if (!stream) return PAGE_MISSING;
    gCurrentPage = page;
    if (InflatePage(stream, SizeofResource(nullptr, found)) < 0) return PAGE_STOP;

    HENHMETAFILE metafile = SetEnhMetaFileBits((UINT)pageLength, pageBuffer);
    if (!metafile)
    {
        ReportPageFailure(PAGE_DAMAGED);
        return PAGE_STOP;
    }
    PageResult result = PAGE_PRINTED;
    if (StartPage(dc) <= 0)
    {
        ReportPrintFailure();
        result = PAGE_STOP;
    }
    else
    {
        // Under MM_HIMETRIC y grows upward: the frame negated in y puts the page's top-left corner
        // at the top-left of the printable area, at its natural size.
        SetMapMode(dc, MM_HIMETRIC);
        union {
            ENHMETAHEADER header;
            BYTE bytes[100];
        } head = {};
        GetEnhMetaFileHeader(metafile, sizeof head.bytes, &head.header);
        RECT frame = {head.header.rclFrame.left, -head.header.rclFrame.top, head.header.rclFrame.right,
                      -head.header.rclFrame.bottom};
        PlayEnhMetaFile(dc, metafile, &frame);
        if (EndPage(dc) <= 0)
        {
            ReportPrintFailure();
            result = PAGE_STOP;
        }
    }
    DeleteEnhMetaFile(metafile);
    return result;
}

// Prints every copy of the chosen pages, collated. False when the run had to stop.
static bool PrintCopies(HDC dc, const PRINTDLGA &dialog)
{
    bool range = (dialog.Flags & PD_PAGENUMS) != 0;
    int first = range ? dialog.nFromPage : 1;
    for (int copy = 0; copy < dialog.nCopies; copy++)
    {
        for (int page = first; page <= PAGE_COUNT; page++)
        {
            if (range && page > dialog.nToPage) break;
            PageResult result = PrintPage(dc, page);
            if (result == PAGE_STOP) return false;
            if (result == PAGE_MISSING) break;
        }
    }
    return true;
}

static void PrintManual()
{
    PRINTDLGA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.Flags = PD_RETURNDEFAULT;
    if (PrintDlgA(&dialog) && dialog.hDevMode) PresetA4Portrait(dialog.hDevMode);

    dialog.Flags = PD_RETURNDC | PD_NOSELECTION;
    dialog.nFromPage = 1;
    dialog.nToPage = PAGE_COUNT;
    dialog.nMinPage = 1;
    dialog.nMaxPage = PAGE_COUNT;
    dialog.nCopies = 1;
    if (PrintDlgA(&dialog) && dialog.hDC)
    {
        HDC dc = dialog.hDC;
        pageBuffer = (unsigned char *)GlobalAlloc(GMEM_FIXED, PAGE_GROWTH);
        if (!pageBuffer)
        {
            ShowError(kOutOfMemory);
        }
        else
        {
            pageCapacity = PAGE_GROWTH;
            gPageMemory.grow = GrowPageBuffer;
            gPageMemory.report = ReportPageFailure;

            DOCINFOA document;
            ZeroMemory(&document, sizeof document);
            document.cbSize = sizeof document;
            document.lpszDocName = kDocumentName;
            if (StartDocA(dc, &document) <= 0)
            {
                ReportPrintFailure();
            }
            else
            {
                bool completed = PrintCopies(dc, dialog);
                // Pages already printed stay in the job, also after a stop.
                if (EndDoc(dc) <= 0 && completed) ReportPrintFailure();
            }
            GlobalFree(pageBuffer);
            pageBuffer = nullptr;
            pageCapacity = 0;
        }
        DeleteDC(dc);
    }
    if (dialog.hDevMode) GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames) GlobalFree(dialog.hDevNames);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    PrintManual();
    return 0;
}
