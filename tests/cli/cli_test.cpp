// The converter as a user runs it: a real process, real files, exit codes and messages.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../settings_file/fifo_writer.h"
#include "cli_run.h"
#include "core/common/cp932.h"
#include "core/conversion/board.h"

namespace {

TEST(Cli, SampleGivesTheSameBytesByEveryRoute) {
    // Defaults: 100 columns; the 200 x 150 sample is 75 high at that width, 37 rows at 50 %.
    Shape shape = shape_of(expectedLf);
    ASSERT_TRUE(shape.wellFormed);
    ASSERT_EQ(shape.cols, 100);
    ASSERT_EQ(shape.rows, 37);

    std::string out = work_path("sample.txt");
    struct Case {
        const char *name;
        std::vector<std::string> args;
        std::string stdinPath;
        bool crlf;
    } cases[] = {
        {"file", {SAMPLE_PATH}, "/dev/null", false},
        {"stdin", {"-"}, SAMPLE_PATH, false},
        {"explicit defaults",
         {"--width=100", "--ratio", "50", "--brightness", "50", "--mode", "stretch", SAMPLE_PATH},
         "/dev/null",
         false},
        {"options after the input", {SAMPLE_PATH, "--lf"}, "/dev/null", false},
        {"after --", {"--", SAMPLE_PATH}, "/dev/null", false},
        {"-o -", {"-o", "-", SAMPLE_PATH}, "/dev/null", false},
        {"the window's line ends", {"--crlf", SAMPLE_PATH}, "/dev/null", true},
        {"the last of --crlf and --lf", {"--lf", "--crlf", SAMPLE_PATH}, "/dev/null", true},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args, c.stdinPath);
        EXPECT_EQ(run.code, 0) << c.name << "\n" << run.err;
        EXPECT_EQ(run.err, "") << c.name;
        EXPECT_EQ(run.out, c.crlf ? expected : expectedLf) << c.name << ":\n" << run.out;
    }

    Outcome toFile = vkd({"-o", out, SAMPLE_PATH});
    EXPECT_EQ(toFile.code, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(file_read(out), expectedLf);
}

TEST(Cli, InvertReversesTheCharactersOnly) {
    // Darkest to lightest, and the same read backwards.
    const std::string ramp = "$&%#*?+/!;:-,. ", reversed = " .,-:;!/+?*#%&$";
    std::string want = expectedLf;
    for (char &c : want)
        if (ramp.find(c) != std::string::npos)
            c = reversed[ramp.find(c)];
    Outcome run = vkd({"--invert", SAMPLE_PATH});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, want) << run.out;
    run = vkd({"--invert", "--lf", "--width", "20", SAMPLE_PATH});
    EXPECT_EQ(run.out.size(), 21u * 7) << "the sizes stay those of the plain text";
}

TEST(Cli, PicturesOfEveryFormatFromFilesAndStandardInput) {
    for (const char *name : {"rgba8.png", "palette4-trns-interlaced.png", "progressive.jpg",
                             "orientation6.jpg", "transparent.gif", "frames.gif",
                             // Compressed bitmaps are taken whole from a stream, in pieces.
                             "../bmpsuite/g/pal8rle.bmp", "../bmpsuite/g/pal4rle.bmp"}) {
        const std::string path = std::string(PICTURES_DIR) + "/" + name;
        Outcome fromFile = vkd({"--width", "40", path});
        Outcome fromStdin = vkd({"--width", "40", "-"}, path);
        EXPECT_EQ(fromFile.code, 0) << name << "\n" << fromFile.err;
        EXPECT_EQ(fromFile.err, "") << name;
        EXPECT_TRUE(shape_of(fromFile.out).wellFormed) << name;
        EXPECT_EQ(shape_of(fromFile.out).cols, 40) << name;
        EXPECT_EQ(fromStdin.out, fromFile.out) << name;
    }
    const std::string cmyk = std::string(PICTURES_DIR) + "/cmyk.jpg";
    Outcome run = vkd({cmyk});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "vkd: " + cmyk + ": この形式は現在サポートされていません。\n");
    const std::string bomb = std::string(PICTURES_DIR) + "/bomb-30000x30000.png";
    run = vkd({"-"}, bomb);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "vkd: standard input: 画像のピクセルが多すぎて読み込めません。\n");

    // Over 64 MiB (trailing bytes after a small PNG): too large, by name and on standard input.
    const std::string big = work_path("big.png");
    std::filesystem::copy_file(std::string(PICTURES_DIR) + "/rgb8.png", big,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::resize_file(big, uint64_t(64) << 20); // exactly the limit: still read
    EXPECT_EQ(vkd({big}).code, 0);
    EXPECT_EQ(vkd({"-"}, big).code, 0);
    std::filesystem::resize_file(big, (uint64_t(64) << 20) + 1);
    for (const bool byName : {true, false}) {
        run = byName ? vkd({big}) : vkd({"-"}, big);
        EXPECT_EQ(run.code, 1) << byName;
        EXPECT_EQ(run.err, "vkd: " + (byName ? big : std::string("standard input")) +
                               ": ファイルが大きすぎて読み込めません (64 MiB まで)。\n");
    }
    std::filesystem::remove(big);
}

