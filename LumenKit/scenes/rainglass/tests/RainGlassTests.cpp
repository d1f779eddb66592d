#include "LumenKit/scenes/rainglass/RainGlass.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace lumen::rainglass {
namespace {

RainDrop dropAt(float x, float y, float radius, float speed = 0, float wobble = 0) {
    RainDrop d;
    d.position = {x, y};
    d.radius = radius;
    d.speed = speed;
    d.wobble = wobble;
    d.seed = 0.5f;
    return d;
}

bool sane(const RainGlass& glass) {
    if (glass.drops.size() > RainGlass::maxDrops) return false;
    for (const RainDrop& d : glass.drops) {
        if (!std::isfinite(d.position.x) || !std::isfinite(d.position.y) || !std::isfinite(d.radius)) return false;
        if (d.radius < RainGlass::minRadius || d.position.y - d.radius > 1.02f) return false;
        if (d.position.x < 0 || d.position.x > glass.aspect) return false;
    }
    return true;
}

TEST(RainGlassTest, SpawnDrawsInOrder) {
    RainGlass glass(1.5f, 1, 42);
    glass.step(1.0f / glass.spawnRate(1, 1.5f) * 1.5f);  // owes one and a half drops
    ASSERT_EQ(glass.drops.size(), 1u);
    SeededRandom rng(42);
    auto draw = [&] { return rng.uniform(0, 1); };
    const float a = draw();
    const float b = draw();
    const float radius = b < 0.12f ? draw() * 0.006f + 0.0075f : a * a * 0.0085f + 0.0016f;
    const float x = 1.5f * draw();
    const float y = draw() * 1.02f - 0.02f;
    const RainDrop& d = glass.drops[0];
    EXPECT_FLOAT_EQ(d.radius, radius);
    EXPECT_FLOAT_EQ(d.position.x, x);
    EXPECT_FLOAT_EQ(d.position.y, y);
    EXPECT_FLOAT_EQ(d.seed, draw());
    EXPECT_NEAR(glass.spawnCarry, 0.5f, 1e-4f);
}

TEST(RainGlassTest, StepClampsAndIgnoresNonPositiveTime) {
    const std::tuple<float, double> cases[] = {{0.5f, 0.1}, {0.05f, 0.05}, {0, 0}, {-1, 0}, {NAN, 0}};
    for (const auto& [dt, time] : cases) {
        RainGlass glass(1, 0.5f, 3);
        glass.step(dt);
        EXPECT_NEAR(glass.time, time, 1e-7) << dt;
        if (time == 0) {
            EXPECT_EQ(glass.rng.state, SeededRandom(3).state) << dt;
        }
    }
}

TEST(RainGlassTest, NoRainStillSlidesAndSpawnsNothing) {
    EXPECT_EQ(RainGlass::spawnRate(0, 2), 0);
    EXPECT_FLOAT_EQ(RainGlass::spawnRate(0.5f, 2), 2 * (22 + 27.5f + 57.5f));
    EXPECT_FLOAT_EQ(RainGlass::spawnRate(3, 1), 307);
    RainGlass glass(1, 0, 5, {dropAt(0.5f, 0.2f, 0.03f)});
    for (int i = 0; i < 30; ++i) glass.step(0.05f);
    EXPECT_GT(glass.drops[0].position.y, 0.25f);
    EXPECT_EQ(glass.spawnCarry, 0);
    EXPECT_FALSE(glass.strokes.empty());
}

TEST(RainGlassTest, FullPaneGrowsDropsInsteadOfAddingThem) {
    std::vector<RainDrop> drops;
    for (int i = 0; i < 460; ++i) drops.push_back(dropAt(0.02f + 0.04f * static_cast<float>(i % 23), 0.02f + 0.05f * static_cast<float>(i / 23), 0.002f));
    RainGlass glass(1, 1, 8, drops);
    glass.step(0.1f);
    float before = 0, after = 0;
    for (const RainDrop& d : drops) before += d.radius * d.radius;
    for (const RainDrop& d : glass.drops) after += d.radius * d.radius;
    EXPECT_EQ(glass.drops.size(), 460u);
    EXPECT_GT(after, before + 30 * 0.0016f * 0.0016f);  // about 30 drops' worth of new water
}

TEST(RainGlassTest, TouchingDropsMergeConservingArea) {
    const std::tuple<float, float, std::size_t, bool> cases[] = {
        {0.01f, 0.0160f, 1, false}, {0.01f, 0.0166f, 2, false}, {0.012f, 0.0190f, 1, true}};
    for (const auto& [radius, gap, count, slides] : cases) {
        RainGlass glass(1, 0, 1, {dropAt(0.5f, 0.5f, radius), dropAt(0.5f + gap, 0.5f, radius)});
        glass.step(0.001f);
        glass.step(0.001f);  // merging runs every second step
        ASSERT_EQ(glass.drops.size(), count) << radius;
        if (count == 2) continue;
        EXPECT_NEAR(glass.drops[0].radius, std::sqrt(2.0f) * radius, 1e-6f);
        EXPECT_NEAR(glass.drops[0].position.x, 0.5f + gap / 2, 1e-6f);
        for (int i = 0; i < 10; ++i) glass.step(0.05f);
        EXPECT_EQ(glass.drops[0].position.y > 0.5f, slides) << radius;
    }
}

TEST(RainGlassTest, EdgesHoldAndFallenDropsGo) {
    RainGlass pinned(1, 0, 2, {dropAt(0, 0.1f, 0.03f, 0.2f, -0.6f)});
    for (int i = 0; i < 20; ++i) {
        pinned.step(0.05f);
        EXPECT_EQ(pinned.drops[0].position.x, 0);
    }
    RainGlass falling(1, 0, 2, {dropAt(0.5f, 1.02f + 0.03f - 0.001f, 0.03f, 0.3f)});
    falling.step(0.1f);
    for (const RainDrop& d : falling.drops) EXPECT_LT(d.radius, 0.02f);
}

TEST(RainGlassTest, PrerollKeepsOnlyRecentStrokes) {
    RainGlass none(1.6f, 0.8f, 11), recent(1.6f, 0.8f, 11), all(1.6f, 0.8f, 11);
    none.advance(12, 0);
    recent.advance(12, 1);
    all.advance(12, 12);
    EXPECT_TRUE(none.strokes.empty());
    EXPECT_FALSE(recent.strokes.empty());
    EXPECT_GT(all.strokes.size(), recent.strokes.size() * 4);
    EXPECT_EQ(none.drops.size(), all.drops.size());
    EXPECT_EQ(none.stepCount, 180);
}

// Ten minutes of every rain: bounded, finite, on the pane, and sliders keep appearing.
TEST(RainGlassTest, TenMinutesStayBounded) {
    for (float intensity : {0.0f, 0.25f, 0.55f, 1.0f}) {
        RainGlass glass(16.0f / 9.0f, intensity, 7919);
        std::size_t sliders = 0;
        for (int i = 0; i < 600 * 30; ++i) {
            glass.step(1.0f / 30);
            if (i % 300 == 0) {
                ASSERT_TRUE(sane(glass)) << intensity << " at " << i;
                for (const RainDrop& d : glass.drops) sliders += d.speed > 0;
            }
        }
        EXPECT_EQ(glass.drops.empty(), intensity == 0);
        if (intensity > 0) {
            EXPECT_GT(sliders, 20u) << intensity;
            EXPECT_GT(glass.drops.size(), 60u) << intensity;
        }
    }
}

TEST(RainGlassTest, DegenerateInputsStaySane) {
    std::vector<RainDrop> pile(10000, dropAt(0.3f, 0.4f, 0.004f));
    for (std::size_t i = 0; i < pile.size(); ++i) pile[i].position.x += 0.00001f * static_cast<float>(i % 100);
    RainGlass crowd(1, 1, 4, pile);
    crowd.step(0.1f);
    crowd.step(0.1f);
    EXPECT_TRUE(sane(crowd));
    EXPECT_EQ(crowd.drops.size() < 460u, true);

    RainGlass empty(0, 1, 4);
    EXPECT_EQ(empty.aspect, 0.2f);
    empty.addStroke({-50, 1e9f}, {NAN, 3}, 0.035f);
    for (int i = 0; i < 300; ++i) empty.step(0.1f);
    EXPECT_TRUE(sane(empty));
    std::size_t seen = 0;
    empty.consumeStrokes([&](const std::vector<WipeStroke>& s) { seen = s.size(); });
    EXPECT_GT(seen, 0u);
    EXPECT_TRUE(empty.strokes.empty());
}

TEST(RainGlassTest, SameSeedSameRainOtherSeedOther) {
    RainGlass a(1.7f, 0.6f, 7919), b(1.7f, 0.6f, 7919), c(1.7f, 0.6f, 15838);
    for (RainGlass* g : {&a, &b, &c}) g->advance(5, 0);
    ASSERT_EQ(a.drops.size(), b.drops.size());
    for (std::size_t i = 0; i < a.drops.size(); ++i) EXPECT_EQ(a.drops[i].position, b.drops[i].position);
    EXPECT_NE(a.drops[0].position, c.drops[0].position);
}

}  // namespace
}  // namespace lumen::rainglass
