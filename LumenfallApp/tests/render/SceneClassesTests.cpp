#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"

#include "log/EventLog.hpp"

#include <regex>
#include <stdexcept>
#include <thread>

namespace lumen::app::test {
namespace {

// What the probe class saw of its context.
struct Seen {
    const GpuContext* gpu = nullptr;
    std::string id;
    int sampleCount = 0;
    int made = 0;
};

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
    info.title = "Probe";
    info.className = std::move(className);
    return info;
}

class SceneClassesTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    void TearDown() override {
        EventLog::setObserver(nullptr);
        for (const auto& name : added) SceneClasses::remove(name);
    }
    void add(SceneClass sceneClass) {
        added.push_back(sceneClass.name);
        SceneClasses::add(std::move(sceneClass));
    }

    std::vector<std::string> events;
    std::vector<std::string> added;
};

TEST_F(SceneClassesTest, MisspeltClassIsUnknownAndListed) {
    add({"ProbeListedScene", 1, [](const SceneContext&) { return std::make_unique<ProbeScene>(); }});
    const std::vector<SceneInfo> scenes = {entry("first", "ProbeMisspeltScen"), entry("second", "ProbeListedScene"),
                                           entry("third", ""), entry("fourth", "ProbeListedScene ")};

    try {
        (void)makeScene(scenes[0], gpu());
        FAIL() << "a scene without a class was made";
    } catch (const SceneException& e) {
        EXPECT_EQ(e.error(), SceneError::unknownScene("ProbeMisspeltScen"));
        EXPECT_STREQ(e.what(), "no scene class ProbeMisspeltScen");
    }
    EXPECT_TRUE(events.empty());

    const auto missing = scenesWithoutClass(scenes);
    ASSERT_EQ(missing.size(), 3u);
    EXPECT_EQ(missing[0].id, SceneID("first"));
    EXPECT_EQ(missing[1].id, SceneID("third"));
    EXPECT_EQ(missing[2].id, SceneID("fourth"));
}

TEST_F(SceneClassesTest, MakeSceneHandsOverTheContextAndLogsTheTime) {
    auto seen = std::make_shared<Seen>();
    add({"ProbeReadyScene", 4, [seen](const SceneContext& context) {
             seen->gpu = &context.gpu;
             seen->id = context.info.id.text();
             seen->sampleCount = context.sampleCount;
             ++seen->made;
             std::this_thread::sleep_for(std::chrono::milliseconds(30));
             return std::make_unique<ProbeScene>();
         }});

    auto scene = makeScene(entry("probe-ready", "ProbeReadyScene"), gpu());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(seen->made, 1);
    EXPECT_EQ(seen->gpu, &gpu());
    EXPECT_EQ(seen->id, "probe-ready");
    EXPECT_EQ(seen->sampleCount, 4);

    ASSERT_EQ(events.size(), 1u);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(events[0], match, std::regex("scene probe-ready ready in ([0-9]+) ms")))
        << events[0];
    const int milliseconds = std::stoi(match[1]);
    EXPECT_GE(milliseconds, 30);
    EXPECT_LT(milliseconds, 5000);
}

TEST_F(SceneClassesTest, ConstructionErrorsPassThroughUnchanged) {
    add({"ProbeFailingScene", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
             throw SceneException(SceneError::shaderCompile("Common+Probe", "0:3(1): error: syntax error"));
         }});
    add({"ProbeOddScene", 1, [](const SceneContext&) -> std::unique_ptr<LumenScene> {
             throw std::runtime_error("odd failure");
         }});

    try {
        (void)makeScene(entry("failing", "ProbeFailingScene"), gpu());
        FAIL() << "no error";
    } catch (const SceneException& e) {
        EXPECT_EQ(e.error(), SceneError::shaderCompile("Common+Probe", "0:3(1): error: syntax error"));
    }
    EXPECT_THROW((void)makeScene(entry("odd", "ProbeOddScene"), gpu()), std::runtime_error);
    EXPECT_TRUE(events.empty());
}

TEST_F(SceneClassesTest, RegistryAddsReplacesAndRemoves) {
    EXPECT_EQ(SceneClasses::find("ProbeSwapScene"), nullptr);
    add({"ProbeSwapScene", 1, [](const SceneContext&) { return std::make_unique<ProbeScene>(); }});
    ASSERT_NE(SceneClasses::find("ProbeSwapScene"), nullptr);
    EXPECT_EQ(SceneClasses::find("ProbeSwapScene")->sampleCount, 1);

    add({"ProbeSwapScene", 4, [](const SceneContext&) { return std::make_unique<ProbeScene>(); }});
    EXPECT_EQ(SceneClasses::find("ProbeSwapScene")->sampleCount, 4);

    SceneClasses::remove("ProbeSwapScene");
    EXPECT_EQ(SceneClasses::find("ProbeSwapScene"), nullptr);
    SceneClasses::remove("ProbeSwapScene");  // twice is harmless

    // A class that cannot construct counts as no class; so does one whose constructor gives nothing.
    add({"ProbeHollowScene", 1, nullptr});
    EXPECT_EQ(SceneClasses::find("ProbeHollowScene"), nullptr);
    EXPECT_EQ(scenesWithoutClass({entry("hollow", "ProbeHollowScene")}).size(), 1u);
    add({"ProbeNullScene", 1, [](const SceneContext&) { return std::unique_ptr<LumenScene>(); }});
    try {
        (void)makeScene(entry("null", "ProbeNullScene"), gpu());
        FAIL() << "no error";
    } catch (const SceneException& e) {
        EXPECT_EQ(e.error(), SceneError::unknownScene("ProbeNullScene"));
    }
}

TEST_F(SceneClassesTest, ConstructorMayReplaceItsOwnClass) {
    // The registry may change under makeScene; the constructor it started with still finishes.
    add({"ProbeSelfScene", 2, [this](const SceneContext&) {
             add({"ProbeSelfScene", 1, nullptr});
             return std::make_unique<ProbeScene>();
         }});
    EXPECT_NE(makeScene(entry("self", "ProbeSelfScene"), gpu()), nullptr);
    EXPECT_EQ(events.size(), 1u);
}

}  // namespace
}  // namespace lumen::app::test
