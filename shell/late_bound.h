// The common dialogs and the shell, bound when first used: their libraries are most of what loading the
// program costs, and a start-up needs neither.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

BOOL LateGetOpenFileName(OPENFILENAMEA *dialog);
BOOL LateGetSaveFileName(OPENFILENAMEA *dialog);
// CDERR_INITIALIZATION when the library could not be loaded.
DWORD LateCommDlgExtendedError();
UINT LateDragQueryFile(HDROP drop, UINT index, char *file, UINT cchFile);
void LateDragFinish(HDROP drop);
void LateChangeNotify(LONG eventId, UINT flags);
// Nothing where the shell has no list of recent documents.
void LateAddToRecentDocuments(const char *path);
void FreeLateLibraries(); // at the end, once nothing calls into them
