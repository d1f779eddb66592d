#pragma once

#include "LumenKit/core/Vector.hpp"

#include <array>
#include <cstddef>

namespace lumen::reef {

// A colour set of the reef: `deep` where a growth is shaded or old, `bright` at its living tips.
struct ColourPair {
    Float3 deep;
    Float3 bright;

    bool operator==(const ColourPair&) const = default;
};

// The colours reef items are tinted from, selected by a `ReefItem`'s `palette`. Every lookup
// wraps its index into the table, so a stray palette value still yields a colour.
struct Palette {
    static constexpr std::array<ColourPair, 7> pairs{{
        {{0.26f, 0.02f, 0.18f}, {0.95f, 0.24f, 0.72f}},
        {{0.5f, 0.08f, 0.01f}, {1.0f, 0.5f, 0.1f}},
        {{0.55f, 0.06f, 0.1f}, {1.0f, 0.42f, 0.42f}},
        {{0.24f, 0.3f, 0.02f}, {0.85f, 0.92f, 0.2f}},
        {{0.08f, 0.05f, 0.36f}, {0.48f, 0.4f, 1.0f}},
        {{0.02f, 0.2f, 0.25f}, {0.22f, 0.86f, 0.92f}},
        {{0.42f, 0.32f, 0.18f}, {0.96f, 0.88f, 0.68f}},
    }};
    static constexpr std::size_t size = pairs.size();

    static const ColourPair& pair(int index);
    // deep (1 - t) + bright t.
    static Float3 blend(int index, float t);

    // The smaller ranges: three rock tones, four clam mantles, four sea stars, four mushrooms.
    static Float3 rock(int index);
    static Float3 clamMantle(int index);
    static Float3 seaStar(int index);
    static Float3 mushroom(int index);
};

}  // namespace lumen::reef
