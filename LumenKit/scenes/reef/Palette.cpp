#include "LumenKit/scenes/reef/Palette.hpp"

namespace lumen::reef {

namespace {

template <typename Table>
const auto& wrapped(const Table& table, int index) {
    const int n = static_cast<int>(table.size());
    return table[static_cast<std::size_t>(((index % n) + n) % n)];
}

// Weathered limestone, algae-covered, coralline-crusted.
constexpr std::array<Float3, 3> rockTones{{{0.36f, 0.33f, 0.29f}, {0.27f, 0.31f, 0.2f}, {0.42f, 0.27f, 0.32f}}};
// Electric blue, emerald, violet, gold.
constexpr std::array<Float3, 4> clamMantles{
    {{0.1f, 0.35f, 0.95f}, {0.08f, 0.7f, 0.45f}, {0.5f, 0.2f, 0.85f}, {0.85f, 0.62f, 0.12f}}};
constexpr std::array<Float3, 4> seaStars{
    {{0.12f, 0.32f, 0.9f}, {0.95f, 0.45f, 0.1f}, {0.8f, 0.12f, 0.1f}, {0.55f, 0.2f, 0.6f}}};
constexpr std::array<Float3, 4> mushrooms{
    {{0.72f, 0.6f, 0.42f}, {0.45f, 0.7f, 0.35f}, {0.9f, 0.5f, 0.6f}, {0.9f, 0.6f, 0.3f}}};

}  // namespace

const ColourPair& Palette::pair(int index) { return wrapped(pairs, index); }

Float3 Palette::blend(int index, float t) {
    const ColourPair& p = pair(index);
    // Weighted sum rather than a lerp so both ends come out exact.
    return p.deep * (1.0f - t) + p.bright * t;
}

Float3 Palette::rock(int index) { return wrapped(rockTones, index); }
Float3 Palette::clamMantle(int index) { return wrapped(clamMantles, index); }
Float3 Palette::seaStar(int index) { return wrapped(seaStars, index); }
Float3 Palette::mushroom(int index) { return wrapped(mushrooms, index); }

}  // namespace lumen::reef
