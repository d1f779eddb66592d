#include "GpuTest.hpp"

#include <chrono>
#include <thread>

namespace lumen::gpu::test {
namespace {

using Clock = std::chrono::steady_clock;
using CommandBufferTest = GpuTest;

// The frame driver polls status() every frame to limit the frames in flight: a poll must never
// wait for the GPU, and commit() must not either.
TEST_F(CommandBufferTest, StatusGoesFromCommittedToCompletedWithoutBlocking)
{
    // Hardware may finish a heavy frame before commit() returns; llvmpipe never does.
    const bool software = device().info().renderer.find("llvmpipe") != std::string::npos;
    auto solid = this->solid();
    auto colour = target(512, 512);
    auto p = pass(colour);
    p->setPipeline(solid);
    const Solid red{.colour = {1, 0, 0, 1}};
    p->setFragmentBytes(0, &red, sizeof red);
    p->drawPrimitives(PrimitiveType::triangle, 0, 3, software ? 2000 : 200);  // heavy overdraw
    p->endEncoding();
    EXPECT_EQ(p.commands.status(), CommandBufferStatus::notCommitted);
    p.commit();
    if (software) {
        EXPECT_EQ(p.commands.status(), CommandBufferStatus::committed);
        EXPECT_EQ(p.commands.gpuEndTime(), 0.0);
    }

    auto slowest = Clock::duration::zero();
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    auto status = CommandBufferStatus::committed;
    while (status == CommandBufferStatus::committed && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto before = Clock::now();
        status = p.commands.status();
        slowest = std::max(slowest, Clock::now() - before);
    }
    ASSERT_EQ(status, CommandBufferStatus::completed);
    // A poll that waited for the GPU would take about as long as the whole frame.
    EXPECT_LT(std::chrono::duration<double>(slowest).count(), 0.05);
    EXPECT_GE(p.commands.gpuEndTime(), p.commands.gpuStartTime());
    EXPECT_GT(p.commands.gpuStartTime(), 0.0);
    EXPECT_EQ(p.commands.status(), CommandBufferStatus::completed);  // completion is sticky
}

TEST_F(CommandBufferTest, OneEncoderAtATimeNoneAfterCommitAndOneLeftOpenIsEndedWhenDestroyed)
{
    auto colour = target(4, 4);
    RenderPassDescriptor descriptor;
    descriptor.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto commands = device().makeCommandBuffer();
    EXPECT_FALSE(commands.waitUntilCompleted(0.1));
    {
        auto forgotten = commands.renderEncoder(descriptor, "forgotten");
        ASSERT_TRUE(forgotten.ok());
        EXPECT_FALSE(commands.computeEncoder().ok());
        EXPECT_FALSE(commands.renderEncoder(descriptor).ok());
        EXPECT_TRUE(reported("another encoder has not ended"));
    }
    EXPECT_TRUE(reported("render encoder \"forgotten\" destroyed without endEncoding()"));
    commands.commit();
    EXPECT_FALSE(commands.renderEncoder(descriptor).ok());
    EXPECT_TRUE(reported("already committed"));
    EXPECT_TRUE(commands.waitUntilCompleted());
}

// Only work that was done counts; uploads made between command buffers count in the next one.
TEST_F(CommandBufferTest, CountersHoldWhatItRecordedExactly)
{
    device().makeCommandBuffer().commit();  // claims uploads earlier tests made outside one
    auto solid = this->solid(), bgra = this->solid({.pixelFormat = PixelFormat::bgra8Unorm});
    auto colours = device().makeBuffer({.size = 64}).value();
    auto image = device().makeTexture({.width = 8, .height = 8}).value();
    const float zeros[8] = {};
    ASSERT_TRUE(colours.replace(0, zeros, 32));
    auto wide = target(64, 32);
    auto p = pass(wide);
    ASSERT_TRUE(image.replaceRegion({.x = 2, .y = 3, .width = 4, .height = 2}, 0, zeros));  // 32 bytes
    p->setPipeline(bgra);  // refused: not the pass's format
    p->setPipeline(solid);
    p->setVertexBytes(0, zeros, 5 * sizeof(float));  // 20 bytes, written rounded up to 32
    p->setFragmentTexture(4, image);
    p->setFragmentBuffer(5, colours, 64);  // refused: past the end
    p->drawPrimitives(PrimitiveType::triangle, 0, 3, 4);
    p->drawPrimitives(PrimitiveType::triangle, -1, 3);  // refused
    p.commit();
    EXPECT_EQ(p.commands.counters(), (WorkCounters{.drawCalls = 1, .instances = 4, .pipelineBinds = 1,
                                                   .textureBinds = 1, .bytesUploaded = 32 + 32 + 32,
                                                   .renderPasses = 1, .pixelsWritten = 64 * 32}));

    ASSERT_TRUE(colours.replace(0, zeros, 8));
    EXPECT_EQ(p.commands.counters().bytesUploaded, 96u);  // committed: it stopped counting
    auto next = device().makeCommandBuffer();
    EXPECT_EQ(next.counters(), WorkCounters{.bytesUploaded = 8});
    next.commit();
}

}  // namespace
}  // namespace lumen::gpu::test
