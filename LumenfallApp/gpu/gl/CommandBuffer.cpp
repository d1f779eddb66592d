#include "gpu/CommandBuffer.hpp"

#include "gpu/BlitEncoder.hpp"
#include "gpu/ComputeEncoder.hpp"
#include "gpu/Device.hpp"
#include "gpu/RenderEncoder.hpp"
#include "gpu/gl/Runtime.hpp"
#include "gpu/gl/Submission.hpp"
#include "gpu/gl/UniformRing.hpp"

#include <epoxy/gl.h>

#include <chrono>
#include <thread>
#include <utility>

namespace lumen::gpu {

const char* toString(CommandBufferStatus status)
{
    switch (status) {
    case CommandBufferStatus::notCommitted: return "notCommitted";
    case CommandBufferStatus::committed: return "committed";
    case CommandBufferStatus::completed: return "completed";
    }
    return "unknown";
}

CommandBuffer::CommandBuffer(Device& device, std::string_view label)
    : device_(&device), submission_(device.freeSubmission())
{
    auto& s = *submission_;
    s.recycle(label.empty() ? std::string_view("command buffer") : label);
    glPushDebugGroup(GL_DEBUG_SOURCE_APPLICATION, 0, static_cast<GLsizei>(s.label.size()), s.label.c_str());
    s.groupOpen = true;
    if (device.info().timestampBits > 0) {
        if (s.queries[0] == 0) {
            glGenQueries(2, s.queries);
        }
        glQueryCounter(s.queries[0], GL_TIMESTAMP);
    }
    if (auto* rt = detail::runtime()) {
        s.counters.bytesUploaded = std::exchange(rt->unclaimedUploadBytes, 0);
        rt->recording = &s.counters;
    }
}

CommandBuffer::CommandBuffer(CommandBuffer&&) noexcept = default;

CommandBuffer& CommandBuffer::operator=(CommandBuffer&& other) noexcept
{
    if (this != &other) {
        abandon();
        device_ = other.device_;
        submission_ = std::move(other.submission_);
    }
    return *this;
}

CommandBuffer::~CommandBuffer() { abandon(); }

static void stopRecording(detail::Submission& s)
{
    if (auto* rt = detail::runtime(); rt && rt->recording == &s.counters) {
        rt->recording = nullptr;
    }
}

void CommandBuffer::abandon()
{
    if (!submission_) {
        return;
    }
    stopRecording(*submission_);
    // An uncommitted buffer's GL work already ran; only its debug group is left to close.
    if (submission_->groupOpen && detail::runtime()) {
        glPopDebugGroup();
        submission_->groupOpen = false;
    }
}

const std::string& CommandBuffer::label() const { return submission_->label; }

const WorkCounters& CommandBuffer::counters() const { return submission_->counters; }

static Error notEncodable(const detail::Submission& s)
{
    if (s.state != CommandBufferStatus::notCommitted) {
        return makeError(ErrorKind::invalidDescriptor, "command buffer \"" + s.label + "\" is already committed");
    }
    return makeError(ErrorKind::invalidDescriptor,
                     "command buffer \"" + s.label + "\": another encoder has not ended yet");
}

static bool canEncode(const detail::Submission& s)
{
    return s.state == CommandBufferStatus::notCommitted && detail::runtime() && !detail::runtime()->encoderOpen;
}

Result<RenderEncoder> CommandBuffer::renderEncoder(const RenderPassDescriptor& pass, std::string_view label)
{
    if (!canEncode(*submission_)) {
        detail::violation(notEncodable(*submission_).message);
        return notEncodable(*submission_);
    }
    return RenderEncoder::begin(*device_, submission_->counters, pass, label);
}

Result<ComputeEncoder> CommandBuffer::computeEncoder(std::string_view label)
{
    if (!canEncode(*submission_)) {
        detail::violation(notEncodable(*submission_).message);
        return notEncodable(*submission_);
    }
    return ComputeEncoder::begin(*device_, submission_->counters, label);
}

Result<BlitEncoder> CommandBuffer::blitEncoder(std::string_view label)
{
    if (!canEncode(*submission_)) {
        detail::violation(notEncodable(*submission_).message);
        return notEncodable(*submission_);
    }
    return BlitEncoder::begin(*device_, label);
}

void CommandBuffer::commit()
{
    auto& s = *submission_;
    if (s.state != CommandBufferStatus::notCommitted || !detail::runtime()) {
        detail::violation("command buffer \"" + s.label + "\" committed twice");
        return;
    }
    if (detail::runtime()->encoderOpen) {
        detail::violation("command buffer \"" + s.label + "\" committed while an encoder is still open");
    }
    stopRecording(s);
    if (s.queries[0] != 0) {
        glQueryCounter(s.queries[1], GL_TIMESTAMP);
    }
    if (s.groupOpen) {
        glPopDebugGroup();
        s.groupOpen = false;
    }
    device_->uniformRing().fence();
    s.fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    // Without a flush the fence might never reach the GPU, and polling would wait forever.
    glFlush();
    s.state = CommandBufferStatus::committed;
    if (!s.handlers.empty()) {
        device_->track(submission_);
    }
}

CommandBufferStatus CommandBuffer::status() const
{
    const auto state = submission_->poll();
    if (state == CommandBufferStatus::completed) {
        submission_->runHandlers();
    }
    return state;
}

bool CommandBuffer::waitUntilCompleted(double timeoutSeconds)
{
    auto& s = *submission_;
    if (s.state == CommandBufferStatus::notCommitted) {
        detail::violation("waitUntilCompleted on command buffer \"" + s.label + "\" before commit()");
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    if (s.state == CommandBufferStatus::committed) {
        glClientWaitSync(static_cast<GLsync>(s.fence), GL_SYNC_FLUSH_COMMANDS_BIT,
                         static_cast<GLuint64>(timeoutSeconds * 1e9));
    }
    while (status() != CommandBufferStatus::completed) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        // Fence signalled but a timestamp not yet in: brief sleeps rather than a busy spin.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

double CommandBuffer::gpuStartTime() const
{
    return submission_->state == CommandBufferStatus::completed ? submission_->start : 0.0;
}

double CommandBuffer::gpuEndTime() const
{
    return submission_->state == CommandBufferStatus::completed ? submission_->end : 0.0;
}

void CommandBuffer::addCompletedHandler(std::function<void(double, double)> handler)
{
    auto& s = *submission_;
    s.handlers.push_back(std::move(handler));
    if (s.state == CommandBufferStatus::committed) {
        device_->track(submission_);
    } else if (s.state == CommandBufferStatus::completed) {
        s.runHandlers();
    }
}

}  // namespace lumen::gpu
