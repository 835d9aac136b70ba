// The platform's own profile functions and the engine run the same reads and writes on copies
// of the same files and must agree on every value read and every byte written. Where the
// platform differs from the file format the program defines, the row says so and states what
// the engine must do instead.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/conversion/settings.h"
#include "settings_file/ini.h"
#include "settings_file/profile.h"
#include "temp_folder.h"
#include "window/document_state.h"

namespace {

struct Op {
    bool write;
    std::string section, key, value; // value: written, or the engine's expected read
};

Op read(const std::string &section, const std::string &key, const std::string &engine = "") {
    return {false, section, key, engine};
}
Op write(const std::string &section, const std::string &key, const std::string &value) {
    return {true, section, key, value};
}

struct Row {
    const char *name;
    std::optional<std::string> file; // none: no file at the start
    std::vector<Op> ops;
    // Empty: the platform must agree with the engine. Otherwise what the platform does instead;
    // the engine must then read the values given in the read ops and end with engineBytes.
    const char *platformDiffers = "";
    std::string engineBytes = "";
};

struct Outcome {
    std::vector<std::string> reads;
    std::string bytes;
};

// Bytes above 0x7F as \xNN, so two-byte characters show the same on every console.
std::string escaped(const std::string &bytes) {
    std::string out;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
            continue;
        }
        const char digits[] = "0123456789ABCDEF";
        out += std::string("\\x") + digits[byte >> 4] + digits[byte & 15];
    }
    return out;
}

std::string outcome_text(const Outcome &o) {
    std::string text;
    for (const auto &r : o.reads)
        text += "read [" + escaped(r) + "] (" + std::to_string(r.size()) + ")\n";
    return text + "file:\n" + visible(escaped(o.bytes));
}

Outcome run_platform(const Row &row, const std::string &path) {
    Outcome outcome;
    for (const auto &op : row.ops) {
        if (op.write) {
            WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(),
                                       path.c_str());
        } else {
            char value[260];
            DWORD length = GetPrivateProfileStringA(op.section.c_str(), op.key.c_str(), nullptr,
                                                    value, sizeof value, path.c_str());
            outcome.reads.push_back(std::string(value, length));
        }
    }
    outcome.bytes = file_get(path);
    return outcome;
}

// One load and, for a write, one save per call, as each platform call touches the file.
Outcome run_engine(const Row &row, const std::string &path) {
    Outcome outcome;
    for (const auto &op : row.ops) {
        Profile profile;
        profile_load(path.c_str(), profile);
        if (op.write) {
            profile_set(profile, op.section.c_str(), op.key.c_str(), op.value.c_str());
            profile_save(path.c_str(), profile);
        } else {
            char value[260];
            size_t length =
                profile_get(profile, op.section.c_str(), op.key.c_str(), value, sizeof value);
            outcome.reads.push_back(std::string(value, length));
        }
    }
    outcome.bytes = file_get(path);
    return outcome;
}

