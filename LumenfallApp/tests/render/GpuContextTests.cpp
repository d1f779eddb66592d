#include "support/RenderTest.hpp"

#include "scenekit/SceneError.hpp"

#include "log/EventLog.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace lumen::app::test {
namespace {

// Collects the events logged while it lives.
class EventCapture {
public:
    EventCapture() {
        EventLog::setObserver([this](const std::string& event) { events.push_back(event); });
    }
    ~EventCapture() { EventLog::setObserver(nullptr); }
    bool saw(const std::string& event) const {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    std::vector<std::string> events;
};

// A source defining one function; several of them combine into a library that compiles.
std::string fragmentSource(const std::string& function) {
    return "#ifdef FRAGMENT_STAGE\nvoid " + function + "() { gl_FragDepth = 0.5; }\n#endif\n";
}

SceneError thrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const SceneException& e) {
        return e.error();
    }
    ADD_FAILURE() << "no SceneException";
    return SceneError::resource("nothing thrown");
}

using GpuContextTest = RenderTest;

TEST_F(GpuContextTest, LibraryCompilesOncePerKey) {
    setSource("CtxCacheA", fragmentSource("cacheAFragment"));
    setSource("CtxCacheB", fragmentSource("cacheBFragment"));
    const int before = gpu().compileCount();

    const auto& first = gpu().library({"CtxCacheA"});
    const auto& again = gpu().library({"CtxCacheA"});
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(first.identity(), again.identity());
    EXPECT_EQ(first.key(), "CtxCacheA");
    EXPECT_EQ(gpu().compileCount(), before + 1);

    const auto& both = gpu().library({"CtxCacheB", "CtxCacheA"});
    EXPECT_EQ(gpu().compileCount(), before + 2);
    EXPECT_NE(both.identity(), first.identity());
    EXPECT_EQ(both.key(), "CtxCacheB+CtxCacheA");
    EXPECT_TRUE(both.hasFunction("cacheAFragment"));
    EXPECT_TRUE(both.hasFunction("cacheBFragment"));
    EXPECT_FALSE(first.hasFunction("cacheBFragment"));
}

TEST_F(GpuContextTest, CombinedSourceNamesEachPartInOrder) {
    EXPECT_EQ(GpuContext::combinedSource({{"A", "alpha text"}, {"B", "beta\ntext"}}),
              "// ---- A.glsl\nalpha text\n// ---- B.glsl\nbeta\ntext\n");
    EXPECT_EQ(GpuContext::combinedSource({}), "");

    setSource("CtxJoinA", fragmentSource("joinAFragment"));
    setSource("CtxJoinB", "// nothing but a comment");
    const auto& library = gpu().library({"CtxJoinA", "CtxJoinB"});
    EXPECT_EQ(library.source(), GpuContext::combinedSource({{"CtxJoinA", fragmentSource("joinAFragment")},
                                                            {"CtxJoinB", "// nothing but a comment"}}));
}

TEST_F(GpuContextTest, MissingSourceFailsWithItsNameAndCachesNothing) {
    setSource("CtxMissFirst", fragmentSource("missFirstFragment"));
    setSource("CtxMissSecond", std::nullopt);
    const int before = gpu().compileCount();
    EventCapture capture;

    const auto error = thrownBy([&] { (void)gpu().library({"CtxMissFirst", "CtxMissSecond"}); });
    EXPECT_EQ(error, SceneError::missingShader("CtxMissSecond"));
    EXPECT_EQ(error.description(), "CtxMissSecond.glsl is missing");
    EXPECT_TRUE(capture.saw("CtxMissSecond.glsl is missing from the app bundle"));
    EXPECT_EQ(gpu().compileCount(), before);

    // Once the source exists the same key compiles: the failure left nothing behind.
    setSource("CtxMissSecond", fragmentSource("missSecondFragment"));
    const auto& library = gpu().library({"CtxMissFirst", "CtxMissSecond"});
    EXPECT_TRUE(library.hasFunction("missSecondFragment"));
    EXPECT_EQ(gpu().compileCount(), before + 1);
}

