#pragma once

#include "LumenKit/catalog/LumenSettings.hpp"
#include "LumenKit/policy/PowerContext.hpp"
#include "LumenKit/policy/RenderDecision.hpp"

#include <array>

namespace lumen {

// Decides, for one display at one moment, whether and how the wallpaper animates. Stateless.
namespace RenderPolicy {

inline constexpr std::array<int, 2> allowedFPSCaps{15, 30};
inline constexpr int defaultFPSCap = 30;  // what any other fpsCap value counts as
inline constexpr int batterySaverCap = 24;
inline constexpr float batterySaverScale = 0.5f;
inline constexpr int batteryCap = 15;
inline constexpr float batteryScale = 0.5f;
inline constexpr int warmCap = 24;
inline constexpr int hotCap = 15;
inline constexpr int secondaryCap = 15;
inline constexpr int softwareCap = 15;
inline constexpr float softwareScale = 0.5f;

// What draws the frames: graphics hardware, or a software rasteriser (the CPU), which shows a
// still frame unless the user asked for motion anyway.
enum class Graphics { hardware, softwareStill, softwareAnimated };

// covered: the wallpaper window is not visible (or the idle scene shows, or covering is simulated).
// secondary: not the main display. heavyScene: the live scene's SceneInfo::isHeavy().
// autoScale: the display's auto-quality scale, 1.0 when it has none.
RenderDecision decide(const PowerContext& context, bool covered, const LumenSettings& settings,
                      bool secondary, bool heavyScene, float autoScale,
                      Graphics graphics = Graphics::hardware);

bool batterySaverActive(const PowerContext& context, const LumenSettings& settings);

}  // namespace RenderPolicy

}  // namespace lumen
