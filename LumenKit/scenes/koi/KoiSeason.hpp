#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumen::koi {

enum class KoiSeason { spring, summer, autumn, winter };

// The season the pond shows: a fixed choice by name, otherwise the one the day of the year falls
// in, swapped south of the equator.
KoiSeason resolveSeason(const std::optional<std::string>& option, std::int64_t dayOfYear, double latitude);

}  // namespace lumen::koi
