#pragma once

#include "gpu/CommandBuffer.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace lumen::app {

class SceneSurfaceView;

enum class FrameStatus { pending, completed, failed };

// Where a frame's completion and GPU times come from when it is not a real command buffer
// (tests stand in for the GPU with these).
class FrameCompletion {
public:
    virtual ~FrameCompletion() = default;
    virtual FrameStatus status() = 0;
    // GPU clock, seconds; only the difference counts.
    virtual double gpuStartTime() const = 0;
    virtual double gpuEndTime() const = 0;
};

// One display drawn by a frame, for splitting the frame's GPU time. `surface` is cleared when the
// surface goes away before the frame is accounted; its pixels still count in the split.
struct DrawnSurface {
    SceneSurfaceView* surface = nullptr;
    std::int64_t pixels = 0;
};

// A committed frame not yet accounted: its command buffer (or a stand-in) and who it drew.
struct InFlightFrame {
    std::optional<gpu::CommandBuffer> commandBuffer;
    FrameCompletion* standIn = nullptr;
    std::vector<DrawnSurface> drawn;
    // Seconds the main thread spent in calls that wait for the GPU (presenting, committing).
    double waitSeconds = 0;

    FrameStatus status();
    double gpuSeconds() const;
    std::int64_t drawnPixels() const;
};

// The frames in flight, oldest first. Slots are recycled, so the steady state allocates nothing
// beyond what the command buffers themselves need.
class InFlightFrames {
public:
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    InFlightFrame& operator[](std::size_t i) { return slots_[i]; }

    // A cleared slot after the others.
    InFlightFrame& push();
    // Removes frame i, keeping the others in order.
    void remove(std::size_t i);
    // A stand-in frame (tests): pending until `completion` says otherwise.
    void pushStandIn(FrameCompletion& completion, std::vector<DrawnSurface> drawn);
    // The surface is gone: its records stay for the split but no longer point at it.
    void forget(const SceneSurfaceView* surface);
    // Blocks until every real command buffer has completed (quit, tests).
    void waitUntilCompleted(double timeoutSeconds = 10.0);

private:
    std::vector<InFlightFrame> slots_;
    std::size_t count_ = 0;
};

}  // namespace lumen::app
