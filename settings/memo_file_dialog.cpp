// The record of the file dialogs that show memo files: the memo dialogs' open and save, and the settings
// dialog's browse for the start-up file.
#include "settings/settings.h"

#include <stddef.h>

#include "settings/memo_filter.h"

// The dialogs take the layout without the Windows 2000 fields, 76 bytes on 32-bit systems.
static_assert(sizeof(void *) != 4 || offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "OPENFILENAME of 76 bytes");

void PrepareMemoFileDialog(MemoFileDialog *dialog, HWND owner, const char *lowerExtension, char *file,
                           const char *folder)
{
    BuildMemoFileFilter(lowerExtension, dialog->filter, sizeof dialog->filter);
    dialog->data = {};
    dialog->data.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog->data.hwndOwner = owner;
    dialog->data.lpstrFilter = dialog->filter;
    dialog->data.nFilterIndex = 1;
    dialog->data.lpstrFile = file;
    dialog->data.nMaxFile = MAX_PATH;
    dialog->data.lpstrInitialDir = folder;
    dialog->data.lpstrDefExt = lowerExtension;
}
