#include "GpuTest.hpp"

#include <cstring>

namespace lumen::gpu::test {
namespace {

// A white triangle over half the target: its diagonal edge crosses pixels partly, so resolved
// samples along it average to greys.
const char* const edgeSource = R"(
#ifdef VERTEX_STAGE
void edgeVertex()
{
    const vec2 corners[3] = vec2[3](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 0.6));
    gl_Position = vec4(corners[gl_VertexID], 0.0, 1.0);
}
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void whiteFragment() { fragColour = vec4(1.0); }
#endif
)";

class MultisampleTest : public GpuTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MultisampleTest, ResolvedEdgeHasIntermediateValues)
{
    const bool memoryless = GetParam();
    auto lib = library(edgeSource);
    auto pipeline = device().makeRenderPipeline({.label = "edge",
                                                 .library = &lib,
                                                 .vertexFunction = "edgeVertex",
                                                 .fragmentFunction = "whiteFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}},
                                                 .depthAttachmentPixelFormat = PixelFormat::depth32Float,
                                                 .sampleCount = 4});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    auto samples = device().makeTexture({.type = TextureType::type2DMultisample,
                                         .format = PixelFormat::rgba8Unorm,
                                         .width = 16,
                                         .height = 16,
                                         .sampleCount = 4,
                                         .usage = TextureUsage::renderTarget,
                                         .memoryless = memoryless,
                                         .label = "msaa colour"});
    ASSERT_TRUE(samples.ok()) << samples.error().message;
    auto depth = depthTarget(16, 16, 4);
    auto resolved = target(16, 16);

    auto commands = device().makeCommandBuffer("msaa");
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &*samples,
                                .loadAction = LoadAction::clear,
                                .storeAction = StoreAction::multisampleResolve,
                                .clearColor = {0, 0, 0, 1},
                                .resolveTexture = &resolved};
    pass.depthAttachment = {.texture = &depth, .loadAction = LoadAction::clear, .storeAction = StoreAction::dontCare};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok()) << encoder.error().message;
    EXPECT_EQ(encoder->sampleCount(), 4);
    encoder->setPipeline(*pipeline);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 1);
    encoder->endEncoding();
    commands.commit();

    const auto image = read(resolved);
    int partial = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const int red = image.pixel(x, y)[0];
            partial += red > 20 && red < 235;
        }
    }
    EXPECT_GE(partial, 4) << "no anti-aliased pixels along the edge";
    EXPECT_TRUE(near(image.pixel(0, 15), {255, 255, 255, 255}, 0));  // bottom-left: inside
    EXPECT_TRUE(near(image.pixel(15, 0), {0, 0, 0, 255}, 0));        // top-right: outside
}

INSTANTIATE_TEST_SUITE_P(Storage, MultisampleTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "memoryless" : "texture"; });

TEST_F(GpuTest, MultisampleTextureReadsBackResolved)
{
    auto samples = target(8, 8, PixelFormat::rgba8Unorm, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &samples, .loadAction = LoadAction::clear, .clearColor = {0, 1, 0, 1}};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(near(read(samples).pixel(3, 3), {0, 255, 0, 255}, 0));
}

TEST_F(GpuTest, MultisampleDepthResolvesIntoAOneSampleTexture)
{
    auto samples = device().makeTexture({.type = TextureType::type2DMultisample, .format = PixelFormat::depth32Float,
                                         .width = 4, .height = 4, .sampleCount = 4,
                                         .usage = TextureUsage::renderTarget, .memoryless = true});
    auto resolved = device().makeTexture({.format = PixelFormat::depth32Float, .width = 4, .height = 4,
                                          .usage = TextureUsage::renderTarget | TextureUsage::shaderRead});
    ASSERT_TRUE(samples.ok() && resolved.ok());
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.depthAttachment = {.texture = &*samples, .loadAction = LoadAction::clear,
                            .storeAction = StoreAction::multisampleResolve, .clearDepth = 0.25,
                            .resolveTexture = &*resolved};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok()) << encoder.error().message;
    encoder->endEncoding();
    commands.commit();
    auto bytes = resolved->readBytes();
    ASSERT_TRUE(bytes.ok());
    float depth = 0;
    std::memcpy(&depth, bytes->data() + 4 * 5, sizeof depth);
    EXPECT_FLOAT_EQ(depth, 0.25f);
}

}  // namespace
}  // namespace lumen::gpu::test
