#include "LumenKit/scenes/rainglass/RainGlass.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::rainglass {

namespace {

// Fraction of the summed radii at which two drops touch and run together.
constexpr float mergeReach = 0.82f;
constexpr float bottomEdge = 1.02f;
constexpr float evaporatingRadius = 0.0032f;
constexpr float evaporationRate = 0.000012f;

int gridIndex(float value, int last) {
    // Clamped as a float first, so a wild coordinate never overflows the conversion.
    const float clamped = std::clamp(std::isfinite(value) ? value : 0.0f, -1.0f, static_cast<float>(last));
    return std::clamp(static_cast<int>(clamped) + 1, 0, last);
}

}  // namespace

RainGlass::RainGlass(float aspect, float intensity, std::uint64_t seed, std::vector<RainDrop> drops)
    : aspect(std::max(aspect, 0.2f)), drops(std::move(drops)), intensity(intensity), rng(seed) {}

float RainGlass::spawnRate(float intensity, float aspect) {
    if (!(intensity > 0)) return 0;
    const float i = std::min(intensity, 1.0f);
    return aspect * (22 + 55 * i + 230 * i * i);
}

void RainGlass::step(float dt) {
    dt = std::clamp(std::isfinite(dt) ? dt : 0.0f, 0.0f, maxStep);
    if (dt == 0) return;
    time += dt;

    spawnCarry += dt * spawnRate(intensity, aspect);
    while (spawnCarry >= 1) {
        spawnCarry -= 1;
        if (drops.size() < maxDrops) {
            spawnDrop();
        } else {
            // A full pane: the new rain feeds a drop that is already there.
            const float k = draw();
            const float r = draw();
            const std::size_t count = drops.size();
            const std::size_t index = std::min(count - 1, static_cast<std::size_t>(k * static_cast<float>(count)));
            RainDrop& grown = drops[index];
            const float added = r * r * 0.0085f + 0.0016f;
            grown.radius = std::sqrt(grown.radius * grown.radius + added * added);
        }
    }

    move(dt);
    const std::int64_t before = stepCount++;
    if (before % 2 != 0) merge();

    std::erase_if(drops, [](const RainDrop& d) { return d.radius < minRadius || d.position.y - d.radius > bottomEdge; });
    trimToCap();
}

void RainGlass::spawnDrop() {
    const float a = draw();
    const float b = draw();
    const bool big = b < intensity * 0.08f + 0.04f;
    RainDrop drop;
    drop.radius = big ? draw() * 0.006f + 0.0075f : a * a * 0.0085f + 0.0016f;
    drop.position.x = aspect * draw();
    drop.position.y = draw() * 1.02f - 0.02f;
    drop.seed = draw();
    drops.push_back(drop);
}

void RainGlass::move(float dt) {
    trailBuffer.clear();
    for (RainDrop& drop : drops) {
        if (drop.radius >= slideRadius) {
            if (drop.pause > 0) {
                drop.pause -= dt;
                drop.speed *= std::exp(-14 * dt);
            } else {
                const float target = std::min((drop.radius - slideRadius) * 13 + 0.045f, 0.32f);
                drop.speed += std::min(5 * dt, 1.0f) * (target - drop.speed);
                if (draw() < dt * (drop.seed * 0.5f + 0.35f)) drop.pause = draw() * 0.41f + 0.04f;
            }
            const float w = draw();
            drop.wobble = std::clamp(drop.wobble + dt * ((2 * w - 1) * 1.4f - 4 * drop.wobble), -0.6f, 0.6f);

            const Float2 old = drop.position;
            const Float2 moved{std::clamp(old.x + dt * drop.speed * drop.wobble, 0.0f, aspect), old.y + dt * drop.speed};
            drop.position = moved;
            const float d = length(moved - old);
            if (d > 0.000001f) {
                // The sliding drop clears the condensation along its path.
                strokes.push_back({old, moved, drop.radius * 0.95f});
                drop.trailDistance += d;
            }
            if (drop.trailDistance > drop.seed * 0.03f + 0.013f) {
                const float t = draw();
                const float rt = drop.radius * (t * 0.12f + 0.16f);
                drop.trailDistance = 0;
                const float left = drop.radius * drop.radius - rt * rt;
                if (left > 0) {
                    // The droplet left behind takes its share of the water.
                    drop.radius = std::sqrt(left);
                    const float o = draw();
                    const float s = draw();
                    RainDrop droplet;
                    droplet.position = {std::clamp(moved.x + (o * 0.7f - 0.35f) * drop.radius, 0.0f, aspect),
                                        moved.y - (rt + drop.radius) * 1.02f};
                    droplet.radius = rt;
                    droplet.seed = s;
                    trailBuffer.push_back(droplet);
                }
            }
        } else {
            drop.speed = 0;
            if (drop.radius < evaporatingRadius) drop.radius -= dt * evaporationRate;
        }
        drop.age += dt;
    }
    drops.insert(drops.end(), trailBuffer.begin(), trailBuffer.end());
}

