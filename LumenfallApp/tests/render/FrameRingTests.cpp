#include "support/RenderTest.hpp"

#include "scenekit/FrameRing.hpp"

#include <array>
#include <cstring>
#include <vector>

namespace lumen::app::test {
namespace {

// The size of a fish instance record.
struct Fish {
    float values[12];
};
static_assert(sizeof(Fish) == 48);

std::vector<Fish> school(std::size_t count, float seed) {
    std::vector<Fish> fish(count);
    for (std::size_t i = 0; i < count; ++i) {
        for (int v = 0; v < 12; ++v) fish[i].values[v] = seed + static_cast<float>(i * 12 + v);
    }
    return fish;
}

bool holds(const gpu::Buffer& buffer, const std::vector<Fish>& fish) {
    auto bytes = buffer.read(0, fish.size() * sizeof(Fish));
    return bytes && std::memcmp(bytes->data(), fish.data(), fish.size() * sizeof(Fish)) == 0;
}

using FrameRingTest = RenderTest;

TEST_F(FrameRingTest, WritesSlotsRoundRobinStartingAtOne) {
    FrameRing ring(dev(), "fish", sizeof(Fish));
    EXPECT_TRUE(ring.buffers().empty());
    EXPECT_EQ(ring.index(), 0);

    std::vector<int> slots;
    for (int frame = 0; frame < 5; ++frame) {
        const auto fish = school(10, static_cast<float>(frame) * 1000);
        gpu::Buffer* buffer = ring.upload(std::span<const Fish>(fish));
        ASSERT_NE(buffer, nullptr);
        ASSERT_EQ(ring.buffers().size(), 4u);
        EXPECT_EQ(buffer, &ring.buffers()[static_cast<std::size_t>(ring.index())]);
        EXPECT_TRUE(holds(*buffer, fish));
        slots.push_back(ring.index());
    }
    EXPECT_EQ(slots, (std::vector<int>{1, 2, 3, 0, 1}));
    // The slots not written last still hold their own frames.
    EXPECT_TRUE(holds(ring.buffers()[2], school(10, 1000)));
    EXPECT_TRUE(holds(ring.buffers()[0], school(10, 3000)));
    for (const auto& buffer : ring.buffers()) EXPECT_EQ(buffer.label(), "fish");
}

TEST_F(FrameRingTest, GrowsWithHalfAgainOfHeadroom) {
    FrameRing ring(dev(), "fish", sizeof(Fish));
    ASSERT_NE(ring.upload(std::span<const Fish>(school(100, 0))), nullptr);
    EXPECT_EQ(ring.allocations(), 1);
    std::array<unsigned, 4> names{};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ring.buffers()[i].size(), 7200u);
        names[i] = ring.buffers()[i].glName();
    }

    const auto more = school(150, 5);
    gpu::Buffer* buffer = ring.upload(std::span<const Fish>(more));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(ring.allocations(), 1);
    EXPECT_TRUE(holds(*buffer, more));
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(ring.buffers()[i].glName(), names[i]);

    const auto most = school(151, 9);
    buffer = ring.upload(std::span<const Fish>(most));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(ring.allocations(), 2);
    EXPECT_EQ(ring.index(), 3);
    EXPECT_TRUE(holds(*buffer, most));
    for (const auto& b : ring.buffers()) {
        EXPECT_EQ(b.size(), 10872u);
        EXPECT_EQ(b.label(), "fish");
    }

    // Fewer records fit in what is there.
    ASSERT_NE(ring.upload(std::span<const Fish>(school(3, 0))), nullptr);
    EXPECT_EQ(ring.allocations(), 2);
}

TEST_F(FrameRingTest, ZeroRecordsStillGiveABuffer) {
    FrameRing ring(dev(), "strands", 32);
    gpu::Buffer* buffer = ring.upload(nullptr, 0);
    ASSERT_NE(buffer, nullptr);
    EXPECT_GE(buffer->size(), 32u);
    EXPECT_EQ(buffer->size(), 48u);
    EXPECT_EQ(ring.index(), 1);
}

TEST_F(FrameRingTest, SteadyStateAllocatesNothing) {
    FrameRing ring(dev(), "fish", sizeof(Fish));
    const auto fish = school(200, 0);
    ASSERT_NE(ring.upload(std::span<const Fish>(fish)), nullptr);
    const int allocations = ring.allocations();
    for (int frame = 0; frame < 500; ++frame) {
        const std::size_t count = 150 + static_cast<std::size_t>(frame % 50) + 1;  // 151 ... 200
        ASSERT_NE(ring.upload(fish.data(), count), nullptr);
    }
    EXPECT_EQ(ring.allocations(), allocations);
    EXPECT_EQ(ring.index(), 1);  // 501 uploads
}

}  // namespace
}  // namespace lumen::app::test
