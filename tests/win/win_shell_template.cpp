// The dialog-template loader on the built program's own templates: the templates as compiled, the copy
// with the replaced face on old systems, and the placement and tooltip-text helpers beside it.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include "shell/shell.h"
#include "tests/support/driver.h"

// What the loader and its neighbours use from the rest of the program.
HINSTANCE gInstance;
HWND gMainWindow;
const char *gProductCaption = "タルミク";
static int reportCount;
static HWND reportOwner;
static int reportLevel;
void ReportSystemError(HWND owner, int level)
{
    ++reportCount;
    reportOwner = owner;
    reportLevel = level;
}

static const int kMainHeaderExtra = 2 * 15; // "Oskelund_Tarmik"

struct Item
{
    int id;
    std::string className;
    DWORD style;
    short x, y, cx, cy;
    std::wstring text;
};

struct Template
{
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring menu, className, title, face;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    size_t faceOffset = 0;
    std::vector<Item> items;
};

// A name field: an ordinal (0xFFFF, number) or a NUL-terminated UTF-16 text.
static std::wstring ReadName(const BYTE *bytes, size_t *offset)
{
    const WORD *p = (const WORD *)(bytes + *offset);
    if (p[0] == 0xFFFF)
    {
        *offset += 4;
        return L"#" + std::to_wstring(p[1]);
    }
    std::wstring text;
    while (*p) text += (wchar_t)(*p++);
    *offset += (text.size() + 1) * 2;
    return text;
}

static std::string Narrow(const std::wstring &text)
{
    std::string out;
    for (wchar_t c : text) out += (char)c;
    return out;
}

static Template Parse(const void *data)
{
    const BYTE *bytes = (const BYTE *)data;
    Template t;
    EXPECT_EQ(*(const WORD *)bytes, 1);            // dlgVer
    EXPECT_EQ(*(const WORD *)(bytes + 2), 0xFFFF); // extended template
    t.style = *(const DWORD *)(bytes + 12);
    WORD count = *(const WORD *)(bytes + 16);
    const short *rect = (const short *)(bytes + 18);
    t.x = rect[0], t.y = rect[1], t.cx = rect[2], t.cy = rect[3];
    size_t offset = 26;
    t.menu = ReadName(bytes, &offset);
    t.className = ReadName(bytes, &offset);
    t.title = ReadName(bytes, &offset);
    t.pointSize = *(const WORD *)(bytes + offset);
    t.weight = *(const WORD *)(bytes + offset + 2);
    t.italic = bytes[offset + 4];
    t.charset = bytes[offset + 5];
    offset += 6;
    t.faceOffset = offset;
    t.face = ReadName(bytes, &offset);
    for (WORD i = 0; i < count; ++i)
    {
        offset = (offset + 3) & ~size_t(3);
        Item item;
        item.style = *(const DWORD *)(bytes + offset + 8);
        const short *r = (const short *)(bytes + offset + 12);
        item.x = r[0], item.y = r[1], item.cx = r[2], item.cy = r[3];
        item.id = *(const int *)(bytes + offset + 20);
        offset += 24;
        std::wstring cls = ReadName(bytes, &offset);
        // Predefined classes may be stored as ordinals.
        if (cls == L"#128") cls = L"BUTTON";
        if (cls == L"#129") cls = L"EDIT";
        if (cls == L"#130") cls = L"STATIC";
        std::string upper = Narrow(cls);
        CharUpperA(&upper[0]);
        item.className = upper;
        item.text = ReadName(bytes, &offset);
        WORD extra = *(const WORD *)(bytes + offset);
        offset += 2 + extra;
        t.items.push_back(item);
    }
    return t;
}

struct ExpectedItem
{
    int id;
    const char *className;
};

// The controls the code looks up, of their classes, in their tab order; OK is the default button; every
// visible control lies inside the template and clear of every other.
static void ExpectLaidOut(const Template &t, const std::vector<ExpectedItem> &expected, int line)
{
    ASSERT_EQ(t.items.size(), expected.size()) << "line " << line;
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const Item &item = t.items[i];
        SCOPED_TRACE(testing::Message() << "line " << line << ", item " << i << " id " << expected[i].id);
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.className, expected[i].className);
        if (item.id == IDOK)
        {
            EXPECT_EQ(item.style & 0x0F, (DWORD)BS_DEFPUSHBUTTON);
        }
        if (!(item.style & WS_VISIBLE)) continue;
        EXPECT_TRUE(item.x >= 0 && item.y >= 0 && item.x + item.cx <= t.cx && item.y + item.cy <= t.cy)
            << "outside the template";
        for (size_t j = 0; j < i; ++j)
        {
            const Item &other = t.items[j];
            if (!(other.style & WS_VISIBLE)) continue;
            bool apart = item.x >= other.x + other.cx || other.x >= item.x + item.cx || item.y >= other.y + other.cy ||
                         other.y >= item.y + item.cy;
            EXPECT_TRUE(apart) << "overlaps item " << j << " id " << other.id;
        }
    }
}

