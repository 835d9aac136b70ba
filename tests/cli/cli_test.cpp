// The converter as a user runs it: a real process, real files, exit codes and messages.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int code = -1;
    std::string out, err;
};

std::string file_read(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void file_write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Removed at exit; a plain array so it outlives every destructor that might still use it.
char workDirName[] = "/tmp/vkd-cli-XXXXXX";

const std::string &work_dir() {
    static const std::string dir = [] {
        std::string made = mkdtemp(workDirName);
        std::atexit([] { std::filesystem::remove_all(workDirName); });
        return made;
    }();
    return dir;
}

std::string work_path(const std::string &name) {
    return work_dir() + "/" + name;
}

// stdout goes to a file (or to stdoutPath, e.g. /dev/full) so nothing can block on a pipe.
Outcome vkd(const std::vector<std::string> &args, const std::string &stdinPath = "/dev/null",
            const std::string &stdoutPath = "") {
    std::string outPath = stdoutPath.empty() ? work_path("stdout") : stdoutPath;
    std::string errPath = work_path("stderr");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(open(stdinPath.c_str(), O_RDONLY), 0);
        dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        std::vector<char *> argv{const_cast<char *>(VKD_PATH)};
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(VKD_PATH, argv.data());
        _exit(127);
    }
    Outcome run;
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return run;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = stdoutPath.empty() ? file_read(outPath) : "";
    run.err = file_read(errPath);
    return run;
}

using Pixel = std::array<uint8_t, 3>; // r, g, b

// A 24-bit BMP; pixel(x, y) with y = 0 the top row.
std::string bmp_bytes(int32_t w, int32_t h, const std::function<Pixel(int, int)> &pixel,
                      bool topDown = false) {
    auto le = [](std::string &s, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(v >> (8 * i));
    };
    int32_t stride = (w * 3 + 3) & ~3;
    std::string s = "BM";
    le(s, 54 + stride * h, 4);
    le(s, 0, 4);
    le(s, 54, 4);
    le(s, 40, 4);
    le(s, static_cast<uint32_t>(w), 4);
    le(s, static_cast<uint32_t>(topDown ? -h : h), 4);
    le(s, 1, 2);
    le(s, 24, 2);
    for (int i = 0; i < 6; ++i)
        le(s, i == 1 ? stride * h : 0, 4);
    for (int row = 0; row < h; ++row) {
        int y = topDown ? row : h - 1 - row;
        for (int x = 0; x < w; ++x) {
            Pixel p = pixel(x, y);
            s += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
        }
        s.append(static_cast<size_t>(stride - w * 3), '\0');
    }
    return s;
}

// Only the 54 header bytes: enough for every refusal that the size limits make.
std::string bmp_header_only(int32_t w, int32_t h) {
    return bmp_bytes(w, h, [](int, int) { return Pixel{}; }).substr(0, 54);
}

Pixel of_sum(int sum) {
    uint8_t r = static_cast<uint8_t>(sum / 3), g = static_cast<uint8_t>((sum - r) / 2);
    return {r, g, static_cast<uint8_t>(sum - r - g)};
}

std::string bmp_file(const std::string &name, const std::string &bytes) {
    std::string path = work_path(name);
    file_write(path, bytes);
    return path;
}

std::string bmp_plain(const std::string &name, int32_t w, int32_t h) {
    return bmp_file(name,
                    bmp_bytes(w, h, [](int x, int y) { return of_sum((x * 7 + y * 3) % 766); }));
}

struct Shape {
    int cols = -1, rows = 0;
    bool wellFormed = true; // every line the same length and ended by CR LF
};

Shape shape_of(const std::string &text) {
    Shape shape;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            shape.wellFormed = false;
            break;
        }
        int len = static_cast<int>(end - start);
        if (shape.cols >= 0 && len != shape.cols)
            shape.wellFormed = false;
        shape.cols = len;
        ++shape.rows;
        start = end + 2;
    }
    if (shape.rows == 0)
        shape.cols = 0;
    return shape;
}

const std::string expected = file_read(EXPECTED_PATH);

