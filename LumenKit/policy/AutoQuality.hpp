#pragma once

#include "LumenKit/catalog/SceneCatalog.hpp"

#include <cstdint>
#include <optional>

namespace lumen {

// Per-display choice between full and half resolution under Quality Auto: a prediction from the
// scene's cost at first draw, then a one-way step down when measured GPU load stays too high.
class AutoQuality {
public:
    static constexpr double busyThreshold = 15.0;    // percent of wall time on one display
    static constexpr double safetyFactor = 1.65;     // on catalog costs
    static constexpr std::int64_t minimumPixels = 6'000'000;  // never lowered at or below
    static constexpr double holdTime = 8.0;          // seconds over threshold before stepping down

    AutoQuality(std::int64_t pixels, double fps, const SceneCost& cost);

    // Predicted GPU busy percent for drawing `pixels` at `fps`.
    static double estimate(std::int64_t pixels, double fps, const SceneCost& cost);
    static float initialScale(std::int64_t pixels, double fps, const SceneCost& cost);

    std::int64_t pixels() const { return pixels_; }
    float scale() const { return scale_; }
    std::optional<double> overSince() const { return overSince_; }

    // Feeds one measured busy percent taken at media time `now`; returns the scale afterwards.
    float update(double busyPercent, double now);

    bool operator==(const AutoQuality&) const = default;

private:
    std::int64_t pixels_;
    float scale_;
    std::optional<double> overSince_;
};

}  // namespace lumen
