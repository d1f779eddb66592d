#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen::castle {

struct CastlePose {
    Float3 eye;
    Float3 target;
};

// The viewer on the near bank, drifting slowly; other displays stand further along the shore.
struct CastleCamera {
    Float3 eye{6, 7, -95};
    Float3 target{-2, 37, -430};
    Float2 parallaxReach{6, 2};

    CastlePose pose(int displayIndex, double t, Float2 parallax) const;
};

}  // namespace lumen::castle
