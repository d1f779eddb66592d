#pragma once

#include "gpu/Gpu.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace lumen::gpu::test {

// Every library a test makes starts with `cover(z)` and `coverVertex`: one triangle over the whole
// target from gl_VertexID alone.
extern const char* const coverSource;
// `solidVertex`, `solidFragment`: that triangle in the colour and NDC depth of the `Solid` at slot 0.
extern const char* const solidSource;
struct Solid {
    float colour[4];
    float depth = 0.0f;
    float padding[3] = {};
};
// Fragments reading each kind of slot: bytes at 3 (`tintFragment`, 16 bytes) and 1
// (`recordFragment`, 192 bytes, colour last), buffer at 5 (`paletteFragment`, colours[1]),
// texture at 4 (`pictureFragment`); `cornerVertex` places vertices from the buffer at slot 0.
extern const char* const slotsSource;

// A command buffer with one render pass open on it.
struct Pass {
    CommandBuffer commands;
    RenderEncoder encoder;
    RenderEncoder* operator->() { return &encoder; }
    void commit();  // ends the pass if still open
};

// One device for the whole run (one GL context per process), validating; skips the test when this
// machine cannot make one. Helpers throw, failing the test, when the device refuses.
class GpuTest : public ::testing::Test {
protected:
    void SetUp() override;
    Device& device();
    std::vector<std::string> messages() const;  // what the device reported since SetUp or forget()
    bool reported(const std::string& text) const;
    void forget();

    ShaderLibrary library(const std::string& source, const std::string& key = "test");
    Texture target(int width, int height, PixelFormat format = PixelFormat::rgba8Unorm, int samples = 1);
    Texture depthTarget(int width, int height);  // memoryless
    ImageRGBA8 read(const Texture& texture);
    RenderPipeline pipeline(const RenderPipelineDescriptor& descriptor);
    // Into rgba8Unorm; the vertex function is "coverVertex" unless named.
    RenderPipeline coverPipeline(const ShaderLibrary& lib, const char* fragment, const char* vertex = "coverVertex");
    // solidSource's pipeline, labelled "solid".
    RenderPipeline solid(RenderPipelineColorAttachment colour = {.pixelFormat = PixelFormat::rgba8Unorm},
                         PixelFormat depth = PixelFormat::invalid, int samples = 1);
    Pass pass(const RenderPassDescriptor& descriptor);
    Pass pass(Texture& colour, ClearColor clear = {});  // cleared, opaque black by default

private:
    std::size_t firstMessage_ = 0;
    std::unique_ptr<ShaderLibrary> solidLibrary_;
};

// |a - b| <= tolerance for every channel.
::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance = 0);

}  // namespace lumen::gpu::test
