#include "platform/x11/XResources.hpp"

#include <charconv>

namespace lumen::app::XResources {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

double backingScale(std::string_view resources)
{
    double scale = 1.0;
    while (!resources.empty()) {
        const auto end = resources.find('\n');
        std::string_view line = resources.substr(0, end);
        resources = end == std::string_view::npos ? std::string_view{} : resources.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || trim(line.substr(0, colon)) != "Xft.dpi") {
            continue;
        }
        const std::string_view value = trim(line.substr(colon + 1));
        double dpi = 0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), dpi);
        // The last entry wins, as in the resource database.
        scale = (ec == std::errc{} && ptr == value.data() + value.size() && dpi > 0) ? dpi / 96.0 : 1.0;
    }
    return scale;
}

}  // namespace lumen::app::XResources
