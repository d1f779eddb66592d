#include "GpuTest.hpp"

#include <cstdint>

namespace lumen::gpu::test {
namespace {

const char* const countedSource = R"(
#ifdef VERTEX_STAGE
void coverVertex() { gl_Position = vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
// 20 bytes of record: the uniform ring writes them rounded up to 32.
layout(std140, binding = 0) uniform Tint { vec4 tint; float strength; };
void tintFragment() { fragColour = tint * strength; }
layout(std430, binding = 5) readonly buffer Palette { vec4 colours[]; };
void paletteFragment() { fragColour = colours[1]; }
#endif
#ifdef COMPUTE_STAGE
layout(local_size_x = 4, local_size_y = 2) in;
layout(std430, binding = 2) buffer Values { float values[]; };
void countKernel() { values[gl_GlobalInvocationID.x] = 1.0; }
#endif
)";

struct Expected {
    const char* name;
    std::uint64_t WorkCounters::*counter;
    std::uint64_t value;
};

void expectCounters(const WorkCounters& actual, std::initializer_list<Expected> expected)
{
    for (const auto& e : expected) {
        EXPECT_EQ(actual.*(e.counter), e.value) << e.name;
    }
}

class WorkCountersTest : public GpuTest {
protected:
    void SetUp() override
    {
        GpuTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // Uploads earlier tests made outside a command buffer would count in the next one made.
        device().makeCommandBuffer("claims earlier uploads").commit();
    }

    Buffer buffer(std::size_t size)
    {
        auto made = device().makeBuffer({.size = size, .label = "counted"});
        if (!made) {
            throw std::runtime_error(made.error().message);
        }
        return std::move(*made);
    }
};

TEST_F(WorkCountersTest, CountWhatTheCommandBufferRecordedExactly)
{
    auto lib = library(countedSource);
    auto tint = coverPipeline(lib, "tintFragment");
    auto palette = coverPipeline(lib, "paletteFragment");
    auto kernel = device().makeComputePipeline({.label = "count", .library = &lib, .computeFunction = "countKernel"});
    ASSERT_TRUE(kernel.ok()) << kernel.error().message;
    auto wide = target(64, 32);
    auto small = target(16, 8);
    auto depthOnly = depthTarget(8, 8);
    auto colours = buffer(64);
    auto values = buffer(4 * 4 * 3 * sizeof(float));
    auto image = device().makeTexture({.width = 8, .height = 8, .label = "uploaded"});
    ASSERT_TRUE(image.ok());

    const float colourBytes[8] = {};
    ASSERT_TRUE(colours.replace(0, colourBytes, sizeof colourBytes));  // before the command buffer: 32 bytes
    auto commands = device().makeCommandBuffer("counted");
    const std::uint8_t texels[4 * 2 * 4] = {};
    ASSERT_TRUE(image->replaceRegion({.x = 2, .y = 3, .width = 4, .height = 2}, 0, texels));  // 32 bytes
    ASSERT_TRUE(colours.replace(32, colourBytes, 16));                                       // 16 bytes

    RenderPassDescriptor first;
    first.colorAttachments[0] = {.texture = &wide, .loadAction = LoadAction::clear};
    auto encoder = commands.renderEncoder(first, "wide");
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(tint);
    const float record[5] = {1, 0.5f, 0.25f, 1, 1};
    encoder->setVertexBytes(0, record, sizeof record);    // 32 bytes
    encoder->setFragmentBytes(0, record, sizeof record);  // 32 bytes
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3, 4);
    encoder->setFragmentTexture(0, *image);
    encoder->endEncoding();

    RenderPassDescriptor second;
    second.colorAttachments[0] = {.texture = &small, .loadAction = LoadAction::dontCare};
    encoder = commands.renderEncoder(second, "small");
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(palette);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3);  // refused: no buffer at slot 5
    encoder->setFragmentBuffer(5, colours, 0);
    encoder->drawPrimitives(PrimitiveType::triangle, 0, 3, 2);
    EXPECT_EQ(encoder->skippedDrawCount(), 1);
    encoder->endEncoding();

    RenderPassDescriptor depth;
    depth.depthAttachment = {.texture = &depthOnly, .loadAction = LoadAction::clear, .storeAction = StoreAction::dontCare};
    encoder = commands.renderEncoder(depth, "depth only");
    ASSERT_TRUE(encoder.ok());
    encoder->setPipeline(tint);  // refused: colour into a depth-only pass
    encoder->endEncoding();

    auto compute = commands.computeEncoder("count");
    ASSERT_TRUE(compute.ok());
    compute->setPipeline(*kernel);
    compute->setBuffer(2, values, 0);
    compute->dispatchThreadgroups({4, 3, 1});
    compute->endEncoding();
    commands.commit();

    expectCounters(commands.counters(), {
                                            {"drawCalls", &WorkCounters::drawCalls, 3},
                                            {"instances", &WorkCounters::instances, 1 + 4 + 2},
                                            {"dispatches", &WorkCounters::dispatches, 1},
                                            {"threadgroups", &WorkCounters::threadgroups, 4 * 3},
                                            {"pipelineBinds", &WorkCounters::pipelineBinds, 3},
                                            {"bufferBinds", &WorkCounters::bufferBinds, 2},
                                            {"textureBinds", &WorkCounters::textureBinds, 1},
                                            {"bytesUploaded", &WorkCounters::bytesUploaded, 32 + 32 + 16 + 32 + 32},
                                            {"renderPasses", &WorkCounters::renderPasses, 3},
                                            {"pixelsWritten", &WorkCounters::pixelsWritten, 64 * 32 + 16 * 8},
                                        });

    // Committed: later uploads wait for the next command buffer, which starts from them.
    ASSERT_TRUE(colours.replace(0, colourBytes, 8));
    EXPECT_EQ(commands.counters().bytesUploaded, 144u);
    auto next = device().makeCommandBuffer("next");
    expectCounters(next.counters(), {{"bytesUploaded", &WorkCounters::bytesUploaded, 8},
                                     {"renderPasses", &WorkCounters::renderPasses, 0},
                                     {"drawCalls", &WorkCounters::drawCalls, 0}});
    next.commit();
}

}  // namespace
}  // namespace lumen::gpu::test
