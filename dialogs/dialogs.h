// Entry dialogs and key input: root-key names, the entry and open-key dialogs, their controls,
// and the dialog-template loader.
#pragma once
#include <windows.h>
#include "dialogs/rootkeys.h"

/* template.cpp */
// The template of DIALOG `id`; on old systems a patched copy the caller frees with GlobalFree.
LPCDLGTEMPLATEA LoadDialogTemplate(int id, int headerExtra, HWND owner, int level);
void CenterInWorkArea(HWND dialog);
int EnsureSharedTextBlock(SIZE_T cbSize, HWND owner);
// Loads the template, runs the modal dialog owned by the main window, frees a copy.
void RunDialog(int id, DLGPROC proc, LPARAM param);

/* entry_dialog.cpp, open_key_dialog.cpp */
INT_PTR CALLBACK EntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OpenKeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
