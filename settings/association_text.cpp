#include "settings/association_text.h"

#include <string.h>

#include "shell/text.h"

const char kFileNameForbidden[] = "\"*/:<>?\\|";
const char kFileNameForbiddenOrDot[] = ".\"*/:<>?\\|";

// Steps to the next character; a lead byte with a missing trail byte ends the text.
static const char *NextCharacter(const char *p)
{
    if (IsShiftJisLeadByte((unsigned char)*p) && p[1] != '\0') return p + 2;
    return p + 1;
}

bool ContainsAnyOf(const char *text, const char *set)
{
    for (const char *p = text; *p != '\0'; p = NextCharacter(p))
    {
        if (IsShiftJisLeadByte((unsigned char)*p)) continue;
        if (strchr(set, *p) != nullptr) return true;
    }
    return false;
}

const char *FindProgramPath(const char *command, size_t *cbPath)
{
    const char *p = command;
    while (*p == ' ') p++;
    char end = ' ';
    if (*p == '"')
    {
        end = '"';
        p++;
    }
    const char *start = p;
    while (*p != '\0' && *p != end) p = NextCharacter(p);
    *cbPath = (size_t)(p - start);
    return start;
}

bool BuildOpenCommand(const char *programPath, char *out, size_t cbOut)
{
    bool quote = ContainsAnyOf(programPath, " ");
    size_t cbPath = strlen(programPath);
    size_t cbNeeded = cbPath + (quote ? 2 : 0) + sizeof(" %1");
    if (cbNeeded > cbOut) return false;
    char *p = out;
    if (quote) *p++ = '"';
    memcpy(p, programPath, cbPath);
    p += cbPath;
    if (quote) *p++ = '"';
    memcpy(p, " %1", sizeof(" %1"));
    return true;
}

void SplitBrowsePath(const char *text, size_t *cbFolder, const char **fileName)
{
    const char *lastBackslash = nullptr;
    const char *firstColon = nullptr;
    for (const char *p = text; *p != '\0'; p = NextCharacter(p))
    {
        if (*p == '\\')
            lastBackslash = p;
        else if (*p == ':' && firstColon == nullptr)
            firstColon = p;
    }
    if (lastBackslash != nullptr)
    {
        *cbFolder = (size_t)(lastBackslash + 1 - text);
        *fileName = lastBackslash + 1;
    }
    else
    {
        *cbFolder = 0;
        *fileName = firstColon != nullptr ? firstColon + 1 : text;
    }
}

// Appends within the question buffer; the pieces are bounded so that the whole always fits.
static void AppendToQuestion(char *out, const char *text)
{
    size_t used = strlen(out);
    size_t cb = strlen(text);
    if (used + cb >= QUESTION_BUFFER_BYTES) cb = QUESTION_BUFFER_BYTES - 1 - used;
    memcpy(out + used, text, cb);
    out[used + cb] = '\0';
}

void BuildTakeOverQuestion(const char *upperExtension, const OtherProgramStrings *strings, char *out)
{
    out[0] = '\0';
    AppendToQuestion(out, "拡張子“");
    AppendToQuestion(out, upperExtension);
    AppendToQuestion(out, "”は");
    bool named = false;
    if (strings != nullptr)
    {
        // This program's own block says "TARMIK"; another build of the tool said "Tarmik".
        if (strings->internalName != nullptr && strcmp(strings->internalName, "Tarmik") == 0 &&
            strings->legalCopyright != nullptr && strstr(strings->legalCopyright, "Oskelund") != nullptr)
        {
            AppendToQuestion(out, ToHalfWidth("現在実行中のものとは別のタルミクのプログラム ファイル"));
            named = true;
        }
        else
        {
            const char *name = strings->fileDescription;
            if (name == nullptr || strlen(name) > MAX_DESCRIPTION_BYTES) name = strings->internalName;
            if (name != nullptr && strlen(name) <= MAX_DESCRIPTION_BYTES)
            {
                AppendToQuestion(out, "アプリケーション“");
                AppendToQuestion(out, name);
                AppendToQuestion(out, "”");
                named = true;
            }
        }
    }
    if (!named) AppendToQuestion(out, "他のアプリケーション");
    AppendToQuestion(out, "に関連付けされています。\r\r関連付けを変更しますか？");
}
