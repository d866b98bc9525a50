// The settings record as the settings file holds it: defaults, reading the file's bytes, and the two
// fixed-size text fields read within their size. Portable.
#include "settings/settings_record.h"

#include <string.h>

#include "shell/text.h"

void BuildDefaultSettings(Settings *settings)
{
    memset(settings, 0, sizeof *settings);
    settings->headerWord = 1;
    memcpy(settings->memoExtension, "TMK", 3);
}

void SettingsFromFileBytes(Settings *settings, const uint8_t *bytes, size_t cbBytes)
{
    if (cbBytes < SETTINGS_SIZE)
    {
        BuildDefaultSettings(settings);
        return;
    }
    // A raw image: nothing is validated, and whatever follows the record is ignored.
    memcpy(settings, bytes, SETTINGS_SIZE);
}

// Copies a text field of `cbField` bytes that may lack its terminator: at most `cbMax` bytes, stopping
// at a NUL, and never ending in the first half of a double-byte character.
static void CopyFixedText(const char *field, size_t cbMax, char *out)
{
    const unsigned char *p = (const unsigned char *)field;
    size_t cb = 0;
    while (cb < cbMax && p[cb] != 0)
    {
        size_t cbCharacter = IsShiftJisLeadByte(p[cb]) ? 2 : 1;
        if (cb + cbCharacter > cbMax) break;
        if (cbCharacter == 2 && p[cb + 1] == 0) break;
        cb += cbCharacter;
    }
    memcpy(out, field, cb);
    out[cb] = 0;
}

void CopyMemoExtension(const Settings *settings, char out[17])
{
    CopyFixedText(settings->memoExtension, sizeof settings->memoExtension, out);
}

void CopyStartupFile(const Settings *settings, char out[260])
{
    CopyFixedText(settings->startupFile, sizeof settings->startupFile - 1, out);
}
