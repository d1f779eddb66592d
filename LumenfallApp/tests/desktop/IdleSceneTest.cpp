#include "DesktopRig.hpp"
#include "FakeDesktopBackend.hpp"

#include "desktop/IdleScene.hpp"
#include "render/DisplayLink.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumen;
using namespace lumen::app;
using namespace lumen::app::test;
using lumen::test::waitFor;

namespace {

// The idle scene over the fake backend, with the idle time and the media time in the test's hands.
class IdleSceneTest : public FakeDesktopTest {
protected:
    void SetUp() override {
        FakeDesktopTest::SetUp();
        if (IsSkipped()) return;
        setTwoScreens();
        scene = std::make_unique<IdleScene>(backend, *driver, nullptr);
        scene->enabled = true;
        scene->mediaTime = [this] { return now; };
        scene->onShowingChanged = [this](bool showing) { reports.push_back(showing); };
    }

    // Idle long enough at `when`: the next check shows.
    void showAt(double when) {
        now = when;
        backend.idle = 600;
        scene->check();
        ASSERT_TRUE(scene->showing());
        events.clear();
    }

    std::unique_ptr<IdleScene> scene;
    double now = 100;
    std::vector<bool> reports;
};

TEST_F(IdleSceneTest, ShowsOnceIdleForTheMinutesUnlessDisallowedOrKeptAwake) {
    const struct {
        const char* what;
        std::optional<double> idle;
        std::optional<bool> allowed, keptAwake;  // none: not asked for
        bool shows;
        int askedKeptAwake;
    } rows[] = {
        {"a second short of ten minutes", 599, {}, {}, false, 0},
        {"ten minutes", 600, {}, {}, true, 0},
        {"no idle time from the server", std::nullopt, true, false, false, 0},
        {"an application keeps the displays awake", 1e6, true, true, false, 1},
        // The inhibitor query goes over D-Bus: not made when the answer would not matter.
        {"not allowed", 1e6, false, false, false, 0},
        {"allowed and nothing keeps them awake", 1e6, true, false, true, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        int asked = 0;
        backend.idle = row.idle;
        scene->allowed = row.allowed ? std::function<bool()>([&] { return *row.allowed; }) : nullptr;
        scene->displaySleepPrevented = row.keptAwake ? std::function<bool()>([&] { return ++asked, *row.keptAwake; })
                                                     : nullptr;
        scene->check();
        EXPECT_EQ(scene->showing(), row.shows);
        EXPECT_EQ(asked, row.askedKeptAwake);
        scene->dismiss();
    }
}

TEST_F(IdleSceneTest, AWindowPerScreenUntilDismissedThenTheFocusGoesBack) {
    backend.active = 42;
    backend.idle = 600;
    now = 50;
    scene->check();
    ASSERT_EQ(scene->windows().size(), 2u);
    EXPECT_EQ(backend.idleWindowCount(), 2u);
    for (int i = 0; i < 2; ++i) {
        const IdleWindow& window = *scene->windows()[static_cast<std::size_t>(i)];
        const SceneSurfaceView& surface = window.surface();
        EXPECT_EQ(surface.displayIndex(), i);
        EXPECT_FALSE(surface.interactive() || surface.parallaxEnabled() || surface.pointerReacts());
        EXPECT_EQ(surface.decision(), RenderDecision::render(30, 1));
        EXPECT_EQ(surface.window(), &window.window());
        EXPECT_NE(std::find(driver->surfaces().begin(), driver->surfaces().end(), &surface), driver->surfaces().end());
    }
    EXPECT_EQ(scene->windows()[1]->window().pixelFrame(), (PixelRect{1920, 0, 1280, 1024}));
    EXPECT_EQ(scene->shownAt(), 50);
    EXPECT_EQ(scene->previousWindow(), 42u);
    const std::string animating = RenderDecision::render(30, 1).statusText();
    EXPECT_EQ(events, (std::vector<std::string>{"display 0: " + animating, "display 1: " + animating, "idle scene shown"}));
    EXPECT_EQ(scene->checkInterval(), IdleScene::showingInterval);

    events.clear();
    scene->dismiss();
    EXPECT_EQ(backend.idleWindowCount(), 0u);
    EXPECT_TRUE(driver->surfaces().empty());
    EXPECT_EQ(events, (std::vector<std::string>{"display 0: Paused", "display 1: Paused", "idle scene dismissed"}));
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
    EXPECT_EQ(scene->checkInterval(), IdleScene::waitingInterval);
    EXPECT_EQ(backend.activated, std::vector<std::uint64_t>{42});
    EXPECT_EQ(scene->previousWindow(), std::nullopt);

    // None active before: nothing to give back.
    backend.active.reset();
    showAt(200);
    scene->dismiss();
    EXPECT_EQ(backend.activated, std::vector<std::uint64_t>{42});
}

// Shown at 100 s. Input soon after may be what opened the windows: motion and a restarted idle time
// count only past the grace, keys and buttons at once.
TEST_F(IdleSceneTest, InputPastTheGraceDismisses) {
    const struct {
        const char* what;
        double at;
        std::optional<IdleInput> input;  // none: a check with this idle time
        double idle;
        bool dismissed;
    } rows[] = {
        {"no input, the idle time kept growing", 110, {}, 610, false},
        {"idle time restarted 0.2 s after showing", 100.2, {}, 0, false},
        {"idle time restarted at 100.55", 100.6, {}, 0.05, true},
        {"motion within the grace", 100.25, IdleInput::motion, 0, false},
        {"motion after the grace", 100.35, IdleInput::motion, 0, true},
        {"a key at once", 100.01, IdleInput::key, 0, true},
        {"a button at once", 100.01, IdleInput::button, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        showAt(100);
        now = row.at;
        if (row.input) {
            backend.idle.reset();  // motion needs no idle time from the server: it happens now
            backend.input(1, *row.input);
        } else {
            backend.idle = row.idle;
            scene->check();
        }
        EXPECT_EQ(scene->showing(), !row.dismissed);
        EXPECT_EQ(backend.idleWindowCount(), row.dismissed ? 0u : 2u);
        scene->dismiss();
    }
}

TEST_F(IdleSceneTest, TheTimerChecksOnlyWhileEnabledOrShowing) {
    scene->enabled = false;
    scene->schedule(5.0);
    EXPECT_EQ(scene->checkInterval(), std::nullopt);
    scene->enabled = true;
    backend.idle = 600;
    scene->schedule(0.02);
    EXPECT_TRUE(waitFor([&] { return scene->showing(); }, std::chrono::seconds(5)));
    // Turned off while showing: dismissed, and no timer left.
    scene->enabled = false;
    scene->dismiss();
    EXPECT_EQ(scene->checkInterval(), std::nullopt);
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
}

TEST_F(IdleSceneTest, NothingWithoutScreensAndNothingAfterTheSceneIsGone) {
    backend.setScreens({});
    scene->show();
    EXPECT_FALSE(scene->showing());
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(events.empty());

    setTwoScreens();
    showAt(100);
    const auto late = backend.idleInputs.front();
    scene.reset();
    EXPECT_EQ(backend.idleWindowCount(), 0u);
    EXPECT_TRUE(driver->surfaces().empty());
    late(IdleInput::key);  // input queued for a window that is gone
    EXPECT_EQ(reports, std::vector<bool>{true});
    EXPECT_TRUE(events.empty());
}

// On Xvfb under openbox, with another application active.
using IdleDesktop = DesktopTest;

xcb_window_t activeWindow(const lumen::test::X11TestClient& client) {
    const auto active = client.cardinals(client.root(), "_NET_ACTIVE_WINDOW");
    return active.empty() ? XCB_NONE : active.front();
}

// Whether these windows are the topmost children of the root.
bool onTop(const lumen::test::X11TestClient& client, const std::vector<xcb_window_t>& windows) {
    auto* tree = xcb_query_tree_reply(client.connection(), xcb_query_tree(client.connection(), client.root()), nullptr);
    std::vector<xcb_window_t> order;
    if (tree) order.assign(xcb_query_tree_children(tree), xcb_query_tree_children(tree) + xcb_query_tree_children_length(tree));
    std::free(tree);
    return order.size() >= windows.size() &&
           std::is_permutation(order.end() - static_cast<std::ptrdiff_t>(windows.size()), order.end(), windows.begin());
}

// The idle scene covers both monitors above everything, even windows that come later, draws, and
// goes at a key press or, past the grace, a pointer motion, giving the focus back each time.
TEST_F(IdleDesktop, CoversEveryMonitorUntilInput) {
    if (!lumen::test::haveProgram("xdotool")) GTEST_SKIP() << "xdotool is not installed";
    const xcb_window_t app = client->makeWindow({20, 20, 200, 120});
    ASSERT_TRUE(server->run("xdotool windowactivate " + std::to_string(app)));
    ASSERT_TRUE(waitFor([&] { return activeWindow(*client) == app; }));
    auto wallpaperVisible = [&](bool visible) {
        return std::all_of(wallpaper->windows().begin(), wallpaper->windows().end(),
                           [&](const auto& w) { return w.second->visible() == visible; });
    };

    IdleScene idle(*backend, *driver, gpu->device.get());
    idle.show();
    ASSERT_EQ(idle.windows().size(), 2u);
    const std::vector<xcb_window_t> ids = backend->idleWindowIds();
    ASSERT_EQ(ids.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(client->geometry(ids[i]), backend->screens()[i].frame);
    EXPECT_TRUE(backend->inputGrabbed());
    EXPECT_TRUE(waitFor([&] {
        return idle.windows()[0]->surface().stats().totals().frames > 0 && idle.windows()[1]->surface().stats().totals().frames > 0;
    }, std::chrono::seconds(30)));
    EXPECT_TRUE(waitFor([&] { return wallpaperVisible(false); })) << "the idle windows cover the wallpaper";

    // An application activated meanwhile, and a popup no window manager stacks, go below.
    const xcb_window_t late = client->makeWindow({100, 60, 300, 120});
    ASSERT_TRUE(server->run("xdotool windowactivate " + std::to_string(late)));
    ASSERT_TRUE(waitFor([&] { return activeWindow(*client) == late; }));
    const xcb_window_t popup = xcb_generate_id(client->connection());
    const std::uint32_t values[] = {0xFFFFFF, 1};
    xcb_create_window(client->connection(), XCB_COPY_FROM_PARENT, popup, client->root(), 400, 20, 100, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(client->connection(), popup);
    xcb_flush(client->connection());
    EXPECT_TRUE(waitFor([&] { return onTop(*client, ids); }));
    runFor(0.2);
    EXPECT_TRUE(onTop(*client, ids));

    ASSERT_TRUE(server->run("xdotool key a"));
    ASSERT_TRUE(waitFor([&] { return !idle.showing(); }));
    EXPECT_TRUE(backend->idleWindowIds().empty());
    EXPECT_FALSE(backend->inputGrabbed());
    EXPECT_TRUE(waitFor([&] { return activeWindow(*client) == app; })) << "the window active before is active again";
    EXPECT_TRUE(waitFor([&] { return wallpaperVisible(true); }));

    idle.show();
    const double shownAt = idle.shownAt();
    runFor(0.4);
    ASSERT_TRUE(idle.showing()) << "nothing happened yet";
    ASSERT_TRUE(server->run("xdotool mousemove 500 200"));
    ASSERT_TRUE(waitFor([&] { return !idle.showing(); }));
    EXPECT_GT(DisplayLink::now() - shownAt, IdleScene::inputGrace);
    EXPECT_TRUE(waitFor([&] { return activeWindow(*client) == app; }));
}

}  // namespace
