#pragma once

#include "gpu/PixelFormat.hpp"
#include "gpu/RenderPassDescriptor.hpp"
#include "gpu/Result.hpp"

#include <cstddef>
#include <memory>
#include <string_view>

namespace lumen::gpu {

class Buffer;
class DepthState;
class Device;
class RenderPipeline;
class Sampler;
class Texture;
struct WorkCounters;

namespace detail {
template <class State>
class StatePool;
}

enum class PrimitiveType { point, line, lineStrip, triangle, triangleStrip };
enum class IndexType { uint32 = 0, uint16 };
enum class CullMode { none = 0, front, back };
enum class Winding { counterClockwise = 0, clockwise };

// GL window coordinates: origin at the bottom-left of the attachment.
struct Viewport {
    double originX = 0.0;
    double originY = 0.0;
    double width = 0.0;
    double height = 0.0;
    double znear = 0.0;
    double zfar = 1.0;
};

struct ScissorRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Binding slots are shared by the vertex and the fragment stage: GL has one table per kind.
// "Bytes at slot n" is the uniform block with binding n, "buffer at slot n" the storage block
// with binding n, "texture at slot n" texture unit n. Bindings start empty in every encoder.
// A draw whose pipeline does not fit the pass, or that would read a slot nothing was bound to, is
// skipped and reported (with validation on, through the device's message handler).
class RenderEncoder {
public:
    static constexpr int maxSlots = 16;

    RenderEncoder(RenderEncoder&&) noexcept;
    RenderEncoder& operator=(RenderEncoder&&) noexcept;
    RenderEncoder(const RenderEncoder&) = delete;
    RenderEncoder& operator=(const RenderEncoder&) = delete;
    ~RenderEncoder();  // ends encoding if still open

    void setPipeline(const RenderPipeline& pipeline);  // must outlive the draws that use it
    void setDepthState(const DepthState& state);
    void setCullMode(CullMode mode);
    void setFrontFacing(Winding winding);
    void setViewport(const Viewport& viewport);
    void setScissorRect(const ScissorRect& rect);
    void setBlendColor(float red, float green, float blue, float alpha);

    void setVertexBytes(int slot, const void* bytes, std::size_t size);
    void setFragmentBytes(int slot, const void* bytes, std::size_t size);
    void setVertexBuffer(int slot, const Buffer& buffer, std::size_t offset);
    void setFragmentBuffer(int slot, const Buffer& buffer, std::size_t offset);
    // A null sampler means the device's default (linear, clamp to edge).
    void setVertexTexture(int slot, const Texture& texture, const Sampler* sampler = nullptr);
    void setFragmentTexture(int slot, const Texture& texture, const Sampler* sampler = nullptr);

    void drawPrimitives(PrimitiveType type, int vertexStart, int vertexCount, int instanceCount = 1);
    // `indexOffset` in bytes, a multiple of the index size.
    void drawIndexed(PrimitiveType type, int indexCount, const Buffer& indexBuffer, std::size_t indexOffset,
                     int instanceCount = 1, IndexType indexType = IndexType::uint32);

    // Performs the store actions (resolves, discards) and frees the GL state for the next encoder.
    void endEncoding();

    bool isEncoding() const;
    int width() const;
    int height() const;
    int sampleCount() const;
    // Draws made and draws refused, for tests and statistics.
    int drawCount() const;
    int skippedDrawCount() const;

private:
    friend class CommandBuffer;
    struct State;
    static Result<RenderEncoder> begin(Device& device, WorkCounters& counters, const RenderPassDescriptor& pass,
                                       std::string_view label);
    static detail::StatePool<State>& states();
    explicit RenderEncoder(std::unique_ptr<State> state);

    bool usable(std::string_view call) const;
    bool readyToDraw(std::string_view call);
    void setBytes(int slot, const void* bytes, std::size_t size, std::string_view call);
    void setBuffer(int slot, const Buffer& buffer, std::size_t offset, std::string_view call);
    void setTexture(int slot, const Texture& texture, const Sampler* sampler, std::string_view call);

    std::unique_ptr<State> state_;
};

}  // namespace lumen::gpu
