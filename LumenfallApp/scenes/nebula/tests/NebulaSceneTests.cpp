#include "support/ShaderSceneTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/nebula/NebulaScene.hpp"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace lumen::app::test {

namespace {

SceneFrame frameWith(std::map<std::string, std::string> options, double dt = 0.1, bool reduceMotion = false) {
    SceneFrame frame;
    frame.dt = dt;
    frame.options.values = std::move(options);
    frame.reduceMotion = reduceMotion;
    return frame;
}

}  // namespace

using NebulaSceneTest = ShaderSceneTest<NebulaScene>;

// Drift unless the option says cruise, at 30 % with reduced motion; unknown palettes are classic.
TEST_F(NebulaSceneTest, FliesAtTheChosenSpeedWrapsAndShowsThePalette) {
    using Option = std::optional<std::string>;
    const std::tuple<Option, bool, double> speeds[] = {{"cruise", false, 3.2}, {"cruise", true, 0.96},
                                                       {"drift", false, 1.4},  {"drift", true, 0.42},
                                                       {"warp", false, 1.4},   {std::nullopt, false, 1.4}};
    for (const auto& [option, reduced, speed] : speeds) EXPECT_NEAR(NebulaScene::speed(option, reduced), speed, 1e-12);
    const std::pair<Option, float> palettes[] = {
        {"classic", 0}, {"ember", 1}, {"ice", 2}, {"neon", 0}, {std::nullopt, 0}};
    for (const auto& [option, number] : palettes) EXPECT_EQ(NebulaScene::paletteNumber(option), number);

    auto scene = make();
    for (int i = 0; i < 10; ++i) scene->update(frameWith({{"speed", "cruise"}, {"palette", "ice"}}, 0.1, true));
    EXPECT_NEAR(scene->distance(), 0.96, 1e-9);
    EXPECT_EQ(scene->uniforms(SceneView{}, 8, 8, false).parameters[0].w, 2);
    // Past 160000 it wraps; exactly 160000 does not exceed the wrap distance.
    for (const auto& [start, end] : {std::pair{160000.5, 0.5}, std::pair{160000.0, 160000.0}}) {
        scene->setDistance(start - 0.14);
        scene->update(frameWith({}, 0.1));
        EXPECT_NEAR(scene->distance(), end, 1e-6);
    }
    scene->setDistance(42);
    scene->update(frameWith({{"speed", "cruise"}}, 0));  // paused
    EXPECT_EQ(scene->distance(), 42);
    scene->prewarm(frameWith({{"speed", "cruise"}}, 0), 12.0);
    EXPECT_NEAR(scene->distance(), 42 + 12.0 * 3.2, 1e-9);
}

// Both channels of the cloud volume are smooth fields over the whole 8-bit range (centred, wide,
// both ends in use) so the shader can pick where they turn into clouds, and they tile.
TEST_F(NebulaSceneTest, VolumeSpansTheRangeAndTiles) {
    auto scene = make();
    ASSERT_EQ(scene->textures().size(), 1u);
    const auto bytes = scene->textures()[0].readBytes();
    ASSERT_TRUE(bytes.ok());
    ASSERT_EQ(bytes->size(), 128u * 128 * 128 * 2);
    auto texel = [&](int x, int y, int z, int channel) {
        return static_cast<int>((*bytes)[((static_cast<std::size_t>(z) * 128 + y) * 128 + x) * 2 + channel]);
    };
    for (int channel = 0; channel < 2; ++channel) {
        double sum = 0, squares = 0, low = 0, high = 0;
        const int total = 64 * 64 * 64;
        for (int i = 0; i < total; ++i) {
            const int v = texel(i % 64 * 2, i / 64 % 64 * 2, i / 4096 * 2, channel);
            sum += v;
            squares += double(v) * v;
            low += v < 32;
            high += v > 224;
        }
        const double mean = sum / total;
        EXPECT_TRUE(mean > 0.3 * 255 && mean < 0.7 * 255) << channel << ": " << mean;
        EXPECT_GT(std::sqrt(squares / total - mean * mean), 40) << channel;
        EXPECT_GT(std::min(low, high) / total, 0.02) << channel;
    }
    // Across each face the jump is like that between two inner neighbours.
    for (int axis = 0; axis < 3; ++axis) {
        double across = 0, inside = 0;
        for (int a = 0; a < 128 * 128; ++a) {
            const int u = a % 128, v = a / 128;
            auto at = [&](int i) {
                return axis == 0 ? texel(i, u, v, 0) : axis == 1 ? texel(u, i, v, 0) : texel(u, v, i, 0);
            };
            across += std::abs(at(127) - at(0));
            inside += std::abs(at(64) - at(63));
        }
        EXPECT_LT(across, inside * 2.0 + 128 * 128) << "axis " << axis;
    }
}

// Each palette draws a still that is neither blank, flat, NaN nor blown out, in its own colours.
TEST_F(NebulaSceneTest, EveryPaletteDrawsALivedInStill) {
    std::map<std::string, std::array<double, 3>> colours;
    for (const char* palette : {"classic", "ember", "ice"}) {
        auto scene = make();
        SceneFrame frame = frameWith({{"palette", palette}}, 0);
        frame.clock = 120;
        scene->prewarm(frame, 12);
        const auto still = renderStill(*scene, 192, 108, frame);
        ASSERT_TRUE(still) << palette;
        const double mean = meanBrightness(*still);
        EXPECT_GT(mean, 12) << palette;
        EXPECT_LT(mean, 150) << palette;
        EXPECT_GT(distinctColours(*still), 400) << palette;
        colours[palette] = meanColour(*still);
    }
    // Ember glows warm, ice cold, and the classic rose and teal sits between them.
    EXPECT_GT(colours["ember"][0], colours["ember"][2] * 1.3);
    EXPECT_GT(colours["ice"][2], colours["ice"][0] * 1.2);
    EXPECT_GT(colours["classic"][2], colours["ember"][2]);
    EXPECT_GT(colours["classic"][0], colours["ice"][0]);
}

}  // namespace lumen::app::test
