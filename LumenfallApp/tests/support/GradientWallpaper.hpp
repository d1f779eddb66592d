#pragma once

#include "support/TestScene.hpp"

#include "desktop/DesktopSession.hpp"
#include "desktop/WallpaperHost.hpp"
#include "platform/DesktopBackend.hpp"
#include "render/FrameDriver.hpp"
#include "render/SceneHost.hpp"

#include <memory>
#include <string>

namespace lumen::app::test {

// The wallpaper as the application assembles it over a backend: a device on the backend's
// display, the gradient scene's host, the frame driver (with the backend's pointer) and the
// wallpaper host, not yet rebuilt. Taken down in the order the backend needs.
struct GradientWallpaper {
    std::unique_ptr<TestGpu> gpu;
    std::unique_ptr<SceneHost> sceneHost;
    std::unique_ptr<FrameDriver> driver;
    std::unique_ptr<WallpaperHost> wallpaper;

    // False with the reason when no device can be made on the display (tests skip then).
    bool makeDevice(DesktopBackend& backend, std::string& error)
    {
        gpu = TestGpu::make({.eglPlatform = backend.eglPlatform(), .nativeDisplay = backend.nativeDisplay(),
                             .nativeVisual = backend.nativeVisual()},
                            error);
        return gpu != nullptr;
    }
    // The rest, on that device; false when the scene did not load (tests fail then).
    bool assemble(DesktopBackend& backend)
    {
        const SceneInfo gradient = gradientInfo();
        sceneHost = std::make_unique<SceneHost>(*gpu->context, SceneCatalog{.scenes = {gradient}}, gradient, 12.0f);
        if (!sceneHost->load(gradient, {}, false)) return false;
        driver = std::make_unique<FrameDriver>(*sceneHost);
        driver->pointerLocation = pointerSource(backend);
        wallpaper = std::make_unique<WallpaperHost>(backend, *driver, gpu->device.get());
        return true;
    }
    void reset()
    {
        wallpaper.reset();
        driver.reset();
        sceneHost.reset();
        gpu.reset();
    }
};

}  // namespace lumen::app::test
