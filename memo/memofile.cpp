// The memo list to and from the memo file.
#include "memo/memo.h"

#include <string.h>

#include "memo/list_items.h"
#include "memo/memo_format.h"
#include "settings/settings.h"
#include "shell/messages.h"
#include "shell/program.h"

enum LoadOutcome
{
    LOAD_LOADED,
    LOAD_REPORTED,
    LOAD_MALFORMED,
    LOAD_SYSTEM_ERROR
};

// Reads the file in blocks, so that a long memo costs a few hundred reads instead of four per entry,
// while every read the walk asks for ends exactly as a read of the file itself would.
struct FileSource
{
    HANDLE file;
    DWORD error;
    DWORD cbBuffered;
    DWORD position;
    BYTE buffer[16384];

    bool Fill()
    {
        position = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &cbBuffered, nullptr))
        {
            cbBuffered = 0;
            error = GetLastError();
            return false;
        }
        return true;
    }
    bool Read(void *destination, uint32_t cb, uint32_t *cbRead)
    {
        BYTE *out = (BYTE *)destination;
        *cbRead = 0;
        while (*cbRead < cb)
        {
            if (position == cbBuffered)
            {
                if (!Fill()) return false;
                if (!cbBuffered) break; // end of file
            }
            DWORD n = cbBuffered - position;
            if (n > cb - *cbRead) n = cb - *cbRead;
            memcpy(out + *cbRead, buffer + position, n);
            position += n;
            *cbRead += n;
        }
        return true;
    }
    bool Skip(uint32_t cb)
    {
        DWORD n = cbBuffered - position;
        if (n > cb) n = cb;
        position += n;
        cb -= n;
        if (!cb) return true;
        SetLastError(NO_ERROR);
        if (SetFilePointer(file, (LONG)cb, nullptr, FILE_CURRENT) == INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR)
        {
            error = GetLastError();
            return false;
        }
        return true;
    }
};

// An entry's fixed block is its own address, which locking it would only hand back after a probe of
// the memory; a load and a save go through every block of the memo, and with 65,535 entries the locks
// were a third of a save's time.
static MemoEntryHead *FixedEntryAddress(HGLOBAL entry)
{
    static_assert(kEntryBlockFlags == GMEM_FIXED, "only a fixed block's handle is its address");
    return (MemoEntryHead *)entry;
}

// Puts each record into the memo list as it is read.
struct ListSink
{
    DWORD error; // set when the sink failed without reporting

    void Begin(uint16_t recordCount)
    {
        SendMessageA(gMemoList, LVM_SETITEMCOUNT, (WPARAM)recordCount + 1, 0);
        // Only a hint, as the list's count is: an insertion that finds no room reports it.
        ReserveEntries(recordCount);
    }
    MemoEntryHead *BeginRecord(uint32_t index, size_t cbBlock)
    {
        const HGLOBAL entry = GlobalAlloc(kEntryBlockFlags, cbBlock);
        if (!entry)
        {
            error = GetLastError();
            return nullptr;
        }
        if (!InsertListItem((int)index, entry))
        {
            GlobalFree(entry);
            return nullptr; // reported
        }
        return FixedEntryAddress(entry);
    }
    void EndRecord() {}
};

// Collects the file's bytes and writes them in blocks; the first failing write is kept.
struct FileWriter
{
    HANDLE file;
    DWORD error;
    DWORD cbUsed;
    BYTE buffer[32768];

    void Flush()
    {
        if (error || !cbUsed) return;
        DWORD cbWritten = 0;
        if (!WriteFile(file, buffer, cbUsed, &cbWritten, nullptr)) error = GetLastError();
        // A disk file takes every byte or fails; a short write can only mean there is no room.
        else if (cbWritten != cbUsed)
            error = ERROR_DISK_FULL;
        cbUsed = 0;
    }
    bool Failed() const
    {
        return error != NO_ERROR;
    }
    void Put(const void *data, size_t cb)
    {
        const BYTE *in = (const BYTE *)data;
        while (cb && !error)
        {
            if (cbUsed == sizeof buffer) Flush();
            DWORD n = sizeof buffer - cbUsed;
            if (n > cb) n = (DWORD)cb;
            memcpy(buffer + cbUsed, in, n);
            cbUsed += n;
            in += n;
            cb -= n;
        }
    }
};

