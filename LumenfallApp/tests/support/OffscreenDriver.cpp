#include "support/OffscreenDriver.hpp"

namespace lumen::app::test {

std::unique_ptr<OffscreenDriver> OffscreenDriver::make(std::string& error) {
    auto made = std::make_unique<OffscreenDriver>();
    made->gpu = TestGpu::make({}, error);
    if (!made->gpu) return nullptr;
    registerGradientScene();
    const SceneInfo info = gradientInfo();
    SceneCatalog catalog;
    catalog.scenes = {info};
    made->sceneHost = std::make_unique<SceneHost>(*made->gpu->context, catalog, info, 12.0f);
    made->driver = std::make_unique<FrameDriver>(*made->sceneHost);
    made->driver->makeLink = [](SceneSurfaceView&, FrameDriver::TickHandler) { return nullptr; };
    return made;
}

// The driver before the host it draws, the host before its GPU context.
OffscreenDriver::~OffscreenDriver() {
    driver.reset();
    sceneHost.reset();
    gpu.reset();
}

Screen testScreen(std::uint32_t id, PixelRect frame, double scale) {
    Screen s;
    s.id = id;
    s.frame = frame;
    s.scale = scale;
    return s;
}

}  // namespace lumen::app::test
