#include "LumenKit/policy/PowerContext.hpp"

namespace lumen::ThermalLevelInfo {

std::optional<ThermalLevel> fromRawValue(int raw) {
    for (ThermalLevel level : allCases) {
        if (rawValue(level) == raw) return level;
    }
    return std::nullopt;
}

std::string_view name(ThermalLevel level) {
    switch (level) {
        case ThermalLevel::nominal: return "nominal";
        case ThermalLevel::fair: return "fair";
        case ThermalLevel::serious: return "serious";
        case ThermalLevel::critical: return "critical";
    }
    return "nominal";
}

}  // namespace lumen::ThermalLevelInfo
