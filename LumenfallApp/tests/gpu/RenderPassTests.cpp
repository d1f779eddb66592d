#include "GpuTest.hpp"

#include <cstring>

namespace lumen::gpu::test {
namespace {

using RenderPassTest = GpuTest;

TEST_F(RenderPassTest, ClearsEveryColourAttachmentKeepsLoadedOnesAndDrawsUpsideUp)
{
    auto a = target(8, 4), b = target(8, 4, PixelFormat::rgba16Float), c = target(8, 4);
    pass(c, {0, 1, 0, 1}).commit();
    RenderPassDescriptor descriptor;
    descriptor.colorAttachments[0] = {.texture = &a, .loadAction = LoadAction::clear, .clearColor = {.25, .5, .75, 1}};
    descriptor.colorAttachments[1] = {.texture = &b, .loadAction = LoadAction::clear, .clearColor = {0, 0, 1, 0.5}};
    descriptor.colorAttachments[3] = {.texture = &c, .loadAction = LoadAction::load};
    pass(descriptor).commit();
    EXPECT_TRUE(near(read(a).pixel(7, 3), {64, 128, 191, 255}, 1));
    EXPECT_TRUE(near(read(b).pixel(2, 2), {0, 0, 255, 128}, 1));
    EXPECT_TRUE(near(read(c).pixel(2, 2), {0, 255, 0, 255}));

    // Viewports count from the bottom-left; clip-space up is the image's top row.
    auto solid = this->solid();
    auto p = pass(a);
    p->setPipeline(solid);
    p->setViewport({.originY = 2, .width = 8, .height = 2});
    const Solid white{.colour = {1, 1, 1, 1}};
    p->setVertexBytes(0, &white, sizeof white);
    p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    p.commit();
    EXPECT_TRUE(near(read(a).pixel(1, 0), {255, 255, 255, 255}));
    EXPECT_TRUE(near(read(a).pixel(1, 3), {0, 0, 0, 255}));
}

TEST_F(RenderPassTest, InvalidPassesAreRefused)
{
    auto a = target(4, 4), b = target(8, 8);
    auto readOnly = device().makeTexture({.width = 4, .height = 4});
    auto memoryless = device().makeTexture({.width = 4, .height = 4, .usage = TextureUsage::renderTarget,
                                            .memoryless = true});
    ASSERT_TRUE(readOnly && memoryless);
    EXPECT_FALSE(readImageRGBA8(device(), *memoryless).ok());
    const std::tuple<RenderPassColorAttachment, RenderPassColorAttachment, const char*> cases[] = {
        {{}, {}, "no attachments"},
        {{.texture = &a}, {.texture = &b}, "is 8x8, the pass is 4x4"},
        {{.texture = &*readOnly}, {}, "lacks renderTarget usage"},
        {{.texture = &a, .storeAction = StoreAction::multisampleResolve, .resolveTexture = &b}, {},
         "resolves but has one sample"},
        {{.texture = &*memoryless, .storeAction = StoreAction::dontCare}, {}, "memoryless: nothing to load"},
        {{.texture = &*memoryless, .loadAction = LoadAction::clear}, {}, "memoryless: it cannot be stored"},
    };
    auto commands = device().makeCommandBuffer();
    for (const auto& [first, second, message] : cases) {
        RenderPassDescriptor descriptor;
        descriptor.colorAttachments[0] = first;
        descriptor.colorAttachments[1] = second;
        auto encoder = commands.renderEncoder(descriptor);
        ASSERT_FALSE(encoder.ok()) << message;
        EXPECT_EQ(encoder.error().kind, ErrorKind::invalidDescriptor);
        EXPECT_NE(encoder.error().message.find(message), std::string::npos) << encoder.error().message;
    }
    commands.commit();
}

// Red at NDC depth 0 writing depth, then green at some depth under some compare function.
TEST_F(RenderPassTest, DepthCompareDecidesWhichDrawShows)
{
    const std::tuple<float, CompareFunction, bool> cases[] = {
        {0.6f, CompareFunction::less, false},     {-0.6f, CompareFunction::less, true},
        {0.0f, CompareFunction::less, false},     {0.0f, CompareFunction::lessEqual, true},
        {0.6f, CompareFunction::always, true},
    };
    auto pipeline = solid({.pixelFormat = PixelFormat::rgba8Unorm}, PixelFormat::depth32Float);
    auto colour = target(4, 4);
    auto depth = depthTarget(4, 4);
    RenderPassDescriptor descriptor;
    descriptor.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    descriptor.depthAttachment = {.texture = &depth, .loadAction = LoadAction::clear, .storeAction = StoreAction::dontCare};
    for (const auto& [greenZ, compare, greenShows] : cases) {
        auto p = pass(descriptor);
        p->setPipeline(pipeline);
        const Solid red{.colour = {1, 0, 0, 1}}, green{.colour = {0, 1, 0, 1}, .depth = greenZ};
        p->setDepthState(device().makeDepthState({.depthCompareFunction = CompareFunction::less,
                                                  .depthWriteEnabled = true}));
        p->setVertexBytes(0, &red, sizeof red);
        p->drawPrimitives(PrimitiveType::triangle, 0, 3);
        p->setDepthState(device().makeDepthState({.depthCompareFunction = compare}));
        p->setVertexBytes(0, &green, sizeof green);
        p->drawPrimitives(PrimitiveType::triangle, 0, 3);
        p.commit();
        EXPECT_EQ(read(colour).pixel(2, 2)[1] == 255, greenShows) << "green at " << greenZ << ", " << int(compare);
    }
}

// A triangle over half the target: resolved samples along its diagonal edge average to greys,
// whether the samples live in a texture or nowhere. Depth resolves too; without a depth state
// the pass neither tests nor writes it.
TEST_F(RenderPassTest, MultisampleAttachmentsResolve)
{
    auto lib = library(solidSource + std::string(R"(
#ifdef VERTEX_STAGE
void edgeVertex() { gl_Position = vec4(vec2[3](vec2(-1.0), vec2(1.0, -1.0), vec2(-1.0, 0.6))[gl_VertexID], 0, 1); }
#endif
)"));
    auto edge = pipeline({.library = &lib, .vertexFunction = "edgeVertex", .fragmentFunction = "solidFragment",
                          .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}},
                          .depthAttachmentPixelFormat = PixelFormat::depth32Float, .sampleCount = 4});
    auto depth = depthTarget(16, 16, 4), resolved = target(16, 16);
    auto resolvedDepth = device().makeTexture({.format = PixelFormat::depth32Float, .width = 16, .height = 16,
                                               .usage = TextureUsage::renderTarget | TextureUsage::shaderRead});
    ASSERT_TRUE(resolvedDepth.ok());
    for (bool memoryless : {false, true}) {
        const auto usage = memoryless ? TextureUsage::renderTarget : TextureUsage::renderTarget | TextureUsage::shaderRead;
        auto samples = device().makeTexture({.type = TextureType::type2DMultisample, .width = 16, .height = 16,
                                             .sampleCount = 4, .usage = usage, .memoryless = memoryless}).value();
        RenderPassDescriptor descriptor;
        descriptor.colorAttachments[0] = {
            .texture = &samples, .loadAction = LoadAction::clear,
            .storeAction = memoryless ? StoreAction::multisampleResolve : StoreAction::storeAndMultisampleResolve,
            .resolveTexture = &resolved};
        descriptor.depthAttachment = {.texture = &depth, .loadAction = LoadAction::clear,
                                      .storeAction = StoreAction::multisampleResolve, .clearDepth = 0.25,
                                      .resolveTexture = &*resolvedDepth};
        auto p = pass(descriptor);
        p->setPipeline(edge);
        const Solid white{.colour = {1, 1, 1, 1}};
        p->setFragmentBytes(0, &white, sizeof white);
        p->drawPrimitives(PrimitiveType::triangle, 0, 3);
        p.commit();

        const auto image = read(resolved);
        int partial = 0;
        for (int i = 0; i < 16 * 16; ++i) {
            partial += image.pixel(i % 16, i / 16)[0] > 20 && image.pixel(i % 16, i / 16)[0] < 235;
        }
        EXPECT_GE(partial, 4) << "no anti-aliased pixels along the edge; memoryless " << memoryless;
        EXPECT_TRUE(near(image.pixel(0, 15), {255, 255, 255, 255}));  // bottom-left: inside
        EXPECT_TRUE(near(image.pixel(15, 0), {0, 0, 0, 255}));        // top-right: outside
        if (!memoryless) {
            EXPECT_TRUE(near(read(samples).pixel(0, 15), {255, 255, 255, 255}));  // kept samples read resolved
        }
        float value = 0;
        std::memcpy(&value, resolvedDepth->readBytes().value().data() + 4 * 5, sizeof value);
        EXPECT_FLOAT_EQ(value, 0.25f);
    }
}

}  // namespace
}  // namespace lumen::gpu::test
