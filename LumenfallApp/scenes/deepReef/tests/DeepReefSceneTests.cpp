#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/deepReef/DeepReefScene.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"
#include "LumenKit/sky/LocalZone.hpp"

#include <cmath>
#include <ctime>

namespace lumen::app::test {

namespace {

const SceneInfo& reefInfo() {
    static const SceneInfo info = [] {
        for (const auto& scene : SceneRegistry::all()) {
            if (scene.id.text() == "deepReef") return scene;
        }
        return SceneInfo{.id = "deepReef", .className = "DeepReefScene"};
    }();
    return info;
}

// Today at `hour` o'clock on the local clock.
SkyState::Instant localHour(int hour) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_hour = hour;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&local));
    return std::chrono::time_point_cast<SkyState::Instant::duration>(when);
}

SceneFrame frameAt(int hour, double dt = 0.1) {
    SceneFrame frame;
    frame.dt = dt;
    frame.sky.date = localHour(hour);
    frame.zone = localZone();
    return frame;
}

// Pixels where every channel is 0: what a NaN turns into when it reaches an 8-bit target. The
// water is never that dark, even at night, and the output is dithered.
int blackPixels(const gpu::ImageRGBA8& image) {
    int count = 0;
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        if (image.pixels[i] == 0 && image.pixels[i + 1] == 0 && image.pixels[i + 2] == 0) ++count;
    }
    return count;
}

}  // namespace

class DeepReefSceneTest : public RenderTest {
protected:
    std::unique_ptr<DeepReefScene> make() { return std::make_unique<DeepReefScene>(SceneContext{gpu(), reefInfo(), 1}); }
};

// The reef is lit by day and dark but never black at night, and no NaN reaches the picture.
TEST_F(DeepReefSceneTest, NoonAndNightStillsAreLitAndClean) {
    auto scene = make();
    double noon = 0;
    for (const int hour : {12, 22}) {
        const SceneFrame frame = frameAt(hour);
        scene->prewarm(frame, 2.0);
        scene->update(frame);
        const auto still = renderStill(*scene, 320, 180, frame);
        ASSERT_TRUE(still.has_value()) << hour;
        const double mean = meanBrightness(*still);
        EXPECT_EQ(blackPixels(*still), 0) << hour;
        if (hour == 12) {
            noon = mean;
            EXPECT_GT(mean, 35.0);
            EXPECT_LT(mean, 190.0);
        } else {
            EXPECT_GT(mean, 3.0);
            EXPECT_LT(mean, noon * 0.6);
        }
    }
}

TEST_F(DeepReefSceneTest, FishRingIsReusedInTheSteadyState) {
    auto scene = make();
    const SceneFrame frame = frameAt(12);
    gpu::Device& device = dev();
    for (int i = 0; i < 4; ++i) scene->update(frame);
    const int allocations = scene->fishRing().allocations();
    EXPECT_GT(allocations, 0);
    for (int i = 0; i < 200; ++i) {
        scene->update(frame);
        auto commands = device.makeCommandBuffer("reef steady");
        scene->prepareFrame(commands, frame);
        commands.commit();
    }
    EXPECT_EQ(scene->fishRing().allocations(), allocations);
    EXPECT_NEAR(scene->world().clock(), 40.0 + 204 * 0.1, 1e-6);
}

TEST_F(DeepReefSceneTest, LightMapsAreThrottledByMapsTime) {
    auto scene = make();
    const SceneFrame still = frameAt(12, 0);
    gpu::Device& device = dev();
    auto draw = [&] {
        auto commands = device.makeCommandBuffer("reef maps");
        scene->prepareFrame(commands, still);
        commands.commit();
    };
    draw();
    ASSERT_EQ(scene->mapUpdates(), 1);
    ASSERT_TRUE(scene->mapsTime().has_value());
    EXPECT_NEAR(*scene->mapsTime(), std::fmod(scene->world().clock(), 1800.0), 1e-3);
    draw();
    EXPECT_EQ(scene->mapUpdates(), 1);  // same time: skipped
    scene->update(frameAt(12, 0.05));  // 0.05 s later: still within the interval
    draw();
    EXPECT_EQ(scene->mapUpdates(), 1);
    scene->update(frameAt(12, 0.05));  // 0.1 s after the last maps
    draw();
    EXPECT_EQ(scene->mapUpdates(), 2);
}

TEST_F(DeepReefSceneTest, ViewsKeepTheirOwnTargetsUntilReleased) {
    auto scene = make();
    const SceneFrame frame = frameAt(12);
    scene->update(frame);
    gpu::Device& device = dev();
    const int first = 0, second = 0;
    auto prepare = [&](const int& token, int width, int height) {
        SceneView view;
        view.id = &token;
        view.width = width;
        view.height = height;
        auto commands = device.makeCommandBuffer("reef views");
        scene->prepareView(commands, view, frame);
        commands.commit();
    };
    prepare(first, 64, 36);
    ASSERT_EQ(scene->targets().size(), 1u);
    const auto serial = scene->targets().at(&first).color->serial();
    prepare(first, 64, 36);
    EXPECT_EQ(scene->targets().at(&first).color->serial(), serial);  // reused
    prepare(first, 80, 45);
    EXPECT_NE(scene->targets().at(&first).color->serial(), serial);  // resized: made anew
    EXPECT_EQ(scene->targets().at(&first).depth->width(), 80);
    EXPECT_EQ(scene->targets().at(&first).msaaColor->sampleCount(), 4);
    prepare(second, 32, 18);
    EXPECT_EQ(scene->targets().size(), 2u);
    scene->releaseView(&first);
    scene->releaseView(&first);  // a view it no longer has: nothing happens
    EXPECT_EQ(scene->targets().count(&first), 0u);
    EXPECT_EQ(scene->targets().size(), 1u);
}

TEST_F(DeepReefSceneTest, ThreatFollowsThePointer) {
    auto scene = make();
    SceneView view;
    view.width = 160;
    view.height = 90;
    view.reactsToPointer = true;
    view.pointer = Float2{0, 0};
    view.pointerActive = true;
    const CameraPose pose = scene->world().pose(0, {0, 0});
    scene->world().aimThreat(view, pose);
    const auto& threat = scene->world().simulation().fish().threat();
    ASSERT_TRUE(threat.has_value());
    EXPECT_EQ(threat->origin, pose.eye);
    EXPECT_NEAR(dot(threat->direction, normalize(pose.target - pose.eye)), 1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(threat->radius, 2.2f);
    view.pointer.reset();  // outside the window: left as it was
    scene->world().aimThreat(view, pose);
    EXPECT_TRUE(scene->world().simulation().fish().threat().has_value());
    view.pointer = Float2{0.5f, 0.5f};
    view.pointerActive = false;  // at rest
    scene->world().aimThreat(view, pose);
    EXPECT_FALSE(scene->world().simulation().fish().threat().has_value());
}

}  // namespace lumen::app::test
