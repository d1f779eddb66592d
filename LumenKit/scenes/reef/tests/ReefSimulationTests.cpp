#include "LumenKit/scenes/reef/ReefSimulation.hpp"

#include "LumenKit/scenes/reef/DayCycle.hpp"

#include <date/tz.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lumen::reef {
namespace {

using Seconds = std::chrono::duration<double>;

const SkyState::Instant start = SkyState::Instant{Seconds{1'719'000'000.0}};

const ReefLayout& reef() {
    static const ReefLayout layout(ReefLayout::shippedSeed);
    return layout;
}

// Fixed steps taken so far, read from the fish clock (each 0.1 s step advances it 1/15 s).
long fishSteps(const ReefSimulation& world) { return std::lround(world.fish().time() * 15.0); }

class ReefSimulationTest : public ::testing::Test {
protected:
    const date::time_zone* zone = date::locate_zone("Europe/Oslo");
    ReefSimulation world{reef(), start, zone};
};

TEST_F(ReefSimulationTest, ConstructionWarmsUpAndStartsTheClockAt40) {
    EXPECT_EQ(fishSteps(world), 45);
    EXPECT_EQ(world.clock(), 40.0);
    EXPECT_EQ(world.accumulator(), 0.0);
    EXPECT_EQ(world.alpha(), 1.0);
    ASSERT_EQ(world.instances().size(), 310u);
    EXPECT_EQ(world.previous().size(), 310u);
    for (std::size_t i = 0; i < world.instances().size(); ++i) {
        const Float3 shown = xyz(world.instances()[i].posLength);
        EXPECT_LT(length(shown - world.fish().fish()[i].position), 1e-5f);
    }
    EXPECT_EQ(world.drift().center, (Float3{0, 2.7f, 8.6f}));
    EXPECT_EQ(world.drift().lookAt, (Float3{0, 2.2f, -5}));
    EXPECT_EQ(world.drift().parallaxReach, (Float2{0.75f, 0.4f}));
    EXPECT_EQ(world.drift().floorY, 0.6f);
    EXPECT_EQ(world.drift().ceilingY, 12.0f);
}

TEST_F(ReefSimulationTest, QuarterSecondFrameRunsTwoStepsAndShowsHalfway) {
    EXPECT_EQ(world.step(0.25), 2);
    EXPECT_EQ(fishSteps(world), 47);
    EXPECT_NEAR(world.accumulator(), 0.05, 1e-12);
    EXPECT_NEAR(world.alpha(), 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(world.clock(), 40.25);

    const auto& now = world.fish().fish();
    const auto& before = world.previous();
    const auto& species = world.fish().species();
    for (std::size_t i = 0; i < now.size(); ++i) {
        const FishInstanceGPU& g = world.instances()[i];
        const Float3 mid = before[i].position + (now[i].position - before[i].position) * 0.5f;
        EXPECT_LT(length(xyz(g.posLength) - mid), 1e-5f);
        const FishSpecies& s = species[static_cast<std::size_t>(now[i].species)];
        EXPECT_FLOAT_EQ(g.posLength.w, now[i].size * s.length);
        EXPECT_NEAR(length(xyz(g.dirPhase)), 1.0f, 1e-5f);
        // The tail phase moves forwards, across the wrap when there is one.
        float turn = now[i].tailPhase - before[i].tailPhase;
        if (turn < 0) turn += 2 * std::numbers::pi_v<float>;
        EXPECT_NEAR(g.dirPhase.w, before[i].tailPhase + 0.5f * turn, 1e-5f);
        EXPECT_EQ(g.info.x, static_cast<float>(now[i].species));
        EXPECT_EQ(g.info.y, now[i].seed);
        EXPECT_GT(g.info.z, 0.0f);
        EXPECT_LE(g.info.z, 1.0f);
        EXPECT_EQ(g.info.w, 0.0f);
    }
}

TEST_F(ReefSimulationTest, ShortFramesAccumulateIntoOneStep) {
    EXPECT_EQ(world.step(0.05), 0);
    EXPECT_NEAR(world.alpha(), 0.5, 1e-12);
    EXPECT_EQ(world.step(0.05), 1);
    EXPECT_NEAR(world.alpha(), 0.0, 1e-12);
    EXPECT_EQ(fishSteps(world), 46);
    EXPECT_DOUBLE_EQ(world.clock(), 40.1);
}

TEST_F(ReefSimulationTest, LongFramesAreCutAndNeverPileUp) {
    EXPECT_EQ(world.step(5.0), 2);
    EXPECT_DOUBLE_EQ(world.clock(), 40.25);
    for (int i = 0; i < 20; ++i) {
        EXPECT_LE(world.step(0.25), 2);
        EXPECT_LE(world.accumulator(), ReefSimulation::fixedStep);
        EXPECT_GE(world.alpha(), 0.0);
        EXPECT_LE(world.alpha(), 1.0);
    }
    // Two steps per frame at most: 0.05 s of each quarter-second frame is dropped.
    EXPECT_EQ(fishSteps(world), 45 + 2 + 20 * 2);
}

TEST_F(ReefSimulationTest, NonPositiveFramesDoNothing) {
    const auto instances = world.instances();
    EXPECT_EQ(world.step(0), 0);
    EXPECT_EQ(world.step(-1), 0);
    EXPECT_EQ(world.step(std::nan("")), 0);
    EXPECT_EQ(world.clock(), 40.0);
    EXPECT_EQ(world.instances(), instances);
}

TEST_F(ReefSimulationTest, PrewarmRunsWholeFixedSteps) {
    EXPECT_EQ(world.prewarm(12.0), 120);
    EXPECT_EQ(fishSteps(world), 165);
    EXPECT_NEAR(world.clock(), 52.0, 1e-9);
    EXPECT_EQ(world.alpha(), 1.0);
    EXPECT_EQ(world.prewarm(0.05), 0);
    EXPECT_EQ(world.prewarm(-3), 0);
    EXPECT_EQ(world.prewarm(std::nan("")), 0);
    EXPECT_EQ(fishSteps(world), 165);
}

TEST_F(ReefSimulationTest, LookRefreshIsThrottledTo20Seconds) {
    ASSERT_TRUE(world.lookDate());
    EXPECT_EQ(*world.lookDate(), start);
    EXPECT_EQ(world.look(), DayCycle::look(start, zone));

    EXPECT_FALSE(world.refreshLook(start + Seconds{10}, zone));
    EXPECT_EQ(*world.lookDate(), start);
    EXPECT_FALSE(world.refreshLook(start - Seconds{19.9}, zone));

    const auto later = start + Seconds{25};
    EXPECT_TRUE(world.refreshLook(later, zone));
    EXPECT_EQ(*world.lookDate(), later);
    EXPECT_EQ(world.look(), DayCycle::look(later, zone));
    EXPECT_FALSE(world.refreshLook(later + Seconds{19.5}, zone));
    // Hours later the look has moved with the sun.
    EXPECT_TRUE(world.refreshLook(later + Seconds{6 * 3600.0}, zone));
    EXPECT_NE(world.look(), DayCycle::look(later, zone));
}

TEST(ReefSimulation, SameInputsSameInstances) {
    ReefSimulation a(reef(), start, nullptr);
    ReefSimulation b(reef(), start, nullptr);
    for (double dt : {0.016, 0.033, 0.25, 0.001, 0.1, 0.07}) {
        a.step(dt);
        b.step(dt);
    }
    EXPECT_EQ(a.instances(), b.instances());
    EXPECT_EQ(a.fish().fish(), b.fish().fish());
}

}  // namespace
}  // namespace lumen::reef
