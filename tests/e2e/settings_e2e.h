// Shared steps of the settings and association tests: tarmik with its settings dialog open,
// the dialog's controls set and read from outside, the registry under HKEY_CLASSES_ROOT and the
// settings file's bytes.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/session.h"

namespace settings_e2e
{

// Opens the settings dialog by the menu command and waits for it; null when it does not appear.
HWND OpenSettings(const driver::Session &tarmik);

void SetText(HWND dialog, int id, const std::string &text);
std::string Text(HWND dialog, int id);
void SetCheck(HWND dialog, int id, bool checked);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
// A click on a check box or button that does not open anything modal.
void Click(HWND dialog, int id);

// Posts a button press to the dialog; true when a message box came up instead of the dialog closing.
bool PressExpectingMessage(const driver::Session &tarmik, HWND dialog, int id, driver::MessageBoxInfo *message,
                           DWORD timeoutMs = 8000);
// True when the dialog closed after the press (and no message box came).
bool PressExpectingClose(const driver::Session &tarmik, HWND dialog, int id, DWORD timeoutMs = 8000);
// Handles messages sent to this test's own windows for that long (the waits below do so too).
void Pump(DWORD milliseconds);
// Waits until the dialog is gone (after a press answered by a message box).
bool WaitUntilClosed(HWND dialog, DWORD timeoutMs = 8000);

// HKEY_CLASSES_ROOT.
bool KeyExists(const std::string &path);
// The key's default value; "<missing>" when the key or value does not exist.
std::string DefaultValue(const std::string &path);
void SetDefaultValue(const std::string &path, const std::string &value);
void DeleteTree(const std::string &path);
// .ext and extfile gone, whatever was there.
void ForgetExtension(const std::string &lowerExtension);

// The settings record, read field by field from the file's bytes.
struct SettingsBytes
{
    std::vector<uint8_t> bytes;
    bool valid() const
    {
        return bytes.size() >= 352;
    }
    unsigned u8(size_t at) const
    {
        return bytes[at];
    }
    unsigned u16(size_t at) const
    {
        return bytes[at] | bytes[at + 1] << 8;
    }
    int32_t i32(size_t at) const
    {
        return (int32_t)(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | (uint32_t)bytes[at + 3] << 24);
    }
    std::string text(size_t at, size_t cb) const; // up to the first NUL within cb bytes
    bool zero(size_t at, size_t cb) const;
};
SettingsBytes ReadSettings(const driver::Session &tarmik);
// A default record (header 1, extension TMK) with fields changed by the caller.
std::vector<uint8_t> DefaultSettingsBytes();
void PutText(std::vector<uint8_t> *bytes, size_t at, const std::string &text);

} // namespace settings_e2e
