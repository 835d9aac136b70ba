#include "settings_file/ini.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "core/common/document.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "temp_folder.h"
#include "window/document_state.h"

namespace {

std::string repeat(const std::string &text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

void settings_fresh() {
    settings = Settings{};
    settings_defaults(settings);
    lookSettings = LookSettings{};
}

// The target as the file keeps it: 1 the board's, 0 the program's own.
std::string target_text(Target target) {
    return target == Target::board ? "1" : target == targetNative ? "0" : "other";
}

// Every field of the record on one line, so a failure shows the whole picture.
std::string settings_text(const WindowRect &rect) {
    const Settings &s = settings;
    return "rect " + std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "," +
           std::to_string(rect.Right) + "," + std::to_string(rect.Bottom) + " Statusbar " +
           std::to_string(s.Statusbar) + " Toolbar " + std::to_string(s.Toolbar) + " Clientarea " +
           std::to_string(s.Clientarea) + " Position " + std::to_string(s.Position) + " Style " +
           std::to_string(s.Style) + " Open [" + s.openDir + "] Write [" + s.saveDir +
           "] FaceName [" + s.FaceName + "] Height " + std::to_string(s.Height) + " Hiritu " +
           std::to_string(s.Hiritu) + " Meido " + std::to_string(s.Meido) + " Mojisu " +
           std::to_string(s.Mojisu) + " Mode " + std::to_string(s.Mode) + " Interval " +
           std::to_string(s.Interval) + " Msg1 " + std::to_string(s.Msg1) + " Look " +
           std::to_string(int(lookSettings.look)) + " Dither " +
           std::to_string(lookSettings.dither) + " CharSet " + std::to_string(lookSettings.charSet) +
           " Target " + target_text(lookSettings.target) + " Chars [" + lookSettings.chars + "] Language [" +
           s.Language + "]";
}

const char defaultsText[] =
    "rect 0,0,0,0 Statusbar 1 Toolbar 1 Clientarea 1 Position 1 Style 1 Open [] Write [] "
    "FaceName [] Height 0 Hiritu 50 Meido 50 Mojisu 100 Mode 1 Interval 5 Msg1 0 Look 0 "
    "Dither 0 CharSet 0 Target 0 Chars [] Language []";

// What the program writes for the defaults and the rectangle 10,20,810,620.
const char defaultsFile[] = "[Forms]\r\nLeft=10\r\nTop=20\r\nRight=810\r\nBottom=620\r\n"
                            "Statusbar=1\r\nToolbar=1\r\nClientarea=1\r\nPosition=1\r\nStyle=1\r\n"
                            "[Path]\r\nOpen=\r\nwrite=\r\n"
                            "[Font]\r\nFaceName=\r\nHeight=0\r\n"
                            "[Configuration]\r\nHiritu=50\r\nMeido=50\r\nMojisu=100\r\nMode=1\r\n"
                            "Interval=5\r\n"
                            "[Print]\r\nMsg1=0\r\n"
                            "[Quality]\r\nLook=0\r\nDither=0\r\nChars=\r\nCharSet=0\r\nTarget=0\r\n"
                            "[Interface]\r\nLanguage=\r\n";

std::string read_file_text(const std::string &file, WindowRect &rect) {
    TempFolder folder;
    std::string path = folder.file("vkd.ini");
    file_put(path, file);
    settings_fresh();
    rect = {};
    ini_read_path(settings, lookSettings, path.c_str(), rect);
    return settings_text(rect);
}

TEST(IniIntParse, ReadsLikeAtoiWithoutOverflow) {
    struct Case {
        const char *text;
        int32_t expected;
    };
    const std::vector<Case> cases = {
        {"150", 150},
        {" \t150 ", 150},
        {"\n\v\f\r12", 12}, // every blank the C library skips
        {"150abc", 150},
        {"-30", -30},
        {"+7", 7},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"--5", 0},
        {"+-5", 0},
        {"0x1F", 0},
        {"007", 7},
        {"1 2", 1},
        {"-0", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"-21474836470", INT32_MIN}, // a digit more after exactly INT32_MAX
        {"99999999999999999999999", INT32_MAX},
        {"-99999999999999999999999", INT32_MIN},
        {"18446744073709551616", INT32_MAX}, // 2^64: a 64-bit sum would wrap to 0
        {"-18446744073709551617", INT32_MIN},
        {"\x82\x4F", 0}, // a full-width digit
    };
    for (const auto &c : cases)
        EXPECT_EQ(ini_int_parse(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST(IniPath, FitsOrRefuses) {
    std::string saved = startupDir;
#ifdef _WIN32
    const std::string sep = "\\";
#else
    const std::string sep = "/";
#endif
    struct Case {
        std::string dir;
        bool fits;
    };
    const std::vector<Case> cases = {
        {"C:\\work", true},
        {std::string(pathBytes - 9, 'd'), true}, // + 8 bytes + terminator = pathBytes
        {std::string(pathBytes - 8, 'd'), false},
        {std::string(pathBytes - 1, 'd'), false},
        {"", false}, // no start-up directory: not the root of the drive
    };
    for (const auto &c : cases) {
        std::strcpy(startupDir, c.dir.c_str());
        char path[pathBytes];
        std::memset(path, '#', sizeof path);
        EXPECT_EQ(ini_path(startupDir, path), c.fits) << c.dir.size();
        EXPECT_EQ(std::string(path), c.fits ? c.dir + sep + "vkd.ini" : "") << c.dir.size();
    }
    std::strcpy(startupDir, saved.c_str());
}

TEST(IniRead, NoFileKeepsTheDefaults) {
    TempFolder folder;
    settings_fresh();
    WindowRect rect{};
    ini_read_path(settings, lookSettings, folder.file("vkd.ini").c_str(), rect);
    EXPECT_EQ(settings_text(rect), defaultsText);
    EXPECT_FALSE(ini_rect_moves(rect));
}

TEST(IniRead, EveryEntryReachesItsField) {
    WindowRect rect;
    std::string got = read_file_text(
        "[Print]\r\nMsg1=11\r\n[Configuration]\r\nInterval=-3\r\nMode=2\r\nMojisu=140\r\n"
        "Meido=70\r\nHiritu=80\r\n[Font]\r\nHeight=-13\r\nFaceName=\x82\x6C\x82\x72 Mincho\r\n"
        "[Path]\r\nwrite=D:\\out dir\r\nOpen=C:\\\x83\x5C\\in\r\n"
        "[Forms]\r\nStyle=0\r\nPosition=0\r\nClientarea=0\r\nToolbar=7\r\nStatusbar=0\r\n"
        "Bottom=600\r\nRight=800\r\nTop=-20\r\nLeft=-10\r\n[Interface]\r\nLanguage=en\r\n",
        rect);
    // The file's CP932 is UTF-8 in memory.
    EXPECT_EQ(got, "rect -10,-20,800,600 Statusbar 0 Toolbar 7 Clientarea 0 Position 0 Style 0 "
                   "Open [C:\\ソ\\in] Write [D:\\out dir] FaceName [ＭＳ Mincho] "
                   "Height -13 Hiritu 80 Meido 70 Mojisu 140 Mode 2 Interval -3 Msg1 11 Look 0 "
                   "Dither 0 CharSet 0 Target 0 Chars [] Language [en]");
}

TEST(IniRead, ValuesAsTheProgramTakesThem) {
    struct Case {
        const char *name;
        std::string file;
        std::string expected; // the record after reading, from defaults
    };
    auto with = [](const std::string &from, const std::string &to, const std::string &from2 = "",
                   const std::string &to2 = "") {
        std::string text = defaultsText;
        text.replace(text.find(from), from.size(), to);
        if (!from2.empty())
            text.replace(text.find(from2), from2.size(), to2);
        return text;
    };
    const std::string face99(99, 'f');
    const std::string face98(98, 'f');
    const std::vector<Case> cases = {
        {"empty Mojisu keeps 100", "[Configuration]\r\nMojisu=\r\n", defaultsText},
        {"blanks around 150", "[Configuration]\r\nMojisu=  150  \r\n",
         with("Mojisu 100", "Mojisu 150")},
        {"150 followed by letters", "[Configuration]\r\nMojisu=150abc\r\n",
         with("Mojisu 100", "Mojisu 150")},
        {"negative Mojisu stays", "[Configuration]\r\nMojisu=-30\r\n",
         with("Mojisu 100", "Mojisu -30")},
        {"letters give 0", "[Configuration]\r\nMode=abc\r\n", with("Mode 1", "Mode 0")},
        {"beyond 32 bits saturates", "[Configuration]\r\nMeido=12345678901\r\n",
         with("Meido 50", "Meido 2147483647")},
        {"lower-case names", "[configuration]\r\nmojisu=77\r\n[path]\r\nwrite=x\r\n",
         with("Mojisu 100", "Mojisu 77", "Write []", "Write [x]")},
        {"existing Write entry", "[Path]\r\nWrite=C:\\saved\r\n",
         with("Write []", "Write [C:\\saved]")},
        {"quotes stay part of a string", "[Path]\r\nOpen=\"C:\\a b\"\r\n",
         with("Open []", "Open [\"C:\\a b\"]")},
        {"empty strings stay empty", "[Path]\r\nOpen=\r\nWrite=\r\n[Font]\r\nFaceName=\r\n",
         defaultsText},
        {"long face name cut at 99", "[Font]\r\nFaceName=" + std::string(200, 'f') + "\r\n",
         with("FaceName []", "FaceName [" + face99 + "]")},
        {"face name cut before a split character",
         "[Font]\r\nFaceName=" + face98 + "\x82\xA0xyz\r\n",
         with("FaceName []", "FaceName [" + face98 + "]")},
        {"face name of 99 bytes whole", "[Font]\r\nFaceName=" + face98 + "\xA6\r\n",
         with("FaceName []", "FaceName [" + face98 + "ｦ]")},
        {"99 bytes of CP932 take more in UTF-8", "[Font]\r\nFaceName=" + std::string(120, '\xB1') + "\r\n",
         with("FaceName []", "FaceName [" + repeat("ｱ", 99) + "]")},
        {"a marked face is UTF-8", "[Font]\r\nFaceName=utf8:맑은 고딕\r\n",
         with("FaceName []", "FaceName [맑은 고딕]")},
        {"a long marked path is not cut at 259 bytes",
         "[Path]\r\nOpen=utf8:C:\\" + repeat("사진", 60) + "\r\n",
         with("Open []", "Open [C:\\" + repeat("사진", 60) + "]")},
        {"a marked path cut to the field whole characters",
         "[Path]\r\nOpen=utf8:" + repeat("사", 300) + "\r\n",
         with("Open []", "Open [" + repeat("사", (sizeof settings.openDir - 1) / 3) + "]")},
        {"the interface language, and an unknown one as written",
         "[interface]\r\nlanguage=ja\r\n[Interface]\r\nLanguage=xx\r\n",
         with("Language []", "Language [ja]")},
        {"long directory cut at 259", "[Path]\r\nOpen=" + std::string(300, 'o') + "\r\n",
         with("Open []", "Open [" + std::string(259, 'o') + "]")},
        {"rectangle in the wrong section ignored", "[Configuration]\r\nLeft=5\r\n", defaultsText},
        {"shape look, dither, quoted list", "[Quality]\r\nLook=2\r\nDither=1\r\nChars=\" .:#\"\r\n",
         with("Look 0 Dither 0 CharSet 0 Target 0 Chars []", "Look 2 Dither 1 CharSet 0 Target 0 Chars [ .:#]")},
        {"the full-width set", "[Quality]\r\nCharSet=1\r\n", with("CharSet 0", "CharSet 1")},
        {"an unknown set is the half-width one", "[Quality]\r\nCharSet=2\r\n", defaultsText},
        {"the trace look", "[Quality]\r\nLook=3\r\n", with("Look 0", "Look 3")},
        {"the board's target", "[Quality]\r\nTarget=1\r\n", with("Target 0", "Target 1")},
        {"an unknown target is the program's own", "[Quality]\r\nTarget=2\r\n", defaultsText},
        {"a CP932 list of full-width symbols", "[Quality]\r\nChars=\"\x81\x51\x81\x5E \"\r\n",
         with("Chars []", "Chars [＿／ ]")},
        {"a marked list", "[Quality]\r\nChars=utf8:\"＿. \"\r\n", with("Chars []", "Chars [＿. ]")},
        {"photo look, list without quotes", "[quality]\r\nlook=1\r\nChars=ab\r\n",
         with("Look 0 Dither 0 CharSet 0 Target 0 Chars []", "Look 1 Dither 0 CharSet 0 Target 0 Chars [ab]")},
        {"unknown look is standard, unusable list the default",
         "[Quality]\r\nLook=7\r\nDither=-2\r\nChars=\"\"\r\n",
         with("Look 0 Dither 0", "Look 0 Dither 1")},
        {"list of other bytes ignored", "[Quality]\r\nChars=\x82\xA0\r\n", defaultsText},
        {"a file without [Interface] is automatic", "[Quality]\r\nLook=0\r\n", defaultsText},
    };
    for (const auto &c : cases) {
        WindowRect rect;
        EXPECT_EQ(read_file_text(c.file, rect), c.expected) << c.name;
    }
}

TEST(IniWrite, FileFromNothingHoldsEveryEntryInOrder) {
    TempFolder folder;
    std::string saved = startupDir;
    std::strcpy(startupDir, folder.path().c_str());
    settings_fresh();
    ini_write(startupDir, settings, lookSettings, {10, 20, 810, 620});
    EXPECT_EQ(visible(file_get(folder.file("vkd.ini"))), visible(defaultsFile));
    EXPECT_EQ(folder.listing(), "vkd.ini;");
    // Read back from the start-up folder as the program starts.
    settings.Mojisu = 33;
    WindowRect rect{};
    ini_read(startupDir, settings, lookSettings, rect);
    EXPECT_EQ(settings.Mojisu, 100);
    EXPECT_EQ(rect.Right, 810);
    std::strcpy(startupDir, saved.c_str());

    // With no folder to write to, the width is still raised in the record.
    startupDir[0] = '\0';
    settings.Mojisu = 5;
    ini_write(startupDir, settings, lookSettings, {10, 20, 810, 620});
    std::strcpy(startupDir, saved.c_str());
    EXPECT_EQ(settings.Mojisu, 20);
}

TEST(IniWrite, KeepsForeignLinesAndReplacesOwnEntries) {
    struct Case {
        const char *name;
        std::string file;
        std::string expected;
        const char *saveDir = "";
    };
    std::string body = defaultsFile;
    const std::vector<Case> cases = {
        {"foreign sections and comments",
         "; settings\r\n\r\n[Other]\r\nx = y\r\n[Forms]\r\nLeft=1\r\n; keep\r\n\r\n[Last]\r\n",
         "; settings\r\n\r\n[Other]\r\nx = y\r\n[Forms]\r\nLeft=10\r\n; keep\r\nTop=20\r\n"
         "Right=810\r\nBottom=620\r\nStatusbar=1\r\nToolbar=1\r\nClientarea=1\r\nPosition=1\r\n"
         "Style=1\r\n\r\n[Last]\r\n" +
             body.substr(body.find("[Path]"))},
        {"existing Write entry", "[Path]\r\nWrite=C:\\old\r\n",
         "[Path]\r\nWrite=C:\\new\r\nOpen=\r\n" + body.substr(0, body.find("[Path]")) +
             body.substr(body.find("[Font]")),
         "C:\\new"},
        {"lower-case names", "[configuration]\r\nmojisu=3\r\n",
         "[configuration]\r\nmojisu=100\r\nHiritu=50\r\nMeido=50\r\nMode=1\r\nInterval=5\r\n" +
             body.substr(0, body.find("[Configuration]")) + body.substr(body.find("[Print]"))},
    };
    for (const auto &c : cases) {
        TempFolder folder;
        std::string path = folder.file("vkd.ini");
        file_put(path, c.file);
        settings_fresh();
        std::strcpy(settings.saveDir, c.saveDir);
        ini_write_path(settings, lookSettings, path.c_str(), {10, 20, 810, 620});
        EXPECT_EQ(visible(file_get(path)), visible(c.expected)) << c.name;
    }
}

TEST(IniWrite, RaisesMojisuAndRoundTrips) {
    TempFolder folder;
    std::string path = folder.file("vkd.ini");
    settings_fresh();
    settings.Mojisu = -30;
    settings.Meido = -4;
    settings.Interval = INT32_MIN;
    settings.Toolbar = 0;
    settings.Msg1 = 9;
    settings.Height = -19;
    std::strcpy(settings.openDir, "C:\\ソ\\pics");
    std::strcpy(settings.saveDir, "  padded");
    std::strcpy(settings.FaceName, "ＭＳ ゴシック");
    std::strcpy(settings.Language, "en");
    lookSettings = LookSettings{Look::trace, true, " .\":#\" ＿／"};
    lookSettings.charSet = 1;
    lookSettings.target = Target::board;
    WindowRect written{-8, -8, 1288, 1008};
    ini_write_path(settings, lookSettings, path.c_str(), written);
    // The list in CP932, as the window's other strings: ＿ is 81 51, ／ 81 5E.
    EXPECT_NE(file_get(path).find("Chars=\" .\":#\" \x81\x51\x81\x5E\"\r\nCharSet=1\r\nTarget=1\r\n"),
              std::string::npos)
        << visible(file_get(path));
    EXPECT_EQ(settings.Mojisu, 20) << "raised in the record itself";
    std::string expected = settings_text(written);
    // Blanks around a value are not part of it.
    expected.replace(expected.find("[  padded]"), 10, "[padded]");

    settings_fresh();
    WindowRect rect{};
    ini_read_path(settings, lookSettings, path.c_str(), rect);
    EXPECT_EQ(settings_text(rect), expected);
}

// Strings are UTF-8 in memory and CP932 in the file wherever CP932 holds them, as every earlier
// version wrote and reads them; the others are marked UTF-8. Each reads back unchanged.
TEST(IniWrite, StringsCp932CannotHoldAreMarked) {
    struct Case {
        const char *name;
        std::string value, line; // settings.openDir, or FaceName; the line in the file
        bool face;
    };
    const std::vector<Case> cases = {
        {"Japanese in CP932 as always", "C:\\写真", "Open=C:\\\x8e\xca\x90\x5e", false},
        {"Korean and an accent marked", "C:\\사진é", "Open=utf8:C:\\사진é", false},
        {"a value that looks marked is marked", "utf8:x", "Open=utf8:utf8:x", false},
        {"one that is not quite the mark is not", "utf8-x", "Open=utf8-x", false},
        {"a lone surrogate, as Windows allows in a name", "C:\\\xed\xa0\x80",
         "Open=utf8:C:\\\xed\xa0\x80", false},
        {"a face CP932 holds", "ＭＳ ゴシック", "FaceName=\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e",
         true},
        {"a face it does not", "맑은 고딕", "FaceName=utf8:맑은 고딕", true},
        // CP932 only as long as it is read back whole: 259 bytes of a folder, 99 of a face.
        {"a folder of 259 bytes in CP932", "C:\\" + repeat("写", 128),
         "Open=C:\\" + repeat("\x8e\xca", 128), false},
        {"a longer one marked", "C:\\" + repeat("写真", 65), "Open=utf8:C:\\" + repeat("写真", 65),
         false},
        {"a face of 99 bytes", "a" + repeat("ゴ", 49), "FaceName=a" + repeat("\x83\x53", 49), true},
        {"a longer one marked", repeat("ゴ", 50), "FaceName=utf8:" + repeat("ゴ", 50), true},
    };
    for (const Case &c : cases) {
        TempFolder folder;
        const std::string path = folder.file("vkd.ini");
        settings_fresh();
        std::strcpy(c.face ? settings.FaceName : settings.openDir, c.value.c_str());
        ini_write_path(settings, lookSettings, path.c_str(), {0, 0, 0, 0});
        const std::string bytes = file_get(path);
        EXPECT_NE(bytes.find("\r\n" + c.line + "\r\n"), std::string::npos) << c.name << "\n"
                                                                             << visible(bytes);
        settings_fresh();
        WindowRect rect{};
        ini_read_path(settings, lookSettings, path.c_str(), rect);
        EXPECT_EQ(std::string(c.face ? settings.FaceName : settings.openDir), c.value) << c.name;
    }
}

TEST(IniRect, MovesOnlyWhenWidthPlusHeightIsNotZero) {
    struct Case {
        WindowRect rect;
        bool moves;
    };
    const std::vector<Case> cases = {
        {{0, 0, 0, 0}, false},
        {{100, 50, 100, 50}, false},
        {{0, 0, 100, -100}, false}, // width and height cancel out
        {{0, 0, 800, 600}, true},
        {{0, 0, 1, 0}, true},
        {{-10, -10, 0, -10}, true},
        {{INT32_MIN, 0, INT32_MAX, 0}, true}, // a width beyond 32 bits is still not 0
        {{INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX}, false}, // extremes that cancel out
        {{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ini_rect_moves(c.rect), c.moves)
            << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
}

TEST(IniRect, SizeSaturatesInsteadOfWrapping) {
    struct Case {
        WindowRect rect;
        int32_t width, height;
    };
    const std::vector<Case> cases = {
        {{30, 40, 830, 640}, 800, 600},
        {{100, 100, 0, 50}, -100, -50},
        {{INT32_MIN, 0, 100, 0}, INT32_MAX, 0},
        {{0, INT32_MIN, 0, INT32_MAX}, 0, INT32_MAX},
        {{INT32_MAX, 0, -2, 0}, INT32_MIN, 0},
        {{1, 0, INT32_MIN, 0}, INT32_MIN, 0},
        {{0, 0, INT32_MIN, 0}, INT32_MIN, 0}, // exactly representable
    };
    for (const auto &c : cases) {
        const WindowSize got = ini_rect_size(c.rect);
        EXPECT_EQ((std::vector<int32_t>{got.width, got.height}),
                  (std::vector<int32_t>{c.width, c.height}))
            << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
    }
}

TEST(IniRect, RectangleToWriteFollowsThePlacement) {
    const WindowRect window{30, 40, 830, 640};
    struct Case {
        int showCmd;
        WindowRect expected;
    };
    const std::vector<Case> cases = {
        {1, window},             // normal
        {2, {0, 0, 0, 0}},       // minimised
        {3, {0, 0, 1288, 1002}}, // maximised: the maximised size at 0,0
        {0, window},
        {5, window},
        {9, window},
    };
    for (const auto &c : cases) {
        WindowRect got = ini_rect_to_write(window, c.showCmd, 1288, 1002);
        EXPECT_EQ((std::vector<int32_t>{got.Left, got.Top, got.Right, got.Bottom}),
                  (std::vector<int32_t>{c.expected.Left, c.expected.Top, c.expected.Right,
                                        c.expected.Bottom}))
            << "showCmd " << c.showCmd;
    }
}

} // namespace
