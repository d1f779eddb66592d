#include "LumenKit/catalog/LumenSettings.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

// Whatever bytes arrive, decoding must not fail, and a repaired record must survive a trip
// through its own JSON unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const lumen::LumenSettings first = lumen::LumenSettings::decode(text).normalized();

    const auto encoded = first.encode();
    if (!encoded) {
        // Decoded text is always valid UTF-8, so its record must always encode.
        std::abort();
    }
    const lumen::LumenSettings second = lumen::LumenSettings::decode(*encoded).normalized();
    if (!(second == first)) {
        std::abort();
    }
    const auto reencoded = second.encode();
    if (!reencoded || *reencoded != *encoded) {
        std::abort();
    }
    return 0;
}
