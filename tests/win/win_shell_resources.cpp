// The built program's menus, bitmaps, cursors, icons, version block and manifest, read from the program
// file as the system reads them, and the manual printer's manifest.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/driver.h"

static std::string ProgramPath()
{
    return driver::BuildDir() + "\\tarmik.exe";
}

class ProgramResources : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        module = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (module) FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

struct MenuItem
{
    UINT id; // 0 for a separator
    const char *text;
    bool grayed;
};

static void ExpectMenu(HMENU menu, const std::vector<MenuItem> &items, int line)
{
    ASSERT_EQ(GetMenuItemCount(menu), (int)items.size()) << "line " << line;
    for (size_t i = 0; i < items.size(); ++i)
    {
        SCOPED_TRACE(testing::Message() << "line " << line << ", position " << i);
        UINT state = GetMenuState(menu, (UINT)i, MF_BYPOSITION);
        if (items[i].id == 0)
        {
            EXPECT_TRUE(state & MF_SEPARATOR);
            continue;
        }
        EXPECT_EQ(GetMenuItemID(menu, (int)i), items[i].id);
        char text[128] = "";
        GetMenuStringA(menu, (UINT)i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, items[i].text);
        EXPECT_EQ((state & MF_GRAYED) != 0, items[i].grayed);
    }
}

TEST_F(ProgramResources, MainMenuHoldsEveryCommandWithItsInitialState)
{
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDR_MAINMENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    const char *popups[] = {"*", "編集(&E)", "*"}; // "*": put in at run time
    for (int i = 0; i < 3; ++i)
    {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, popups[i]);
    }
    ExpectMenu(GetSubMenu(menu, 0),
               {{IDM_NEW, "新規作成(&N)\tCtrl+N", false},
                {IDM_OPEN, "開く(&O)...\tCtrl+O", false},
                {IDM_SAVE, "上書き保存(&S)\tCtrl+S", false},
                {IDM_SAVEAS, "名前を付けて保存(&A)...", false},
                {0, nullptr, false},
                {IDM_EXIT, "終了(&X)", false}},
               __LINE__);
    ExpectMenu(GetSubMenu(menu, 1),
               {{IDM_UNDO, "元に戻す(&U)\tCtrl+Z", true},
                {IDM_REDO, "やり直し(&R)\tCtrl+Y", true},
                {0, nullptr, false},
                {IDM_ADD, "追加(&A)...", false},
                {IDM_DELETE, "削除(&D)", true},
                {IDM_CHANGE, "変更(&M)...", true},
                {IDM_COPYKEYPATH, "*", true},
                {0, nullptr, false},
                {IDM_MOVEUP, "↑ 移動(&U)\tCtrl+↑", true},
                {IDM_MOVEDOWN, "↓ 移動(&N)\tCtrl+↓", true},
                {0, nullptr, false},
                {IDM_FIND, "検索(&F)...\tCtrl+F", false},
                {IDM_FINDNEXT, "次を検索(&X)\tF3", false},
                {0, nullptr, false},
                {IDM_SETTINGS, "設定(&P)...", false}},
               __LINE__);
    ExpectMenu(GetSubMenu(menu, 2),
               {{IDM_OPENENTRY, "*", true},
                {IDM_CAPTURE, "*", false},
                {IDM_OPENKEY, "*", false},
                {0, nullptr, false},
                {IDM_ADDFAVORITE, "お気に入りに追加(&F)", true},
                {IDM_IMPORTFAVORITES, "お気に入りから取り込む(&V)", false},
                {0, nullptr, false},
                {IDM_STARTREGEDIT, "起動(&R)", false}},
               __LINE__);
    DestroyMenu(menu);
}

TEST_F(ProgramResources, MainWindowKeysAreTheOnesItsMenuShows)
{
    HACCEL keys = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(keys, nullptr);
    ACCEL table[16];
    int count = CopyAcceleratorTableA(keys, table, 16);
    std::vector<std::string> found;
    for (int i = 0; i < count; ++i)
    {
        char line[64];
        snprintf(line, sizeof line, "%02X %04X %u", table[i].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT),
                 table[i].key, table[i].cmd);
        found.push_back(line);
    }
    auto key = [](BYTE flags, WORD virtualKey, UINT command) {
        char line[64];
        snprintf(line, sizeof line, "%02X %04X %u", flags, virtualKey, command);
        return std::string(line);
    };
    EXPECT_EQ(found, (std::vector<std::string>{
                         key(FVIRTKEY | FCONTROL, 'C', IDM_COPYKEYPATH), key(FVIRTKEY | FCONTROL, 'N', IDM_NEW),
                         key(FVIRTKEY | FCONTROL, 'O', IDM_OPEN), key(FVIRTKEY | FCONTROL, 'S', IDM_SAVE),
                         key(FVIRTKEY | FCONTROL, 'F', IDM_FIND), key(FVIRTKEY | FCONTROL, 'G', IDM_OPENKEY),
                         key(FVIRTKEY, VK_F3, IDM_FINDNEXT),
                         // F5 asks the registry again about the entries drawn; it has no menu item.
                         key(FVIRTKEY, VK_F5, IDM_RECHECK), key(FVIRTKEY | FCONTROL, 'Z', IDM_UNDO),
                         key(FVIRTKEY | FCONTROL, 'Y', IDM_REDO), key(FVIRTKEY | FCONTROL, VK_UP, IDM_MOVEUP),
                         key(FVIRTKEY | FCONTROL, VK_DOWN, IDM_MOVEDOWN)}));
}

