// vkd for terminal users: several pictures in one run, the width a terminal or a line count
// asks for, a progress line, and messages in the user's language.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

const std::string pictures = PICTURES_DIR;

// The file name without folder and extension, as -o DIR/ names its files.
std::string stem(const std::string &path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return name.substr(0, name.rfind('.'));
}

std::string joined_args(const std::vector<std::string> &args) {
    std::string s;
    for (const std::string &arg : args)
        s += arg + " ";
    return s;
}

// The characters of a coloured text without its colour escapes.
std::string without_escapes(const std::string &text) {
    std::string plain;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\x1b')
            i = text.find('m', i);
        else
            plain += text[i];
    return plain;
}

TEST(Batch, PicturesInTheOrderGivenEachAsIfAlone) {
    const std::string ba = bmp_file("batch-ba.bmp", "BA, not a picture, but long enough to hold "
                                                    "a whole header of 54 bytes");
    // Its width is lowered to 9; the next picture still starts from the width asked for.
    const std::string tall = bmp_plain("batch-tall.bmp", 20, 1536);
    const std::vector<std::string> inputs = {ba,
                                             SAMPLE_PATH,
                                             tall,
                                             work_path("batch-none.png"),
                                             pictures + "/rgba8.png",
                                             pictures + "/progressive.jpg"};
    std::string out, err;
    std::vector<Outcome> alone;
    for (const std::string &input : inputs) {
        alone.push_back(vkd({"--width", "40", input}));
        if (alone.back().code == 0)
            out += (out.empty() ? "" : "\n") + ("==> " + input + " <==\n") + alone.back().out;
        err += alone.back().err;
    }
    ASSERT_EQ(alone[2].code, 0);
    ASSERT_EQ(shape_of(alone[4].out).cols, 40);

    for (const std::vector<std::string> &jobs :
         std::vector<std::vector<std::string>>{{"-j", "1"}, {"-j2"}, {"--jobs", "5"}, {}}) {
        std::vector<std::string> args = jobs;
        args.insert(args.end(), {"--width", "40"});
        args.insert(args.end(), inputs.begin(), inputs.end());
        const Outcome run = vkd(args);
        const std::string how = jobs.empty() ? "default jobs" : jobs[0];
        EXPECT_EQ(run.code, 1) << how;
        EXPECT_EQ(run.out, out) << how;
        EXPECT_EQ(run.err, err) << how;
    }
    const Outcome good = vkd({"-j", "2", SAMPLE_PATH, pictures + "/rgba8.png"});
    EXPECT_EQ(good.code, 0) << good.err;
    EXPECT_EQ(good.out.find("==> " SAMPLE_PATH " <==\n" + expectedLf + "\n==> "), 0u);
    // A crafted name's control bytes are shown in its header line, never sent.
    const std::string crafted = work_path("batch-\x1b[2J\x9b.bmp");
    file_write(crafted, file_read(SAMPLE_PATH));
    const Outcome shown = vkd({crafted, SAMPLE_PATH});
    EXPECT_EQ(shown.out.find("==> " + work_path("batch-\\x1b[2J\\x9b.bmp") + " <==\n"), 0u);

    // Into a folder: one file a picture, none for a refused one, the same messages.
    const std::string folder = work_path("batch-out/");
    mkdir(folder.c_str(), 0700);
    std::vector<std::string> args = {"-j", "3", "--width", "40", "-o", folder};
    args.insert(args.end(), inputs.begin(), inputs.end());
    const Outcome toFolder = vkd(args);
    EXPECT_EQ(toFolder.code, 1);
    EXPECT_EQ(toFolder.out, "");
    EXPECT_EQ(toFolder.err, err);
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::string path = folder + stem(inputs[i]) + ".txt";
        EXPECT_EQ(file_read(path), alone[i].out) << path;
        EXPECT_EQ(access(path.c_str(), F_OK) == 0, alone[i].code == 0) << path;
    }
}

// Many pictures on four threads, every look, some refused: the same bytes as one at a time.
TEST(Batch, FourJobsGiveTheBytesOfOne) {
    const char *names[] = {"baseline.jpg",     "progressive.jpg", "rgba8.png",
                           "grey8.png",        "plain.gif",       "interlaced.gif",
                           "cmyk.jpg",         "palette4.png",    "rgb16.png",
                           "orientation6.jpg", "transparent.gif", "claims-10000x10000.png"};
    for (const char *look : {"standard", "photo", "shape"}) {
        std::vector<std::string> args = {"--look", look, "--width", "50"};
        for (int k = 0; k < 4; ++k)
            for (const char *name : names)
                args.push_back(pictures + "/" + name);
        args.push_back(SAMPLE_PATH);
        std::vector<std::string> one = {"-j", "1"}, four = {"-j", "4"};
        one.insert(one.end(), args.begin(), args.end());
        four.insert(four.end(), args.begin(), args.end());
        const Outcome a = vkd(one), b = vkd(four);
        EXPECT_EQ(a.code, 1) << look; // cmyk.jpg and the claimed size are refused
        EXPECT_EQ(b.code, a.code) << look;
        EXPECT_EQ(b.out, a.out) << look;
        EXPECT_EQ(b.err, a.err) << look;
    }
}

