// The common dialogs, the shell and the version library, bound when first used: their libraries are
// most of what loading the program costs, and a start-up needs none of them.
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
// FALSE, or 0, when the library could not be loaded.
DWORD LateGetFileVersionInfoSize(const char *path);
BOOL LateGetFileVersionInfo(const char *path, DWORD cbBlock, void *block);
BOOL LateVerQueryValue(const void *block, const char *query, void **value, UINT *cchValue);
void FreeLateLibraries(); // at the end, once nothing calls into them
