// The real manualprint.exe printing to a PostScript file printer of Wine: the pages and copies chosen
// in its print dialog, their order, the job's name, and the runs that print nothing. Each printed page
// is told apart by comparing a small rendering of it with the page resources drawn here by GDI.
#include <windows.h>
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "manualprint/inflate.h"
#include "tests/support/driver.h"

enum
{
    PAGE_COUNT = 11,
    THUMB_DPI = 24
};
// Controls of the system's print dialog.
enum
{
    kAllPages = 0x420,
    kPageRange = 0x422,
    kFromPage = 0x480,
    kToPage = 0x481,
    kCopies = 0x482
};

static const char kPrinterKey[] = "System\\CurrentControlSet\\Control\\Print\\Printers\\PostScript Printer";
static const char kPrinter[] = "PostScript Printer";

static std::string UnixBuild()
{
    const char *build = getenv("TARMIK_BUILD");
    return build ? build : ".";
}

// The Unix file of the test printer's port, and the same file as Windows sees it.
static std::string UnixOutput()
{
    return UnixBuild() + "/e2e/manual_print/out.ps";
}
static std::string Output()
{
    return driver::WindowsPath(UnixOutput());
}

static void SetString(HKEY key, const char *name, const std::string &value)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
}
static void SetDword(HKEY key, const char *name, DWORD value)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof value);
}

// A PostScript printer whose port is a Unix file, the default printer of the prefix.
static void InstallPrinter(const std::string &port = UnixOutput())
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPrinterKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    SetString(key, "Name", kPrinter);
    SetString(key, "Port", port);
    // What the print dialog shows as its place; without it the dialog shows the port, a test folder.
    SetString(key, "Location", "LPT1:");
    SetString(key, "Printer Driver", kPrinter);
    SetString(key, "Print Processor", "winprint");
    SetString(key, "Datatype", "RAW");
    SetDword(key, "Attributes", 0x40);
    SetDword(key, "Priority", 1);
    SetDword(key, "Status", 0x04000000); // Wine installs its generic PostScript driver on first use
    RegCloseKey(key);
    const struct
    {
        const char *path, *name;
        std::string value;
    } values[] = {
        {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices", kPrinter, "wineps.drv," + port},
        {"Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts", kPrinter, "wineps.drv," + port + ",15,45"},
        {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Device",
         std::string(kPrinter) + ",wineps.drv," + port},
    };
    for (const auto &v : values)
    {
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, v.path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        SetString(key, v.name, v.value);
        RegCloseKey(key);
    }
}

static void RemovePrinter()
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPrinterKey);
    const char *paths[] = {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices",
                           "Software\\Microsoft\\Windows NT\\CurrentVersion\\PrinterPorts"};
    for (const char *path : paths)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
        {
            RegDeleteValueA(key, kPrinter);
            RegCloseKey(key);
        }
    }
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS)
    {
        RegDeleteValueA(key, "Device");
        RegCloseKey(key);
    }
}

// Runs a shell script on the Unix side and waits for it. Wine neither waits for a Unix program nor
// hands back its exit code, so the script proves that it ran to its end by a file: true when it did.
static bool Shell(const std::string &name, const std::string &script)
{
    std::string unixPath = UnixBuild() + "/e2e/manual_print/" + name + ".sh";
    std::string done = unixPath + ".done";
    DeleteFileA(driver::WindowsPath(done).c_str());
    std::string text = "set -e\n" + script + "\ntouch " + done + "\n";
    driver::WriteFileBytes(driver::WindowsPath(unixPath), std::vector<uint8_t>(text.begin(), text.end()));
    std::string command = "/bin/sh " + unixPath;
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    // The handle of a Unix program is not waited on either: the file tells.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 120000; Sleep(100))
        if (driver::FileExists(driver::WindowsPath(done))) return true;
    return false;
}

