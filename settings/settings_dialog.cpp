// The settings dialog (DIALOG 102): the window option, the memo-file extension and its association,
// the start-up file and three options. The association is changed on OK, before the record is written.
#include <windows.h>
#include <commdlg.h>
#include <string.h>

#include "resources/resource.h"
#include "settings/association_text.h"
#include "settings/settings.h"
#include "shell/late_bound.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/text.h"

enum
{
    CCH_EXTENSION_READ = 18, // read one more than the limit of 16 so that a longer one is refused
    CCH_EXTENSION_MAX = 16,
    CCH_STARTUP_MAX = 259,
};

// The extension held in the settings was registered for this very program when the dialog opened.
static BOOL extensionAssociatedAtOpen;
// The memo dialogs' folder, from the creation parameter.
static const char *gMemoFolder;

static void SetRunTimeTexts(HWND dialog)
{
    SetWindowTextA(dialog, "設定");
    SetDlgItemTextA(dialog, IDC_REMEMBERWINDOW, ToHalfWidth("ウィンドウの位置と大きさを記憶する(&W)"));
    SetDlgItemTextA(dialog, IDC_EXTENSIONLABEL, ToHalfWidth("メモ ファイルの拡張子(&E):"));
    SetDlgItemTextA(dialog, IDC_OPENATSTARTUP, ToHalfWidth("起動時に自動的にファイルを開く(&O)"));
    SetDlgItemTextA(dialog, IDC_STARTUPFILELABEL, ToHalfWidth("パス名(&P):"));
    SetDlgItemTextA(dialog, IDC_EXPANDKEY, ToHalfWidth("選択したキーを展開する(&K)"));
    SetDlgItemTextA(dialog, IDCANCEL, ToHalfWidth("キャンセル"));
}

static void EnableStartupFileControls(HWND dialog, BOOL enable)
{
    EnableWindow(GetDlgItem(dialog, IDC_STARTUPFILELABEL), enable);
    EnableWindow(GetDlgItem(dialog, IDC_STARTUPFILE), enable);
    EnableWindow(GetDlgItem(dialog, IDC_BROWSE), enable);
}

