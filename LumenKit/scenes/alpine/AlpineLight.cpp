#include "LumenKit/scenes/alpine/AlpineLight.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::alpine {

namespace {

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float smooth(float x) { return x * x * (3.0f - 2.0f * x); }

}  // namespace

Float3 AlpineLight::transmittance(float altitude, float sunElevation) {
    constexpr double earth = 6.36e6;
    const double h = std::max<double>(altitude, 0);
    const double mu = std::sin(sunElevation * std::numbers::pi / 180.0);
    const double k = earth / (h + earth);
    const double c = std::sqrt(std::max(1.0 - k * k, 0.0));
    if (!(mu >= -c)) return {0, 0, 0};
    const double m = std::clamp((mu + c) / (c + 1.0), 0.0, 1.0);
    const double zenith = std::acos(m) * 180.0 / std::numbers::pi;
    const double airMass = 1.0 / (m + 0.50572 * std::pow(std::max(96.07995 - zenith, 0.1), -1.6364));
    const double rayleigh = 8000.0 * std::exp(-h / 8000.0) * airMass;
    const double aerosol = 1200.0 * std::exp(-h / 1200.0) * airMass * 2.31e-5;
    const auto channel = [&](double beta) { return static_cast<float>(std::exp(-(aerosol + rayleigh * beta))); };
    return {channel(5.8e-6), channel(1.35e-5), channel(3.31e-5)};
}

AlpineLight AlpineLight::compute(const SkyState& sky, const AlpineWeatherLook& look) {
    const float e = std::isfinite(sky.sunElevation) ? sky.sunElevation : -90.0f;
    const float c = clamp01(look.cloudCover);
    const float a = clamp01((e + 10.0f) / 18.0f);
    const float day = a * a * (3.0f - 2.0f * a);

    AlpineLight light;
    light.sunVisible = clamp01((e + 0.5f) / 1.5f);
    const float dim = 1.0f - 0.82f * smooth(clamp01((c - 0.55f) / 0.45f)) * (0.6f + 0.4f * look.cloudDarkness);
    light.sun = transmittance(viewerAltitude, e) * (3.4f * light.sunVisible * dim);

    const float m = 1.0f - 0.55f * c;
    const Float3 base = Float3{0.13f, 0.19f, 0.30f} + c * Float3{0.17f * m - 0.13f, 0.18f * m - 0.19f, 0.19f * m - 0.30f};
    const float twilight = std::max(0.0f, 1.0f - std::fabs(e + 2.0f) / 8.0f);
    const float glow = 1.0f - 0.6f * c;

    const float moonUp = std::isfinite(sky.moonElevation) ? clamp01(sky.moonElevation * 0.25f) : 0.0f;
    const float lit = std::isfinite(sky.moonIllumination) ? clamp01(sky.moonIllumination) : 0.0f;
    const float x = lit * moonUp * (1.0f - 0.8f * c) * (1.0f - day);
    light.moon = Float3{0.0288f, 0.036f, 0.0504f} * x;

    const float night = 1.0f - day;
    light.ambient = base * (day * day) + Float3{0.07f, 0.045f, 0.07f} * (twilight * glow) +
                    Float3{0.005f, 0.007f, 0.014f} * night + light.moon * 0.25f;
    light.exposure = 1.0f + 0.25f * c + 2.4f * night * night;
    return light;
}

}  // namespace lumen::alpine
