#include "LumenKit/scenes/koi/KoiSeason.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"

namespace lumen::koi {

namespace {

namespace names = SceneOptionNames::zenKoiPond;

KoiSeason fromDay(std::int64_t day) {
    if (day >= 60 && day <= 151) return KoiSeason::spring;
    if (day >= 152 && day <= 243) return KoiSeason::summer;
    if (day >= 244 && day <= 334) return KoiSeason::autumn;
    return KoiSeason::winter;
}

KoiSeason opposite(KoiSeason season) {
    switch (season) {
    case KoiSeason::spring: return KoiSeason::autumn;
    case KoiSeason::summer: return KoiSeason::winter;
    case KoiSeason::autumn: return KoiSeason::spring;
    case KoiSeason::winter: return KoiSeason::summer;
    }
    return season;
}

}  // namespace

KoiSeason resolveSeason(const std::optional<std::string>& option, std::int64_t dayOfYear, double latitude) {
    if (option == names::seasonSpring) return KoiSeason::spring;
    if (option == names::seasonSummer) return KoiSeason::summer;
    if (option == names::seasonAutumn) return KoiSeason::autumn;
    if (option == names::seasonWinter) return KoiSeason::winter;
    const KoiSeason byDate = fromDay(dayOfYear);
    return latitude < 0 ? opposite(byDate) : byDate;
}

}  // namespace lumen::koi
