#include "AppModelRig.hpp"

#include "desktop/IdleScene.hpp"
#include "desktop/WallpaperHost.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumen;
using namespace lumen::app;
using lumen::test::waitFor;

namespace {

using AppModel = lumen::app::test::AppModelTest;
using Labels = std::vector<std::string>;

TEST_F(AppModel, StartsOnBothDisplaysShowsTheIdleSceneAndStops) {
    model->updateSettings([](LumenSettings& s) { s.idleSceneEnabled = true; });
    model->start();
    EXPECT_TRUE(saw("started: 2 display(s), scene deepReef, battery false, lowPower false, thermal nominal"));
    ASSERT_EQ(model->statuses().size(), 2u);
    EXPECT_EQ(model->statuses()[0].name, "screen");
    EXPECT_EQ(model->statuses()[0].pixels, "320×240");
    EXPECT_EQ(model->statusLine(), "Deep Reef · screen: Animating at 30 fps · RIGHT: Animating at 15 fps");
    // Kinds of scenes without a class are logged once and not offered.
    EXPECT_TRUE(saw("scene alpineLake has no class AlpineLakeScene; not offered"));
    EXPECT_EQ(model->catalog().scenes.size(), 3u);

    // The idle scene covers the displays: the wallpaper pauses meanwhile.
    ASSERT_TRUE(model->idle());
    EXPECT_EQ(model->idle()->checkInterval(), IdleScene::waitingInterval);
    model->idle()->show();
    EXPECT_TRUE(model->idleShowing());
    EXPECT_EQ(model->statusLine(), "Idle scene showing");
    EXPECT_EQ(labels(), (Labels{"Paused while covered", "Paused while covered"}));
    EXPECT_EQ(model->idle()->windows().front()->surface().decision().statusText(), "Animating at 30 fps");
    model->idle()->dismiss();
    EXPECT_EQ(labels(), (Labels{"Animating at 30 fps", "Animating at 15 fps"}));
    model->updateSettings([](LumenSettings& s) { s.idleSceneEnabled = false; });
    EXPECT_FALSE(model->idle()->checkInterval()) << "turned off: no check timer";

    model->stop();
    EXPECT_TRUE(model->wallpaper()->windows().empty());
    EXPECT_TRUE(model->driver()->link() == nullptr || model->driver()->link()->paused());
}

// Each condition pauses or stills every display while it lasts, and animation comes back after it.
TEST_F(AppModel, PowerSleepLockAndScreenSaverEachHoldTheDisplaysWhileTheyLast) {
    model->start();
    const struct {
        void (*set)(bool);
        const char* label;
    } rows[] = {
        {setOnBattery, "Still frame on battery"},
        {setPowerSaver, "Still frame in power saver"},
        {setSleeping, "Paused while the computer sleeps"},
        {setLocked, "Paused while the screen is locked"},
        {setScreenSaver, "Paused during the screen saver"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        row.set(true);
        EXPECT_TRUE(waitFor([&] { return labels() == Labels{row.label, row.label}; }));
        row.set(false);
        EXPECT_TRUE(waitFor([&] { return labels() == Labels{"Animating at 30 fps", "Animating at 15 fps"}; }));
    }

    // On battery each display draws its one still, then the frame loop sleeps: no ticks at all.
    FrameDriver& driver = *model->driver();
    setOnBattery(true);
    ASSERT_TRUE(waitFor([&] { return labels()[0] == "Still frame on battery" && driver.link() && driver.link()->paused(); }));
    driver.stats.takeTotals();
    waitFor([] { return false; }, std::chrono::seconds(1));
    EXPECT_EQ(driver.stats.totals().ticks, 0);
    // Unless asked to run on battery, which also covers power saver.
    model->updateSettings([](LumenSettings& s) { s.runOnBattery = true; });
    const std::string reduced = "Animating at 15 fps, half resolution";
    EXPECT_EQ(labels(), (Labels{reduced, reduced}));
    setOnBattery(false);
    setPowerSaver(true);
    ASSERT_TRUE(waitFor([&] { return model->power().lowPowerMode && !model->power().onBattery; }));
    EXPECT_EQ(labels(), (Labels{reduced, reduced}));
    setPowerSaver(false);
}

TEST_F(AppModel, PickingASceneEndsTheShuffleAndCrossFades) {
    model->start();
    int changes = 0;
    QObject::connect(model.get(), &lumen::app::AppModel::changed, [&] { ++changes; });
    model->setSettings(model->settings());
    EXPECT_EQ(changes, 0) << "equal settings change nothing";
    EXPECT_FALSE(storedSettings());

    model->updateSettings([](LumenSettings& s) { s.shuffleDaily = true; });
    // A cross-fade starts from what the displays last showed.
    ASSERT_TRUE(waitFor([&] {
        const auto windows = model->wallpaper()->orderedWindows();
        return std::all_of(windows.begin(), windows.end(),
                           [](WallpaperWindow* w) { return w->surface().hasFrame() && w->surface().lastView(); });
    }));
    // Whichever scene today's shuffle shows, pick the other one.
    const bool showingNebula = model->current().id.text() == "nebulaFlythrough";
    const SceneInfo other = *model->catalog().scene(SceneID{showingNebula ? "deepReef" : "nebulaFlythrough"});
    model->selectScene(other);
    EXPECT_FALSE(model->settings().shuffleDaily);
    EXPECT_EQ(model->current().id, other.id);
    EXPECT_TRUE(model->host()->fadeStart().has_value()) << "animating displays cross-fade";
    EXPECT_TRUE(saw("scene: " + other.id.text()));
    defaults->sync();
    ASSERT_TRUE(storedSettings());
    EXPECT_EQ(LumenSettings::decode(*storedSettings()).scene, other.id);

    // Reduce motion: no cross-fade, no parallax.
    model->setReduceMotion(true);
    model->selectScene(*model->catalog().scene(SceneID{showingNebula ? "nebulaFlythrough" : "deepReef"}));
    EXPECT_FALSE(model->host()->fadeStart().has_value());
    EXPECT_FALSE(model->wallpaper()->orderedWindows()[0]->surface().parallaxEnabled());
}

TEST_F(AppModel, AFailingSceneFallsBackToDeepReefAndIsNotTriedAgain) {
    model->start();
    const SceneInfo koi = *model->catalog().scene(SceneID{"zenKoiPond"});
    auto failures = [&] {
        return std::count_if(events.begin(), events.end(), [](const std::string& e) { return e.starts_with("scene zenKoiPond failed"); });
    };
    model->selectScene(koi);
    EXPECT_EQ(model->current().id.text(), "deepReef");
    EXPECT_TRUE(model->failedScenes().contains("zenKoiPond"));
    EXPECT_EQ(failures(), 1);
    model->updateSettings([](LumenSettings& s) { s.idleMinutes = 5; });
    model->selectScene(koi);
    EXPECT_EQ(failures(), 1);
    EXPECT_EQ(model->current().id.text(), "deepReef");
}

// Launch switches override the stored settings for this run; what cannot be used is said and ignored.
TEST_F(AppModel, LaunchSwitchesAndStoredSettingsThatCannotBeUsedAreSaidAndIgnored) {
    const struct {
        std::vector<std::string> arguments;
        std::optional<std::string> stored;
        std::vector<std::string> said;
        const char* scene;
        std::string statusLine;
    } rows[] = {
        {{"-scene", "alpineLake", "-sceneOptions", "rain=heavy,,time=clock,bad", "-frobnicate", "1", "-weather", "hail"},
         "{not json",
         {"settings: the stored settings are not readable; using the defaults",
          "launch argument -frobnicate is not known; ignored", "weather override \"hail\" is not a known condition; ignored",
          "launch scene \"alpineLake\" is not built into this program; showing deepReef instead",
          "launch option \"bad\" is not key=value; ignored"},
         "deepReef", "Deep Reef · screen: Animating at 30 fps · RIGHT: Animating at 15 fps"},
        {{"-scene", "noSuch"}, std::nullopt, {"launch scene \"noSuch\" is not a scene; showing deepReef instead"}, "deepReef", ""},
        {{"-scene", "nebulaFlythrough", "-simulateCovered", "YES", "-sceneOptions", "palette=zzz"},
         R"({"scene":"noSuchScene","shuffleDaily":false})",
         {"launch option palette=zzz: \"zzz\" is not a choice of palette; choose one of: classic, ember, ice; palette "
          "stays classic"},
         "nebulaFlythrough", "Nebula Flythrough · Paused while covered"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.arguments.front() + " " + row.arguments[1]);
        ASSERT_TRUE(make(row.arguments, row.stored));
        model->start();
        for (const std::string& line : row.said) EXPECT_TRUE(saw(line)) << line;
        EXPECT_EQ(model->current().id.text(), row.scene);
        if (!row.statusLine.empty()) {
            EXPECT_EQ(model->statusLine(), row.statusLine);
        }
    }
    EXPECT_EQ(model->host()->options.value("palette"), "classic");
    ASSERT_TRUE(make(rows[0].arguments, rows[0].stored));
    EXPECT_EQ(model->settings(), LumenSettings{});
    EXPECT_EQ(model->overrides().options, (std::map<std::string, std::string>{{"rain", "heavy"}, {"time", "clock"}}));
    // The first save keeps the unreadable file beside the new one.
    model->togglePause();
    EXPECT_TRUE(std::any_of(events.begin(), events.end(), [](const std::string& e) {
        return e.starts_with("settings: kept the unreadable settings file as ");
    }));
}

}  // namespace
