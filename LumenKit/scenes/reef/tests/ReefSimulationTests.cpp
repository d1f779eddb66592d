#include "LumenKit/scenes/reef/ReefSimulation.hpp"

#include "LumenKit/scenes/reef/DayCycle.hpp"
#include "LumenKit/testsupport/ShippedReef.hpp"

#include <date/tz.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lumen::reef {
namespace {

using Seconds = std::chrono::duration<double>;

const SkyState::Instant start = SkyState::Instant{Seconds{1'719'000'000.0}};

class ReefSimulationTest : public ::testing::Test {
protected:
    // Fixed steps taken so far, read from the fish clock (each 0.1 s step advances it 1/15 s).
    long fishSteps() const { return std::lround(world.fish().time() * 15.0); }

    const date::time_zone* zone = date::locate_zone("Europe/Oslo");
    ReefSimulation world{reeftest::shippedReef(), start, zone};
};

// After 45 warm-up steps with the clock at 40 s: fixed 0.1 s steps, at most two a frame and
// frames cut at a quarter second, shown interpolated between the last two steps.
TEST_F(ReefSimulationTest, FramesRunWholeFixedStepsAndNeverPileUp) {
    EXPECT_EQ(world.alpha(), 1.0);
    struct Frame {
        double dt;
        int steps;
        double alpha, clock;
    };
    const Frame frames[] = {{0.05, 0, 0.5, 40.05}, {0.05, 1, 0.0, 40.1}, {0.25, 2, 0.5, 40.35}, {5.0, 2, 1.0, 40.6},
                            {0.25, 2, 1.0, 40.85}, {0, 0, 1.0, 40.85},   {-1, 0, 1.0, 40.85},  {NAN, 0, 1.0, 40.85}};
    long expectedSteps = 45;
    for (const Frame& f : frames) {
        SCOPED_TRACE(testing::Message() << "frame of " << f.dt << " s");
        EXPECT_EQ(world.step(f.dt), f.steps);
        expectedSteps += f.steps;
        EXPECT_EQ(fishSteps(), expectedSteps);
        EXPECT_NEAR(world.alpha(), f.alpha, 1e-9);
        EXPECT_NEAR(world.clock(), f.clock, 1e-9);
    }
    EXPECT_EQ(world.prewarm(12.0), 120);
    EXPECT_EQ(world.prewarm(0.05), 0);
    EXPECT_EQ(world.prewarm(std::nan("")), 0);
    EXPECT_EQ(fishSteps(), expectedSteps + 120);
    EXPECT_NEAR(world.clock(), 52.85, 1e-9);
    EXPECT_EQ(world.alpha(), 1.0);
}

TEST_F(ReefSimulationTest, InstancesInterpolateBetweenTheLastTwoSteps) {
    EXPECT_EQ(world.drift().center, (Float3{0, 2.7f, 8.6f}));
    ASSERT_EQ(world.step(0.25), 2);  // half a step left over
    ASSERT_EQ(world.instances().size(), 310u);
    const auto& now = world.fish().fish();
    const auto& before = world.previous();
    float slowest = 1;
    for (std::size_t i = 0; i < now.size(); ++i) {
        const FishInstanceGPU& g = world.instances()[i];
        const FishSpecies& s = world.fish().species()[static_cast<std::size_t>(now[i].species)];
        EXPECT_LT(length(xyz(g.posLength) - (before[i].position + now[i].position) * 0.5f), 1e-5f);
        EXPECT_FLOAT_EQ(g.posLength.w, now[i].size * s.length);
        EXPECT_NEAR(length(xyz(g.dirPhase)), 1.0f, 1e-5f);
        // The tail phase moves forwards, across the wrap when there is one.
        float turn = now[i].tailPhase - before[i].tailPhase;
        if (turn < 0) turn += 2 * std::numbers::pi_v<float>;
        EXPECT_NEAR(g.dirPhase.w, before[i].tailPhase + 0.5f * turn, 1e-5f);
        EXPECT_EQ(g.info, (Float4{static_cast<float>(now[i].species), now[i].seed, g.info.z, 0}));
        EXPECT_TRUE(g.info.z > 0 && g.info.z <= 1) << "relative speed " << g.info.z;
        slowest = std::min(slowest, g.info.z);
    }
    EXPECT_LT(slowest, 0.9f);  // speed relative to the species' top speed, not a constant
}

TEST_F(ReefSimulationTest, LookRefreshIsThrottledToTwentySeconds) {
    EXPECT_EQ(world.lookDate(), start);
    EXPECT_EQ(world.look(), DayCycle::look(start, zone));
    EXPECT_FALSE(world.refreshLook(start + Seconds{10}, zone));
    EXPECT_FALSE(world.refreshLook(start - Seconds{19.9}, zone));
    EXPECT_EQ(world.lookDate(), start);
    const auto later = start + Seconds{6 * 3600.0};
    EXPECT_TRUE(world.refreshLook(later, zone));
    EXPECT_EQ(world.lookDate(), later);
    EXPECT_EQ(world.look(), DayCycle::look(later, zone));
    EXPECT_NE(world.look(), DayCycle::look(start, zone));
    EXPECT_FALSE(world.refreshLook(later + Seconds{19.5}, zone));
    EXPECT_TRUE(world.refreshLook(later - Seconds{25}, zone));  // the clock went back
}

}  // namespace
}  // namespace lumen::reef
