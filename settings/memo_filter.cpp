#include "settings/memo_filter.h"

#include <string.h>

#include "shell/text.h"

// Appends `text` and its NUL at `*used`; false when it does not fit.
static bool AppendPiece(char *out, size_t cbOut, size_t *used, const char *text, bool terminate)
{
    size_t cb = strlen(text);
    if (*used + cb + (terminate ? 1 : 0) > cbOut) return false;
    memcpy(out + *used, text, cb);
    *used += cb;
    if (terminate) out[(*used)++] = '\0';
    return true;
}

size_t BuildMemoFileFilter(const char *extension, char *out, size_t cbOut)
{
    size_t used = 0;
    bool fits = true;
    if (extension != nullptr)
    {
        fits = AppendPiece(out, cbOut, &used, ToHalfWidth("メモ ファイル (*."), false) &&
               AppendPiece(out, cbOut, &used, extension, false) && AppendPiece(out, cbOut, &used, ")", true) &&
               AppendPiece(out, cbOut, &used, "*.", false) && AppendPiece(out, cbOut, &used, extension, true);
    }
    fits = fits && AppendPiece(out, cbOut, &used, ToHalfWidth("すべてのファイル (*.*)"), true) &&
           AppendPiece(out, cbOut, &used, "*.*", true) && AppendPiece(out, cbOut, &used, "", true);
    return fits ? used : 0;
}
