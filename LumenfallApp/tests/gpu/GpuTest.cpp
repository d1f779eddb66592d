#include "GpuTest.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

namespace lumen::gpu::test {

const char* const coverSource = R"(
#ifdef VERTEX_STAGE
vec4 cover(float z) { return vec4(vec2((gl_VertexID << 1) & 2, gl_VertexID & 2) * 2.0 - 1.0, z, 1.0); }
void coverVertex() { gl_Position = cover(0.0); }
#endif
)";

const char* const solidSource = R"(
layout(std140, binding = 0) uniform Solid { vec4 solidColour; float solidDepth; };
#ifdef VERTEX_STAGE
void solidVertex() { gl_Position = cover(solidDepth); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void solidFragment() { fragColour = solidColour; }
#endif
)";

const char* const slotsSource = R"(
layout(std140, binding = 3) uniform Tint { vec4 tint; };
layout(std140, binding = 1) uniform Record { vec4 fields[12]; };
layout(std430, binding = 5) readonly buffer Palette { vec4 colours[]; };
layout(std430, binding = 0) readonly buffer Corners { vec2 corners[]; };
layout(binding = 4) uniform sampler2D picture;
#ifdef VERTEX_STAGE
void cornerVertex() { gl_Position = vec4(corners[gl_VertexID], 0.0, 1.0); }
#endif
#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void tintFragment() { fragColour = tint; }
void recordFragment() { fragColour = fields[11]; }
void paletteFragment() { fragColour = colours[1]; }
void pictureFragment() { fragColour = texture(picture, vec2(0.5)); }
void whiteFragment() { fragColour = vec4(1.0); }
#endif
)";

namespace {

std::vector<std::string> allMessages;  // everything the device reported, in order
std::unique_ptr<Device> sharedDevice;
std::string failure;
bool tried = false;

template <class T>
T take(Result<T>&& result)
{
    if (!result) throw std::runtime_error(result.error().message);
    return std::move(*result);
}

}  // namespace

void Pass::commit()
{
    if (encoder.isEncoding()) encoder.endEncoding();
    commands.commit();
}

void GpuTest::SetUp()
{
    if (!tried) {
        tried = true;
        auto made = Device::create({.validation = Validation::on,
                                    .messageHandler = [](std::string_view text) { allMessages.emplace_back(text); }});
        if (made) sharedDevice = std::move(*made);
        else failure = made.error().message;
    }
    if (!sharedDevice) GTEST_SKIP() << "no GPU device on this machine: " << failure;
    forget();
}

Device& GpuTest::device() { return *sharedDevice; }

void GpuTest::forget()
{
    sharedDevice->resetReportedMessages();
    firstMessage_ = allMessages.size();
}

std::vector<std::string> GpuTest::messages() const
{
    return {allMessages.begin() + std::ptrdiff_t(firstMessage_), allMessages.end()};
}

bool GpuTest::reported(const std::string& text) const
{
    return std::ranges::any_of(messages(), [&](const std::string& m) { return m.find(text) != std::string::npos; });
}

ShaderLibrary GpuTest::library(const std::string& source, const std::string& key)
{
    return take(device().makeLibrary(coverSource + source, key));
}

Texture GpuTest::target(int width, int height, PixelFormat format, int samples)
{
    return take(device().makeTexture({.type = samples > 1 ? TextureType::type2DMultisample : TextureType::type2D,
                                      .format = format, .width = width, .height = height, .sampleCount = samples,
                                      .usage = TextureUsage::renderTarget | TextureUsage::shaderRead}));
}

Texture GpuTest::depthTarget(int width, int height)
{
    return take(device().makeTexture({.format = PixelFormat::depth32Float, .width = width, .height = height,
                                      .usage = TextureUsage::renderTarget, .memoryless = true}));
}

ImageRGBA8 GpuTest::read(const Texture& texture) { return take(readImageRGBA8(device(), texture)); }

RenderPipeline GpuTest::pipeline(const RenderPipelineDescriptor& descriptor)
{
    return take(device().makeRenderPipeline(descriptor));
}

RenderPipeline GpuTest::coverPipeline(const ShaderLibrary& lib, const char* fragment, const char* vertex)
{
    return pipeline({.label = fragment, .library = &lib, .vertexFunction = vertex, .fragmentFunction = fragment,
                     .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
}

RenderPipeline GpuTest::solid(RenderPipelineColorAttachment colour, PixelFormat depth, int samples)
{
    if (!solidLibrary_) {
        solidLibrary_ = std::make_unique<ShaderLibrary>(library(solidSource, "solid"));
    }
    return pipeline({.label = "solid", .library = solidLibrary_.get(), .vertexFunction = "solidVertex",
                     .fragmentFunction = "solidFragment", .colorAttachments = {colour},
                     .depthAttachmentPixelFormat = depth, .sampleCount = samples});
}

Pass GpuTest::pass(const RenderPassDescriptor& descriptor)
{
    auto commands = device().makeCommandBuffer();
    auto encoder = take(commands.renderEncoder(descriptor));
    return Pass{std::move(commands), std::move(encoder)};
}

Pass GpuTest::pass(Texture& colour, ClearColor clear)
{
    RenderPassDescriptor descriptor;
    descriptor.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear, .clearColor = clear};
    return pass(descriptor);
}

::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance)
{
    const std::array<int, 4> got{actual[0], actual[1], actual[2], actual[3]};
    for (int i = 0; i < 4; ++i) {
        if (std::abs(got[i] - expected[i]) <= tolerance) continue;
        return ::testing::AssertionFailure() << "got " << ::testing::PrintToString(got) << ", expected "
                                             << ::testing::PrintToString(expected) << " within " << tolerance;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace lumen::gpu::test

int main(int argc, char** argv)
{
    // Mesa's software rasteriser through EGL without any window system: the tests never need a
    // display. Values already in the environment win, so a run can pick real hardware.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("EGL_PLATFORM", "surfaceless", 0);
    // Keep Mesa's driver mapped until exit, so the leak checker can name (and its suppressions
    // skip) what the driver itself never frees.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE | RTLD_GLOBAL);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Resources of the tests are gone; the context goes before static destruction.
    lumen::gpu::test::sharedDevice.reset();
    return result;
}
