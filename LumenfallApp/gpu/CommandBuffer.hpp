#pragma once

#include "gpu/Result.hpp"
#include "gpu/WorkCounters.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace lumen::gpu {

class BlitEncoder;
class ComputeEncoder;
class Device;
class RenderEncoder;
struct RenderPassDescriptor;

enum class CommandBufferStatus { notCommitted, committed, completed };

const char* toString(CommandBufferStatus status);

namespace detail {
struct Submission;
}

// One frame's (or one still's) GPU work. GL executes encoder calls as they are made; the command
// buffer brackets them with timestamp queries and a debug group, and commit() fences them so
// completion can be polled without blocking. Making one allocates nothing once the device has
// recycled a few (every frame makes one).
class CommandBuffer {
public:
    CommandBuffer(CommandBuffer&&) noexcept;
    CommandBuffer& operator=(CommandBuffer&&) noexcept;
    CommandBuffer(const CommandBuffer&) = delete;
    CommandBuffer& operator=(const CommandBuffer&) = delete;
    ~CommandBuffer();

    // One encoder at a time: the previous one must have ended.
    Result<RenderEncoder> renderEncoder(const RenderPassDescriptor& pass, std::string_view label = {});
    Result<ComputeEncoder> computeEncoder(std::string_view label = {});
    Result<BlitEncoder> blitEncoder(std::string_view label = {});

    // Ends the buffer's work: records the end time, inserts a fence and flushes.
    void commit();
    // Polls with a zero time-out; never blocks. `completed` implies the GPU times are known.
    CommandBufferStatus status() const;
    // Blocks until completed or `timeoutSeconds` pass; true when completed.
    bool waitUntilCompleted(double timeoutSeconds = 10.0);

    // GPU clock, seconds; only the difference is meaningful. 0 until completed.
    double gpuStartTime() const;
    double gpuEndTime() const;

    // Runs once, on the main thread, from whichever call first sees completion: status(),
    // waitUntilCompleted() or Device::pollCompletions(). Survives the command buffer's destruction.
    void addCompletedHandler(std::function<void(double gpuStartTime, double gpuEndTime)> handler);

    const std::string& label() const;

    // The work recorded so far, from the encoders made from it. Uploads, which no encoder makes,
    // count in the newest command buffer not yet committed; those made while none was (a scene's
    // update, before the frame's command buffer) count in the next one made. Read it any time, on
    // the main thread; it stops growing at commit().
    const WorkCounters& counters() const;

private:
    friend class Device;
    CommandBuffer(Device& device, std::string_view label);
    void abandon();

    Device* device_ = nullptr;
    std::shared_ptr<detail::Submission> submission_;
};

}  // namespace lumen::gpu
