// What every built-in scene gets without writing a test of its own: stills by day and by night,
// the options it reads against its catalog record, and each record it hands its shaders against
// the GLSL block that reads it.

#include "support/RenderTest.hpp"

#include "app/BuiltInScenes.hpp"
#include "render/SceneHost.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/catalog/SceneCatalog.hpp"
#include "LumenKit/sky/LocalZone.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <chrono>
#include <set>

namespace lumen::app::test {

namespace {

// The catalog records (held-back ones too) whose class is built in.
std::vector<SceneInfo> builtInScenes() {
    registerBuiltInScenes();
    std::vector<SceneInfo> scenes;
    for (const auto& info : SceneRegistry::all()) {
        if (SceneClasses::find(info.className)) scenes.push_back(info);
    }
    return scenes;
}

std::string sceneName(const ::testing::TestParamInfo<SceneInfo>& info) { return info.param.id.text(); }

struct Stats {
    int distinct = 0;
    double black = 0;  // share of pixels with every channel below 2
};

Stats stats(const Image& image) {
    std::set<std::uint32_t> colours;
    std::size_t black = 0;
    for (std::size_t i = 0; i + 3 < image.bgrx.size(); i += 4) {
        const auto* p = &image.bgrx[i];
        colours.insert(static_cast<std::uint32_t>(p[0] | p[1] << 8 | p[2] << 16));
        if (p[0] < 2 && p[1] < 2 && p[2] < 2) ++black;
    }
    return {static_cast<int>(colours.size()), static_cast<double>(black) / static_cast<double>(image.bgrx.size() / 4)};
}

}  // namespace

class EveryScene : public RenderTest, public ::testing::WithParamInterface<SceneInfo> {
protected:
    const SceneClass& sceneClass() { return *SceneClasses::find(GetParam().className); }
};

TEST_P(EveryScene, DrawsByDayAndByNight) {
    const SceneInfo& info = GetParam();
    const auto now = std::chrono::system_clock::now();
    SceneEnvironment environment;
    environment.wallTime = std::chrono::time_point_cast<SkyState::Instant::duration>(now);
    environment.zone = localZone();
    auto scene = makeScene(info, gpu(), environment);
    SceneHost host(gpu(), SceneCatalog{SceneRegistry::offered()}, info);

    for (const double hour : {12.0, 22.0}) {
        SceneFrame frame;
        frame.clock = 40;
        frame.sky = SkyClock::state(now, hour, std::nullopt, environment.zone);
        frame.zone = environment.zone;
        for (const auto& option : info.options) frame.options.values[option.key] = option.defaultValue;
        scene->prewarm(frame, 1.0);
        const auto image = host.renderOffscreen(*scene, 160, 90, frame, 0, nullptr, sceneClass().sampleCount);
        ASSERT_TRUE(image.has_value()) << hour;
        // A picture, not a flat fill and not the black of a failed or NaN shader.
        const Stats seen = stats(*image);
        EXPECT_GT(seen.distinct, 100) << hour;
        EXPECT_LT(seen.black, 0.5) << hour;
    }
}

TEST_P(EveryScene, ReadsOnlyOptionsOfItsCatalogRecord) {
    const SceneInfo& info = GetParam();
    for (const SceneOptionUse& use : sceneClass().options) {
        const auto option = std::find_if(info.options.begin(), info.options.end(),
                                         [&](const SceneOption& o) { return o.key == use.key; });
        ASSERT_NE(option, info.options.end()) << "unknown option key " << use.key;
        for (const std::string_view value : use.values) {
            const bool known = std::any_of(option->choices.begin(), option->choices.end(),
                                           [&](const SceneOption::Choice& c) { return c.value == value; });
            EXPECT_TRUE(known) << use.key << ": unknown value " << value;
        }
    }
}

TEST_P(EveryScene, RecordsMatchTheirShaderBlocks) {
    const SceneShaderRecords& shaders = sceneClass().shaders;
    ASSERT_FALSE(shaders.libraries.empty()) << "a scene declares the sources of its shaders";
    const gpu::ShaderLibrary& library = gpu().library(shaders.libraries, shaders.bindings);
    for (const RecordLayout& record : shaders.records) {
        std::vector<gpu::BlockLayout> blocks;
        if (record.computeFunction) {
            blocks = gpu::blockLayouts(makeComputePipeline(gpu(), record.computeFunction, library));
        } else {
            blocks = gpu::blockLayouts(makePipeline(gpu(), record.block, library, record.vertexFunction,
                                                    record.fragmentFunction, 1, BlendMode::opaque));
        }
        const auto block = std::find_if(blocks.begin(), blocks.end(),
                                        [&](const gpu::BlockLayout& b) { return b.name == record.block; });
        ASSERT_NE(block, blocks.end()) << record.block << " is not declared by its program";
        for (const std::string& problem : recordMismatches(record, *block)) ADD_FAILURE() << problem;
    }
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, EveryScene, ::testing::ValuesIn(builtInScenes()), sceneName);

}  // namespace lumen::app::test
