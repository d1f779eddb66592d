#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen::rainglass {

// One drop of water on the pane, in pane units (1 high, aspect wide, y downward).
struct RainDrop {
    Float2 position;
    float radius = 0;
    float speed = 0;          // downward, units per second; 0 rests
    float wobble = 0;         // sideways slope, -0.6...0.6
    float seed = 0;           // per-drop constant in [0, 1)
    float trailDistance = 0;  // moved since the last trail droplet
    float pause = 0;          // seconds left stuck; 0 slides
    float age = 0;
};

}  // namespace lumen::rainglass