TEST(Cli, SettingsShapeTheTextPicture) {
    std::string tall = bmp_plain("tall.bmp", 20, 1536);
    std::string edge = bmp_plain("edge.bmp", 118, 512);
    std::string over = bmp_plain("over.bmp", 118, 513);
    const std::string lowered =
        "vkd: " + tall + ": サイズを修正しました。 (width lowered to 9 characters per line)\n";
    const std::string white =
        bmp_file("white.bmp", bmp_bytes(32, 32, [](int, int) { return of_sum(765); }));
    struct Case {
        std::vector<std::string> args;
        int cols, rows;
        std::string err;
    } cases[] = {
        {{"--width", "20", SAMPLE_PATH}, 20, 7, ""},
        {{"--width", "220", SAMPLE_PATH}, 220, 82, ""},
        // Lines of spaces are a text.
        {{"--width", "20", white}, 20, 10, ""},
        {{"--ratio", "150", SAMPLE_PATH}, 100, 112, ""},
        {{"--mode", "original", "--width", "30", SAMPLE_PATH}, 200, 150, ""},
        // 20 x 1536 does not fit at 100 columns; the fit loop settles at 9, below 20.
        {{tall}, 9, 345, lowered},
        // (118 + 2) x 512 is exactly the 61440-byte limit.
        {{"--ratio", "100", "--width", "118", edge}, 118, 512, ""},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args);
        Shape shape = shape_of(run.out);
        EXPECT_EQ(run.code, 0) << c.args[0] << "\n" << run.err;
        EXPECT_EQ(run.err, c.err) << c.args[0];
        EXPECT_TRUE(shape.wellFormed) << c.args[0];
        EXPECT_EQ(shape.cols, c.cols) << c.args[0];
        EXPECT_EQ(shape.rows, c.rows) << c.args[0];
    }
    Outcome run = vkd({"--ratio", "100", "--width", "118", over});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
}