class TemplateLoader : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string program = driver::BuildDir() + "\\tarmik.exe";
        gInstance = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(gInstance, nullptr) << program;
        gIsOldSystem = false;
        reportCount = 0;
    }
    void TearDown() override
    {
        gIsOldSystem = false;
        if (gInstance) FreeLibrary(gInstance);
        gInstance = nullptr;
    }
    // The template as it lies in the program file.
    const void *Resource(int id, DWORD *cbSize)
    {
        HRSRC found = FindResourceA(gInstance, MAKEINTRESOURCEA(id), RT_DIALOG);
        *cbSize = found ? SizeofResource(gInstance, found) : 0;
        return found ? LockResource(LoadResource(gInstance, found)) : nullptr;
    }
};

TEST_F(TemplateLoader, MainWindowTemplateIsAsTheProgramExpectsIt)
{
    LPCDLGTEMPLATEA loaded = LoadDialogTemplate(IDD_MAIN, kMainHeaderExtra, nullptr, LEVEL_FATAL);
    DWORD cb;
    ASSERT_EQ((const void *)loaded, Resource(IDD_MAIN, &cb)) << "used in place, not copied";
    Template t = Parse(loaded);
    EXPECT_EQ(t.faceOffset, 38u + kMainHeaderExtra);
    EXPECT_EQ(t.face, L"MS UI Gothic");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
    EXPECT_EQ(lstrcmpiA(Narrow(t.className).c_str(), "Oskelund_Tarmik"), 0) << Narrow(t.className);
    EXPECT_EQ(t.menu, L"");
    EXPECT_EQ(t.title, L"");
    ExpectLaidOut(t,
                  {{IDC_MINSIZE, "STATIC"},
                   {IDC_MEMOLIST, "SYSLISTVIEW32"},
                   {IDC_OPEN, "BUTTON"},
                   {IDC_ADD, "BUTTON"},
                   {IDC_DELETE, "BUTTON"},
                   {IDC_CHANGE, "BUTTON"},
                   {IDC_IMPORT, "BUTTON"}},
                  __LINE__);
    EXPECT_EQ(t.items[1].text, L"List1");
    EXPECT_EQ(reportCount, 0);
}

TEST_F(TemplateLoader, DialogTemplatesHaveTheirFaceAt38)
{
    struct Case
    {
        int id;
        std::vector<ExpectedItem> items;
    } cases[] = {
        {IDD_SETTINGS,
         {{IDC_REMEMBERWINDOW, "BUTTON"},
          {IDC_EXTENSIONLABEL, "STATIC"},
          {IDC_EXTENSION, "EDIT"},
          {IDC_ASSOCIATE, "BUTTON"},
          {IDC_OPENATSTARTUP, "BUTTON"},
          {IDC_STARTUPFILELABEL, "STATIC"},
          {IDC_STARTUPFILE, "EDIT"},
          {IDC_BROWSE, "BUTTON"},
          {IDC_AUTOSAVE, "BUTTON"},
          {IDC_EXPANDKEY, "BUTTON"},
          {IDC_OPENEDITOR, "BUTTON"},
          {IDOK, "BUTTON"},
          {IDCANCEL, "BUTTON"}}},
        {IDD_ENTRY,
         {{-1, "STATIC"},
          {IDC_ENTRY_DESCRIPTION, "EDIT"},
          {IDC_ENTRY_KEYLABEL, "STATIC"},
          {IDC_ENTRY_KEYPATH, "EDIT"},
          {IDC_ENTRY_ROOTBUTTON, "STATIC"},
          {-1, "STATIC"},
          {IDC_ENTRY_VALUENAME, "EDIT"},
          {IDC_ENTRY_KEYBADGE, "STATIC"},
          {IDC_ENTRY_CAPTURE, "BUTTON"},
          {IDOK, "BUTTON"},
          {IDCANCEL, "BUTTON"}}},
        {IDD_OPENKEY,
         {{IDC_OPENKEY_KEYLABEL, "STATIC"},
          {IDC_OPENKEY_KEYPATH, "EDIT"},
          {IDC_OPENKEY_ROOTBUTTON, "STATIC"},
          {-1, "STATIC"},
          {IDC_OPENKEY_VALUENAME, "EDIT"},
          {IDC_OPENKEY_KEYBADGE, "STATIC"},
          {IDOK, "BUTTON"},
          {IDCANCEL, "BUTTON"}}},
        {IDD_FIND, {{-1, "STATIC"}, {IDC_FIND_TEXT, "EDIT"}, {IDOK, "BUTTON"}, {IDCANCEL, "BUTTON"}}},
    };
    for (const Case &c : cases)
    {
        SCOPED_TRACE(c.id);
        Template t = Parse(LoadDialogTemplate(c.id, 0, nullptr, LEVEL_ORDINARY));
        EXPECT_EQ(t.faceOffset, 38u);
        EXPECT_EQ(t.face, L"MS UI Gothic");
        EXPECT_EQ(t.charset, 1);
        EXPECT_TRUE(t.style & DS_SETFONT);
        ExpectLaidOut(t, c.items, __LINE__);
    }
}

