#include "platform/Screen.hpp"

#include <gtest/gtest.h>

// The primary screen first, then left to right, then top to bottom.
TEST(X11ScreenOrder, PrimaryFirstThenLeftToRightThenTopToBottom)
{
    using Given = std::vector<std::tuple<std::uint32_t, int, int, bool>>;  // id, x, y, primary
    const std::pair<Given, std::vector<std::uint32_t>> rows[] = {
        {{{1, 100, 0, false}, {2, 0, 100, false}, {3, 200, 0, true}, {4, 0, 0, false}}, {3, 4, 2, 1}},
        {{{7, 1920, 0, false}, {8, -1280, 200, false}}, {8, 7}},
    };
    for (const auto& [given, expected] : rows) {
        std::vector<lumen::app::Screen> screens;
        for (const auto& [id, x, y, primary] : given) {
            screens.push_back({.id = id, .frame = {x, y, 100, 100}, .primary = primary});
        }
        lumen::app::sortScreens(screens);
        std::vector<std::uint32_t> ids;
        for (const auto& s : screens) ids.push_back(s.id);
        EXPECT_EQ(ids, expected);
    }
}
