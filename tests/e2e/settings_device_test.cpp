// The settings dialog's OK on devices that refuse the write (prepared by settings_device_test.sh):
// each gives its message, keeps the dialog open and leaves the in-memory settings as they were.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/e2e/settings_e2e.h"

using namespace settings_e2e;

struct DeviceCase
{
    const char *folder;
    std::string message;
};

// The system's own text for an error, as the program's system-error report shows it.
static std::string SystemText(DWORD error)
{
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0x0400, text,
                   sizeof text, nullptr);
    return text;
}

TEST(SettingsDevice, RefusedWritesAreReportedAndChangeNothing)
{
    const char *root = getenv("SETTINGS_DEVICES");
    ASSERT_TRUE(root) << "run through settings_device_test.sh";
    const DeviceCase cases[] = {
        {"full-directory", "ディレクトリに空きがないため設定を保存できません。"},
        {"full-disk", "ディスクに空きがないため設定を保存できません。"},
        // Wine reports a read-only mount as access denied (not as a write-protected device), which
        // the program shows with the system's text.
        {"read-only", SystemText(ERROR_ACCESS_DENIED)},
    };
    for (const DeviceCase &c : cases)
    {
        SCOPED_TRACE(c.folder);
        driver::Session tarmik;
        tarmik.UseFolder(driver::WindowsPath(std::string(root) + "/" + c.folder), "winxp");
        ASSERT_TRUE(tarmik.Run());

        HWND dialog = OpenSettings(tarmik);
        ASSERT_TRUE(dialog);
        SetText(dialog, IDC_EXTENSION, "abc");
        driver::MessageBoxInfo message;
        ASSERT_TRUE(PressExpectingMessage(tarmik, dialog, IDOK, &message));
        EXPECT_EQ(message.text, c.message);
        EXPECT_EQ(message.caption, "タルミク");
        EXPECT_EQ(driver::MessageBoxIcon(message.window), driver::Icon::Question);
        EXPECT_EQ(message.buttons, std::vector<int>{IDOK});
        driver::ScreenshotWhenPainted(message.window, std::string("settings_device_") + c.folder);
        driver::PressButton(message.window, IDOK);
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(ReadSettings(tarmik).bytes.empty());
        ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));

        dialog = OpenSettings(tarmik);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(Text(dialog, IDC_EXTENSION), "TMK");
        ASSERT_TRUE(PressExpectingClose(tarmik, dialog, IDCANCEL));
        tarmik.Stop();
    }
}