TEST_F(TemplateLoader, OldSystemsGetACopyWithTheReplacedFaceAndEverythingElseKept)
{
    const WCHAR kOldFace[] = {0xFF2D, 0xFF33, 0x0020, 0xFF30, 0x30B4, 0x30B7, 0x30C3, 0x30AF, 0};
    struct
    {
        int id, headerExtra;
    } cases[] = {{IDD_MAIN, kMainHeaderExtra}, {IDD_SETTINGS, 0}, {IDD_ENTRY, 0}, {IDD_OPENKEY, 0}, {IDD_FIND, 0}};
    for (const auto &c : cases)
    {
        SCOPED_TRACE(c.id);
        DWORD cbResource;
        const BYTE *resource = (const BYTE *)Resource(c.id, &cbResource);
        gIsOldSystem = true;
        const BYTE *copy = (const BYTE *)LoadDialogTemplate(c.id, c.headerExtra, nullptr, 2);
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy, resource);
        EXPECT_EQ(GlobalSize((BYTE *)copy), cbResource);
        size_t faceOffset = 38 + c.headerExtra;
        EXPECT_EQ(memcmp(copy, resource, faceOffset), 0) << "header up to the face";
        EXPECT_EQ(memcmp(copy + faceOffset, kOldFace, sizeof kOldFace), 0);

        Template original = Parse(resource), patched = Parse(copy);
        EXPECT_EQ(patched.face, std::wstring((const wchar_t *)kOldFace));
        EXPECT_EQ(patched.className, original.className);
        EXPECT_EQ(patched.style, original.style);
        EXPECT_EQ(patched.cx, original.cx);
        EXPECT_EQ(patched.cy, original.cy);
        ASSERT_EQ(patched.items.size(), original.items.size());
        for (size_t i = 0; i < original.items.size(); ++i)
        {
            EXPECT_EQ(patched.items[i].id, original.items[i].id);
            EXPECT_EQ(patched.items[i].className, original.items[i].className);
            EXPECT_EQ(patched.items[i].style, original.items[i].style);
            EXPECT_EQ(patched.items[i].text, original.items[i].text);
            EXPECT_EQ(patched.items[i].x, original.items[i].x);
            EXPECT_EQ(patched.items[i].cy, original.items[i].cy);
        }
        // The item templates moved up by 8 bytes and are still 4-byte aligned.
        size_t sourceItems = (faceOffset + 26 + 3) & ~size_t(3);
        size_t copyItems = (faceOffset + 18 + 3) & ~size_t(3);
        EXPECT_EQ(sourceItems - copyItems, 8u);
        EXPECT_EQ(memcmp(copy + copyItems, resource + sourceItems, cbResource - sourceItems), 0);
        FreeDialogTemplate((LPCDLGTEMPLATEA)copy);
    }
    EXPECT_EQ(reportCount, 0);
}

static LRESULT CALLBACK PlainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefDlgProcA(window, message, wParam, lParam);
}

static std::string FaceOfWindow(HWND window)
{
    HFONT font = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    LOGFONTA logFont = {};
    if (!font || !GetObjectA(font, sizeof logFont, &logFont)) return "";
    return logFont.lfFaceName;
}

