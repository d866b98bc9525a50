// New, open, save as, the save-changes question, dropped files and the start-up memo.
#include "memo/memo.h"

#include <string.h>

#include "memo/memo_format.h"
#include "settings/settings.h"
#include "shell/late_bound.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

// Sets memoPath from a full path and the offset of its file name, and lastDirectory to its folder.
static void TakeChosenPath(const char *path, int nameOffset)
{
    lstrcpynA(memoPath, path, MAX_PATH);
    memoNameOffset = nameOffset;
    memcpy(lastDirectory, path, nameOffset);
    lastDirectory[nameOffset] = '\0';
}

// The open or save dialog over lastDirectory with the memo-file filter. On OK memoPath, memoNameOffset
// and lastDirectory name the chosen file and 1 is returned; otherwise 0, any failure reported.
static int ChooseMemoFile(BOOL forSaving)
{
    char extension[17];
    CopyMemoExtension(&gSettings, extension);
    LowerCaseLetters(extension);
    char fileName[MAX_PATH] = "";
    if (forSaving && memoPath[0]) lstrcpynA(fileName, memoPath + memoNameOffset, MAX_PATH);
    MemoFileDialog dialog;
    PrepareMemoFileDialog(&dialog, gMainWindow, extension[0] ? extension : nullptr, fileName, lastDirectory);
    if (forSaving)
    {
        dialog.data.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
        if (LateGetSaveFileName(&dialog.data))
        {
            TakeChosenPath(fileName, dialog.data.nFileOffset);
            return 1;
        }
    }
    else
    {
        dialog.data.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        if (LateGetOpenFileName(&dialog.data))
        {
            TakeChosenPath(fileName, dialog.data.nFileOffset);
            return 1;
        }
    }
    const DWORD code = LateCommDlgExtendedError();
    switch (code)
    {
    case 0: break; // cancelled
    case CDERR_MEMALLOCFAILURE:
        ShowMessage(gMainWindow, "メモリ不足のため処理を中止しました。", MB_ICONQUESTION);
        break;
    case FNERR_BUFFERTOOSMALL: ShowMessage(gMainWindow, "ファイルのパス名が長すぎます。", MB_ICONEXCLAMATION); break;
    default: ReportCommonDialogError(gMainWindow, code); break;
    }
    return 0;
}

// The full path of `name` when it is shorter than 260 bytes, with the offset of its file name.
static BOOL GetShortEnoughFullPath(const char *name, char fullPath[MAX_PATH], int *nameOffset)
{
    char *filePart = nullptr;
    const DWORD cch = GetFullPathNameA(name, MAX_PATH, fullPath, &filePart);
    if (cch == 0 || cch >= MAX_PATH) return FALSE;
    *nameOffset = filePart ? (int)(filePart - fullPath) : (int)cch;
    return TRUE;
}

void SetUntitledCaption()
{
    SetWindowTextA(gMainWindow, gProductCaption);
}

void SetMemoCaption()
{
    char title[16 + MAX_PATH];
    wsprintfA(title, "%s - %s", gProductCaption, memoPath + memoNameOffset);
    SetWindowTextA(gMainWindow, title);
}

int ConfirmDiscard()
{
    if (!memoModified) return 1;
    if (gSettings.autoSave) return SaveMemoFile();
    switch (ShowMessage(gMainWindow, "メモの内容が変更されています。\r\r変更を保存しますか？",
                        MB_YESNOCANCEL | MB_ICONEXCLAMATION))
    {
    case IDYES: return SaveMemoFile();
    case IDNO: return 1;
    default: return 0;
    }
}

void NewMemo()
{
    FreeAllEntries();
    if (!InsertEndRow(TRUE))
    {
        ReportListFailure(gMainWindow, LEVEL_FATAL);
        DestroyWindow(gMainWindow);
        return;
    }
    memoPath[0] = '\0';
    memoNameOffset = 0;
    gMemoFileStamp.known = FALSE;
    SetUntitledCaption();
}

int OpenMemoFile()
{
    if (!ChooseMemoFile(FALSE)) return 0;
    return LoadMemoFile();
}

int SaveMemoFileAs()
{
    char previousPath[MAX_PATH];
    lstrcpynA(previousPath, memoPath, MAX_PATH);
    if (!ChooseMemoFile(TRUE)) return 0;
    // Another file's replacement was confirmed by the dialog; only the same file is checked again.
    if (CompareIgnoringCase(previousPath, memoPath) != 0) gMemoFileStamp.known = FALSE;
    SetMemoCaption();
    return SaveMemoFile();
}

void OpenDroppedFile(HDROP drop)
{
    char dropped[324] = "";
    LateDragQueryFile(drop, 0, dropped, sizeof dropped);
    LateDragFinish(drop);
    if (!ConfirmDiscard()) return;
    char fullPath[MAX_PATH];
    int nameOffset = 0;
    if (!GetShortEnoughFullPath(dropped, fullPath, &nameOffset)) return;
    TakeChosenPath(fullPath, nameOffset);
    if (LoadMemoFile() < 0) DestroyWindow(gMainWindow);
}

int OpenStartupMemo(const char *commandTail)
{
    const DWORD cchDirectory = GetCurrentDirectoryA(MAX_PATH, lastDirectory);
    if (cchDirectory == 0 || cchDirectory >= MAX_PATH) lastDirectory[0] = '\0';
    memoPath[0] = '\0';
    memoNameOffset = 0;
    if (commandTail && commandTail[0])
    {
        // The whole tail is the name, blanks included (start-up took away quotes around it).
        char fullPath[MAX_PATH];
        int nameOffset = 0;
        if (GetShortEnoughFullPath(commandTail, fullPath, &nameOffset))
        {
            lstrcpynA(memoPath, fullPath, MAX_PATH);
            memoNameOffset = nameOffset;
        }
    }
    else
    {
        char startupFile[MAX_PATH];
        CopyStartupFile(&gSettings, startupFile);
        if (startupFile[0])
        {
            lstrcpynA(memoPath, startupFile, MAX_PATH);
            memoNameOffset = FileNameOffset(memoPath);
        }
    }
    if (memoPath[0])
    {
        const int loaded = LoadMemoFile();
        if (loaded < 0) DestroyWindow(gMainWindow);
        return loaded;
    }
    if (!InsertEndRow(TRUE))
    {
        ReportListFailure(gMainWindow, LEVEL_FATAL);
        DestroyWindow(gMainWindow);
        return -1;
    }
    SetUntitledCaption();
    return 1;
}

void OpenRecentMemo(int index)
{
    const char *listed = RecentFile(index);
    if (!listed) return;
    // Copied: saving the memo first puts its own file at the top of the list.
    char path[MAX_PATH];
    lstrcpynA(path, listed, MAX_PATH);
    // A file that is gone is said before the save question, which would then be for nothing.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
    {
        ShowMessageWithArgument(gMainWindow, "メモ ファイル“%s”が見つからないため、一覧から削除します。", path,
                                MB_ICONEXCLAMATION);
        RemoveRecentFile(path);
        return;
    }
    if (!ConfirmDiscard()) return;
    TakeChosenPath(path, FileNameOffset(path));
    gMemoFileStamp.known = FALSE;
    if (LoadMemoFile() < 0) DestroyWindow(gMainWindow);
}
