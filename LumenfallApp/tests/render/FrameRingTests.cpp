#include "support/RenderTest.hpp"

#include "scenekit/FrameRing.hpp"

#include <cstring>
#include <vector>

namespace lumen::app::test {
namespace {

// As large as a fish instance record.
struct Fish {
    float values[12];
};

std::vector<Fish> school(std::size_t count, float seed) {
    std::vector<Fish> fish(count);
    for (std::size_t i = 0; i < count * 12; ++i) fish[i / 12].values[i % 12] = seed + static_cast<float>(i);
    return fish;
}

bool holds(const gpu::Buffer& buffer, const std::vector<Fish>& fish) {
    auto bytes = buffer.read(0, fish.size() * sizeof(Fish));
    return bytes && std::memcmp(bytes->data(), fish.data(), fish.size() * sizeof(Fish)) == 0;
}

using FrameRingTest = RenderTest;

// With up to three frames in flight the slot written must be one the GPU no longer reads: four
// buffers in turn. Growing is the only allocation, by half again as much as asked, so a school
// that varies in size settles into the buffers it has.
TEST_F(FrameRingTest, WritesFourSlotsInTurnAndGrowsWithHeadroom) {
    FrameRing ring(dev(), "fish", sizeof(Fish));
    std::vector<int> written;
    for (int frame = 0; frame < 5; ++frame) {
        const auto fish = school(100 + static_cast<std::size_t>(frame) * 10, static_cast<float>(frame) * 1000);
        gpu::Buffer* buffer = ring.upload(std::span<const Fish>(fish));
        ASSERT_EQ(buffer, &ring.buffers().at(static_cast<std::size_t>(ring.index())));
        EXPECT_TRUE(holds(*buffer, fish));
        written.push_back(ring.index());
    }
    EXPECT_EQ(written, (std::vector<int>{1, 2, 3, 0, 1}));
    EXPECT_TRUE(holds(ring.buffers()[2], school(110, 1000)));  // the others keep their frames
    EXPECT_EQ(ring.allocations(), 1);
    EXPECT_EQ(ring.buffers()[0].size(), 7200u);  // 150 fish

    const auto more = school(151, 9);
    EXPECT_TRUE(holds(*ring.upload(std::span<const Fish>(more)), more));
    EXPECT_EQ(ring.allocations(), 2);
    for (const auto& b : ring.buffers()) EXPECT_EQ(b.size(), 10872u);
    for (int frame = 0; frame < 500; ++frame) ASSERT_NE(ring.upload(more.data(), 3 + frame % 149u), nullptr);
    EXPECT_EQ(ring.allocations(), 2);

    // No records still give a buffer to bind.
    FrameRing strands(dev(), "strands", 32);
    ASSERT_NE(strands.upload(nullptr, 0), nullptr);
    EXPECT_EQ(strands.buffers()[1].size(), 48u);
}

}  // namespace
}  // namespace lumen::app::test