TEST_F(TemplateLoader, PatchedMainWindowIsBuiltInTheReplacementFace)
{
    InitCommonControls();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainDialogProc;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Oskelund_Tarmik";
    RegisterClassA(&windowClass);

    for (bool oldSystem : {false, true})
    {
        gIsOldSystem = oldSystem;
        LPCDLGTEMPLATEA mainTemplate = LoadDialogTemplate(IDD_MAIN, kMainHeaderExtra, nullptr, LEVEL_FATAL);
        ASSERT_NE(mainTemplate, nullptr);
        HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), mainTemplate, nullptr, nullptr, 0);
        FreeDialogTemplate(mainTemplate);
        ASSERT_NE(window, nullptr) << oldSystem;
        char className[64];
        GetClassNameA(window, className, sizeof className);
        EXPECT_STREQ(className, "Oskelund_Tarmik");
        EXPECT_EQ(FaceOfWindow(window), oldSystem ? "ＭＳ Ｐゴシック" : "MS UI Gothic");
        for (int id : {IDC_MINSIZE, IDC_MEMOLIST, IDC_OPEN, IDC_ADD, IDC_DELETE, IDC_CHANGE, IDC_IMPORT})
            EXPECT_NE(GetDlgItem(window, id), nullptr) << id;
        char listClass[64];
        GetClassNameA(GetDlgItem(window, IDC_MEMOLIST), listClass, sizeof listClass);
        EXPECT_EQ(lstrcmpiA(listClass, "SysListView32"), 0);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_MINSIZE)));
        DestroyWindow(window);
    }
}

TEST_F(TemplateLoader, MissingTemplateIsReportedOnceAtTheCallersLevel)
{
    HWND owner = (HWND)0x1234;
    EXPECT_EQ(LoadDialogTemplate(999, 0, owner, LEVEL_ORDINARY), nullptr);
    EXPECT_EQ(reportCount, 1);
    EXPECT_EQ(reportOwner, owner);
    EXPECT_EQ(reportLevel, LEVEL_ORDINARY);
    gIsOldSystem = true;
    EXPECT_EQ(LoadDialogTemplate(999, 0, nullptr, LEVEL_FATAL), nullptr);
    EXPECT_EQ(reportCount, 2);
    EXPECT_EQ(reportLevel, LEVEL_FATAL);
}

TEST(SharedTextBlock, GrowsAndNeverShrinks)
{
    gSharedTextBlock = GlobalAlloc(GMEM_FIXED, 256);
    ASSERT_NE(gSharedTextBlock, nullptr);
    strcpy((char *)gSharedTextBlock, "kept");
    EXPECT_EQ(EnsureSharedTextBlock(100, nullptr), 0);
    EXPECT_EQ(GlobalSize(gSharedTextBlock), 256u);
    EXPECT_EQ(EnsureSharedTextBlock(256, nullptr), 0);
    EXPECT_EQ(GlobalSize(gSharedTextBlock), 256u);
    EXPECT_EQ(EnsureSharedTextBlock(5000, nullptr), 0);
    EXPECT_GE(GlobalSize(gSharedTextBlock), 5000u);
    EXPECT_STREQ((char *)gSharedTextBlock, "kept");
    EXPECT_EQ(EnsureSharedTextBlock(10, nullptr), 0);
    EXPECT_GE(GlobalSize(gSharedTextBlock), 5000u);
    GlobalFree(gSharedTextBlock);
    gSharedTextBlock = nullptr;
}

class Placement : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        gMainWindow = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 401, 251, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(gMainWindow && dialog);
    }
    void TearDown() override
    {
        DestroyWindow(dialog);
        DestroyWindow(gMainWindow);
        gMainWindow = nullptr;
    }
    RECT Centred(int mainLeft, int mainTop)
    {
        SetWindowPos(gMainWindow, nullptr, mainLeft, mainTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        CenterInWorkArea(dialog);
        RECT rect;
        GetWindowRect(dialog, &rect);
        return rect;
    }
    RECT work;
    HWND dialog = nullptr;
};

TEST_F(Placement, DialogIsCentredOverTheMainWindowAndKeptInTheWorkArea)
{
    // Centred: (left + right - width) halved.
    RECT rect = Centred(work.left + 300, work.top + 300);
    EXPECT_EQ(rect.left, (2 * (work.left + 300) + 300 - 401) >> 1);
    EXPECT_EQ(rect.top, (2 * (work.top + 300) + 200 - 251) >> 1);
    EXPECT_EQ(rect.right - rect.left, 401) << "not resized";

    // A main window partly off the left and top edges: the dialog is pulled inside.
    rect = Centred(work.left - 250, work.top - 180);
    EXPECT_EQ(rect.left, work.left);
    EXPECT_EQ(rect.top, work.top);

    // Near the bottom and right edges: moved up and left to end at them.
    rect = Centred(work.right - 100, work.bottom - 50);
    EXPECT_EQ(rect.right, work.right);
    EXPECT_EQ(rect.bottom, work.bottom);
}
