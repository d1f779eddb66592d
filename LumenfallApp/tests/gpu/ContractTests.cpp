#include "GpuTest.hpp"

namespace lumen::gpu::test {
namespace {

class ContractTest : public GpuTest {
protected:
    RenderPipeline solid(int samples, PixelFormat colour = PixelFormat::rgba8Unorm,
                         PixelFormat depth = PixelFormat::invalid)
    {
        if (!lib_) {
            lib_ = std::make_unique<ShaderLibrary>(library(fullscreenSource));
        }
        auto made = device().makeRenderPipeline({.label = "solid",
                                                 .library = lib_.get(),
                                                 .vertexFunction = "fullscreenVertex",
                                                 .fragmentFunction = "solidFragment",
                                                 .colorAttachments = {{.pixelFormat = colour}},
                                                 .depthAttachmentPixelFormat = depth,
                                                 .sampleCount = samples});
        if (!made) {
            throw std::runtime_error(made.error().message);
        }
        return std::move(*made);
    }

    std::unique_ptr<ShaderLibrary> lib_;
};

const float white[8] = {1, 1, 1, 1, 0, 0, 0, 0};

TEST_F(ContractTest, SampleCountMismatchSkipsTheDrawWithAClearMessage)
{
    auto pipeline = solid(1);
    auto samples = target(4, 4, PixelFormat::rgba8Unorm, 4);
    auto resolved = target(4, 4);
    const auto violations = device().contractViolations();
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &samples, .loadAction = LoadAction::clear,
                                .storeAction = StoreAction::multisampleResolve, .resolveTexture = &resolved};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(pipeline);
    encoder->setFragmentBytes(0, white, sizeof white);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 0);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(reported("pipeline \"solid\" has sample count 1 but the pass has 4"));
    EXPECT_GT(device().contractViolations(), violations);
    EXPECT_TRUE(near(read(resolved).pixel(1, 1), {0, 0, 0, 255}, 0));  // nothing drawn
}

TEST_F(ContractTest, FormatMismatchesAreCaught)
{
    auto bgraPipeline = solid(1, PixelFormat::bgra8Unorm);
    auto depthPipeline = solid(1, PixelFormat::rgba8Unorm, PixelFormat::depth32Float);
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setFragmentBytes(0, white, sizeof white);
    encoder->setPipeline(bgraPipeline);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_TRUE(reported("as bgra8Unorm but the pass has rgba8Unorm"));
    encoder->setPipeline(depthPipeline);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_TRUE(reported("expects depth format depth32Float but the pass has invalid"));
    EXPECT_EQ(encoder->skippedDrawCount(), 2);
    encoder->endEncoding();
    commands.commit();
}

TEST_F(ContractTest, CallsAfterEndEncodingAreOutsideThePass)
{
    auto pipeline = solid(1);
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->endEncoding();
    const auto violations = device().contractViolations();
    encoder->setPipeline(pipeline);
    encoder->setFragmentBytes(0, white, sizeof white);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(device().contractViolations(), violations + 3);
    EXPECT_TRUE(reported("setFragmentBytes on a render encoder that is not encoding (outside its pass)"));
    EXPECT_EQ(encoder->drawCount(), 0);
    commands.commit();
    EXPECT_TRUE(near(read(colour).pixel(0, 0), {0, 0, 0, 255}, 0));
}

TEST_F(ContractTest, DrawWithoutPipelineIsSkipped)
{
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    EXPECT_TRUE(reported("no pipeline set"));
    encoder->endEncoding();
    commands.commit();
}

TEST_F(ContractTest, EncoderLeftOpenIsEndedWhenDestroyed)
{
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    {
        auto encoder = commands.renderEncoder(pass, "forgotten");
        ASSERT_TRUE(encoder.ok());
    }
    EXPECT_TRUE(reported("render encoder \"forgotten\" destroyed without endEncoding()"));
    // The GL state is free again for the next encoder.
    auto next = commands.renderEncoder(pass);
    EXPECT_TRUE(next.ok());
    next->endEncoding();
    commands.commit();
}

TEST_F(ContractTest, RepeatedViolationsAreThinnedButCounted)
{
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass, "repeats");
    ASSERT_TRUE(encoder.ok());
    const auto violations = device().contractViolations();
    const auto shown = messages().size();
    for (int frame = 0; frame < 12; ++frame) {
        encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    }
    EXPECT_EQ(device().contractViolations(), violations + 12);
    ASSERT_EQ(messages().size(), shown + 2);
    EXPECT_EQ(messages().back(), "drawPrimitives skipped: no pipeline set (10 times)");
    encoder->endEncoding();
    commands.commit();
}

TEST_F(ContractTest, MemorylessTargetsCannotBeLoadedStoredOrSampled)
{
    auto memoryless = device().makeTexture({.width = 4, .height = 4, .usage = TextureUsage::renderTarget,
                                            .memoryless = true});
    ASSERT_TRUE(memoryless.ok());
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor load;
    load.colorAttachments[0] = {.texture = &*memoryless, .loadAction = LoadAction::load,
                                .storeAction = StoreAction::dontCare};
    EXPECT_FALSE(commands.renderEncoder(load).ok());
    RenderPassDescriptor store;
    store.colorAttachments[0] = {.texture = &*memoryless, .loadAction = LoadAction::clear};
    EXPECT_FALSE(commands.renderEncoder(store).ok());
    EXPECT_FALSE(readImageRGBA8(device(), *memoryless).ok());
    commands.commit();
}

}  // namespace
}  // namespace lumen::gpu::test
