#pragma once

#include "support/TestScene.hpp"

#include "platform/Screen.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <memory>
#include <string>

namespace lumen::app::test {

// The gradient scene's host and a frame driver on a surfaceless device, without a display link:
// enough for the window hosts' bookkeeping, which never ticks.
struct OffscreenDriver {
    // Null, with the reason, without a device.
    static std::unique_ptr<OffscreenDriver> make(std::string& error);
    ~OffscreenDriver();

    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<SceneHost> sceneHost;
    std::unique_ptr<FrameDriver> driver;
};

Screen testScreen(std::uint32_t id, PixelRect frame, double scale = 1.0);

}  // namespace lumen::app::test
