#pragma once

#include "scenekit/LumenScene.hpp"
#include "scenekit/ShaderScene.hpp"

#include "gpu/Gpu.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumen::app::test {

// One offscreen frame of a shader scene drawn as the host draws it (prepareFrame, prepareView,
// then draw into a bgra8Unorm pass with a depth buffer), read back before the view is released.
struct ShaderSceneStill {
    gpu::ImageRGBA8 image;
    // The view's layer as RGBA floats, rows bottom first; empty without a layer.
    std::vector<std::array<float, 4>> layer;
    int layerWidth = 0;
    int layerHeight = 0;
};

std::optional<ShaderSceneStill> renderStill(ShaderScene& scene, int width, int height, const SceneFrame& frame,
                                            const SceneView* viewTemplate = nullptr);

// Average of the red, green and blue bytes over the image, and per channel.
double meanBrightness(const gpu::ImageRGBA8& image);
std::array<double, 3> meanColour(const gpu::ImageRGBA8& image);
// How many distinct RGB values the image holds (capped at `limit`).
int distinctColours(const gpu::ImageRGBA8& image, int limit = 1000);

// Every channel within `tolerance` of the expected value.
::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance = 2);

// IEEE half to float, for 16-bit float readbacks.
float halfToFloat(std::uint16_t half);

}  // namespace lumen::app::test
