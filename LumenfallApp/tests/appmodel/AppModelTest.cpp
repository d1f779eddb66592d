#include <algorithm>
#include "AppModelRig.hpp"

#include "desktop/IdleScene.hpp"
#include "desktop/WallpaperHost.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace lumen;
using namespace lumen::app;
using lumen::app::test::AppModelRig;

namespace {

// Runs the event loop until the condition holds (10 s at most).
bool settle(const std::function<bool()>& condition, int milliseconds = 10000) {
    return lumen::test::waitFor(condition, milliseconds);
}

#define START(rig, ...)                                  \
    std::string reason;                                  \
    auto rig = AppModelRig::start(reason, ##__VA_ARGS__); \
    if (!rig) GTEST_SKIP() << reason;

std::vector<std::string> labels(const AppModel& model) {
    std::vector<std::string> result;
    for (const auto& status : model.statuses()) result.push_back(status.label);
    return result;
}

bool labelsAre(const AppModel& model, const std::vector<std::string>& expected) { return labels(model) == expected; }

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(AppModel, StartsOnBothDisplaysAtThirtyAndFifteen) {
    START(rig)
    rig->model->start();
    EXPECT_TRUE(rig->saw("started: 2 display(s), scene deepReef, battery false, lowPower false, thermal nominal"));
    ASSERT_EQ(rig->model->statuses().size(), 2u);
    EXPECT_EQ(rig->model->statuses()[0].name, "screen");
    EXPECT_EQ(rig->model->statuses()[0].pixels, "320×240");
    EXPECT_EQ(labels(*rig->model), (std::vector<std::string>{"Animating at 30 fps", "Animating at 15 fps"}));
    EXPECT_EQ(rig->model->statusLine(),
              "Deep Reef · screen: Animating at 30 fps · RIGHT: Animating at 15 fps");
    // Kinds of scenes without a class are logged once and not offered.
    EXPECT_TRUE(rig->saw("scene alpineLake has no class AlpineLakeScene; not offered"));
    EXPECT_EQ(rig->model->catalog().scenes.size(), 3u);
}

TEST(AppModel, BatteryPowerSaverSleepLockAndScreenSaver) {
    START(rig)
    rig->model->start();
    FrameDriver& driver = *rig->model->driver();

    rig->setOnBattery(true);
    ASSERT_TRUE(settle([&] { return labelsAre(*rig->model, {"Still frame on battery", "Still frame on battery"}); }));
    // Each display draws its one still, then the frame loop sleeps.
    ASSERT_TRUE(settle([&] { return driver.link() && driver.link()->paused(); }));
    driver.stats.takeTotals();
    settle([] { return false; }, 1000);
    EXPECT_EQ(driver.stats.totals().ticks, 0);

    rig->model->updateSettings([](LumenSettings& s) { s.runOnBattery = true; });
    EXPECT_TRUE(labelsAre(*rig->model, {"Animating at 15 fps, half resolution", "Animating at 15 fps, half resolution"}));
    rig->setOnBattery(false);
    rig->setProfile("power-saver");
    ASSERT_TRUE(settle([&] { return rig->model->power().lowPowerMode && !rig->model->power().onBattery; }));
    EXPECT_EQ(labels(*rig->model)[0], "Animating at 15 fps, half resolution");
    rig->model->updateSettings([](LumenSettings& s) { s.runOnBattery = false; });
    EXPECT_TRUE(labelsAre(*rig->model, {"Still frame in power saver", "Still frame in power saver"}));
    rig->setProfile("balanced");

    rig->emitPrepareForSleep(true);
    ASSERT_TRUE(settle([&] { return labels(*rig->model)[0] == "Paused while the computer sleeps"; }));
    rig->emitPrepareForSleep(false);
    ASSERT_TRUE(settle([&] { return labels(*rig->model)[0] == "Animating at 30 fps"; }));

    rig->setLocked(true);
    ASSERT_TRUE(settle([&] { return labels(*rig->model)[1] == "Paused while the screen is locked"; }));
    rig->setLocked(false);
    ASSERT_TRUE(settle([&] { return labels(*rig->model)[1] == "Animating at 15 fps"; }));

    rig->setScreenSaver(true);
    ASSERT_TRUE(settle([&] { return labels(*rig->model)[0] == "Paused during the screen saver"; }));
    rig->setScreenSaver(false);
    ASSERT_TRUE(settle([&] { return labels(*rig->model)[0] == "Animating at 30 fps"; }));
}

TEST(AppModel, PickingASceneEndsTheShuffleAndCrossFades) {
    START(rig)
    rig->model->start();
    rig->model->updateSettings([](LumenSettings& s) { s.shuffleDaily = true; });
    // A cross-fade starts from what the displays last showed.
    ASSERT_TRUE(settle([&] {
        for (auto* w : rig->model->wallpaper()->orderedWindows()) {
            if (!w->surface().hasFrame() || !w->surface().lastView()) return false;
        }
        return true;
    }));
    // Whichever scene today's shuffle shows, pick another one.
    const bool showingNebula = rig->model->current().id.text() == "nebulaFlythrough";
    const auto found = rig->model->catalog().scene(SceneID{showingNebula ? "deepReef" : "nebulaFlythrough"});
    ASSERT_TRUE(found);
    const SceneInfo nebula = *found;
    rig->model->selectScene(nebula);
    EXPECT_FALSE(rig->model->settings().shuffleDaily);
    EXPECT_EQ(rig->model->current().id, nebula.id);
    EXPECT_TRUE(rig->model->host()->fadeStart().has_value()) << "animating displays cross-fade";
    EXPECT_TRUE(rig->saw("scene: " + nebula.id.text()));

    // Stored, and read back the next time.
    rig->defaults->sync();
    const auto stored = rig->storedSettings();
    ASSERT_TRUE(stored);
    EXPECT_EQ(LumenSettings::decode(*stored).scene, nebula.id);

    // Reduce motion: no cross-fade, no parallax.
    rig->model->setReduceMotion(true);
    rig->model->selectScene(*rig->model->catalog().scene(SceneID{showingNebula ? "nebulaFlythrough" : "deepReef"}));
    EXPECT_FALSE(rig->model->host()->fadeStart().has_value());
    EXPECT_FALSE(rig->model->wallpaper()->orderedWindows()[0]->surface().parallaxEnabled());
}

TEST(AppModel, AFailingSceneFallsBackOnceAndForAll) {
    START(rig)
    rig->model->start();
    const auto found = rig->model->catalog().scene(SceneID{"zenKoiPond"});
    ASSERT_TRUE(found);
    const SceneInfo koi = *found;
    rig->model->selectScene(koi);
    EXPECT_EQ(rig->model->current().id.text(), "deepReef");
    EXPECT_TRUE(rig->model->failedScenes().contains("zenKoiPond"));
    const std::size_t failures = std::count_if(rig->events.begin(), rig->events.end(),
                                               [](const std::string& e) { return e.starts_with("scene zenKoiPond failed"); });
    rig->model->updateSettings([](LumenSettings& s) { s.idleMinutes = 5; });
    rig->model->selectScene(koi);
    EXPECT_EQ(std::count_if(rig->events.begin(), rig->events.end(),
                            [](const std::string& e) { return e.starts_with("scene zenKoiPond failed"); }),
              static_cast<long>(failures))
        << "a failed scene is not tried again";
}

TEST(AppModel, UnreadableStoreAndUnknownSwitchesFallBack) {
    START(rig, {"-scene", "alpineLake", "-sceneOptions", "rain=heavy,,time=clock,bad", "-frobnicate", "1", "-weather",
                "hail"},
          std::string("{not json"))
    EXPECT_TRUE(rig->saw("settings: the stored settings are not readable; using the defaults"));
    EXPECT_TRUE(rig->saw("launch argument -frobnicate is not known; ignored"));
    EXPECT_TRUE(rig->saw("weather override \"hail\" is not a known condition; ignored"));
    EXPECT_TRUE(rig->saw("launch scene \"alpineLake\" is not built into this program; showing deepReef instead"));
    EXPECT_TRUE(rig->saw("launch option \"bad\" is not key=value; ignored"));
    EXPECT_EQ(rig->model->settings(), LumenSettings{});
    EXPECT_EQ(rig->model->overrides().options, (std::map<std::string, std::string>{{"rain", "heavy"}, {"time", "clock"}}));
    rig->model->start();
    // A scene that is not offered: the settings' choice shows.
    EXPECT_EQ(rig->model->current().id.text(), "deepReef");
    // The first save keeps the unreadable file beside the new one.
    rig->model->togglePause();
    EXPECT_TRUE(std::any_of(rig->events.begin(), rig->events.end(), [](const std::string& event) {
        return event.rfind("settings: kept the unreadable settings file as ", 0) == 0;
    }));
}

TEST(AppModel, AnUnknownLaunchSceneSaysWhatShowsInstead) {
    START(rig, {"-scene", "noSuch"})
    EXPECT_TRUE(rig->saw("launch scene \"noSuch\" is not a scene; showing deepReef instead"));
}

TEST(AppModel, ASceneOverrideWinsOverTheSettings) {
    START(rig, {"-scene", "nebulaFlythrough", "-simulateCovered", "YES", "-sceneOptions", "palette=zzz"},
          std::string(R"({"scene":"noSuchScene","shuffleDaily":false})"))
    rig->model->start();
    EXPECT_EQ(rig->model->current().id.text(), "nebulaFlythrough");
    EXPECT_TRUE(labelsAre(*rig->model, {"Paused while covered", "Paused while covered"}));
    EXPECT_EQ(rig->model->statusLine(), "Nebula Flythrough · Paused while covered");
    EXPECT_EQ(rig->model->host()->options.value("palette"), "classic");
    EXPECT_TRUE(rig->saw("launch option palette=zzz: \"zzz\" is not a choice of palette; choose one of: classic, "
                         "ember, ice; palette stays classic"));
}

TEST(AppModel, EqualSettingsChangeNothingAndLaunchAtLoginWritesTheEntry) {
    START(rig)
    rig->model->start();
    int changes = 0;
    QObject::connect(rig->model.get(), &AppModel::changed, [&] { ++changes; });
    rig->model->setSettings(rig->model->settings());
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(rig->storedSettings());

    rig->model->setLoginItem(true);
    EXPECT_TRUE(rig->model->loginItemOn());
    const std::string entry = readFile(rig->home.filePath("autostart/com.quorl802.Lumenfall.desktop").toStdString());
    EXPECT_NE(entry.find("Exec=/usr/bin/lumenfall\n"), std::string::npos);
    rig->model->setLoginItem(false);
    EXPECT_FALSE(rig->model->loginItemOn());
    EXPECT_FALSE(rig->model->loginMessage());
}

TEST(AppModel, TheIdleSceneCoversEveryDisplayUntilAKey) {
    START(rig)
    rig->model->updateSettings([](LumenSettings& s) { s.idleSceneEnabled = true; });
    rig->model->start();
    ASSERT_TRUE(rig->model->idle());
    EXPECT_EQ(rig->model->idle()->checkInterval(), 5.0);
    rig->model->idle()->show();
    EXPECT_TRUE(rig->model->idleShowing());
    EXPECT_EQ(rig->model->statusLine(), "Idle scene showing");
    EXPECT_TRUE(labelsAre(*rig->model, {"Paused while covered", "Paused while covered"}));
    EXPECT_EQ(rig->model->idle()->checkInterval(), 0.25);
    EXPECT_EQ(rig->model->idle()->windows().front()->surface().decision().statusText(), "Animating at 30 fps");

    settle([] { return false; }, 500);  // past the grace
    ASSERT_TRUE(rig->server->run("xdotool key a"));
    ASSERT_TRUE(settle([&] { return !rig->model->idleShowing(); }));
    EXPECT_TRUE(labelsAre(*rig->model, {"Animating at 30 fps", "Animating at 15 fps"}));

    // Turning the setting off stops the check timer.
    rig->model->updateSettings([](LumenSettings& s) { s.idleSceneEnabled = false; });
    EXPECT_FALSE(rig->model->idle()->checkInterval());
}

TEST(AppModel, StopClosesEveryWindow) {
    START(rig)
    rig->model->start();
    rig->model->stop();
    EXPECT_TRUE(rig->model->wallpaper()->windows().empty());
    EXPECT_EQ(rig->model->driver()->link() == nullptr || rig->model->driver()->link()->paused(), true);
}

}  // namespace
