#include "support/RenderTest.hpp"

#include "scenekit/SceneError.hpp"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace lumen::app::test {
namespace {

// A source defining one function; several of them combine into a library that compiles.
std::string fragmentSource(const std::string& function) {
    return "#ifdef FRAGMENT_STAGE\nvoid " + function + "() { gl_FragDepth = 0.5; }\n#endif\n";
}

using GpuContextTest = RenderTest;

TEST_F(GpuContextTest, LibraryCompilesOncePerKey) {
    setSource("CtxCacheA", fragmentSource("cacheAFragment"));
    setSource("CtxCacheB", fragmentSource("cacheBFragment"));
    const int before = gpu().compileCount();
    const auto& first = gpu().library({"CtxCacheA"});
    EXPECT_EQ(&gpu().library({"CtxCacheA"}), &first);
    const auto& both = gpu().library({"CtxCacheB", "CtxCacheA"});
    EXPECT_EQ(gpu().compileCount(), before + 2);
    EXPECT_EQ(both.key(), "CtxCacheB+CtxCacheA");
    EXPECT_TRUE(both.hasFunction("cacheAFragment") && both.hasFunction("cacheBFragment"));
}

// A missing or broken source fails the scene that asked for it, with the reason in the log, and
// leaves nothing cached: once fixed, the same key compiles.
TEST_F(GpuContextTest, ShaderFailuresAreLoggedAndNothingIsCached) {
    setSource("CtxMissFirst", fragmentSource("missFirstFragment"));
    setSource("CtxMissSecond", std::nullopt);
    setSource("CtxBroken", "#ifdef FRAGMENT_STAGE\nvoid brokenFragment() { undeclaredThing = 1.0; }\n#endif\n");
    const int before = gpu().compileCount();
    EventCapture capture;

    EXPECT_EQ(thrownBy([&] { (void)gpu().library({"CtxMissFirst", "CtxMissSecond"}); }),
              SceneError::missingShader("CtxMissSecond"));
    EXPECT_TRUE(capture.saw("CtxMissSecond.glsl is missing from the app bundle"));
    EXPECT_EQ(gpu().compileCount(), before);
    setSource("CtxMissSecond", fragmentSource("missSecondFragment"));
    EXPECT_TRUE(gpu().library({"CtxMissFirst", "CtxMissSecond"}).hasFunction("missSecondFragment"));

    const auto error = thrownBy([&] { (void)gpu().library({"CtxBroken"}); });
    EXPECT_EQ(error.kind(), SceneError::Kind::shaderCompile);
    EXPECT_FALSE(error.detail().empty());
    EXPECT_EQ(error.description(), "CtxBroken didn't compile: " + error.detail());
    EXPECT_TRUE(capture.saw("shader compile failed (CtxBroken): " + error.detail()));
    (void)thrownBy([&] { (void)gpu().library({"CtxBroken"}); });
    EXPECT_EQ(gpu().compileCount(), before + 3);
}

// Without the host's own shaders there is no context at all, with the reason.
TEST_F(GpuContextTest, CreationNeedsTheSharedLibrary) {
    auto missing = GpuContext::create(dev(), [](const std::string&) { return std::optional<std::string>(); });
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().message, "Shared.glsl is missing");

    auto broken = GpuContext::create(dev(), [](const std::string& name) -> std::optional<std::string> {
        if (name == "Shared") return "#ifdef VERTEX_STAGE\nvoid fullscreenVertex() { nonsense }\n#endif\n";
        return std::nullopt;
    });
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().message.rfind("Shared didn't compile: ", 0), 0u) << broken.error().message;
}

TEST(ShaderFolderTest, DirectoryLoaderReadsFilesAndLogsMissingOnes) {
    const auto folder = std::filesystem::temp_directory_path() / ("lumenfall-shaders-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Present.glsl", std::ios::binary) << "void a() {}\n// ünïcode\n";
    std::ofstream(folder / "Empty.glsl", std::ios::binary);
    std::filesystem::create_directories(folder / "Folder.glsl");
    auto load = GpuContext::directoryLoader(folder.string());
    EventCapture capture;

    EXPECT_EQ(load("Present"), std::optional<std::string>("void a() {}\n// ünïcode\n"));
    EXPECT_EQ(load("Empty"), std::optional<std::string>(""));
    EXPECT_EQ(load("Absent"), std::nullopt);
    EXPECT_EQ(load("Folder"), std::nullopt);
    EXPECT_EQ(capture.events, (std::vector<std::string>{"Absent.glsl is missing from the app bundle",
                                                        "Folder.glsl is missing from the app bundle"}));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumen::app::test
