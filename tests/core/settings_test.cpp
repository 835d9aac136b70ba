#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "window/document_state.h"

namespace {

// Read while the program's globals are still as the process started them: constant
// initialisation comes before any dynamic initialisation such as this one, and before any test.
struct StartState {
    std::vector<int32_t> geometry, settingsFields;
    bool imageLoaded, hasFileName;
    std::string docTitle, bitmapPath;
};
const StartState startState = {
    {bmpWidth, bmpHeight, mapCols, previewHeight, mapRows, mapX, mapY},
    {settings.Meido, settings.Mojisu, settings.Hiritu, settings.Mode, settings.Interval,
     settings.Statusbar, settings.Toolbar, settings.Clientarea, settings.Position, settings.Style,
     settings.Msg1, settings.Height},
    imageLoaded,
    hasFileName,
    docTitle,
    bitmapPath,
};

} // namespace

// Before the main window puts the defaults in place: no picture, no document, all zero.
TEST(Settings, ProcessStartsEmpty) {
    EXPECT_EQ(startState.geometry, std::vector<int32_t>(7, 0));
    EXPECT_EQ(startState.settingsFields, std::vector<int32_t>(12, 0));
    EXPECT_FALSE(startState.imageLoaded);
    EXPECT_FALSE(startState.hasFileName);
    EXPECT_EQ(startState.docTitle, "無題");
    EXPECT_EQ(startState.bitmapPath, "");
}

TEST(Settings, MojisuBoundsApplyOnlyWhereTheyBelong) {
    const struct {
        int32_t mojisu, interval;
        void (*op)(Settings &);
        int32_t expected;
    } cases[] = {
        {22, 5, mojisu_narrower, 20},
        {20, 5, mojisu_narrower, 20},
        {218, 5, mojisu_wider, 220},
        {300, -10, mojisu_narrower, 310}, // no upper bound
        {25, -10, mojisu_wider, 15},
        {5, 0, mojisu_narrower, 20}, // no lower bound
        {500, 0, mojisu_wider, 220},
        {INT32_MAX, -1, mojisu_narrower, INT32_MAX},
        {INT32_MIN, -1, mojisu_wider, INT32_MIN},
        {5, 5, mojisu_raise_to_min, 20},
        {300, 5, mojisu_raise_to_min, 300},
    };
    for (const auto &c : cases) {
        settings.Mojisu = c.mojisu;
        settings.Interval = c.interval;
        c.op(settings);
        EXPECT_EQ(settings.Mojisu, c.expected)
            << "Mojisu " << c.mojisu << " Interval " << c.interval;
    }
    int32_t toolbar = 7;
    for (int32_t expected : {0, 1, 0}) {
        flag_toggle(toolbar);
        EXPECT_EQ(toolbar, expected);
    }
}
