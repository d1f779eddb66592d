#include "support/RenderTest.hpp"

#include "support/ShaderSceneStill.hpp"
#include "scenes/alpineLake/AlpineLakeScene.hpp"

#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <cmath>
#include <cstring>
#include <limits>

namespace lumen::app::test {

namespace {

using alpine::AlpineWeatherLook;

SceneFrame frameAt(double hour, double dt, const char* option = "live", std::optional<WeatherState> weather = {}) {
    SceneFrame frame;
    frame.dt = dt;
    frame.sky = SkyClock::state(std::chrono::system_clock::now(), hour, std::nullopt, nullptr);
    frame.options.values["weather"] = option;
    frame.weather = std::move(weather);
    return frame;
}

WeatherState weatherOf(WeatherCondition condition) { return WeatherState::sample(condition); }

}  // namespace

class AlpineLakeSceneTest : public RenderTest {
protected:
    std::unique_ptr<AlpineLakeScene> make() { return std::make_unique<AlpineLakeScene>(SceneContext{gpu(), info, 4}); }

    std::optional<gpu::ImageRGBA8> still(AlpineLakeScene& scene, const SceneFrame& frame) {
        scene.prewarm(frame, 1.0);
        return renderStill(scene, 160, 90, frame, {}, AlpineLakeScene::sampleCount);
    }

    const SceneInfo info{.id = "alpineLake", .className = "AlpineLakeScene"};
};

// A new option jumps; a live change settles over about 45 seconds.
TEST_F(AlpineLakeSceneTest, OptionChangesJumpLiveWeatherBlends) {
    auto scene = make();
    scene->update(frameAt(12, 0.1, "clear"));
    scene->update(frameAt(12, 0.1, "rain"));
    EXPECT_EQ(scene->state().look, scene->target());
    EXPECT_GE(scene->state().look.rain, 0.2f);

    scene->update(frameAt(12, 0.1, "live", WeatherState::fair()));
    const float before = scene->state().look.cloudCover;
    scene->update(frameAt(12, 4.5, "live", weatherOf(WeatherCondition::cloudy)));
    const float target = scene->target().cloudCover;
    EXPECT_NEAR(scene->state().look.cloudCover, before + (target - before) * 0.1f, 1e-4f);
}

// Flashes come 9 to 30 s apart, decay within a third of a second, and never with reduced motion.
TEST_F(AlpineLakeSceneTest, ThunderFlashesAtIntervalsAndNotInStills) {
    auto scene = make();
    const WeatherState storm = weatherOf(WeatherCondition::thunder);
    std::vector<double> flashes;
    float last = 0;
    for (int i = 0; i < 3000; ++i) {
        scene->update(frameAt(23, 0.1, "live", storm));
        if (scene->state().flash > last) flashes.push_back(scene->state().clock);
        last = scene->state().flash;
    }
    ASSERT_GE(flashes.size(), 9u);
    for (std::size_t i = 1; i < flashes.size(); ++i) {
        EXPECT_GE(flashes[i] - flashes[i - 1], 8.95);
        EXPECT_LE(flashes[i] - flashes[i - 1], 30.1);
    }
    auto calm = make();
    SceneFrame reduced = frameAt(23, 0.1, "live", storm);
    reduced.reduceMotion = true;
    for (int i = 0; i < 400; ++i) {
        calm->update(reduced);
        ASSERT_EQ(calm->state().flash, 0);
    }
    auto still = make();
    still->prewarm(frameAt(23, 0, "live", storm), 12);
    EXPECT_EQ(still->state().flash, 0);
}

TEST_F(AlpineLakeSceneTest, PrecipitationAndMirroredTreeCounts) {
    AlpineWeatherLook look;
    const std::tuple<float, float, int> cases[] = {{0.01f, 0, 0}, {1, 0, 7000}, {0, 0.5f, 2500}, {0.3f, 0.6f, 3000}};
    for (const auto& [rain, snow, count] : cases) {
        look.rain = rain;
        look.snow = snow;
        EXPECT_EQ(AlpineLakeScene::precipitationCount(look), count) << rain << " " << snow;
    }
    auto scene = make();
    EXPECT_EQ(scene->treeCount(), 9000);
    EXPECT_EQ(scene->treesDrawn(true), 3500);
    EXPECT_EQ(scene->treesDrawn(false), 9000);
    scene->setTreeCount(1200);
    EXPECT_EQ(scene->treesDrawn(true), 1200);
}

// The GPU's bake is the CPU's terrain, so trees and camera stand on the drawn ground.
TEST_F(AlpineLakeSceneTest, BakedHeightsMatchTheTerrainModel) {
    auto scene = make();
    const auto bytes = scene->nearHeights().readBytes();
    ASSERT_TRUE(bytes.ok());
    const auto& region = alpine::AlpineTerrain::nearRegion;
    for (const auto& [column, row] : {std::pair{10, 20}, {512, 300}, {700, 900}, {1000, 5}, {300, 640}}) {
        float h = 0;
        std::memcpy(&h, bytes->data() + (static_cast<std::size_t>(row) * region.texels + column) * 4, 4);
        const Float2 p = alpine::AlpineTerrain::texelCentre(region, column, row);
        EXPECT_NEAR(h, alpine::AlpineTerrain::height(p.x, p.y), 0.05f) << column << ", " << row;
    }
}

TEST_F(AlpineLakeSceneTest, ViewsKeepTheirReflectionsUntilReleased) {
    auto scene = make();
    int first = 0, second = 0;
    const SceneFrame frame = frameAt(12, 0.1);
    scene->update(frame);
    auto commands = dev().makeCommandBuffer("alpine test");
    scene->prepareView(commands, SceneView{.id = &first, .width = 64, .height = 36}, frame);
    scene->prepareView(commands, SceneView{.id = &second, .width = 32, .height = 18}, frame);
    commands.commit();
    ASSERT_EQ(scene->reflections().size(), 2u);
    scene->releaseView(&first);
    ASSERT_EQ(scene->reflections().size(), 1u);
    EXPECT_EQ(scene->reflections().begin()->first, &second);
}

// A damaged cache must not reach the shaders: the frame is still a picture. A clear noon sky is
// blue over the peaks, and the lake below mirrors it.
TEST_F(AlpineLakeSceneTest, DamagedWeatherStillDrawsAndClearNoonIsBlue) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    WeatherState broken = weatherOf(WeatherCondition::rain);
    broken.precipitation = nan;
    broken.cloudCover = std::numeric_limits<float>::infinity();
    broken.temperature = nan;
    broken.windFrom = nan;
    broken.fog = -4;
    auto scene = make();
    const auto damaged = still(*scene, frameAt(12, 0.1, "live", broken));
    ASSERT_TRUE(damaged.has_value());
    int black = 0;
    for (int y = 0; y < damaged->height; ++y) {
        for (int x = 0; x < damaged->width; ++x) {
            const auto p = damaged->pixel(x, y);
            black += p[0] + p[1] + p[2] == 0;
        }
    }
    EXPECT_LT(black, 50);

    const auto clear = still(*scene, frameAt(12, 0.1, "clear"));
    ASSERT_TRUE(clear.has_value());
    double red = 0, blue = 0;
    for (int y = 0; y < 6; ++y) {
        for (int x = 60; x < 100; ++x) {
            const auto p = clear->pixel(x, y);
            blue += p[2];
            red += p[0];
        }
    }
    EXPECT_GT(blue, red * 1.15);
}

}  // namespace lumen::app::test
