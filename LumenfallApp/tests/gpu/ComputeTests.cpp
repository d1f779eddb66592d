#include "GpuTest.hpp"

#include <cstring>

namespace lumen::gpu::test {
namespace {

const char* const fillSource = R"(
#ifdef COMPUTE_STAGE
layout(local_size_x = 4, local_size_y = 2, local_size_z = 2) in;
layout(rgba32f, binding = 1) uniform writeonly image3D volume;
layout(std430, binding = 2) buffer Values { float values[]; };
layout(std140, binding = 3) uniform Params { vec4 scale; };

void fillKernel()
{
    uvec3 id = gl_GlobalInvocationID;
    uvec3 size = uvec3(8u, 4u, 2u);
    imageStore(volume, ivec3(id), vec4(vec3(id) * scale.x, 1.0));
    values[id.x + size.x * (id.y + size.y * id.z)] = float(id.x + 10u * id.y + 100u * id.z) + scale.y;
}
#endif
)";

class ComputeTest : public GpuTest {};

TEST_F(ComputeTest, KernelWritesVolumeAndBuffer)
{
    auto lib = library(fillSource);
    auto pipeline = device().makeComputePipeline({.label = "fill", .library = &lib, .computeFunction = "fillKernel"});
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    EXPECT_EQ(pipeline->threadsPerThreadgroup(), (std::array<int, 3>{4, 2, 2}));
    EXPECT_EQ(pipeline->maxTotalThreadsPerThreadgroup(), 16);

    auto volume = device().makeTexture({.type = TextureType::type3D,
                                        .format = PixelFormat::rgba32Float,
                                        .width = 8,
                                        .height = 4,
                                        .depth = 2,
                                        .usage = TextureUsage::shaderWrite | TextureUsage::shaderRead,
                                        .label = "volume"});
    ASSERT_TRUE(volume.ok()) << volume.error().message;
    auto values = device().makeBuffer({.size = 8 * 4 * 2 * sizeof(float), .label = "values"});
    ASSERT_TRUE(values.ok());

    auto commands = device().makeCommandBuffer("compute");
    auto encoder = commands.computeEncoder("fill");
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->setTexture(1, *volume, ImageAccess::writeOnly);
    encoder->setBuffer(2, *values, 0);
    const float params[4] = {0.5f, 1000.0f, 0, 0};
    encoder->setBytes(3, params, sizeof params);
    encoder->dispatchThreadgroups({2, 2, 1}, {4, 2, 2});
    EXPECT_EQ(encoder->dispatchCount(), 1);
    encoder->endEncoding();
    commands.commit();
    ASSERT_TRUE(commands.waitUntilCompleted());

    auto texels = volume->readBytes();
    ASSERT_TRUE(texels.ok());
    ASSERT_EQ(texels->size(), 8u * 4 * 2 * 16);
    auto floats = reinterpret_cast<const float*>(texels->data());
    for (int z = 0; z < 2; ++z) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                const float* t = floats + 4 * (x + 8 * (y + 4 * z));
                ASSERT_FLOAT_EQ(t[0], x * 0.5f);
                ASSERT_FLOAT_EQ(t[1], y * 0.5f);
                ASSERT_FLOAT_EQ(t[2], z * 0.5f);
                ASSERT_FLOAT_EQ(t[3], 1.0f);
            }
        }
    }
    auto bytes = values->read();
    ASSERT_TRUE(bytes.ok());
    std::vector<float> numbers(bytes->size() / sizeof(float));
    std::memcpy(numbers.data(), bytes->data(), bytes->size());
    for (int z = 0; z < 2; ++z) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) {
                EXPECT_FLOAT_EQ(numbers[x + 8 * (y + 4 * z)], x + 10.0f * y + 100.0f * z + 1000.0f);
            }
        }
    }
}

