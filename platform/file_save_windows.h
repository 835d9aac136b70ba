// The Windows save's copy of the replaced file's security onto its replacement.
#pragma once
#include <windows.h>
#include <aclapi.h>

// How the copy reads and writes a file's security: the system's functions, unless a test has
// put recorders in their place.
struct FileSecurityCalls {
    DWORD(WINAPI *get)(LPCWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID *, PSID *, PACL *,
                       PACL *, PSECURITY_DESCRIPTOR *);
    DWORD(WINAPI *set)(LPWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL);
};
extern FileSecurityCalls fileSecurityCalls;

// Puts the DACL of the file from (its entries, and whether it inherits from its folder) on the
// file to, with the owner and integrity label where the user may set them. Returns the parts
// copied (0: none); a save goes on whatever it returns.
SECURITY_INFORMATION file_security_copy(const wchar_t *from, const wchar_t *to);
