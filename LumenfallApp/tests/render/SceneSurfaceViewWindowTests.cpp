#include "support/FakeSurfaceWindow.hpp"

#include "render/SceneSurfaceView.hpp"

#include "log/EventLog.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace lumen::app::test {
namespace {

class SceneSurfaceViewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        EventLog::setObserver([this](const std::string& event) {
            if (event.rfind("display ", 0) == 0) events.push_back(event);
        });
    }
    void TearDown() override {
        EventLog::setObserver(nullptr);
        SceneSurfaceView::setMainScreenScale(std::nullopt);
    }

    std::vector<std::string> events;
};

TEST_F(SceneSurfaceViewWindowTest, ResumingResetsThePacerButTheSameRateKeepsItsCadence) {
    FakeSurfaceWindow window({0, 0, 320, 200});
    SceneSurfaceView surface;
    surface.setWindow(&window);

    surface.apply(RenderDecision::render(30, 1));
    EXPECT_TRUE(surface.frameDue(10.0, 1.0 / 60));
    ASSERT_TRUE(surface.pacer().nextDue().has_value());

    surface.apply(RenderDecision::render(30, 1));  // same decision: the schedule stands
    EXPECT_TRUE(surface.pacer().nextDue().has_value());

    surface.apply(RenderDecision::render(15, 1));  // new rate: restarts
    EXPECT_EQ(surface.pacer().targetFPS(), 15);
    EXPECT_FALSE(surface.pacer().nextDue().has_value());
    EXPECT_TRUE(surface.frameDue(11.0, 1.0 / 60));

    surface.apply(RenderDecision::paused(PauseReason::covered));
    EXPECT_TRUE(surface.pacer().nextDue().has_value());  // a paused surface's pacer is left alone
    surface.apply(RenderDecision::render(15, 1));
    EXPECT_FALSE(surface.pacer().nextDue().has_value());
}

TEST_F(SceneSurfaceViewWindowTest, HalfScaleHalvesTheDrawableAndClearsTheFrame) {
    FakeSurfaceWindow window({0, 0, 1920, 1080});
    SceneSurfaceView surface;
    surface.setWindow(&window);
    EXPECT_TRUE(surface.wantsStill());  // paused on arrival without a frame
    surface.markDrawn(nullptr, true);
    surface.apply(RenderDecision::render(30, 1));
    EXPECT_EQ(surface.drawableWidth(), 1920);
    EXPECT_EQ(surface.drawableHeight(), 1080);
    EXPECT_TRUE(surface.hasFrame());

    surface.apply(RenderDecision::render(30, 0.5f));
    EXPECT_EQ(surface.scale(), 0.5f);
    EXPECT_EQ(surface.drawableWidth(), 960);
    EXPECT_EQ(surface.drawableHeight(), 540);
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_FALSE(surface.wantsStill());  // animating: no still needed

    surface.markDrawn(nullptr, false);
    window.setScale(2.0);
    surface.windowGeometryChanged();
    EXPECT_EQ(surface.drawableWidth(), 1920);
    EXPECT_EQ(surface.contentsScale(), 2.0);
    EXPECT_FALSE(surface.hasFrame());
}

TEST_F(SceneSurfaceViewWindowTest, DrawableSizeRoundsHalvesAwayFromZero) {
    FakeSurfaceWindow window({0, 0, 101, 51}, 1.0);
    SceneSurfaceView surface;
    surface.setWindow(&window);
    surface.apply(RenderDecision::render(30, 0.5f));
    EXPECT_EQ(surface.drawableWidth(), 51);   // 50.5
    EXPECT_EQ(surface.drawableHeight(), 26);  // 25.5
}

