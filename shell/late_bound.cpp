// Functions of comdlg32, shell32 and version, looked up at each use: they are used seldom, and not at all once
// their libraries are freed.
#include "shell/late_bound.h"

#include <shlobj.h>

static HMODULE gDialogLibrary;
static HMODULE gShellLibrary;
static BOOL gDialogLibraryTried;
static BOOL gShellLibraryTried;
static HMODULE gVersionLibrary;
static BOOL gVersionLibraryTried;

static FARPROC Find(HMODULE *library, BOOL *tried, const char *libraryName, const char *name)
{
    if (!*tried)
    {
        *tried = TRUE;
        *library = LoadLibraryA(libraryName);
    }
    return *library ? GetProcAddress(*library, name) : nullptr;
}

template <typename Function> static Function InDialogs(const char *name)
{
    return (Function)((void *)Find(&gDialogLibrary, &gDialogLibraryTried, "Comdlg32.dll", name));
}

template <typename Function> static Function InShell(const char *name)
{
    return (Function)((void *)Find(&gShellLibrary, &gShellLibraryTried, "Shell32.dll", name));
}

template <typename Function> static Function InVersion(const char *name)
{
    return (Function)((void *)Find(&gVersionLibrary, &gVersionLibraryTried, "Version.dll", name));
}

typedef BOOL(WINAPI *FileDialogProc)(OPENFILENAMEA *);

BOOL LateGetOpenFileName(OPENFILENAMEA *dialog)
{
    const FileDialogProc open = InDialogs<FileDialogProc>("GetOpenFileNameA");
    return open && open(dialog);
}

BOOL LateGetSaveFileName(OPENFILENAMEA *dialog)
{
    const FileDialogProc save = InDialogs<FileDialogProc>("GetSaveFileNameA");
    return save && save(dialog);
}

DWORD LateCommDlgExtendedError()
{
    typedef DWORD(WINAPI * ErrorProc)();
    const ErrorProc error = InDialogs<ErrorProc>("CommDlgExtendedError");
    return error ? error() : CDERR_INITIALIZATION;
}

UINT LateDragQueryFile(HDROP drop, UINT index, char *file, UINT cchFile)
{
    typedef UINT(WINAPI * QueryProc)(HDROP, UINT, char *, UINT);
    const QueryProc query = InShell<QueryProc>("DragQueryFileA");
    if (query) return query(drop, index, file, cchFile);
    if (cchFile) file[0] = '\0';
    return 0;
}

void LateDragFinish(HDROP drop)
{
    typedef void(WINAPI * FinishProc)(HDROP);
    const FinishProc finish = InShell<FinishProc>("DragFinish");
    if (finish) finish(drop);
}

void LateChangeNotify(LONG eventId, UINT flags)
{
    typedef void(WINAPI * NotifyProc)(LONG, UINT, const void *, const void *);
    const NotifyProc notify = InShell<NotifyProc>("SHChangeNotify");
    if (notify) notify(eventId, flags, nullptr, nullptr);
}

void LateAddToRecentDocuments(const char *path)
{
    typedef void(WINAPI * AddProc)(UINT, const void *);
    const AddProc add = InShell<AddProc>("SHAddToRecentDocs");
    if (add) add(SHARD_PATHA, path);
}

DWORD LateGetFileVersionInfoSize(const char *path)
{
    typedef DWORD(WINAPI * SizeProc)(const char *, DWORD *);
    const SizeProc size = InVersion<SizeProc>("GetFileVersionInfoSizeA");
    DWORD unused = 0;
    return size ? size(path, &unused) : 0;
}

BOOL LateGetFileVersionInfo(const char *path, DWORD cbBlock, void *block)
{
    typedef BOOL(WINAPI * InfoProc)(const char *, DWORD, DWORD, void *);
    const InfoProc info = InVersion<InfoProc>("GetFileVersionInfoA");
    return info && info(path, 0, cbBlock, block);
}

BOOL LateVerQueryValue(const void *block, const char *query, void **value, UINT *cchValue)
{
    typedef BOOL(WINAPI * QueryProc)(const void *, const char *, void **, UINT *);
    const QueryProc ask = InVersion<QueryProc>("VerQueryValueA");
    return ask && ask(block, query, value, cchValue);
}

void FreeLateLibraries()
{
    if (gDialogLibrary) FreeLibrary(gDialogLibrary);
    if (gShellLibrary) FreeLibrary(gShellLibrary);
    if (gVersionLibrary) FreeLibrary(gVersionLibrary);
    gDialogLibrary = gShellLibrary = gVersionLibrary = nullptr;
}
