#include "support/FakeSurfaceWindow.hpp"
#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "render/SceneSurfaceView.hpp"
#include "scenekit/SceneClasses.hpp"

#include <cmath>
#include <tuple>

namespace lumen::app::test {
namespace {

class SceneSurfaceViewTest : public ::testing::Test {
protected:
    void TearDown() override { SceneSurfaceView::setMainScreenScale(std::nullopt); }

    int linkChanges = 0;
    EventCapture log;
};

// The drawable is the window's pixels times the render scale, rounded half away from zero; the
// display's own pixel count ignores the render scale and truncates.
TEST_F(SceneSurfaceViewTest, DrawableSizeFollowsTheWindowBackingAndRenderScale) {
    const struct {
        ScreenRect frame;
        double backing;
        float scale;
        int width, height;
        long long native;
    } cases[] = {
        {{0, 0, 1920, 1080}, 1, 1, 1920, 1080, 1920LL * 1080},
        {{0, 0, 1920, 1080}, 1, 0.5f, 960, 540, 1920LL * 1080},
        {{0, 0, 1920, 1080}, 2, 0.5f, 1920, 1080, 3840LL * 2160},
        {{0, 0, 101, 51}, 1, 0.5f, 51, 26, 101LL * 51},
        {{0, 0, 1440.4, 900.3}, 2, 1, 2881, 1801, 2880LL * 1800},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << &c - cases);
        FakeSurfaceWindow window(c.frame, c.backing);
        SceneSurfaceView surface;
        surface.setWindow(&window);
        surface.apply(RenderDecision::render(30, c.scale));
        EXPECT_EQ(std::pair(surface.drawableWidth(), surface.drawableHeight()), std::pair(c.width, c.height));
        EXPECT_EQ(surface.nativePixelCount(), c.native);
        EXPECT_EQ(surface.contentsScale(), c.backing);
    }

