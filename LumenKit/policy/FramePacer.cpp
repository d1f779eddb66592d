#include "LumenKit/policy/FramePacer.hpp"

#include <cmath>

namespace lumen {

void FramePacer::setTarget(int rate) {
    int target = clampedRate(rate);
    if (target == targetFPS_) return;
    targetFPS_ = target;
    nextDue_.reset();
}

bool FramePacer::shouldDraw(double now, double tickInterval) {
    // A bogus timestamp would poison the schedule for good; skip that callback instead.
    if (!std::isfinite(now)) return false;
    // Likewise a bogus interval must not turn the early-acceptance window into "always".
    if (!std::isfinite(tickInterval) || tickInterval < 0) tickInterval = 0;

    const double framePeriod = period();
    if (!nextDue_) {
        nextDue_ = now + framePeriod;
        return true;
    }
    // Accept up to half a callback early, so a 30 fps cap on 60 Hz lands on every second one.
    if (*nextDue_ > now + 0.5 * tickInterval) return false;

    const double lateness = now - *nextDue_;
    if (framePeriod < lateness) {
        // After a stall, restart from here instead of drawing a burst of catch-up frames.
        nextDue_ = now + framePeriod;
    } else {
        *nextDue_ += framePeriod;
    }
    return true;
}

}  // namespace lumen
