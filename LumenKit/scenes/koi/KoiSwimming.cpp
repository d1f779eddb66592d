#include "LumenKit/scenes/koi/KoiPond.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::koi {

namespace {

constexpr float wagWrap = 628.3185f;

float cross(Float2 a, Float2 b) { return a.x * b.y - a.y * b.x; }

Float2 unit(Float2 v) {
    const float len = length(v);
    return len > 0 ? v / len : Float2{};
}

float approach(float value, float target, float factor) { return value + (target - value) * factor; }

}  // namespace

// Steering: slow wandering, a turn back from the walls, room between neighbours, and food.
void KoiPond::swim(std::size_t index, float dt, std::optional<Float2> food, float winter) {
    Koi& koi = fish[index];
    const Float2 dir{std::cos(koi.heading), std::sin(koi.heading)};
    const Float2 head = koi.spine[0];

    koi.wander = std::clamp(koi.wander + dt * (2.0f * draw() - 1.0f) * 1.2f, -1.0f, 1.0f);
    float turn = 0.55f * koi.wander;

    const Float2 ahead = head + dir * 0.35f;
    const bool inside = std::abs(ahead.x) < 0.92f * halfWidth - 0.05f && std::abs(ahead.y) < 0.85f;
    if (!inside) turn += 3.5f * cross(dir, unit(Float2{0, 0.0001f} - head));

    float targetSpeed = (1.0f - 0.5f * winter) * (0.055f + 0.04f * koi.seed);

    for (std::size_t j = 0; j < fish.size(); ++j) {
        if (j == index) continue;
        const Float2 away = head - fish[j].spine[0];
        const float distance = length(away);
        if (distance >= 0.0001f && distance < 0.22f) turn += (0.22f - distance) * 12.0f * cross(dir, away / distance);
    }

    if (!food) {
        const float bob = 0.5f + 0.5f * std::sin(20.0f * koi.seed + 0.05f * static_cast<float>(time));
        const float target = std::min(0.95f, 0.1f + 0.25f * bob + 0.3f * winter);
        koi.depth = approach(koi.depth, target, std::min(0.1f * dt, 1.0f));
    } else {
        const Float2 toFood = *food - head;
        if (length(toFood) > 0.05f) turn += 2.2f * cross(dir, unit(toFood));
        koi.depth = approach(koi.depth, 0.02f, std::min(0.8f * dt, 1.0f));
        targetSpeed = 0.13f;
    }

    koi.heading += dt * std::clamp(turn, -1.0f, 1.0f);
    koi.speed = approach(koi.speed, targetSpeed, std::min(0.8f * dt, 1.0f));

    Float2 moved = head + Float2{std::cos(koi.heading), std::sin(koi.heading)} * (koi.speed * dt);
    moved.x = std::clamp(moved.x, -0.97f * halfWidth, 0.97f * halfWidth);
    moved.y = std::clamp(moved.y, -0.97f, 0.97f);

    // The body follows the head like a chain of fixed links.
    const float link = koi.length / 7.0f;
    koi.spine[0] = moved;
    for (std::size_t k = 1; k < koi.spine.size(); ++k) {
        const Float2 offset = koi.spine[k] - koi.spine[k - 1];
        const float len = length(offset);
        const Float2 along = len > 1e-6f ? offset / len : -dir;
        koi.spine[k] = koi.spine[k - 1] + along * link;
    }

    koi.wag += dt * (40.0f * koi.speed + 2.0f);
    if (koi.wag > wagWrap) koi.wag -= wagWrap;
}

}  // namespace lumen::koi
