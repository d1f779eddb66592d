#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace lumen::app::Edid {

// The monitor's product name from its EDID's display descriptors (tag 0xFC); empty when the
// block is too short, has no name descriptor or a wrong header.
std::string productName(std::span<const std::uint8_t> edid);

}  // namespace lumen::app::Edid
