#include "GpuTest.hpp"

#include <functional>

namespace lumen::gpu::test {
namespace {

using ContractTest = GpuTest;

const Solid white{.colour = {1, 1, 1, 1}};

// A draw that cannot run is skipped, counted and named, never handed to the driver.
TEST_F(ContractTest, DrawsThatCannotRunAreSkippedCountedAndReportedOnceInAWhile)
{
    auto lib = library(slotsSource);
    auto record = coverPipeline(lib, "recordFragment"), palette = coverPipeline(lib, "paletteFragment");
    auto picture = coverPipeline(lib, "pictureFragment");
    auto corners = coverPipeline(lib, "whiteFragment", "cornerVertex");
    auto fourSamples = solid({.pixelFormat = PixelFormat::rgba8Unorm}, PixelFormat::invalid, 4);
    auto bgra = solid({.pixelFormat = PixelFormat::bgra8Unorm});
    auto withDepth = solid({.pixelFormat = PixelFormat::rgba8Unorm}, PixelFormat::depth32Float);
    auto buffer = device().makeBuffer({.size = 256, .label = "indices"});
    auto memoryless = device().makeTexture({.width = 1, .height = 1, .usage = TextureUsage::renderTarget,
                                            .memoryless = true, .label = "memoryless"});
    ASSERT_TRUE(buffer && memoryless);
    const auto draw = [](RenderEncoder& e) { e.drawPrimitives(PrimitiveType::triangle, 0, 3); };
    struct Case {
        const char* name;
        std::function<void(RenderEncoder&)> run;
        const char* message;
        int skipped = 1;
    };
    const Case cases[] = {
        {"no pipeline", draw, "no pipeline set"},
        {"sample count", [&](auto& e) { e.setPipeline(fourSamples); draw(e); },
         "pipeline \"solid\" has sample count 4 but the pass has 1"},
        {"colour format", [&](auto& e) { e.setPipeline(bgra); draw(e); }, "as bgra8Unorm but the pass has rgba8Unorm"},
        {"depth format", [&](auto& e) { e.setPipeline(withDepth); draw(e); },
         "expects depth format depth32Float but the pass has invalid"},
        {"too few bytes", [&](auto& e) { e.setPipeline(record); e.setFragmentBytes(1, &white, 16); draw(e); },
         "reads 192 bytes at slot 1 but 16 are bound"},
        {"no buffer", [&](auto& e) { e.setPipeline(palette); draw(e); }, "reads a buffer at slot 5 but none is bound"},
        {"misaligned buffer", [&](auto& e) { e.setPipeline(palette); e.setFragmentBuffer(5, *buffer, 1); draw(e); },
         "not a multiple of the storage offset alignment"},
        {"no texture", [&](auto& e) { e.setPipeline(picture); draw(e); }, "samples a texture at slot 4 but none is"},
        {"memoryless texture", [&](auto& e) { e.setPipeline(picture); e.setFragmentTexture(4, *memoryless); draw(e); },
         "\"memoryless\" is not readable by shaders"},
        {"negative start", [&](auto& e) {
             e.setPipeline(corners); e.setVertexBuffer(0, *buffer, 0);
             e.drawPrimitives(PrimitiveType::triangle, -1, 3);
         }, "negative vertex start"},
        {"indices past the end", [&](auto& e) {
             e.setPipeline(corners); e.setVertexBuffer(0, *buffer, 0);
             e.drawIndexed(PrimitiveType::triangle, 6, *buffer, buffer->size() - 8);
         }, "do not fit index buffer \"indices\""},
        {"after endEncoding", [&](auto& e) { e.endEncoding(); e.setPipeline(corners); draw(e); },
         "setPipeline on a render encoder that is not encoding (outside its pass)", 0},
    };
    auto colour = target(1, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forget();
        auto p = pass(colour);
        const auto violations = device().contractViolations();
        p->setFragmentBytes(0, &white, sizeof white);
        c.run(p.encoder);
        EXPECT_EQ(p->drawCount(), 0);
        EXPECT_EQ(p->skippedDrawCount(), c.skipped);
        EXPECT_GT(device().contractViolations(), violations);
        EXPECT_TRUE(reported(c.message));
        p.commit();
        EXPECT_TRUE(near(read(colour).pixel(0, 0), {0, 0, 0, 255}));
    }

    // Repeats are thinned out of what is shown, but each one counts.
    forget();
    auto p = pass(colour);
    const auto violations = device().contractViolations();
    for (int frame = 0; frame < 12; ++frame) {
        draw(p.encoder);
    }
    EXPECT_EQ(device().contractViolations(), violations + 12);
    EXPECT_EQ(messages(), (std::vector<std::string>{"drawPrimitives skipped: no pipeline set",
                                                    "drawPrimitives skipped: no pipeline set (10 times)"}));
    p.commit();
}

// Dispatches are held to the same: the kernel's bindings and its own threadgroup size.
TEST_F(ContractTest, DispatchesThatCannotRunAreSkippedCountedAndReported)
{
    auto lib = library(R"(
#ifdef COMPUTE_STAGE
layout(local_size_x = 4, local_size_y = 2, local_size_z = 2) in;
layout(std140, binding = 3) uniform Params { vec4 scale; };
layout(std430, binding = 2) buffer Values { float values[]; };
void fillKernel() { values[gl_LocalInvocationIndex] = scale.x; }
#endif
)");
    auto fill = device().makeComputePipeline({.library = &lib, .computeFunction = "fillKernel"});
    auto values = device().makeBuffer({.size = 256});
    ASSERT_TRUE(fill && values);
    auto commands = device().makeCommandBuffer();
    auto encoder = commands.computeEncoder().value();
    encoder.setPipeline(*fill);
    encoder.setBuffer(2, *values, 0);
    encoder.dispatchThreadgroups({1, 1, 1});
    EXPECT_TRUE(reported("reads 16 bytes at slot 3 that are not bound"));
    const float scale[4] = {1};
    encoder.setBytes(3, scale, sizeof scale);
    encoder.dispatchThreadgroups({1, 1, 1}, {8, 8, 1});
    EXPECT_TRUE(reported("differ from the shader's local_size 4x2x2"));
    EXPECT_EQ(encoder.skippedDispatchCount(), 2);
    encoder.dispatchThreadgroups({1, 1, 1}, {4, 2, 2});
    EXPECT_EQ(encoder.dispatchCount(), 1);
    encoder.endEncoding();
    commands.commit();
}

}  // namespace
}  // namespace lumen::gpu::test
