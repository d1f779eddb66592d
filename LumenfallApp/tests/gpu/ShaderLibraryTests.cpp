#include "GpuTest.hpp"

#include "gpu/gl/ProgramCache.hpp"

namespace lumen::gpu::test {
namespace {

const char* const stagesSource = R"(
// void commentedVertex() { }
/* void blockCommentedVertex() {
   } */
void declaredOnly();

#ifdef VERTEX_STAGE
void plainVertex() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); }
#endif

#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void plainFragment() { fragColour = vec4(1.0); }
void otherFragment () { fragColour = vec4(0.5); }
#endif

#ifdef FRAGMENT_STAGE
// Defined for the fragment stage only: using it as a vertex entry fails to compile.
void fragmentOnly() { fragColour = vec4(0.25); }
#endif
)";

TEST(ShaderLibraryScan, FindsDefinitionsOnly)
{
    const auto names = definedVoidFunctions(stagesSource);
    EXPECT_TRUE(names.count("plainVertex"));
    EXPECT_TRUE(names.count("plainFragment"));
    EXPECT_TRUE(names.count("otherFragment"));
    EXPECT_FALSE(names.count("commentedVertex"));
    EXPECT_FALSE(names.count("blockCommentedVertex"));
    EXPECT_FALSE(names.count("declaredOnly"));
    EXPECT_FALSE(names.count("main"));
    EXPECT_TRUE(definedVoidFunctions("void f(int a, float b)\n{\n}").count("f"));
    EXPECT_FALSE(definedVoidFunctions("voidf() {}").count("f"));
    EXPECT_FALSE(definedVoidFunctions("float g() { return 1.0; }").count("g"));
}

class ShaderLibraryTest : public GpuTest {};

TEST_F(ShaderLibraryTest, MissingEntryPointIsMissingFunctionAndNothingCompiles)
{
    auto lib = library(stagesSource, "Stages");
    const auto programs = device().cachedProgramCount();
    const auto compiles = device().programs().compileCount();
    auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                 .vertexFunction = "plainVertex",
                                                 .fragmentFunction = "commentedVertex",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_FALSE(pipeline.ok());
    EXPECT_EQ(pipeline.error().kind, ErrorKind::missingFunction);
    EXPECT_NE(pipeline.error().message.find("\"commentedVertex\""), std::string::npos) << pipeline.error().message;
    EXPECT_EQ(device().cachedProgramCount(), programs);
    EXPECT_EQ(device().programs().compileCount(), compiles);

    auto kernel = device().makeComputePipeline({.library = &lib, .computeFunction = "noSuchKernel"});
    ASSERT_FALSE(kernel.ok());
    EXPECT_EQ(kernel.error().kind, ErrorKind::missingFunction);
    EXPECT_NE(kernel.error().message.find("noSuchKernel"), std::string::npos);
    EXPECT_EQ(device().cachedProgramCount(), programs);
}

TEST_F(ShaderLibraryTest, CompileErrorCarriesTheInfoLogAndIsNotCached)
{
    auto lib = library(stagesSource, "Stages");
    const auto programs = device().cachedProgramCount();
    auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                 .vertexFunction = "fragmentOnly",
                                                 .fragmentFunction = "plainFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_FALSE(pipeline.ok());
    EXPECT_EQ(pipeline.error().kind, ErrorKind::compile);
    const auto& message = pipeline.error().message;
    EXPECT_NE(message.find("Stages"), std::string::npos) << message;
    EXPECT_NE(message.find("fragmentOnly (vertex stage)"), std::string::npos) << message;
    EXPECT_NE(message.find("error"), std::string::npos) << "no info log in: " << message;
    EXPECT_EQ(device().cachedProgramCount(), programs);

    // A second try compiles again rather than returning a remembered failure.
    const auto compiles = device().programs().compileCount();
    auto again = device().makeRenderPipeline({.library = &lib,
                                              .vertexFunction = "fragmentOnly",
                                              .fragmentFunction = "plainFragment",
                                              .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    EXPECT_FALSE(again.ok());
    EXPECT_GT(device().programs().compileCount(), compiles);
}

TEST_F(ShaderLibraryTest, ProgramsAreCachedPerLibraryAndEntryPoints)
{
    auto lib = library(stagesSource, "Stages");
    auto copy = lib;
    const auto programs = device().cachedProgramCount();
    auto make = [&](const ShaderLibrary& l, const char* fragment, int samples) {
        return device().makeRenderPipeline({.library = &l,
                                            .vertexFunction = "plainVertex",
                                            .fragmentFunction = fragment,
                                            .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}},
                                            .sampleCount = samples});
    };
    auto first = make(lib, "plainFragment", 1);
    ASSERT_TRUE(first.ok()) << first.error().message;
    EXPECT_EQ(device().cachedProgramCount(), programs + 1);
    const auto compiles = device().programs().compileCount();

    auto second = make(copy, "plainFragment", 4);  // other state, same functions: same program
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->glProgram(), first->glProgram());
    EXPECT_EQ(device().programs().compileCount(), compiles);

    auto other = make(lib, "otherFragment", 1);
    ASSERT_TRUE(other.ok());
    EXPECT_NE(other->glProgram(), first->glProgram());

    auto sameText = library(stagesSource, "Stages");  // a new library is a new identity
    auto third = make(sameText, "plainFragment", 1);
    ASSERT_TRUE(third.ok());
    EXPECT_NE(third->glProgram(), first->glProgram());
    EXPECT_EQ(device().cachedProgramCount(), programs + 3);
}

TEST_F(ShaderLibraryTest, LibraryCompileErrorNamesTheKeyAndLine)
{
    auto lib = device().makeLibrary("float ok = 1.0;\n\nfloat broken = ;\n", "Common+Broken");
    ASSERT_FALSE(lib.ok());
    EXPECT_EQ(lib.error().kind, ErrorKind::compile);
    EXPECT_NE(lib.error().message.find("Common+Broken"), std::string::npos) << lib.error().message;
    // Line numbers count from the library's own first line.
    EXPECT_NE(lib.error().message.find(":3("), std::string::npos) << lib.error().message;
}

TEST_F(ShaderLibraryTest, LinkErrorIsReportedAsLink)
{
    // The vertex stage writes nothing the fragment stage reads as `in`: a link-time mismatch.
    auto lib = library(R"(
#ifdef VERTEX_STAGE
void v() { gl_Position = vec4(0.0); }
#endif
#ifdef FRAGMENT_STAGE
in vec4 neverWritten;
flat in int alsoNever;
layout(location = 0) out vec4 fragColour;
void f() { fragColour = neverWritten * float(alsoNever); }
#endif
)");
    auto pipeline = device().makeRenderPipeline({.library = &lib, .vertexFunction = "v", .fragmentFunction = "f",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_FALSE(pipeline.ok());
    EXPECT_EQ(pipeline.error().kind, ErrorKind::link) << pipeline.error().message;
}

}  // namespace
}  // namespace lumen::gpu::test
