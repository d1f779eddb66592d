#pragma once

#include "gpu/WorkCounters.hpp"

#include <cstdint>
#include <mutex>

namespace lumen::app {

// One period's counters. Surfaces count frames, stills and their share of GPU time; the driver
// counts everything else and the whole GPU time.
struct Totals {
    std::int64_t frames = 0;
    std::int64_t stills = 0;
    std::int64_t commandBuffers = 0;
    double gpuSeconds = 0;
    double encodeSeconds = 0;
    std::int64_t skippedBusy = 0;
    std::int64_t ticks = 0;
    double simSeconds = 0;
    gpu::WorkCounters work;  // what the committed command buffers asked of the GPU

    bool operator==(const Totals&) const = default;
};

// Counters read and reset by the measurement and the performance timer while the frame loop adds
// to them. Each value has its own lock, held for a few operations and never across the other.
class FrameStats {
public:
    // The longest GPU time one frame can plausibly take: a software rasteriser spends seconds on
    // a large frame, a garbled timer reading gives hours or less than nothing.
    static constexpr double maxFrameGPUSeconds = 60;

    // Adds GPU time to the totals and to the auto-quality accumulator; values outside
    // (0, maxFrameGPUSeconds] are bogus and ignored.
    void addGPU(double seconds);

    void addFrame() { add(&Totals::frames); }
    void addStill() { add(&Totals::stills); }
    void addCommandBuffer() { add(&Totals::commandBuffers); }
    void addSkippedBusy() { add(&Totals::skippedBusy); }
    void addTick() { add(&Totals::ticks); }
    void addEncode(double seconds);
    void addSim(double seconds);
    void addWork(const gpu::WorkCounters& work);

    // Read and reset.
    Totals takeTotals();
    double takeAuto();

    // Read only (tests, the settings window).
    Totals totals() const;
    double autoSeconds() const;

private:
    void add(std::int64_t Totals::*counter);

    mutable std::mutex stateLock_;
    Totals state_;
    mutable std::mutex autoLock_;
    double auto_ = 0;
};

}  // namespace lumen::app
