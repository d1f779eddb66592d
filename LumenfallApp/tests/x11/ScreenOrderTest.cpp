#include "platform/Screen.hpp"

#include <gtest/gtest.h>

using lumen::app::Screen;

namespace {

Screen at(std::uint32_t id, int x, int y, bool primary = false)
{
    Screen s;
    s.id = id;
    s.frame = {x, y, 100, 100};
    s.primary = primary;
    return s;
}

std::vector<std::uint32_t> ids(const std::vector<Screen>& screens)
{
    std::vector<std::uint32_t> out;
    for (const Screen& s : screens) {
        out.push_back(s.id);
    }
    return out;
}

}  // namespace

TEST(ScreenOrder, PrimaryFirstThenLeftToRightThenTopToBottom)
{
    std::vector<Screen> screens{at(1, 100, 0), at(2, 0, 100), at(3, 200, 0, true), at(4, 0, 0)};
    lumen::app::sortScreens(screens);
    EXPECT_EQ(ids(screens), (std::vector<std::uint32_t>{3, 4, 2, 1}));
}

TEST(ScreenOrder, WithoutAPrimaryTheLeftmostComesFirst)
{
    std::vector<Screen> screens{at(7, 1920, 0), at(8, -1280, 200)};
    lumen::app::sortScreens(screens);
    EXPECT_EQ(ids(screens), (std::vector<std::uint32_t>{8, 7}));
}
