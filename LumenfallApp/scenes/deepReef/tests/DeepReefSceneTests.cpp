#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenes/deepReef/DeepReefScene.hpp"

#include "LumenKit/sky/LocalZone.hpp"

#include <cmath>
#include <ctime>

namespace lumen::app::test {

namespace {

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
    std::unique_ptr<DeepReefScene> make() { return std::make_unique<DeepReefScene>(SceneContext{gpu(), info, 1}); }

    const SceneInfo info{.id = "deepReef", .className = "DeepReefScene"};

    // Encodes one frame's preparation without drawing a view.
    void prepare(DeepReefScene& scene, const SceneFrame& frame, std::optional<SceneView> view = std::nullopt) {
        auto commands = dev().makeCommandBuffer("reef test");
        scene.prepareFrame(commands, frame);
        if (view) scene.prepareView(commands, *view, frame);
        commands.commit();
    }
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

// Each update steps the fish world by the frame's dt, and its instance ring settles: no
// allocation per frame once running.
TEST_F(DeepReefSceneTest, UpdatesStepTheWorldAndReuseTheFishRing) {
    auto scene = make();
    const SceneFrame frame = frameAt(12);
    for (int i = 0; i < 4; ++i) scene->update(frame);
    const int allocations = scene->fishRing().allocations();
    EXPECT_GT(allocations, 0);
    for (int i = 0; i < 200; ++i) {
        scene->update(frame);
        prepare(*scene, frame);
    }
    EXPECT_EQ(scene->fishRing().allocations(), allocations);
    EXPECT_NEAR(scene->world().clock(), 40.0 + 204 * 0.1, 1e-6);
}

// The light maps are redrawn only when the world clock moved by their interval.
TEST_F(DeepReefSceneTest, LightMapsAreThrottledByMapsTime) {
    auto scene = make();
    const std::pair<double, int> steps[] = {{0, 1}, {0, 1}, {0.05, 1}, {0.05, 2}};  // dt, map updates after
    for (const auto& [dt, updates] : steps) {
        scene->update(frameAt(12, dt));
        prepare(*scene, frameAt(12, 0));
        EXPECT_EQ(scene->mapUpdates(), updates) << scene->world().clock();
    }
    EXPECT_NEAR(*scene->mapsTime(), std::fmod(scene->world().clock(), 1800.0), 1e-3);
}

TEST_F(DeepReefSceneTest, ViewsKeepTheirOwnTargetsUntilReleased) {
    auto scene = make();
    const SceneFrame frame = frameAt(12);
    scene->update(frame);
    const int first = 0, second = 0;
    auto view = [](const int& token, int width, int height) {
        SceneView made;
        made.id = &token;
        made.width = width;
        made.height = height;
        return made;
    };
    prepare(*scene, frame, view(first, 64, 36));
    const auto serial = scene->targets().at(&first).color->serial();
    prepare(*scene, frame, view(first, 64, 36));
    EXPECT_EQ(scene->targets().at(&first).color->serial(), serial);
    prepare(*scene, frame, view(first, 80, 45));  // resized: made anew
    EXPECT_NE(scene->targets().at(&first).color->serial(), serial);
    EXPECT_EQ(scene->targets().at(&first).depth->width(), 80);
    EXPECT_EQ(scene->targets().at(&first).msaaColor->sampleCount(), 4);
    prepare(*scene, frame, view(second, 32, 18));
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
