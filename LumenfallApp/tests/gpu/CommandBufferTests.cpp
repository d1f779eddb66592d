#include "GpuTest.hpp"

#include <chrono>
#include <thread>

namespace lumen::gpu::test {
namespace {

using Clock = std::chrono::steady_clock;

// Enough fragment work that the GPU (llvmpipe especially) is still busy when commit() returns.
const char* const busySource = R"(
layout(std140, binding = 0) uniform Work { vec4 params; };
#ifdef VERTEX_STAGE
void coverVertex() { gl_Position = vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void busyFragment()
{
    vec2 p = gl_FragCoord.xy * params.x;
    float acc = 0.0;
    for (int i = 0; i < int(params.y); ++i) {
        p = vec2(p.x * p.x - p.y * p.y, 2.0 * p.x * p.y) * 0.5 + vec2(0.1, 0.2);
        acc += sin(p.x) * cos(p.y);
    }
    fragColour = vec4(fract(acc), 0.0, 0.0, 1.0);
}
#endif
)";

class CommandBufferTest : public GpuTest {
protected:
    void encodeBusyWork(CommandBuffer& commands, Texture& colour, int iterations)
    {
        if (!busy_) {
            busyLibrary_ = std::make_unique<ShaderLibrary>(library(busySource));
            auto made = device().makeRenderPipeline({.library = busyLibrary_.get(),
                                                     .vertexFunction = "coverVertex",
                                                     .fragmentFunction = "busyFragment",
                                                     .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
            ASSERT_TRUE(made.ok()) << made.error().message;
            busy_ = std::make_unique<RenderPipeline>(std::move(*made));
        }
        RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::dontCare};
        auto encoder = commands.renderEncoder(pass, "busy");
        ASSERT_TRUE(encoder.ok());
        encoder->setPipeline(*busy_);
        const float params[4] = {0.001f, float(iterations), 0, 0};
        encoder->setFragmentBytes(0, params, sizeof params);
        encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
        encoder->endEncoding();
    }

    std::unique_ptr<ShaderLibrary> busyLibrary_;
    std::unique_ptr<RenderPipeline> busy_;
};

TEST_F(CommandBufferTest, StatusGoesFromCommittedToCompletedWithoutBlocking)
{
    auto colour = target(512, 512);
    auto commands = device().makeCommandBuffer("busy frame");
    EXPECT_EQ(commands.label(), "busy frame");
    encodeBusyWork(commands, colour, 400);
    EXPECT_EQ(commands.status(), CommandBufferStatus::notCommitted);
    commands.commit();

    int polls = 0;
    bool sawCommitted = false;
    auto slowest = Clock::duration::zero();
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    CommandBufferStatus status = CommandBufferStatus::committed;
    while (Clock::now() < deadline) {
        const auto before = Clock::now();
        status = commands.status();
        slowest = std::max(slowest, Clock::now() - before);
        ++polls;
        ASSERT_NE(status, CommandBufferStatus::notCommitted);
        sawCommitted = sawCommitted || status == CommandBufferStatus::committed;
        if (status == CommandBufferStatus::completed) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(status, CommandBufferStatus::completed) << "not complete after " << polls << " polls";
    // A poll that waited for the GPU would take about as long as the whole frame.
    EXPECT_LT(std::chrono::duration<double>(slowest).count(), 0.05);
    if (sawCommitted) {
        EXPECT_GT(polls, 1);
    }
    EXPECT_GT(commands.gpuEndTime(), 0.0);
    EXPECT_GE(commands.gpuEndTime(), commands.gpuStartTime());
    // Completion is sticky.
    EXPECT_EQ(commands.status(), CommandBufferStatus::completed);
}

TEST_F(CommandBufferTest, BusyFrameIsStillRunningRightAfterCommit)
{
    // On a software rasteriser a heavy frame takes far longer than commit(); the first poll must
    // see it in flight. Hardware may finish first, so only software is held to it.
    if (device().info().renderer.find("llvmpipe") == std::string::npos) {
        GTEST_SKIP() << "timing only holds on llvmpipe";
    }
    auto colour = target(512, 512);
    auto commands = device().makeCommandBuffer();
    encodeBusyWork(commands, colour, 2000);
    commands.commit();
    EXPECT_EQ(commands.status(), CommandBufferStatus::committed);
    EXPECT_EQ(commands.gpuEndTime(), 0.0);
    EXPECT_TRUE(commands.waitUntilCompleted(60.0));
    EXPECT_EQ(commands.status(), CommandBufferStatus::completed);
}

TEST_F(CommandBufferTest, CompletedHandlerRunsOnceAfterTheBufferIsGone)
{
    auto colour = target(64, 64);
    int calls = 0;
    double start = -1, end = -1;
    {
        auto commands = device().makeCommandBuffer();
        encodeBusyWork(commands, colour, 10);
        commands.addCompletedHandler([&](double s, double e) {
            ++calls;
            start = s;
            end = e;
        });
        commands.commit();
    }
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (device().pollCompletions() > 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(calls, 1);
    EXPECT_GE(end, start);
    EXPECT_GT(end, 0.0);
    device().pollCompletions();
    EXPECT_EQ(calls, 1);
}

TEST_F(CommandBufferTest, OneEncoderAtATimeAndNoneAfterCommit)
{
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto first = commands.renderEncoder(pass);
    ASSERT_TRUE(first.ok());
    EXPECT_FALSE(commands.computeEncoder().ok());
    EXPECT_FALSE(commands.renderEncoder(pass).ok());
    EXPECT_TRUE(reported("another encoder has not ended"));
    first->endEncoding();
    auto blit = commands.blitEncoder();
    ASSERT_TRUE(blit.ok());
    blit->endEncoding();
    commands.commit();
    EXPECT_FALSE(commands.renderEncoder(pass).ok());
    EXPECT_TRUE(reported("already committed"));
    EXPECT_TRUE(commands.waitUntilCompleted());
}

TEST_F(CommandBufferTest, WaitBeforeCommitIsRefused)
{
    auto commands = device().makeCommandBuffer();
    EXPECT_FALSE(commands.waitUntilCompleted(0.1));
    EXPECT_EQ(commands.gpuStartTime(), 0.0);
}

}  // namespace
}  // namespace lumen::gpu::test