TEST_F(ComputeTest, MismatchedThreadgroupSizeIsRefused)
{
    auto lib = library(fillSource);
    auto pipeline = device().makeComputePipeline({.library = &lib, .computeFunction = "fillKernel"});
    ASSERT_TRUE(pipeline.ok());
    auto volume = device().makeTexture({.type = TextureType::type3D, .format = PixelFormat::rgba32Float,
                                        .width = 8, .height = 4, .depth = 2, .usage = TextureUsage::shaderWrite});
    auto values = device().makeBuffer({.size = 256});
    ASSERT_TRUE(volume.ok() && values.ok());
    auto commands = device().makeCommandBuffer();
    auto encoder = commands.computeEncoder();
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->setTexture(1, *volume);
    encoder->setBuffer(2, *values, 0);
    const float params[4] = {};
    encoder->setBytes(3, params, sizeof params);
    encoder->dispatchThreadgroups({1, 1, 1}, {8, 8, 1});
    EXPECT_EQ(encoder->dispatchCount(), 0);
    EXPECT_EQ(encoder->skippedDispatchCount(), 1);
    EXPECT_TRUE(reported("local_size 4x2x2"));
    encoder->endEncoding();
    commands.commit();
}

TEST_F(ComputeTest, DispatchWithoutItsBufferIsRefused)
{
    auto lib = library(fillSource);
    auto pipeline = device().makeComputePipeline({.library = &lib, .computeFunction = "fillKernel"});
    ASSERT_TRUE(pipeline.ok());
    auto commands = device().makeCommandBuffer();
    auto encoder = commands.computeEncoder();
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->dispatchThreadgroups({1, 1, 1});
    EXPECT_EQ(encoder->skippedDispatchCount(), 1);
    encoder->endEncoding();
    commands.commit();
}

TEST_F(ComputeTest, WritesAreVisibleToALaterRenderPass)
{
    // A kernel fills a 2D image; a fragment shader then samples it.
    auto lib = library(R"(
#ifdef COMPUTE_STAGE
layout(local_size_x = 4, local_size_y = 4) in;
layout(rgba8, binding = 0) uniform writeonly image2D image;
void paintKernel() { imageStore(image, ivec2(gl_GlobalInvocationID.xy), vec4(0.0, 0.0, 1.0, 1.0)); }
#endif
#ifdef VERTEX_STAGE
void coverVertex() { gl_Position = vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(binding = 2) uniform sampler2D painted;
layout(location = 0) out vec4 fragColour;
void sampleFragment() { fragColour = texelFetch(painted, ivec2(gl_FragCoord.xy), 0); }
#endif
)");
    auto kernel = device().makeComputePipeline({.library = &lib, .computeFunction = "paintKernel"});
    auto pipeline = device().makeRenderPipeline({.library = &lib,
                                                 .vertexFunction = "coverVertex",
                                                 .fragmentFunction = "sampleFragment",
                                                 .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    ASSERT_TRUE(kernel.ok()) << kernel.error().message;
    ASSERT_TRUE(pipeline.ok()) << pipeline.error().message;
    auto painted = device().makeTexture({.width = 4, .height = 4,
                                         .usage = TextureUsage::shaderWrite | TextureUsage::shaderRead});
    ASSERT_TRUE(painted.ok());
    auto colour = target(4, 4);
    auto commands = device().makeCommandBuffer();
    {
        auto compute = commands.computeEncoder();
        ASSERT_TRUE(compute.ok());
        compute->setPipeline(*kernel);
        compute->setTexture(0, *painted, ImageAccess::writeOnly);
        compute->dispatchThreadgroups({1, 1, 1});
        compute->endEncoding();
    }
    RenderPassDescriptor pass;
    pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(pass);
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(*pipeline);
    encoder->setFragmentTexture(2, *painted);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    EXPECT_EQ(encoder->drawCount(), 1);
    encoder->endEncoding();
    commands.commit();
    EXPECT_TRUE(near(read(colour).pixel(3, 0), {0, 0, 255, 255}, 0));
}

}  // namespace
}  // namespace lumen::gpu::test