TEST_F(SceneSurfaceViewWindowTest, PausedWithoutAFrameAsksForOneStill) {
    FakeSurfaceWindow window({0, 0, 640, 480});
    SceneSurfaceView surface;
    int linkChanges = 0;
    surface.onLinkChange = [&linkChanges] { ++linkChanges; };

    surface.setWindow(&window);  // first appearance: a still
    EXPECT_TRUE(surface.wantsStill());
    EXPECT_GE(linkChanges, 1);

    surface.markDrawn(nullptr, true);
    EXPECT_FALSE(surface.wantsStill());
    surface.apply(RenderDecision::paused(PauseReason::covered));
    EXPECT_FALSE(surface.wantsStill());  // it already shows a picture

    surface.apply(RenderDecision::render(30, 1));
    window.setFrame({0, 0, 800, 600});  // an animating resize loses the frame but owes no still
    surface.windowGeometryChanged();
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_FALSE(surface.wantsStill());
    surface.apply(RenderDecision::paused(PauseReason::locked));
    EXPECT_TRUE(surface.wantsStill());

    surface.markDrawn(nullptr, true);
    window.setFrame({0, 0, 1024, 768});  // a paused resize needs a new still too
    surface.windowGeometryChanged();
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_TRUE(surface.wantsStill());
}

TEST_F(SceneSurfaceViewWindowTest, ReportsEachRealChangeOnce) {
    FakeSurfaceWindow window({0, 0, 640, 480});
    SceneSurfaceView surface;
    surface.setDisplayIndex(2);
    surface.setWindow(&window);
    int linkChanges = 0;
    surface.onLinkChange = [&linkChanges] { ++linkChanges; };
    surface.markDrawn(nullptr, true);

    surface.apply(RenderDecision::render(30, 1));
    surface.apply(RenderDecision::render(30, 1));
    surface.apply(RenderDecision::paused(PauseReason::covered));
    surface.apply(RenderDecision::paused(PauseReason::covered));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "display 2: Animating at 30 fps");
    EXPECT_EQ(events[1], "display 2: " + RenderDecision::paused(PauseReason::covered).statusText());
    EXPECT_EQ(linkChanges, 2);
}

TEST_F(SceneSurfaceViewWindowTest, ParallaxEasesTowardsThePointerAndIsClamped) {
    FakeSurfaceWindow window({0, 0, 1000, 500});
    SceneSurfaceView surface;
    surface.setWindow(&window);

    // Right edge, top edge: full right and full up (screen y grows downward).
    auto view = surface.makeView({1000, 0}, 1.0, 1.0 / 30, 100, 50);
    const double k = 1 - std::exp(-0.8 / 30);
    EXPECT_NEAR(view.parallax.x, k, 1e-6);
    EXPECT_NEAR(view.parallax.y, k, 1e-6);
    view = surface.makeView({1000, 0}, 1.1, 1.0 / 30, 100, 50);
    EXPECT_NEAR(view.parallax.x, k + (1 - k) * k, 1e-6);

    // Far outside on the lower left: the target clamps to (-1, -1); a long period eases by 1 - e^-0.16.
    SceneSurfaceView other;
    other.setWindow(&window);
    view = other.makeView({-5000, 9000}, 1.0, 0.5, 100, 50);
    EXPECT_NEAR(view.parallax.x, -(1 - std::exp(-0.16)), 1e-6);
    EXPECT_NEAR(view.parallax.y, -(1 - std::exp(-0.16)), 1e-6);
    EXPECT_FALSE(view.pointer.has_value());
    EXPECT_FALSE(view.pointerActive);
    EXPECT_EQ(view.width, 100);
    EXPECT_EQ(view.height, 50);
    EXPECT_EQ(view.id, other.id());
}

TEST_F(SceneSurfaceViewWindowTest, PointerMapsIntoTheWindowWithYUpward) {
    FakeSurfaceWindow window({1920, 100, 1000, 500});  // a second screen to the right
    SceneSurfaceView surface;
    surface.setDisplayIndex(1);
    surface.setWindow(&window);
    surface.apply(RenderDecision::render(30, 0.5f));

    auto view = surface.makeView({2170, 225}, 5.0, 1.0 / 30, 100, 50);
    ASSERT_TRUE(view.pointer.has_value());
    EXPECT_NEAR(view.pointer->x, -0.5, 1e-6);
    EXPECT_NEAR(view.pointer->y, 0.5, 1e-6);
    EXPECT_TRUE(view.pointerActive);
    EXPECT_TRUE(view.reactsToPointer);
    EXPECT_EQ(view.displayIndex, 1);
    EXPECT_EQ(view.pixelScale, 0.5f);

    view = surface.makeView({1920, 600}, 5.1, 1.0 / 30, 100, 50);  // lower-left corner
    ASSERT_TRUE(view.pointer.has_value());
    EXPECT_NEAR(view.pointer->x, -1, 1e-6);
    EXPECT_NEAR(view.pointer->y, -1, 1e-6);
}