TEST_F(ProgramResources, ContextAndRootKeyMenus)
{
    HMENU context = LoadMenuA(module, MAKEINTRESOURCEA(IDR_LISTMENU));
    ASSERT_NE(context, nullptr);
    ASSERT_EQ(GetMenuItemCount(context), 1);
    ExpectMenu(GetSubMenu(context, 0),
               {{IDM_LIST_OPEN, "開く(&O)", true},
                {0, nullptr, false},
                {IDM_LIST_ADD, "追加(&A)...", false},
                {IDM_LIST_DELETE, "削除(&D)", true},
                {IDM_LIST_CHANGE, "変更(&M)...", true},
                {IDM_LIST_COPYKEYPATH, "*", true},
                {0, nullptr, false},
                {IDM_LIST_CAPTURE, "取り込み(&I)", false},
                {IDM_LIST_ADDFAVORITE, "お気に入りに追加(&F)", true},
                {0, nullptr, false},
                {IDM_LIST_MOVEUP, "↑ 移動(&U)", true},
                {IDM_LIST_MOVEDOWN, "↓ 移動(&N)", true}},
               __LINE__);
    DestroyMenu(context);

    HMENU roots = LoadMenuA(module, MAKEINTRESOURCEA(IDR_ROOTKEYMENU));
    ASSERT_NE(roots, nullptr);
    ExpectMenu(GetSubMenu(roots, 0),
               {{IDM_ROOTKEY_HKCR, "HKEY_CLASSES_ROOT", false},
                {IDM_ROOTKEY_HKCU, "HKEY_CURRENT_USER", false},
                {IDM_ROOTKEY_HKLM, "HKEY_LOCAL_MACHINE", false},
                {IDM_ROOTKEY_HKU, "HKEY_USERS", false},
                {IDM_ROOTKEY_HKCC, "HKEY_CURRENT_CONFIG", false},
                {IDM_ROOTKEY_HKDD, "HKEY_DYN_DATA", false}},
               __LINE__);
    DestroyMenu(roots);
}

// Monochrome, so that each takes the text and background colours of the context it is drawn into; the
// grid is a pattern brush, which old systems take only at 8 x 8.
TEST_F(ProgramResources, BitmapsAreMonochromeAndTheGridIsAPatternBrushsSize)
{
    for (int id : {IDB_GRID, IDB_ROOTBUTTON, IDB_KEYBADGE})
    {
        SCOPED_TRACE(id);
        HBITMAP bitmap = (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
        ASSERT_NE(bitmap, nullptr);
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        EXPECT_EQ(info.bmBitsPixel, 1);
        if (id == IDB_GRID)
        {
            EXPECT_EQ(info.bmWidth, 8);
            EXPECT_EQ(info.bmHeight, 8);
        }
        DeleteObject(bitmap);
    }
}

// A cursor's hot spot is where the click lands: on a drawn pixel of the shape, not beside it.
TEST_F(ProgramResources, CursorsAreMonochromeWithTheirHotSpotOnTheShape)
{
    for (int id : {IDCUR_MOVE, IDCUR_DRAG})
    {
        SCOPED_TRACE(id);
        HCURSOR cursor = (HCURSOR)LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_CURSOR, 32, 32, 0);
        ASSERT_NE(cursor, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.hbmColor, nullptr) << "monochrome";
        BITMAP mask = {};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        ASSERT_EQ(mask.bmHeight, 2 * mask.bmWidth); // AND mask above the XOR mask
        ASSERT_LT(info.xHotspot, (DWORD)mask.bmWidth);
        ASSERT_LT(info.yHotspot, (DWORD)mask.bmWidth);
        std::vector<BYTE> bits(mask.bmWidthBytes * mask.bmHeight);
        GetBitmapBits(info.hbmMask, (LONG)bits.size(), bits.data());
        bool transparent = bits[info.yHotspot * mask.bmWidthBytes + info.xHotspot / 8] & (0x80 >> (info.xHotspot % 8));
        EXPECT_FALSE(transparent) << "hot spot " << info.xHotspot << "," << info.yHotspot;
        DeleteObject(info.hbmMask);
        DestroyCursor(cursor);
    }
}

