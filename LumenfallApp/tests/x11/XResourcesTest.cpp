#include "platform/x11/XResources.hpp"

#include <gtest/gtest.h>

using lumen::app::XResources::backingScale;

TEST(X11Resources, ScaleIsXftDpiOver96ElseOne)
{
    const std::pair<const char*, double> rows[] = {
        {"Xft.antialias:\t1\nXft.dpi:\t192\nXcursor.size:\t48\n", 2.0},
        {"Xft.dpi: 144", 1.5},
        {"", 1.0},
        {"Xft.hinting:\t1\n", 1.0},
        {"Xft.dpi:\tlarge\n", 1.0},
        {"Xft.dpi:\t0\n", 1.0},
        {"MyXft.dpi:\t192\n", 1.0},  // another resource whose name merely ends the same way
    };
    for (const auto& [resources, scale] : rows) EXPECT_DOUBLE_EQ(backingScale(resources), scale) << resources;
}
