#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"

#include <regex>
#include <stdexcept>
#include <thread>
#include <tuple>

namespace lumen::app::test {
namespace {

class ProbeScene : public LumenScene {
public:
    void update(const SceneFrame&) override {}
    void prepareFrame(gpu::CommandBuffer&, const SceneFrame&) override {}
    void prepareView(gpu::CommandBuffer&, const SceneView&, const SceneFrame&) override {}
    void draw(gpu::RenderEncoder&, const SceneView&, const SceneFrame&) override {}
    void prewarm(const SceneFrame&, double) override {}
    void releaseView(ViewID) override {}
};

SceneInfo entry(std::string id, std::string className) {
    SceneInfo info;
    info.id = SceneID(std::move(id));
    info.className = std::move(className);
    return info;
}

std::unique_ptr<LumenScene> probe(const SceneContext&) { return std::make_unique<ProbeScene>(); }

class SceneClassesTest : public RenderTest {
protected:
    void TearDown() override {
        for (const auto& name : added) SceneClasses::remove(name);
    }
    void add(SceneClass sceneClass) {
        added.push_back(sceneClass.name);
        SceneClasses::add(std::move(sceneClass));
    }

    EventCapture log;
    std::vector<std::string> added;
};

// A catalog entry whose class is misspelt, unregistered, or cannot construct has no scene: it is
// listed as such, and making it fails as an unknown scene.
TEST_F(SceneClassesTest, EntriesWithoutAWorkingClassAreUnknown) {
    add({"ProbeListedScene", 1, probe});
    add({"ProbeHollowScene", 1, nullptr});
    add({"ProbeNullScene", 1, [](const SceneContext&) { return std::unique_ptr<LumenScene>(); }});
    const std::vector<SceneInfo> scenes = {entry("first", "ProbeMisspeltScen"), entry("second", "ProbeListedScene"),
                                           entry("third", ""), entry("fourth", "ProbeListedScene "),
                                           entry("fifth", "ProbeHollowScene")};
    std::vector<std::string> missing;
    for (const auto& info : scenesWithoutClass(scenes)) missing.push_back(info.id.text());
    EXPECT_EQ(missing, (std::vector<std::string>{"first", "third", "fourth", "fifth"}));

    for (const char* className : {"ProbeMisspeltScen", "ProbeHollowScene", "ProbeNullScene"}) {
        const auto error = thrownBy([&] { (void)makeScene(entry("x", className), gpu()); });
        EXPECT_EQ(error, SceneError::unknownScene(className));
    }
    EXPECT_TRUE(log.events.empty());
}

TEST_F(SceneClassesTest, MakeSceneHandsOverTheContextAndLogsItsTime) {
    std::tuple<const GpuContext*, std::string, int> seen;
    add({"ProbeReadyScene", 4, [&](const SceneContext& context) {
             seen = {&context.gpu, context.info.id.text(), context.sampleCount};
             std::this_thread::sleep_for(std::chrono::milliseconds(30));
             return probe(context);
         }});
    ASSERT_NE(makeScene(entry("probe-ready", "ProbeReadyScene"), gpu()), nullptr);
    EXPECT_EQ(seen, std::tuple(&gpu(), "probe-ready", 4));
    ASSERT_EQ(log.events.size(), 1u);
    EXPECT_TRUE(std::regex_match(log.events[0], std::regex("scene probe-ready ready in ([3-9][0-9]|[0-9]{3,}) ms")))
        << log.events[0];

    // A class replaced, even by its own constructor, takes effect for the next scene only.
    add({"ProbeReadyScene", 2, [this](const SceneContext& context) {
             add({"ProbeReadyScene", 1, nullptr});
             return probe(context);
         }});
    EXPECT_NE(makeScene(entry("self", "ProbeReadyScene"), gpu()), nullptr);
    EXPECT_EQ(SceneClasses::find("ProbeReadyScene"), nullptr);
}

// The host reports a constructor's own error; nothing here may rewrite or swallow it.
TEST_F(SceneClassesTest, ConstructionErrorsPassThroughUnchanged) {
    const auto compile = SceneError::shaderCompile("Common+Probe", "0:3(1): error: syntax error");
    add({"ProbeFailingScene", 1,
         [&](const SceneContext&) -> std::unique_ptr<LumenScene> { throw SceneException(compile); }});
    add({"ProbeOddScene", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
             throw std::runtime_error("odd failure");
         }});
    EXPECT_EQ(thrownBy([&] { (void)makeScene(entry("failing", "ProbeFailingScene"), gpu()); }), compile);
    EXPECT_THROW((void)makeScene(entry("odd", "ProbeOddScene"), gpu()), std::runtime_error);
    EXPECT_TRUE(log.events.empty());
}

}  // namespace
}  // namespace lumen::app::test