TEST_F(GpuContextTest, CompileErrorIsLoggedAndCompiledAgainNextTime) {
    setSource("CtxBroken", "#ifdef FRAGMENT_STAGE\nvoid brokenFragment() { undeclaredThing = 1.0; }\n#endif\n");
    const int before = gpu().compileCount();
    EventCapture capture;

    const auto error = thrownBy([&] { (void)gpu().library({"CtxBroken"}); });
    EXPECT_EQ(error.kind(), SceneError::Kind::shaderCompile);
    EXPECT_EQ(error.subject(), "CtxBroken");
    EXPECT_FALSE(error.detail().empty());
    EXPECT_EQ(error.description(), "CtxBroken didn't compile: " + error.detail());
    EXPECT_TRUE(capture.saw("shader compile failed (CtxBroken): " + error.detail()));
    EXPECT_EQ(gpu().compileCount(), before + 1);

    (void)thrownBy([&] { (void)gpu().library({"CtxBroken"}); });
    EXPECT_EQ(gpu().compileCount(), before + 2);
}

TEST_F(GpuContextTest, DepthStatesCompareAndWriteAsNamed) {
    EXPECT_EQ(gpu().depthWrite().compareFunction(), gpu::CompareFunction::less);
    EXPECT_TRUE(gpu().depthWrite().writeEnabled());
    EXPECT_EQ(gpu().depthRead().compareFunction(), gpu::CompareFunction::lessEqual);
    EXPECT_FALSE(gpu().depthRead().writeEnabled());
    EXPECT_EQ(gpu().depthOff().compareFunction(), gpu::CompareFunction::always);
    EXPECT_FALSE(gpu().depthOff().writeEnabled());
    EXPECT_TRUE(gpu().sharedLibrary().hasFunction("fullscreenVertex"));
    EXPECT_TRUE(gpu().sharedLibrary().hasFunction("fadeFragment"));
}

TEST_F(GpuContextTest, FadePipelinesAreCachedPerSampleCount) {
    const auto* single = gpu().fadePipeline(1);
    const auto* multi = gpu().fadePipeline(4);
    ASSERT_NE(single, nullptr);
    ASSERT_NE(multi, nullptr);
    EXPECT_NE(single, multi);
    EXPECT_EQ(gpu().fadePipeline(1), single);
    EXPECT_EQ(gpu().fadePipeline(4), multi);
    EXPECT_EQ(single->sampleCount(), 1);
    EXPECT_EQ(multi->sampleCount(), 4);
    for (const auto* pipeline : {single, multi}) {
        EXPECT_EQ(pipeline->label(), "fade");
        EXPECT_EQ(pipeline->vertexFunction(), "fullscreenVertex");
        EXPECT_EQ(pipeline->fragmentFunction(), "fadeFragment");
        EXPECT_EQ(pipeline->depthAttachmentPixelFormat(), gpu::PixelFormat::depth32Float);
        const auto& colour = pipeline->colorAttachment(0);
        EXPECT_EQ(colour.pixelFormat, gpu::PixelFormat::bgra8Unorm);
        EXPECT_TRUE(colour.blendingEnabled);
        EXPECT_EQ(colour.sourceRGBBlendFactor, gpu::BlendFactor::sourceAlpha);
        EXPECT_EQ(colour.destinationRGBBlendFactor, gpu::BlendFactor::oneMinusSourceAlpha);
    }
}

TEST_F(GpuContextTest, FadeDrawsThePreviousFrameAtItsOpacity) {
    const auto* fade = gpu().fadePipeline(1);
    ASSERT_NE(fade, nullptr);
    auto snapshot = dev().makeTexture({.format = gpu::PixelFormat::rgba8Unorm, .width = 2, .height = 2});
    auto colour = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                     .width = 2,
                                     .height = 2,
                                     .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead});
    auto depth = dev().makeTexture({.format = gpu::PixelFormat::depth32Float,
                                    .width = 2,
                                    .height = 2,
                                    .usage = gpu::TextureUsage::renderTarget});
    ASSERT_TRUE(snapshot && colour && depth);
    const std::uint8_t red[16] = {255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255, 255, 0, 0, 255};
    ASSERT_TRUE(snapshot->replaceRegion({}, 0, red));

    auto commands = dev().makeCommandBuffer("fade test");
    gpu::RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &*colour, .loadAction = gpu::LoadAction::clear,
                                .clearColor = {0, 0, 1, 1}};
    pass.depthAttachment = {.texture = &*depth, .loadAction = gpu::LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder);
    encoder->setPipeline(*fade);
    encoder->setDepthState(gpu().depthOff());
    encoder->setFragmentTexture(0, *snapshot);
    const float opacity[4] = {0.5f, 0, 0, 0};
    encoder->setFragmentBytes(0, opacity, sizeof opacity);
    encoder->drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 1);
    encoder->endEncoding();
    commands.commit();

    auto image = gpu::readImageRGBA8(dev(), *colour);
    ASSERT_TRUE(image);
    const auto pixel = image->pixel(1, 0);
    EXPECT_NEAR(pixel[0], 128, 2);
    EXPECT_NEAR(pixel[1], 0, 2);
    EXPECT_NEAR(pixel[2], 128, 2);
    EXPECT_NEAR(pixel[3], 255, 2);
}

