#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>

namespace lumen {

// SplitMix64: a tiny deterministic generator; the same seed gives the same stream everywhere.
struct SeededRandom {
    std::uint64_t state = 0;

    constexpr SeededRandom() = default;
    constexpr explicit SeededRandom(std::uint64_t seed) : state(seed) {}

    constexpr std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Lets standard-library distributions and shuffles draw from the same stream.
    using result_type = std::uint64_t;
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }
    constexpr result_type operator()() { return next(); }

    // a + (b - a) * u with u taken from the top 24 bits of next(). For a < b the result stays
    // below b even where float rounding of that sum would land on b.
    float uniform(float a, float b);
    // A point inside the unit ball (rejection sampling, three draws per try).
    Float3 insideUnitBall();
    // A unit vector (points inside the ball longer than 0.05, normalised).
    Float3 unitVector();
};

}  // namespace lumen