TEST(Cli, OriginalModeMapsEveryPixelToItsCharacter) {
    // Row 0 sits just below each threshold, row 1 on it (the comparison is strict).
    auto ladder = [](bool topDown) {
        return bmp_bytes(
            15, 2,
            [](int x, int y) {
                if (x == 14)
                    return y == 0 ? of_sum(765) : of_sum(0);
                return of_sum(50 * (x + 1) - (y == 0 ? 1 : 0));
            },
            topDown);
    };
    std::string up = bmp_file("ladder-up.bmp", ladder(false));
    std::string down = bmp_file("ladder-down.bmp", ladder(true));
    std::string bw = bmp_file(
        "bw.bmp", bmp_bytes(2, 1, [](int x, int) { return x == 0 ? of_sum(0) : of_sum(765); }));
    std::string ladderText = "$&%#*?+/!;:-,. \n&%#*?+/!;:-,. $\n";
    struct Case {
        std::string file, brightness, text;
    } cases[] = {
        {up, "50", ladderText},
        {down, "50", ladderText},
        {bw, "100", ": \n"},
        {bw, "0", "$?\n"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd({"--mode", "original", "--brightness", c.brightness, c.file});
        EXPECT_EQ(run.code, 0) << c.file << "\n" << run.err;
        EXPECT_EQ(run.out, c.text) << c.file << " at " << c.brightness;
    }
}

// Every refusal: "vkd: ", the file, the window's own message, and the system's reason if any.
TEST(Cli, RefusalsNameTheFileAndTheReason) {
    const std::string stretch = "[ストレッチモード]\nロードするビットマップが大きすぎます。\n"
                                "2048×1536ピクセル以内のビットマップを使ってください。\n";
    const std::string original = "[オリジナルモード]\nロードするビットマップが大きすぎます。"
                                 "2048×1536サイズ以内のビットマップを使ってください。\n"
                                 "また縦と横をかけて61440以内でなくてはいけません。\n";
    const std::string tooLarge = "ヴェルコランのサイズが大きすぎて変換できません。\n"
                                 "比率か横幅を変更して下さい。\n";
    const std::string openFailed = "ファイルのオープンに失敗しました。";
    const std::string createFailed = "ファイルの作成に失敗しました";
    std::string notBm = bmp_plain("ba.bmp", 4, 4);
    notBm[1] = 'A';
    std::string ba = bmp_file("ba.bmp", notBm);
    std::string wide = bmp_file("w.bmp", bmp_header_only(2049, 1));
    std::string longName = std::string(300, 'x') + ".bmp";
    const std::string thin = bmp_plain("thin.bmp", 1, 1536);
    const std::string control = work_path("a\x1b]0;PWNED\a\x1b[31m\xc2\x9b\x9b.bmp");
    const std::string controlShown = work_path("a\\x1b]0;PWNED\\x07\\x1b[31m\\xc2\\x9b\\x9b.bmp");
    const std::string noEntry = " (そのようなファイルやディレクトリはありません";
    file_write(work_path("empty.bmp"), "");
    struct Case {
        const char *name;
        std::vector<std::string> args;
        std::string stdinPath, err;
    } cases[] = {
        {"missing",
         {work_path("none.bmp")},
         "/dev/null",
         "vkd: " + work_path("none.bmp") + ": " + openFailed + noEntry + ")\n"},
        // No command of a crafted name reaches the terminal: C0, C1 in UTF-8 and raw.
        {"control bytes", {control}, "/dev/null",
         "vkd: " + controlShown + ": " + openFailed + noEntry + ")\n"},
        {"a folder",
         {work_dir()},
         "/dev/null",
         "vkd: " + work_dir() + ": " + openFailed + " (ディレクトリです: a folder, not a file)\n"},
        {"name too long",
         {longName},
         "/dev/null",
         "vkd: " + longName + ": " + openFailed + " (ファイル名が長すぎます)\n"},
        {"magic BA",
         {ba},
         "/dev/null",
         "vkd: " + ba + ": この形式は現在サポートされていません。\n"},
        {"empty stdin", {"-"}, "/dev/null", "vkd: standard input: no data\n"},
        {"empty file",
         {work_path("empty.bmp")},
         "/dev/null",
         "vkd: " + work_path("empty.bmp") + ": no data\n"},
        {"stdin BA", {"-"}, ba, "vkd: standard input: この形式は現在サポートされていません。\n"},
        {"2049 x 1", {wide}, "/dev/null", "vkd: " + wide + ": " + stretch},
        {"1 x 1537",
         {bmp_file("h.bmp", bmp_header_only(1, 1537))},
         "/dev/null",
         "vkd: " + work_path("h.bmp") + ": " + stretch},
        {"original 2049 wide",
         {"--mode", "original", wide},
         "/dev/null",
         "vkd: " + wide + ": " + stretch},
        {"original 241 x 256",
         {"--mode", "original", bmp_file("a.bmp", bmp_header_only(241, 256))},
         "/dev/null",
         "vkd: " + work_path("a.bmp") + ": " + original},
        {"original 100 x 2000",
         {"--mode", "original", bmp_file("t.bmp", bmp_header_only(100, 2000))},
         "/dev/null",
         "vkd: " + work_path("t.bmp") + ": " + original},
        // 240 x 256 passes the area limit, but 242 x 256 bytes of text do not fit.
        {"original 240 x 256",
         {"--mode", "original", bmp_plain("o.bmp", 240, 256)},
         "/dev/null",
         "vkd: " + work_path("o.bmp") + ": " + tooLarge},
        {"stretch too long",
         {"--width", "220", "--ratio", "150", bmp_plain("sq.bmp", 100, 100)},
         "/dev/null",
         "vkd: " + work_path("sq.bmp") + ": " + tooLarge},
        // Loads under the original-mode limits, but twice its width overflows the canvas.
        {"original 1010 x 60",
         {"--mode", "original", bmp_plain("wide.bmp", 1010, 60)},
         "/dev/null",
         "vkd: " + work_path("wide.bmp") +
             ": オリジナルモードではこのビットマップはキャンバスに収まりません。\n"
             "ストレッチモードに切り替えてください。\n"},
        {"output folder missing",
         {"-o", work_path("no/such.txt"), SAMPLE_PATH},
         "/dev/null",
         "vkd: " + work_path("no/such.txt") + ": " + createFailed + noEntry + ": the folder '" +
             work_path("no") + "' does not exist)\n"},
        // Said once, before any picture, not once a picture.
        {"-o DIR/ missing",
         {"-o", work_path("no/"), SAMPLE_PATH, thin},
         "/dev/null",
         "vkd: " + work_path("no/") + ": " + createFailed + noEntry + ": the folder '" +
             work_path("no") + "' does not exist)\n"},
        {"output is a folder",
         {"-o", work_dir(), SAMPLE_PATH},
         "/dev/null",
         "vkd: " + work_dir() + ": " + createFailed + " (ディレクトリです: a folder, not a file)\n"},
        // A text of no characters, or of no lines, is no conversion.
        {"0 columns",
         {thin},
         "/dev/null",
         "vkd: " + thin + ": サイズを修正しました。 (width lowered to 0 characters per line)\n" +
             "vkd: " + thin + ": no characters per line; nothing is written\n"},
        {"0 lines",
         {"--ratio", "1", SAMPLE_PATH},
         "/dev/null",
         "vkd: " SAMPLE_PATH ": no lines at a vertical ratio of 1 %; nothing is written\n"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args, c.stdinPath);
        EXPECT_EQ(run.code, 1) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(run.err, c.err) << c.name;
        // In English the same refusal, every Japanese message in English: no kana nor kanji
        // (UTF-8 lead bytes E3 to E9) is left, the name before it the same.
        run = vkd(c.args, c.stdinPath, "", english);
        EXPECT_EQ(run.code, 1) << c.name;
        EXPECT_EQ(run.err.compare(0, c.err.find(": ", 5), c.err, 0, c.err.find(": ", 5)), 0)
            << run.err;
        EXPECT_EQ(std::count_if(run.err.begin(), run.err.end(),
                                [](char b) { return uint8_t(b) >= 0xE3 && uint8_t(b) <= 0xE9; }),
                  0)
            << c.name << ": " << run.err;
    }

    // A refused picture, or an output that cannot be written, leaves an earlier file as it was.
    std::string kept = work_path("kept.txt");
    file_write(kept, "earlier text");
    for (const std::string &picture : {ba, thin}) {
        Outcome refused = vkd({"-o", kept, picture});
        EXPECT_EQ(refused.code, 1) << picture;
        EXPECT_EQ(file_read(kept), "earlier text") << picture;
    }
    chmod(kept.c_str(), 0444);
    Outcome readOnly = vkd({"-o", kept, SAMPLE_PATH});
    chmod(kept.c_str(), 0644);
    EXPECT_EQ(readOnly.code, 1);
    EXPECT_EQ(readOnly.err, "vkd: " + kept + ": " + createFailed + " (許可がありません)\n");
    EXPECT_EQ(file_read(kept), "earlier text");

    // Standard output on a full device (a node of the test's own, never the system's).
    std::string full = work_path("full");
    unlink(full.c_str()); // from an earlier repeat
    if (mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "no device node can be made here: " << std::strerror(errno);
    Outcome toFull = vkd({SAMPLE_PATH}, "/dev/null", full);
    EXPECT_EQ(toFull.code, 1);
    EXPECT_EQ(toFull.err, "vkd: standard output: cannot write (デバイスに空き領域がありません)\n");
}

// No output is written over a picture being converted, whatever path names it: refused as bad
// usage before any picture is converted, naming both.
TEST(Cli, NoOutputIsAPictureItConverts) {
    const std::string folder = work_path("same/");
    std::filesystem::create_directories(folder + "sub");
    const std::string shot = folder + "shot.png", bmp = folder + "b.bmp";
    std::filesystem::copy_file(std::string(PICTURES_DIR) + "/rgb8.png", shot,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(SAMPLE_PATH, bmp, std::filesystem::copy_options::overwrite_existing);
    const std::string original = file_read(shot);
    unlink((folder + "soft.png").c_str());
    unlink((folder + "hard.png").c_str());
    ASSERT_EQ(symlink("shot.png", (folder + "soft.png").c_str()), 0);
    ASSERT_EQ(link(shot.c_str(), (folder + "hard.png").c_str()), 0);
    auto refusal = [](const std::string &out, const std::string &picture) {
        return "vkd: " + out + ": the same file as the picture '" + picture +
               "'; it is not written over\n";
    };
    struct Case {
        std::vector<std::string> args;
        std::string stdinPath, err;
    } cases[] = {
        {{"-o", shot, shot}, "/dev/null", refusal(shot, shot)},
        {{"--format", "png", "-o", folder, bmp, shot}, "/dev/null", refusal(shot, shot)},
        {{"--format", "png", "-o", folder + "sub/../", shot}, "/dev/null",
         refusal(folder + "sub/../shot.png", shot)},
        {{"-o", folder + "soft.png", shot}, "/dev/null", refusal(folder + "soft.png", shot)},
        {{"-o", folder + "hard.png", shot}, "/dev/null", refusal(folder + "hard.png", shot)},
        {{"-o", folder + "./shot.png", "-"}, shot,
         refusal(folder + "./shot.png", "standard input")},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args, c.stdinPath);
        EXPECT_EQ(run.code, 2) << c.err;
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(file_read(shot), original) << c.err;
        EXPECT_FALSE(std::filesystem::exists(folder + "b.png")) << "nothing is converted";
    }
    // From inside the folder, as typed: -o ./ with every picture.
    const std::string here = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    Outcome run = vkd({"--format", "png", "-o", "./", "shot.png", "b.bmp"});
    std::filesystem::current_path(here);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, refusal("./shot.png", "shot.png"));
    EXPECT_EQ(file_read(shot), original);
}

// A font whose cell would take gigabytes (a copy of the built-in font's own with one of its
// sizes changed; FreeType does not check the tables' sums) is refused at once, never a crash.
TEST(Cli, CraftedFontsAreRefused) {
    // The font itself, measured again, gives the built-in table it was measured into.
    for (const char *look : {"photo", "shape"}) {
        const Outcome builtIn = vkd({"--look", look, SAMPLE_PATH});
        const Outcome measured = vkd({"--look", look, "--font", FONT_PATH, SAMPLE_PATH});
        EXPECT_EQ(measured.code, 0) << measured.err;
        EXPECT_EQ(measured.out, builtIn.out) << look;
    }
    const std::string font = file_read(FONT_PATH);
    auto be16 = [&](size_t at) { return unsigned(uint8_t(font[at])) << 8 | uint8_t(font[at + 1]); };
    auto table = [&](const char *tag) {
        for (size_t k = 0, n = be16(4); k < n; ++k)
            if (font.compare(12 + 16 * k, 4, tag) == 0)
                return size_t(be16(12 + 16 * k + 8)) << 16 | be16(12 + 16 * k + 10);
        return size_t(0);
    };
    struct Patch {
        const char *tag;
        size_t at;
        unsigned value;
    };
    struct Case {
        const char *name;
        std::vector<Patch> patches;
        std::string cell;
    } cases[] = {
        {"unitsPerEm 16", {{"head", 18, 16}}, "14796 x 28608"},
        {"unitsPerEm 512", {{"head", 18, 512}}, "462 x 895"},
        {"extreme ascent and descent",
         {{"hhea", 4, 0x7FFF}, {"hhea", 6, 0x8000}, {"OS/2", 68, 0x7FFF}, {"OS/2", 70, 0x8000},
          {"OS/2", 74, 0xFFFF}, {"OS/2", 76, 0xFFFF}},
         "116 x 6144"},
        // Every glyph from the fourth on takes the fourth advance.
        {"extreme advance", {{"hmtx", 12, 0xFFFF}}, "6144 x 225"},
    };
    for (const Case &c : cases) {
        std::string crafted = font;
        for (const Patch &p : c.patches) {
            crafted[table(p.tag) + p.at] = char(p.value >> 8);
            crafted[table(p.tag) + p.at + 1] = char(p.value);
        }
        const std::string path = work_path("crafted.ttf");
        file_write(path, crafted);
        for (const char *look : {"standard", "photo"}) {
            Outcome run = vkd({"--font", path, "--look", look, SAMPLE_PATH});
            EXPECT_EQ(run.code, 1) << c.name;
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.err, "vkd: " + path + ": cannot measure the font (the font's cell is " +
                                   c.cell + " pixels at 192 pixels to the em; a text font's is "
                                            "at most 768 either way)\n")
                << c.name;
        }
    }
}