void RainGlass::merge() {
    const std::size_t count = drops.size();
    if (count < 2) return;
    const int cols = static_cast<int>(std::clamp(aspect / cellSize, 0.0f, 100000.0f)) + 3;
    const std::size_t cells = static_cast<std::size_t>(cols) * gridRows;

    cellOf.resize(count);
    order.resize(count);
    alive.assign(count, true);
    cellStart.assign(cells + 1, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const Float2 p = drops[i].position;
        const int cx = gridIndex(p.x / cellSize, cols - 1);
        const int cy = gridIndex((p.y + 0.05f) / cellSize, gridRows - 1);
        const int cell = cy * cols + cx;
        cellOf[i] = cell;
        ++cellStart[static_cast<std::size_t>(cell)];
    }
    // Inclusive sums, then a backward fill: each cell ends up listed from cellStart[c] to
    // cellStart[c + 1] in index order.
    for (std::size_t c = 1; c <= cells; ++c) cellStart[c] += cellStart[c - 1];
    for (std::size_t i = count; i-- > 0;) {
        order[static_cast<std::size_t>(--cellStart[static_cast<std::size_t>(cellOf[i])])] = static_cast<std::int32_t>(i);
    }

    for (std::size_t i = 0; i < count; ++i) {
        if (!alive[i]) continue;
        RainDrop& a = drops[i];
        const int cx = cellOf[i] % cols;
        const int cy = cellOf[i] / cols;
        for (int y = cy - 1; y <= cy + 1; ++y) {
            if (y < 0 || y >= gridRows) continue;
            for (int x = cx - 1; x <= cx + 1; ++x) {
                if (x < 0 || x >= cols) continue;
                const auto cell = static_cast<std::size_t>(y * cols + x);
                for (auto k = cellStart[cell]; k < cellStart[cell + 1]; ++k) {
                    const auto j = static_cast<std::size_t>(order[static_cast<std::size_t>(k)]);
                    if (j == i || !alive[j]) continue;
                    const RainDrop& b = drops[j];
                    const Float2 gap = b.position - a.position;
                    const float reach = (a.radius + b.radius) * mergeReach;
                    if (dot(gap, gap) >= reach * reach) continue;
                    const float areaA = a.radius * a.radius;
                    const float areaB = b.radius * b.radius;
                    const float total = areaA + areaB;
                    if (total > 0) a.position = (a.position * areaA + b.position * areaB) / total;
                    if (b.radius > a.radius) a.seed = b.seed;
                    a.radius = std::sqrt(total);
                    a.speed = std::max(a.speed, b.speed);
                    a.pause = std::min(a.pause, b.pause);
                    alive[j] = false;
                }
            }
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (alive[i]) drops[kept++] = drops[i];
    }
    drops.resize(kept);
}

void RainGlass::trimToCap() {
    while (drops.size() > maxDrops) {
        std::size_t victim = drops.size();
        for (std::size_t i = 0; i < drops.size(); ++i) {
            if (drops[i].speed != 0) continue;
            if (victim == drops.size() || drops[i].radius < drops[victim].radius) victim = i;
        }
        if (victim == drops.size()) victim = 0;
        std::swap(drops[victim], drops.back());
        drops.pop_back();
    }
}

void RainGlass::advance(double seconds, double keepStrokes) {
    for (long k = 0;; ++k) {
        const double t = static_cast<double>(k) * prerollStep;
        if (!(t < seconds)) break;
        if (t < seconds - keepStrokes) strokes.clear();
        step(static_cast<float>(prerollStep));
    }
    // Keeping nothing means nothing, not the last step's wipes.
    if (keepStrokes <= 0) strokes.clear();
}

void RainGlass::addStroke(Float2 from, Float2 to, float radius) { strokes.push_back({from, to, radius}); }

}  // namespace lumen::rainglass
