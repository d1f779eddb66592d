#include "gpu/Buffer.hpp"

#include "gpu/Device.hpp"
#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

#include <utility>

namespace lumen::gpu {

namespace {

std::string named(std::string_view label)
{
    return label.empty() ? std::string("buffer") : "buffer \"" + std::string(label) + "\"";
}

}  // namespace

Result<Buffer> Buffer::create(Device& device, const BufferDescriptor& descriptor)
{
    const auto& info = device.info();
    if (descriptor.size == 0) {
        return makeError(ErrorKind::invalidDescriptor, named(descriptor.label) + ": size is zero");
    }
    if (descriptor.size > info.maxBufferLength) {
        return makeError(ErrorKind::invalidDescriptor,
                         named(descriptor.label) + ": " + std::to_string(descriptor.size) +
                             " bytes is more than the device's limit of " +
                             std::to_string(info.maxBufferLength));
    }

    detail::clearGlErrors();
    GLuint name = 0;
    glGenBuffers(1, &name);
    // COPY_WRITE is not part of any draw state, so binding it here disturbs no encoder.
    glBindBuffer(GL_COPY_WRITE_BUFFER, name);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(descriptor.size), nullptr,
                 GL_DYNAMIC_DRAW);
    if (descriptor.contents) {
        glBufferSubData(GL_COPY_WRITE_BUFFER, 0, static_cast<GLsizeiptr>(descriptor.size),
                        descriptor.contents);
    } else {
        // Fresh GL buffer storage is undefined; callers expect zeros like any new allocation.
        const GLuint zero = 0;
        glClearBufferData(GL_COPY_WRITE_BUFFER, GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, &zero);
    }
    const GLenum error = detail::takeGlError();
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (error != GL_NO_ERROR) {
        glDeleteBuffers(1, &name);
        return makeError(error == GL_OUT_OF_MEMORY ? ErrorKind::outOfMemory : ErrorKind::invalidDescriptor,
                         named(descriptor.label) + ": the driver refused " +
                             std::to_string(descriptor.size) + " bytes (" +
                             detail::glErrorName(error) + ")");
    }
    detail::labelObject(GL_BUFFER, name, descriptor.label);
    return Buffer(name, descriptor.size, std::string(descriptor.label));
}

Buffer::Buffer(unsigned name, std::size_t size, std::string label)
    : name_(name), size_(size), label_(std::move(label))
{
}

Buffer::Buffer(Buffer&& other) noexcept
    : name_(std::exchange(other.name_, 0)), size_(std::exchange(other.size_, 0)),
      label_(std::move(other.label_))
{
}

Buffer& Buffer::operator=(Buffer&& other) noexcept
{
    if (this != &other) {
        release();
        name_ = std::exchange(other.name_, 0);
        size_ = std::exchange(other.size_, 0);
        label_ = std::move(other.label_);
    }
    return *this;
}

Buffer::~Buffer() { release(); }

void Buffer::release()
{
    if (name_ != 0 && detail::runtime()) {
        glDeleteBuffers(1, &name_);
    }
    name_ = 0;
}

Result<void> Buffer::replace(std::size_t offset, const void* bytes, std::size_t count)
{
    if (name_ == 0) {
        return makeError(ErrorKind::invalidDescriptor, "replace on an empty buffer");
    }
    if (offset > size_ || count > size_ - offset) {
        return makeError(ErrorKind::invalidDescriptor,
                         named(label_) + ": write of " + std::to_string(count) + " bytes at " +
                             std::to_string(offset) + " runs past its " + std::to_string(size_) +
                             " bytes");
    }
    if (count == 0) {
        return {};
    }
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferSubData(GL_COPY_WRITE_BUFFER, static_cast<GLintptr>(offset),
                    static_cast<GLsizeiptr>(count), bytes);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    detail::countUpload(count);
    return {};
}

Result<std::vector<std::uint8_t>> Buffer::read(std::size_t offset, std::size_t count) const
{
    if (name_ == 0) {
        return makeError(ErrorKind::invalidDescriptor, "read from an empty buffer");
    }
    if (offset > size_) {
        return makeError(ErrorKind::invalidDescriptor, named(label_) + ": read starts past the end");
    }
    if (count == 0) {
        count = size_ - offset;
    }
    if (count > size_ - offset) {
        return makeError(ErrorKind::invalidDescriptor, named(label_) + ": read runs past the end");
    }
    std::vector<std::uint8_t> bytes(count);
    // Shader storage writes are incoherent until a barrier; make them visible to the read.
    glMemoryBarrier(GL_BUFFER_UPDATE_BARRIER_BIT);
    glBindBuffer(GL_COPY_READ_BUFFER, name_);
    glGetBufferSubData(GL_COPY_READ_BUFFER, static_cast<GLintptr>(offset),
                       static_cast<GLsizeiptr>(count), bytes.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    return bytes;
}

}  // namespace lumen::gpu
