#pragma once

#include "LumenKit/scenes/castle/Shell.hpp"

#include <cstddef>
#include <vector>

namespace lumen::castle {

// A burst lighting its surroundings.
struct FlashLight {
    Float3 position;
    Float3 color;
};

namespace FireworkMath {
// How brightly each shell's burst lights the scene at t, the brightest `limit` first.
std::vector<FlashLight> flashLights(double t, const std::vector<Shell>& shells, std::size_t limit);
}  // namespace FireworkMath

}  // namespace lumen::castle
