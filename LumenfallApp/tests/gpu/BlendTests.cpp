#include "GpuTest.hpp"

namespace lumen::gpu::test {
namespace {

struct BlendCase {
    const char* name;
    RenderPipelineColorAttachment attachment;
    std::array<float, 4> source;
    std::array<float, 4> destination;
    std::array<float, 4> expected;
};

class BlendTest : public GpuTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(BlendTest, CompositesSourceOverDestination)
{
    const auto& c = GetParam();
    auto lib = library(fullscreenSource);
    auto attachment = c.attachment;
    attachment.pixelFormat = PixelFormat::rgba8Unorm;
    auto pipeline = device().makeRenderPipeline({.label = c.name,
                                                 .library = &lib,
                                                 .vertexFunction = "fullscreenVertex",
                                                 .fragmentFunction = "solidFragment",
                                                 .colorAttachments = {attachment}});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;

    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer(c.name);
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour,
                                .loadAction = LoadAction::clear,
                                .clearColor = {c.destination[0], c.destination[1], c.destination[2], c.destination[3]}};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    const float bytes[8] = {c.source[0], c.source[1], c.source[2], c.source[3], 0, 0, 0, 0};
    encoder->setVertexBytes(0, bytes, sizeof bytes);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
    commands.commit();

    std::array<int, 4> want{};
    for (int i = 0; i < 4; ++i) {
        want[i] = static_cast<int>(c.expected[i] * 255.0f + 0.5f);
    }
    EXPECT_TRUE(near(read(colour).pixel(1, 1), want, 2)) << c.name;
}

RenderPipelineColorAttachment blend(BlendOperation op, BlendFactor srcRGB, BlendFactor dstRGB, BlendFactor srcA,
                                    BlendFactor dstA)
{
    return {.blendingEnabled = true,
            .rgbBlendOperation = op,
            .alphaBlendOperation = op,
            .sourceRGBBlendFactor = srcRGB,
            .destinationRGBBlendFactor = dstRGB,
            .sourceAlphaBlendFactor = srcA,
            .destinationAlphaBlendFactor = dstA};
}

using F = BlendFactor;

INSTANTIATE_TEST_SUITE_P(
    Modes, BlendTest,
    ::testing::Values(
        // rgb = s.rgb * s.a + d.rgb * (1 - s.a); a = s.a + d.a * (1 - s.a)
        BlendCase{"alpha", blend(BlendOperation::add, F::sourceAlpha, F::oneMinusSourceAlpha, F::one,
                                 F::oneMinusSourceAlpha),
                  {1.0f, 0.0f, 0.0f, 0.5f}, {0.0f, 0.0f, 1.0f, 1.0f}, {0.5f, 0.0f, 0.5f, 1.0f}},
        // rgb = s.rgb + d.rgb; a = d.a
        BlendCase{"additive", blend(BlendOperation::add, F::one, F::one, F::zero, F::one),
                  {0.25f, 0.5f, 0.0f, 0.5f}, {0.5f, 0.25f, 0.2f, 0.8f}, {0.75f, 0.75f, 0.2f, 0.8f}},
        // rgb = s.rgb + d.rgb * (1 - s.a); a = s.a + d.a * (1 - s.a)
        BlendCase{"premultiplied", blend(BlendOperation::add, F::one, F::oneMinusSourceAlpha, F::one,
                                         F::oneMinusSourceAlpha),
                  {0.3f, 0.1f, 0.0f, 0.6f}, {0.0f, 0.5f, 1.0f, 1.0f}, {0.3f, 0.3f, 0.4f, 1.0f}},
        BlendCase{"minimum", blend(BlendOperation::min, F::one, F::one, F::one, F::one),
                  {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f}, {0.3f, 0.4f, 0.5f, 0.2f}},
        BlendCase{"maximum", blend(BlendOperation::max, F::one, F::one, F::one, F::one),
                  {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f}, {0.6f, 0.8f, 0.5f, 0.9f}},
        BlendCase{"opaque", {}, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f}, {0.3f, 0.8f, 0.5f, 0.2f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GpuTest, BlendingAppliesPerAttachment)
{
    auto lib = library(R"(
#ifdef VERTEX_STAGE
void coverVertex() { gl_Position = vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 first;
layout(location = 1) out vec4 second;
void twoFragment() { first = vec4(0.5, 0.5, 0.5, 0.5); second = vec4(0.5, 0.5, 0.5, 0.5); }
#endif
)");
    auto pipeline = device().makeRenderPipeline(
        {.library = &lib,
         .vertexFunction = "coverVertex",
         .fragmentFunction = "twoFragment",
         .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm},
                              {.pixelFormat = PixelFormat::rgba8Unorm,
                               .blendingEnabled = true,
                               .sourceRGBBlendFactor = F::one,
                               .destinationRGBBlendFactor = F::one,
                               .sourceAlphaBlendFactor = F::one,
                               .destinationAlphaBlendFactor = F::one}}});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    auto a = target(2, 2), b = target(2, 2);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &a, .loadAction = LoadAction::clear, .clearColor = {0.25, 0.25, 0.25, 0.25}};
    pass.colorAttachments[1] = {.texture = &b, .loadAction = LoadAction::clear, .clearColor = {0.25, 0.25, 0.25, 0.25}};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(near(read(a).pixel(0, 0), {128, 128, 128, 128}));
    EXPECT_TRUE(near(read(b).pixel(0, 0), {191, 191, 191, 191}));
}

}  // namespace
}  // namespace lumen::gpu::test