// --height: the widest width whose text has at most that many lines, below any width given.
TEST(Batch, HeightPicksTheWidestWidthThatFits) {
    const std::string narrow = work_path("height-narrow.ini");
    file_write(narrow, "[Configuration]\r\nMojisu=5\r\nHiritu=100\r\n");
    const std::string over = "vkd: " SAMPLE_PATH ": 7 lines, more than --height 6 allows (the "
                             "narrowest width, 20 characters per line, is used)\n";
    struct Case {
        std::vector<std::string> args;
        int cols, rows;
        std::string err;
    } cases[] = {
        // The sample is 200 x 150: 101 columns give 75 pixels and 37 lines, 102 give 38.
        {{"--height", "37"}, 101, 37, ""},
        {{"--height", "37", "--width", "90"}, 90, 33, ""},
        {{"--height", "1000"}, 220, 82, ""},
        {{"--height", "7"}, 21, 7, ""},
        {{"--height", "6"}, 20, 7, over},
        {{"--ini", narrow, "--height", "30"}, 20, 15, ""},
        {{"--mode", "original", "--height", "150"}, 200, 150, ""},
        // A board's lines are 18 pixels of a picture 8 pixels a column wide (its characters
        // per line vary: cols -1, not compared).
        {{"--height", "37", "--target", "board", "--look", "trace"}, -1, 37, ""},
        {{"--height", "5", "--target", "board", "--look", "shape"},
         -1,
         6,
         "vkd: " SAMPLE_PATH ": 6 lines, more than --height 5 allows (the narrowest width, 20 "
         "characters per line, is used)\n"},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(SAMPLE_PATH);
        const Outcome run = vkd(args, "/dev/null", "", english);
        const Shape shape = shape_of(run.out);
        EXPECT_EQ(run.code, 0) << c.args[1] << " " << run.err;
        if (c.cols >= 0) {
            EXPECT_EQ(shape.cols, c.cols) << c.args[1];
        }
        EXPECT_EQ(shape.rows, c.rows) << c.args[1];
        EXPECT_EQ(run.err, c.err) << c.args[1];
    }
}

// --max-bytes: the output fits its budget and one column more would not; a budget that not
// even the narrowest text fits is refused with nothing written.
TEST(Batch, MaxBytesFitsAndOneColumnMoreWouldNot) {
    struct Case {
        std::vector<std::string> args;
        int budget;
        std::string err; // a refusal's message
    } cases[] = {
        {{}, 100000, ""},
        {{}, 2000, ""},
        {{"--crlf"}, 2000, ""},
        {{"--look", "photo"}, 999, ""},
        {{"--color"}, 30000, ""},
        {{"--height", "20"}, 1500, ""},
        {{"--width", "40"}, 200, ""},
        {{}, 147, ""}, // 20 columns, 7 lines, LF
        {{"--crlf"},
         153,
         "154 bytes at 20 characters per line, more than --max-bytes 153 "
         "allows; nothing is written"},
        // A board's lines are laid out in pixels: its columns are the width asked for.
        {{"--target", "board", "--look", "shape", "--encoding", "cp932"}, 900, ""},
        {{"--target", "board", "--look", "trace"}, 400, ""},
        {{"--mode", "original"}, 30199, ""}, // 200 x 150, one column a pixel, LF
        {{"--mode", "original"},
         30149,
         "30150 bytes at 200 characters per line, more than "
         "--max-bytes 30149 allows; nothing is written"},
    };
    for (const Case &c : cases) {
        const std::string how = joined_args(c.args) + " " + std::to_string(c.budget);
        const std::string file = work_path("budget.txt");
        std::remove(file.c_str());
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--max-bytes", std::to_string(c.budget), "-o", file, SAMPLE_PATH});
        const Outcome run = vkd(args, "/dev/null", "", english);
        if (!c.err.empty()) {
            EXPECT_EQ(run.code, 1) << how;
            EXPECT_EQ(run.err, "vkd: " SAMPLE_PATH ": " + c.err + "\n") << how;
            EXPECT_NE(access(file.c_str(), F_OK), 0) << how;
            continue;
        }
        const std::string text = file_read(file);
        EXPECT_EQ(run.code, 0) << how << " " << run.err;
        EXPECT_LE(text.size(), size_t(c.budget)) << how;
        if (std::find(c.args.begin(), c.args.end(), "board") != c.args.end()) {
            // The width is the first that gives the same text; the one after it is over.
            std::vector<std::string> at = c.args;
            at.insert(at.end(), {"--width", "", SAMPLE_PATH});
            std::string &width = at[at.size() - 2];
            int w = 20;
            for (; w < 220 && (width = std::to_string(w), vkd(at).out != text); ++w) {
            }
            width = std::to_string(w + 1);
            EXPECT_GT(vkd(at).out.size(), size_t(c.budget)) << how << " at " << w;
            continue;
        }
        const int cols = shape_of(without_escapes(without_cr(text))).cols;
        if (std::find(c.args.begin(), c.args.end(), "original") != c.args.end() ||
            cols == (c.args.size() > 1 && c.args[0] == "--width" ? 40 : 220))
            continue;
        // The same without the budget at one column more: over it, or more lines than asked.
        std::vector<std::string> wider = c.args;
        if (!wider.empty() && (wider[0] == "--width" || wider[0] == "--height"))
            wider.erase(wider.begin(), wider.begin() + 2);
        wider.insert(wider.end(), {"--width", std::to_string(cols + 1), SAMPLE_PATH});
        const Outcome more = vkd(wider);
        const bool tooTall = c.args.size() > 1 && c.args[0] == "--height" &&
                             shape_of(more.out).rows > std::stoi(c.args[1]);
        EXPECT_TRUE(more.out.size() > size_t(c.budget) || tooTall)
            << how << ": " << cols + 1 << " columns give " << more.out.size() << " bytes";
    }
}