std::string without_cr(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

TEST(Cli, SampleGivesTheSameBytesByEveryRoute) {
    // Defaults: 100 columns; the 200 x 150 sample is 75 high at that width, 37 rows at 50 %.
    Shape shape = shape_of(expected);
    ASSERT_TRUE(shape.wellFormed);
    ASSERT_EQ(shape.cols, 100);
    ASSERT_EQ(shape.rows, 37);

    std::string out = work_path("sample.txt");
    struct Case {
        const char *name;
        std::vector<std::string> args;
        std::string stdinPath;
        bool lf;
    } cases[] = {
        {"file", {SAMPLE_PATH}, "/dev/null", false},
        {"stdin", {"-"}, SAMPLE_PATH, false},
        {"explicit defaults",
         {"--width=100", "--ratio", "50", "--brightness", "50", "--mode", "stretch", SAMPLE_PATH},
         "/dev/null",
         false},
        {"options after the input", {SAMPLE_PATH, "--lf"}, "/dev/null", true},
        {"after --", {"--", SAMPLE_PATH}, "/dev/null", false},
        {"-o -", {"-o", "-", SAMPLE_PATH}, "/dev/null", false},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args, c.stdinPath);
        EXPECT_EQ(run.code, 0) << c.name << "\n" << run.err;
        EXPECT_EQ(run.err, "") << c.name;
        EXPECT_EQ(run.out, c.lf ? without_cr(expected) : expected) << c.name << ":\n" << run.out;
    }

    Outcome toFile = vkd({"-o", out, SAMPLE_PATH});
    EXPECT_EQ(toFile.code, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(file_read(out), expected);
}

TEST(Cli, SettingsShapeTheTextPicture) {
    std::string tall = bmp_plain("tall.bmp", 20, 1536);
    std::string edge = bmp_plain("edge.bmp", 118, 512);
    std::string over = bmp_plain("over.bmp", 118, 513);
    const std::string lowered = "サイズを修正しました。\n";
    struct Case {
        std::vector<std::string> args;
        int cols, rows;
        std::string err;
    } cases[] = {
        {{"--width", "20", SAMPLE_PATH}, 20, 7, ""},
        {{"--width", "220", SAMPLE_PATH}, 220, 82, ""},
        {{"--ratio", "0", SAMPLE_PATH}, 0, 0, ""},
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
    std::string ladderText = "$&%#*?+/!;:-,. \r\n&%#*?+/!;:-,. $\r\n";
    struct Case {
        std::string file, brightness, text;
    } cases[] = {
        {up, "50", ladderText},
        {down, "50", ladderText},
        {bw, "100", ": \r\n"},
        {bw, "0", "$?\r\n"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd({"--mode", "original", "--brightness", c.brightness, c.file});
        EXPECT_EQ(run.code, 0) << c.file << "\n" << run.err;
        EXPECT_EQ(run.out, c.text) << c.file << " at " << c.brightness;
    }
}

TEST(Cli, RefusalsGiveTheProgramsMessageAndExit1) {
    const std::string stretch = "[ストレッチモード]\nロードするビットマップが大きすぎます。\n"
                                "2048×1536ピクセル以内のビットマップを使ってください。\n";
    const std::string original = "[オリジナルモード]\nロードするビットマップが大きすぎます。"
                                 "2048×1536サイズ以内のビットマップを使ってください。\n"
                                 "また縦と横をかけて61440以内でなくてはいけません。\n";
    const std::string tooLarge = "ヴェルコランのサイズが大きすぎて変換できません。\n"
                                 "比率か横幅を変更して下さい。\n";
    std::string notBm = bmp_plain("ba.bmp", 4, 4);
    notBm[1] = 'A';
    struct Case {
        const char *name;
        std::vector<std::string> args;
        std::string stdinPath, err; // err: exact, or a fragment when it starts with "vkd: "
    } cases[] = {
        {"missing", {work_path("none.bmp")}, "/dev/null", "ファイルのオープンに失敗しました。\n"},
        {"magic BA",
         {bmp_file("ba.bmp", notBm)},
         "/dev/null",
         "この形式は現在サポートされていません。\n"},
        {"empty stdin", {"-"}, "/dev/null", "この形式は現在サポートされていません。\n"},
        {"2049 x 1", {bmp_file("w.bmp", bmp_header_only(2049, 1))}, "/dev/null", stretch},
        {"1 x 1537", {bmp_file("h.bmp", bmp_header_only(1, 1537))}, "/dev/null", stretch},
        {"original 2049 wide", {"--mode", "original", work_path("w.bmp")}, "/dev/null", stretch},
        {"original 241 x 256",
         {"--mode", "original", bmp_file("a.bmp", bmp_header_only(241, 256))},
         "/dev/null",
         original},
        {"original 100 x 2000",
         {"--mode", "original", bmp_file("t.bmp", bmp_header_only(100, 2000))},
         "/dev/null",
         original},
        // 240 x 256 passes the area limit, but 242 x 256 bytes of text do not fit.
        {"original 240 x 256",
         {"--mode", "original", bmp_plain("o.bmp", 240, 256)},
         "/dev/null",
         tooLarge},
        {"stretch too long",
         {"--width", "220", "--ratio", "150", bmp_plain("sq.bmp", 100, 100)},
         "/dev/null",
         tooLarge},
        // Loads under the original-mode limits, but twice its width overflows the canvas.
        {"original 1010 x 60",
         {"--mode", "original", bmp_plain("wide.bmp", 1010, 60)},
         "/dev/null",
         "オリジナルモードではこのビットマップはキャンバスに収まりません。\n"
         "ストレッチモードに切り替えてください。\n"},
        {"path too long", {std::string(300, 'x') + ".bmp"}, "/dev/null", "vkd: the path is longer"},
        {"output folder missing",
         {"-o", work_path("no/such.txt"), SAMPLE_PATH},
         "/dev/null",
         "vkd: cannot write"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args, c.stdinPath);
        EXPECT_EQ(run.code, 1) << c.name;
        EXPECT_EQ(run.out, "") << c.name;
        if (c.err.rfind("vkd: ", 0) == 0)
            EXPECT_EQ(run.err.find(c.err), 0u) << c.name << ": " << run.err;
        else
            EXPECT_EQ(run.err, c.err) << c.name;
    }

    // A refused picture leaves an earlier output file as it was.
    std::string kept = work_path("kept.txt");
    file_write(kept, "earlier text");
    Outcome refused = vkd({"-o", kept, work_path("ba.bmp")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(file_read(kept), "earlier text");

    Outcome full = vkd({SAMPLE_PATH}, "/dev/null", "/dev/full");
    EXPECT_EQ(full.code, 1);
    EXPECT_EQ(full.err.find("vkd: cannot write standard output"), 0u) << full.err;
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
        {{SAMPLE_PATH, "-"}, "more than one input"},
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
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out, errFragment;
    } cases[] = {
        {{"--ini", bright, bw}, 0, ": \r\n", ""},
        {{"--brightness", "50", "--ini", bright, bw}, 0, "$ \r\n", ""},
        {{"--ini", odd, bw}, 1, "", "vkd: Mode 3 in '" + odd + "'"},
        {{"--ini", odd, "--mode", "original", bw}, 0, "$ \r\n", ""},
        {{"--ini", work_path("none.ini"), bw}, 1, "", "vkd: cannot read settings file"},
        {{"--ini", work_dir(), bw}, 1, "", "vkd: cannot read settings file"},
    };
    for (const Case &c : cases) {
        Outcome run = vkd(c.args);
        EXPECT_EQ(run.code, c.code) << c.args[1] << "\n" << run.err;
        EXPECT_EQ(run.out, c.out) << c.args[1];
        EXPECT_NE(run.err.find(c.errFragment), std::string::npos) << run.err;
    }

    // Mojisu 5 from the file is raised to 20 when the picture is opened, as the window does.
    Outcome raised = vkd({"--ini", narrow, SAMPLE_PATH});
    Shape shape = shape_of(raised.out);
    EXPECT_EQ(raised.code, 0) << raised.err;
    EXPECT_EQ(shape.cols, 20);
    EXPECT_EQ(shape.rows, 15);
}

} // namespace
