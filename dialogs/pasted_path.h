// Key paths as other tools write them, put in the form this program stores. Portable.
#pragma once
#include <stddef.h>

// Takes away what other tools write around a key path: blanks around it (the ideographic space too),
// enclosing double quotes or square brackets (a .reg file's section), the Registry Editor's address-bar
// prefix ("コンピューター\", "Computer\" and their older forms), PowerShell's provider prefix
// ("Registry::", "Microsoft.PowerShell.Core\Registry::") and the colon of a PowerShell drive ("HKLM:\").
// Only a text that then starts with a root-key name is changed; any other is left exactly as it was,
// since key names may hold all of these characters. Shift-JIS, changed in place (it only shrinks).
// `caret`, when given, is a byte offset that follows the text around it. Returns 1 when the text changed.
int ToStoredKeyPath(char *text, size_t *caret);
