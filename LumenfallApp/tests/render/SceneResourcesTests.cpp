#include "support/RenderTest.hpp"
#include "support/ShaderSceneStill.hpp"

#include "scenekit/MeshBuffers.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include <array>

namespace lumen::app::test {
namespace {

// The whole target painted with the vec4 at bytes slot 0, and a kernel doubling floats.
const std::string paintSource = coverSource(R"(
layout(std140, binding = 0) uniform Paint { vec4 paint; };
void paintFragment() { fragColor = paint; })") + R"(
#ifdef COMPUTE_STAGE
layout(local_size_x = 8) in;
layout(std430, binding = 0) buffer Values { float values[]; };
void doubleKernel() { values[gl_GlobalInvocationID.x] *= 2.0; }
#endif
)";

// Mesh vertices pulled from the storage buffer at slot 0 by index.
const char* const meshSource = R"(
struct MeshVertex { vec4 position; vec4 normal; vec4 color; };
#ifdef VERTEX_STAGE
layout(std430, binding = 0) readonly buffer Vertices { MeshVertex vertices[]; };
out vec4 meshColor;
void meshVertex() {
    meshColor = vertices[gl_VertexID].color;
    gl_Position = vec4(vertices[gl_VertexID].position.xy, 0.0, 1.0);
}
#endif
#ifdef FRAGMENT_STAGE
in vec4 meshColor;
layout(location = 0) out vec4 fragColor;
void meshFragment() { fragColor = meshColor; }
#endif
)";

using Colour = std::array<float, 4>;

std::array<int, 4> bytes(Colour c) {
    return {int(c[0] * 255 + 0.5f), int(c[1] * 255 + 0.5f), int(c[2] * 255 + 0.5f), int(c[3] * 255 + 0.5f)};
}

class SceneResourcesTest : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        if (IsSkipped()) return;
        setSource("ResPaint", paintSource);
        setSource("ResMesh", meshSource);
        colour = renderTarget(4, 4);
        depth = renderTarget(4, 4, gpu::PixelFormat::depth32Float);
    }
    const gpu::ShaderLibrary& paintLibrary() { return gpu().library({"ResPaint"}); }

    // Clears a 4 x 4 target to `clear`, lets `draw` encode, and reads the result back.
    gpu::ImageRGBA8 render(Colour clear, const std::function<void(gpu::RenderEncoder&)>& draw, int* draws = nullptr) {
        auto commands = dev().makeCommandBuffer("resources test");
        gpu::RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &*colour, .loadAction = gpu::LoadAction::clear,
                                    .clearColor = {clear[0], clear[1], clear[2], clear[3]}};
        pass.depthAttachment = {.texture = &*depth, .loadAction = gpu::LoadAction::clear};
        auto encoder = commands.renderEncoder(pass);
        if (!encoder) throw std::runtime_error(encoder.error().message);
        draw(*encoder);
        if (draws) *draws = encoder->drawCount();
        encoder->endEncoding();
        commands.commit();
        return gpu::readImageRGBA8(dev(), *colour).value();
    }

    std::optional<gpu::Texture> colour, depth;
};

// Each blend mode composites a source over the target as the scenes expect it to.
TEST_F(SceneResourcesTest, BlendModesCompositeOverTheTarget) {
    const struct {
        const char* name;
        BlendMode mode;
        Colour source, destination, expected;
    } cases[] = {
        // rgb = s * sa + d * (1 - sa), a = sa + da * (1 - sa)
        {"alpha", BlendMode::alpha, {1, 0, 0, 0.5f}, {0, 0, 1, 1}, {0.5f, 0, 0.5f, 1}},
        // rgb = s + d, alpha kept
        {"additive", BlendMode::additive, {0.25f, 0.5f, 0, 0.5f}, {0.5f, 0.25f, 0.2f, 0.8f},
         {0.75f, 0.75f, 0.2f, 0.8f}},
        {"premultiplied", BlendMode::premultiplied, {0.3f, 0.1f, 0, 0.6f}, {0, 0.5f, 1, 1}, {0.3f, 0.3f, 0.4f, 1}},
        {"minimum", BlendMode::minimum, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f}, {0.3f, 0.4f, 0.5f, 0.2f}},
        {"maximum", BlendMode::maximum, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f}, {0.6f, 0.8f, 0.5f, 0.9f}},
        {"opaque", BlendMode::opaque, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f}, {0.3f, 0.8f, 0.5f, 0.2f}},
    };
    for (const auto& c : cases) {
        auto pipeline = makePipeline(gpu(), c.name, paintLibrary(), "coverVertex", "paintFragment", 1, c.mode);
        const auto image = render(c.destination, [&](gpu::RenderEncoder& encoder) {
            encoder.setPipeline(pipeline);
            encoder.setFragmentBytes(0, c.source.data(), sizeof c.source);
            encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
        });
        EXPECT_TRUE(near(image.pixel(2, 1), bytes(c.expected))) << c.name;
    }
}

