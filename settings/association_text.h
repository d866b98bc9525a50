// Texts of the settings dialog and of the memo-file association that need no window:
// the shell command value, the program path inside it, the extension rules, the browse
// dialog's filter and initial name, and the question asked before taking over an extension.
// Shift-JIS throughout; every search steps over double-byte characters whole.
#pragma once
#include <stddef.h>

// Characters no file name may hold; the extension rules and the browse filter use them.
extern const char kFileNameForbidden[];      // " * / : < > ? \ |
extern const char kFileNameForbiddenOrDot[]; // the same and the period

// True when `text` holds one of the single-byte characters of `set`.
bool ContainsAnyOf(const char *text, const char *set);

// The program path of a shell command value: after leading blanks, either the quoted text
// (to the next double quote or the end) or the text to the next blank or the end.
// Returns its start inside `command` and its length in bytes.
const char *FindProgramPath(const char *command, size_t *cbPath);

// The open command for a program: the path quoted when it holds a blank, then " %1" unquoted.
// Returns false (and writes nothing) when it would not fit in `cbOut` bytes.
bool BuildOpenCommand(const char *programPath, char *out, size_t cbOut);

// The browse dialog's start: the folder part of the typed path (up to and including its last
// backslash; length 0 when there is none) and the file-name part (after the last backslash, or
// after the first colon, or the whole text).
void SplitBrowsePath(const char *text, size_t *cbFolder, const char **fileName);

// The version strings read from the program that holds an extension; a null text was unreadable.
struct OtherProgramStrings
{
    const char *internalName;
    const char *legalCopyright;
    const char *fileDescription;
};

enum
{
    MAX_DESCRIPTION_BYTES = 101,
    QUESTION_BUFFER_BYTES = 256
};

// The question asked before an extension registered for another program is taken over, before the
// final half-width conversion. `strings` is null when the program had no readable version block.
// `out` holds QUESTION_BUFFER_BYTES bytes; the longest question fits with room to spare.
void BuildTakeOverQuestion(const char *upperExtension, const OtherProgramStrings *strings, char *out);
