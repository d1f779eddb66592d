// Arbitrary bytes as a forecast answer, an HTTP date header and a step time: none of the
// readers may crash, throw or hand back values outside their documented ranges.
#include "LumenKit/weather/METNorway.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumen;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto now = std::chrono::system_clock::time_point{std::chrono::seconds{1634040000}};

    const METNorway::ParseResult result = METNorway::parse(bytes, now);
    if (const auto* state = std::get_if<WeatherState>(&result)) {
        const bool inRange = state->cloudCover >= 0 && state->cloudCover <= 1 && state->fog >= 0 &&
                             state->fog <= 1 && state->precipitation >= 0 &&
                             state->precipitation <= 1 && std::isfinite(state->temperature) &&
                             std::isfinite(state->windSpeed) && std::isfinite(state->windFrom);
        if (!inRange) {
            std::abort();
        }
        (void)state->summary();
    }

    (void)METNorway::parseHTTPDate(std::string(bytes));
    (void)METNorway::parseISO8601(bytes);
    return 0;
}