static void RedrawMemoList()
{
    SendMessageA(gMemoList, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(gMemoList, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

// Size and last-write time of the file at `path`; FALSE when it cannot be found.
// The folder's listing serves on every system, and reads a file that another program holds open.
static BOOL ReadFileStamp(const char *path, MemoFileStamp *stamp)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return FALSE;
    FindClose(search);
    stamp->known = TRUE;
    stamp->cbLow = found.nFileSizeLow;
    stamp->cbHigh = found.nFileSizeHigh;
    stamp->lastWrite = found.ftLastWriteTime;
    return TRUE;
}

static void RememberMemoFile()
{
    if (!ReadFileStamp(memoPath, &gMemoFileStamp)) gMemoFileStamp.known = FALSE;
}

// Asks before a save replaces a file that changed since this program last read or wrote it.
// FALSE when the user keeps the file; a file that is gone is simply written.
static BOOL MayReplaceMemoFile()
{
    MemoFileStamp now;
    if (!gMemoFileStamp.known || !ReadFileStamp(memoPath, &now)) return TRUE;
    if (now.cbLow == gMemoFileStamp.cbLow && now.cbHigh == gMemoFileStamp.cbHigh &&
        CompareFileTime(&now.lastWrite, &gMemoFileStamp.lastWrite) == 0)
        return TRUE;
    return ShowMessageWithArgument(gMainWindow,
                                   "メモ ファイル“%s”は、他のプログラムによって変更されています。\r\r"
                                   "上書きして保存しますか？",
                                   memoPath, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES;
}

static LoadOutcome ReadMemoIntoList(DWORD *error)
{
    HANDLE file = CreateFileA(memoPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        *error = GetLastError();
        if (*error != ERROR_FILE_NOT_FOUND) return LOAD_SYSTEM_ERROR;
        ShowMessageWithArgument(gMainWindow, "メモ ファイル“%s”が見つかりません。", memoPath, MB_ICONQUESTION);
        return LOAD_REPORTED;
    }
    // Held without sharing from here on: what is remembered is what is read.
    RememberMemoFile();
    static FileSource source; // one load at a time; keeps the block buffer off the stack
    source.file = file;
    source.error = NO_ERROR;
    source.cbBuffered = source.position = 0;
    ListSink sink = {NO_ERROR};
    LoadOutcome outcome = LOAD_LOADED;
    switch (WalkMemoFile(source, sink))
    {
    case MEMO_READ_LOADED: break;
    case MEMO_READ_MALFORMED: outcome = LOAD_MALFORMED; break;
    case MEMO_READ_SOURCE_FAILED:
        outcome = LOAD_SYSTEM_ERROR;
        *error = source.error;
        break;
    case MEMO_READ_SINK_FAILED:
        outcome = sink.error != NO_ERROR ? LOAD_SYSTEM_ERROR : LOAD_REPORTED;
        *error = sink.error;
        break;
    }
    CloseHandle(file);
    return outcome;
}

// A new file in the memo file's folder that no other file uses, for writing the memo before it
// replaces the old file. Its name fits the folder's remaining room in the path.
static HANDLE CreateFileBesideMemo(char tempPath[MAX_PATH])
{
    const int cchFolder = memoNameOffset;
    const int cchRoom = MAX_PATH - 1 - cchFolder;
    if (cchRoom < 2)
    {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    memcpy(tempPath, memoPath, cchFolder);
    DWORD seed = GetTickCount() ^ GetCurrentProcessId() << 16;
    for (int attempt = 0; attempt < 64; attempt++, seed = seed * 69069 + 1)
    {
        if (cchRoom >= 12)
        {
            wsprintfA(tempPath + cchFolder, "~tmk%04X.tmp", (unsigned)(seed >> 16));
        }
        else
        {
            char *name = tempPath + cchFolder;
            *name++ = '~';
            for (int i = 0; i < cchRoom - 1; i++) *name++ = "0123456789ABCDEF"[(seed >> ((4 * i) & 31)) & 15];
            *name = '\0';
        }
        HANDLE file = CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// The memo list's entries as the file writer reads them; an entry that cannot be read keeps its error.
struct ListEntries
{
    DWORD error;

    const MemoEntryHead *Lock(uint32_t index)
    {
        const HGLOBAL entry = GetEntryHandle((int)index);
        if (!entry) error = ERROR_INVALID_HANDLE;
        return entry ? FixedEntryAddress(entry) : nullptr;
    }
    void Unlock(uint32_t) {}
};

// Writes the header and every entry in list order; writer->error keeps the first failure.
static void WriteMemoEntries(FileWriter *writer)
{
    ListEntries entries = {NO_ERROR};
    if (!WriteMemoFile(entries, (uint16_t)entryCount, *writer) && !writer->error) writer->error = entries.error;
    writer->Flush();
}

// Puts the written file in the old one's place in one step; on systems without that step the old
// file is removed first.
static BOOL ReplaceMemoFile(const char *tempPath)
{
    if (MoveFileExA(tempPath, memoPath, MOVEFILE_REPLACE_EXISTING)) return TRUE;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return FALSE;
    if (!DeleteFileA(memoPath) && GetLastError() != ERROR_FILE_NOT_FOUND) return FALSE;
    return MoveFileA(tempPath, memoPath);
}

static void ReportSaveError(DWORD error)
{
    switch (error)
    {
    case ERROR_WRITE_PROTECT:
        ShowMessage(gMainWindow, "出力先のデバイスが書き込み保護されているため、メモを保存できません。",
                    MB_ICONQUESTION);
        break;
    case ERROR_NOT_READY: ShowMessage(gMainWindow, "出力先のデバイスの準備ができていません。", MB_ICONQUESTION); break;
    case ERROR_DISK_FULL:
        ShowMessage(gMainWindow, "ディスクに空きがないためメモを保存できません。", MB_ICONQUESTION);
        break;
    default:
        SetLastError(error);
        ReportSystemErrorAbout(gMainWindow, LEVEL_ORDINARY, "メモ ファイル“%s”にメモを保存できませんでした。\r\r",
                               memoPath);
        break;
    }
}

int LoadMemoFile()
{
    FreeAllEntries();
    if (!InsertEndRow(FALSE))
    {
        ReportListFailure(gMainWindow, LEVEL_FATAL);
        return -1;
    }
    HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SendMessageA(gMemoList, WM_SETREDRAW, FALSE, 0);

    DWORD error = NO_ERROR;
    const LoadOutcome outcome = ReadMemoIntoList(&error);

    RedrawMemoList();
    SetCursor(previousCursor);
    if (outcome == LOAD_LOADED)
    {
        SetMemoCaption();
        AddRecentFile(memoPath);
    }
    else
    {
        char failedPath[MAX_PATH];
        lstrcpynA(failedPath, memoPath, MAX_PATH);
        FreeAllEntries();
        memoPath[0] = '\0';
        memoNameOffset = 0;
        gMemoFileStamp.known = FALSE;
        SetUntitledCaption();
        if (outcome == LOAD_SYSTEM_ERROR)
        {
            SetLastError(error);
            ReportSystemErrorAbout(gMainWindow, LEVEL_ORDINARY, "メモ ファイル“%s”を開けませんでした。\r\r",
                                   failedPath);
        }
        else if (outcome == LOAD_MALFORMED)
        {
            ShowMessage(gMainWindow, "メモ ファイルの形式に誤りがあります。", MB_ICONQUESTION);
        }
    }
    // What was read, or nothing: either is the memo as loaded.
    MarkMemoSaved();
    if (outcome != LOAD_LOADED && !InsertEndRow(FALSE))
    {
        ReportListFailure(gMainWindow, LEVEL_FATAL);
        return -1;
    }
    SelectAndFocusItem(0);
    return outcome == LOAD_LOADED ? 1 : 0;
}

// What a save ends with when it has already told the user, or the user said No to overwriting.
static const DWORD kSaveRefused = ERROR_CANCELLED;

// Writes the list over memoPath, the wait cursor showing: NO_ERROR, kSaveRefused, or the error to report.
static DWORD WriteOverMemoPath()
{
    const DWORD attributes = GetFileAttributesA(memoPath);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    {
        ShowMessage(gMainWindow, "メモ ファイルの属性が読み取り専用のためメモを保存できません。", MB_ICONQUESTION);
        return kSaveRefused;
    }
    // The file counts its entries in 16 bits; a longer memo is refused rather than cut.
    if (entryCount > MEMO_MAX_ENTRIES)
    {
        ShowMessage(gMainWindow, "メモの項目が 65535 個を超えているため、メモを保存できません。", MB_ICONQUESTION);
        return kSaveRefused;
    }
    if (!MayReplaceMemoFile()) return kSaveRefused;
    // The system refuses to recreate a hidden or system file with normal attributes; the save refuses
    // it too rather than put a visible file in its place.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return ERROR_ACCESS_DENIED;

    char tempPath[MAX_PATH];
    HANDLE file = CreateFileBesideMemo(tempPath);
    if (file == INVALID_HANDLE_VALUE)
    {
        const DWORD error = GetLastError();
        if (error != ERROR_DISK_FULL) return error;
        ShowMessage(gMainWindow, "ディレクトリに空きがないためメモを保存できません。", MB_ICONQUESTION);
        return kSaveRefused;
    }
    static FileWriter writer; // one save at a time; keeps the block buffer off the stack
    writer.file = file;
    writer.error = NO_ERROR;
    writer.cbUsed = 0;
    WriteMemoEntries(&writer);
    DWORD error = writer.error;
    if (!error && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    if (!error && !ReplaceMemoFile(tempPath)) error = GetLastError();
    if (error) DeleteFileA(tempPath);
    return error;
}

int SaveMemoFile()
{
    if (!memoPath[0]) return SaveMemoFileAs();
    HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const DWORD error = WriteOverMemoPath();
    SetCursor(previousCursor);
    if (error == NO_ERROR)
    {
        MarkMemoSaved();
        RememberMemoFile();
        AddRecentFile(memoPath);
        return 1;
    }
    if (error != kSaveRefused) ReportSaveError(error);
    return 0;
}
