#include "LumenKit/policy/RenderDecision.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace lumen {
namespace {

TEST(RenderDecision, RenderCarriesItsCapAndScale) {
    RenderDecision decision = RenderDecision::render(24, 0.5f);
    EXPECT_TRUE(decision.isRender());
    EXPECT_FALSE(decision.isPaused());
    EXPECT_EQ(decision.fps(), 24);
    EXPECT_EQ(decision.scale(), 0.5f);
    EXPECT_EQ(decision.reason(), std::nullopt);
}

TEST(RenderDecision, PausedCarriesItsReason) {
    RenderDecision decision = RenderDecision::paused(PauseReason::thermal);
    EXPECT_TRUE(decision.isPaused());
    EXPECT_FALSE(decision.isRender());
    EXPECT_EQ(decision.reason(), PauseReason::thermal);
}

TEST(RenderDecision, EqualityComparesCapScaleAndReason) {
    EXPECT_EQ(RenderDecision::render(30, 0.5f), RenderDecision::render(30, 0.5f));
    EXPECT_NE(RenderDecision::render(30, 0.5f), RenderDecision::render(30, 1.0f));
    EXPECT_NE(RenderDecision::render(30, 0.5f), RenderDecision::render(24, 0.5f));
    // Scales compare exactly, so even a tiny change reaches the surface.
    EXPECT_NE(RenderDecision::render(30, 1.0f), RenderDecision::render(30, 0.9999999f));

    for (PauseReason reason : PauseReasonInfo::allCases) {
        bool same = reason == PauseReason::covered;
        EXPECT_EQ(RenderDecision::paused(PauseReason::covered) == RenderDecision::paused(reason),
                  same)
            << PauseReasonInfo::rawValue(reason);
    }
}

TEST(RenderDecision, RenderNeverEqualsPaused) {
    for (PauseReason reason : PauseReasonInfo::allCases) {
        EXPECT_NE(RenderDecision::paused(reason), RenderDecision::render(0, 0.0f));
        EXPECT_NE(RenderDecision::render(30, 1.0f), RenderDecision::paused(reason));
    }
}

TEST(RenderDecision, StatusTexts) {
    EXPECT_EQ(RenderDecision::render(30, 1.0f).statusText(), "Animating at 30 fps");
    EXPECT_EQ(RenderDecision::render(15, 0.5f).statusText(),
              "Animating at 15 fps, half resolution");
    EXPECT_EQ(RenderDecision::render(24, 0.75f).statusText(),
              "Animating at 24 fps, half resolution");
    EXPECT_EQ(RenderDecision::render(24, 1.5f).statusText(), "Animating at 24 fps");
    for (PauseReason reason : PauseReasonInfo::allCases) {
        EXPECT_EQ(RenderDecision::paused(reason).statusText(),
                  PauseReasonInfo::statusText(reason));
    }
}

TEST(RenderDecision, PrintsItsCase) {
    std::ostringstream out;
    out << RenderDecision::render(30, 0.5f) << ' ' << RenderDecision::paused(PauseReason::locked);
    EXPECT_EQ(out.str(), "render(30, 0.5) paused(locked)");
}

}  // namespace
}  // namespace lumen
