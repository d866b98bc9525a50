// The one memo document of the main window.
#include "memo/memo.h"

HWND gMemoList;
int entryCount;
BOOL memoModified;
char memoPath[MAX_PATH];
int memoNameOffset;
char lastDirectory[MAX_PATH];
MemoFileStamp gMemoFileStamp;
