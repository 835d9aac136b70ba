#include "cli/vkd_names.h"

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#include "core/common/utf8.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

void escape_byte(std::string &out, uint8_t b) {
    static const char hex[] = "0123456789abcdef";
    out += "\\x";
    out += hex[b >> 4];
    out += hex[b & 15];
}

// The length of the whole UTF-8 character at text[i], or 0 when none starts there.
size_t utf8_length(const std::string &text, size_t i) {
    const uint8_t lead = uint8_t(text[i]);
    const size_t n = lead >= 0xF0 && lead <= 0xF4   ? 4
                     : lead >= 0xE0 && lead <= 0xEF ? 3
                     : lead >= 0xC2 && lead <= 0xDF ? 2
                                                    : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((uint8_t(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

#ifdef _WIN32
std::wstring wide(const std::string &utf8) {
    const std::u16string units = utf16_from_utf8(utf8);
    return std::wstring(units.begin(), units.end());
}

FileIdentity identity_of(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    FileIdentity id;
    if (file != INVALID_HANDLE_VALUE && file != nullptr &&
        GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)) {
        id.exists = true;
        id.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        id.volume = info.dwVolumeSerialNumber;
        id.index = (unsigned long long)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    }
    return id;
}
#else
FileIdentity identity_of(const struct stat &st) {
    FileIdentity id;
    id.exists = true;
    id.folder = S_ISDIR(st.st_mode);
    id.volume = st.st_dev;
    id.index = st.st_ino;
    return id;
}
#endif

} // namespace

std::string terminal_shown(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const uint8_t b = uint8_t(text[i]);
        if (b < 0x20 || b == 0x7F) {
            escape_byte(out, b);
            ++i;
            continue;
        }
        if (b < 0x80) {
            out += char(b);
            ++i;
            continue;
        }
        const size_t n = utf8_length(text, i);
        if (n == 0) { // not UTF-8: only the bytes an 8-bit terminal takes as C1 are escaped
            if (b <= 0x9F)
                escape_byte(out, b);
            else
                out += char(b);
            ++i;
            continue;
        }
        const bool c1 = b == 0xC2 && uint8_t(text[i + 1]) <= 0x9F;
        for (size_t k = 0; k < n; ++k)
            if (c1)
                escape_byte(out, uint8_t(text[i + k]));
            else
                out += text[i + k];
        i += n;
    }
    return out;
}

int output_names_compare(const std::string &a, const std::string &b) {
#ifdef _WIN32
    const std::wstring wa = wide(a), wb = wide(b);
    const int order = CompareStringOrdinal(wa.c_str(), int(wa.size()), wb.c_str(),
                                           int(wb.size()), TRUE);
    if (order != 0)
        return order - CSTR_EQUAL;
#endif
    return a.compare(b);
}

FileIdentity file_identity(const std::string &path) {
#ifdef _WIN32
    // No access asked for: a file open elsewhere, or one only its attributes can be read of,
    // still says what it is. Backup semantics open folders too.
    const HANDLE file =
        CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const FileIdentity id = identity_of(file);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return id;
#else
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? identity_of(st) : FileIdentity{};
#endif
}

FileIdentity stdin_identity() {
#ifdef _WIN32
    return identity_of(GetStdHandle(STD_INPUT_HANDLE));
#else
    struct stat st {};
    return fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode) ? identity_of(st)
                                                               : FileIdentity{};
#endif
}

bool file_identity_same(const FileIdentity &a, const FileIdentity &b) {
    return a.exists && b.exists && a.volume == b.volume && a.index == b.index;
}
