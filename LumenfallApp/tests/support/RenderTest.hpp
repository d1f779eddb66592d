#pragma once

#include "scenekit/GpuContext.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace lumen::app::test {

// One device and one GpuContext for the whole run (one GL context per process). The context's
// loader serves sources set with setSource first, then the shipped LumenfallApp/Shaders.
gpu::Device* device();
GpuContext* context();
const std::string& unavailableReason();
void setSource(const std::string& name, std::optional<std::string> text);
// Destroys the context and the device; for the end of main().
void releaseShared();

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