// FIFOs and settings files that are not what a settings file is: read as streams, within the
// same limits, each from its writer.
// Japanese when the first of LC_ALL, LC_MESSAGES and LANG that is set (not empty) names a
// Japanese locale; English otherwise.
TEST(Cli, MessagesInTheUsersLanguage) {
    const std::string tall = bmp_plain("language-tall.bmp", 20, 1536);
    const std::string japaneseNote = "vkd: " + tall + ": サイズを修正しました。 (width lowered to 9 "
                                     "characters per line)\n";
    const std::string englishNote = "vkd: " + tall + ": The size has been adjusted to fit. (width "
                                    "lowered to 9 characters per line)\n";
    struct Case {
        std::vector<std::string> env;
        bool inJapanese;
    } cases[] = {
        {{}, false},
        {{"LANG=ja_JP.UTF-8"}, true},
        {{"LANG=ja"}, true},
        {{"LC_ALL=C", "LANG=ja_JP.UTF-8"}, false},
        {{"LC_ALL=", "LC_MESSAGES=ja_JP.eucJP", "LANG=C"}, true},
        {{"LC_MESSAGES=en_US.UTF-8", "LANG=ja_JP.UTF-8"}, false},
        {{"LANG=jam_JM"}, false},
    };
    for (const Case &c : cases) {
        const Outcome run = vkd({tall}, "/dev/null", "", c.env);
        EXPECT_EQ(run.err, c.inJapanese ? japaneseNote : englishNote)
            << (c.env.empty() ? "" : c.env.back());
    }
    EXPECT_EQ(vkd({work_path("none.png")}, "/dev/null", "", english).err,
              "vkd: " + work_path("none.png") +
                  ": The file could not be opened. (No such file or directory)\n");
    // The system's reason in the locale's language too (glibc's, from libc-l10n).
    EXPECT_EQ(vkd({work_path("none.png")}).err,
              "vkd: " + work_path("none.png") +
                  ": ファイルのオープンに失敗しました。 (そのようなファイルやディレクトリはありません)\n");
}

