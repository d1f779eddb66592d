#pragma once

#include <string_view>

namespace lumen::app::XResources {

// Pixels per point from the X resource database text (the root's RESOURCE_MANAGER): Xft.dpi / 96,
// or 1.0 when it is absent or not a positive number.
double backingScale(std::string_view resources);

}  // namespace lumen::app::XResources
