// Running the built vkd as a user does (a real process, real files, a terminal when asked), and
// the pictures and files the tests give it. Everything is made in one temporary folder of the
// test run's own.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Outcome {
    int code = -1;
    std::string out, err;
};

std::string file_read(const std::string &path);
void file_write(const std::string &path, const std::string &bytes);

// The run's folder, removed at exit, and a path in it.
const std::string &work_dir();
std::string work_path(const std::string &name);

// Locale variables for vkd's messages: Japanese as the window speaks (the default of every run),
// or English.
extern const std::vector<std::string> japanese, english;

// Runs vkd with args. Standard output goes to a file (or to stdoutPath, e.g. a full device) so
// nothing can block on a pipe; LC_ALL, LC_MESSAGES and LANG are replaced by env.
Outcome vkd(const std::vector<std::string> &args, const std::string &stdinPath = "/dev/null",
            const std::string &stdoutPath = "", const std::vector<std::string> &env = japanese);

// Runs vkd with standard output, standard error or both on a terminal (a pseudo-terminal of
// that many columns, passing bytes as they are), in English. Each stream's bytes are in its
// field, a file's or the terminal's; with both on the terminal, all it showed is in out.
Outcome vkd_on_terminal(const std::vector<std::string> &args, int columns, bool outThere,
                        bool errThere);

using Pixel = std::array<uint8_t, 3>; // r, g, b

// A 24-bit BMP; pixel(x, y) with y = 0 the top row.
std::string bmp_bytes(int32_t w, int32_t h, const std::function<Pixel(int, int)> &pixel,
                      bool topDown = false);

// Only the 54 header bytes: enough for every refusal that the size limits make.
std::string bmp_header_only(int32_t w, int32_t h);

// A pixel whose R + G + B is sum.
Pixel of_sum(int sum);

// Files in the run's folder: given bytes, or a plain picture of that size.
std::string bmp_file(const std::string &name, const std::string &bytes);
std::string bmp_plain(const std::string &name, int32_t w, int32_t h);

struct Shape {
    int cols = -1, rows = 0;
    bool wellFormed = true; // every line the same length and ended by LF, the default
};
Shape shape_of(const std::string &text);

std::string without_cr(std::string s);

// The sample's text picture at the defaults as the window makes it (CR LF), and as vkd prints
// it on Linux (LF).
extern const std::string expected, expectedLf;
