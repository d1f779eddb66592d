#pragma once

namespace lumen::app {

// A display-synchronised callback: ticks at a requested rate and reports the target time of each
// tick. Paused, it does not wake the process at all. DisplayLink is the real one; tests drive the
// frame driver with their own.
class FrameLink {
public:
    virtual ~FrameLink() = default;

    // The wanted rate, frames per second, with the slack the link may use below it.
    virtual void setPreferredFrameRateRange(float minimum, float maximum, float preferred) = 0;
    virtual void setPaused(bool paused) = 0;
    virtual bool paused() const = 0;
    // Monotonic seconds at which the frame drawn in the current tick is meant to be shown.
    virtual double targetTimestamp() const = 0;
    // Stops the link for good; it never ticks again.
    virtual void invalidate() = 0;
};

}  // namespace lumen::app