// A grey picture: one byte a pixel, rows from the top.
struct Gray
{
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

static bool ReadPgm(const std::string &path, Gray *out)
{
    std::vector<uint8_t> bytes = driver::ReadFileBytes(path);
    int maxValue = 0, consumed = 0;
    if (bytes.size() < 16 ||
        sscanf((const char *)bytes.data(), "P5 %d %d %d%n", &out->width, &out->height, &maxValue, &consumed) != 3)
        return false;
    size_t start = (size_t)consumed + 1, count = (size_t)out->width * out->height;
    if (maxValue != 255 || bytes.size() < start + count) return false;
    out->pixels.assign(bytes.begin() + start, bytes.begin() + start + count);
    return true;
}

// Spreads each pixel over its neighbours, so that two renderers' different edges count little.
static Gray Blurred(const Gray &in, int radius = 2)
{
    Gray out = in;
    for (int y = 0; y < in.height; y++)
        for (int x = 0; x < in.width; x++)
        {
            int sum = 0, count = 0;
            for (int dy = -radius; dy <= radius; dy++)
                for (int dx = -radius; dx <= radius; dx++)
                {
                    int yy = y + dy, xx = x + dx;
                    if (yy < 0 || xx < 0 || yy >= in.height || xx >= in.width) continue;
                    sum += in.pixels[yy * in.width + xx];
                    count++;
                }
            out.pixels[y * in.width + x] = (uint8_t)(sum / count);
        }
    return out;
}

static double Difference(const Gray &a, const Gray &b)
{
    int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    if (w <= 0 || h <= 0) return 1e9; // a page that could not be drawn matches nothing
    double sum = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) sum += abs(a.pixels[y * a.width + x] - b.pixels[y * b.width + x]);
    return sum / ((double)w * h);
}

static unsigned char *HostGrow(unsigned char *buffer, size_t cbNew)
{
    return (unsigned char *)realloc(buffer, cbNew);
}
void HostReport(PageFailure) {}

// Each page resource of manualprint.exe drawn as the printer places it: at its natural size from
// the top-left corner of the printable area, a quarter inch in from the paper's edges.
static std::vector<Gray> ReferencePages(const std::string &exe, int width, int height)
{
    std::vector<Gray> pages;
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return pages;
    gPageMemory.grow = HostGrow;
    gPageMemory.report = HostReport;
    pageBuffer = (unsigned char *)malloc(PAGE_GROWTH);
    pageCapacity = PAGE_GROWTH;
    HDC dc = CreateCompatibleDC(nullptr);
    for (int page = 1; page <= PAGE_COUNT; page++)
    {
        Gray gray;
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(page), MAKEINTRESOURCEA(256));
        const unsigned char *stream =
            found ? (const unsigned char *)LockResource(LoadResource(module, found)) : nullptr;
        if (!stream || InflatePage(stream, SizeofResource(module, found)) != 0)
        {
            pages.push_back(gray);
            continue;
        }
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
        HENHMETAFILE metafile = SetEnhMetaFileBits((UINT)pageLength, pageBuffer);
        double perMm = THUMB_DPI / 25.4, margin = THUMB_DPI / 4.0;
        RECT place = {(int)(margin + 0.5), (int)(margin + 0.5), (int)(margin + 200 * perMm + 0.5),
                      (int)(margin + 287 * perMm + 0.5)};
        SetStretchBltMode(dc, HALFTONE);
        PlayEnhMetaFile(dc, metafile, &place);
        DeleteEnhMetaFile(metafile);
        GdiFlush();
        gray.width = width;
        gray.height = height;
        const uint8_t *bgra = (const uint8_t *)bits;
        for (int i = 0; i < width * height; i++)
            gray.pixels.push_back((uint8_t)((bgra[i * 4] * 11 + bgra[i * 4 + 1] * 59 + bgra[i * 4 + 2] * 30) / 100));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        pages.push_back(Blurred(gray));
    }
    DeleteDC(dc);
    free(pageBuffer);
    pageBuffer = nullptr;
    FreeLibrary(module);
    return pages;
}

