#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/nebula/NebulaScene.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <cmath>
#include <numbers>

namespace lumen::app::test {

namespace {

const SceneInfo& nebulaInfo() {
    static const SceneInfo info = [] {
        for (const auto& scene : SceneRegistry::all()) {
            if (scene.id.text() == "nebulaFlythrough") return scene;
        }
        return SceneInfo{.id = "nebulaFlythrough", .className = "NebulaScene"};
    }();
    return info;
}

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
        return ShaderScene::make<NebulaScene>(SceneContext{gpu(), nebulaInfo(), 1});
    }
};

TEST_F(NebulaSceneTest, DistanceFollowsTheSpeedOptionAndWraps) {
    auto scene = make();
    ASSERT_EQ(scene->distance(), 0);

    // Ten steps of 0.1 s: one second of flight.
    auto travelled = [&](std::map<std::string, std::string> options, bool reduceMotion) {
        scene->setDistance(0);
        for (int i = 0; i < 10; ++i) scene->update(frameWith(options, 0.1, reduceMotion));
        return scene->distance();
    };
    EXPECT_NEAR(travelled({{"speed", "cruise"}}, false), 3.2, 1e-9);
    EXPECT_NEAR(travelled({{"speed", "cruise"}}, true), 0.96, 1e-9);
    EXPECT_NEAR(travelled({{"speed", "drift"}}, false), 1.4, 1e-9);
    EXPECT_NEAR(travelled({{"speed", "drift"}}, true), 0.42, 1e-9);
    // Values that are not listed, and no value at all, drift.
    EXPECT_NEAR(travelled({{"speed", "warp"}}, false), 1.4, 1e-9);
    EXPECT_NEAR(travelled({}, false), 1.4, 1e-9);

    // 160000.5 after a step becomes 0.5; exactly 160000 does not exceed the wrap distance.
    scene->setDistance(160000.5 - 0.14);
    scene->update(frameWith({}, 0.1));
    EXPECT_NEAR(scene->distance(), 0.5, 1e-6);
    scene->setDistance(160000.0 - 0.14);
    scene->update(frameWith({}, 0.1));
    EXPECT_NEAR(scene->distance(), 160000.0, 1e-6);

    // A paused frame does not move.
    scene->setDistance(42);
    scene->update(frameWith({{"speed", "cruise"}}, 0));
    EXPECT_EQ(scene->distance(), 42);
}

TEST_F(NebulaSceneTest, PrewarmFliesInSteps) {
    auto scene = make();
    scene->prewarm(frameWith({{"speed", "cruise"}}, 0), 12.0);
    EXPECT_NEAR(scene->distance(), 12.0 * 3.2, 1e-9);
    EXPECT_NEAR(scene->clock(), 12.0, 1e-9);
}

TEST(NebulaFlightPath, PathAndCameraFollowTheLoop) {
    // Distance 50: the camera sits at s = -50 and looks at s = -64.
    const auto camera = NebulaScene::camera(50, {});
    const Float3 here = NebulaScene::pathPoint(-50);
    const Float3 ahead = NebulaScene::pathPoint(-64);
    EXPECT_NEAR(length(camera.position - here), 0, 1e-5);
    EXPECT_NEAR(angleBetween(camera.forward, ahead - here), 0, 1e-3);
    EXPECT_LT(camera.forward.z, -0.5f);
    // An orthonormal frame with the right vector level and the up vector upward.
    EXPECT_NEAR(length(camera.forward), 1, 1e-5);
    EXPECT_NEAR(length(camera.right), 1, 1e-5);
    EXPECT_NEAR(length(camera.up), 1, 1e-5);
    EXPECT_NEAR(dot(camera.forward, camera.right), 0, 1e-5);
    EXPECT_NEAR(dot(camera.forward, camera.up), 0, 1e-5);
    EXPECT_NEAR(camera.right.y, 0, 1e-5);
    EXPECT_GT(camera.up.y, 0.7f);

    // The loop repeats every 160 units, so the wrap at 160000 is seamless.
    const auto later = NebulaScene::camera(50 + 160 * 7, {});
    EXPECT_NEAR(length(later.position - camera.position), 0, 1e-3);
    EXPECT_NEAR(angleBetween(later.forward, camera.forward), 0, 1e-3);
    const auto wrapped = NebulaScene::camera(0.5, {});
    const auto beforeWrap = NebulaScene::camera(160000.5, {});
    EXPECT_NEAR(length(wrapped.position - beforeWrap.position), 0, 1e-3);

    // Parallax turns the view a little, towards where it points.
    const auto turnedRight = NebulaScene::camera(50, {1, 0});
    const auto turnedUp = NebulaScene::camera(50, {0, 1});
    const float yaw = angleBetween(turnedRight.forward, camera.forward);
    EXPECT_GT(yaw, 0.02f);
    EXPECT_LT(yaw, 0.12f);
    EXPECT_GT(dot(turnedRight.forward, camera.right), 0);
    EXPECT_GT(dot(turnedUp.forward, camera.up), 0);
    EXPECT_LT(angleBetween(turnedUp.forward, camera.forward), 0.1f);
}

TEST_F(NebulaSceneTest, ParametersCarryCameraAndPalette) {
    auto scene = make();
    scene->setDistance(20);
    SceneView view;
    view.parallax = {0.5f, -0.25f};
    const auto expected = NebulaScene::camera(20, view.parallax);

    const std::pair<const char*, float> palettes[] = {{"classic", 0}, {"ember", 1}, {"ice", 2}, {"neon", 0}};
    for (const auto& [name, number] : palettes) {
        scene->update(frameWith({{"palette", name}}, 0));
        const auto u = scene->uniforms(view, 100, 50, false);
        EXPECT_EQ(u.parameters[0].w, number) << name;
        EXPECT_EQ(xyz(u.parameters[0]), expected.position) << name;
        EXPECT_EQ(u.parameters[1], float4(expected.forward, 0));
        EXPECT_EQ(u.parameters[2], float4(expected.right, 0));
        EXPECT_EQ(u.parameters[3], float4(expected.up, 0));
    }
    scene->update(frameWith({}, 0));
    EXPECT_EQ(scene->uniforms(view, 100, 50, false).parameters[0].w, 0);
}

