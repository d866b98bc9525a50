#include "tests/e2e/settings_e2e.h"

#include <string.h>

namespace settings_e2e
{

HWND OpenSettings(const driver::Session &tarmik)
{
    tarmik.Post(IDM_SETTINGS);
    HWND dialog = driver::WaitForWindowOf(tarmik.pid(), "#32770", "設定", 8000);
    if (dialog) tarmik.Settle();
    return dialog;
}

void SetText(HWND dialog, int id, const std::string &text)
{
    SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_ABORTIFHUNG, 3000, nullptr);
}

std::string Text(HWND dialog, int id)
{
    return driver::GetText(GetDlgItem(dialog, id));
}

void SetCheck(HWND dialog, int id, bool checked)
{
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_ABORTIFHUNG,
                        3000, nullptr);
}

bool Checked(HWND dialog, int id)
{
    DWORD_PTR state = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 3000, &state);
    return state == BST_CHECKED;
}

bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void Click(HWND dialog, int id)
{
    SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 3000, nullptr);
}

void Pump(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;)
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

bool PressExpectingMessage(const driver::Session &tarmik, HWND dialog, int id, driver::MessageBoxInfo *message,
                           DWORD timeoutMs)
{
    *message = driver::MessageBoxInfo();
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    DWORD start = GetTickCount();
    for (;;)
    {
        if (tarmik.Box(message, 0)) return true;
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return false;
        if (GetTickCount() - start >= timeoutMs) return false;
        Pump(20);
    }
}

bool PressExpectingClose(const driver::Session &tarmik, HWND dialog, int id, DWORD timeoutMs)
{
    driver::MessageBoxInfo message;
    if (PressExpectingMessage(tarmik, dialog, id, &message, timeoutMs)) return false;
    return !IsWindow(dialog) || !IsWindowVisible(dialog);
}

bool WaitUntilClosed(HWND dialog, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (IsWindow(dialog) && IsWindowVisible(dialog))
    {
        if (GetTickCount() - start >= timeoutMs) return false;
        Pump(20);
    }
    return true;
}

bool KeyExists(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string DefaultValue(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "<missing>";
    char value[1024];
    DWORD cb = sizeof value - 1, type = 0;
    LONG rc = RegQueryValueExA(key, nullptr, nullptr, &type, (BYTE *)value, &cb);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
    value[cb] = '\0';
    return value;
}

void SetDefaultValue(const std::string &path, const std::string &value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, nullptr, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(key);
}

void DeleteTree(const std::string &path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[256];
    for (;;)
    {
        DWORD cch = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteTree(path + "\\" + name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, path.c_str());
}

void ForgetExtension(const std::string &lowerExtension)
{
    DeleteTree("." + lowerExtension);
    DeleteTree(lowerExtension + "file");
}

std::string SettingsBytes::text(size_t at, size_t cb) const
{
    std::string out;
    for (size_t i = at; i < at + cb && bytes[i] != 0; i++) out += (char)bytes[i];
    return out;
}

bool SettingsBytes::zero(size_t at, size_t cb) const
{
    for (size_t i = at; i < at + cb; i++)
        if (bytes[i] != 0) return false;
    return true;
}

SettingsBytes ReadSettings(const driver::Session &tarmik)
{
    SettingsBytes settings;
    settings.bytes = driver::ReadFileBytes(tarmik.settingsPath());
    return settings;
}

std::vector<uint8_t> DefaultSettingsBytes()
{
    std::vector<uint8_t> bytes(352, 0);
    bytes[0] = 1;
    PutText(&bytes, 48, "TMK");
    return bytes;
}

void PutText(std::vector<uint8_t> *bytes, size_t at, const std::string &text)
{
    memcpy(bytes->data() + at, text.data(), text.size());
}

} // namespace settings_e2e
