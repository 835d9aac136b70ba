#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>

#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "window/display.h"
#include "settings_dialog/settings_dialog.h"
#include "window/document_state.h"

static std::ostream &operator<<(std::ostream &os, const CanvasBox &b) {
    return os << "[" << b.left << ", " << b.top << ")-(" << b.right << ", " << b.bottom << ")";
}

TEST(CanvasSplit, UpdateRectangleInsideAndBeyondTheCanvas) {
    const CanvasBox none{0, 0, 0, 0};
    struct {
        const char *name;
        CanvasBox update, inside, right, below;
    } const cases[] = {
        {"inside", {10, 20, 110, 70}, {10, 20, 110, 70}, none, none},
        {"up to the edges", {0, 0, 2048, 1536}, {0, 0, 2048, 1536}, none, none},
        {"across the right edge",
         {2000, 10, 2100, 20},
         {2000, 10, 2048, 20},
         {2048, 10, 2100, 20},
         none},
        {"across the bottom edge",
         {5, 1500, 50, 1600},
         {5, 1500, 50, 1536},
         none,
         {5, 1536, 50, 1600}},
        {"across the corner",
         {2000, 1500, 2100, 1600},
         {2000, 1500, 2048, 1536},
         {2048, 1500, 2100, 1536},
         {2000, 1536, 2100, 1600}},
        {"wholly right", {2100, 0, 2200, 100}, none, {2100, 0, 2200, 100}, none},
        {"wholly below", {0, 1600, 100, 1700}, none, none, {0, 1600, 100, 1700}},
        {"empty", {30, 30, 30, 40}, none, none, none},
    };
    for (const auto &c : cases) {
        const CanvasSplit s = canvas_split(c.update);
        EXPECT_EQ(s.inside, c.inside) << c.name;
        EXPECT_EQ(s.right, c.right) << c.name;
        EXPECT_EQ(s.below, c.below) << c.name;
    }
}

TEST(CanvasLabel, VerticalAlongTheLeftEdgeHorizontalInTheTopRightCorner) {
    struct {
        int32_t position, paneWidth, paneHeight, textWidth;
        LabelOrigin at;
        int32_t dpi = 96;
    } const cases[] = {
        {1, 136, 552, 200, {2, 542}},
        {5, 300, 10, 0, {2, 0}},
        {0, 800, 111, 200, {588, -2}},
        {0, 100, 40, 150, {-62, -2}}, // a label wider than the pane starts left of it
        {1, 154, 828, 300, {3, 813}, 144},
        {0, 1200, 129, 300, {882, -3}, 144},
        {0, 1600, 172, 400, {1176, -4}, 192},
    };
    for (const auto &c : cases) {
        const LabelOrigin at =
            c.dpi == 96 ? label_origin(c.position, c.paneWidth, c.paneHeight, c.textWidth)
                        : label_origin(c.position, c.paneWidth, c.paneHeight, c.textWidth, c.dpi);
        EXPECT_EQ(at.x, c.at.x) << "Position " << c.position << ", pane " << c.paneWidth;
        EXPECT_EQ(at.y, c.at.y) << "Position " << c.position << ", pane " << c.paneWidth;
    }
}

TEST(CanvasLabel, FontAndToolbarBitmapFollowTheDpi) {
    struct {
        int32_t dpi, labelHeight;
        int bitmap;
        int32_t buttonWidth, buttonHeight;
    } const cases[] = {
        {96, 35, 400, 16, 15},   {120, 44, 400, 16, 15}, {143, 52, 400, 16, 15},
        {144, 53, 402, 24, 23},  {168, 61, 402, 24, 23}, {192, 70, 403, 32, 30},
        {288, 105, 403, 32, 30},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(label_font_height(c.dpi), c.labelHeight) << c.dpi;
        const int bitmap = toolbar_bitmap_for_dpi(c.dpi);
        EXPECT_EQ(bitmap, c.bitmap) << c.dpi;
        EXPECT_EQ(dpi_scale(16, toolbar_bitmap_dpi(bitmap)), c.buttonWidth) << c.dpi;
        EXPECT_EQ(dpi_scale(15, toolbar_bitmap_dpi(bitmap)), c.buttonHeight) << c.dpi;
    }
}

