#include "support/HeadlessSway.hpp"

#include "platform/wayland/WaylandBackend.hpp"

#include <gtest/gtest.h>

// The focused window from the toplevel list, moved away by the compositor and handed back by us,
// as the idle scene does when it goes.
TEST(WaylandFocus, TheFocusedWindowIsKnownAndCanBeGivenBack)
{
    std::string reason;
    auto sway = lumen::test::HeadlessSway::start(reason);
    if (!sway) GTEST_SKIP() << "no headless sway: " << reason;
    auto backend = lumen::app::WaylandBackend::open(sway->socketPath().c_str(), &reason);
    ASSERT_TRUE(backend) << reason;
    auto focused = [&] { return backend->processEvents(), backend->activeWindow(); };
    std::optional<std::uint64_t> first, second;
    sway->startClient("foot", {"--app-id=first"});
    ASSERT_TRUE(lumen::test::waitFor([&] { return (first = focused()).has_value(); }, std::chrono::seconds(20)));
    sway->startClient("foot", {"--app-id=second"});
    ASSERT_TRUE(lumen::test::waitFor([&] { return (second = focused()) != first; }, std::chrono::seconds(20)));
    for (auto target : {first, second}) {
        backend->activateWindow(*target);
        EXPECT_TRUE(lumen::test::waitFor([&] { return focused() == target; }, std::chrono::seconds(10)));
    }
}
