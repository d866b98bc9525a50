#include "tests/e2e/settings_e2e.h"

#include <string.h>

namespace settings_e2e
{

Tarmik PrepareTarmik(const std::string &name, const char *windowsVersion)
{
    Tarmik tarmik;
    tarmik.folder = driver::MakeTestFolder(name);
    tarmik.exe = tarmik.folder + "\\tarmik.exe";
    tarmik.settingsFile = tarmik.folder + "\\tarmik.PRF";
    driver::SetWindowsVersion("tarmik.exe", windowsVersion);
    return tarmik;
}

bool StartTarmik(Tarmik *tarmik, const std::string &tail)
{
    if (!driver::Start(&tarmik->program, tarmik->exe, tail)) return false;
    return driver::WaitForMainWindow(&tarmik->program) != nullptr;
}

HWND OpenSettings(const Tarmik &tarmik)
{
    PostMessageA(tarmik.program.mainWindow, WM_COMMAND, IDM_SETTINGS, 0);
    HWND dialog = driver::WaitForWindowOf(tarmik.program.pid, "#32770", "設定", 8000);
    if (dialog) driver::Settle(tarmik.program);
    return dialog;
}

std::string Shot(const Tarmik &tarmik, HWND window, const std::string &name)
{
    driver::Settle(tarmik.program);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    return driver::Screenshot(window, name);
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

namespace
{

// The system icon drawn as a message box draws it, on the dialog face colour.
std::vector<uint32_t> Reference(LPCSTR which, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(memory, &all, face);
    DeleteObject(face);
    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, which), 0, 0, 0, nullptr, DI_NORMAL);
    SelectObject(memory, old);
    HDC reader = CreateCompatibleDC(screen);
    old = SelectObject(reader, bitmap);
    std::vector<uint32_t> pixels = driver::CapturePixels(reader, RECT{0, 0, width, height});
    SelectObject(reader, old);
    DeleteDC(reader);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long long Distance(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b)
{
    long long sum = 0;
    for (size_t i = 0; i < a.size(); i++)
    {
        for (int shift = 0; shift < 24; shift += 8)
        {
            int d = (int)((a[i] >> shift) & 0xFF) - (int)((b[i] >> shift) & 0xFF);
            sum += d < 0 ? -d : d;
        }
    }
    return sum;
}

// Which system icon the message box shows, told from its pixels on the screen.
Icon IconOf(HWND box)
{
    HWND control = GetDlgItem(box, 1088); // the message box's icon control
    if (!control || !IsWindowVisible(control)) return Icon::None;
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(200);
    RECT rect;
    GetWindowRect(control, &rect);
    int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
    std::vector<uint32_t> shown =
        driver::CapturePixels(nullptr, RECT{rect.left, rect.top, rect.left + width, rect.top + height});
    const struct
    {
        LPCSTR id;
        Icon icon;
    } candidates[] = {{IDI_HAND, Icon::Hand}, {IDI_QUESTION, Icon::Question}, {IDI_EXCLAMATION, Icon::Exclamation}};
    Icon best = Icon::None;
    long long bestDistance = -1;
    for (const auto &candidate : candidates)
    {
        long long distance = Distance(shown, Reference(candidate.id, width, height));
        if (bestDistance < 0 || distance < bestDistance)
        {
            bestDistance = distance;
            best = candidate.icon;
        }
    }
    return best;
}

void Describe(HWND box, Message *message)
{
    message->window = box;
    message->caption = driver::GetText(box);
    message->text = driver::GetText(GetDlgItem(box, 0xFFFF));
    message->buttons.clear();
    message->defaultButton = 0;
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
    {
        HWND button = GetDlgItem(box, id);
        if (!button || !IsWindowVisible(button)) continue;
        message->buttons.push_back(id);
        if ((GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) message->defaultButton = id;
    }
    message->icon = IconOf(box);
}

} // namespace

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

bool WaitForMessage(const Tarmik &tarmik, Message *message, DWORD timeoutMs)
{
    driver::MessageBoxInfo info;
    if (!driver::WaitForMessageBox(tarmik.program.pid, &info, timeoutMs)) return false;
    Describe(info.window, message);
    return true;
}

bool PressExpectingMessage(const Tarmik &tarmik, HWND dialog, int id, Message *message, DWORD timeoutMs)
{
    *message = Message();
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    DWORD start = GetTickCount();
    for (;;)
    {
        if (WaitForMessage(tarmik, message, 0)) return true;
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) return false;
        if (GetTickCount() - start >= timeoutMs) return false;
        Pump(20);
    }
}

bool PressExpectingClose(const Tarmik &tarmik, HWND dialog, int id, DWORD timeoutMs)
{
    Message message;
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

void Answer(const Message &message, int id)
{
    driver::PressButton(message.window, id);
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

SettingsBytes ReadSettings(const Tarmik &tarmik)
{
    SettingsBytes settings;
    settings.bytes = driver::ReadFileBytes(tarmik.settingsFile);
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
