// The Registry Editor bridge: find or start it, drive its tree and value list across the process boundary.
#pragma once
#include <windows.h>

struct RegistryEditorTarget {
    HWND window;
    DWORD threadId;
    HANDLE process;  // NT family only; owned by the caller
};

// Receives one captured key or value; returns nonzero to take more.
typedef int (*CaptureSink)(const char *keyPath, const char *valueName, BOOL keyOnly, HWND owner);

/* regedit_process.cpp */
BOOL FindOrStartRegistryEditor(RegistryEditorTarget *target);

/* open_key.cpp */
void OpenKeyInRegistryEditor(char *keyPath, const char *valueName, BOOL keyOnly);
void OpenSelectedEntry();

/* capture.cpp */
void CaptureRegistryEditorSelection(CaptureSink sink, HWND owner);
int InsertCapturedEntry(const char *keyPath, const char *valueName, BOOL keyOnly, HWND owner);
