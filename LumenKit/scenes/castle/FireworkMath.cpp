#include "LumenKit/scenes/castle/FireworkMath.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::castle {

std::vector<FlashLight> FireworkMath::flashLights(double t, const std::vector<Shell>& shells, std::size_t limit) {
    std::vector<FlashLight> lights;
    for (const Shell& s : shells) {
        const double age = s.burstAge(t);
        if (age < 0 || age >= s.life) continue;
        const float a = static_cast<float>(age);
        const float c = std::clamp(a / s.life, 0.0f, 1.0f);
        const float fade = c * c * (3 - 2 * c);
        const float strength = (2.2f * std::exp(-a / 0.22f) + 0.35f * (1 - fade)) * static_cast<float>(s.starCount) / 140;
        const Float3 color = (0.5f * s.colorA + 0.5f * s.colorB + Float3{0.15f, 0.15f, 0.15f}) * strength;
        if (std::max({color.x, color.y, color.z}) > 0.01f) lights.push_back({s.burst, color});
    }
    std::stable_sort(lights.begin(), lights.end(), [](const FlashLight& l, const FlashLight& r) {
        return l.color.x + l.color.y + l.color.z > r.color.x + r.color.y + r.color.z;
    });
    if (lights.size() > limit) lights.resize(limit);
    return lights;
}

}  // namespace lumen::castle
