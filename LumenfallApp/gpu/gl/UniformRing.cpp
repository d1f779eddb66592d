#include "gpu/gl/UniformRing.hpp"

#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

#include <cstring>
#include <string>

namespace lumen::gpu::detail {

namespace {

std::uint64_t alignUp(std::uint64_t value, std::uint64_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

constexpr std::size_t padding = 16;  // std140 rounds blocks up to vec4; bind at least that much

}  // namespace

UniformRing::UniformRing(std::size_t capacity, std::size_t alignment)
    : capacity_(alignUp(capacity, alignment)), alignment_(alignment)
{
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(capacity_), nullptr, GL_STREAM_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    labelObject(GL_BUFFER, buffer_, "uniform ring");
}

UniformRing::~UniformRing()
{
    if (!runtime()) {
        return;
    }
    for (std::size_t i = 0; i < count_; ++i) {
        glDeleteSync(static_cast<GLsync>(pending_[(first_ + i) % maxPending].sync));
    }
    glDeleteBuffers(1, &buffer_);
}

bool UniformRing::retireOldest(bool wait)
{
    if (count_ == 0) {
        return false;
    }
    auto sync = static_cast<GLsync>(oldest().sync);
    GLenum state = glClientWaitSync(sync, 0, 0);
    if (state == GL_TIMEOUT_EXPIRED && wait) {
        ++waits_;
        note("uniform ring is full: waiting for the GPU to finish an older command buffer");
        do {
            state = glClientWaitSync(sync, GL_SYNC_FLUSH_COMMANDS_BIT, 100'000'000);
        } while (state == GL_TIMEOUT_EXPIRED);
    }
    if (state == GL_TIMEOUT_EXPIRED) {
        return false;
    }
    // WAIT_FAILED means the context is gone; nothing will read the ring again either way.
    retired_ = oldest().end;
    glDeleteSync(sync);
    oldest() = {};
    first_ = (first_ + 1) % maxPending;
    --count_;
    return true;
}

Result<UniformRing::Slice> UniformRing::push(const void* bytes, std::size_t size)
{
    const std::size_t padded = alignUp(size == 0 ? 1 : size, padding);
    if (padded > capacity_) {
        return makeError(ErrorKind::invalidDescriptor, std::to_string(size) +
                                                           " bytes do not fit the uniform ring of " +
                                                           std::to_string(capacity_));
    }
    std::uint64_t at = alignUp(head_, alignment_);
    if (at % capacity_ + padded > capacity_) {
        at = alignUp(at, capacity_);  // never split a slice across the end
    }
    while (at + padded - retired_ > capacity_) {
        if (!retireOldest(true)) {
            // Only this command buffer's own bytes are in the way. GL still orders the writes
            // correctly, but the driver will stall or copy to do it.
            violation("one command buffer streamed more uniform bytes than the ring holds (" +
                      std::to_string(capacity_) + ")");
            retired_ = at + padded - capacity_;
        }
    }

    const void* source = bytes;
    if (padded != size || bytes == nullptr) {
        staging_.assign(padded, 0);
        if (bytes != nullptr && size != 0) {
            std::memcpy(staging_.data(), bytes, size);
        }
        source = staging_.data();
    }
    const auto offset = static_cast<std::size_t>(at % capacity_);
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer_);
    glBufferSubData(GL_COPY_WRITE_BUFFER, static_cast<GLintptr>(offset), static_cast<GLsizeiptr>(padded), source);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    head_ = at + padded;
    return Slice{buffer_, offset, padded};
}

void UniformRing::fence()
{
    if (count_ > 0 && newest().end == head_) {
        return;  // nothing written since the last fence
    }
    while (count_ > 0 && retireOldest(false)) {
    }
    if (count_ >= maxPending) {
        retireOldest(true);
    }
    ++count_;
    newest() = {glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0), head_};
}

}  // namespace lumen::gpu::detail
