// Saving a whole file on Windows: a temporary file created exclusively beside the target, then
// one replacing move, so the target's name never goes missing (see core/files/file_save.h).
#include "core/files/file_save.h"
#include "core/files/file_save_parts.h"
#include "platform/file_save_windows.h"

#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <string>

#include "platform/wide.h"

using file_save_parts::fail;
using file_save_parts::temp_name;
using file_save_parts::tempAttempts;

namespace {

int errno_of(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
        return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    default:
        return EIO;
    }
}

bool handle_write(HANDLE file, const char *data, size_t size) {
    while (size > 0) {
        const DWORD part = size > (DWORD{1} << 30) ? DWORD{1} << 30 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, part, &written, nullptr) || written == 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

// The attributes a replacement takes over; read-only never gets this far. A changed file is
// always marked for the next backup (ARCHIVE), whatever the old one said.
constexpr DWORD keptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

} // namespace

FileSecurityCalls fileSecurityCalls = {GetNamedSecurityInfoW, SetNamedSecurityInfoW};

SECURITY_INFORMATION file_security_copy(const wchar_t *from, const wchar_t *to) {
    constexpr SECURITY_INFORMATION owner = OWNER_SECURITY_INFORMATION;
    constexpr SECURITY_INFORMATION dacl = DACL_SECURITY_INFORMATION;
    constexpr SECURITY_INFORMATION label = LABEL_SECURITY_INFORMATION;
    PSID ownerSid = nullptr;
    PACL daclList = nullptr, labelList = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_INFORMATION read = owner | dacl | label;
    if (fileSecurityCalls.get(from, SE_FILE_OBJECT, read, &ownerSid, nullptr, &daclList,
                              &labelList, &descriptor) != ERROR_SUCCESS) {
        read = dacl;
        ownerSid = nullptr;
        daclList = labelList = nullptr;
        descriptor = nullptr;
        if (fileSecurityCalls.get(from, SE_FILE_OBJECT, read, nullptr, nullptr, &daclList,
                                  nullptr, &descriptor) != ERROR_SUCCESS)
            return 0;
    }
    // Entries the old file inherited come again from the same folder; a DACL that inherits
    // nothing stays so.
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    const SECURITY_INFORMATION inheritance =
        GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                (control & SE_DACL_PROTECTED) != 0
            ? PROTECTED_DACL_SECURITY_INFORMATION
            : UNPROTECTED_DACL_SECURITY_INFORMATION;
    // Another owner needs a privilege and a label the right to change it; the creator of the
    // new file may always set its DACL.
    const SECURITY_INFORMATION tries[] = {read, read & ~owner, dacl};
    SECURITY_INFORMATION copied = 0, tried = 0;
    for (SECURITY_INFORMATION parts : tries) {
        if (parts == tried)
            continue;
        tried = parts;
        if (fileSecurityCalls.set(const_cast<wchar_t *>(to), SE_FILE_OBJECT, parts | inheritance,
                                  (parts & owner) != 0 ? ownerSid : nullptr, nullptr, daclList,
                                  (parts & label) != 0 ? labelList : nullptr) == ERROR_SUCCESS) {
            copied = parts;
            break;
        }
    }
    LocalFree(descriptor);
    return copied;
}

static bool file_save_windows(const char *path, const char *data, size_t size, int *error,
                              FileSaveRandom random) {
    // COM1.txt is the serial port, not a file: never write a text into a device by its name.
    if (path_names_device(path))
        return fail(error, ENODEV);
    // Every name through the wide functions: the ANSI code page cannot hold every name.
    const std::wstring wide = wide_of(path);
    std::wstring target = wide;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return fail(error, errno_of(GetLastError()));
    } else {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return fail(error, EISDIR);
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return fail(error, EACCES);
        // The access and sharing of a plain CREATE_ALWAYS save: whatever would refuse that
        // (a lock, another program holding the file open) refuses this one too.
        HANDLE probe = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return fail(error, errno_of(GetLastError()));
        if (GetFileType(probe) != FILE_TYPE_DISK) { // NUL, a console, a pipe
            const bool written = handle_write(probe, data, size);
            const DWORD code = GetLastError();
            CloseHandle(probe);
            return written || fail(error, errno_of(code));
        }
        {
            // Through a link (Wine shows POSIX links as plain files), the file it names is
            // replaced beside itself.
            wchar_t real[MAX_PATH];
            const DWORD n = GetFinalPathNameByHandleW(probe, real, MAX_PATH, 0);
            if (n > 0 && n < MAX_PATH)
                target = std::wcsncmp(real, L"\\\\?\\UNC\\", 8) == 0
                             ? L"\\" + std::wstring(real + 7)
                             : std::wstring(real + (std::wcsncmp(real, L"\\\\?\\", 4) ? 0 : 4));
        }
        CloseHandle(probe);
    }

    const std::string targetPath = utf8_of(target);
    const std::string folder(targetPath, 0, path_folder_length(targetPath.c_str()));
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < tempAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = wide_of(temp_name(folder, random));
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE)
        return fail(error, errno_of(GetLastError()));
    bool ok = handle_write(file, data, size) && FlushFileBuffers(file);
    DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & keptAttributes) != 0)
        SetFileAttributesW(temp.c_str(), (attributes & keptAttributes) | FILE_ATTRIBUTE_ARCHIVE);
    // Whoever could (or could not) open the old file keeps that with the new one; a copy that
    // fails still leaves the text saved.
    if (ok && attributes != INVALID_FILE_ATTRIBUTES)
        file_security_copy(target.c_str(), temp.c_str());
    // One rename that replaces the target: its name never goes missing meanwhile. (ReplaceFile
    // would keep more of the old file, but it moves the old file away before the new one
    // comes: a save killed between leaves no file under the name.)
    if (ok && !MoveFileExW(temp.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = GetLastError();
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        return fail(error, errno_of(code));
    }
    return true;
}

bool file_save_whole(const char *path, const char *data, size_t size, int *error,
                     FileSaveRandom random) {
    if (path == nullptr || path[0] == '\0')
        return fail(error, ENOENT);
    return file_save_windows(path, data, size, error, random);
}
