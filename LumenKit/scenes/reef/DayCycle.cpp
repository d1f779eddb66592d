#include "LumenKit/scenes/reef/DayCycle.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <cmath>
#include <numbers>

namespace lumen::reef::DayCycle {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double degree = pi / 180.0;

constexpr Float3 mix(Float3 a, Float3 b, float t) { return a + (b - a) * t; }
constexpr float mix(float a, float b, float t) { return a + (b - a) * t; }

}  // namespace

const std::array<Key, 6> keys = {{
    // Deep night: only a faint blue glow, the plankton at its brightest.
    {-18.0f, {0.03f, 0.045f, 0.09f}, {0.012f, 0.026f, 0.06f}, {0.003f, 0.006f, 0.014f},
     {0.001f, 0.004f, 0.012f}, {0.003f, 0.01f, 0.03f}, {0.01f, 0.028f, 0.065f},
     0.1f, 0.15f, 1.0f, 1.9f},
    // Civil twilight.
    {-6.0f, {0.12f, 0.13f, 0.26f}, {0.035f, 0.05f, 0.11f}, {0.006f, 0.011f, 0.026f},
     {0.003f, 0.009f, 0.026f}, {0.009f, 0.024f, 0.062f}, {0.04f, 0.065f, 0.15f},
     0.25f, 0.35f, 0.55f, 1.6f},
    // Sunrise and sunset: warm, low light with strong shafts.
    {2.0f, {0.8f, 0.5f, 0.3f}, {0.09f, 0.13f, 0.2f}, {0.014f, 0.026f, 0.045f},
     {0.004f, 0.017f, 0.042f}, {0.016f, 0.055f, 0.11f}, {0.15f, 0.2f, 0.26f},
     0.55f, 0.9f, 0.1f, 1.25f},
    {12.0f, {1.15f, 0.95f, 0.72f}, {0.15f, 0.24f, 0.34f}, {0.02f, 0.04f, 0.07f},
     {0.003f, 0.022f, 0.062f}, {0.01f, 0.075f, 0.16f}, {0.15f, 0.32f, 0.46f},
     0.85f, 1.0f, 0.0f, 1.1f},
    {35.0f, {1.3f, 1.28f, 1.2f}, {0.2f, 0.34f, 0.46f}, {0.026f, 0.055f, 0.09f},
     {0.002f, 0.024f, 0.075f}, {0.008f, 0.085f, 0.19f}, {0.14f, 0.38f, 0.56f},
     1.0f, 1.0f, 0.0f, 0.9f},
    // High summer sun.
    {70.0f, {1.42f, 1.42f, 1.34f}, {0.22f, 0.37f, 0.5f}, {0.028f, 0.06f, 0.095f},
     {0.002f, 0.026f, 0.08f}, {0.008f, 0.09f, 0.2f}, {0.15f, 0.4f, 0.58f},
     1.0f, 0.95f, 0.0f, 0.86f},
}};

double sunElevation(double hour, std::int64_t dayOfYear, double latitudeDegrees) {
    const double phi = latitudeDegrees * degree;
    const double declination =
        -23.44 * degree * std::cos((static_cast<double>(dayOfYear) + 10.0) * 2.0 * pi / 365.0);
    const double hourAngle = (hour - 12.0) * 15.0 * degree;
    const double s = std::sin(phi) * std::sin(declination) +
                     std::cos(phi) * std::cos(declination) * std::cos(hourAngle);
    // Rounding can push the sine a hair past +-1 at the poles.
    return std::asin(std::fmax(-1.0, std::fmin(1.0, s))) / degree;
}

Key blend(double elevation) {
    if (!(elevation > keys.front().elevation)) return keys.front();  // NaN counts as night
    if (elevation >= keys.back().elevation) return keys.back();
    std::size_t i = 0;
    while (elevation >= keys[i + 1].elevation) ++i;
    const Key& a = keys[i];
    const Key& b = keys[i + 1];
    float t = static_cast<float>((elevation - a.elevation) / (b.elevation - a.elevation));
    t = t * t * (3.0f - 2.0f * t);

    Key k;
    k.elevation = static_cast<float>(elevation);
    k.sun = mix(a.sun, b.sun, t);
    k.ambTop = mix(a.ambTop, b.ambTop, t);
    k.ambBottom = mix(a.ambBottom, b.ambBottom, t);
    k.deep = mix(a.deep, b.deep, t);
    k.horizon = mix(a.horizon, b.horizon, t);
    k.surface = mix(a.surface, b.surface, t);
    k.caustics = mix(a.caustics, b.caustics, t);
    k.rays = mix(a.rays, b.rays, t);
    k.glow = mix(a.glow, b.glow, t);
    k.exposure = mix(a.exposure, b.exposure, t);
    return k;
}

Float3 lightDirection(double hour, double elevation) {
    // The sun sweeps from one side at dawn to the other at dusk, slightly behind the reef.
    const double a = pi * (hour - 12.0) / 12.0;
    double hx = std::sin(a);
    double hz = -0.35 * std::cos(a);
    const double len = std::sqrt(hx * hx + hz * hz);
    if (len > 0.001) {
        hx /= len;
        hz /= len;
    } else {
        hx = 0.0;
        hz = -1.0;
    }
    // Snell's law at the surface: even a grazing sun enters the water fairly steeply.
    const double e = std::fmax(elevation, minRefractedElevation) * degree;
    const double theta = std::asin(std::cos(e) / refractiveIndex);
    const Float3 d{static_cast<float>(std::sin(theta) * hx), static_cast<float>(-std::cos(theta)),
                   static_cast<float>(std::sin(theta) * hz)};
    return normalize(d);
}

WaterLook look(double hour, std::int64_t dayOfYear) {
    const double e = sunElevation(hour, dayOfYear);
    const Key k = blend(e);
    WaterLook w;
    w.sunElevation = static_cast<float>(e);
    w.lightDirection = lightDirection(hour, e);
    w.sunColor = k.sun;
    w.ambientTop = k.ambTop;
    w.ambientBottom = k.ambBottom;
    w.deepColor = k.deep;
    w.horizonColor = k.horizon;
    w.surfaceColor = k.surface;
    w.caustics = k.caustics;
    w.godRays = k.rays;
    w.bioluminescence = k.glow;
    w.exposure = k.exposure;
    return w;
}

WaterLook look(SkyState::Instant date, const date::time_zone* timeZone) {
    // The sky clock owns the calendar conversion (local hour, day of year, out-of-range dates).
    const SkyState sky = SkyClock::state(date, std::nullopt, timeZone);
    return look(sky.hour, sky.dayOfYear);
}

}  // namespace lumen::reef::DayCycle
