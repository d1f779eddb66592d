#pragma once

#include "gpu/Result.hpp"

#include <array>
#include <cstddef>
#include <memory>
#include <string_view>

namespace lumen::gpu {

class Buffer;
class ComputePipeline;
class Device;
class Sampler;
class Texture;
struct WorkCounters;

namespace detail {
template <class State>
class StatePool;
}

struct Size3 {
    int width = 1;
    int height = 1;
    int depth = 1;
};

enum class ImageAccess { readWrite = 0, readOnly, writeOnly };

enum class BarrierScope : unsigned { buffers = 1, textures = 2, all = 3 };

// Slots as in the render encoder: bytes = uniform block binding, buffer = storage block binding,
// image = image unit (glBindImageTexture), sampled texture = texture unit.
// Dispatches are serial: each one's writes are visible to the next dispatch and to every later
// encoder, as if the GL had hazard tracking.
class ComputeEncoder {
public:
    static constexpr int maxSlots = 16;

    ComputeEncoder(ComputeEncoder&&) noexcept;
    ComputeEncoder& operator=(ComputeEncoder&&) noexcept;
    ComputeEncoder(const ComputeEncoder&) = delete;
    ComputeEncoder& operator=(const ComputeEncoder&) = delete;
    ~ComputeEncoder();

    void setPipeline(const ComputePipeline& pipeline);
    void setBytes(int slot, const void* bytes, std::size_t size);
    void setBuffer(int slot, const Buffer& buffer, std::size_t offset);
    // Binds the whole of `level` (every slice of a 3D texture) as an image.
    void setTexture(int slot, const Texture& texture, ImageAccess access = ImageAccess::readWrite, int level = 0);
    void setSampledTexture(int slot, const Texture& texture, const Sampler* sampler = nullptr);

    // threadsPerThreadgroup must equal the shader's local_size; all zero means "the shader's".
    void dispatchThreadgroups(Size3 threadgroups, Size3 threadsPerThreadgroup = {0, 0, 0});
    // Extra barrier for writes made outside dispatches (fragment shaders writing storage).
    void memoryBarrier(BarrierScope scope);

    void endEncoding();

    bool isEncoding() const;
    int dispatchCount() const;
    int skippedDispatchCount() const;

private:
    friend class CommandBuffer;
    struct State;
    static Result<ComputeEncoder> begin(Device& device, WorkCounters& counters, std::string_view label);
    static detail::StatePool<State>& states();
    explicit ComputeEncoder(std::unique_ptr<State> state);
    bool usable(std::string_view call) const;

    std::unique_ptr<State> state_;
};

}  // namespace lumen::gpu
