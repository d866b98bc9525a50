// Functions of comdlg32 and shell32, looked up at each use: they are used seldom, and not at all once
// their libraries are freed.
#include "shell/late_bound.h"

#include <shlobj.h>

static HMODULE gDialogLibrary;
static HMODULE gShellLibrary;
static BOOL gDialogLibraryTried;
static BOOL gShellLibraryTried;

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

void FreeLateLibraries()
{
    if (gDialogLibrary) FreeLibrary(gDialogLibrary);
    if (gShellLibrary) FreeLibrary(gShellLibrary);
    gDialogLibrary = gShellLibrary = nullptr;
}
