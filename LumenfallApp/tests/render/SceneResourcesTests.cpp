#include "support/RenderTest.hpp"

#include "scenekit/MeshBuffers.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include <array>
#include <cstring>

namespace lumen::app::test {
namespace {

using gpu::BlendFactor;
using gpu::BlendOperation;

// A triangle over the whole target painted with the vec4 at bytes slot 0.
const char* const paintSource = R"(
#ifdef VERTEX_STAGE
void coverVertex() {
    vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
#endif
#ifdef FRAGMENT_STAGE
layout(std140, binding = 0) uniform Paint { vec4 paint; };
layout(location = 0) out vec4 fragColor;
void paintFragment() { fragColor = paint; }
#endif
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
    MeshVertex v = vertices[gl_VertexID];
    meshColor = v.color;
    gl_Position = vec4(v.position.xy, 0.0, 1.0);
}
#endif
#ifdef FRAGMENT_STAGE
in vec4 meshColor;
layout(location = 0) out vec4 fragColor;
void meshFragment() { fragColor = meshColor; }
#endif
)";

SceneError thrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const SceneException& e) {
        return e.error();
    }
    ADD_FAILURE() << "no SceneException";
    return SceneError::resource("nothing thrown");
}

class SceneResourcesTest : public RenderTest {
protected:
    const gpu::ShaderLibrary& paintLibrary() {
        setSource("ResPaint", paintSource);
        return gpu().library({"ResPaint"});
    }

    // A bgra8Unorm target with the depth attachment scene pipelines expect.
    struct Target {
        gpu::Texture colour;
        gpu::Texture depth;
    };
    Target target(int size) {
        auto colour = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                         .width = size,
                                         .height = size,
                                         .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead});
        auto depth = dev().makeTexture({.format = gpu::PixelFormat::depth32Float,
                                        .width = size,
                                        .height = size,
                                        .usage = gpu::TextureUsage::renderTarget});
        if (!colour || !depth) throw std::runtime_error("no render target");
        return {std::move(*colour), std::move(*depth)};
    }

    // Clears the target to `clear`, lets `draw` encode, and reads the result back.
    gpu::ImageRGBA8 render(Target& t, std::array<float, 4> clear,
                           const std::function<void(gpu::RenderEncoder&)>& draw, int* draws = nullptr) {
        auto commands = dev().makeCommandBuffer("resources test");
        gpu::RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &t.colour,
                                    .loadAction = gpu::LoadAction::clear,
                                    .clearColor = {clear[0], clear[1], clear[2], clear[3]}};
        pass.depthAttachment = {.texture = &t.depth, .loadAction = gpu::LoadAction::clear};
        auto encoder = commands.renderEncoder(pass);
        if (!encoder) throw std::runtime_error(encoder.error().message);
        draw(*encoder);
        if (draws) *draws = encoder->drawCount();
        encoder->endEncoding();
        commands.commit();
        auto image = gpu::readImageRGBA8(dev(), t.colour);
        if (!image) throw std::runtime_error(image.error().message);
        return std::move(*image);
    }
};

::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<float, 4> expected) {
    for (int i = 0; i < 4; ++i) {
        if (std::abs(int(actual[i]) - int(expected[i] * 255.0f + 0.5f)) > 2) {
            return ::testing::AssertionFailure() << "channel " << i << " is " << int(actual[i]) << ", expected "
                                                 << expected[i] * 255.0f;
        }
    }
    return ::testing::AssertionSuccess();
}

// --- Blend modes

struct Factors {
    bool enabled;
    BlendOperation operation;
    BlendFactor sourceRGB, destinationRGB, sourceAlpha, destinationAlpha;
};

void expectFactors(BlendMode mode, const Factors& want) {
    gpu::RenderPipelineColorAttachment attachment{.pixelFormat = gpu::PixelFormat::bgra8Unorm};
    // Start from another mode so that every field has to be set.
    applyBlendMode(mode == BlendMode::maximum ? BlendMode::alpha : BlendMode::maximum, attachment);
    applyBlendMode(mode, attachment);
    const int m = static_cast<int>(mode);
    EXPECT_EQ(attachment.pixelFormat, gpu::PixelFormat::bgra8Unorm) << m;
    EXPECT_EQ(attachment.blendingEnabled, want.enabled) << m;
    EXPECT_EQ(attachment.rgbBlendOperation, want.operation) << m;
    EXPECT_EQ(attachment.alphaBlendOperation, want.operation) << m;
    EXPECT_EQ(attachment.sourceRGBBlendFactor, want.sourceRGB) << m;
    EXPECT_EQ(attachment.destinationRGBBlendFactor, want.destinationRGB) << m;
    EXPECT_EQ(attachment.sourceAlphaBlendFactor, want.sourceAlpha) << m;
    EXPECT_EQ(attachment.destinationAlphaBlendFactor, want.destinationAlpha) << m;
}