struct PrintResult
{
    DWORD exitCode = STILL_ACTIVE;
    bool printed = false;                      // the port file was written
    std::vector<int> pages;                    // the manual's page number of each printed page, 0 when unlike any
    std::string title;                         // the job's name as the PostScript header gives it
    std::vector<driver::MessageBoxInfo> boxes; // message boxes seen while it ran
    std::vector<driver::Icon> icons;           // the icon of each
};

// How the print dialog is to be answered.
struct Answer
{
    int from = 0, to = 0; // a page range, when from is not 0
    int copies = 1;
    bool cancel = false;
};

class ManualPrint : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder_ = driver::MakeTestFolder("manual_print", "manualprint.exe");
        exe_ = folder_ + "\\manualprint.exe";
    }

    // Replaces one page resource of the copy under test with `bytes`.
    bool ReplacePage(int page, const std::vector<uint8_t> &bytes)
    {
        HANDLE update = BeginUpdateResourceA(exe_.c_str(), FALSE);
        if (!update) return false;
        bool done =
            UpdateResourceA(update, MAKEINTRESOURCEA(256), MAKEINTRESOURCEA(page),
                            MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), (void *)bytes.data(), (DWORD)bytes.size());
        return EndUpdateResourceA(update, !done) && done;
    }
    void TearDown() override
    {
        RemovePrinter();
    }

    // Runs the program, answers its print dialog, and reads back what the printer received.
    PrintResult Print(const Answer &answer, const std::string &name)
    {
        PrintResult result;
        DeleteFileA(Output().c_str());
        driver::Program program;
        EXPECT_TRUE(driver::Start(&program, exe_));
        HWND dialog = nullptr;
        DWORD start = GetTickCount();
        while (!dialog && GetTickCount() - start < 30000)
        {
            for (HWND window : driver::WindowsOf(program.pid))
            {
                if (driver::GetClass(window) != "#32770") continue;
                if (GetDlgItem(window, kCopies))
                    dialog = window;
                else
                {
                    driver::MessageBoxInfo box;
                    if (driver::WaitForMessageBox(program.pid, &box, 0))
                    {
                        result.boxes.push_back(box);
                        driver::PressButton(box.window, IDOK);
                    }
                }
            }
            if (WaitForSingleObject(program.process, 50) == WAIT_OBJECT_0) break;
        }
        if (dialog)
        {
            Sleep(300);
            if (answer.from)
            {
                SendMessageA(GetDlgItem(dialog, kAllPages), BM_SETCHECK, BST_UNCHECKED, 0);
                SendMessageA(GetDlgItem(dialog, kPageRange), BM_SETCHECK, BST_CHECKED, 0);
                SetDlgItemInt(dialog, kFromPage, answer.from, FALSE);
                SetDlgItemInt(dialog, kToPage, answer.to, FALSE);
            }
            SetDlgItemInt(dialog, kCopies, answer.copies, FALSE);
            // The picture is taken from the screen: the dialog must be in front and fully painted.
            SetForegroundWindow(dialog);
            RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
            Sleep(500);
            driver::Screenshot(dialog, "manual_print_dialog_" + name);
            PostMessageA(dialog, WM_COMMAND, answer.cancel ? IDCANCEL : IDOK, 0);
        }
        // Message boxes of the program while it prints.
        start = GetTickCount();
        while (WaitForSingleObject(program.process, 100) == WAIT_TIMEOUT && GetTickCount() - start < 120000)
        {
            driver::MessageBoxInfo box;
            if (driver::WaitForMessageBox(program.pid, &box, 0))
            {
                result.icons.push_back(driver::MessageBoxIcon(box.window));
                result.boxes.push_back(box);
                driver::Screenshot(box.window, "manual_print_message_" + name);
                driver::PressButton(box.window, IDOK);
            }
        }
        result.exitCode = driver::WaitForExit(&program, 1000);
        driver::Kill(&program);
        result.printed = driver::FileExists(Output());
        if (!result.printed) return result;
        ReadJob(&result, name);
        return result;
    }

    // Converts the job to PDF and small grey pages, keeps readable PNGs for the eye, and names each page.
    void ReadJob(PrintResult *result, const std::string &name)
    {
        std::string dir = UnixBuild() + "/e2e/manual_print";
        std::string shots = UnixBuild() + "/screenshots";
        ASSERT_TRUE(Shell("convert", "cd " + dir +
                                         "\nrm -f thumb-*.pgm job.pdf\n"
                                         "sed -n 's/^%%Title: //p' out.ps | head -1 > title.txt\n"
                                         "ps2pdf -sPAPERSIZE=a4 out.ps job.pdf\n"
                                         "pdftoppm -r " +
                                         std::to_string(THUMB_DPI) +
                                         " -gray job.pdf thumb\n"
                                         "mkdir -p " +
                                         shots + "\nrm -f " + shots + "/manual_print_" + name +
                                         "-*.png\n"
                                         "pdftoppm -r 100 -png job.pdf " +
                                         shots + "/manual_print_" + name + "\n"));
        // The name stands as a PostScript string: (text) with octal escapes for the bytes above 127.
        std::vector<uint8_t> title = driver::ReadFileBytes(driver::WindowsPath(dir + "/title.txt"));
        for (size_t i = 1; i < title.size() && title[i] != ')'; i++)
        {
            if (title[i] == '\\' && i + 3 < title.size() && isdigit(title[i + 1]))
            {
                result->title += (char)((title[i + 1] - '0') * 64 + (title[i + 2] - '0') * 8 + (title[i + 3] - '0'));
                i += 3;
            }
            else if (title[i] == '\\' && i + 1 < title.size())
            {
                result->title += (char)title[++i];
            }
            else
            {
                result->title += (char)title[i];
            }
        }

        std::vector<std::string> thumbs;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(driver::WindowsPath(dir + "/thumb-*.pgm").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE)
        {
            do thumbs.push_back(found.cFileName);
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        // thumb-1 … thumb-9, or thumb-01 … thumb-12: order by the number.
        std::sort(thumbs.begin(), thumbs.end(),
                  [](const std::string &a, const std::string &b) { return atoi(a.c_str() + 6) < atoi(b.c_str() + 6); });
        for (const std::string &thumb : thumbs)
        {
            Gray printed;
            ASSERT_TRUE(ReadPgm(driver::WindowsPath(dir + "/" + thumb), &printed)) << thumb;
            printed = Blurred(printed);
            if (references_.empty()) references_ = ReferencePages(exe_, printed.width, printed.height);
            ASSERT_EQ(references_.size(), (size_t)PAGE_COUNT);
            int best = 0;
            double bestDifference = 1e9, secondDifference = 1e9;
            for (int page = 1; page <= PAGE_COUNT; page++)
            {
                double d = Difference(printed, references_[page - 1]);
                if (d < bestDifference)
                {
                    secondDifference = bestDifference;
                    bestDifference = d;
                    best = page;
                }
                else if (d < secondDifference)
                {
                    secondDifference = d;
                }
            }
            printf("  %s: page %d (difference %.2f, next %.2f)\n", thumb.c_str(), best, bestDifference,
                   secondDifference);
            // A page is recognised when it is clearly closer to one page than to any other.
            result->pages.push_back(bestDifference * 1.5 < secondDifference ? best : 0);
        }
    }

    std::string folder_, exe_;
    std::vector<Gray> references_;
};

