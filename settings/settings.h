// Settings and shell association: the settings record and file, the settings dialog,
// the memo-file association and the registry write-access test.
#pragma once
#include <windows.h>
#include "settings/settings_record.h"

extern Settings gSettings;
extern char gSettingsPath[MAX_PATH];

/* settings_file.cpp */
BOOL LoadSettings();      // FALSE only when fatal (reported)
void SaveWindowBlock();

/* settings_dialog.cpp */
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
