// vkd.ini: the settings read at start-up and written at close.
//
// The file is code page 932, as it always was, while the strings in memory (the two folders, the
// face name, the language) are UTF-8. A string is written in CP932 whenever every character has a
// code there, so a file is what the program has always written and still reads in any version
// before this one. A string CP932 cannot hold (a folder named in Korean, say), or not in the
// bytes read back of it (259 of a folder, 99 of the face: a long Japanese folder), is written as the
// mark "utf8:" followed by its UTF-8 bytes: read back unchanged here, and to a version before
// this one an unknown folder or face (no folder or face name can begin so), which it passes
// over. A value that itself begins with the mark is written marked too, so it reads back as it
// was. A value without the mark is CP932 and is read as such.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/common/document.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"

constexpr char utf8Mark[] = "utf8:";

struct WindowRect {
    int32_t Left, Top, Right, Bottom;
};

// Start-up directory, a backslash and "vkd.ini". False when it does not fit in pathBytes;
// then the settings file is neither read nor written.
bool ini_path(const char *startupDir, char (&path)[pathBytes]);

// Reads the nineteen entries in their fixed order into settings and rect (rect zeroed by the
// caller), then [Quality]'s Look, Dither, CharSet, Target and Chars into lookSettings, then
// [Interface]'s Language into settings.Language. Missing keys and empty values keep what the destination
// held (a file without [Quality] leaves the standard look of a fresh start; one without
// [Interface] the automatic language); integers as atoi. A CP932 folder is taken up to 259
// bytes and a face up to 99, as always.
void ini_read(const char *startupDir, Settings &settings, LookSettings &lookSettings,
              WindowRect &rect);

// Writes the nineteen entries in their fixed order, rect as given (see ini_rect_to_write), then
// [Quality] and [Interface] after the five older sections; raises Mojisu to 20 first. Failures
// are not reported.
void ini_write(const char *startupDir, Settings &settings, const LookSettings &lookSettings,
               const WindowRect &rect);

// Whether a stored rectangle moves the window: (Right - Left) + (Bottom - Top) != 0.
bool ini_rect_moves(const WindowRect &rect);

// Right - Left and Bottom - Top for moving the window. The edges come unchecked from the file,
// so a difference beyond 32 bits saturates at INT32_MIN / INT32_MAX instead of wrapping.
struct WindowSize {
    int32_t width, height;
};
WindowSize ini_rect_size(const WindowRect &rect);

// The rectangle to store: minimised (showCmd 2) gives 0,0,0,0; maximised (3) gives
// 0,0,maxWidth,maxHeight; otherwise the window rectangle.
WindowRect ini_rect_to_write(const WindowRect &windowRect, int showCmd, int32_t maxWidth,
                             int32_t maxHeight);

// ini_read from an explicit path (the command-line converter's --ini FILE).
void ini_read_path(Settings &settings, LookSettings &lookSettings, const char *path,
                   WindowRect &rect);

// The same from a profile already loaded, for a caller that reports a file it cannot read.
struct Profile;
void ini_read_profile(Settings &settings, LookSettings &lookSettings, const Profile &profile,
                      WindowRect &rect);

// ini_write to an explicit path. An existing file that cannot be read is left alone rather than
// replaced by one that lacks its other sections.
void ini_write_path(Settings &settings, const LookSettings &lookSettings, const char *path,
                    const WindowRect &rect);

// An integer entry as atoi reads it: leading white space, an optional sign, then digits up to
// the first other character; no digits gives 0. Values beyond 32 bits saturate at
// INT32_MIN / INT32_MAX.
int32_t ini_int_parse(const char *text);
