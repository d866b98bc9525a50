// The 352-byte settings record, stored byte for byte in the settings file beside the program.
// Portable: the host tests and the fuzz target use it as the programs do.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum : uint8_t
{
    PLACEMENT_MINIMIZED = 0x01,
    PLACEMENT_MAXIMIZED = 0x02,
    PLACEMENT_SAVED = 0x80,
};

#pragma pack(push, 1)
struct SettingsRect
{
    int32_t left, top, right, bottom;
};

struct Settings
{
    uint16_t headerWord;
    uint8_t reserved2[14];
    SettingsRect normalRect; // window block: offsets 16 to 47
    uint8_t placementFlags;
    uint8_t reserved33[3];
    int32_t columnWidths[3];
    char memoExtension[16]; // upper case, no terminator when all 16 are used
    char startupFile[260];
    uint8_t autoSave;
    uint8_t expandSelectedKey;
    uint8_t openValueEditor;
    uint8_t reserved327[25];
};
#pragma pack(pop)

static_assert(sizeof(Settings) == 352, "settings file record");
static_assert(offsetof(Settings, normalRect) == 16, "window block");
static_assert(offsetof(Settings, placementFlags) == 32, "placement flags");
static_assert(offsetof(Settings, columnWidths) == 36, "column widths");
static_assert(offsetof(Settings, memoExtension) == 48, "memo extension");
static_assert(offsetof(Settings, startupFile) == 64, "start-up file");
static_assert(offsetof(Settings, autoSave) == 324, "option bytes");
static_assert(offsetof(Settings, reserved327) == 327, "tail");

enum
{
    SETTINGS_SIZE = 352,
    WINDOW_BLOCK_OFFSET = 16,
    WINDOW_BLOCK_SIZE = 32
};

// All zero, headerWord 1, memoExtension "TMK".
void BuildDefaultSettings(Settings *settings);
// The record from a settings file's first bytes: defaults when fewer than 352 bytes were read.
void SettingsFromFileBytes(Settings *settings, const uint8_t *bytes, size_t cbBytes);
// memoExtension as a terminated text (at most 16 bytes), and startupFile read within its 259 bytes.
void CopyMemoExtension(const Settings *settings, char out[17]);
void CopyStartupFile(const Settings *settings, char out[260]);