TEST(BlendModeTest, EachModeSetsItsOperationsAndFactors) {
    using F = BlendFactor;
    const auto add = BlendOperation::add;
    // Opaque is a plain attachment: blending off, GL's default factors.
    expectFactors(BlendMode::opaque, {false, add, F::one, F::zero, F::one, F::zero});
    expectFactors(BlendMode::additive, {true, add, F::one, F::one, F::zero, F::one});
    expectFactors(BlendMode::alpha, {true, add, F::sourceAlpha, F::oneMinusSourceAlpha, F::one, F::oneMinusSourceAlpha});
    expectFactors(BlendMode::premultiplied, {true, add, F::one, F::oneMinusSourceAlpha, F::one, F::oneMinusSourceAlpha});
    expectFactors(BlendMode::minimum, {true, BlendOperation::min, F::one, F::one, F::one, F::one});
    expectFactors(BlendMode::maximum, {true, BlendOperation::max, F::one, F::one, F::one, F::one});
    EXPECT_EQ(static_cast<int>(BlendMode::maximum), 5);
}

struct CompositeCase {
    const char* name;
    BlendMode mode;
    std::array<float, 4> source;
    std::array<float, 4> destination;
    std::array<float, 4> expected;
};

class BlendCompositeTest : public SceneResourcesTest, public ::testing::WithParamInterface<CompositeCase> {};

