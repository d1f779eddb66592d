#pragma once

#include "render/FrameLink.hpp"

#include <cstdint>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace lumen::app {

// The frame link of a display: a timerfd on CLOCK_MONOTONIC watched by the main thread's event
// loop. It fires at the preferred rate, never faster than the followed display refreshes, and
// reports as target time the tick's own expiry plus one period (when its frame can be shown).
// Paused or invalidated, the timer is disarmed and the notifier off: no wake-ups at all.
class DisplayLink final : public FrameLink {
public:
    using Callback = std::function<void(FrameLink&)>;

    // `refreshRate`: the followed display's refresh rate in Hz; 0 or less when unknown (60 then).
    // Starts paused. Needs a running Qt event loop on this thread to tick.
    DisplayLink(Callback callback, double refreshRate);
    // Not from inside its own callback (the frame driver keeps a replaced link a while for that).
    ~DisplayLink() override;
    DisplayLink(const DisplayLink&) = delete;
    DisplayLink& operator=(const DisplayLink&) = delete;

    void setPreferredFrameRateRange(float minimum, float maximum, float preferred) override;
    void setPaused(bool paused) override;
    bool paused() const override { return paused_; }
    double targetTimestamp() const override { return target_; }
    void invalidate() override;

    void setRefreshRate(double hz);
    double refreshRate() const { return refresh_; }
    // The rate the timer runs at: the preferred rate within the range, capped by the refresh rate.
    double rate() const;
    bool valid() const { return fd_ >= 0; }

    // CLOCK_MONOTONIC in seconds.
    static double now();

private:
    void arm();
    void disarm();
    void fired();

    Callback callback_;
    double refresh_ = 60;
    float minimum_ = 0;
    float maximum_ = 0;
    float preferred_ = 0;
    bool paused_ = true;
    bool inCallback_ = false;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    double start_ = 0;             // first expiry of the current arming
    std::uint64_t expirations_ = 0;  // since then
    double period_ = 0;
    double target_ = 0;
};

}  // namespace lumen::app