#pragma pack(push, 2)
struct GroupIconEntry
{
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD cbBytes;
    WORD id;
};
#pragma pack(pop)

static BOOL CALLBACK CollectIconName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    ((std::vector<int> *)param)->push_back(IS_INTRESOURCE(name) ? LOWORD(name) : -1);
    return TRUE;
}

TEST_F(ProgramResources, IconsHaveLargeAndSmallSixteenColourImagesInOrder)
{
    // The program file's icon index 1, named by the memo-file association, is icon 102.
    std::vector<int> names;
    EnumResourceNamesA(module, RT_GROUP_ICON, CollectIconName, (LONG_PTR)&names);
    ASSERT_EQ(names, (std::vector<int>{IDI_PROGRAM, IDI_MEMOFILE}));
    for (int id : names)
    {
        SCOPED_TRACE(id);
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr);
        const BYTE *group = (const BYTE *)(LockResource(LoadResource(module, found)));
        WORD count = *(const WORD *)(group + 4);
        ASSERT_EQ(count, 2);
        const GroupIconEntry *entries = (const GroupIconEntry *)(group + 6);
        EXPECT_EQ(entries[0].width, 32);
        EXPECT_EQ(entries[0].height, 32);
        EXPECT_EQ(entries[1].width, 16);
        EXPECT_EQ(entries[1].height, 16);
        for (int i = 0; i < 2; ++i)
        {
            EXPECT_EQ(entries[i].colourCount, 16);
            EXPECT_EQ(entries[i].bitCount, 4);
        }
        for (int size : {32, 16})
        {
            HICON icon = (HICON)(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            EXPECT_NE(icon, nullptr) << size;
            if (icon) DestroyIcon(icon);
        }
    }
}

static std::string VersionString(const std::vector<BYTE> &block, const char *name)
{
    std::string path = std::string("\\StringFileInfo\\041104b0\\") + name;
    char *value = nullptr;
    UINT cch = 0;
    if (!VerQueryValueA(block.data(), path.c_str(), (void **)&value, &cch) || !value) return "?";
    return value;
}

TEST_F(ProgramResources, VersionBlockNamesTheProgram)
{
    std::string path = ProgramPath();
    DWORD handle = 0;
    DWORD cbBlock = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(cbBlock, 0u);
    std::vector<BYTE> block(cbBlock);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, cbBlock, block.data()));
    EXPECT_EQ(VersionString(block, "FileDescription"), "タルミク");
    EXPECT_EQ(VersionString(block, "ProductName"), "タルミク");
    EXPECT_EQ(VersionString(block, "InternalName"), "TARMIK");
    EXPECT_EQ(VersionString(block, "OriginalFilename"), "TARMIK.EXE");
    EXPECT_EQ(VersionString(block, "FileVersion"), "1, 1, 0, 1");
    EXPECT_EQ(VersionString(block, "ProductVersion"), "1.10");
    EXPECT_NE(VersionString(block, "LegalCopyright").find("Oskelund"), std::string::npos);

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT cbFixed = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &cbFixed));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);

    WORD *translation = nullptr;
    UINT cbTranslation = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void **)&translation, &cbTranslation));
    ASSERT_EQ(cbTranslation, 4u);
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 1200);
}

static std::string ManifestOf(HMODULE program)
{
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    if (!found) return "";
    const char *text = (const char *)(LockResource(LoadResource(program, found)));
    return std::string(text, SizeofResource(program, found));
}

// The 64-bit build also asks for the highest level, for the Registry Editor that runs elevated there.
// Both programs are aware of the system DPI, and of nothing finer (no per-monitor awareness).
TEST_F(ProgramResources, ManifestAsksForCommonControlsSixOfItsWidthAndTheLevelOfItsBuild)
{
    std::string manifest = ManifestOf(module);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
#ifdef _WIN64
    EXPECT_NE(manifest.find("processorArchitecture=\"amd64\""), std::string::npos);
    EXPECT_EQ(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"highestAvailable\""), std::string::npos);
#else
    EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
    EXPECT_EQ(manifest.find("processorArchitecture=\"amd64\""), std::string::npos);
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
#endif
    HMODULE printer =
        LoadLibraryExA((driver::BuildDir() + "\\manualprint.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(printer, nullptr);
    for (const std::string &m : {manifest, ManifestOf(printer)})
    {
        const size_t settings = m.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"),
                     aware = m.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
                                    "true</dpiAware>");
        EXPECT_TRUE(settings != std::string::npos && aware != std::string::npos && settings < aware &&
                    m.find("</windowsSettings>", settings) > aware)
            << m;
        EXPECT_EQ(m.find("dpiAwareness"), std::string::npos) << "no per-monitor awareness";
    }
    FreeLibrary(printer);
}