TEST_F(GpuContextTest, CreationNeedsTheSharedLibrary) {
    EventCapture capture;
    auto missing = GpuContext::create(dev(), [](const std::string&) { return std::optional<std::string>(); });
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "Shared.glsl is missing");

    auto broken = GpuContext::create(dev(), [](const std::string& name) -> std::optional<std::string> {
        if (name == "Shared") return "#ifdef VERTEX_STAGE\nvoid fullscreenVertex() { nonsense }\n#endif\n";
        return std::nullopt;
    });
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().message.rfind("Shared didn't compile: ", 0), 0u) << broken.error().message;

    auto sound = GpuContext::create(dev(), [](const std::string& name) -> std::optional<std::string> {
        if (name == "Shared") return std::string("void fullscreenVertex() {}\n");
        return std::nullopt;
    });
    ASSERT_TRUE(sound) << sound.error().message;
    EXPECT_TRUE((*sound)->sharedLibrary().hasFunction("fullscreenVertex"));
    EXPECT_EQ((*sound)->compileCount(), 0);
}

TEST_F(GpuContextTest, SharedContextReportsWhyThereIsNone) {
    // The fixture's device is the process's one device, so another cannot be made.
    EXPECT_EQ(GpuContext::shared(), nullptr);
    EXPECT_EQ(GpuContext::unavailableReason(), "a GPU device already exists in this process");
    EXPECT_EQ(GpuContext::shared(), nullptr);
}

class ShaderFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("lumenfall-shaders-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

TEST_F(ShaderFolderTest, DirectoryLoaderReadsFilesAndLogsMissingOnes) {
    std::ofstream(folder / "Present.glsl", std::ios::binary) << "void a() {}\n// ünïcode\n";
    std::ofstream(folder / "Empty.glsl", std::ios::binary);
    std::filesystem::create_directories(folder / "Folder.glsl");
    auto load = GpuContext::directoryLoader(folder.string());
    EventCapture capture;

    EXPECT_EQ(load("Present"), std::optional<std::string>("void a() {}\n// ünïcode\n"));
    EXPECT_EQ(load("Empty"), std::optional<std::string>(""));
    EXPECT_TRUE(capture.events.empty());
    EXPECT_EQ(load("Absent"), std::nullopt);
    EXPECT_EQ(load("Folder"), std::nullopt);
    EXPECT_EQ(capture.events, (std::vector<std::string>{"Absent.glsl is missing from the app bundle",
                                                        "Folder.glsl is missing from the app bundle"}));
}

TEST_F(ShaderFolderTest, ShaderDirectoryPrefersTheEnvironmentThenTheExecutable) {
    const char* saved = std::getenv("LUMENFALL_SHADER_DIR");
    const std::string previous = saved ? saved : "";

    setenv("LUMENFALL_SHADER_DIR", folder.c_str(), 1);
    EXPECT_EQ(GpuContext::shaderDirectory(), folder.string());

    unsetenv("LUMENFALL_SHADER_DIR");
    const auto executable = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    if (std::filesystem::is_directory(executable / "Shaders")) {
        EXPECT_EQ(GpuContext::shaderDirectory(), (executable / "Shaders").string());
    } else {
        EXPECT_EQ(GpuContext::shaderDirectory(), (executable.parent_path() / "share/lumenfall/Shaders").string());
    }

    if (saved) setenv("LUMENFALL_SHADER_DIR", previous.c_str(), 1);
}

}  // namespace
}  // namespace lumen::app::test
