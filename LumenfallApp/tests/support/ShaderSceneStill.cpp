#include "support/ShaderSceneStill.hpp"

#include "support/RenderTest.hpp"

#include "scenekit/SceneTargets.hpp"

#include <cmath>
#include <set>

namespace lumen::app::test {

std::optional<gpu::ImageRGBA8> renderStill(LumenScene& scene, int width, int height, const SceneFrame& frame,
                                           const SceneView& viewTemplate, int sampleCount) {
    gpu::Device& device = *test::device();
    const gpu::Texture colour = renderTarget(width, height);
    SceneTargets targets;
    if (!targets.make(device, width, height, sampleCount)) return std::nullopt;
    const int token = 0;
    SceneView view = viewTemplate;
    view.id = &token;
    view.width = width;
    view.height = height;

    auto commands = device.makeCommandBuffer("test still");
    scene.prepareFrame(commands, frame);
    scene.prepareView(commands, view, frame);
    {
        auto encoder = commands.renderEncoder(targets.pass(colour), "test still");
        if (!encoder) return std::nullopt;
        scene.draw(*encoder, view, frame);
        encoder->endEncoding();
    }
    commands.commit();
    // Deep Reef on a software rasteriser takes seconds.
    const bool completed = commands.waitUntilCompleted(60);
    auto image = gpu::readImageRGBA8(device, colour);
    scene.releaseView(view.id);
    if (!completed || !image) return std::nullopt;
    return std::move(image.value());
}

std::array<double, 3> meanColour(const gpu::ImageRGBA8& image) {
    std::array<double, 3> sum{};
    const std::size_t pixels = image.pixels.size() / 4;
    for (std::size_t i = 0; i < pixels * 4; ++i) {
        if (i % 4 < 3) sum[i % 4] += image.pixels[i];
    }
    for (auto& s : sum) s /= static_cast<double>(pixels ? pixels : 1);
    return sum;
}

double meanBrightness(const gpu::ImageRGBA8& image) {
    const auto c = meanColour(image);
    return (c[0] + c[1] + c[2]) / 3.0;
}

int distinctColours(const gpu::ImageRGBA8& image, int limit) {
    std::set<std::uint32_t> seen;
    for (std::size_t i = 0; i + 3 < image.pixels.size() && static_cast<int>(seen.size()) < limit; i += 4) {
        seen.insert(image.pixels[i] | image.pixels[i + 1] << 8 | image.pixels[i + 2] << 16);
    }
    return static_cast<int>(seen.size());
}

::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance) {
    for (int c = 0; c < 4; ++c) {
        if (std::abs(actual[c] - expected[c]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "(" << int(actual[0]) << ", " << int(actual[1]) << ", " << int(actual[2]) << ", "
                   << int(actual[3]) << ") is not within " << tolerance << " of (" << expected[0] << ", "
                   << expected[1] << ", " << expected[2] << ", " << expected[3] << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace lumen::app::test
