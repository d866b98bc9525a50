#include "memo/memo_format.h"

#include <string.h>

#include "shell/text.h"

void EncodeMemoHeader(uint8_t out[6], uint16_t recordCount)
{
    WriteLittle16(out, MEMO_HEADER_SIZE);
    WriteLittle16(out + 2, MEMO_FORMAT_VERSION);
    WriteLittle16(out + 4, recordCount);
}

void EncodeRecordLengths(uint8_t out[6], uint16_t cbDescription, uint16_t cbKeyPath, uint16_t cbValueName, bool keyOnly)
{
    WriteLittle16(out, cbDescription);
    WriteLittle16(out + 2, cbKeyPath);
    WriteLittle16(out + 4, keyOnly ? (uint32_t)MEMO_KEY_ONLY_MARKER : cbValueName);
}

int FileNameOffset(const char *path)
{
    int offset = 0;
    for (int i = 0; path[i];)
    {
        if (IsShiftJisLeadByte((unsigned char)path[i]) && path[i + 1])
        {
            i += 2;
            continue;
        }
        if (path[i] == '\\') offset = i + 1;
        i++;
    }
    return offset;
}