// On a terminal the text is as wide as the terminal unless a width is given or it goes to a
// file; a progress line shows on a terminal's standard error for more than a few pictures.
TEST(Batch, TerminalsWidthAndProgress) {
    const std::string narrow = work_path("terminal-narrow.ini");
    file_write(narrow, "[Configuration]\r\nMojisu=30\r\n");
    const std::string file = work_path("terminal.txt");
    struct Case {
        int columns;
        std::vector<std::string> args;
        int cols;
    } cases[] = {
        {57, {}, 57},
        {300, {}, 220},
        {10, {}, 20},
        {57, {"--width", "30"}, 30},
        {57, {"--ini", narrow}, 30},
        {57, {"--height", "20"}, 55},
        {57, {"-o", file}, 100},
    };
    for (const Case &c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(SAMPLE_PATH);
        const Outcome run = vkd_on_terminal(args, c.columns, true, true);
        const Shape shape =
            shape_of(c.args.size() > 1 && c.args[0] == "-o" ? file_read(file) : run.out);
        EXPECT_EQ(run.code, 0) << c.columns << " " << run.out;
        EXPECT_TRUE(shape.wellFormed) << c.columns;
        EXPECT_EQ(shape.cols, c.cols) << c.columns << (c.args.empty() ? "" : " " + c.args[0]);
    }
    // Not a terminal: the default width.
    EXPECT_EQ(vkd({SAMPLE_PATH}).out, expectedLf);

    // Each count drawn over the last, cleared before a message and at the end.
    const std::string missing = work_path("progress-none.png");
    std::vector<std::string> six(6, SAMPLE_PATH);
    six[2] = missing;
    std::string shown;
    for (int done = 1; done <= 5; ++done) {
        if (done == 3)
            shown += "vkd: " + missing +
                     ": The file could not be opened. (No such file or "
                     "directory)\n";
        shown +=
            "\rvkd: " + std::to_string(done) + " of 6 pictures\r" + std::string(20, ' ') + "\r";
    }
    for (const char *jobs : {"1", "2"}) {
        std::vector<std::string> args = {"-j", jobs};
        args.insert(args.end(), six.begin(), six.end());
        const Outcome run = vkd_on_terminal(args, 80, false, true);
        EXPECT_EQ(run.code, 1) << jobs;
        EXPECT_EQ(run.err, shown) << jobs;
        EXPECT_EQ(run.out.find("==> " SAMPLE_PATH " <==\n" + expectedLf), 0u) << jobs;
    }
    six.pop_back(); // a few: no progress
    const Outcome few = vkd_on_terminal(six, 80, false, true);
    EXPECT_EQ(few.err, "vkd: " + missing +
                           ": The file could not be opened. (No such file or "
                           "directory)\n");
}

} // namespace
