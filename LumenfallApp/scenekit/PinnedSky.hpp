#pragma once

#include "LumenKit/sky/SkyState.hpp"

#include <optional>
#include <utility>

namespace date {
class time_zone;
}

namespace lumen::app {

// The sky of one fixed clock hour on the frame sky's day, at the frame sky's place. The almanac
// runs only when the frame's instant changes: a paused or repeated frame reuses the last answer.
class PinnedSky {
public:
    explicit PinnedSky(double hour) : hour_(hour) {}

    const SkyState& at(const SkyState& frameSky, const date::time_zone* zone);

    double hour() const { return hour_; }
    // How often the almanac ran, for tests.
    int computations() const { return computations_; }

private:
    double hour_;
    std::optional<std::pair<SkyState::Instant, SkyState>> cached_;
    int computations_ = 0;
};

}  // namespace lumen::app
