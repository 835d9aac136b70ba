#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>

#include "core/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"

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
        settings_defaults();
        settings.Height = c.height;
        std::strcpy(settings.FaceName, c.faceName);
        const EditorFontChoice f = editor_font_startup();
        EXPECT_EQ(f.height, c.expectedHeight) << c.height << " " << c.faceName;
        EXPECT_STREQ(f.face, c.expectedFace) << c.height << " " << c.faceName;
    }
    settings.FaceName[0] = '\0';
    settings_defaults();
}

TEST(EditorFont, DialogChoiceStoresFaceAndNegatedHeight) {
    const std::string longFace(40, 'x');
    struct {
        const char *face;
        int32_t logHeight;
        const char *storedFace;
        int32_t storedHeight;
    } const cases[] = {
        {"ＭＳ 明朝", -16, "ＭＳ 明朝", 16},
        {"Courier New", 13, "Courier New", -13},
        {"", 0, "", 0},
        {longFace.c_str(), -12, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 12}, // 31 bytes kept
        {"Fixedsys", INT32_MIN, "Fixedsys", INT32_MAX},                 // no wrap-around
    };
    for (const auto &c : cases) {
        std::memset(settings.FaceName, 'z', sizeof settings.FaceName);
        editor_font_store(c.face, c.logHeight);
        EXPECT_STREQ(settings.FaceName, c.storedFace) << c.face;
        EXPECT_EQ(settings.Height, c.storedHeight) << c.face;
    }
    settings.FaceName[0] = '\0';
    settings_defaults();
}
