#include "LumenKit/policy/RenderPolicy.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::RenderPolicy {

namespace {

std::optional<PauseReason> pauseReason(const PowerContext& context, bool covered,
                                       const LumenSettings& settings) {
    if (settings.userPaused) return PauseReason::user;
    if (context.systemSleeping) return PauseReason::systemSleep;
    if (context.screenLocked) return PauseReason::locked;
    if (context.displaysAsleep) return PauseReason::displayAsleep;
    if (context.screensaverRunning) return PauseReason::screensaver;
    if (covered) return PauseReason::covered;
    // Too hot wins over the battery still frame below.
    if (context.thermal == ThermalLevel::critical) return PauseReason::thermal;
    return std::nullopt;
}

int allowedCap(int fpsCap) {
    bool allowed = std::find(allowedFPSCaps.begin(), allowedFPSCaps.end(), fpsCap) !=
                   allowedFPSCaps.end();
    return allowed ? fpsCap : defaultFPSCap;
}

float qualityScale(Quality quality, float autoScale) {
    switch (quality) {
        case Quality::full: return 1.0f;
        case Quality::half: return 0.5f;
        case Quality::automatic: break;
    }
    // A broken measurement must not leave the drawable at a nonsense size; NaN means "no
    // automatic scale", which is full size.
    if (std::isnan(autoScale)) return 1.0f;
    return std::clamp(autoScale, 0.5f, 1.0f);
}

}  // namespace

bool batterySaverActive(const PowerContext& context, const LumenSettings& settings) {
    if (settings.batterySaver) return true;
    return settings.batterySaverOnBattery && (context.onBattery || context.lowPowerMode);
}

RenderDecision decide(const PowerContext& context, bool covered, const LumenSettings& settings,
                      bool secondary, bool heavyScene, float autoScale, Graphics graphics) {
    if (auto reason = pauseReason(context, covered, settings)) {
        return RenderDecision::paused(*reason);
    }
    if (graphics == Graphics::softwareStill) return RenderDecision::paused(PauseReason::noGraphicsHardware);

    int fps = allowedCap(settings.fpsCap);
    float scale = qualityScale(settings.quality, autoScale);

    // Caps only ever lower the rate and the scale, never raise them.
    if (batterySaverActive(context, settings)) {
        fps = std::min(fps, batterySaverCap);
        // Full quality is an explicit choice, and light scenes cost little at full size.
        if (settings.quality == Quality::automatic && heavyScene) {
            scale = std::min(scale, batterySaverScale);
        }
    }

    if (context.onBattery || context.lowPowerMode) {
        if (!settings.runOnBattery) {
            return RenderDecision::paused(context.onBattery ? PauseReason::battery
                                                            : PauseReason::lowPower);
        }
        fps = std::min(fps, batteryCap);
        scale = std::min(scale, batteryScale);
    }

    if (context.thermal == ThermalLevel::fair) fps = std::min(fps, warmCap);
    if (context.thermal == ThermalLevel::serious) fps = std::min(fps, hotCap);

    if (secondary && !settings.secondaryFullRate) fps = std::min(fps, secondaryCap);
    if (graphics == Graphics::softwareAnimated) {
        fps = std::min(fps, softwareCap);
        scale = std::min(scale, softwareScale);
    }

    return RenderDecision::render(fps, scale);
}

}  // namespace lumen::RenderPolicy
