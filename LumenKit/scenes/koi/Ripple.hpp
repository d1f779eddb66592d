#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen::koi {

struct Ripple {
    Float2 position;
    double born = 0;  // pond time
    float strength = 0;
};

}  // namespace lumen::koi
