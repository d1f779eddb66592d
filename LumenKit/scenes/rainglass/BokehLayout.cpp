#include "LumenKit/scenes/rainglass/BokehLayout.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <array>
#include <cmath>

namespace lumen::rainglass {

namespace {

using Kind = BokehLight::Kind;

struct Draws {
    SeededRandom rng;
    float next() { return rng.uniform(0.0f, 1.0f); }
    float phase() { return next() * 6.28f; }
};

BokehLight light(Float2 position, float size, Float3 color, Kind kind, float phase, float reflection = 0) {
    return {position, size, color, kind, phase, reflection};
}

void cafe(Draws& d, std::vector<BokehLight>& out) {
    for (int i = 0; i < 14; ++i) {
        const float fi = static_cast<float>(i);
        const float x = 0.23f * fi - 1.5f + (d.next() * 0.06f - 0.03f);
        const float y = 0.05f * std::sin(0.9f * fi) + 0.12f + (d.next() * 0.04f - 0.02f);
        const float b = d.next() * 0.7f + 1.3f;
        out.push_back(light({x, y}, 0.052f, Float3{1, 0.55f, 0.2f} * b, Kind::bulb, d.phase()));
    }
    for (float x : {-1.1f, -0.35f, 0.45f, 1.2f}) out.push_back(light({x, 0.33f}, 0.085f, {1.5f, 0.75f, 0.27f}, Kind::bulb, d.phase()));
    for (int row = 0; row < 3; ++row) {
        for (int i = 0; i < 26; ++i) {
            const float tone = d.next();
            const float x = d.next() * 3.1f - 1.55f;
            const float y = 0.085f * static_cast<float>(row) + 0.42f + (d.next() * 0.02f - 0.01f);
            const Float3 base = tone < 0.25f ? Float3{0.3f, 0.75f, 0.45f}
                                : tone < 0.4f ? Float3{0.9f, 0.2f, 0.15f}
                                : tone < 0.7f ? Float3{1.0f, 0.65f, 0.3f}
                                              : Float3{0.85f, 0.45f, 0.18f};
            const float level = d.next() * 0.5f + 0.25f;
            out.push_back(light({x, y}, 0.03f, base * level, Kind::window, d.phase()));
        }
    }
    for (int i = 0; i < 12; ++i) {
        const float x = d.next() * 3.0f - 1.5f;
        const float y = d.next() * 0.12f + 0.74f;
        const float b = d.next() * 0.7f + 0.9f;
        out.push_back(light({x, y}, 0.05f, Float3{1, 0.6f, 0.25f} * b, Kind::candle, d.phase()));
    }
    for (int i = 0; i < 8; ++i) {
        const float x = d.next() * 1.4f - 0.6f;
        out.push_back(light({x, 0.66f}, 0.06f, {0.9f, 0.72f, 0.495f}, Kind::shop, d.phase()));
    }
    for (int i = 0; i < 10; ++i) {
        const float x = d.next() * 0.55f + 0.9f;
        const float y = d.next() * 0.2f + 0.3f;
        out.push_back(light({x, y}, 0.03f, {0.4f, 0.52f, 0.8f}, Kind::window, d.phase()));
    }
}

void street(Draws& d, std::vector<BokehLight>& out) {
    for (float side : {-1.0f, 1.0f}) {
        for (int i = 0; i < 7; ++i) {
            const float f = 1 / (0.75f * static_cast<float>(i) + 1);
            const Float3 tint = i % 2 == 0 ? Float3{1.0f, 0.55f, 0.18f} : Float3{0.85f, 0.9f, 1.0f};
            out.push_back(light({side * 1.35f * f + 0.25f, 0.47f - 0.3f * f}, (0.45f * f + 0.55f) * 0.11f,
                                tint * ((0.5f * f + 0.5f) * 2.2f), Kind::lamp, d.phase(), 0.9f));
        }
    }
    for (float side : {-1.0f, 1.0f}) {
        for (int i = 0; i < 8; ++i) {
            const float f = 1 / (0.55f * static_cast<float>(i) + 1);
            const Float3 tint = d.next() < 0.7f ? Float3{1.0f, 0.68f, 0.36f} : Float3{0.75f, 0.85f, 1.0f};
            const float level = d.next() * 0.6f + 0.7f;
            out.push_back(light({side * 1.15f * f + 0.25f, 0.12f * f + 0.47f}, (0.5f * f + 0.5f) * 0.09f, tint * level,
                                Kind::shop, d.phase(), 0.6f));
        }
    }
    constexpr std::array<Float3, 5> palette{{{1.0f, 0.15f, 0.55f}, {0.1f, 0.85f, 1.0f}, {0.35f, 1.0f, 0.45f},
                                             {0.75f, 0.25f, 1.0f}, {1.0f, 0.35f, 0.1f}}};
    constexpr std::array<float, 3> letterStep{0, 0.035f, 0.07f};
    for (int k = 0; k < 9; ++k) {
        const float side = k % 2 == 0 ? -1.0f : 1.0f;
        const float f = 1 / (0.7f * static_cast<float>(k / 2) + 1);
        const Float3 color = palette[d.rng.next() % 5] * 2.2f;
        for (float offset : letterStep) {
            const float y = 0.47f - 0.08f * f + (d.next() * 0.02f - 0.01f);
            out.push_back(light({side * f + 0.25f + side * f * offset, y}, (0.4f * f + 0.6f) * 0.055f, color, Kind::neon,
                                d.phase(), 0.7f));
        }
    }
    for (int attempt = 0; attempt < 70; ++attempt) {
        const float a = d.next();
        const float depth = d.next();
        const float s = d.next();
        const float e = d.next();
        const float keep = d.next();
        if (keep >= 0.55f) continue;
        const float c = d.next();
        const float side = a >= 0.5f ? s + 0.5f : -(s + 0.5f);
        const float f = depth * 0.75f + 0.25f;
        const Float3 color = c < 0.75f ? Float3{1.0f, 0.68f, 0.36f} * 0.6f : Float3{0.275f, 0.325f, 0.45f};
        out.push_back(light({side * f + 0.25f, 0.47f - (e * 0.42f + 0.08f) * f}, (0.4f * f + 0.6f) * 0.045f, color,
                            Kind::window, d.phase()));
    }
    out.push_back(light({0.67f, 0.35f}, 0.05f, {2.0f, 0.2f, 0.1f}, Kind::traffic, d.phase(), 0.8f));
}

}  // namespace

std::vector<BokehLight> BokehLayout::lights(std::string_view view, std::uint64_t seed) {
    Draws draws{SeededRandom(seed)};
    std::vector<BokehLight> out;
    if (view == SceneOptionNames::rainyWindowCafe::viewCafe) {
        cafe(draws, out);
    } else {
        street(draws, out);
    }
    return out;
}

}  // namespace lumen::rainglass