std::string repeat(const std::string &unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

const std::string nihon = "\x93\xFA\x96\x7B"; // two characters, the second with trail 0x7B
const std::string so = "\x83\x5C";            // trail byte is a backslash
const std::string bracketTrail = "\x83\x5D";  // trail byte is "]"
const std::string hiragana = "\x82\xA0";

const std::vector<Row> &rows() {
    static const std::vector<Row> table = {
        {"new file",
         std::nullopt,
         {read("A", "k"), write("A", "k", "1"), write("A", "j", "2"), write("B", "x", ""),
          write("A", "k", "3"), read("A", "k"), read("B", "x"), read("b", "J")}},
        {"no final line end", "[A]\r\nk=1", {read("A", "k"), write("A", "j", "2"), read("A", "j")}},
        {"LF line ends", "[A]\nk=1\n", {read("A", "k"), write("A", "k", "2")}},
        {"comment lines",
         "; about\r\n[A]\r\n;k=0\r\nk=1\r\n",
         {read("A", "k"), read("A", ";k"), write("A", "k", "2")}},
        {"keys before any section",
         "k=0\r\n[A]\r\nk=1\r\n",
         {read("A", "k"), write("A", "k", "2"), write("A", "j", "3")}},
        {"duplicate sections",
         "[A]\r\nk=1\r\n[B]\r\nx=1\r\n[A]\r\nk=2\r\nj=3\r\n",
         {read("A", "k"), read("A", "j"), write("A", "k", "4"), write("A", "j", "5")}},
        {"duplicate keys", "[A]\r\nk=1\r\nK=2\r\n", {read("A", "k"), write("A", "K", "3")}},
        {"blanks inside brackets", "[ A ]\r\nk=1\r\n", {read("A", "k"), read(" A ", " k")}},
        {"lower-case names",
         "[path]\r\nopen=x\r\n",
         {read("Path", "Open"), read("PATH", "OPEN"), write("Path", "Open", "y")}},
        {"existing Write entry",
         "[Path]\r\nOpen=a\r\nWrite=C:\\old\r\n",
         {read("Path", "Write"), write("Path", "write", "C:\\new"), read("Path", "Write")}},
        {"very long value",
         "[A]\r\nk=" + std::string(300, 'v') + "\r\n",
         {read("A", "k"), write("A", "j", std::string(280, 'w')), read("A", "j")}},
        {"code page 932 text",
         "[" + nihon + "]\r\n" + so + "=" + nihon + "\r\n[" + bracketTrail + "]\r\nk=" + so +
             "\r\n",
         {read(nihon, so), read(bracketTrail, "k"), write(nihon, so, so + "\\" + so),
          write(bracketTrail, nihon, hiragana), read(nihon, so)}},
        {"ideographic space around a value", "[A]\r\nk=\x81\x40v\x81\x40\r\n", {read("A", "k")}},
        {"full-width letters are not folded", "[A]\r\n\x82\x60=1\r\n", {read("A", "\x82\x81")}},
        {"empty values",
         "[A]\r\nk=\r\n",
         {read("A", "k"), write("A", "k", ""), write("A", "j", ""), read("A", "j")}},
        {"empty key name", "[A]\r\n=1\r\nk=2\r\n", {read("A", "k"), write("A", "j", "3")}},
        {"the settings of a close",
         std::nullopt,
         {write("Forms", "Left", "10"), write("Forms", "Top", "20"), write("Forms", "Right", "810"),
          write("Forms", "Bottom", "620"), write("Forms", "Statusbar", "1"),
          write("Forms", "Toolbar", "1"), write("Forms", "Clientarea", "1"),
          write("Forms", "Position", "1"), write("Forms", "Style", "1"), write("Path", "Open", ""),
          write("Path", "write", ""), write("Font", "FaceName", ""), write("Font", "Height", "0"),
          write("Configuration", "Hiritu", "50"), write("Configuration", "Meido", "50"),
          write("Configuration", "Mojisu", "100"), write("Configuration", "Mode", "1"),
          write("Configuration", "Interval", "5"), write("Print", "Msg1", "0")}},

        // Expected differences: the platform rewrites every line of the file in its own layout.
        {"blank lines",
         "[A]\r\nk=1\r\n\r\n[B]\r\nx=1\r\n",
         {read("A", "k", "1"), read("B", "x", "1"), write("A", "k", "5")},
         "blank lines dropped",
         "[A]\r\nk=5\r\n\r\n[B]\r\nx=1\r\n"},
        {"new key before a blank line",
         "[A]\r\nk=1\r\n\r\n[B]\r\nx=1\r\n",
         {write("A", "j", "2"), write("B", "y", "3")},
         "blank lines dropped",
         "[A]\r\nk=1\r\nj=2\r\n\r\n[B]\r\nx=1\r\ny=3\r\n"},
        {"blanks around =",
         "[A]\r\nk = 1 \r\n",
         {read("A", "k", "1"), write("A", "j", "2")},
         "untouched entries rewritten as key=value",
         "[A]\r\nk = 1 \r\nj=2\r\n"},
        {"indented lines",
         "  [A]\r\n\tk=1\r\n",
         {read("A", "k", "1"), write("A", "j", "2")},
         "indentation of untouched lines dropped",
         "  [A]\r\n\tk=1\r\nj=2\r\n"},
        {"text after the bracket",
         "[A] ; first\r\nk=1\r\n",
         {read("A", "k", "1"), write("A", "k", "2")},
         "text after a section's bracket dropped",
         "[A] ; first\r\nk=2\r\n"},
        // Expected differences in what is read or which line is written.
        {"quotes around a value",
         "[A]\r\nk=\"q r\"\r\nj='s'\r\n",
         {read("A", "k", "\"q r\""), read("A", "j", "'s'")},
         "a pair of quotes around a value removed",
         "[A]\r\nk=\"q r\"\r\nj='s'\r\n"},
        {"long code page 932 value",
         "[A]\r\nk=" + repeat(hiragana, 140) + "\r\n",
         {read("A", "k", repeat(hiragana, 129))},
         "cut inside a two-byte character; the 259th byte is whatever the buffer held",
         "[A]\r\nk=" + repeat(hiragana, 140) + "\r\n"},
        {"line without =",
         "[A]\r\nk\r\n",
         {read("A", "k", ""), write("A", "k", "2")},
         "a line without = taken as the key and replaced",
         "[A]\r\nk\r\nk=2\r\n"},
        {"lone CR",
         "[A]\rk=1\r\n",
         {read("A", "k", "")},
         "a lone CR taken as a line end",
         "[A]\rk=1\r\n"},
        {"line break in a written value",
         "[A]\r\n",
         {write("A", "k", "a\r\nb=c"), read("A", "b", "")},
         "a line break written into the file, forging an entry",
         "[A]\r\nk=a\r\n"},
    };
    return table;
}

TEST(PlatformProfile, SameReadsAndSameBytes) {
    TempFolder folder;
    int n = 0;
    for (const auto &row : rows()) {
        // Fresh names for every row: the platform may cache a file it has seen.
        std::string platformPath = folder.file(("p" + std::to_string(n) + ".ini").c_str());
        std::string enginePath = folder.file(("e" + std::to_string(n) + ".ini").c_str());
        ++n;
        if (row.file) {
            file_put(platformPath, *row.file);
            file_put(enginePath, *row.file);
        }
        Outcome platform = run_platform(row, platformPath);
        Outcome engine = run_engine(row, enginePath);
        std::string picture = std::string(row.name) + "\n--- platform:\n" + outcome_text(platform) +
                              "--- engine:\n" + outcome_text(engine);
        if (row.platformDiffers[0] == '\0') {
            EXPECT_EQ(platform.reads, engine.reads) << picture;
            EXPECT_EQ(platform.bytes, engine.bytes) << picture;
            continue;
        }
        std::vector<std::string> expectedReads;
        for (const auto &op : row.ops)
            if (!op.write)
                expectedReads.push_back(op.value);
        EXPECT_EQ(engine.reads, expectedReads) << picture;
        EXPECT_EQ(visible(engine.bytes), visible(row.engineBytes)) << picture;
        // If the platform ever agrees, the row should become an ordinary one.
        EXPECT_TRUE(platform.reads != engine.reads || platform.bytes != engine.bytes)
            << "the platform now agrees: " << row.platformDiffers << "\n"
            << picture;
    }
}

// The close writes every entry in memory and saves once; the file must be the one the platform
// makes with one call per entry.
TEST(PlatformProfile, CloseWritesTheSameFileAsOneCallPerEntry) {
    const std::vector<std::string> files = {
        "",
        "[Configuration]\r\nMojisu=150\r\n[Other]\r\nx=y\r\n",
        "[Path]\r\nWrite=C:\\old\r\n[forms]\r\nleft=3\r\n",
    };
    TempFolder folder;
    int n = 0;
    for (const auto &file : files) {
        std::string platformPath = folder.file(("cp" + std::to_string(n) + ".ini").c_str());
        std::string enginePath = folder.file(("ce" + std::to_string(n) + ".ini").c_str());
        ++n;
        if (!file.empty()) {
            file_put(platformPath, file);
            file_put(enginePath, file);
        }
        settings = Settings{};
        settings_defaults(settings);
        settings.Mojisu = 7;
        // UTF-8 in memory, CP932 in the file.
        std::strcpy(settings.openDir, "C:\\ソ\\in");
        std::strcpy(settings.saveDir, "D:\\out");
        std::strcpy(settings.FaceName, "ＭＳ ゴシック");
        ini_write_path(settings, lookSettings, enginePath.c_str(), {-8, -8, 1288, 1008});

        const std::string entries[][3] = {
            {"Forms", "Left", "-8"},
            {"Forms", "Top", "-8"},
            {"Forms", "Right", "1288"},
            {"Forms", "Bottom", "1008"},
            {"Forms", "Statusbar", "1"},
            {"Forms", "Toolbar", "1"},
            {"Forms", "Clientarea", "1"},
            {"Forms", "Position", "1"},
            {"Forms", "Style", "1"},
            {"Path", "Open", "C:\\" + so + "\\in"},
            {"Path", "write", settings.saveDir},
            {"Font", "FaceName", "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E"},
            {"Font", "Height", "0"},
            {"Configuration", "Hiritu", "50"},
            {"Configuration", "Meido", "50"},
            {"Configuration", "Mojisu", "20"},
            {"Configuration", "Mode", "1"},
            {"Configuration", "Interval", "5"},
            {"Print", "Msg1", "0"},
            {"Quality", "Look", "0"},
            {"Quality", "Dither", "0"},
            {"Quality", "Chars", ""},
            {"Quality", "CharSet", "0"},
            {"Quality", "Target", "0"},
            {"Interface", "Language", ""},
        };
        for (const auto &e : entries)
            WritePrivateProfileStringA(e[0].c_str(), e[1].c_str(), e[2].c_str(),
                                       platformPath.c_str());
        EXPECT_EQ(settings.Mojisu, 20);
        EXPECT_EQ(visible(file_get(enginePath)), visible(file_get(platformPath))) << "from:\n"
                                                                                  << visible(file);
    }
}

} // namespace
#endif