TEST_F(NebulaSceneTest, VolumeIsFilledOnceAndTiles) {
    auto scene = make();
    EXPECT_EQ(scene->shaderName(), "Nebula");
    EXPECT_EQ(scene->facing(), 180);
    ASSERT_TRUE(scene->layerSpec());
    EXPECT_EQ(scene->layerSpec()->scale, 0.5f);
    EXPECT_EQ(scene->layerSpec()->interval, 0);
    ASSERT_EQ(scene->textures().size(), 1u);
    const auto& volume = scene->textures()[0];
    EXPECT_EQ(volume.type(), gpu::TextureType::type3D);
    EXPECT_EQ(volume.format(), gpu::PixelFormat::rg8Unorm);
    EXPECT_EQ(volume.width(), 128);
    EXPECT_EQ(volume.height(), 128);
    EXPECT_EQ(volume.depth(), 128);
    EXPECT_EQ(volume.label(), "nebula volume");

    auto bytes = volume.readBytes();
    ASSERT_TRUE(bytes.ok());
    ASSERT_EQ(bytes->size(), 128u * 128 * 128 * 2);
    auto texel = [&](int x, int y, int z, int channel) {
        return static_cast<int>((*bytes)[((static_cast<std::size_t>(z) * 128 + y) * 128 + x) * 2 + channel]);
    };

    // Both channels are smooth fields spread over the whole 8-bit range, so the shader can pick
    // where they turn into clouds: centred, wide, with both ends in use.
    for (int channel = 0; channel < 2; ++channel) {
        double sum = 0, squares = 0;
        int low = 0, high = 0, total = 0;
        for (int z = 0; z < 128; z += 2) {
            for (int y = 0; y < 128; y += 2) {
                for (int x = 0; x < 128; x += 2) {
                    const int v = texel(x, y, z, channel);
                    sum += v;
                    squares += double(v) * v;
                    low += v < 32;
                    high += v > 224;
                    ++total;
                }
            }
        }
        const double mean = sum / total;
        const double deviation = std::sqrt(squares / total - mean * mean);
        EXPECT_GT(mean, 0.3 * 255) << "channel " << channel;
        EXPECT_LT(mean, 0.7 * 255) << "channel " << channel;
        EXPECT_GT(deviation, 40) << "channel " << channel;
        EXPECT_GT(double(low) / total, 0.02) << "channel " << channel;
        EXPECT_GT(double(high) / total, 0.02) << "channel " << channel;
    }

    // Seamless: across each face the jump is like that between two inner neighbours.
    for (int axis = 0; axis < 3; ++axis) {
        double across = 0, inside = 0;
        for (int a = 0; a < 128; ++a) {
            for (int b = 0; b < 128; ++b) {
                auto at = [&](int i) {
                    return axis == 0 ? texel(i, a, b, 0) : axis == 1 ? texel(a, i, b, 0) : texel(a, b, i, 0);
                };
                across += std::abs(at(127) - at(0));
                inside += std::abs(at(64) - at(63));
            }
        }
        EXPECT_LT(across, inside * 2.0 + 128 * 128) << "axis " << axis;
    }
}

TEST_F(NebulaSceneTest, LayerIsHalfSizeAndRedrawnEveryAdvancingTick) {
    auto scene = make();
    auto frame = frameWith({}, 1.0 / 30);
    scene->update(frame);
    auto still = renderStill(*scene, 160, 90, frame);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->layerWidth, 80);
    EXPECT_EQ(still->layerHeight, 45);
    EXPECT_EQ(scene->layerRenderCount(), 1);
    scene->update(frame);
    ASSERT_TRUE(renderStill(*scene, 160, 90, frame));
    EXPECT_EQ(scene->layerRenderCount(), 2);
}

// Each palette draws a still that is neither blank, flat, NaN nor blown out, in its own colours.
TEST_F(NebulaSceneTest, EveryPaletteDrawsALivedInStill) {
    std::map<std::string, std::array<double, 3>> colours;
    for (const char* palette : {"classic", "ember", "ice"}) {
        auto scene = make();
        SceneFrame frame = frameWith({{"palette", palette}}, 0);
        frame.clock = 120;
        scene->prewarm(frame, 12);
        auto still = renderStill(*scene, 192, 108, frame);
        ASSERT_TRUE(still) << palette;

        const double mean = meanBrightness(still->image);
        EXPECT_GT(mean, 12) << palette;
        EXPECT_LT(mean, 150) << palette;
        EXPECT_GT(distinctColours(still->image), 400) << palette;
        ASSERT_FALSE(still->layer.empty());
        int bad = 0;
        for (const auto& texel : still->layer) {
            for (float v : texel) bad += !std::isfinite(v) || v < 0;
        }
        EXPECT_EQ(bad, 0) << palette;
        colours[palette] = meanColour(still->image);
    }
    // Ember glows warm, ice cold, and the classic rose and teal sits between them.
    EXPECT_GT(colours["ember"][0], colours["ember"][2] * 1.3);
    EXPECT_GT(colours["ice"][2], colours["ice"][0] * 1.2);
    EXPECT_GT(colours["classic"][2], colours["ember"][2]);
    EXPECT_GT(colours["classic"][0], colours["ice"][0]);
}

}  // namespace lumen::app::test
