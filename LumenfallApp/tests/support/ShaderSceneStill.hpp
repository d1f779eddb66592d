#pragma once

#include "scenekit/LumenScene.hpp"

#include "gpu/Gpu.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>

namespace lumen::app::test {

// One offscreen frame of a scene drawn as the host draws it (prepareFrame, prepareView, then draw
// into a bgra8Unorm pass with a depth buffer, multisampled and resolved when `sampleCount` > 1),
// read back before the view is released.
std::optional<gpu::ImageRGBA8> renderStill(LumenScene& scene, int width, int height, const SceneFrame& frame,
                                           const SceneView& viewTemplate = {}, int sampleCount = 1);

// The mean of the red, green and blue bytes over the image; their average.
std::array<double, 3> meanColour(const gpu::ImageRGBA8& image);
double meanBrightness(const gpu::ImageRGBA8& image);
// How many distinct RGB values the image holds (capped at `limit`).
int distinctColours(const gpu::ImageRGBA8& image, int limit = 1000);

// Every channel within `tolerance` of the expected value.
::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance = 2);

}  // namespace lumen::app::test
