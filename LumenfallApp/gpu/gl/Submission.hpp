#pragma once

// Internal: the part of a command buffer the GPU's completion is tracked through. Shared, so a
// completion handler still runs after the command buffer itself is gone.

#include "gpu/CommandBuffer.hpp"
#include "gpu/WorkCounters.hpp"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::gpu::detail {

struct Submission {
    std::string label;
    CommandBufferStatus state = CommandBufferStatus::notCommitted;
    void* fence = nullptr;
    unsigned queries[2] = {0, 0};
    double start = 0.0;
    double end = 0.0;
    bool groupOpen = false;
    std::vector<std::function<void(double, double)>> handlers;
    WorkCounters counters;

    Submission() = default;
    Submission(const Submission&) = delete;
    Submission& operator=(const Submission&) = delete;
    ~Submission();

    // Zero time-out; moves to `completed` once the fence has signalled and both times are in.
    CommandBufferStatus poll();
    // Runs and clears the handlers once completed.
    void runHandlers();
    // Readies a submission nobody holds any more for the next command buffer: a fresh state and
    // counters, the same queries, the label's storage reused.
    void recycle(std::string_view newLabel);
};

}  // namespace lumen::gpu::detail
