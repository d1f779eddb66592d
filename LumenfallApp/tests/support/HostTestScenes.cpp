#include "support/HostTestScenes.hpp"

#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneResources.hpp"

#include <map>
#include <stdexcept>

namespace lumen::app::test {

namespace {

const char* const flatFragment = R"(
layout(std140, binding = 0) uniform HostFlatColours {
    vec4 bottomColour;
    vec4 topColour;
    float splitY;
};
void hostFlatFragment() { fragColor = gl_FragCoord.y >= splitY ? topColour : bottomColour; })";

std::map<std::string, SceneCalls>& callsByClass() {
    static std::map<std::string, SceneCalls> calls;
    return calls;
}

// Draws `bottom` below the view's middle row and `top` from it upwards, over the whole view.
class FlatScene : public LumenScene {
public:
    FlatScene(const SceneContext& context, Colour bottom, Colour top)
        : calls_(callsByClass()[context.info.className]),
          depth_(context.gpu.depthWrite()),
          pipeline_(makePipeline(context.gpu, "host flat", context.gpu.library({"HostFlat"}), "coverVertex",
                                 "hostFlatFragment", context.sampleCount, BlendMode::opaque)),
          bottom_(bottom),
          top_(top) {
        ++calls_.made;
    }

    void update(const SceneFrame& frame) override {
        ++calls_.updates;
        calls_.lastUpdate = frame;
    }
    void prepareFrame(gpu::CommandBuffer&, const SceneFrame&) override { ++calls_.prepareFrames; }
    void prepareView(gpu::CommandBuffer&, const SceneView& view, const SceneFrame&) override {
        calls_.preparedViews.push_back(view.id);
    }
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) override {
        calls_.drawnViews.push_back(view);
        struct {
            Colour bottom, top;
            float splitY, padding[3];
        } uniforms{bottom_, top_, static_cast<float>(encoder.height()) / 2, {}};
        encoder.setPipeline(pipeline_);
        encoder.setDepthState(depth_);
        encoder.setFragmentBytes(0, &uniforms, sizeof uniforms);
        encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    }
    void prewarm(const SceneFrame&, double) override {}
    void releaseView(ViewID id) override { calls_.releasedViews.push_back(id); }

private:
    SceneCalls& calls_;
    const gpu::DepthState& depth_;
    gpu::RenderPipeline pipeline_;
    Colour bottom_, top_;
};

const std::vector<std::string>& classNames() {
    static const std::vector<std::string> names{"HostTestWarm", "HostTestCool", "HostTestMsaa",
                                                "HostTestSplit", "HostTestThrows", "HostTestBroken"};
    return names;
}

SceneClass flatClass(const std::string& name, int sampleCount, Colour bottom, Colour top) {
    return {name, sampleCount, [bottom, top](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                return std::make_unique<FlatScene>(context, bottom, top);
            }};
}

}  // namespace

void registerHostTestScenes() {
    setSource("HostFlat", coverSource(flatFragment));
    setSource("HostBroken", coverSource("void brokenFragment() { fragColor = undeclaredColour; }"));
    SceneClasses::add(flatClass("HostTestWarm", 1, warm, warm));
    SceneClasses::add(flatClass("HostTestCool", 1, cool, cool));
    SceneClasses::add(flatClass("HostTestMsaa", 4, green, green));
    SceneClasses::add(flatClass("HostTestSplit", 1, green, white));
    SceneClasses::add({"HostTestThrows", 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                           context.gpu.library({"HostBroken"});
                           return nullptr;
                       }});
    SceneClasses::add({"HostTestBroken", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
                           throw std::runtime_error("broken on purpose");
                       }});
}

void removeHostTestScenes() {
    for (const auto& name : classNames()) SceneClasses::remove(name);
    setSource("HostFlat", std::nullopt);
    setSource("HostBroken", std::nullopt);
}

SceneCalls& sceneCalls(const std::string& className) { return callsByClass()[className]; }

// Live scenes keep a reference to their entry, so the entries stay and only their counts go.
void resetSceneCalls() {
    for (auto& [name, calls] : callsByClass()) calls = SceneCalls{};
}

SceneInfo hostTestInfo(const std::string& id, const std::string& className) {
    SceneInfo info;
    info.id = id;
    info.title = id;
    info.className = className;
    return info;
}

}  // namespace lumen::app::test
