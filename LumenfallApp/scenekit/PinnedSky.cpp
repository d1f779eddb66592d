#include "scenekit/PinnedSky.hpp"

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/sky/SkyClock.hpp"

namespace lumen::app {

const SkyState& PinnedSky::at(const SkyState& frameSky, const date::time_zone* zone) {
    if (!cached_ || cached_->first != frameSky.date) {
        // Four decimals (about ten metres) keep float noise in the frame's place from mattering.
        const Place place{"", Place::truncated(frameSky.latitude, 4), Place::truncated(frameSky.longitude, 4)};
        cached_.emplace(frameSky.date, SkyClock::state(frameSky.date, hour_, place, zone));
        ++computations_;
    }
    return cached_->second;
}

}  // namespace lumen::app