TEST_F(SceneSurfaceViewWindowTest, PointerGoesIdleAfterTwoAndAHalfSeconds) {
    FakeSurfaceWindow window({0, 0, 800, 600});
    SceneSurfaceView surface;
    surface.setWindow(&window);

    surface.makeView({400, 300}, 10.0, 1.0 / 30, 8, 6);
    EXPECT_EQ(surface.lastMouseMove(), 10.0);
    EXPECT_TRUE(surface.makeView({400, 300}, 12.4, 1.0 / 30, 8, 6).pointerActive);
    auto idle = surface.makeView({400, 300}, 12.6, 1.0 / 30, 8, 6);
    EXPECT_FALSE(idle.pointerActive);
    EXPECT_TRUE(idle.pointer.has_value());  // still there, only idle
    EXPECT_EQ(surface.lastMouseMove(), 10.0);
    EXPECT_TRUE(surface.makeView({401, 300}, 13.0, 1.0 / 30, 8, 6).pointerActive);

    surface.setPointerReacts(false);
    auto quiet = surface.makeView({402, 300}, 13.1, 1.0 / 30, 8, 6);
    EXPECT_FALSE(quiet.pointerActive);
    EXPECT_FALSE(quiet.reactsToPointer);
}

TEST_F(SceneSurfaceViewWindowTest, NonInteractiveOrWindowlessViewsIgnoreThePointer) {
    FakeSurfaceWindow window({0, 0, 800, 600});
    SceneSurfaceView surface;
    surface.setWindow(&window);
    surface.makeView({800, 0}, 1.0, 0.1, 8, 6);
    surface.setInteractive(false);
    auto view = surface.makeView({800, 0}, 1.1, 0.1, 8, 6);
    EXPECT_EQ(surface.parallax(), Float2{});
    EXPECT_EQ(view.parallax, Float2{});
    EXPECT_FALSE(view.pointer.has_value());
    EXPECT_FALSE(view.reactsToPointer);

    surface.setInteractive(true);
    surface.setParallaxEnabled(false);
    view = surface.makeView({800, 0}, 1.2, 0.1, 8, 6);
    EXPECT_EQ(view.parallax, Float2{});
    EXPECT_TRUE(view.pointer.has_value());

    SceneSurfaceView windowless;
    view = windowless.makeView({0, 0}, 1.0, 0.1, 8, 6);
    EXPECT_FALSE(view.pointer.has_value());
}

TEST_F(SceneSurfaceViewWindowTest, NativePixelsTruncateEachAxis) {
    FakeSurfaceWindow window({0, 0, 1440.4, 900.3}, 2.0);
    SceneSurfaceView surface;
    surface.setWindow(&window);
    EXPECT_EQ(surface.nativePixelCount(), 2880LL * 1800LL);
    surface.apply(RenderDecision::render(30, 0.5f));  // the scale does not change the display
    EXPECT_EQ(surface.nativePixelCount(), 2880LL * 1800LL);
}

TEST_F(SceneSurfaceViewWindowTest, WithoutAWindowTheMainScreenScaleOrTwoApplies) {
    SceneSurfaceView surface;
    surface.setDetachedBounds(100, 50);
    surface.updateDrawableSize();
    EXPECT_EQ(surface.drawableWidth(), 200);
    EXPECT_EQ(surface.drawableHeight(), 100);

    SceneSurfaceView::setMainScreenScale(1.5);
    surface.updateDrawableSize();
    EXPECT_EQ(surface.drawableWidth(), 150);
    EXPECT_EQ(surface.contentsScale(), 1.5);

    SceneSurfaceView narrow;  // one point wide: the drawable is left alone
    narrow.setDetachedBounds(1, 50);
    narrow.updateDrawableSize();
    EXPECT_EQ(narrow.drawableWidth(), 1);
}

}  // namespace
}  // namespace lumen::app::test
