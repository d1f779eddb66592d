#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/nebula/NebulaScene.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

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

float angleBetween(Float3 a, Float3 b) { return std::acos(std::clamp(dot(normalize(a), normalize(b)), -1.0f, 1.0f)); }

}  // namespace

class NebulaSceneTest : public RenderTest {
protected:
    std::unique_ptr<NebulaScene> make() {
        const auto& all = SceneRegistry::all();
        const auto info = std::find_if(all.begin(), all.end(),
                                       [](const SceneInfo& s) { return s.id == SceneID("nebulaFlythrough"); });
        return ShaderScene::make<NebulaScene>(SceneContext{gpu(), info != all.end() ? *info : SceneInfo{}, 1});
    }
};

TEST_F(NebulaSceneTest, DistanceFollowsTheSpeedOptionAndWraps) {
    auto scene = make();
    // Ten steps of 0.1 s: one second of flight. Unlisted values, and none, drift.
    const struct {
        const char* speed;
        bool reduceMotion;
        double distance;
    } cases[] = {{"cruise", false, 3.2}, {"cruise", true, 0.96}, {"drift", false, 1.4},
                 {"drift", true, 0.42},  {"warp", false, 1.4},   {nullptr, false, 1.4}};
    for (const auto& c : cases) {
        scene->setDistance(0);
        const auto frame = frameWith(c.speed ? std::map<std::string, std::string>{{"speed", c.speed}}
                                             : std::map<std::string, std::string>{}, 0.1, c.reduceMotion);
        for (int i = 0; i < 10; ++i) scene->update(frame);
        EXPECT_NEAR(scene->distance(), c.distance, 1e-9) << (c.speed ? c.speed : "none") << " " << c.reduceMotion;
    }
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

// The path repeats, so the wrap is seamless; parallax turns the view a little towards where it points.
TEST(NebulaFlightPath, LoopsSeamlesslyAndParallaxTurnsTheView) {
    const auto camera = NebulaScene::camera(50, {});
    for (const double distance : {50.0 + 160 * 7, 160000.0 + 50}) {
        const auto later = NebulaScene::camera(distance, {});
        EXPECT_NEAR(length(later.position - camera.position), 0, 1e-3) << distance;
        EXPECT_NEAR(angleBetween(later.forward, camera.forward), 0, 1e-3) << distance;
    }
    const auto right = NebulaScene::camera(50, {1, 0});
    const auto up = NebulaScene::camera(50, {0, 1});
    EXPECT_GT(angleBetween(right.forward, camera.forward), 0.02f);
    EXPECT_LT(angleBetween(right.forward, camera.forward), 0.12f);
    EXPECT_GT(dot(right.forward, camera.right), 0);
    EXPECT_GT(dot(up.forward, camera.up), 0);
}

TEST_F(NebulaSceneTest, ParametersCarryCameraAndPalette) {
    auto scene = make();
    scene->setDistance(20);
    SceneView view;
    view.parallax = {0.5f, -0.25f};
    const auto expected = NebulaScene::camera(20, view.parallax);
    const std::pair<const char*, float> palettes[] = {{"classic", 0}, {"ember", 1}, {"ice", 2}, {"neon", 0}, {"", 0}};
    for (const auto& [name, number] : palettes) {
        scene->update(frameWith(*name ? std::map<std::string, std::string>{{"palette", name}}
                                      : std::map<std::string, std::string>{}, 0));
        const auto u = scene->uniforms(view, 100, 50, false);
        EXPECT_EQ(u.parameters[0], float4(expected.position, number)) << name;
        EXPECT_EQ(u.parameters[1], float4(expected.forward, 0));
        EXPECT_EQ(u.parameters[2], float4(expected.right, 0));
        EXPECT_EQ(u.parameters[3], float4(expected.up, 0));
    }
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
            auto at = [&](int i) { return axis == 0 ? texel(i, u, v, 0) : axis == 1 ? texel(u, i, v, 0) : texel(u, v, i, 0); };
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
