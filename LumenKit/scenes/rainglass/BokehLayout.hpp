#pragma once

#include "LumenKit/scenes/rainglass/BokehLight.hpp"

#include <cstdint>
#include <string_view>
#include <vector>

namespace lumen::rainglass {

// Where the blurred lights sit for each view: "cafe" looks into the café, anything else out to
// the street. The same seed always gives the same lights.
struct BokehLayout {
    static std::vector<BokehLight> lights(std::string_view view, std::uint64_t seed);
};

}  // namespace lumen::rainglass
