#pragma once

#include "scenekit/FrameRing.hpp"
#include "scenes/rainyWindowCafe/RainRecords.hpp"

#include "LumenKit/scenes/rainglass/RainGlass.hpp"

#include "gpu/Gpu.hpp"

#include <optional>
#include <vector>

namespace lumen::app {

// One display's window: its water, its half-size layers texture (the blurred scene in colour,
// the condensation in alpha) and the rings that stream its drops and wipes.
struct RainPane {
    RainPane(gpu::Device& device, rainglass::RainGlass glass)
        : glass(std::move(glass)), drops(device, "drops", sizeof(DropGPU)), strokes(device, "strokes", sizeof(StrokeGPU)) {}

    rainglass::RainGlass glass;
    std::optional<gpu::Texture> background;
    bool layersFresh = true;
    FrameRing drops;
    FrameRing strokes;
    std::optional<Float2> lastPointer;
    std::optional<double> lastClock;
    std::vector<DropGPU> gpuDrops;
    std::vector<StrokeGPU> gpuStrokes;
    std::optional<double> layersClock;
};

}  // namespace lumen::app
