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
    p->drawPrimitives(PrimitiveType::triangle, 0, 3, software ? 2000 : 200);  // a frame's worth of overdraw
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

}  // namespace
}  // namespace lumen::gpu::test
