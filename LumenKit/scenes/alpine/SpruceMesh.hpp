#pragma once

#include "LumenKit/core/Mesh.hpp"

namespace lumen::alpine {

// One spruce of unit height and unit crown radius, base at the origin; instances scale it.
// Position w is the height fraction (0 at the base), used for sway; colour alpha marks needles.
Mesh spruceMesh(int detail);

}  // namespace lumen::alpine