TEST(SettingsDialogRules, RedWidthRadiosAndUpDownPositions) {
    for (const auto &[width, red] :
         std::initializer_list<std::pair<int32_t, bool>>{{INT32_MIN, true},
                                                         {19, true},
                                                         {20, false},
                                                         {100, false},
                                                         {220, false},
                                                         {221, true},
                                                         {300, true},
                                                         {INT32_MAX, true}})
        EXPECT_EQ(settings_width_out_of_range(width), red) << "width " << width;

    struct {
        bool stretch, original;
        int32_t stored, mode;
    } const radios[] = {
        {true, false, 2, 1},  {false, true, 1, 2},  {true, true, 1, 2}, // original is read last
        {false, false, 3, 3}, {false, false, 1, 1},                     // neither: kept
    };
    for (const auto &r : radios)
        EXPECT_EQ(settings_mode_from_radios(r.stretch, r.original, r.stored), r.mode)
            << r.stretch << r.original << " stored " << r.stored;

    for (const auto &[answer, position] : std::initializer_list<std::pair<int64_t, int32_t>>{
             {100, 100}, {0x123400DC, 220}, {0x10005, 5}, {0xFFFF, 65535}, {-1, 65535}})
        EXPECT_EQ(settings_updown_position(answer), position) << "answer " << answer;
}

TEST(EditorFont, StartUpFontFollowsHeight) {
    struct {
        int32_t height;
        const char *faceName;
        int32_t expectedHeight;
        const char *expectedFace;
    } const cases[] = {
        {0, "", -15, "ＭＳ ゴシック"},
        {0, "Courier New", -15, "ＭＳ ゴシック"}, // Height 0 ignores the stored face
        {-20, "Courier New", -20, "Courier New"},
        {16, "ＭＳ 明朝", 16, "ＭＳ 明朝"}, // as stored, not negated back
    };
    for (const auto &c : cases) {
        settings_defaults(settings);
        settings.Height = c.height;
        std::strcpy(settings.FaceName, c.faceName);
        const EditorFontChoice f = editor_font_startup(settings);
        EXPECT_EQ(f.height, c.expectedHeight) << c.height << " " << c.faceName;
        EXPECT_STREQ(f.face, c.expectedFace) << c.height << " " << c.faceName;
    }
    settings.FaceName[0] = '\0';
    settings_defaults(settings);
}

TEST(EditorFont, DialogChoiceStoresFaceAndNegatedHeight) {
    const std::string longFace(40, 'x');
    std::string longJapanese;
    for (int i = 0; i < 40; ++i)
        longJapanese += "明";
    const std::string japaneseKept = longJapanese.substr(0, 31 * 3);
    // U+10000 takes a pair of UTF-16 units: 31 units, and no room for the "y".
    const std::string beyond = std::string(29, 'x') + "\U00010000y";
    const std::string beyondKept = std::string(29, 'x') + "\U00010000";
    struct {
        const char *face;
        int32_t logHeight;
        const char *storedFace;
        int32_t storedHeight;
    } const cases[] = {
        {"ＭＳ 明朝", -16, "ＭＳ 明朝", 16},
        {"Courier New", 13, "Courier New", -13},
        {"", 0, "", 0},
        {longFace.c_str(), -12, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 12}, // 31 units kept
        {longJapanese.c_str(), -12, japaneseKept.c_str(), 12},
        {beyond.c_str(), -12, beyondKept.c_str(), 12},
        {"Fixedsys", INT32_MIN, "Fixedsys", INT32_MAX},                 // no wrap-around
    };
    for (const auto &c : cases) {
        std::memset(settings.FaceName, 'z', sizeof settings.FaceName);
        editor_font_store(c.face, c.logHeight);
        EXPECT_STREQ(settings.FaceName, c.storedFace) << c.face;
        EXPECT_EQ(settings.Height, c.storedHeight) << c.face;
    }
    settings.FaceName[0] = '\0';
    settings_defaults(settings);
}
