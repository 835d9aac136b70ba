#include <gtest/gtest.h>

#include "core/settings.h"

TEST(Settings, MojisuBoundsApplyOnlyWhereTheyBelong) {
    enum Op { narrower, wider, raise };
    const struct {
        int32_t mojisu, interval;
        Op op;
        int32_t expected;
    } cases[] = {
        {22, 5, narrower, 20},  {20, 5, narrower, 20},   {218, 5, wider, 220},
        {300, -10, narrower, 310}, // a negative step widens past 220
        {25, -10, wider, 15},      // and narrows below 20
        {5, 0, narrower, 20},   {500, 0, wider, 220},    {100, 0, narrower, 100},
        {INT32_MAX, -1, narrower, INT32_MAX},            {INT32_MIN, -1, wider, INT32_MIN},
        {5, 5, raise, 20},      {300, 5, raise, 300},
    };
    for (const auto &c : cases) {
        settings_defaults();
        settings.Mojisu = c.mojisu;
        settings.Interval = c.interval;
        c.op == narrower ? mojisu_narrower() : c.op == wider ? mojisu_wider() : mojisu_raise_to_min();
        EXPECT_EQ(settings.Mojisu, c.expected)
            << "Mojisu " << c.mojisu << " Interval " << c.interval << " op " << c.op;
    }
}

TEST(Settings, ToggleMakesAnyNonZeroZero) {
    int32_t field = 7;
    const int32_t expected[] = {0, 1, 0};
    for (int32_t e : expected) {
        flag_toggle(field);
        EXPECT_EQ(field, e);
    }
}