TEST_P(BlendCompositeTest, PipelineCompositesOverTheTarget) {
    const auto& c = GetParam();
    auto pipeline = makePipeline(gpu(), c.name, paintLibrary(), "coverVertex", "paintFragment", 1, c.mode);
    auto t = target(4);
    const auto image = render(t, c.destination, [&](gpu::RenderEncoder& encoder) {
        encoder.setPipeline(pipeline);
        encoder.setFragmentBytes(0, c.source.data(), sizeof c.source);
        encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    });
    EXPECT_TRUE(near(image.pixel(2, 1), c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BlendCompositeTest,
    ::testing::Values(
        // source over: rgb = s * sa + d * (1 - sa), a = sa + da * (1 - sa)
        CompositeCase{"alpha", BlendMode::alpha, {1, 0, 0, 0.5f}, {0, 0, 1, 1}, {0.5f, 0, 0.5f, 1}},
        // rgb = s + d, alpha kept
        CompositeCase{"additive", BlendMode::additive, {0.25f, 0.5f, 0, 0.5f}, {0.5f, 0.25f, 0.2f, 0.8f},
                      {0.75f, 0.75f, 0.2f, 0.8f}},
        CompositeCase{"premultiplied", BlendMode::premultiplied, {0.3f, 0.1f, 0, 0.6f}, {0, 0.5f, 1, 1},
                      {0.3f, 0.3f, 0.4f, 1}},
        CompositeCase{"minimum", BlendMode::minimum, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f},
                      {0.3f, 0.4f, 0.5f, 0.2f}},
        CompositeCase{"maximum", BlendMode::maximum, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f},
                      {0.6f, 0.8f, 0.5f, 0.9f}},
        CompositeCase{"opaque", BlendMode::opaque, {0.3f, 0.8f, 0.5f, 0.2f}, {0.6f, 0.4f, 0.5f, 0.9f},
                      {0.3f, 0.8f, 0.5f, 0.2f}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Pipelines

TEST_F(SceneResourcesTest, PipelineUsesTheHostFormatsAndItsSampleCount) {
    const auto& library = paintLibrary();
    auto single = makePipeline(gpu(), "paint", library, "coverVertex", "paintFragment", 1, BlendMode::alpha, true);
    EXPECT_EQ(single.label(), "paint");
    EXPECT_EQ(single.colorAttachment(0).pixelFormat, gpu::PixelFormat::bgra8Unorm);
    EXPECT_EQ(single.depthAttachmentPixelFormat(), gpu::PixelFormat::depth32Float);
    EXPECT_EQ(single.sampleCount(), 1);
    // Alpha to coverage needs samples.
    EXPECT_FALSE(single.alphaToCoverageEnabled());

    auto multi = makePipeline(gpu(), "paint4", library, "coverVertex", "paintFragment", 4, BlendMode::opaque, true);
    EXPECT_EQ(multi.sampleCount(), 4);
    EXPECT_TRUE(multi.alphaToCoverageEnabled());
    auto plain = makePipeline(gpu(), "paint4", library, "coverVertex", "paintFragment", 4, BlendMode::opaque);
    EXPECT_FALSE(plain.alphaToCoverageEnabled());
}

TEST_F(SceneResourcesTest, MissingFunctionsNameBothEntryPoints) {
    const auto& library = paintLibrary();
    auto error = thrownBy([&] {
        (void)makePipeline(gpu(), "x", library, "coverVertex", "missingFragment", 1, BlendMode::opaque);
    });
    EXPECT_EQ(error, SceneError::pipeline("coverVertex/missingFragment"));
    EXPECT_EQ(error.description(), "pipeline coverVertex/missingFragment couldn't be made");

    error = thrownBy([&] {
        (void)makePipeline(gpu(), "x", library, "missingVertex", "paintFragment", 1, BlendMode::opaque);
    });
    EXPECT_EQ(error.description(), "pipeline missingVertex/paintFragment couldn't be made");
}

TEST_F(SceneResourcesTest, RefusedPipelineCarriesTheDeviceMessage) {
    // Defined, but only in the vertex stage: the fragment program cannot be built from it.
    setSource("ResLonely", "#ifdef VERTEX_STAGE\nvoid lonelyVertex() { gl_Position = vec4(0.0); }\n"
                           "void lonelyFragment() { gl_Position = vec4(1.0); }\n#endif\n");
    const auto& library = gpu().library({"ResLonely"});
    const auto error = thrownBy([&] {
        (void)makePipeline(gpu(), "lonely", library, "lonelyVertex", "lonelyFragment", 1, BlendMode::opaque);
    });
    EXPECT_EQ(error.kind(), SceneError::Kind::pipeline);
    ASSERT_EQ(error.subject().rfind("lonelyFragment: ", 0), 0u) << error.subject();
    EXPECT_GT(error.subject().size(), std::string("lonelyFragment: ").size());
}

TEST_F(SceneResourcesTest, ComputePipelineNeedsItsKernel) {
    const auto& library = paintLibrary();
    auto kernel = makeComputePipeline(gpu(), "doubleKernel", library);
    EXPECT_EQ(kernel.computeFunction(), "doubleKernel");
    EXPECT_EQ(kernel.threadsPerThreadgroup()[0], 8);

    const auto error = thrownBy([&] { (void)makeComputePipeline(gpu(), "missingKernel", library); });
    EXPECT_EQ(error, SceneError::pipeline("missingKernel"));
    EXPECT_EQ(error.description(), "pipeline missingKernel couldn't be made");
}

// --- Buffers

struct Strand {
    float values[8];
};
static_assert(sizeof(Strand) == 32);

TEST_F(SceneResourcesTest, BufferHoldsTheRecordsOrSixteenBytesWhenEmpty) {
    const std::vector<Strand> strands = {{{1, 2, 3, 4, 5, 6, 7, 8}}, {{9, 10, 11, 12, 13, 14, 15, 16}}};
    auto full = makeBuffer(gpu(), std::span<const Strand>(strands), "strands");
    EXPECT_EQ(full.size(), 64u);
    EXPECT_EQ(full.label(), "strands");
    auto bytes = full.read();
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 64u);
    EXPECT_EQ(std::memcmp(bytes->data(), strands.data(), 64), 0);

    auto empty = makeBuffer(gpu(), std::span<const Strand>(), "no strands");
    EXPECT_EQ(empty.size(), 16u);
    EXPECT_EQ(empty.label(), "no strands");
}

TEST_F(SceneResourcesTest, UnmakeableBufferThrowsItsLabel) {
    const Strand one{};
    auto error = thrownBy([&] { (void)makeBuffer(gpu(), &one, 1, 0, "caustics"); });
    EXPECT_EQ(error, SceneError::resource("caustics"));
    EXPECT_EQ(error.description(), "couldn't make caustics");
    error = thrownBy([&] { (void)makeBuffer(gpu(), &one, SIZE_MAX / 2, 32, "grass indices"); });
    EXPECT_EQ(error.description(), "couldn't make grass indices");
}

// --- Meshes

Mesh quad() {
    // Two triangles over the whole target: lower-left red, upper-right green.
    Mesh mesh;
    const Float4 normal{0, 0, 1, 0};
    mesh.vertices = {{{-1, -1, 0, 1}, normal, {1, 0, 0, 1}},
                     {{3, -1, 0, 1}, normal, {1, 0, 0, 1}},
                     {{-1, 3, 0, 1}, normal, {1, 0, 0, 1}},
                     {{1, 1, 0, 1}, normal, {0, 1, 0, 1}},
                     {{-1, 1, 0, 1}, normal, {0, 1, 0, 1}},
                     {{1, -1, 0, 1}, normal, {0, 1, 0, 1}}};
    // The first triangle covers everything; the second only the upper-right half.
    mesh.indices = {0, 1, 2, 3, 4, 5};
    return mesh;
}

TEST_F(SceneResourcesTest, MeshBuffersUploadUnderTheirLabels) {
    const Mesh mesh = quad();
    auto buffers = MeshBuffers::make(gpu(), mesh, "grass");
    EXPECT_EQ(buffers.indexCount, 6);
    EXPECT_EQ(buffers.vertices.label(), "grass");
    EXPECT_EQ(buffers.indices.label(), "grass indices");
    EXPECT_EQ(buffers.vertices.size(), 6 * 48u);
    EXPECT_EQ(buffers.indices.size(), 6 * 4u);
    auto indices = buffers.indices.read();
    ASSERT_TRUE(indices);
    EXPECT_EQ(std::memcmp(indices->data(), mesh.indices.data(), 24), 0);
}

TEST_F(SceneResourcesTest, MeshDrawsAllIndicesOrARange) {
    setSource("ResMesh", meshSource);
    auto pipeline = makePipeline(gpu(), "mesh", gpu().library({"ResMesh"}), "meshVertex", "meshFragment", 1,
                                 BlendMode::opaque);
    auto buffers = MeshBuffers::make(gpu(), quad(), "quad");
    auto t = target(4);
    const std::array<float, 4> blue{0, 0, 1, 1};
    const std::array<float, 4> red{1, 0, 0, 1}, green{0, 1, 0, 1};

    auto whole = render(t, blue, [&](gpu::RenderEncoder& e) {
        e.setPipeline(pipeline);
        buffers.draw(e);
    });
    // Image rows come top first: (3, 0) is upper right, (0, 3) lower left.
    EXPECT_TRUE(near(whole.pixel(3, 0), green));
    EXPECT_TRUE(near(whole.pixel(0, 3), red));

    auto first = render(t, blue, [&](gpu::RenderEncoder& e) {
        e.setPipeline(pipeline);
        buffers.draw(e, 1, std::pair{0, 3});
    });
    EXPECT_TRUE(near(first.pixel(3, 0), red));

    auto second = render(t, blue, [&](gpu::RenderEncoder& e) {
        e.setPipeline(pipeline);
        buffers.draw(e, 1, std::pair{3, 6});
    });
    EXPECT_TRUE(near(second.pixel(3, 0), green));
    EXPECT_TRUE(near(second.pixel(0, 3), blue));

    // A range past the end is cut to the list instead of reading beyond it.
    int draws = -1;
    auto clipped = render(t, blue, [&](gpu::RenderEncoder& e) {
        e.setPipeline(pipeline);
        buffers.draw(e, 1, std::pair{3, 600});
    }, &draws);
    EXPECT_EQ(draws, 1);
    EXPECT_TRUE(near(clipped.pixel(3, 0), green));
    EXPECT_TRUE(near(clipped.pixel(0, 3), blue));
}

TEST_F(SceneResourcesTest, EmptyMeshDrawsNothing) {
    setSource("ResMeshEmpty", meshSource);
    auto pipeline = makePipeline(gpu(), "mesh", gpu().library({"ResMeshEmpty"}), "meshVertex", "meshFragment", 1,
                                 BlendMode::opaque);
    auto buffers = MeshBuffers::make(gpu(), Mesh{}, "nothing");
    EXPECT_EQ(buffers.indexCount, 0);
    EXPECT_EQ(buffers.vertices.size(), 16u);
    EXPECT_EQ(buffers.indices.size(), 16u);
    auto full = MeshBuffers::make(gpu(), quad(), "quad");

    auto t = target(4);
    const std::array<float, 4> blue{0, 0, 1, 1};
    int draws = -1;
    auto image = render(t, blue, [&](gpu::RenderEncoder& e) {
        e.setPipeline(pipeline);
        buffers.draw(e);
        full.draw(e, 0);                     // no instances
        full.draw(e, 1, std::pair{4, 2});    // an empty range
    }, &draws);
    EXPECT_EQ(draws, 0);
    EXPECT_TRUE(near(image.pixel(1, 1), blue));
}

}  // namespace
}  // namespace lumen::app::test
