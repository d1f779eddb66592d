#include "AppModelRig.hpp"
#include "weather/LoopbackServer.hpp"

#include "desktop/IdleScene.hpp"
#include "desktop/WallpaperHost.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"
#include "services/SavedWeather.hpp"

#include <QTcpSocket>

#include "LumenKit/weather/METNorway.hpp"

using namespace lumen;
using namespace lumen::app;
using namespace lumen::app::test;
using lumen::test::waitFor;

namespace {

class AppModelTest : public AppModelRig {};

TEST_F(AppModelTest, StartsOnBothDisplaysShowsTheIdleSceneAndStops) {
    model->updateSettings([](LumenSettings& s) { s.idleSceneEnabled = true; });
    model->start();
    EXPECT_TRUE(saw("started: 2 display(s), scene deepReef, battery false, lowPower false, thermal nominal"));
    ASSERT_EQ(model->statuses().size(), 2u);
    EXPECT_EQ(model->statuses()[0].pixels, "320×240");
    EXPECT_EQ(model->statusLine(), "Deep Reef · screen: Animating at 30 fps · RIGHT: Animating at 15 fps");
    // Kinds of scenes without a class are logged once and not offered.
    EXPECT_TRUE(saw("scene alpineLake has no class AlpineLakeScene; not offered"));
    EXPECT_EQ(model->catalog().scenes.size(), 3u);

    // While the idle scene covers the displays the wallpaper pauses.
    EXPECT_EQ(model->idle()->checkInterval(), IdleScene::waitingInterval);
    model->idle()->show();
    EXPECT_EQ(model->statusLine(), "Idle scene showing");
    EXPECT_EQ(labels(), (Labels{"Paused while covered", "Paused while covered"}));
    EXPECT_EQ(model->idle()->windows().front()->surface().decision().statusText(), "Animating at 30 fps");
    model->idle()->dismiss();
    EXPECT_EQ(labels(), (Labels{"Animating at 30 fps", "Animating at 15 fps"}));
    model->updateSettings([](LumenSettings& s) { s.idleSceneEnabled = false; });
    EXPECT_FALSE(model->idle()->checkInterval()) << "turned off: no check timer";

    // Another application over the left monitor pauses that display only.
    lumen::test::X11TestClient other(desktop->server->display());
    other.makeWindow({0, 0, 320, 240});
    EXPECT_TRUE(waitFor([&] { return labels() == Labels{"Paused while covered", "Animating at 15 fps"}; }));

    model->stop();
    EXPECT_TRUE(model->wallpaper()->windows().empty());
    EXPECT_TRUE(model->driver()->link() == nullptr || model->driver()->link()->paused());
}

// Each condition holds every display while it lasts; animation comes back after it.
TEST_F(AppModelTest, PowerSleepLockAndScreenSaverHoldTheDisplaysWhileTheyLast) {
    model->start();
    const struct {
        const char* label;
        lumen::test::MockBus& bus;
        QString service, path, method;
        std::function<QVariantList(bool)> arguments;  // the mock call that brings the condition, or ends it
    } rows[] = {
        {"Still frame on battery", desktop->system, kUPower, "/org/freedesktop/UPower", "UpdateProperties",
         [](bool on) { return QVariantList{kUPower, QVariantMap{{"OnBattery", on}}}; }},
        {"Still frame in power saver", desktop->system, kProfiles, "/net/hadess/PowerProfiles", "UpdateProperties",
         [](bool on) { return QVariantList{kProfiles, QVariantMap{{"ActiveProfile", on ? "power-saver" : "balanced"}}}; }},
        {"Paused while the computer sleeps", desktop->system, kLogin, kLoginPath, "EmitSignal",
         [](bool on) { return QVariantList{kLogin + ".Manager", "PrepareForSleep", "b", QVariantList{on}}; }},
        {"Paused while the screen is locked", desktop->system, kLogin, kLoginPath + "/session/c7", "EmitSignal",
         [](bool on) { return QVariantList{kLogin + ".Session", on ? "Lock" : "Unlock", "", QVariantList{}}; }},
        {"Paused during the screen saver", desktop->session, kSaver, kSaverPath, "EmitSignal",
         [](bool on) { return QVariantList{kSaver, "ActiveChanged", "b", QVariantList{on}}; }},
    };
    auto set = [](const auto& row, bool on) { row.bus.mock(row.service, row.path, row.method, row.arguments(on)); };
    for (const auto& row : rows) {
        set(row, true);
        EXPECT_TRUE(waitFor([&] { return labels() == Labels{row.label, row.label}; })) << row.label;
        set(row, false);
        EXPECT_TRUE(waitFor([&] { return labels() == Labels{"Animating at 30 fps", "Animating at 15 fps"}; }));
    }

    // On battery each display draws its one still, then the frame loop sleeps: no ticks at all.
    FrameDriver& driver = *model->driver();
    set(rows[0], true);
    ASSERT_TRUE(waitFor([&] { return labels()[0] == rows[0].label && driver.link() && driver.link()->paused(); }));
    driver.stats.takeTotals();
    waitFor([] { return false; }, std::chrono::seconds(1));
    EXPECT_EQ(driver.stats.totals().ticks, 0);
    // Unless asked to run on battery, which also holds in power saver.
    model->updateSettings([](LumenSettings& s) { s.runOnBattery = true; });
    const std::string reduced = "Animating at 15 fps, half resolution";
    EXPECT_EQ(labels(), (Labels{reduced, reduced}));
    set(rows[0], false);
    set(rows[1], true);
    ASSERT_TRUE(waitFor([&] { return model->power().lowPowerMode && !model->power().onBattery; }));
    EXPECT_EQ(labels(), (Labels{reduced, reduced}));
    set(rows[1], false);
}

// On llvmpipe, judged as the application judges it: one still per display, then no wake-ups;
// motion only when asked for, at the lowest cost.
TEST_F(AppModelTest, WithoutGraphicsHardwareEachDisplayKeepsAStill) {
    graphicsHardware.reset();
    ASSERT_TRUE(make());
    ASSERT_TRUE(model->softwareGpu()) << "the tests draw with Mesa's software rasteriser";
    model->start();
    const std::string still = "Still frame: no graphics hardware";
    EXPECT_EQ(labels(), (Labels{still, still}));
    EXPECT_TRUE(saw("display 0: " + still));
    FrameDriver& driver = *model->driver();
    auto stills = [&] {
        std::vector<std::int64_t> counts;
        for (auto* window : model->wallpaper()->orderedWindows()) counts.push_back(window->surface().stats().totals().stills);
        return counts;
    };
    ASSERT_TRUE(waitFor([&] { return stills() == std::vector<std::int64_t>{1, 1} && driver.link()->paused(); }, 20'000));
    driver.stats.takeTotals();
    waitFor([] { return false; }, std::chrono::seconds(10));
    EXPECT_EQ(driver.stats.totals().ticks, 0);
    EXPECT_EQ(stills(), (std::vector<std::int64_t>{1, 1}));

    // A settings change shows in a new still; the user may ask for motion instead.
    model->updateSettings([](LumenSettings& s) { s.parallax = false; });
    EXPECT_TRUE(waitFor([&] { return stills() == std::vector<std::int64_t>{2, 2}; }, 20'000));
    model->updateSettings([](LumenSettings& s) { s.animateInSoftware = true; });
    const std::string slow = "Animating at 15 fps, half resolution";
    EXPECT_EQ(labels(), (Labels{slow, slow}));
    ASSERT_TRUE(make({"-animateInSoftware", "YES"}));
    model->start();
    EXPECT_EQ(labels(), (Labels{slow, slow}));
}

TEST_F(AppModelTest, PickingASceneEndsTheShuffleAndCrossFades) {
    model->start();
    model->updateSettings([](LumenSettings& s) { s.shuffleDaily = true; });
    // A cross-fade starts from what the displays last showed.
    ASSERT_TRUE(waitFor([&] {
        const auto windows = model->wallpaper()->orderedWindows();
        return std::all_of(windows.begin(), windows.end(),
                           [](auto* w) { return w->surface().hasFrame() && w->surface().lastView(); });
    }));
    // Whichever scene today's shuffle shows, pick the other one.
    const bool nebulaFirst = model->current().id.text() == "nebulaFlythrough";
    const SceneInfo other = *model->catalog().scene(SceneID{nebulaFirst ? "deepReef" : "nebulaFlythrough"});
    model->selectScene(other);
    EXPECT_FALSE(model->settings().shuffleDaily);
    EXPECT_EQ(model->current().id, other.id);
    EXPECT_TRUE(model->host()->fadeStart().has_value()) << "animating displays cross-fade";
    defaults->sync();
    EXPECT_EQ(LumenSettings::decode(UserDefaults(settingsFile(), {}).string("settings").value_or("")).scene, other.id);

    // Reduce motion: no cross-fade, no parallax.
    model->setReduceMotion(true);
    model->selectScene(*model->catalog().scene(SceneID{nebulaFirst ? "nebulaFlythrough" : "deepReef"}));
    EXPECT_FALSE(model->host()->fadeStart().has_value());
    EXPECT_FALSE(model->wallpaper()->orderedWindows()[0]->surface().parallaxEnabled());
}

TEST_F(AppModelTest, AFailingSceneFallsBackToDeepReefAndIsNotTriedAgain) {
    model->start();
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Any change applies the settings again, the failed choice among them.
        if (attempt > 0) model->updateSettings([](LumenSettings& s) { s.idleMinutes = 5; });
        model->selectScene(*model->catalog().scene(SceneID{"zenKoiPond"}));
        EXPECT_EQ(model->current().id.text(), "deepReef");
        EXPECT_NE(model->host()->scene(), nullptr) << "Deep Reef is drawn, not only named";
        EXPECT_TRUE(model->failedScenes().contains("zenKoiPond"));
        EXPECT_EQ(count("scene zenKoiPond failed"), 1);
    }
}

// Launch switches override the stored settings for this run; what cannot be used is said and ignored.
TEST_F(AppModelTest, LaunchSwitchesAndStoredSettingsThatCannotBeUsed) {
    const std::vector<std::string> messy = {"-scene", "alpineLake", "-sceneOptions", "rain=heavy,,time=clock,bad",
                                            "-frobnicate", "1", "-weather", "hail"};
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> stored;
        Labels said;
        const char* statusLine;
    } rows[] = {
        {messy, "{not json",
         {"settings: the stored settings are not readable; using the defaults",
          "launch argument -frobnicate is not known; ignored",
          "weather override \"hail\" is not a known condition; ignored",
          "launch scene \"alpineLake\" is not built into this program; showing deepReef instead",
          "launch option \"bad\" is not key=value; ignored"},
         "Deep Reef · screen: Animating at 30 fps"},
        {{"-scene", "noSuch"}, {}, {"launch scene \"noSuch\" is not a scene; showing deepReef instead"}, "Deep Reef"},
        {{"-scene", "nebulaFlythrough", "-simulateCovered", "YES", "-sceneOptions", "palette=zzz"},
         R"({"scene":"noSuchScene","shuffleDaily":false})",
         {"launch option palette=zzz: \"zzz\" is not a choice of palette; choose one of: classic, ember, ice; "
          "palette stays classic"},
         "Nebula Flythrough · Paused while covered"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.statusLine);
        ASSERT_TRUE(make(row.arguments, row.stored));
        const LumenSettings read = model->settings();
        model->start();
        for (const std::string& line : row.said) EXPECT_TRUE(saw(line)) << line;
        EXPECT_TRUE(model->statusLine().starts_with(row.statusLine)) << model->statusLine();
        if (row.arguments == messy) {
            EXPECT_EQ(read, LumenSettings{});
            EXPECT_EQ(model->overrides().options, (std::map<std::string, std::string>{{"rain", "heavy"}, {"time", "clock"}}));
            // The first save keeps the unreadable file beside the new one.
            model->togglePause();
            EXPECT_EQ(count("settings: kept the unreadable settings file as "), 1);
        }
    }
    EXPECT_EQ(model->host()->options.value("palette"), "classic");
    // A scene picked in the menu ends the launch scene, even when the settings named it already.
    model->selectScene(*model->catalog().scene(SceneID{"deepReef"}));
    EXPECT_EQ(model->current().id.text(), "deepReef");
}

// The live weather reaches the frames of a weather-driven scene: the first start asks once, a
// second start within the hour shows the stored answer and asks nobody, a new place is asked for.
TEST_F(AppModelTest, LiveWeatherReachesTheFramesAndFollowsThePlace) {
    using namespace std::chrono;
    const Place oslo{"Oslo, NO", 59.91, 10.75}, bergen{"Bergen, NO", 60.39, 5.32};
    const QByteArray snow = LoopbackServer::forecast("lightsnow", -2), rain = LoopbackServer::forecast("heavyrain", 11);
    auto carried = [&](const QByteArray& body) {
        const auto expected = std::get<WeatherState>(METNorway::parse(body.toStdString(), system_clock::now()));
        return waitFor([&] { return model->host()->weather == expected; });
    };
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    LoopbackServer server([&](QTcpSocket& socket, LoopbackServer& self) {
        LoopbackServer::answer(200, self.requests().back().head.contains("lat=60.39") ? rain : snow)(socket, self);
    });
    SceneClasses::add({"AlpineLakeScene", 1, SceneClasses::find("DesktopTestGradient")->make});
    LumenSettings settings;
    settings.place = oslo;
    const std::vector<std::string> launch{"-scene", "alpineLake", "-forecastHost", server.url().toStdString()};

    ASSERT_TRUE(make(launch, settings.encode()));
    model->start();
    EXPECT_TRUE(model->weather().active());
    EXPECT_TRUE(carried(snow));
    EXPECT_EQ(server.requests().size(), 1u);
    close();
    // Half an hour later: too soon for Oslo again, long enough for a new place.
    const std::string file = cache.filePath("Lumenfall-weather.json").toStdString();
    auto saved = SavedWeather::read(file);
    ASSERT_TRUE(saved && saved->cache.lastAttempt);
    saved->cache.lastAttempt = saved->cache.lastSuccess = *saved->cache.lastAttempt - minutes{30};
    ASSERT_TRUE(saved->write(file));

    ASSERT_TRUE(make(launch, settings.encode()));
    model->start();
    EXPECT_TRUE(carried(snow));
    waitFor([] { return false; }, milliseconds{300});
    EXPECT_EQ(server.requests().size(), 1u);

    model->updateSettings([&](LumenSettings& s) { s.place = bergen; });
    EXPECT_TRUE(carried(rain));
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(model->weather().cache().place, bergen);
    qunsetenv("XDG_CACHE_HOME");
}

}  // namespace
