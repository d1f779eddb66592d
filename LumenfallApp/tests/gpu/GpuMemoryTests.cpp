#include "GpuTest.hpp"

#include "gpu/gl/UniformRing.hpp"

#include <epoxy/gl.h>

// What would otherwise grow for as long as the wallpaper runs.
namespace lumen::gpu::test {
namespace {

using GpuMemoryTest = GpuTest;

TEST_F(GpuMemoryTest, TheUniformRingWrapsOverRetiredSpaceWithoutWaiting)
{
    const std::size_t alignment = device().info().uniformBufferOffsetAlignment;
    detail::UniformRing ring(4 * alignment, alignment);
    const std::uint8_t bytes[16] = {};
    std::size_t lastOffset = 0;
    bool wrapped = false;
    for (int frame = 0; frame < 12; ++frame) {
        auto slice = ring.push(bytes, sizeof bytes);
        ASSERT_TRUE(slice.ok());
        wrapped = wrapped || slice->offset < lastOffset;
        lastOffset = slice->offset;
        EXPECT_LE(slice->offset + slice->size, ring.capacity());
        ring.fence();
        glFinish();  // the GPU is done with it: the next pushes never need to wait
    }
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(ring.waits(), 0u);
    EXPECT_FALSE(ring.push(bytes, ring.capacity() + 1).ok());
}

TEST_F(GpuMemoryTest, FramebuffersOfDestroyedTexturesAreDropped)
{
    const auto before = device().cachedFramebufferCount();
    {
        auto colour = target(4, 4);
        pass(colour).commit();
        EXPECT_EQ(device().cachedFramebufferCount(), before + 1);
    }
    EXPECT_EQ(device().cachedFramebufferCount(), before);
}

}  // namespace
}  // namespace lumen::gpu::test
