#include "LumenKit/policy/RenderPolicy.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace lumen {
namespace {

// Inputs for one call; defaults are the plain case: mains power, visible main display.
struct Inputs {
    PowerContext context;
    bool covered = false;
    LumenSettings settings;
    bool secondary = false;
    bool heavy = false;
    float autoScale = 1.0f;

    RenderDecision decide() const {
        return RenderPolicy::decide(context, covered, settings, secondary, heavy, autoScale);
    }
};

RenderDecision render(int fps, float scale) { return RenderDecision::render(fps, scale); }
RenderDecision paused(PauseReason reason) { return RenderDecision::paused(reason); }

TEST(RenderPolicy, PlainCaseAnimatesAtFullRateAndSize) {
    Inputs in;
    ASSERT_EQ(in.settings.fpsCap, 30);
    ASSERT_EQ(in.settings.quality, Quality::automatic);
    EXPECT_EQ(in.decide(), render(30, 1.0f));
    EXPECT_EQ(in.decide().statusText(), "Animating at 30 fps");
}

TEST(RenderPolicy, OnlyFifteenAndThirtyAreAcceptedCaps) {
    Inputs in;
    in.settings.fpsCap = 15;
    EXPECT_EQ(in.decide(), render(15, 1.0f));
    for (int cap : {60, 0, 24, -15, 31, 120}) {
        in.settings.fpsCap = cap;
        EXPECT_EQ(in.decide(), render(30, 1.0f)) << "fpsCap " << cap;
    }
}

TEST(RenderPolicy, PausesFollowTheirPriorityOrder) {
    // Switch every pause condition on, then peel them off from the top: each time the
    // highest one left must win.
    Inputs in;
    in.settings.userPaused = true;
    in.context.systemSleeping = true;
    in.context.screenLocked = true;
    in.context.displaysAsleep = true;
    in.context.screensaverRunning = true;
    in.covered = true;
    in.context.thermal = ThermalLevel::critical;
    in.context.onBattery = true;
    in.context.lowPowerMode = true;

    EXPECT_EQ(in.decide(), paused(PauseReason::user));
    in.settings.userPaused = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::systemSleep));
    in.context.systemSleeping = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::locked));
    in.context.screenLocked = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::displayAsleep));
    in.context.displaysAsleep = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::screensaver));
    in.context.screensaverRunning = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::covered));
    in.covered = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::thermal));
    in.context.thermal = ThermalLevel::nominal;
    EXPECT_EQ(in.decide(), paused(PauseReason::battery));
    in.context.onBattery = false;
    EXPECT_EQ(in.decide(), paused(PauseReason::lowPower));
}

TEST(RenderPolicy, PairsOfPausesResolveToTheHigherOne) {
    Inputs sleepAndLock;
    sleepAndLock.context.systemSleeping = true;
    sleepAndLock.context.screenLocked = true;
    EXPECT_EQ(sleepAndLock.decide(), paused(PauseReason::systemSleep));

    Inputs lockAndDisplay;
    lockAndDisplay.context.screenLocked = true;
    lockAndDisplay.context.displaysAsleep = true;
    EXPECT_EQ(lockAndDisplay.decide(), paused(PauseReason::locked));

    Inputs displayAndSaver;
    displayAndSaver.context.displaysAsleep = true;
    displayAndSaver.context.screensaverRunning = true;
    EXPECT_EQ(displayAndSaver.decide(), paused(PauseReason::displayAsleep));

    Inputs coveredAndHot;
    coveredAndHot.covered = true;
    coveredAndHot.context.thermal = ThermalLevel::critical;
    EXPECT_EQ(coveredAndHot.decide(), paused(PauseReason::covered));

    Inputs hotOnBattery;
    hotOnBattery.context.thermal = ThermalLevel::critical;
    hotOnBattery.context.onBattery = true;
    EXPECT_EQ(hotOnBattery.decide(), paused(PauseReason::thermal));
    EXPECT_EQ(hotOnBattery.decide().statusText(), "Paused: the computer is very hot");
}

TEST(RenderPolicy, BatteryAndPowerSaverShowAStillFrameWithoutRunOnBattery) {
    Inputs powerSaver;
    powerSaver.context.lowPowerMode = true;
    EXPECT_EQ(powerSaver.decide(), paused(PauseReason::lowPower));
    EXPECT_EQ(powerSaver.decide().statusText(), "Still frame in power saver");

    Inputs battery;
    battery.context.onBattery = true;
    EXPECT_EQ(battery.decide(), paused(PauseReason::battery));
    EXPECT_EQ(battery.decide().statusText(), "Still frame on battery");

    battery.context.lowPowerMode = true;
    EXPECT_EQ(battery.decide(), paused(PauseReason::battery));
}

TEST(RenderPolicy, RunOnBatteryCapsRateAndSizeWhateverTheQuality) {
    for (Quality quality : QualityInfo::allCases) {
        Inputs in;
        in.context.onBattery = true;
        in.settings.runOnBattery = true;
        in.settings.quality = quality;
        EXPECT_EQ(in.decide(), render(15, 0.5f));
        in.context.onBattery = false;
        in.context.lowPowerMode = true;
        EXPECT_EQ(in.decide(), render(15, 0.5f));
    }
    Inputs full;
    full.context.onBattery = true;
    full.settings.runOnBattery = true;
    full.settings.quality = Quality::full;
    EXPECT_EQ(full.decide().statusText(), "Animating at 15 fps, half resolution");
}

TEST(RenderPolicy, RunOnBatteryDoesNothingOnMains) {
    Inputs in;
    in.settings.runOnBattery = true;
    in.settings.batterySaverOnBattery = false;
    EXPECT_EQ(in.decide(), render(30, 1.0f));
}

