#include "support/TestScene.hpp"

#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneResources.hpp"

namespace lumen::app::test {

namespace {

const char* const gradientFragment = R"(
layout(std140, binding = 0) uniform GradientHeight { float height; };
void gradientFragment() {
    fragColor = vec4(mix(vec3(0.1, 0.5, 0.2), vec3(0.9, 0.6, 0.1), gl_FragCoord.y / height), 1.0);
})";

class GradientScene : public LumenScene {
public:
    explicit GradientScene(const SceneContext& context)
        : depth_(context.gpu.depthOff()),
          pipeline_(makePipeline(context.gpu, "gradient", context.gpu.library({"DesktopTestGradient"}),
                                 "coverVertex", "gradientFragment", context.sampleCount, BlendMode::opaque)) {}

    void update(const SceneFrame&) override {}
    void prepareFrame(gpu::CommandBuffer&, const SceneFrame&) override {}
    void prepareView(gpu::CommandBuffer&, const SceneView&, const SceneFrame&) override {}
    void draw(gpu::RenderEncoder& encoder, const SceneView&, const SceneFrame&) override {
        const float height[4] = {static_cast<float>(encoder.height()), 0, 0, 0};
        encoder.setPipeline(pipeline_);
        encoder.setDepthState(depth_);
        encoder.setFragmentBytes(0, height, sizeof height);
        encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    }
    void prewarm(const SceneFrame&, double) override {}
    void releaseView(ViewID) override {}

private:
    const gpu::DepthState& depth_;
    gpu::RenderPipeline pipeline_;
};

}  // namespace

SceneInfo gradientInfo(const std::string& id) {
    SceneInfo info;
    info.id = id;
    info.title = "Gradient";
    info.className = "DesktopTestGradient";
    return info;
}

void registerGradientScene() {
    SceneClasses::add({"DesktopTestGradient", 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                           return std::make_unique<GradientScene>(context);
                       }});
}

std::unique_ptr<TestGpu> TestGpu::make(const gpu::DeviceDescriptor& descriptor, std::string& error) {
    auto device = gpu::Device::create(descriptor);
    if (!device) {
        error = device.error().message;
        return nullptr;
    }
    auto shipped = GpuContext::directoryLoader(LUMENFALL_BUILD_SHADER_DIR);
    auto context = GpuContext::create(**device, [shipped](const std::string& name) -> std::optional<std::string> {
        if (name == "DesktopTestGradient") return coverSource(gradientFragment);
        return shipped(name);
    });
    if (!context) {
        error = context.error().message;
        return nullptr;
    }
    auto made = std::make_unique<TestGpu>();
    made->device = std::move(*device);
    made->context = std::move(*context);
    return made;
}

// The context's pipelines and libraries before the device they were made on.
TestGpu::~TestGpu() {
    context.reset();
    device.reset();
}

}  // namespace lumen::app::test
