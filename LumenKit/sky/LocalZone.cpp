#include "LumenKit/sky/LocalZone.hpp"

#include <date/tz.h>

#include <exception>

namespace lumen {

const date::time_zone* localZone() {
    try {
        return date::current_zone();
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace lumen
