#include "GpuTest.hpp"

#include "gpu/gl/UniformRing.hpp"

#include <epoxy/gl.h>

#include <cstring>

namespace lumen::gpu::test {
namespace {

class BindingTest : public GpuTest {};

const char* const bindingSource = R"(
#ifdef VERTEX_STAGE
void coverVertex() { gl_Position = vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;

layout(std140, binding = 3) uniform Tint { vec4 tint; };
void tintFragment() { fragColour = tint; }

// 192 bytes: twelve vec4s, like a scene's uniform record; the last one is the colour.
layout(std140, binding = 1) uniform Record { vec4 fields[12]; };
void recordFragment() { fragColour = fields[11]; }

layout(std430, binding = 5) readonly buffer Palette { vec4 colours[]; };
void paletteFragment() { fragColour = colours[1]; }
#endif
)";

TEST_F(BindingTest, BytesAtSlotReachTheUniformBlockWithThatBinding)
{
    auto lib = library(bindingSource);
    auto tint = coverPipeline(lib, "tintFragment");
    auto record = coverPipeline(lib, "recordFragment");
    auto colour = target(4, 1);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());

    // Each pixel gets its own draw and its own bytes: every upload must land in its own slice.
    const float tints[3][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
    encoder->setPipeline(tint);
    for (int i = 0; i < 3; ++i) {
        encoder->setViewport({.originX = double(i), .originY = 0, .width = 1, .height = 1});
        encoder->setFragmentBytes(3, tints[i], sizeof tints[i]);
        encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    }
    float fields[12][4] = {};
    fields[11][0] = fields[11][1] = fields[11][3] = 1.0f;
    encoder->setPipeline(record);
    encoder->setViewport({.originX = 3, .originY = 0, .width = 1, .height = 1});
    encoder->setFragmentBytes(1, fields, sizeof fields);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 4);
    encoder->endEncoding();
    commands.commit();

    const auto image = read(colour);
    EXPECT_TRUE(near(image.pixel(0, 0), {255, 0, 0, 255}, 0));
    EXPECT_TRUE(near(image.pixel(1, 0), {0, 255, 0, 255}, 0));
    EXPECT_TRUE(near(image.pixel(2, 0), {0, 0, 255, 255}, 0));
    EXPECT_TRUE(near(image.pixel(3, 0), {255, 255, 0, 255}, 0));
}

TEST_F(BindingTest, TooFewBytesForTheBlockSkipTheDraw)
{
    auto lib = library(bindingSource);
    auto record = coverPipeline(lib, "recordFragment");
    auto colour = target(1, 1);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(record);
    const float few[4] = {1, 1, 1, 1};
    encoder->setFragmentBytes(1, few, sizeof few);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 0);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    EXPECT_TRUE(reported("reads 192 bytes at slot 1 but 16 are bound"));
    encoder->endEncoding();
    commands.commit();
}

TEST_F(BindingTest, RingSlicesAreAlignedPaddedAndHoldTheirBytes)
{
    detail::UniformRing ring(1024, device().info().uniformBufferOffsetAlignment);
    const std::size_t alignment = ring.alignment();
    std::vector<detail::UniformRing::Slice> slices;
    for (int i = 0; i < 5; ++i) {
        const std::uint8_t bytes[20] = {std::uint8_t(i + 1), 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
        auto slice = ring.push(bytes, 4 + 4 * i);  // 4, 8, ... 20 bytes
        ASSERT_TRUE(slice.ok());
        EXPECT_EQ(slice->offset % alignment, 0u) << i;
        EXPECT_EQ(slice->size % 16, 0u);
        EXPECT_GE(slice->size, std::size_t(4 + 4 * i));
        slices.push_back(*slice);
    }
    for (std::size_t i = 1; i < slices.size(); ++i) {
        EXPECT_GE(slices[i].offset, slices[i - 1].offset + slices[i - 1].size) << "slices overlap";
    }
    std::vector<std::uint8_t> contents(ring.capacity());
    glBindBuffer(GL_COPY_READ_BUFFER, ring.glName());
    glGetBufferSubData(GL_COPY_READ_BUFFER, 0, GLsizeiptr(contents.size()), contents.data());
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    for (std::size_t i = 0; i < slices.size(); ++i) {
        EXPECT_EQ(contents[slices[i].offset], i + 1);
        EXPECT_EQ(contents[slices[i].offset + 3], 4);
        EXPECT_EQ(contents[slices[i].offset + slices[i].size - 1], (4 + 4 * i) % 16 == 0 ? 16 : 0) << "padding";
    }
    EXPECT_FALSE(ring.push(contents.data(), ring.capacity() + 1).ok());
}

TEST_F(BindingTest, RingWrapsOnlyOverRetiredSpace)
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
        EXPECT_LT(slice->offset + slice->size, ring.capacity() + 1);
        ring.fence();
        glFinish();  // the GPU is done with it: the next pushes never need to wait
    }
    EXPECT_TRUE(wrapped);
    EXPECT_EQ(ring.waits(), 0u);
}

