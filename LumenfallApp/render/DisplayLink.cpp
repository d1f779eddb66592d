#include "render/DisplayLink.hpp"

#include <QSocketNotifier>

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace lumen::app {
namespace {

constexpr double fallbackRefresh = 60;

timespec toTimespec(double seconds) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(std::floor(seconds));
    ts.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    if (ts.tv_nsec >= 1'000'000'000L) {
        ts.tv_sec += 1;
        ts.tv_nsec -= 1'000'000'000L;
    }
    return ts;
}

}  // namespace

double DisplayLink::now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

DisplayLink::DisplayLink(Callback callback, double refreshRate)
    : callback_(std::move(callback)), refresh_(refreshRate > 0 ? refreshRate : fallbackRefresh) {
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0) return;  // never ticks; the driver simply draws nothing
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    notifier_->setEnabled(false);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { fired(); });
}

DisplayLink::~DisplayLink() { invalidate(); }

double DisplayLink::rate() const {
    double wanted = preferred_ > 0 ? preferred_ : refresh_;
    if (maximum_ > 0) wanted = std::min(wanted, static_cast<double>(maximum_));
    if (minimum_ > 0) wanted = std::max(wanted, static_cast<double>(minimum_));
    return std::min(std::max(wanted, 1.0), refresh_);
}

void DisplayLink::setPreferredFrameRateRange(float minimum, float maximum, float preferred) {
    minimum_ = minimum;
    maximum_ = maximum;
    preferred_ = preferred;
    if (!paused_) arm();
}

void DisplayLink::setRefreshRate(double hz) {
    refresh_ = hz > 0 ? hz : fallbackRefresh;
    if (!paused_) arm();
}

void DisplayLink::setPaused(bool paused) {
    if (fd_ < 0) return;  // invalidated: stays paused
    if (paused == paused_) return;
    paused_ = paused;
    if (paused) {
        disarm();
    } else {
        arm();
    }
}

void DisplayLink::invalidate() {
    paused_ = true;
    if (fd_ < 0) return;
    disarm();
    // From inside our own callback the notifier is the one emitting: it goes once control is back
    // in the loop.
    if (inCallback_) {
        notifier_.release()->deleteLater();
    } else {
        notifier_.reset();
    }
    ::close(fd_);
    fd_ = -1;
}

void DisplayLink::arm() {
    if (fd_ < 0) return;
    period_ = 1.0 / rate();
    start_ = now() + period_;
    expirations_ = 0;
    itimerspec spec{};
    spec.it_value = toTimespec(start_);
    spec.it_interval = toTimespec(period_);
    timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr);
    notifier_->setEnabled(true);
}

void DisplayLink::disarm() {
    if (fd_ < 0) return;
    itimerspec off{};
    timerfd_settime(fd_, 0, &off, nullptr);
    notifier_->setEnabled(false);
    // Drop an expiry that was already pending so it is not reported after a resume.
    std::uint64_t pending = 0;
    [[maybe_unused]] auto ignored = ::read(fd_, &pending, sizeof pending);
}

void DisplayLink::fired() {
    std::uint64_t count = 0;
    if (::read(fd_, &count, sizeof count) != static_cast<ssize_t>(sizeof count) || count == 0) return;
    if (paused_) return;
    // Missed expiries are skipped, not replayed: one callback for the latest one.
    expirations_ += count;
    target_ = start_ + static_cast<double>(expirations_) * period_;
    inCallback_ = true;
    if (callback_) callback_(*this);
    inCallback_ = false;
}

}  // namespace lumen::app
