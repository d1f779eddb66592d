#include "GpuTest.hpp"

#include "gpu/gl/ProgramCache.hpp"

#include <functional>

namespace lumen::gpu::test {
namespace {

// Entry points are defined void functions; comments and declarations are none.
const char* const stagesSource = R"(
// void commentedVertex() { }
/* void blockCommented() {
   } */
void declaredOnly();
#ifdef VERTEX_STAGE
void plainVertex() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void plainFragment() { fragColour = vec4(1.0); }
void otherFragment () { fragColour = vec4(0.5); }
void fragmentOnly() { fragColour = vec4(0.25); }  // as a vertex entry it fails to compile
#endif
)";

using ShaderLibraryTest = GpuTest;

// A broken shader is an error with its reason, never a crash, and nothing broken is cached.
TEST_F(ShaderLibraryTest, FailuresAreReportedWithTheirKindAndWhere)
{
    const auto make = [&](const ShaderLibrary& lib, const char* vertex, const char* fragment, int samples = 1) {
        return device().makeRenderPipeline({.library = &lib, .vertexFunction = vertex, .fragmentFunction = fragment,
                                            .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}},
                                            .sampleCount = samples});
    };
    auto lib = library(stagesSource, "Stages");
    auto unlinked = library(R"(
#ifdef FRAGMENT_STAGE
in vec4 neverWritten;
flat in int alsoNever;
layout(location = 0) out vec4 fragColour;
void f() { fragColour = neverWritten * float(alsoNever); }
#endif
)");
    const std::tuple<std::function<Result<RenderPipeline>()>, ErrorKind, std::vector<std::string>> cases[] = {
        {[&] { return make(lib, "plainVertex", "commentedVertex"); }, ErrorKind::missingFunction, {"commentedVertex"}},
        {[&] { return make(lib, "plainVertex", "blockCommented"); }, ErrorKind::missingFunction, {}},
        {[&] { return make(lib, "plainVertex", "declaredOnly"); }, ErrorKind::missingFunction, {}},
        {[&] { return make(lib, "fragmentOnly", "plainFragment"); }, ErrorKind::compile,
         {"Stages", "fragmentOnly (vertex stage)", "error"}},
        {[&] { return make(unlinked, "coverVertex", "f"); }, ErrorKind::link, {}},
    };
    const auto programs = device().cachedProgramCount();
    for (const auto& [attempt, kind, mentions] : cases) {
        auto failed = attempt();
        ASSERT_FALSE(failed.ok());
        EXPECT_EQ(failed.error().kind, kind) << failed.error().message;
        for (const auto& text : mentions) {
            EXPECT_NE(failed.error().message.find(text), std::string::npos) << failed.error().message;
        }
    }
    auto kernel = device().makeComputePipeline({.library = &lib, .computeFunction = "noSuchKernel"});
    ASSERT_FALSE(kernel.ok());
    EXPECT_EQ(kernel.error().kind, ErrorKind::missingFunction);
    EXPECT_EQ(device().cachedProgramCount(), programs);

    // A missing entry point compiles nothing; a failed compile is tried again, not remembered.
    const auto compiles = device().programs().compileCount();
    EXPECT_FALSE(make(lib, "plainVertex", "noSuchFragment").ok());
    EXPECT_EQ(device().programs().compileCount(), compiles);
    EXPECT_FALSE(make(lib, "fragmentOnly", "plainFragment").ok());
    EXPECT_GT(device().programs().compileCount(), compiles);
    // What did build is kept: other pipeline state over the same functions is the same program.
    auto first = make(lib, "plainVertex", "plainFragment"), again = make(lib, "plainVertex", "plainFragment", 4);
    ASSERT_TRUE(first && again);
    EXPECT_EQ(again->glProgram(), first->glProgram());

    // Errors in shared code surface when the library is made; lines count from its own first.
    auto broken = device().makeLibrary("float ok = 1.0;\n\nfloat broken = ;\n#ifdef VERTEX_STAGE\n#endif\n",
                                       "Common+Broken");
    ASSERT_FALSE(broken.ok());
    EXPECT_EQ(broken.error().kind, ErrorKind::compile);
    EXPECT_NE(broken.error().message.find("Common+Broken"), std::string::npos) << broken.error().message;
    EXPECT_NE(broken.error().message.find(":3("), std::string::npos) << broken.error().message;
}

}  // namespace
}  // namespace lumen::gpu::test
