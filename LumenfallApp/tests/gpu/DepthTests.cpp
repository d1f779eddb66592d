#include "GpuTest.hpp"

namespace lumen::gpu::test {
namespace {

class DepthTest : public GpuTest {
protected:
    // Draws red at depth 0.0 (NDC z, window depth 0.5) writing depth, then green at `secondZ` with
    // `compare`; returns the pixel.
    std::array<std::uint8_t, 4> drawPair(float secondZ, CompareFunction compare)
    {
        auto lib = library(fullscreenSource);
        auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                     .vertexFunction = "fullscreenVertex",
                                                     .fragmentFunction = "solidFragment",
                                                     .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}},
                                                     .depthAttachmentPixelFormat = PixelFormat::depth32Float});
        EXPECT_TRUE(pipeline.ok()) << pipeline.error().message;
        auto colour = target(4, 4);
        auto depth = depthTarget(4, 4);
        auto commands = device().makeCommandBuffer("depth");
        RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
        pass.depthAttachment = {.texture = &depth, .loadAction = LoadAction::clear,
                                .storeAction = StoreAction::dontCare, .clearDepth = 1.0};
        auto encoder = commands.renderEncoder(pass);
        EXPECT_TRUE(encoder.ok());
        encoder->setPipeline(*pipeline);
        encoder->setDepthState(device().makeDepthState({.depthCompareFunction = CompareFunction::less,
                                                        .depthWriteEnabled = true}));
        const float red[8] = {1, 0, 0, 1, 0.0f, 0, 0, 0};
        encoder->setVertexBytes(0, red, sizeof red);
        encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
        encoder->setDepthState(device().makeDepthState({.depthCompareFunction = compare}));
        const float green[8] = {0, 1, 0, 1, secondZ, 0, 0, 0};
        encoder->setVertexBytes(0, green, sizeof green);
        encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
        EXPECT_EQ(encoder->drawCount(), 2);
        encoder->endEncoding();
        commands.commit();
        return read(colour).pixel(2, 2);
    }
};

TEST_F(DepthTest, LessRejectsFartherFragments) { EXPECT_TRUE(near(drawPair(0.6f, CompareFunction::less), {255, 0, 0, 255}, 0)); }

TEST_F(DepthTest, LessAcceptsNearerFragments) { EXPECT_TRUE(near(drawPair(-0.6f, CompareFunction::less), {0, 255, 0, 255}, 0)); }

TEST_F(DepthTest, AlwaysIgnoresDepth) { EXPECT_TRUE(near(drawPair(0.6f, CompareFunction::always), {0, 255, 0, 255}, 0)); }

TEST_F(DepthTest, LessEqualAcceptsEqualDepth)
{
    EXPECT_TRUE(near(drawPair(0.0f, CompareFunction::lessEqual), {0, 255, 0, 255}, 0));
    EXPECT_TRUE(near(drawPair(0.0f, CompareFunction::less), {255, 0, 0, 255}, 0));
}

TEST_F(DepthTest, DefaultStateNeitherTestsNorWrites)
{
    // Without a depth state a farther draw still lands: a pass starts with depth testing off.
    auto lib = library(fullscreenSource);
    auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                 .vertexFunction = "fullscreenVertex",
                                                 .fragmentFunction = "solidFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}},
                                                 .depthAttachmentPixelFormat = PixelFormat::depth32Float});
    ASSERT_TRUE(pipeline.ok());
    auto colour = target(4, 4);
    auto depth = depthTarget(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    pass.depthAttachment = {.texture = &depth, .loadAction = LoadAction::clear, .storeAction = StoreAction::dontCare,
                            .clearDepth = 0.0};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    const float blue[8] = {0, 0, 1, 1, 0.9f, 0, 0, 0};
    encoder->setVertexBytes(0, blue, sizeof blue);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(near(read(colour).pixel(1, 1), {0, 0, 255, 255}, 0));
}

}  // namespace
}  // namespace lumen::gpu::test
