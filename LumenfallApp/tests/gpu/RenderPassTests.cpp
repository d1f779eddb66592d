#include "GpuTest.hpp"

#include <cstring>

namespace lumen::gpu::test {
namespace {

class RenderPassTest : public GpuTest {};

TEST_F(RenderPassTest, ClearColourReadsBack)
{
    auto colour = target(16, 8);
    auto commands = device().makeCommandBuffer("clear");
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour,
                                .loadAction = LoadAction::clear,
                                .clearColor = {0.25, 0.5, 0.75, 1.0}};
    auto encoder = commands.renderEncoder(pass, "clear");
    ASSERT_TRUE(encoder.ok()) << encoder.error().message;
    encoder->endEncoding();
    commands.commit();
    ASSERT_TRUE(commands.waitUntilCompleted());

    const auto image = read(colour);
    ASSERT_EQ(image.width, 16);
    ASSERT_EQ(image.height, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_TRUE(near(image.pixel(x, y), {64, 128, 191, 255}, 1)) << x << "," << y;
        }
    }
}

TEST_F(RenderPassTest, ClearsEveryColourAttachmentAndKeepsLoadedOnes)
{
    auto a = target(4, 4), b = target(4, 4, PixelFormat::rgba16Float), c = target(4, 4);
    {
        auto commands = device().makeCommandBuffer();
        RenderPassDescriptor first;
        first.colorAttachments[0] = {.texture = &c, .loadAction = LoadAction::clear, .clearColor = {0, 1, 0, 1}};
        auto encoder = commands.renderEncoder(first);
        ASSERT_TRUE(encoder.ok());
        encoder->endEncoding();
        commands.commit();
    }
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &a, .loadAction = LoadAction::clear, .clearColor = {1, 0, 0, 1}};
    pass.colorAttachments[1] = {.texture = &b, .loadAction = LoadAction::clear, .clearColor = {0, 0, 1, 0.5}};
    pass.colorAttachments[3] = {.texture = &c, .loadAction = LoadAction::load};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok()) << encoder.error().message;
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(near(read(a).pixel(2, 2), {255, 0, 0, 255}));
    EXPECT_TRUE(near(read(b).pixel(2, 2), {0, 0, 255, 128}));
    EXPECT_TRUE(near(read(c).pixel(2, 2), {0, 255, 0, 255}));
}

const char* const triangleSource = R"(
struct Vertex { vec4 position; vec4 colour; };
layout(std430, binding = 0) readonly buffer Vertices { Vertex vertices[]; };

#ifdef VERTEX_STAGE
out vec4 vColour;
void triangleVertex()
{
    Vertex v = vertices[gl_VertexID];
    vColour = v.colour;
    gl_Position = v.position;
}
#endif

#ifdef FRAGMENT_STAGE
in vec4 vColour;
layout(location = 0) out vec4 fragColour;
void triangleFragment() { fragColour = vColour; }
#endif
)";

TEST_F(RenderPassTest, TriangleFromStorageBufferCoversItsHalf)
{
    auto lib = library(triangleSource);
    auto pipeline = device().makeRenderPipeline({.label = "triangle",
                                                 .library = &lib,
                                                 .vertexFunction = "triangleVertex",
                                                 .fragmentFunction = "triangleFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    // Lower-left half of clip space, in yellow.
    const float vertices[] = {-1, -1, 0, 1, 1, 1, 0, 1,  //
                              1,  -1, 0, 1, 1, 1, 0, 1,  //
                              -1, 1,  0, 1, 1, 1, 0, 1};
    auto buffer = device().makeBuffer({.size = sizeof vertices, .contents = vertices, .label = "triangle"});
    ASSERT_TRUE(buffer.ok());

    auto colour = target(8, 8);
    auto commands = device().makeCommandBuffer("triangle");
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear, .clearColor = {0, 0, 0.5, 1}};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->setVertexBuffer(0, *buffer, 0);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 1);
    encoder->endEncoding();
    commands.commit();

    const auto image = read(colour);
    int inside = 0, outside = 0;
    for (int row = 0; row < 8; ++row) {
        for (int x = 0; x < 8; ++x) {
            const int y = 7 - row;  // counted from the bottom, like clip space
            if (x + y < 7) {
                EXPECT_TRUE(near(image.pixel(x, row), {255, 255, 0, 255}, 0)) << x << "," << y;
                ++inside;
            } else if (x + y > 7) {
                EXPECT_TRUE(near(image.pixel(x, row), {0, 0, 128, 255}, 1)) << x << "," << y;
                ++outside;
            }
        }
    }
    EXPECT_EQ(inside, 28);
    EXPECT_EQ(outside, 28);
}

TEST_F(RenderPassTest, RenderTargetOrientationMatchesClipSpace)
{
    // Clip-space +y is the image's top row once read back.
    auto lib = library(fullscreenSource);
    auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                 .vertexFunction = "fullscreenVertex",
                                                 .fragmentFunction = "solidFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->setViewport({.originX = 0, .originY = 2, .width = 4, .height = 2});  // upper half
    const float white[8] = {1, 1, 1, 1, 0, 0, 0, 0};
    encoder->setFragmentBytes(0, white, sizeof white);
    encoder->setVertexBytes(0, white, sizeof white);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
    commands.commit();
    const auto image = read(colour);
    EXPECT_TRUE(near(image.pixel(1, 0), {255, 255, 255, 255}, 0));
    EXPECT_TRUE(near(image.pixel(1, 3), {0, 0, 0, 255}, 0));
}

TEST_F(RenderPassTest, InvalidPassesAreRefused)
{
    auto a = target(4, 4), b = target(8, 8);
    auto readOnly = device().makeTexture({.width = 4, .height = 4});
    ASSERT_TRUE(readOnly.ok());
    auto commands = device().makeCommandBuffer();

    RenderPassDescriptor empty;
    EXPECT_FALSE(commands.renderEncoder(empty).ok());

    RenderPassDescriptor sizes;
    sizes.colorAttachments[0] = {.texture = &a};
    sizes.colorAttachments[1] = {.texture = &b};
    EXPECT_FALSE(commands.renderEncoder(sizes).ok());

    RenderPassDescriptor usage;
    usage.colorAttachments[0] = {.texture = &*readOnly};
    EXPECT_FALSE(commands.renderEncoder(usage).ok());

    RenderPassDescriptor resolveOneSample;
    resolveOneSample.colorAttachments[0] = {.texture = &a, .storeAction = StoreAction::multisampleResolve,
                                            .resolveTexture = &b};
    EXPECT_FALSE(commands.renderEncoder(resolveOneSample).ok());
    commands.commit();
}

}  // namespace
}  // namespace lumen::gpu::test