TEST(Cli, StreamsAndOddSettingsFiles) {
    const std::string fifo = work_path("picture.fifo");
    unlink(fifo.c_str()); // from an earlier repeat
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    {
        FifoWriter writer(fifo, "", false); // comes and goes without a byte
        Outcome nobody = vkd({fifo});
        EXPECT_EQ(nobody.code, 1);
        EXPECT_EQ(nobody.err, "vkd: " + fifo + ": no data\n");
    }
    {
        FifoWriter writer(fifo, file_read(SAMPLE_PATH), false);
        Outcome fed = vkd({fifo});
        EXPECT_EQ(fed.code, 0) << fed.err;
        EXPECT_EQ(fed.out, expectedLf);
    }
    {
        FifoWriter writer(fifo, "", true); // a device that never ends, like /dev/zero
        Outcome zeros = vkd({fifo});
        EXPECT_EQ(zeros.code, 1);
        EXPECT_EQ(zeros.err, "vkd: " + fifo + ": この形式は現在サポートされていません。\n");
    }

    const std::string tooLong = "larger than 1 MiB; no settings file is that large)\n";
    {
        FifoWriter writer(fifo, "", true);
        Outcome endless = vkd({"--ini", fifo, SAMPLE_PATH});
        EXPECT_EQ(endless.code, 1);
        EXPECT_EQ(endless.err, "vkd: " + fifo + ": cannot read the settings file (" + tooLong);
    }
    std::string big = work_path("big.ini");
    file_write(big, "[Configuration]\r\nMojisu=30\r\n" + std::string(1 << 20, ';'));
    Outcome oversized = vkd({"--ini", big, SAMPLE_PATH});
    EXPECT_EQ(oversized.code, 1);
    EXPECT_EQ(oversized.err, "vkd: " + big + ": cannot read the settings file (" + tooLong);

    // An empty FIFO is an empty settings file; binary bytes are a file without our keys.
    std::string binary;
    for (int i = 0; i < 50000; ++i)
        binary += static_cast<char>((i * 7919) % 251);
    file_write(work_path("binary.ini"), binary);
    for (const std::string &ini : {fifo, work_path("binary.ini")}) {
        FifoWriter writer(fifo, "", false); // the FIFO's: waited for, then ends at once
        Outcome run = vkd({"--ini", ini, SAMPLE_PATH});
        EXPECT_EQ(run.code, 0) << ini << ": " << run.err;
        EXPECT_EQ(run.out, expectedLf) << ini;
    }
}

