#include "support/HostTestScenes.hpp"

#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include <map>
#include <stdexcept>

namespace lumen::app::test {

namespace {

const char* const flatSource = R"(
#ifdef VERTEX_STAGE
void hostFlatVertex() {
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(corner * 2.0 - 1.0, 0.5, 1.0);
}
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColor;
layout(std140, binding = 0) uniform HostFlatColours {
    vec4 bottomColour;
    vec4 topColour;
    float splitY;
};
void hostFlatFragment() {
    fragColor = gl_FragCoord.y >= splitY ? topColour : bottomColour;
}
#endif
)";

struct FlatUniforms {
    Colour bottom;
    Colour top;
    float splitY = 0;
    float padding[3]{};
};

std::map<std::string, SceneCalls>& callsByClass() {
    static std::map<std::string, SceneCalls> calls;
    return calls;
}

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
    setSource("HostFlat", flatSource);
    SceneClasses::add(flatClass("HostTestWarm", 1, warm, warm));
    SceneClasses::add(flatClass("HostTestCool", 1, cool, cool));
    SceneClasses::add(flatClass("HostTestMsaa", 4, green, green));
    SceneClasses::add(flatClass("HostTestSplit", 1, green, white));
    SceneClasses::add({"HostTestThrows", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
                           throw SceneException(SceneError::pipeline("host test"));
                       }});
    SceneClasses::add({"HostTestBroken", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
                           throw std::runtime_error("broken on purpose");
                       }});
}

void removeHostTestScenes() {
    for (const auto& name : classNames()) SceneClasses::remove(name);
    setSource("HostFlat", std::nullopt);
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

FlatScene::FlatScene(const SceneContext& context, Colour bottom, Colour top)
    : calls_(sceneCalls(context.info.className)),
      depth_(context.gpu.depthWrite()),
      pipeline_(makePipeline(context.gpu, "host flat", context.gpu.library({"HostFlat"}), "hostFlatVertex",
                             "hostFlatFragment", context.sampleCount, BlendMode::opaque)),
      bottom_(bottom),
      top_(top) {
    ++calls_.made;
}

void FlatScene::update(const SceneFrame& frame) {
    ++calls_.updates;
    calls_.lastUpdate = frame;
}

void FlatScene::prepareFrame(gpu::CommandBuffer&, const SceneFrame&) { ++calls_.prepareFrames; }

void FlatScene::prepareView(gpu::CommandBuffer&, const SceneView& view, const SceneFrame&) {
    calls_.preparedViews.push_back(view.id);
}

void FlatScene::draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) {
    calls_.drawnViews.push_back(view);
    FlatUniforms uniforms{bottom_, top_, static_cast<float>(encoder.height()) / 2};
    encoder.setPipeline(pipeline_);
    encoder.setDepthState(depth_);
    encoder.setFragmentBytes(0, &uniforms, sizeof uniforms);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
}

void FlatScene::releaseView(ViewID id) { calls_.releasedViews.push_back(id); }

}  // namespace lumen::app::test
