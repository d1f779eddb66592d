#include "platform/x11/Edid.hpp"

#include <algorithm>

namespace lumen::app::Edid {

std::string productName(std::span<const std::uint8_t> edid)
{
    static constexpr std::uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    if (edid.size() < 128 || !std::equal(std::begin(header), std::end(header), edid.begin())) {
        return {};
    }
    // Four 18-byte descriptors follow the base block's timings; a display descriptor starts with
    // a zero pixel clock, and its text runs up to a line feed, padded with spaces.
    for (std::size_t offset = 54; offset + 18 <= 126; offset += 18) {
        const auto d = edid.subspan(offset, 18);
        if (d[0] != 0 || d[1] != 0 || d[2] != 0 || d[3] != 0xFC) {
            continue;
        }
        std::string name;
        for (std::size_t i = 5; i < 18 && d[i] != 0x0A; ++i) {
            name.push_back(static_cast<char>(d[i]));
        }
        while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) {
            name.pop_back();
        }
        return name;
    }
    return {};
}

}  // namespace lumen::app::Edid
