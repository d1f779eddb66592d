#pragma once

#include "LumenKit/core/SeededRandom.hpp"
#include "LumenKit/scenes/rainglass/RainDrop.hpp"
#include "LumenKit/scenes/rainglass/WipeStroke.hpp"

#include <cstdint>
#include <vector>

namespace lumen::rainglass {

// Water on one window pane: drops appear with the rain, slide once they are heavy enough (with
// short stops and a sideways wobble), shed trails of droplets, merge on contact, evaporate and
// fall off the bottom. Every random choice comes from the glass's own generator, so two glasses
// with the same seed, aspect, intensity and steps stay identical.
struct RainGlass {
    static constexpr float slideRadius = 0.0145f;
    static constexpr std::size_t maxDrops = 460;
    static constexpr float minRadius = 0.0012f;
    static constexpr float cellSize = 0.034f;
    static constexpr int gridRows = 36;
    static constexpr float maxStep = 0.1f;
    static constexpr double prerollStep = 1.0 / 15.0;

    float aspect = 1;
    std::vector<RainDrop> drops;
    float intensity = 0;
    double time = 0;
    std::vector<WipeStroke> strokes;
    std::vector<RainDrop> trailBuffer;
    SeededRandom rng;
    float spawnCarry = 0;
    std::int64_t stepCount = 0;
    std::vector<std::int32_t> cellStart;
    std::vector<std::int32_t> cellOf;
    std::vector<std::int32_t> order;
    std::vector<bool> alive;

    RainGlass(float aspect, float intensity, std::uint64_t seed, std::vector<RainDrop> drops = {});

    // Drops per second for a rain intensity on a pane `aspect` wide.
    static float spawnRate(float intensity, float aspect);

    void step(float dt);
    // Pre-roll of `seconds` in steps of 1/15 s, keeping only the strokes of the last `keepStrokes`.
    void advance(double seconds, double keepStrokes);
    void addStroke(Float2 from, Float2 to, float radius);
    // Hands the accumulated strokes to `body`, then forgets them.
    template <class Body>
    void consumeStrokes(Body&& body) {
        body(static_cast<const std::vector<WipeStroke>&>(strokes));
        strokes.clear();
    }

private:
    float draw() { return rng.uniform(0.0f, 1.0f); }
    void spawnDrop();
    void move(float dt);
    void merge();
    void trimToCap();
};

}  // namespace lumen::rainglass
