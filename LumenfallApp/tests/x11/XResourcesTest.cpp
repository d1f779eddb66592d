#include "platform/x11/XResources.hpp"

#include <gtest/gtest.h>

using lumen::app::XResources::backingScale;

TEST(XResources, ScaleIsXftDpiOver96)
{
    EXPECT_DOUBLE_EQ(backingScale("Xft.antialias:\t1\nXft.dpi:\t192\nXcursor.size:\t48\n"), 2.0);
    EXPECT_DOUBLE_EQ(backingScale("Xft.dpi: 144"), 1.5);
}

TEST(XResources, WithoutAUsableDpiTheScaleIsOne)
{
    EXPECT_DOUBLE_EQ(backingScale(""), 1.0);
    EXPECT_DOUBLE_EQ(backingScale("Xft.hinting:\t1\n"), 1.0);
    EXPECT_DOUBLE_EQ(backingScale("Xft.dpi:\tlarge\n"), 1.0);
    EXPECT_DOUBLE_EQ(backingScale("Xft.dpi:\t0\n"), 1.0);
    // Another resource whose name merely ends the same way.
    EXPECT_DOUBLE_EQ(backingScale("MyXft.dpi:\t192\n"), 1.0);
}