static std::string Describe(const std::vector<int> &pages)
{
    std::string out;
    for (int page : pages) out += (out.empty() ? "" : ",") + std::to_string(page);
    return out;
}

TEST_F(ManualPrint, AllPagesPrintInOrderWithoutAMessage)
{
    InstallPrinter();
    PrintResult result = Print(Answer(), "all");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.boxes.empty()) << result.boxes[0].caption << ": " << result.boxes[0].text;
    ASSERT_TRUE(result.printed);
    EXPECT_EQ(Describe(result.pages), "1,2,3,4,5,6,7,8,9,10,11");
}

TEST_F(ManualPrint, PagesThreeToFiveTwiceAreCollated)
{
    InstallPrinter();
    Answer answer;
    answer.from = 3;
    answer.to = 5;
    answer.copies = 2;
    PrintResult result = Print(answer, "3to5x2");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.boxes.empty());
    ASSERT_TRUE(result.printed);
    EXPECT_EQ(Describe(result.pages), "3,4,5,3,4,5");
}

TEST_F(ManualPrint, OnePageJobCarriesTheDocumentName)
{
    InstallPrinter();
    Answer answer;
    answer.from = 1;
    answer.to = 1;
    PrintResult result = Print(answer, "1to1");
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_TRUE(result.printed);
    EXPECT_EQ(Describe(result.pages), "1");
    // The name as the PostScript driver writes it: Shift-JIS "タルミク使用方法".
    EXPECT_NE(result.title.find("タルミク使用方法"), std::string::npos) << result.title;
}

