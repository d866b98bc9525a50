// May the user set values under HKEY_CLASSES_ROOT? Asked of the system's access check against
// the key's own security descriptor, so that nothing is written to find out. NT family only.
#include "settings/settings.h"
#include "shell/program.h"

DWORD TestClassesRootWriteAccess(BOOL *mayWrite)
{
    const SECURITY_INFORMATION kWhat =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    *mayWrite = FALSE;

    DWORD cbDescriptor = 0;
    DWORD error = (DWORD)(LONG)gBound.RegGetKeySecurity(HKEY_CLASSES_ROOT, kWhat, nullptr, &cbDescriptor);
    if (error != ERROR_INSUFFICIENT_BUFFER) return error;
    error = ERROR_SUCCESS;

    HGLOBAL descriptor = GlobalAlloc(GMEM_FIXED, cbDescriptor);
    if (descriptor == nullptr) return GetLastError();

    BOOL impersonating = FALSE;
    BOOL accessStatus = FALSE;
    error = (DWORD)(LONG)gBound.RegGetKeySecurity(HKEY_CLASSES_ROOT, kWhat, (PSECURITY_DESCRIPTOR)descriptor,
                                                  &cbDescriptor);
    if (error == ERROR_SUCCESS)
    {
        if (gBound.ImpersonateSelf(SecurityImpersonation))
            impersonating = TRUE;
        else
            error = GetLastError();
    }
    if (error == ERROR_SUCCESS)
    {
        HANDLE token = nullptr;
        if (gBound.OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        {
            GENERIC_MAPPING mapping = {KEY_READ, KEY_WRITE, 0, KEY_READ | KEY_WRITE};
            // Room for a few privileges; the check is told of one (20 bytes), which it never needs for this access.
            union {
                PRIVILEGE_SET set;
                BYTE bytes[64];
            } privileges;
            DWORD cbPrivileges = 20;
            DWORD granted = 0;
            if (!gBound.AccessCheck((PSECURITY_DESCRIPTOR)descriptor, token, KEY_SET_VALUE, &mapping, &privileges.set,
                                    &cbPrivileges, &granted, &accessStatus))
                error = GetLastError();
            CloseHandle(token);
        }
        else
        {
            error = GetLastError();
        }
    }
    if (impersonating && !gBound.RevertToSelf() && error == ERROR_SUCCESS) error = GetLastError();
    GlobalFree(descriptor);

    if (error == ERROR_SUCCESS) *mayWrite = accessStatus;
    return error;
}
