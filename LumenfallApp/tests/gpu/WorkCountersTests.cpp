#include "GpuTest.hpp"

namespace lumen::gpu::test {
namespace {

using WorkCountersTest = GpuTest;

// Only work that was done counts: refused draws and binds add nothing.
TEST_F(WorkCountersTest, CountWhatTheCommandBufferRecordedExactly)
{
    device().makeCommandBuffer().commit();  // claims uploads earlier tests made outside one
    auto lib = library(slotsSource);
    auto tint = solid(), bgra = solid({.pixelFormat = PixelFormat::bgra8Unorm});
    auto palette = coverPipeline(lib, "paletteFragment");
    auto colours = device().makeBuffer({.size = 64});
    auto image = device().makeTexture({.width = 8, .height = 8});
    ASSERT_TRUE(colours && image);
    auto wide = target(64, 32), small = target(16, 8);
    const float zeros[8] = {};
    ASSERT_TRUE(colours->replace(0, zeros, 32));  // made before the command buffer, counted in it

    auto commands = device().makeCommandBuffer();
    ASSERT_TRUE(image->replaceRegion({.x = 2, .y = 3, .width = 4, .height = 2}, 0, zeros));  // 32 bytes
    RenderPassDescriptor descriptor;
    descriptor.colorAttachments[0] = {.texture = &wide, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(descriptor).value();
    encoder.setPipeline(bgra);  // refused: not the pass's format
    encoder.setPipeline(tint);
    encoder.setVertexBytes(0, zeros, 5 * sizeof(float));  // 20 bytes, written rounded up to 32
    encoder.drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder.drawPrimitives(PrimitiveType::triangle, 0, 3, 4);
    encoder.setPipeline(palette);
    encoder.drawPrimitives(PrimitiveType::triangle, 0, 3);  // refused: no buffer at slot 5
    encoder.setFragmentBuffer(5, *colours, 0);
    encoder.setFragmentBuffer(5, *colours, 64);  // refused: past the end
    encoder.setFragmentTexture(4, *image);
    encoder.drawPrimitives(PrimitiveType::triangle, 0, 3, 2);
    encoder.endEncoding();
    descriptor.colorAttachments[0] = {.texture = &small, .loadAction = LoadAction::dontCare};
    commands.renderEncoder(descriptor).value().endEncoding();
    commands.commit();
    EXPECT_EQ(commands.counters(), (WorkCounters{.drawCalls = 3, .instances = 1 + 4 + 2, .pipelineBinds = 2,
                                                 .bufferBinds = 1, .textureBinds = 1, .bytesUploaded = 32 + 32 + 32,
                                                 .renderPasses = 2, .pixelsWritten = 64 * 32 + 16 * 8}));

    // Committed: later uploads wait for the next command buffer, which starts from them.
    ASSERT_TRUE(colours->replace(0, zeros, 8));
    EXPECT_EQ(commands.counters().bytesUploaded, 96u);
    auto next = device().makeCommandBuffer();
    EXPECT_EQ(next.counters(), WorkCounters{.bytesUploaded = 8});
    next.commit();
}

}  // namespace
}  // namespace lumen::gpu::test
