#include "settings_file/profile.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "core/common/cp932.h"
#include "core/files/file_read.h"
#include "core/files/file_save.h"

namespace {

// Blanks around names and values. No two-byte character ends in one of these bytes (trail
// bytes start at 0x40), so trimming byte by byte is safe in code page 932.
bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

struct Span {
    size_t begin = 0, end = 0;
};

Span trimmed(const std::string &text, size_t begin, size_t end) {
    while (begin < end && is_blank(text[begin]))
        ++begin;
    while (end > begin && is_blank(text[end - 1]))
        --end;
    return {begin, end};
}

enum class LineKind { other, section, entry };

struct ParsedLine {
    LineKind kind = LineKind::other;
    Span name;  // section name between the brackets, or key before "="
    Span value; // entries only, blanks trimmed
};

ParsedLine line_parse(const std::string &line) {
    ParsedLine parsed;
    auto [begin, end] = trimmed(line, 0, line.size());
    if (begin == end)
        return parsed;
    if (line[begin] == '[') {
        // The closing bracket is searched character by character: 0x5D is also a trail byte.
        for (size_t i = begin + 1; i < end; ++i) {
            if (line[i] == ']') {
                parsed.kind = LineKind::section;
                parsed.name = trimmed(line, begin + 1, i);
                return parsed;
            }
            if (cp932_lead(static_cast<unsigned char>(line[i])) && i + 1 < end)
                ++i;
        }
    }
    // "=" (0x3D) is never a trail byte, so a plain search finds the first real one.
    size_t equals = line.find('=', begin);
    if (equals == std::string::npos || equals >= end)
        return parsed;
    parsed.kind = LineKind::entry;
    parsed.name = trimmed(line, begin, equals);
    parsed.value = trimmed(line, equals + 1, end);
    return parsed;
}

char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive for single-byte letters only: a trail byte that looks like a letter belongs
// to its two-byte character and is compared exactly.
bool name_equals(const std::string &line, Span span, const char *name) {
    size_t length = span.end - span.begin;
    if (std::strlen(name) != length)
        return false;
    const char *text = line.data() + span.begin;
    for (size_t i = 0; i < length; ++i) {
        if (cp932_lead(static_cast<unsigned char>(text[i])) && i + 1 < length) {
            if (text[i] != name[i] || text[i + 1] != name[i + 1])
                return false;
            ++i;
        } else if (ascii_lower(text[i]) != ascii_lower(name[i])) {
            return false;
        }
    }
    return true;
}

// Names asked for are taken without the blanks around them, as names in the file are.
std::string name_trimmed(const char *name) {
    std::string text(name);
    Span span = trimmed(text, 0, text.size());
    return text.substr(span.begin, span.end - span.begin);
}

bool line_is_blank(const std::string &line) {
    Span span = trimmed(line, 0, line.size());
    return span.begin == span.end;
}

// Lines of the first section named section: [header, end). header is npos when there is none.
struct SectionRange {
    size_t header = std::string::npos, end = 0;
};

SectionRange section_find(const Profile &profile, const char *section) {
    SectionRange range;
    const auto &lines = profile.lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = line_parse(lines[i]);
        if (parsed.kind != LineKind::section)
            continue;
        if (range.header != std::string::npos) {
            range.end = i;
            return range;
        }
        if (name_equals(lines[i], parsed.name, section))
            range.header = i;
    }
    range.end = lines.size();
    return range;
}

// Index of the first entry named key inside range, or npos.
size_t entry_find(const Profile &profile, SectionRange range, const char *key) {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        ParsedLine parsed = line_parse(profile.lines[i]);
        if (parsed.kind == LineKind::entry && name_equals(profile.lines[i], parsed.name, key))
            return i;
    }
    return std::string::npos;
}

} // namespace

void profile_parse(const std::string &bytes, Profile &profile) {
    profile.lines.clear();
    profile.finalLineEnd = true;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t newline = bytes.find('\n', start);
        if (newline == std::string::npos) {
            profile.lines.push_back(bytes.substr(start));
            profile.finalLineEnd = false;
            break;
        }
        size_t end = newline > start && bytes[newline - 1] == '\r' ? newline - 1 : newline;
        profile.lines.push_back(bytes.substr(start, end - start));
        start = newline + 1;
    }
}

std::string profile_bytes(const Profile &profile) {
    std::string bytes;
    for (size_t i = 0; i < profile.lines.size(); ++i) {
        bytes += profile.lines[i];
        if (i + 1 < profile.lines.size() || profile.finalLineEnd)
            bytes += "\r\n";
    }
    return bytes;
}

ProfileLoad profile_open(const char *path, Profile &profile, int *error) {
    profile.lines.clear();
    profile.finalLineEnd = true;
    FileBlock block;
    int code = 0;
    const FileReadOutcome read = file_read_whole(path, profileSizeLimit, block, code);
    if (error != nullptr)
        *error = code;
    if (read == FileReadOutcome::failed && code == ENOENT)
        return ProfileLoad::missing;
    if (read != FileReadOutcome::read)
        return ProfileLoad::unreadable;
    if (block.size > 0)
        profile_parse(std::string(reinterpret_cast<const char *>(block.bytes), block.size),
                      profile);
    return ProfileLoad::loaded;
}

bool profile_load(const char *path, Profile &profile) {
    return profile_open(path, profile) == ProfileLoad::loaded;
}

size_t profile_get(const Profile &profile, const char *section, const char *key, char *out,
                   size_t size) {
    if (size == 0)
        return 0;
    out[0] = '\0';
    SectionRange range = section_find(profile, name_trimmed(section).c_str());
    if (range.header == std::string::npos)
        return 0;
    size_t index = entry_find(profile, range, name_trimmed(key).c_str());
    if (index == std::string::npos)
        return 0;
    const std::string &line = profile.lines[index];
    Span value = line_parse(line).value;
    // Cut without leaving half a two-byte character at the end of a path or face name.
    size_t length =
        cp932_prefix_length(line.data() + value.begin, value.end - value.begin, size - 1);
    std::memcpy(out, line.data() + value.begin, length);
    out[length] = '\0';
    return length;
}

void profile_set(Profile &profile, const char *sectionName, const char *keyName,
                 const char *value) {
    // A line break in the value would start a line of its own: a forged entry or section.
    std::string text(value, std::strcspn(value, "\r\n"));
    std::string section = name_trimmed(sectionName), key = name_trimmed(keyName);
    auto &lines = profile.lines;
    SectionRange range = section_find(profile, section.c_str());
    if (range.header == std::string::npos) {
        profile.finalLineEnd = true;
        lines.push_back("[" + section + "]");
        lines.push_back(key + "=" + text);
        return;
    }
    size_t index = entry_find(profile, range, key.c_str());
    if (index != std::string::npos) {
        // The key keeps the spelling the file gave it ("Write" stays "Write").
        ParsedLine parsed = line_parse(lines[index]);
        const std::string &line = lines[index];
        lines[index] =
            line.substr(parsed.name.begin, parsed.name.end - parsed.name.begin) + "=" + text;
        return;
    }
    // After the section's last non-blank line, so blank lines before the next section stay there.
    size_t insert = range.end;
    while (insert > range.header + 1 && line_is_blank(lines[insert - 1]))
        --insert;
    if (insert == lines.size())
        profile.finalLineEnd = true;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), key + "=" + text);
}

bool profile_save(const char *path, const Profile &profile) {
    const std::string bytes = profile_bytes(profile);
    return file_save_whole(path, bytes.data(), bytes.size());
}