// The output's kind by the file's extension in any case, or by --format whatever the name.
TEST(Cli, ImagesPagesAndColouredText) {
    std::string page = without_cr(expected), plain;
    for (size_t at = 0; (at = page.find('&', at)) != std::string::npos; at += 5)
        page.replace(at, 1, "&amp;");
    struct Case {
        std::vector<std::string> args;
        std::string file; // where the output goes; "" standard output
        char kind;        // 'p' PNG, 'h' page, 't' the text, 'c' coloured text
    } cases[] = {
        {{"-o", work_path("a.PNG"), SAMPLE_PATH}, work_path("a.PNG"), 'p'},
        {{"--format", "png", SAMPLE_PATH}, "", 'p'},
        {{"-o", work_path("a.html"), SAMPLE_PATH}, work_path("a.html"), 'h'},
        {{"-o", work_path("b.Htm"), "--color", SAMPLE_PATH}, work_path("b.Htm"), 'h'},
        {{"--format", "text", "-o", work_path("c.png"), SAMPLE_PATH}, work_path("c.png"), 't'},
        {{"--color", "--lf", SAMPLE_PATH}, "", 'c'},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args);
        const std::string out = c.file.empty() ? run.out : file_read(c.file);
        EXPECT_EQ(run.code, 0) << c.file << run.err;
        if (c.kind == 'p') {
            ASSERT_EQ(out.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0) << c.file;
            auto be32 = [&](size_t at) {
                return uint32_t(uint8_t(out[at])) << 24 | uint32_t(uint8_t(out[at + 1])) << 16 |
                       uint32_t(uint8_t(out[at + 2])) << 8 | uint8_t(out[at + 3]);
            };
            // 100 columns and 37 lines of whole cells, and one margin round them.
            EXPECT_EQ((be32(16) - 32) % 100, 0u) << be32(16);
            EXPECT_EQ((be32(20) - 32) % 37, 0u) << be32(20);
        } else if (c.kind == 'h') {
            const bool coloured = c.args[2] == "--color";
            EXPECT_EQ(out.find("<span style=\"color:#") != std::string::npos, coloured);
            if (!coloured) {
                EXPECT_NE(out.find("<pre>\n" + page + "</pre>"), std::string::npos) << out;
            }
        } else if (c.kind == 't') {
            EXPECT_EQ(out, expectedLf);
        } else {
            plain.clear();
            for (size_t i = 0; i < out.size(); ++i)
                if (out[i] == '\x1b')
                    i = out.find('m', i);
                else
                    plain += out[i];
            EXPECT_EQ(plain, without_cr(expected));
            EXPECT_NE(out.find("\x1b[38;2;"), std::string::npos);
        }
    }
}