    // Without a window: the main screen's scale, else 2; a surface one point wide is left alone.
    SceneSurfaceView detached, narrow;
    detached.setDetachedBounds(100, 50);
    detached.updateDrawableSize();
    EXPECT_EQ(std::pair(detached.drawableWidth(), detached.drawableHeight()), std::pair(200, 100));
    SceneSurfaceView::setMainScreenScale(1.5);
    detached.updateDrawableSize();
    EXPECT_EQ(std::pair(detached.drawableWidth(), detached.drawableHeight()), std::pair(150, 75));
    narrow.setDetachedBounds(1, 50);
    narrow.updateDrawableSize();
    EXPECT_EQ(narrow.drawableWidth(), 1);
}

// A display never shows the empty background while paused: it owes one still whenever it has
// no frame, and only then.
TEST_F(SceneSurfaceViewTest, PausedWithoutAFrameOwesOneStill) {
    FakeSurfaceWindow window({0, 0, 640, 480});
    SceneSurfaceView surface;
    surface.onLinkChange = [this] { ++linkChanges; };
    surface.setWindow(&window);  // first appearance
    EXPECT_TRUE(surface.wantsStill());
    EXPECT_GE(linkChanges, 1);
    surface.markDrawn(nullptr, true);
    EXPECT_FALSE(surface.wantsStill());
    surface.apply(RenderDecision::paused(PauseReason::covered));
    EXPECT_FALSE(surface.wantsStill());

    surface.apply(RenderDecision::render(30, 1));
    window.setFrame({0, 0, 800, 600});  // an animating resize loses the frame but owes no still
    surface.windowGeometryChanged();
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_FALSE(surface.wantsStill());
    surface.apply(RenderDecision::paused(PauseReason::locked));
    EXPECT_TRUE(surface.wantsStill());
    surface.markDrawn(nullptr, true);
    window.setFrame({0, 0, 1024, 768});  // a paused resize owes one again
    surface.windowGeometryChanged();
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_TRUE(surface.wantsStill());
    surface.markDrawn(nullptr, true);
    surface.apply(RenderDecision::render(30, 0.5f));  // a new render scale loses the frame too
    EXPECT_FALSE(surface.hasFrame());

    // Off screen or one pixel wide there is nothing worth a still.
    SceneSurfaceView detached;
    detached.setDetachedState(false, 300, 200);
    detached.requestStill();
    detached.setDetachedState(true, 1, 300);
    detached.requestStill();
    EXPECT_FALSE(detached.wantsStill());
    detached.setDetachedState(true, 2, 1);
    detached.requestStill();
    EXPECT_TRUE(detached.wantsStill());
}

TEST_F(SceneSurfaceViewTest, ResumingOrANewRateRestartsThePacerAndEachChangeIsReportedOnce) {
    FakeSurfaceWindow window({0, 0, 320, 200});
    SceneSurfaceView surface;
    surface.setDisplayIndex(2);
    surface.setWindow(&window);
    surface.markDrawn(nullptr, true);
    surface.onLinkChange = [this] { ++linkChanges; };
    log.events.clear();

    surface.apply(RenderDecision::render(30, 1));
    EXPECT_TRUE(surface.frameDue(10.0, 1.0 / 60));
    surface.apply(RenderDecision::render(30, 1));  // the same decision: the schedule stands
    EXPECT_TRUE(surface.pacer().nextDue().has_value());
    surface.apply(RenderDecision::render(15, 1));
    EXPECT_EQ(surface.pacer().targetFPS(), 15);
    EXPECT_FALSE(surface.pacer().nextDue().has_value());
    EXPECT_TRUE(surface.frameDue(11.0, 1.0 / 60));
    surface.apply(RenderDecision::paused(PauseReason::covered));
    surface.apply(RenderDecision::paused(PauseReason::covered));
    EXPECT_TRUE(surface.pacer().nextDue().has_value());  // a paused surface's pacer is left alone
    surface.apply(RenderDecision::render(15, 1));  // resuming draws at once
    EXPECT_FALSE(surface.pacer().nextDue().has_value());

    EXPECT_EQ(log.events, (std::vector<std::string>{
                              "display 2: Animating at 30 fps", "display 2: Animating at 15 fps",
                              "display 2: " + RenderDecision::paused(PauseReason::covered).statusText(),
                              "display 2: Animating at 15 fps"}));
    EXPECT_EQ(linkChanges, 4);
}

TEST_F(SceneSurfaceViewTest, PointerMapsIntoTheWindowAndParallaxEasesTowardsIt) {
    FakeSurfaceWindow window({1920, 100, 1000, 500});  // a second screen to the right
    SceneSurfaceView surface;
    surface.setDisplayIndex(1);
    surface.setWindow(&window);
    surface.apply(RenderDecision::render(30, 0.5f));

    // y grows downward on the screen and upward in the view.
    auto view = surface.makeView({2170, 225}, 5.0, 1.0 / 30, 100, 50);
    EXPECT_EQ(view.pointer, (Float2{-0.5f, 0.5f}));
    EXPECT_TRUE(view.pointerActive && view.reactsToPointer);
    EXPECT_EQ(std::tuple(view.displayIndex, view.width, view.height, view.pixelScale), std::tuple(1, 100, 50, 0.5f));
    const double k = 1 - std::exp(-0.8 / 30);
    EXPECT_NEAR(view.parallax.x, -0.5 * k, 1e-6);
    EXPECT_NEAR(view.parallax.y, 0.5 * k, 1e-6);
    EXPECT_TRUE(surface.makeView({2170, 225}, 7.4, 1.0 / 30, 8, 6).pointerActive);
    EXPECT_FALSE(surface.makeView({2170, 225}, 7.6, 1.0 / 30, 8, 6).pointerActive);  // 2.5 s without a move
    EXPECT_TRUE(surface.makeView({2171, 225}, 7.7, 1.0 / 30, 8, 6).pointerActive);

    // Far outside: no pointer, the parallax target clamps to the corner, and a long period eases
    // as if it were 0.2 s.
    SceneSurfaceView other;
    other.setWindow(&window);
    view = other.makeView({-5000, 9000}, 1.0, 0.5, 100, 50);
    EXPECT_FALSE(view.pointer.has_value());
    EXPECT_NEAR(view.parallax.x, -(1 - std::exp(-0.16)), 1e-6);
    EXPECT_NEAR(view.parallax.y, -(1 - std::exp(-0.16)), 1e-6);

    // A surface that is not interactive, or has no window, ignores the pointer altogether.
    other.setInteractive(false);
    view = other.makeView({2400, 300}, 2.2, 0.1, 8, 6);
    EXPECT_FALSE(view.pointer.has_value() || view.reactsToPointer);
    EXPECT_EQ(view.parallax, Float2{});
    EXPECT_FALSE(SceneSurfaceView().makeView({0, 0}, 1.0, 0.1, 8, 6).pointer.has_value());
}

using SceneSurfacePassTest = RenderTest;

// The pass's targets live as long as the drawable size and sample count stay: each frame only
// swaps in the new drawable.
TEST_F(SceneSurfacePassTest, TargetsAreReusedUntilTheSizeOrSampleCountChanges) {
    SceneSurfaceView surface;
    const auto first = renderTarget(32, 16), second = renderTarget(32, 16);
    const auto* pass = surface.renderPass(first, 1, dev());
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(pass->colorAttachments[0].texture, &first);
    EXPECT_EQ(pass->colorAttachments[0].resolveTexture, nullptr);
    EXPECT_EQ(pass->depthAttachment.texture, &*surface.depth());
    EXPECT_EQ(pass->depthAttachment.loadAction, gpu::LoadAction::clear);
    const auto depthSerial = surface.depth()->serial();
    EXPECT_EQ(surface.renderPass(second, 1, dev()), pass);
    EXPECT_EQ(pass->colorAttachments[0].texture, &second);
    EXPECT_EQ(surface.depth()->serial(), depthSerial);

    // Four samples draw into a multisample target resolved into each drawable in turn.
    registerHostTestScenes();
    auto scene = makeScene(hostTestInfo("msaa", "HostTestMsaa"), gpu());
    const auto large = renderTarget(64, 40), next = renderTarget(64, 40);
    for (const auto* drawable : {&large, &next}) {
        pass = surface.renderPass(*drawable, 4, dev());
        ASSERT_NE(pass, nullptr);
        EXPECT_EQ(pass->colorAttachments[0].texture, &*surface.msaaColor());
        EXPECT_EQ(pass->colorAttachments[0].resolveTexture, drawable);
        auto commands = dev().makeCommandBuffer("surface test");
        auto encoder = commands.renderEncoder(*pass);
        ASSERT_TRUE(encoder.ok()) << encoder.error().message;
        scene->draw(*encoder, SceneView{}, SceneFrame{});
        encoder->endEncoding();
        commands.commit();
        const auto image = gpu::readImageRGBA8(dev(), *drawable);
        EXPECT_TRUE(near(image->pixel(0, 0), {0, 255, 0, 255}, 0));
        EXPECT_TRUE(near(image->pixel(63, 39), {0, 255, 0, 255}, 0));
    }
    EXPECT_EQ(std::pair(surface.depth()->sampleCount(), surface.depth()->width()), std::pair(4, 64));
    EXPECT_NE(surface.depth()->serial(), depthSerial);
    scene.reset();
    removeHostTestScenes();

    surface.dropTargets();
    EXPECT_FALSE(surface.cachedPass() || surface.msaaColor() || surface.depth());
    pass = surface.renderPass(next, 1, dev());
    EXPECT_FALSE(surface.msaaColor().has_value());
    EXPECT_EQ(pass->colorAttachments[0].texture, &next);
}

}  // namespace
}  // namespace lumen::app::test