TEST(RenderPolicy, BatterySaverActivation) {
    LumenSettings settings;
    settings.batterySaver = false;
    settings.batterySaverOnBattery = false;
    PowerContext mains, battery, powerSaver;
    battery.onBattery = true;
    powerSaver.lowPowerMode = true;

    EXPECT_FALSE(RenderPolicy::batterySaverActive(mains, settings));
    EXPECT_FALSE(RenderPolicy::batterySaverActive(battery, settings));
    EXPECT_FALSE(RenderPolicy::batterySaverActive(powerSaver, settings));

    settings.batterySaverOnBattery = true;
    EXPECT_FALSE(RenderPolicy::batterySaverActive(mains, settings));
    EXPECT_TRUE(RenderPolicy::batterySaverActive(battery, settings));
    EXPECT_TRUE(RenderPolicy::batterySaverActive(powerSaver, settings));

    settings.batterySaver = true;
    settings.batterySaverOnBattery = false;
    EXPECT_TRUE(RenderPolicy::batterySaverActive(mains, settings));
}

TEST(RenderPolicy, BatterySaverLowersSizeOnlyForHeavyScenesUnderAuto) {
    Inputs in;
    in.settings.batterySaver = true;
    in.heavy = true;
    EXPECT_EQ(in.decide(), render(24, 0.5f));

    in.settings.quality = Quality::full;
    EXPECT_EQ(in.decide(), render(24, 1.0f));

    in.settings.quality = Quality::automatic;
    in.heavy = false;
    EXPECT_EQ(in.decide(), render(24, 1.0f));

    in.settings.quality = Quality::half;
    EXPECT_EQ(in.decide(), render(24, 0.5f));
}

TEST(RenderPolicy, CapsNeverRaiseTheRate) {
    Inputs in;
    in.settings.fpsCap = 15;
    in.settings.batterySaver = true;
    EXPECT_EQ(in.decide(), render(15, 1.0f));
    in.context.thermal = ThermalLevel::fair;
    EXPECT_EQ(in.decide(), render(15, 1.0f));
}

TEST(RenderPolicy, HeatCapsTheRate) {
    Inputs in;
    in.context.thermal = ThermalLevel::fair;
    EXPECT_EQ(in.decide(), render(24, 1.0f));
    in.context.thermal = ThermalLevel::serious;
    EXPECT_EQ(in.decide(), render(15, 1.0f));
}

TEST(RenderPolicy, SecondaryDisplaysRunAtFifteenUnlessFullRateIsAllowed) {
    Inputs in;
    in.secondary = true;
    EXPECT_EQ(in.decide(), render(15, 1.0f));
    in.settings.secondaryFullRate = true;
    EXPECT_EQ(in.decide(), render(30, 1.0f));
    in.context.thermal = ThermalLevel::fair;
    EXPECT_EQ(in.decide(), render(24, 1.0f));
}

TEST(RenderPolicy, AutoScaleIsClampedUnderAutoAndIgnoredOtherwise) {
    Inputs in;
    in.autoScale = 0.25f;
    EXPECT_EQ(in.decide(), render(30, 0.5f));
    in.autoScale = 0.5f;
    EXPECT_EQ(in.decide(), render(30, 0.5f));
    in.autoScale = 0.75f;
    EXPECT_EQ(in.decide(), render(30, 0.75f));
    in.autoScale = 1.5f;
    EXPECT_EQ(in.decide(), render(30, 1.0f));
    in.autoScale = -std::numeric_limits<float>::infinity();
    EXPECT_EQ(in.decide(), render(30, 0.5f));
    // No sensible measurement: draw at full size rather than at a NaN size.
    in.autoScale = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(in.decide(), render(30, 1.0f));

    in.autoScale = 0.5f;
    in.settings.quality = Quality::full;
    EXPECT_EQ(in.decide(), render(30, 1.0f));
    in.settings.quality = Quality::half;
    in.autoScale = 1.0f;
    EXPECT_EQ(in.decide(), render(30, 0.5f));
}

TEST(RenderPolicy, ResultStaysWithinTheKnownRatesAndScales) {
    // Every combination of the boolean inputs, heat levels, qualities and a few odd inputs.
    for (int bits = 0; bits < (1 << 12); ++bits) {
        for (ThermalLevel thermal : ThermalLevelInfo::allCases) {
            for (Quality quality : QualityInfo::allCases) {
                Inputs in;
                in.context.onBattery = bits & 1;
                in.context.lowPowerMode = bits & 2;
                in.covered = bits & 4;
                in.settings.runOnBattery = bits & 8;
                in.settings.batterySaver = bits & 16;
                in.settings.batterySaverOnBattery = bits & 32;
                in.settings.secondaryFullRate = bits & 64;
                in.secondary = bits & 128;
                in.heavy = bits & 256;
                in.settings.fpsCap = (bits & 512) ? 15 : 60;
                in.autoScale = (bits & 1024) ? 0.3f : 0.8f;
                in.settings.userPaused = bits & 2048;
                in.context.thermal = thermal;
                in.settings.quality = quality;

                RenderDecision decision = in.decide();
                EXPECT_EQ(decision, in.decide());  // pure
                if (decision.isPaused()) continue;
                EXPECT_TRUE(decision.fps() == 15 || decision.fps() == 24 || decision.fps() == 30)
                    << decision;
                EXPECT_GE(decision.scale(), 0.5f) << decision;
                EXPECT_LE(decision.scale(), 1.0f) << decision;
            }
        }
    }
}

}  // namespace
}  // namespace lumen
