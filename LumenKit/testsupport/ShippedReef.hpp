#pragma once

#include "LumenKit/scenes/reef/ReefLayout.hpp"

namespace reeftest {

// The shipped reef layout, built once for the whole test program: the meshes, the fish and the
// simulation tests all read the same one.
inline const lumen::reef::ReefLayout& shippedReef() {
    static const lumen::reef::ReefLayout layout(lumen::reef::ReefLayout::shippedSeed);
    return layout;
}

}  // namespace reeftest
