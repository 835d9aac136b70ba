// Names as vkd shows them and as the file system knows them: what a terminal may be given of a
// name, which two output names are one file, and which paths are one file however spelt.
#pragma once
#include <string>
#include <vector>

// text with every control byte written as \xNN (two lower-case hex digits), so that a name or a
// value given on the command line reaches a terminal as visible characters and never as a
// command to it: C0 (0x00-0x1F), DEL (0x7F), and C1 both as UTF-8 (U+0080-U+009F, the bytes C2
// 80-C2 9F become \xc2\x80-\xc2\x9f) and as raw bytes 0x80-0x9F outside a whole UTF-8
// character (a name that is not UTF-8; an 8-bit terminal would read them as C1). Everything
// else, the backslash and every other character, is kept as it is; "" stays "".
std::string terminal_shown(const std::string &text);

// Orders output names as the file system compares them: on Windows ordinally with case
// ignored (CompareStringOrdinal, so out/Ä.txt and out/ä.txt are one file), elsewhere byte by
// byte. Negative, 0 (one file) or positive.
int output_names_compare(const std::string &a, const std::string &b);

// What a path is on its volume: two paths name one file when both exist and their identities
// are equal (Linux: device and inode; Windows: volume serial number and file index), whatever
// links, "./" or spelling lead there.
struct FileIdentity {
    bool exists = false, folder = false;
    unsigned long long volume = 0, index = 0;
};
FileIdentity file_identity(const std::string &path);

// The identity of the file standard input reads, when it is a file (vkd -o a.png - < a.png).
FileIdentity stdin_identity();

bool file_identity_same(const FileIdentity &a, const FileIdentity &b);
