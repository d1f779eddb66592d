#include "GpuTest.hpp"

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

// Red at NDC depth 0 writing depth, then per pixel green at some depth under some compare.
TEST_F(RenderPassTest, DepthCompareDecidesWhichDrawShows)
{
    const std::tuple<float, CompareFunction, bool> cases[] = {
        {0.6f, CompareFunction::less, false}, {-0.6f, CompareFunction::less, true},
        {0.0f, CompareFunction::less, false}, {0.0f, CompareFunction::lessEqual, true},
        {0.6f, CompareFunction::always, true},
    };
    auto pipeline = solid({.pixelFormat = PixelFormat::rgba8Unorm}, PixelFormat::depth32Float);
    auto colour = target(5, 1), depth = depthTarget(5, 1);
    RenderPassDescriptor descriptor;
    descriptor.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    descriptor.depthAttachment = {.texture = &depth, .loadAction = LoadAction::clear,
                                  .storeAction = StoreAction::dontCare};
    auto p = pass(descriptor);
    p->setPipeline(pipeline);
    p->setDepthState(device().makeDepthState({.depthCompareFunction = CompareFunction::less,
                                              .depthWriteEnabled = true}));
    const Solid red{.colour = {1, 0, 0, 1}};
    p->setVertexBytes(0, &red, sizeof red);
    p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    for (int x = 0; x < 5; ++x) {
        const Solid green{.colour = {0, 1, 0, 1}, .depth = std::get<0>(cases[x])};
        p->setViewport({.originX = double(x), .width = 1, .height = 1});
        p->setDepthState(device().makeDepthState({.depthCompareFunction = std::get<1>(cases[x])}));
        p->setVertexBytes(0, &green, sizeof green);
        p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    }
    p.commit();
    const auto image = read(colour);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(image.pixel(x, 0)[1] == 255, std::get<2>(cases[x])) << "case " << x;
    }
}

}  // namespace
}  // namespace lumen::gpu::test
