#pragma once

#include "scenekit/GpuContext.hpp"
#include "scenekit/LumenScene.hpp"

#include "gpu/Gpu.hpp"

#include <memory>
#include <string>

namespace lumen::app::test {

// A scene that costs next to nothing: a vertical gradient from `bottom` to `top`, so frame rates
// measure the driver rather than the rasteriser. Its class is "DesktopTestGradient".
SceneInfo gradientInfo(const std::string& id = "gradient");
void registerGradientScene();

// A device and a context serving the shipped shaders plus the gradient's source.
struct TestGpu {
    static std::unique_ptr<TestGpu> make(const gpu::DeviceDescriptor& descriptor, std::string& error);
    ~TestGpu();

    std::unique_ptr<gpu::Device> device;
    std::unique_ptr<GpuContext> context;
};

}  // namespace lumen::app::test