TEST_F(BindingTest, StorageBufferOffsetSelectsTheRecords)
{
    auto lib = library(bindingSource);
    auto palette = coverPipeline(lib, "paletteFragment");
    const std::size_t offset = std::max<std::size_t>(device().info().storageBufferOffsetAlignment, 32);
    std::vector<float> data((offset + 32) / sizeof(float), 0.0f);
    // colours[1] seen from offset 0 is red; seen from `offset` it is green.
    const float red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
    std::memcpy(data.data() + 4, red, sizeof red);
    std::memcpy(data.data() + offset / sizeof(float) + 4, green, sizeof green);
    auto buffer = device().makeBuffer({.size = data.size() * sizeof(float), .contents = data.data(), .label = "palette"});
    ASSERT_TRUE(buffer.ok());

    auto colour = target(2, 1);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(palette);
    encoder->setViewport({.originX = 0, .originY = 0, .width = 1, .height = 1});
    encoder->setFragmentBuffer(5, *buffer, 0);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->setViewport({.originX = 1, .originY = 0, .width = 1, .height = 1});
    encoder->setFragmentBuffer(5, *buffer, offset);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->endEncoding();
    commands.commit();
    const auto image = read(colour);
    EXPECT_TRUE(near(image.pixel(0, 0), {255, 0, 0, 255}, 0));
    EXPECT_TRUE(near(image.pixel(1, 0), {0, 255, 0, 255}, 0));
}

TEST_F(BindingTest, MisalignedStorageOffsetIsReportedAndNotBound)
{
    const std::size_t alignment = device().info().storageBufferOffsetAlignment;
    if (alignment <= 4) {
        GTEST_SKIP() << "every 4-byte offset is aligned here";
    }
    auto lib = library(bindingSource);
    auto palette = coverPipeline(lib, "paletteFragment");
    auto buffer = device().makeBuffer({.size = 4 * alignment});
    ASSERT_TRUE(buffer.ok());
    auto colour = target(1, 1);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(palette);
    encoder->setFragmentBuffer(5, *buffer, alignment + 4);
    EXPECT_TRUE(reported("storage offset alignment"));
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    encoder->endEncoding();
    commands.commit();
}

TEST_F(BindingTest, IndexBufferOffsetPicksTheIndices)
{
    auto lib = library(R"(
layout(std430, binding = 0) readonly buffer Corners { vec2 corners[]; };
#ifdef VERTEX_STAGE
void cornerVertex() { gl_Position = vec4(corners[gl_VertexID], 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void whiteFragment() { fragColour = vec4(1.0); }
#endif
)");
    auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                 .vertexFunction = "cornerVertex",
                                                 .fragmentFunction = "whiteFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    // Left half (x < 0) and right half (x > 0) as two quads of two triangles each.
    const float corners[] = {-1, -1, 0, -1, 0, 1, -1, 1,   0, -1, 1, -1, 1, 1, 0, 1};
    const std::uint32_t indices[] = {0, 1, 2, 0, 2, 3,   4, 5, 6, 4, 6, 7};
    auto vertices = device().makeBuffer({.size = sizeof corners, .contents = corners});
    auto indexBuffer = device().makeBuffer({.size = sizeof indices, .contents = indices});
    ASSERT_TRUE(vertices.ok() && indexBuffer.ok());

    auto colour = target(4, 2);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->setVertexBuffer(0, *vertices, 0);
    encoder->drawIndexed(PrimitiveType::triangle, 6, *indexBuffer, 6 * sizeof(std::uint32_t));
    encoder->drawIndexed(PrimitiveType::triangle, 6, *indexBuffer, 8 * sizeof(std::uint32_t));  // runs past the end
    EXPECT_EQ(encoder->drawCount(), 1);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    encoder->endEncoding();
    commands.commit();
    const auto image = read(colour);
    EXPECT_TRUE(near(image.pixel(0, 0), {0, 0, 0, 255}, 0));
    EXPECT_TRUE(near(image.pixel(1, 1), {0, 0, 0, 255}, 0));
    EXPECT_TRUE(near(image.pixel(2, 0), {255, 255, 255, 255}, 0));
    EXPECT_TRUE(near(image.pixel(3, 1), {255, 255, 255, 255}, 0));
}

TEST_F(BindingTest, UnboundTextureSlotSkipsTheDraw)
{
    auto lib = library(R"(
#ifdef VERTEX_STAGE
void coverVertex() { gl_Position = vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(binding = 4) uniform sampler2D picture;
layout(location = 0) out vec4 fragColour;
void pictureFragment() { fragColour = texture(picture, gl_FragCoord.xy / 2.0); }
#endif
)");
    auto picture = coverPipeline(lib, "pictureFragment");
    auto source = device().makeTexture({.width = 2, .height = 2, .label = "picture"});
    ASSERT_TRUE(source.ok());
    const std::uint8_t texels[16] = {255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255};
    ASSERT_TRUE(source->replaceRegion({}, 0, texels).ok());
    auto nearest = device().makeSampler({});
    ASSERT_TRUE(nearest.ok());
    auto colour = target(2, 2);
    auto commands = device().makeCommandBuffer();
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(picture);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    EXPECT_TRUE(reported("samples a texture at slot 4"));
    encoder->setFragmentTexture(4, *source, &*nearest);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 1);
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(near(read(colour).pixel(1, 1), {255, 0, 255, 255}, 0));
}

}  // namespace
}  // namespace lumen::gpu::test
