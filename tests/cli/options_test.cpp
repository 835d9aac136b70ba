// vkd's command line as parsed, without starting the program: the rules for several pictures,
// where their files go, jobs, heights and line ends. (Each option's own range and wording is
// checked end to end in cli_test.cpp.)
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/vkd_budget.h"
#include "cli/vkd_names.h"
#include "cli/vkd_options.h"

namespace {

std::string joined(const std::vector<std::string> &list) {
    std::string s;
    for (const std::string &item : list)
        s += "[" + item + "]";
    return s;
}

TEST(Options, SeveralPicturesAndWhereTheyGo) {
    struct Case {
        std::vector<std::string> args;
        std::string error; // "" when accepted
        std::string inputs;
        bool folder;
        OutputFormat format;
    } cases[] = {
        {{"a.png", "--width", "30", "b.jpg", "-", "--", "-c"},
         "",
         "[a.png][b.jpg][-][-c]",
         false,
         OutputFormat::text},
        {{"a.png", "-o", "-", "b.png"}, "", "[a.png][b.png]", false, OutputFormat::text},
        {{"a.png", "-o", "out/", "b.png"}, "", "[a.png][b.png]", true, OutputFormat::text},
        {{"-o", "out/", "--format", "html", "a.png"}, "", "[a.png]", true, OutputFormat::html},
        {{"-o", "out/x.png/", "a.png"}, "", "[a.png]", true, OutputFormat::text},
        {{"-", "-"}, "standard input ('-') given more than once", "", false, OutputFormat::text},
        {{"a.png", "b.png", "-o", "all.txt"},
         "with several pictures, -o names a folder: end it with / ('all.txt/')",
         "",
         false,
         OutputFormat::text},
        {{"a.png", "b.png", "--format", "png"},
         "several pictures go to standard output only as text; write images and pages with "
         "-o DIR/",
         "",
         false,
         OutputFormat::text},
        {{"-o", "out/", "-"},
         "standard input has no name to write under in out/; give it -o FILE on its own",
         "",
         false,
         OutputFormat::text},
        {{"x/a.png", "-o", "out/", "y/a.jpg"},
         "two pictures would both be written to 'out/a.txt'",
         "",
         false,
         OutputFormat::text},
        // Two files to Linux; one to Windows, which vkd.exe's own check proves under Wine.
        {{"-o", "out/", "a/\xc3\x84.png", "b/\xc3\xa4.png"},
         "",
         "[a/\xc3\x84.png][b/\xc3\xa4.png]",
         true,
         OutputFormat::text},
        {{"-o", "out/", "--color", "--format", "png", "a.png"},
         "--color colours text and HTML; a PNG image is black on white",
         "",
         false,
         OutputFormat::text},
    };
    for (const Case &c : cases) {
        CliOptions opts;
        std::string error;
        const ParseOutcome outcome = cli_parse(c.args, opts, error);
        EXPECT_EQ(error, c.error) << joined(c.args);
        EXPECT_EQ(outcome, c.error.empty() ? ParseOutcome::run : ParseOutcome::usage);
        if (outcome != ParseOutcome::run)
            continue;
        EXPECT_EQ(joined(opts.inputs), c.inputs) << joined(c.args);
        EXPECT_EQ(opts.outputFolder, c.folder) << joined(c.args);
        EXPECT_EQ(opts.format, c.format) << joined(c.args);
    }

    struct Named {
        const char *input;
        OutputFormat format;
        const char *path;
    } names[] = {
        {"photos/cat.jpg", OutputFormat::text, "out/cat.txt"},
        {"cat.tar.gz", OutputFormat::png, "out/cat.tar.png"},
        {"noext", OutputFormat::html, "out/noext.html"},
        {".hidden", OutputFormat::text, "out/.hidden.txt"},
    };
    for (const Named &n : names)
        EXPECT_EQ(output_path_in_folder("out/", n.input, n.format), n.path) << n.input;
}

TEST(Options, JobsHeightAndLineEnds) {
    struct Case {
        std::vector<std::string> args;
        std::optional<int32_t> jobs, height;
        std::optional<LineEnd> lineEnd;
        std::string error;
    } cases[] = {
        {{"-j", "3", "a"}, 3, {}, {}, ""},
        {{"-j4", "a"}, 4, {}, {}, ""},
        {{"--jobs=64", "a"}, 64, {}, {}, ""},
        {{"-j", "0", "a"}, {}, {}, {}, "--jobs must be a whole number from 1 to 64, not '0'"},
        {{"-j65", "a"}, {}, {}, {}, "--jobs must be a whole number from 1 to 64, not '65'"},
        {{"a", "-j"}, {}, {}, {}, "option --jobs needs a value"},
        {{"--height", "1", "a"}, {}, 1, {}, ""},
        {{"--height=9999", "a"}, {}, 9999, {}, ""},
        {{"--height", "0", "a"},
         {},
         {},
         {},
         "--height must be a whole number from 1 to 9999, not '0'"},
        {{"--crlf", "a"}, {}, {}, LineEnd::crlf, ""},
        {{"--crlf", "a", "--lf"}, {}, {}, LineEnd::lf, ""},
        {{"--lf", "--crlf", "a"}, {}, {}, LineEnd::crlf, ""},
        {{"--crlf=1", "a"}, {}, {}, {}, "option --crlf takes no value"},
    };
    for (const Case &c : cases) {
        CliOptions opts;
        std::string error;
        cli_parse(c.args, opts, error);
        EXPECT_EQ(error, c.error) << joined(c.args);
        if (!c.error.empty())
            continue;
        EXPECT_EQ(opts.jobs, c.jobs) << joined(c.args);
        EXPECT_EQ(opts.height, c.height) << joined(c.args);
        EXPECT_EQ(opts.lineEnd, c.lineEnd) << joined(c.args);
    }
}

// --max-bytes: a width that fits with the one above it over, whatever the bytes do between.
TEST(Options, BudgetKeepsTheColumnAboveOver) {
    struct Case {
        const char *name;
        int32_t narrowest, widest;
        std::vector<int64_t> bytes; // at narrowest, narrowest + 1, ...
        int64_t budget;
        int32_t width;
        bool fits;
    } cases[] = {
        {"widest fits", 20, 24, {10, 20, 30, 40, 50}, 50, 24, true},
        {"growing", 20, 24, {10, 20, 30, 40, 50}, 35, 22, true},
        {"exactly at a width", 20, 24, {10, 20, 30, 40, 50}, 30, 22, true},
        {"narrowest only", 20, 24, {10, 20, 30, 40, 50}, 15, 20, true},
        {"none", 20, 24, {10, 20, 30, 40, 50}, 9, 20, false},
        {"one width over", 30, 30, {31}, 30, 30, false},
        {"one width in", 30, 30, {30}, 30, 30, true},
        {"narrowest above widest", 20, 9, {100}, 50, 9, false},
        // 24 fits too, past a bump at 23: 22 is kept, its column above measured over.
        {"bump above", 20, 26, {10, 20, 30, 45, 35, 60, 70}, 40, 22, true},
        {"cannot be made", 20, 24, {10, 20, -1, -1, -1}, 99, 21, true},
    };
    for (const Case &c : cases) {
        std::vector<int32_t> asked;
        const BudgetChoice choice =
            budget_width_search(c.narrowest, c.widest, c.budget, [&](int32_t width) {
                asked.push_back(width);
                return c.bytes.at(size_t(width - std::min(c.narrowest, c.widest)));
            });
        EXPECT_EQ(choice.width, c.width) << c.name;
        EXPECT_EQ(choice.fits, c.fits) << c.name;
        const auto above = std::find(asked.begin(), asked.end(), choice.width + 1);
        EXPECT_TRUE(choice.width == std::max(c.narrowest, c.widest) || !c.fits ||
                    above != asked.end())
            << c.name << ": the width above the choice was never measured";
        EXPECT_LE(asked.size(), 5u) << c.name;
    }
}

// Names and values reach the terminal with every control byte as \xNN, and nothing else changed.
TEST(Options, ControlBytesShownEscaped) {
    struct Case {
        std::string text, shown;
    } cases[] = {
        {"", ""},
        {"plain/ä名.png", "plain/ä名.png"},
        {"a\x1b]0;PWNED\a\x1b[31m", "a\\x1b]0;PWNED\\x07\\x1b[31m"},
        {std::string("\0\x1f\x20\x7e\x7f", 5), "\\x00\\x1f ~\\x7f"},
        {"C1 \xc2\x80 \xc2\x9b \xc2\x9f, not \xc2\xa0", "C1 \\xc2\\x80 \\xc2\\x9b \\xc2\\x9f, not \xc2\xa0"},
        {"raw \x80\x9b\x9f\xa0\xff", "raw \\x80\\x9b\\x9f\xa0\xff"},
        {"cut \xe3\x81", "cut \xe3\\x81"},
        {"back\\slash", "back\\slash"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(terminal_shown(c.text), c.shown) << c.text;
}

} // namespace
