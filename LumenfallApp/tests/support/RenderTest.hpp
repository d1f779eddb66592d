#pragma once

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumen::app::test {

// One device and one GpuContext for the whole run (one GL context per process). The context's
// loader serves sources set with setSource first, then the shipped LumenfallApp/Shaders.
gpu::Device* device();
GpuContext* context();
const std::string& unavailableReason();
void setSource(const std::string& name, std::optional<std::string> text);
// Destroys the context and the device; for the end of main().
void releaseShared();

// GLSL with "coverVertex", one triangle over the whole target, and `fragment` in the fragment
// stage after a declared `fragColor`.
std::string coverSource(const std::string& fragment);

// A texture on the shared device that can be drawn into and read back; throws when refused.
gpu::Texture renderTarget(int width, int height, gpu::PixelFormat format = gpu::PixelFormat::bgra8Unorm);

// The SceneException `call` throws; a test failure when it throws none.
SceneError thrownBy(const std::function<void()>& call);

// The events logged while it lives.
struct EventCapture {
    EventCapture();
    ~EventCapture();
    bool saw(const std::string& event) const;
    std::vector<std::string> events;
};

// Skips the test, with the reason, when this machine cannot make a device.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!context()) GTEST_SKIP() << "no GPU: " << unavailableReason();
    }
    GpuContext& gpu() { return *context(); }
    gpu::Device& dev() { return *device(); }
};

}  // namespace lumen::app::test
