#include "settings_file/ini.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/common/cp932.h"
#include "core/common/document.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/output/text_html.h"
#include "core/common/utf8.h"
#include "settings_file/profile.h"

namespace {

#ifdef _WIN32
const char iniFileName[] = "\\vkd.ini";
#else
// Elsewhere a backslash is an ordinary file-name byte and would not reach the folder.
const char iniFileName[] = "/vkd.ini";
#endif

constexpr size_t valueSize = 260; // what one entry delivers: 259 bytes and the terminator

// What the file holds of a string entry before the mark (see ini.h) was known: CP932, cut at
// these many bytes.
constexpr size_t pathFileLimit = valueSize - 1;
constexpr size_t faceFileLimit = 99;

// The UTF-8 in memory from a string entry's bytes in the file.
std::string value_from_file(const std::string &bytes, size_t fileLimit) {
    if (bytes.compare(0, sizeof utf8Mark - 1, utf8Mark) == 0)
        return bytes.substr(sizeof utf8Mark - 1);
    return cp932_to_utf8(
        bytes.substr(0, cp932_prefix_length(bytes.data(), bytes.size(), fileLimit)));
}

// The bytes the file gets for a UTF-8 string: CP932 where every character has a code there, the
// text cannot be taken for a marked one and fileLimit bytes (what is read back of CP932) hold it
// whole; else the mark and the UTF-8.
std::string value_to_file(const char *utf8, size_t fileLimit) {
    std::string cp932;
    if (std::strncmp(utf8, utf8Mark, sizeof utf8Mark - 1) != 0 && cp932_from_utf8(utf8, cp932) &&
        cp932.size() <= fileLimit)
        return cp932;
    return utf8Mark + std::string(utf8);
}

void read_int(const Profile &profile, const char *section, const char *key, int32_t &field) {
    char value[valueSize];
    if (profile_get(profile, section, key, value, sizeof value) != 0)
        field = ini_int_parse(value);
}

// A marked value may be longer than a CP932 one: room for a whole path in UTF-8 and the mark.
void read_string(const Profile &profile, const char *section, const char *key, char *field,
                 size_t fieldSize, size_t fileLimit) {
    char value[4 * valueSize];
    const size_t got = profile_get(profile, section, key, value, sizeof value);
    if (got == 0)
        return;
    const std::string text = value_from_file(std::string(value, got), fileLimit);
    const size_t length = utf8_whole_length(text.data(), std::min(text.size(), fieldSize - 1));
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

void write_string(Profile &profile, const char *section, const char *key, const char *utf8,
                  size_t fileLimit = pathFileLimit) {
    profile_set(profile, section, key, value_to_file(utf8, fileLimit).c_str());
}

void write_int(Profile &profile, const char *section, const char *key, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    profile_set(profile, section, key, text);
}

// [Quality]: the look. Look 1 photo, 2 shape, 3 trace, anything else standard; CharSet 1 the
// full-width set, anything else the half-width ones; Target 1 the board's font, anything else
// the program's own (the window's in the window). Chars, the user's list, wins over both:
// written in double quotes because values lose their outer blanks and a list may begin with a
// space, and in CP932 or marked UTF-8 as the folders are.
void quality_read(const Profile &profile, LookSettings &lookSettings) {
    char value[valueSize];
    if (profile_get(profile, "Quality", "Look", value, sizeof value) != 0) {
        const int32_t look = ini_int_parse(value);
        lookSettings.look = look == 1   ? Look::photo
                            : look == 2 ? Look::shape
                            : look == 3 ? Look::trace
                                        : Look::standard;
    }
    if (profile_get(profile, "Quality", "Dither", value, sizeof value) != 0)
        lookSettings.dither = ini_int_parse(value) != 0;
    if (profile_get(profile, "Quality", "CharSet", value, sizeof value) != 0)
        lookSettings.charSet = ini_int_parse(value) == 1 ? 1 : 0;
    if (profile_get(profile, "Quality", "Target", value, sizeof value) != 0)
        lookSettings.target = ini_int_parse(value) == 1 ? Target::board : targetNative;
    size_t length = profile_get(profile, "Quality", "Chars", value, sizeof value);
    if (length == 0)
        return;
    std::string chars = value_from_file(std::string(value, length), valueSize - 1);
    if (chars.size() >= 2 && chars.front() == '"' && chars.back() == '"')
        chars = chars.substr(1, chars.size() - 2);
    // A list the looks cannot use (other bytes, or only the quotes) means the default set.
    lookSettings.chars = look_chars_valid(chars) ? chars : std::string();
}

void quality_write(Profile &profile, const LookSettings &lookSettings) {
    write_int(profile, "Quality", "Look", static_cast<int32_t>(lookSettings.look));
    write_int(profile, "Quality", "Dither", lookSettings.dither ? 1 : 0);
    const std::string &chars = lookSettings.chars;
    profile_set(profile, "Quality", "Chars",
                chars.empty() ? "" : value_to_file(('"' + chars + '"').c_str(), valueSize - 1).c_str());
    write_int(profile, "Quality", "CharSet", lookSettings.charSet == 1 ? 1 : 0);
    write_int(profile, "Quality", "Target", lookSettings.target == Target::board ? 1 : 0);
}

} // namespace

bool ini_path(const char *startupDir, char (&path)[pathBytes]) {
    // Without a start-up directory the name would point at the root of the current drive.
    if (startupDir[0] == '\0') {
        path[0] = '\0';
        return false;
    }
    int n = std::snprintf(path, sizeof path, "%s%s", startupDir, iniFileName);
    if (n < 0 || static_cast<size_t>(n) >= sizeof path) {
        path[0] = '\0';
        return false;
    }
    return true;
}

int32_t ini_int_parse(const char *text) {
    const char *p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    // Accumulate the magnitude in 64 bits and stop growing once it is past every 32-bit value.
    int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (magnitude <= int64_t{INT32_MAX} + 1)
            magnitude = magnitude * 10 + (*p - '0');
    int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

void ini_read_path(Settings &settings, LookSettings &lookSettings, const char *path,
                   WindowRect &rect) {
    Profile profile;
    profile_load(path, profile); // a missing file reads as empty: every destination stays
    ini_read_profile(settings, lookSettings, profile, rect);
}

void ini_read_profile(Settings &settings, LookSettings &lookSettings, const Profile &profile,
                      WindowRect &rect) {
    read_int(profile, "Forms", "Left", rect.Left);
    read_int(profile, "Forms", "Top", rect.Top);
    read_int(profile, "Forms", "Right", rect.Right);
    read_int(profile, "Forms", "Bottom", rect.Bottom);
    read_string(profile, "Path", "Open", settings.openDir, sizeof settings.openDir, pathFileLimit);
    read_string(profile, "Path", "Write", settings.saveDir, sizeof settings.saveDir, pathFileLimit);
    read_string(profile, "Font", "FaceName", settings.FaceName, sizeof settings.FaceName,
                faceFileLimit);
    read_int(profile, "Font", "Height", settings.Height);
    read_int(profile, "Configuration", "Hiritu", settings.Hiritu);
    read_int(profile, "Configuration", "Meido", settings.Meido);
    read_int(profile, "Configuration", "Mojisu", settings.Mojisu);
    read_int(profile, "Configuration", "Mode", settings.Mode);
    read_int(profile, "Print", "Msg1", settings.Msg1);
    read_int(profile, "Configuration", "Interval", settings.Interval);
    read_int(profile, "Forms", "Statusbar", settings.Statusbar);
    read_int(profile, "Forms", "Toolbar", settings.Toolbar);
    read_int(profile, "Forms", "Clientarea", settings.Clientarea);
    read_int(profile, "Forms", "Position", settings.Position);
    read_int(profile, "Forms", "Style", settings.Style);
    quality_read(profile, lookSettings);
    read_string(profile, "Interface", "Language", settings.Language, sizeof settings.Language,
                pathFileLimit);
}

void ini_read(const char *startupDir, Settings &settings, LookSettings &lookSettings,
              WindowRect &rect) {
    char path[pathBytes];
    if (ini_path(startupDir, path))
        ini_read_path(settings, lookSettings, path, rect);
}

void ini_write_path(Settings &settings, const LookSettings &lookSettings, const char *path,
                    const WindowRect &rect) {
    mojisu_raise_to_min(settings);
    Profile profile;
    if (profile_open(path, profile) == ProfileLoad::unreadable)
        return;
    write_int(profile, "Forms", "Left", rect.Left);
    write_int(profile, "Forms", "Top", rect.Top);
    write_int(profile, "Forms", "Right", rect.Right);
    write_int(profile, "Forms", "Bottom", rect.Bottom);
    write_int(profile, "Forms", "Statusbar", settings.Statusbar);
    write_int(profile, "Forms", "Toolbar", settings.Toolbar);
    write_int(profile, "Forms", "Clientarea", settings.Clientarea);
    write_int(profile, "Forms", "Position", settings.Position);
    write_int(profile, "Forms", "Style", settings.Style);
    write_string(profile, "Path", "Open", settings.openDir);
    write_string(profile, "Path", "write", settings.saveDir);
    write_string(profile, "Font", "FaceName", settings.FaceName, faceFileLimit);
    write_int(profile, "Font", "Height", settings.Height);
    write_int(profile, "Configuration", "Hiritu", settings.Hiritu);
    write_int(profile, "Configuration", "Meido", settings.Meido);
    write_int(profile, "Configuration", "Mojisu", settings.Mojisu);
    write_int(profile, "Configuration", "Mode", settings.Mode);
    write_int(profile, "Configuration", "Interval", settings.Interval);
    write_int(profile, "Print", "Msg1", settings.Msg1);
    quality_write(profile, lookSettings);
    write_string(profile, "Interface", "Language", settings.Language);
    profile_save(path, profile); // a failed write is not reported; the old file stays whole
}

void ini_write(const char *startupDir, Settings &settings, const LookSettings &lookSettings,
               const WindowRect &rect) {
    mojisu_raise_to_min(settings); // in the record even when there is no file to write
    char path[pathBytes];
    if (ini_path(startupDir, path))
        ini_write_path(settings, lookSettings, path, rect);
}

bool ini_rect_moves(const WindowRect &rect) {
    // In 64 bits: the four edges come unchecked from the file.
    int64_t width = int64_t{rect.Right} - rect.Left;
    int64_t height = int64_t{rect.Bottom} - rect.Top;
    return width + height != 0;
}

WindowSize ini_rect_size(const WindowRect &rect) {
    auto saturate = [](int64_t v) {
        return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
    };
    return {saturate(int64_t{rect.Right} - rect.Left), saturate(int64_t{rect.Bottom} - rect.Top)};
}

WindowRect ini_rect_to_write(const WindowRect &windowRect, int showCmd, int32_t maxWidth,
                             int32_t maxHeight) {
    if (showCmd == 2) // SW_SHOWMINIMIZED
        return {0, 0, 0, 0};
    if (showCmd == 3) // SW_SHOWMAXIMIZED
        return {0, 0, maxWidth, maxHeight};
    return windowRect;
}
