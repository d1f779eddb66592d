#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen::rainglass {

// A capsule along which the condensation on the pane is wiped away.
struct WipeStroke {
    Float2 from;
    Float2 to;
    float radius = 0;
};

}  // namespace lumen::rainglass
