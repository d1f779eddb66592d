#pragma once

#include "LumenKit/scenes/neon/NeonSign.hpp"

#include <array>
#include <string_view>
#include <vector>

namespace lumen::neon {

// The street the signs line: its width, their words and colours, and the seeded layout.
namespace NeonStreet {

inline constexpr float halfWidth = 7.0f;  // the facades stand at x = +-7

inline constexpr std::array<std::string_view, 14> words{
    "NOODLES", "HOTEL", "OPEN 24H", "KARAOKE", "BAR",   "LAUNDRY",   "RAMEN",
    "COFFEE",  "ARCADE", "DINER",   "BOOKS",   "DUMPLINGS", "TEA", "PHARMACY"};

inline constexpr std::array<Float3, 8> palette{{{1.0f, 0.12f, 0.45f},
                                                {0.1f, 0.85f, 1.0f},
                                                {1.0f, 0.45f, 0.08f},
                                                {0.55f, 0.25f, 1.0f},
                                                {0.25f, 1.0f, 0.45f},
                                                {1.0f, 0.2f, 0.15f},
                                                {1.0f, 0.85f, 0.3f},
                                                {0.2f, 0.5f, 1.0f}}};

// The fourteen signs, alternating left and right; the same on every call.
std::vector<NeonSign> signs();

}  // namespace NeonStreet

}  // namespace lumen::neon