TEST(Cli, BadUsageExits2WithoutClamping) {
    struct Case {
        std::vector<std::string> args;
        std::string fragment;
    } cases[] = {
        {{}, "no input given"},
        {{"--width", "19", SAMPLE_PATH}, "--width must be a whole number from 20 to 220, not '19'"},
        {{"--width", "221", SAMPLE_PATH}, "not '221'"},
        {{"--width", "1e2", SAMPLE_PATH}, "not '1e2'"},
        {{"--width=", SAMPLE_PATH}, "not ''"},
        {{"--width", "99999999999999999999", SAMPLE_PATH}, "from 20 to 220"},
        {{"--ratio", "-1", SAMPLE_PATH}, "--ratio must be a whole number from 0 to 150"},
        {{"--ratio", "151", SAMPLE_PATH}, "not '151'"},
        {{"--brightness", "101", SAMPLE_PATH}, "--brightness must be a whole number from 0 to 100"},
        {{"--mode", "sideways", SAMPLE_PATH}, "--mode must be 'stretch' or 'original'"},
        {{"--colour", SAMPLE_PATH}, "unknown option '--colour'"},
        {{SAMPLE_PATH, "--width"}, "option --width needs a value"},
        {{"--lf=yes", SAMPLE_PATH}, "option --lf takes no value"},
        {{"-", SAMPLE_PATH, "-"}, "standard input ('-') given more than once"},
        {{"--look", "fancy", SAMPLE_PATH},
         "--look must be 'standard', 'photo', 'shape' or 'trace'"},
        {{"--target", "paper", SAMPLE_PATH}, "--target must be 'terminal', 'window' or 'board'"},
        {{"--target", "board", SAMPLE_PATH}, "--target board needs --look photo, shape or trace"},
        {{"--target", "board", "--look", "shape", "--chars", "\xe2\x86\x92", SAMPLE_PATH},
         "the board target has no '\xe2\x86\x92' for --chars"},
        {{"--encoding", "sjis", SAMPLE_PATH}, "--encoding must be 'utf-8' or 'cp932'"},
        {{"--look", "photo", "--chars", "ab\t\x1b[2J", SAMPLE_PATH},
         "--chars takes printable ASCII characters (space to '~') and full-width symbols of "
         "code page 932 (0x8140 to 0x81AC), not 'ab\\x09\\x1b[2J'"},
        {{"--chars", "#. ", SAMPLE_PATH}, "--chars needs --look photo, shape or trace"},
        {{"--dither=1", SAMPLE_PATH}, "option --dither takes no value"},
        {{"--format", "gif", SAMPLE_PATH}, "--format must be 'text', 'png' or 'html', not 'gif'"},
        {{"--color", "-o", "x.png", SAMPLE_PATH}, "--color colours text and HTML"},
        {{"--max-bytes", "0", SAMPLE_PATH}, "--max-bytes must be a whole number from 1 to 99999999"},
        {{"--max-bytes", "900", "-o", "x.html", SAMPLE_PATH}, "--max-bytes budgets a text"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args);
        EXPECT_EQ(run.code, 2) << c.fragment;
        EXPECT_EQ(run.out, "") << c.fragment;
        EXPECT_NE(run.err.find(c.fragment), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("usage: vkd"), std::string::npos) << run.err;
    }

    Outcome help = vkd({"--help", "--width", "5"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.find("usage: vkd"), 0u);
    EXPECT_NE(help.out.find("a picture too tall for the canvas at N gets\n"), std::string::npos);
    Outcome version = vkd({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.find("vkd (Velkorandite) "), 0u);
}

TEST(Cli, SettingsFileAndOptionsOverIt) {
    auto ini = [](const std::string &name, const std::string &body) {
        std::string path = work_path(name);
        file_write(path, body);
        return path;
    };
    std::string bw = bmp_file(
        "bw2.bmp", bmp_bytes(2, 1, [](int x, int) { return x == 0 ? of_sum(0) : of_sum(765); }));
    std::string bright = ini("bright.ini", "[Configuration]\r\nMeido=100\r\nMode=2\r\n");
    std::string narrow = ini("narrow.ini", "[configuration]\r\nmojisu=5\r\nhiritu=100\r\n");
    std::string odd = ini("odd.ini", "[Configuration]\r\nMode=3\r\n");
    std::string photo = ini("photo.ini", "[Configuration]\r\nMode=2\r\n[Quality]\r\nLook=1\r\n"
                                         "Chars=\"@. \"\r\n");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out, errFragment;
    } cases[] = {
        {{"--ini", bright, bw}, 0, ": \n", ""},
        {{"--brightness", "50", "--ini", bright, bw}, 0, "$ \n", ""},
        {{"--ini", odd, bw}, 1, "", "vkd: " + odd + ": Mode 3 is neither 1 (stretch) nor 2"},
        {{"--ini", odd, "--mode", "original", bw}, 0, "$ \n", ""},
        {{"--ini", photo, bw}, 0, "@ \n", ""},
        {{"--ini", photo, "--look", "standard", bw}, 0, "$ \n", ""},
        {{"--ini", photo, "--look", "shape", "--chars", "x-", bw}, 0, "x-\n", ""},
        {{"--ini", photo, "--invert", "--dither", bw}, 0, " @\n", ""},
        {{"--ini", photo, "--font", FONT_PATH, "--chars", "#+ ", bw}, 0, "# \n", ""},
        {{"--ini", photo, "--font", SAMPLE_PATH, bw}, 1, "", "cannot measure the font"},
        {{"--ini", work_path("none.ini"), bw},
         1,
         "",
         "vkd: " + work_path("none.ini") +
             ": cannot read the settings file (そのようなファイルやディレクトリはありません)"},
        {{"--ini", work_dir(), bw}, 1, "", "cannot read the settings file (ディレクトリです"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args);
        EXPECT_EQ(run.code, c.code) << c.args[1] << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args[1];
        EXPECT_NE(run.err.find(c.errFragment), std::string::npos) << run.err;
    }

    // Every look, with and without dither, gives a text of its own on the sample.
    std::vector<std::string> texts;
    for (const char *look : {"standard", "photo", "shape"})
        for (const char *dither : {"--lf", "--dither"}) {
            texts.push_back(vkd({"--look", look, dither, "--lf", SAMPLE_PATH}).out);
            for (size_t k = 0; k + 1 < texts.size(); ++k)
                EXPECT_NE(texts[k], texts.back()) << look << " " << dither << "\n" << texts[k];
        }

    // Each target measures its own font: the terminal by default here; the table measured
    // from the font again with --font is the built-in one; the standard look is every target's.
    const std::string ipa = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";
    struct Same {
        std::vector<std::string> a, b;
        bool same;
    } const pairs[] = {
        {{"--look", "photo"}, {"--look", "photo", "--target", "terminal"}, true},
        {{"--look", "shape"}, {"--look", "shape", "--target", "window"}, false},
        {{"--look", "photo"}, {"--look", "photo", "--target", "window"}, false},
        {{"--look", "standard"}, {"--look", "standard", "--target", "window"}, true},
        {{"--look", "shape"}, {"--look", "shape", "--font", FONT_PATH}, true},
        {{"--look", "shape", "--target", "window"},
         {"--look", "shape", "--target", "window", "--font", ipa},
         true},
    };
    for (const Same &p : pairs) {
        std::vector<std::string> a = p.a, b = p.b;
        a.push_back(SAMPLE_PATH);
        b.push_back(SAMPLE_PATH);
        const Outcome first = vkd(a), second = vkd(b);
        EXPECT_EQ(first.out == second.out, p.same) << p.b.back() << " " << p.b.size() << "\n" << second.err;
    }

    // Full-width characters: UTF-8 by default here, code page 932 as the window saves them.
    const std::vector<std::string> wide = {"--look", "shape", "--chars", "＿／＼｜ .:", SAMPLE_PATH};
    std::vector<std::string> cp932 = wide;
    cp932.insert(cp932.begin(), {"--encoding", "cp932"});
    const Outcome inUtf8 = vkd(wide), inCp932 = vkd(cp932);
    std::string expected;
    EXPECT_TRUE(cp932_from_utf8(inUtf8.out, expected));
    EXPECT_EQ(inCp932.out, expected);
    EXPECT_NE(inUtf8.out.find("＿"), std::string::npos) << inUtf8.out;
    // Colours and pages read the characters whole, not byte by byte.
    std::vector<std::string> coloured = wide;
    coloured.insert(coloured.begin(), "--color");
    std::string uncoloured = vkd(coloured).out;
    for (size_t at; (at = uncoloured.find("\x1b[")) != std::string::npos;) {
        uncoloured.erase(at, uncoloured.find('m', at) + 1 - at);
        EXPECT_FALSE(at < uncoloured.size() && (uncoloured[at] & 0xC0) == 0x80)
            << "an escape inside a character";
    }
    EXPECT_EQ(uncoloured, inUtf8.out);
    std::vector<std::string> page = coloured;
    page.insert(page.begin(), {"--format", "html"});
    EXPECT_NE(vkd(page).out.find("＿"), std::string::npos);

    // Mojisu 5 from the file is raised to 20 when the picture is opened, as the window does.
    Outcome raised = vkd({"--ini", narrow, SAMPLE_PATH});
    Shape shape = shape_of(raised.out);
    EXPECT_EQ(raised.code, 0) << raised.err;
    EXPECT_EQ(shape.cols, 20);
    EXPECT_EQ(shape.rows, 15);
}

} // namespace