// Fills the dialog from the record and the registry. FALSE when the dialog must end at once
// (the failure has been reported).
static BOOL InitSettingsDialog(HWND dialog)
{
    SetRunTimeTexts(dialog);
    CenterInWorkArea(dialog);
    CheckDlgButton(dialog, IDC_REMEMBERWINDOW, gSettings.placementFlags != 0 ? BST_CHECKED : BST_UNCHECKED);

    extensionAssociatedAtOpen = FALSE;
    char extension[17];
    CopyMemoExtension(&gSettings, extension);
    if (extension[0] != '\0')
    {
        SetDlgItemTextA(dialog, IDC_EXTENSION, extension);
        char dotted[18] = ".";
        memcpy(dotted + 1, extension, sizeof extension);
        int answer = QueryAssociation(dotted, nullptr, dialog);
        if (answer == ASSOCIATION_ERROR) return FALSE;
        if (answer == ASSOCIATION_THIS_PROGRAM)
        {
            CheckDlgButton(dialog, IDC_ASSOCIATE, BST_CHECKED);
            extensionAssociatedAtOpen = TRUE;
        }
    }

    if (gIsNtFamily)
    {
        BOOL mayWrite = FALSE;
        DWORD error = TestClassesRootWriteAccess(&mayWrite);
        if (error != ERROR_SUCCESS)
        {
            SetLastError(error);
            ReportSystemError(dialog, LEVEL_ORDINARY);
            return FALSE;
        }
        if (!mayWrite)
        {
            EnableWindow(GetDlgItem(dialog, IDC_ASSOCIATE), FALSE);
            if (extensionAssociatedAtOpen) EnableWindow(GetDlgItem(dialog, IDC_EXTENSION), FALSE);
        }
    }

    if (gSettings.startupFile[0] != '\0')
    {
        CheckDlgButton(dialog, IDC_OPENATSTARTUP, BST_CHECKED);
        gSettings.startupFile[CCH_STARTUP_MAX] = '\0';
        SetDlgItemTextA(dialog, IDC_STARTUPFILE, gSettings.startupFile);
        EnableStartupFileControls(dialog, TRUE);
    }

    CheckDlgButton(dialog, IDC_AUTOSAVE, gSettings.autoSave ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_EXPANDKEY, gSettings.expandSelectedKey ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_OPENEDITOR, gSettings.openValueEditor ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

static void OnOpenAtStartupClicked(HWND dialog)
{
    BOOL checked = IsDlgButtonChecked(dialog, IDC_OPENATSTARTUP) == BST_CHECKED;
    if (!checked) SetDlgItemTextA(dialog, IDC_STARTUPFILE, "");
    EnableStartupFileControls(dialog, checked);
}

// The browse button: an open-file dialog that starts from the typed path and shows memo files first.
static void BrowseStartupFile(HWND dialog)
{
    char typed[CCH_STARTUP_MAX + 1];
    GetDlgItemTextA(dialog, IDC_STARTUPFILE, typed, sizeof typed);
    size_t cbFolder = 0;
    const char *typedName = nullptr;
    SplitBrowsePath(typed, &cbFolder, &typedName);
    char folder[MAX_PATH];
    if (cbFolder > 0)
        lstrcpynA(folder, typed, (int)cbFolder + 1);
    else
        lstrcpynA(folder, gMemoFolder, sizeof folder);
    char file[MAX_PATH];
    lstrcpynA(file, typedName, sizeof file);

    char extension[CCH_EXTENSION_READ + 1];
    GetDlgItemTextA(dialog, IDC_EXTENSION, extension, sizeof extension);
    bool usable = extension[0] != '\0' && strlen(extension) <= CCH_EXTENSION_MAX &&
                  !ContainsAnyOf(extension, kFileNameForbiddenOrDot);
    if (usable) LowerCaseLetters(extension);
    char title[64];
    lstrcpynA(title, ToHalfWidth("ファイルの参照"), sizeof title);

    MemoFileDialog browse;
    PrepareMemoFileDialog(&browse, dialog, usable ? extension : nullptr, file, folder);
    browse.data.lpstrTitle = title;
    browse.data.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (LateGetOpenFileName(&browse.data))
    {
        SetDlgItemTextA(dialog, IDC_STARTUPFILE, file);
        return;
    }
    DWORD code = LateCommDlgExtendedError();
    if (code == 0) return;
    if (code == CDERR_MEMALLOCFAILURE)
        ShowMessage(dialog, "メモリ不足のため処理を中止しました。", MB_ICONQUESTION);
    else if (code == FNERR_BUFFERTOOSMALL)
        ShowMessage(dialog, "起動時に開くファイルのパス名が長すぎます。", MB_ICONEXCLAMATION);
    else
        ReportCommonDialogError(dialog, code);
}

static void RefuseInput(HWND dialog, const char *text)
{
    ShowMessage(dialog, text, MB_ICONEXCLAMATION);
}

// OK: the input is checked in a fixed order, then the association is changed, then the record written.
static void OnSettingsOk(HWND dialog)
{
    char extension[CCH_EXTENSION_READ + 1];
    GetDlgItemTextA(dialog, IDC_EXTENSION, extension, sizeof extension);
    if (strlen(extension) > CCH_EXTENSION_MAX)
    {
        RefuseInput(dialog, "メモ ファイルの拡張子が長すぎます。");
        return;
    }
    char upperExtension[CCH_EXTENSION_READ + 1];
    memcpy(upperExtension, extension, sizeof extension);
    UpperCaseLetters(upperExtension);
    LowerCaseLetters(extension);

    BOOL associate = IsDlgButtonChecked(dialog, IDC_ASSOCIATE) == BST_CHECKED;
    if (associate && extension[0] == '\0')
    {
        RefuseInput(dialog, "メモ ファイルの拡張子が入力されていません。\r"
                            "拡張子を入力するか、[拡張子に関連付ける] のチェックを外してください。");
        return;
    }

    BOOL openAtStartup = IsDlgButtonChecked(dialog, IDC_OPENATSTARTUP) == BST_CHECKED;
    char startupPath[CCH_STARTUP_MAX + 1] = "";
    if (openAtStartup)
    {
        int cchPath = GetWindowTextLengthA(GetDlgItem(dialog, IDC_STARTUPFILE));
        if (cchPath == 0)
        {
            RefuseInput(dialog, "起動時に開くファイルのパス名が指定されていません。");
            return;
        }
        if (cchPath > CCH_STARTUP_MAX)
        {
            RefuseInput(dialog, "起動時に開くファイルのパス名が長すぎます。");
            return;
        }
    }
    // Unchecking the option empties the control, so this is the empty path when the option is off.
    GetDlgItemTextA(dialog, IDC_STARTUPFILE, startupPath, sizeof startupPath);

    if (ContainsAnyOf(extension, kFileNameForbidden))
    {
        RefuseInput(dialog, "メモ ファイルの拡張子に、ファイル名として使用できない文字が含まれています。");
        return;
    }
    if (ContainsAnyOf(extension, "."))
    {
        RefuseInput(dialog, "メモ ファイルの拡張子にピリオド‘.’が含まれています。");
        return;
    }

    if (!ApplyAssociation(dialog, associate, extension, upperExtension, extensionAssociatedAtOpen)) return;

    SettingsDialogValues values = {};
    values.rememberWindow = IsDlgButtonChecked(dialog, IDC_REMEMBERWINDOW) == BST_CHECKED;
    values.upperExtension = upperExtension;
    values.associationEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_ASSOCIATE));
    values.startupPath = startupPath;
    values.autoSave = IsDlgButtonChecked(dialog, IDC_AUTOSAVE) == BST_CHECKED;
    values.expandSelectedKey = IsDlgButtonChecked(dialog, IDC_EXPANDKEY) == BST_CHECKED;
    values.openValueEditor = IsDlgButtonChecked(dialog, IDC_OPENEDITOR) == BST_CHECKED;
    if (!WriteSettings(dialog, &values)) return;
    EndDialog(dialog, 0);
}

static void OnSettingsCommand(HWND dialog, int id, int notification)
{
    switch (id)
    {
    case IDC_OPENATSTARTUP:
        if (notification == BN_CLICKED) OnOpenAtStartupClicked(dialog);
        break;
    case IDC_BROWSE:
        if (notification == BN_CLICKED) BrowseStartupFile(dialog);
        break;
    case IDOK: OnSettingsOk(dialog); break;
    case IDCANCEL: EndDialog(dialog, 0); break;
    }
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        gMemoFolder = (const char *)lParam;
        if (!InitSettingsDialog(dialog)) EndDialog(dialog, 0);
        return TRUE;
    case WM_COMMAND: OnSettingsCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
    }
    return FALSE;
}
