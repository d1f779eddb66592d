#include "GpuTest.hpp"

namespace lumen::gpu::test {
namespace {

using BindingTest = GpuTest;

// One draw per pixel, each reading its own slots; bytes set for one draw must not reach another.
TEST_F(BindingTest, EachDrawReadsWhatItsSlotsHoldAtTheirOffsets)
{
    auto lib = library(slotsSource);
    auto tint = coverPipeline(lib, "tintFragment"), record = coverPipeline(lib, "recordFragment");
    auto palette = coverPipeline(lib, "paletteFragment"), picture = coverPipeline(lib, "pictureFragment");
    auto corners = coverPipeline(lib, "whiteFragment", "cornerVertex");
    // colours[1] seen from offset 0 is red; seen from `offset` it is green.
    const std::size_t offset = std::max<std::size_t>(device().info().storageBufferOffsetAlignment, 32);
    std::vector<float> records((offset + 32) / sizeof(float), 0.0f);
    records[4] = records[7] = records[offset / 4 + 5] = records[offset / 4 + 7] = 1.0f;
    auto colours = device().makeBuffer({.size = records.size() * sizeof(float), .contents = records.data()});
    // The indices at offset 0 make an empty triangle; only those at 24 cover the pixel.
    const float quad[] = {-1, -1, 1, -1, 1, 1, -1, 1};
    const std::uint32_t indices[] = {0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 2, 3};
    auto vertices = device().makeBuffer({.size = sizeof quad, .contents = quad});
    auto indexBuffer = device().makeBuffer({.size = sizeof indices, .contents = indices});
    auto magenta = device().makeTexture({.width = 1, .height = 1});
    const std::uint8_t texel[4] = {255, 0, 255, 255};
    ASSERT_TRUE(colours && vertices && indexBuffer && magenta && magenta->replaceRegion({}, 0, texel));

    auto colour = target(8, 1);
    auto p = pass(colour);
    auto at = [&](int x, const RenderPipeline& pipeline) {
        p->setViewport({.originX = double(x), .width = 1, .height = 1});
        p->setPipeline(pipeline);
    };
    const float tints[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    for (int i = 0; i < 3; ++i) {
        at(i, tint);
        p->setFragmentBytes(3, tints[i], sizeof tints[i]);
        p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    }
    float fields[12][4] = {};
    fields[11][0] = fields[11][1] = fields[11][3] = 1.0f;
    at(3, record);
    p->setFragmentBytes(1, fields, sizeof fields);
    p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    for (int i = 0; i < 2; ++i) {
        at(4 + i, palette);
        p->setFragmentBuffer(5, *colours, i * offset);
        p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    }
    at(6, corners);
    p->setVertexBuffer(0, *vertices, 0);
    p->drawIndexed(PrimitiveType::triangle, 6, *indexBuffer, 6 * sizeof(std::uint32_t));
    at(7, picture);
    p->setFragmentTexture(4, *magenta);
    p->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(p->drawCount(), 8);
    p.commit();

    const std::array<int, 4> expected[8] = {{255, 0, 0, 255},   {0, 255, 0, 255}, {0, 0, 255, 255},
                                            {255, 255, 0, 255}, {255, 0, 0, 255}, {0, 255, 0, 255},
                                            {255, 255, 255, 255}, {255, 0, 255, 255}};
    const auto image = read(colour);
    for (int x = 0; x < 8; ++x) {
        EXPECT_TRUE(near(image.pixel(x, 0), expected[x])) << "pixel " << x;
    }
}

}  // namespace
}  // namespace lumen::gpu::test
