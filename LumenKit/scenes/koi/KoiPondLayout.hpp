#pragma once

#include <cstddef>

namespace lumen::koi {

struct KoiPondLayout {
    static constexpr std::size_t spinePoints = 8;
    static constexpr std::size_t maxRipples = 14;
};

}  // namespace lumen::koi
