#pragma once

#include <optional>

namespace lumen {

// Turns a stream of display callbacks into an even sequence of frames at one display's cap.
// The cadence is anchored to the previous due time, so callback jitter does not drift it, and
// it never catches up after a stall. Constant time, no allocation: it runs on every callback.
class FramePacer {
public:
    explicit FramePacer(int rate) : targetFPS_(clampedRate(rate)) {}

    int targetFPS() const { return targetFPS_; }
    std::optional<double> nextDue() const { return nextDue_; }
    double period() const { return 1.0 / targetFPS_; }

    // A different rate restarts the schedule; the same rate keeps the running cadence.
    void setTarget(int rate);
    // The next callback draws at once (used when animation resumes).
    void reset() { nextDue_.reset(); }

    // `now`: the callback's target presentation time; `tickInterval`: the smoothed time between
    // callbacks. Whether this display draws now; advances the schedule when it does.
    bool shouldDraw(double now, double tickInterval);

    bool operator==(const FramePacer&) const = default;

private:
    static int clampedRate(int rate) { return rate < 1 ? 1 : rate; }

    int targetFPS_;
    std::optional<double> nextDue_;
};

}  // namespace lumen