namespace {
// What a board keeps of a line: the board target's text must survive it unchanged, and fit.
std::string board_fault(const std::string &line, int32_t width) {
    if (line.compare(0, 1, " ") == 0)
        return "starts with a half-width space";
    if (line.find("  ") != std::string::npos)
        return "two half-width spaces in a row";
    std::string cp932;
    if (!cp932_from_utf8(line, cp932))
        return "a character outside code page 932";
    const std::string fullSpace = "\xe3\x80\x80";
    if (!line.empty() && (line.back() == ' ' || (line.size() >= 3 && line.compare(line.size() - 3,
                                                                          3, fullSpace) == 0)))
        return "a trailing space";
    if (line.find('\\') != std::string::npos)
        return "0x5C, which the board shows as a yen sign";
    const int32_t pixels = board_line_width(line);
    if (pixels < 0 || pixels > width * boardColumnPixels + boardOverhang)
        return std::to_string(pixels) + " pixels wide";
    return "";
}
} // namespace

TEST(Cli, BoardTextsKeepTheBoardsRules) {
    const std::string pictures = PICTURES_DIR;
    for (const std::string &picture :
         {std::string(SAMPLE_PATH), pictures + "/photo-320.png", pictures + "/rgb8.png",
          pictures + "/baseline.jpg", pictures + "/grey8.png"})
        for (const char *look : {"photo", "shape", "trace"})
            for (const int32_t width : {40, 60, 80}) {
                const Outcome run = vkd({"--target", "board", "--look", look, "--width",
                                         std::to_string(width), picture});
                ASSERT_EQ(run.code, 0) << picture << "\n" << run.err;
                std::string::size_type at = 0, lines = 0, inked = 0;
                while (at < run.out.size()) {
                    const auto end = run.out.find('\n', at);
                    ASSERT_NE(end, std::string::npos) << "the last line has no end";
                    const std::string line = run.out.substr(at, end - at);
                    ++lines;
                    inked += !line.empty();
                    EXPECT_EQ(board_fault(line, width), "")
                        << picture << " " << look << " " << width << " line " << lines << ": ["
                        << line << "]\n" << run.out;
                    at = end + 1;
                }
                if (std::string(look) != "trace") { // a smooth gradient has no edge to trace
                    EXPECT_GT(inked, 0u) << picture << " " << look << " " << width;
                }
            }
}

// A filled square traced: its outline as lines, its inside and the background empty.
TEST(Cli, TraceDrawsOnlyTheOutline) {
    const int32_t side = 200, from = 60, to = 140; // the square [from, to) on white
    const std::string picture = bmp_file("square.bmp", bmp_bytes(side, side, [&](int x, int y) {
        const bool in = x >= from && x < to && y >= from && y < to;
        return in ? Pixel{0, 0, 0} : Pixel{255, 255, 255};
    }));
    for (const char *target : {"terminal", "window"}) {
        // Darker and dithered: the background's tone must not sprinkle it.
        const Outcome run = vkd({"--look", "trace", "--dither", "--brightness", "20", "--target",
                                 target, "--width", "40", picture});
        ASSERT_EQ(run.code, 0) << run.err;
        const Shape shape = shape_of(run.out);
        ASSERT_EQ(shape.cols, 40);
        // A cell is near the outline when it lies within one cell of it.
        const double cellW = double(side) / shape.cols, cellH = double(side) / shape.rows;
        auto near = [](double lo, double hi, double cell) {
            return (lo <= from + cell && hi >= from - cell) || (lo <= to + cell && hi >= to - cell);
        };
        int32_t inked = 0;
        for (int32_t i = 0; i < shape.rows; ++i)
            for (int32_t j = 0; j < shape.cols; ++j) {
                if (run.out[size_t(i) * (shape.cols + 1) + j] == ' ')
                    continue;
                ++inked;
                const double x0 = j * cellW, x1 = x0 + cellW, y0 = i * cellH, y1 = y0 + cellH;
                const bool rowsIn = y1 >= from - cellH && y0 <= to + cellH;
                const bool colsIn = x1 >= from - cellW && x0 <= to + cellW;
                EXPECT_TRUE((near(x0, x1, cellW) && rowsIn) || (near(y0, y1, cellH) && colsIn))
                    << target << ": cell " << j << ", " << i << "\n" << run.out;
            }
        EXPECT_GT(inked, 2 * (to - from) / cellW) << target << "\n" << run.out; // the outline
    }
    // A list of full-width strokes without a space: the empty top line in full-width spaces.
    const Outcome wide = vkd({"--look", "trace", "--target", "window", "--width", "40", "--chars",
                              "\uFF0F\uFF3C\uFF5C\uFF3F\uFFE3", picture});
    ASSERT_EQ(wide.code, 0) << wide.err;
    std::string blankLine;
    for (int k = 0; k < 20; ++k)
        blankLine += "\u3000";
    EXPECT_EQ(wide.out.substr(0, wide.out.find('\n')), blankLine) << wide.out;
}
