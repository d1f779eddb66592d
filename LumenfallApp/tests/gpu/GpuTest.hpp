#pragma once

#include "gpu/Gpu.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace lumen::gpu::test {

// One device for the whole run (one GL context per process), made on first use.
struct SharedDevice {
    std::unique_ptr<Device> device;
    std::string failure;
};

SharedDevice& shared();
// Destroys the device if one was made; for the end of main().
void releaseShared();
// Everything the device reported, in order.
std::vector<std::string>& deviceMessages();

// Skips the test, with the reason, when this machine cannot make a device.
class GpuTest : public ::testing::Test {
protected:
    void SetUp() override;

    Device& device() { return *shared().device; }
    std::vector<std::string>& messages() { return deviceMessages(); }
    // True when a message since SetUp contains `text`.
    bool reported(const std::string& text) const;

    ShaderLibrary library(const std::string& source, const std::string& key = "test");
    Texture target(int width, int height, PixelFormat format = PixelFormat::rgba8Unorm, int samples = 1);
    Texture depthTarget(int width, int height, int samples = 1);
    ImageRGBA8 read(const Texture& texture);
    // `fragment` over the library's "coverVertex" into rgba8Unorm; throws with the device's message.
    RenderPipeline coverPipeline(const ShaderLibrary& lib, const char* fragment);

private:
    std::size_t firstMessage_ = 0;
};

// A full-screen triangle from gl_VertexID, and a fragment writing the vec4 at bytes slot 0.
extern const char* const fullscreenSource;

// |a - b| <= tolerance for every channel.
::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance = 2);

}  // namespace lumen::gpu::test
