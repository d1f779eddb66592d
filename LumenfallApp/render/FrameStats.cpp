#include "render/FrameStats.hpp"

namespace lumen::app {

void FrameStats::addGPU(double seconds) {
    if (!(seconds > 0 && seconds <= maxFrameGPUSeconds)) return;
    {
        std::lock_guard lock(stateLock_);
        state_.gpuSeconds += seconds;
    }
    std::lock_guard lock(autoLock_);
    auto_ += seconds;
}

void FrameStats::add(std::int64_t Totals::*counter) {
    std::lock_guard lock(stateLock_);
    state_.*counter += 1;
}

void FrameStats::addEncode(double seconds) {
    std::lock_guard lock(stateLock_);
    state_.encodeSeconds += seconds;
}

void FrameStats::addSim(double seconds) {
    std::lock_guard lock(stateLock_);
    state_.simSeconds += seconds;
}

void FrameStats::addWork(const gpu::WorkCounters& work) {
    std::lock_guard lock(stateLock_);
    state_.work += work;
}

Totals FrameStats::takeTotals() {
    std::lock_guard lock(stateLock_);
    Totals copy = state_;
    state_ = Totals{};
    return copy;
}

double FrameStats::takeAuto() {
    std::lock_guard lock(autoLock_);
    double copy = auto_;
    auto_ = 0;
    return copy;
}

Totals FrameStats::totals() const {
    std::lock_guard lock(stateLock_);
    return state_;
}

double FrameStats::autoSeconds() const {
    std::lock_guard lock(autoLock_);
    return auto_;
}

}  // namespace lumen::app
