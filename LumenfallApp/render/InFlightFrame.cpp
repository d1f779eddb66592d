#include "render/InFlightFrame.hpp"

#include <algorithm>
#include <utility>

namespace lumen::app {

FrameStatus InFlightFrame::status() {
    if (standIn) return standIn->status();
    if (!commandBuffer) return FrameStatus::failed;
    // The GL layer reports no errors per command buffer; a fence that signals means done.
    return commandBuffer->status() == gpu::CommandBufferStatus::completed ? FrameStatus::completed
                                                                          : FrameStatus::pending;
}

double InFlightFrame::gpuSeconds() const {
    if (standIn) return standIn->gpuEndTime() - standIn->gpuStartTime();
    if (!commandBuffer) return 0;
    return commandBuffer->gpuEndTime() - commandBuffer->gpuStartTime();
}

std::int64_t InFlightFrame::drawnPixels() const {
    std::int64_t total = 0;
    for (const auto& d : drawn) total += d.pixels;
    return total;
}

InFlightFrame& InFlightFrames::push() {
    if (count_ == slots_.size()) slots_.emplace_back();
    InFlightFrame& slot = slots_[count_++];
    slot.commandBuffer.reset();
    slot.standIn = nullptr;
    slot.drawn.clear();
    slot.waitSeconds = 0;
    return slot;
}

void InFlightFrames::remove(std::size_t i) {
    if (i >= count_) return;
    InFlightFrame& slot = slots_[i];
    slot.commandBuffer.reset();
    slot.standIn = nullptr;
    slot.drawn.clear();
    // The emptied slot moves behind the live ones, its record list keeping its capacity.
    std::rotate(slots_.begin() + static_cast<std::ptrdiff_t>(i), slots_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                slots_.begin() + static_cast<std::ptrdiff_t>(count_));
    --count_;
}

void InFlightFrames::pushStandIn(FrameCompletion& completion, std::vector<DrawnSurface> drawn) {
    InFlightFrame& slot = push();
    slot.standIn = &completion;
    slot.drawn = std::move(drawn);
}

void InFlightFrames::forget(const SceneSurfaceView* surface) {
    for (std::size_t i = 0; i < count_; ++i) {
        for (auto& d : slots_[i].drawn) {
            if (d.surface == surface) d.surface = nullptr;
        }
    }
}

void InFlightFrames::waitUntilCompleted(double timeoutSeconds) {
    for (std::size_t i = 0; i < count_; ++i) {
        if (slots_[i].commandBuffer) slots_[i].commandBuffer->waitUntilCompleted(timeoutSeconds);
    }
}

}  // namespace lumen::app
