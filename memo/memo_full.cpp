// A memo holds as many entries as its file can: a full memo says so rather than take one it could not save.
#include "memo/memo.h"

#include "memo/memo_format.h"
#include "shell/messages.h"

BOOL RefuseWhenMemoFull(HWND owner)
{
    if (entryCount < MEMO_MAX_ENTRIES) return FALSE;
    ShowMessage(owner, "メモがいっぱいです。メモに入れられる項目は 65535 個までです。", MB_ICONEXCLAMATION);
    return TRUE;
}
