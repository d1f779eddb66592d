#include "LumenKit/policy/RenderPolicy.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace lumen {
namespace {

// Inputs for one call; defaults are the plain case: mains power, visible main display, the
// default settings.
struct Inputs {
    PowerContext context{};
    bool covered = false;
    bool userPaused = false;
    Quality quality = Quality::automatic;
    int fpsCap = 30;
    bool runOnBattery = false, batterySaver = false, secondaryFullRate = false;
    bool secondary = false, heavy = false;
    float autoScale = 1.0f;
    RenderPolicy::Graphics graphics = RenderPolicy::Graphics::hardware;

    RenderDecision decide() const {
        LumenSettings settings;
        settings.userPaused = userPaused;
        settings.quality = quality;
        settings.fpsCap = fpsCap;
        settings.runOnBattery = runOnBattery;
        settings.batterySaver = batterySaver;
        settings.secondaryFullRate = secondaryFullRate;
        return RenderPolicy::decide(context, covered, settings, secondary, heavy, autoScale, graphics);
    }
};

RenderDecision render(int fps, float scale) { return RenderDecision::render(fps, scale); }
RenderDecision paused(PauseReason reason) { return RenderDecision::paused(reason); }

TEST(RenderPolicy, DecisionTable) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    using enum Quality;
    const ThermalLevel warm = ThermalLevel::fair, hot = ThermalLevel::serious;
    using RenderPolicy::Graphics;
    const std::tuple<const char*, Inputs, RenderDecision> cases[] = {
        {"plain case", {}, render(30, 1)},
        {"cap 15 accepted", {.fpsCap = 15}, render(15, 1)},
        {"cap 24 is not a choice", {.fpsCap = 24}, render(30, 1)},
        {"battery", {.context = {.onBattery = true}}, paused(PauseReason::battery)},
        {"power saver", {.context = {.lowPowerMode = true}}, paused(PauseReason::lowPower)},
        {"battery and power saver", {.context = {.onBattery = true, .lowPowerMode = true}},
         paused(PauseReason::battery)},
        {"run on battery caps rate and size even at full quality",
         {.context = {.onBattery = true}, .quality = full, .runOnBattery = true}, render(15, 0.5f)},
        {"run on battery in power saver", {.context = {.lowPowerMode = true}, .runOnBattery = true},
         render(15, 0.5f)},
        {"run on battery does nothing on mains", {.runOnBattery = true}, render(30, 1)},
        {"battery saver, heavy scene", {.batterySaver = true, .heavy = true}, render(24, 0.5f)},
        {"battery saver keeps an explicit full quality", {.quality = full, .batterySaver = true, .heavy = true},
         render(24, 1)},
        {"battery saver keeps light scenes full size", {.batterySaver = true}, render(24, 1)},
        {"battery saver and half quality", {.quality = half, .batterySaver = true}, render(24, 0.5f)},
        {"caps never raise the rate", {.context = {.thermal = warm}, .fpsCap = 15, .batterySaver = true},
         render(15, 1)},
        {"warm", {.context = {.thermal = warm}}, render(24, 1)},
        {"hot", {.context = {.thermal = hot}}, render(15, 1)},
        {"secondary display", {.secondary = true}, render(15, 1)},
        {"secondary at full rate", {.secondaryFullRate = true, .secondary = true}, render(30, 1)},
        {"secondary at full rate, warm",
         {.context = {.thermal = warm}, .secondaryFullRate = true, .secondary = true}, render(24, 1)},
        {"auto scale clamped up to half", {.autoScale = 0.25f}, render(30, 0.5f)},
        {"auto scale passed through", {.autoScale = 0.75f}, render(30, 0.75f)},
        {"auto scale clamped down to full", {.autoScale = 1.5f}, render(30, 1)},
        {"auto scale minus infinity", {.autoScale = -inf}, render(30, 0.5f)},
        // No sensible measurement: draw at full size rather than at a NaN size.
        {"auto scale NaN", {.autoScale = nan}, render(30, 1)},
        {"full quality ignores the auto scale", {.quality = full, .autoScale = 0.5f}, render(30, 1)},
        {"half quality ignores the auto scale", {.quality = half}, render(30, 0.5f)},
        {"software rasteriser: a still", {.graphics = Graphics::softwareStill}, paused(PauseReason::noGraphicsHardware)},
        {"software rasteriser, motion asked for: lowest quality",
         {.quality = full, .graphics = Graphics::softwareAnimated}, render(15, 0.5f)},
        {"software motion never raises a lower cap",
         {.context = {.onBattery = true}, .runOnBattery = true, .graphics = Graphics::softwareAnimated},
         render(15, 0.5f)},
    };
    for (const auto& [why, in, expected] : cases) EXPECT_EQ(in.decide(), expected) << why;
}

TEST(RenderPolicy, PausesFollowTheirPriorityOrder) {
    // Switch every pause condition on, then peel them off from the top: each time the highest
    // one left must win.
    struct Rung {
        PauseReason reason;
        void (*set)(Inputs&, bool);
    };
    const Rung ladder[] = {
        {PauseReason::user, [](Inputs& in, bool on) { in.userPaused = on; }},
        {PauseReason::systemSleep, [](Inputs& in, bool on) { in.context.systemSleeping = on; }},
        {PauseReason::locked, [](Inputs& in, bool on) { in.context.screenLocked = on; }},
        {PauseReason::displayAsleep, [](Inputs& in, bool on) { in.context.displaysAsleep = on; }},
        {PauseReason::screensaver, [](Inputs& in, bool on) { in.context.screensaverRunning = on; }},
        {PauseReason::covered, [](Inputs& in, bool on) { in.covered = on; }},
        {PauseReason::thermal,
         [](Inputs& in, bool on) { in.context.thermal = on ? ThermalLevel::critical : ThermalLevel::nominal; }},
        {PauseReason::noGraphicsHardware,
         [](Inputs& in, bool on) {
             in.graphics = on ? RenderPolicy::Graphics::softwareStill : RenderPolicy::Graphics::hardware;
         }},
        {PauseReason::battery, [](Inputs& in, bool on) { in.context.onBattery = on; }},
        {PauseReason::lowPower, [](Inputs& in, bool on) { in.context.lowPowerMode = on; }},
    };
    Inputs in;
    for (const Rung& rung : ladder) rung.set(in, true);
    for (const Rung& rung : ladder) {
        EXPECT_EQ(in.decide(), paused(rung.reason));
        rung.set(in, false);
    }
    EXPECT_EQ(in.decide(), render(30, 1));
}

// The saver also shows as active in the menu, so its switch-on rule is checked directly:
// on battery its caps are always below the saver's own.
TEST(RenderPolicy, BatterySaverActivation) {
    LumenSettings settings;
    const PowerContext mains, battery{.onBattery = true}, powerSaver{.lowPowerMode = true};
    ASSERT_TRUE(settings.batterySaverOnBattery);
    EXPECT_FALSE(RenderPolicy::batterySaverActive(mains, settings));
    EXPECT_TRUE(RenderPolicy::batterySaverActive(battery, settings));
    EXPECT_TRUE(RenderPolicy::batterySaverActive(powerSaver, settings));
    settings.batterySaverOnBattery = false;
    EXPECT_FALSE(RenderPolicy::batterySaverActive(battery, settings));
    settings.batterySaver = true;
    EXPECT_TRUE(RenderPolicy::batterySaverActive(mains, settings));
}

}  // namespace
}  // namespace lumen
