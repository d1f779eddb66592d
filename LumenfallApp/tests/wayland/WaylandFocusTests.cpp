#include "support/HeadlessSway.hpp"

#include "platform/wayland/WaylandBackend.hpp"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

namespace lumen::app {
namespace {

using lumen::test::waitFor;

// The app id of the node sway's tree marks focused.
QString focusedAppId(const lumen::test::HeadlessSway& sway)
{
    std::function<QString(const QJsonObject&)> find = [&](const QJsonObject& node) -> QString {
        if (node["focused"].toBool()) return node["app_id"].toString();
        for (const char* children : {"nodes", "floating_nodes"}) {
            for (const auto child : node[children].toArray()) {
                if (QString found = find(child.toObject()); !found.isEmpty()) return found;
            }
        }
        return {};
    };
    return find(QJsonDocument::fromJson(sway.query("get_tree").value_or(QString()).toUtf8()).object());
}

// Focus read from the toplevel list and handed back through it, as the idle scene does when it
// goes: two terminals, the focus moved away by the compositor, then given back by us.
TEST(WaylandFocus, TheFocusedWindowIsKnownAndCanBeGivenBack)
{
    std::string reason;
    auto sway = lumen::test::HeadlessSway::start(reason);
    if (!sway) GTEST_SKIP() << "no headless sway: " << reason;
    if (!lumen::test::haveProgram("foot")) GTEST_SKIP() << "foot is not installed";
    std::string error;
    auto backend = WaylandBackend::open(sway->socketPath().c_str(), &error);
    ASSERT_TRUE(backend) << error;
    ASSERT_TRUE(backend->hasToplevelList());
    auto focused = [&] {
        backend->processEvents();
        return backend->activeWindow();
    };

    sway->startClient("foot", {"--app-id=first"});
    ASSERT_TRUE(waitFor([&] { return focused().has_value(); }, std::chrono::seconds(20)));
    const std::uint64_t first = *focused();
    sway->startClient("foot", {"--app-id=second"});
    ASSERT_TRUE(waitFor([&] { return focused() && *focused() != first; }, std::chrono::seconds(20)));
    const std::uint64_t second = *focused();

    backend->activateWindow(first);
    EXPECT_TRUE(waitFor([&] { return focused() == first; }, std::chrono::seconds(10)));
    EXPECT_EQ(focusedAppId(*sway), "first");
    backend->activateWindow(second);
    EXPECT_TRUE(waitFor([&] { return focused() == second; }, std::chrono::seconds(10)));
    // A window that closed is not asked for.
    backend->activateWindow(second + 100);
    EXPECT_EQ(focused(), second);
}

}  // namespace
}  // namespace lumen::app
