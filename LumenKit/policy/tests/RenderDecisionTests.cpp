#include "LumenKit/policy/RenderDecision.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace lumen {
namespace {

TEST(RenderDecision, CasesCarryTheirValuesAndCompareExactly) {
    const RenderDecision render = RenderDecision::render(24, 0.5f);
    EXPECT_TRUE(render.isRender() && !render.isPaused() && render.fps() == 24 && render.scale() == 0.5f);
    EXPECT_EQ(render.reason(), std::nullopt);
    EXPECT_TRUE(RenderDecision::paused(PauseReason::thermal).isPaused());
    EXPECT_EQ(RenderDecision::paused(PauseReason::thermal).reason(), PauseReason::thermal);
    EXPECT_NE(RenderDecision::render(30, 0.5f), RenderDecision::render(24, 0.5f));
    // Scales compare exactly, so even a tiny change reaches the surface.
    EXPECT_NE(RenderDecision::render(30, 1.0f), RenderDecision::render(30, 0.9999999f));
    for (PauseReason reason : PauseReasonInfo::allCases) {
        EXPECT_EQ(RenderDecision::paused(PauseReason::covered) == RenderDecision::paused(reason),
                  reason == PauseReason::covered);
        EXPECT_NE(RenderDecision::paused(reason), RenderDecision::render(0, 0.0f));
        EXPECT_EQ(RenderDecision::paused(reason).statusText(), PauseReasonInfo::statusText(reason));
    }
}

TEST(RenderDecision, StatusTextsAndPrinting) {
    EXPECT_EQ(RenderDecision::render(30, 1.0f).statusText(), "Animating at 30 fps");
    EXPECT_EQ(RenderDecision::render(15, 0.5f).statusText(), "Animating at 15 fps, half resolution");
    // Any scale below full counts as reduced; above full is not.
    EXPECT_EQ(RenderDecision::render(24, 0.75f).statusText(), "Animating at 24 fps, half resolution");
    EXPECT_EQ(RenderDecision::render(24, 1.5f).statusText(), "Animating at 24 fps");
    std::ostringstream out;
    out << RenderDecision::render(30, 0.5f) << ' ' << RenderDecision::paused(PauseReason::locked);
    EXPECT_EQ(out.str(), "render(30, 0.5) paused(locked)");
}

}  // namespace
}  // namespace lumen
