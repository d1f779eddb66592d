#include "services/ShellOcclusion.hpp"

#include <gtest/gtest.h>

using lumen::app::PixelRect;
using lumen::app::ShellState;

// What the extension says is read strictly: a state that cannot be read is no state, and the
// wallpaper then keeps to its own X11 rule.
TEST(ShellState, ReadStrictlyAndHiddenByTheMonitorItMostlyLiesOn)
{
    const char* readable = R"({"monitors":[{"x":0,"y":0,"width":1280,"height":720,"covered":true},
                                           {"x":1280,"y":0,"width":1920,"height":1080,"covered":false}],
                              "overview":false,"locked":false})";
    const auto state = ShellState::parse(readable);
    ASSERT_TRUE(state);
    const struct {
        PixelRect frame;
        bool hidden;
    } windows[] = {{{0, 0, 1280, 720}, true}, {{1280, 0, 1920, 1080}, false}, {{1000, 0, 1280, 720}, false},
                   {{5000, 0, 10, 10}, false}};
    for (const auto& w : windows) EXPECT_EQ(state->hides(w.frame), w.hidden) << w.frame.x;
    for (const char* on : {"overview", "locked"}) {
        ShellState shown = *state;
        (std::string(on) == "overview" ? shown.overview : shown.locked) = true;
        EXPECT_TRUE(shown.hides({1280, 0, 1920, 1080})) << on;
    }

    for (const char* unreadable :
         {"", "[]", "{}", R"({"monitors":[],"overview":"no","locked":false})",
          R"({"monitors":{},"overview":false,"locked":false})",
          R"({"monitors":[{"x":0,"y":0,"width":1.5,"height":720,"covered":true}],"overview":false,"locked":false})",
          R"({"monitors":[{"x":0,"y":0,"width":99999999999,"height":720,"covered":true}],"overview":false,"locked":false})",
          R"({"monitors":[{"x":0,"y":0,"width":10,"height":720}],"overview":false,"locked":false})"}) {
        EXPECT_FALSE(ShellState::parse(unreadable)) << unreadable;
    }
}
