#include "support/ShaderSceneStill.hpp"

#include "support/RenderTest.hpp"

#include "scenekit/SceneTargets.hpp"

#include <cmath>
#include <cstring>
#include <set>

namespace lumen::app::test {

std::optional<ShaderSceneStill> renderStill(ShaderScene& scene, int width, int height, const SceneFrame& frame,
                                            const SceneView* viewTemplate) {
    gpu::Device& device = *test::device();
    auto colour = device.makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                      .width = width,
                                      .height = height,
                                      .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
                                      .label = "test still"});
    SceneTargets targets;
    if (!colour || !targets.make(device, width, height, 1)) return std::nullopt;

    const int token = 0;
    SceneView view = viewTemplate ? *viewTemplate : SceneView{};
    view.id = &token;
    view.width = width;
    view.height = height;

    auto commands = device.makeCommandBuffer("test still");
    scene.prepareFrame(commands, frame);
    scene.prepareView(commands, view, frame);
    {
        auto encoder = commands.renderEncoder(makeScenePass(*colour, nullptr, *targets.depth), "test still");
        if (!encoder) return std::nullopt;
        scene.draw(*encoder, view, frame);
        encoder->endEncoding();
    }
    commands.commit();
    if (!commands.waitUntilCompleted()) return std::nullopt;

    ShaderSceneStill still;
    auto image = gpu::readImageRGBA8(device, *colour);
    if (!image) return std::nullopt;
    still.image = std::move(image.value());
    if (auto it = scene.layers().find(view.id); it != scene.layers().end() && it->second.texture) {
        const auto& texture = *it->second.texture;
        auto bytes = texture.readBytes();
        if (!bytes) return std::nullopt;
        still.layerWidth = texture.width();
        still.layerHeight = texture.height();
        const std::size_t texels = bytes->size() / 8;
        still.layer.resize(texels);
        for (std::size_t i = 0; i < texels; ++i) {
            for (int c = 0; c < 4; ++c) {
                std::uint16_t half = 0;
                std::memcpy(&half, bytes->data() + i * 8 + c * 2, 2);
                still.layer[i][c] = halfToFloat(half);
            }
        }
    }
    scene.releaseView(view.id);
    return still;
}

double meanBrightness(const gpu::ImageRGBA8& image) {
    const auto c = meanColour(image);
    return (c[0] + c[1] + c[2]) / 3.0;
}

std::array<double, 3> meanColour(const gpu::ImageRGBA8& image) {
    std::array<double, 3> sum{};
    const std::size_t pixels = image.pixels.size() / 4;
    for (std::size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) sum[c] += image.pixels[i * 4 + c];
    }
    for (auto& s : sum) s /= static_cast<double>(pixels ? pixels : 1);
    return sum;
}

int distinctColours(const gpu::ImageRGBA8& image, int limit) {
    std::set<std::uint32_t> seen;
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        seen.insert(image.pixels[i] | image.pixels[i + 1] << 8 | image.pixels[i + 2] << 16);
        if (static_cast<int>(seen.size()) >= limit) break;
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

float halfToFloat(std::uint16_t half) {
    const int sign = half >> 15;
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    float value = 0;
    if (exponent == 0) {
        value = std::ldexp(static_cast<float>(mantissa), -24);
    } else if (exponent == 31) {
        value = mantissa ? NAN : INFINITY;
    } else {
        value = std::ldexp(static_cast<float>(mantissa | 0x400), exponent - 25);
    }
    return sign ? -value : value;
}

}  // namespace lumen::app::test