// A broken shader must surface as a SceneException naming what is wrong, never as a crash or a
// pipeline that draws nothing.
TEST_F(SceneResourcesTest, PipelinesFailAsSceneErrorsOrMatchTheHostTargets) {
    // Defined, but only in the vertex stage: the fragment program cannot be built from it.
    setSource("ResLonely", "#ifdef VERTEX_STAGE\nvoid lonelyVertex() { gl_Position = vec4(0.0); }\n"
                           "void lonelyFragment() { gl_Position = vec4(1.0); }\n#endif\n");
    const auto& lonely = gpu().library({"ResLonely"});
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { makePipeline(gpu(), "x", paintLibrary(), "coverVertex", "missingFragment", 1, BlendMode::opaque); },
         "pipeline coverVertex/missingFragment couldn't be made"},
        {[&] { makePipeline(gpu(), "x", paintLibrary(), "missingVertex", "paintFragment", 1, BlendMode::opaque); },
         "pipeline missingVertex/paintFragment couldn't be made"},
        {[&] { makeComputePipeline(gpu(), "missingKernel", paintLibrary()); },
         "pipeline missingKernel couldn't be made"},
        {[&] { makePipeline(gpu(), "lonely", lonely, "lonelyVertex", "lonelyFragment", 1, BlendMode::opaque); },
         "pipeline lonelyFragment: "},
    };
    for (const auto& [call, description] : cases) {
        const auto error = thrownBy(call);
        EXPECT_EQ(error.kind(), SceneError::Kind::pipeline);
        EXPECT_EQ(error.description().rfind(description, 0), 0u) << error.description();
    }
    // The device's reason follows the failing function.
    EXPECT_GT(thrownBy(cases[3].first).subject().size(), std::string("lonelyFragment: ").size());
    // A buffer that cannot be made fails the scene under its label.
    const Float4 one{};
    EXPECT_EQ(thrownBy([&] { makeBuffer(gpu(), &one, SIZE_MAX / 2, 32, "grass"); }), SceneError::resource("grass"));
    EXPECT_EQ(makeBuffer(gpu(), std::span<const Float4>(), "none").size(), 16u);  // an empty list binds too

    // What is there is made for the host's targets, with its sample count.
    EXPECT_EQ(makeComputePipeline(gpu(), "doubleKernel", paintLibrary()).threadsPerThreadgroup()[0], 8);
    auto multi =
        makePipeline(gpu(), "paint", paintLibrary(), "coverVertex", "paintFragment", 4, BlendMode::opaque, true);
    EXPECT_EQ(multi.colorAttachment(0).pixelFormat, gpu::PixelFormat::bgra8Unorm);
    EXPECT_EQ(multi.depthAttachmentPixelFormat(), gpu::PixelFormat::depth32Float);
    EXPECT_EQ(multi.sampleCount(), 4);
    EXPECT_TRUE(multi.alphaToCoverageEnabled());
    // Alpha to coverage needs samples.
    EXPECT_FALSE(makePipeline(gpu(), "paint", paintLibrary(), "coverVertex", "paintFragment", 1, BlendMode::alpha, true)
                     .alphaToCoverageEnabled());
}

// Two triangles over a 4 x 4 target: the first, red, covers everything; the second, green, only
// the upper-right half.
Mesh quad() {
    Mesh mesh;
    const Float4 normal{0, 0, 1, 0}, red{1, 0, 0, 1}, green{0, 1, 0, 1};
    mesh.vertices = {{{-1, -1, 0, 1}, normal, red},   {{3, -1, 0, 1}, normal, red},    {{-1, 3, 0, 1}, normal, red},
                     {{1, 1, 0, 1}, normal, green},   {{-1, 1, 0, 1}, normal, green},  {{1, -1, 0, 1}, normal, green}};
    mesh.indices = {0, 1, 2, 3, 4, 5};
    return mesh;
}

// A range past the end is cut to the list instead of reading beyond it.
TEST_F(SceneResourcesTest, MeshDrawsAllIndicesOrARangeCutToTheList) {
    auto pipeline = makePipeline(gpu(), "mesh", gpu().library({"ResMesh"}), "meshVertex", "meshFragment", 1,
                                 BlendMode::opaque);
    const auto buffers = MeshBuffers::make(gpu(), quad(), "grass");
    EXPECT_EQ(buffers.indices.label(), "grass indices");
    const Colour blue{0, 0, 1, 1}, red{1, 0, 0, 1}, green{0, 1, 0, 1};
    // Image rows come top first: (3, 0) is upper right, (0, 3) lower left.
    const struct {
        std::optional<std::pair<int, int>> range;
        Colour upperRight, lowerLeft;
    } cases[] = {{std::nullopt, green, red}, {std::pair{0, 3}, red, red}, {std::pair{3, 600}, green, blue}};
    for (const auto& c : cases) {
        int draws = -1;
        const auto image = render(blue, [&](gpu::RenderEncoder& e) {
            e.setPipeline(pipeline);
            buffers.draw(e, 1, c.range);
        }, &draws);
        SCOPED_TRACE(c.range ? c.range->second : -1);
        EXPECT_EQ(draws, 1);
        EXPECT_TRUE(near(image.pixel(3, 0), bytes(c.upperRight)));
        EXPECT_TRUE(near(image.pixel(0, 3), bytes(c.lowerLeft)));
    }

    // Nothing to draw draws nothing: an empty mesh, no instances, an empty range.
    const auto empty = MeshBuffers::make(gpu(), Mesh{}, "nothing");
    int draws = -1;
    const auto image = render(blue, [&](gpu::RenderEncoder& e) {
        e.setPipeline(pipeline);
        empty.draw(e);
        buffers.draw(e, 0);
        buffers.draw(e, 1, std::pair{4, 2});
    }, &draws);
    EXPECT_EQ(draws, 0);
    EXPECT_TRUE(near(image.pixel(1, 1), bytes(blue)));
}

}  // namespace
}  // namespace lumen::app::test