TEST_F(ManualPrint, CancelPrintsNothing)
{
    InstallPrinter();
    Answer answer;
    answer.cancel = true;
    PrintResult result = Print(answer, "cancel");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_TRUE(result.boxes.empty());
    EXPECT_FALSE(result.printed);
}

TEST_F(ManualPrint, NoPrinterPrintsNothingAndShowsNoMessageOfItsOwn)
{
    RemovePrinter();
    PrintResult result = Print(Answer(), "noprinter");
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_FALSE(result.printed);
    // The system's print dialog may say that no printer is installed; the program itself says nothing.
    for (const driver::MessageBoxInfo &box : result.boxes)
        EXPECT_EQ(box.caption.find("タルミク使用方法"), std::string::npos) << box.caption << ": " << box.text;
}

TEST_F(ManualPrint, DamagedPageStopsThePrintWithTheFormerPagesKept)
{
    // Page 2 becomes a stream that starts well and then uses the reserved block type.
    std::vector<uint8_t> damaged = driver::ReadFileBytes(driver::SourceDir() + "\\manualprint\\pages\\02.bin");
    ASSERT_GT(damaged.size(), 100u);
    damaged.resize(damaged.size() / 2);
    ASSERT_TRUE(ReplacePage(2, damaged));
    InstallPrinter();
    PrintResult result = Print(Answer(), "damaged");
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].caption, "タルミク使用方法 - 印刷");
    EXPECT_EQ(result.boxes[0].text, "マニュアルの 2 ページ目のデータが壊れているため、印刷を中止しました．");
    EXPECT_EQ(result.icons[0], driver::Icon::Hand);
    ASSERT_TRUE(result.printed) << "the job ends with the pages printed before";
    EXPECT_EQ(Describe(result.pages), "1");
}

TEST_F(ManualPrint, AJobThePrinterCannotWriteIsReported)
{
    // A port file in a folder that does not exist: the driver fails the job when it ends.
    InstallPrinter(UnixBuild() + "/e2e/manual_print/no-such-folder/out.ps");
    PrintResult result = Print(Answer(), "unwritable");
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes.size(), 1u);
    EXPECT_EQ(result.boxes[0].caption, "タルミク使用方法 - 印刷");
    EXPECT_EQ(result.boxes[0].text.find("印刷できませんでした．プリンターとその出力先を確かめてください．"), 0u)
        << result.boxes[0].text;
    EXPECT_EQ(result.icons[0], driver::Icon::Hand);
}
