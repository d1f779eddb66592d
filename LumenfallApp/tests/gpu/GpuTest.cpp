#include "GpuTest.hpp"

#include <cstdlib>
#include <stdexcept>

namespace lumen::gpu::test {

const char* const fullscreenSource = R"(
layout(std140, binding = 0) uniform Solid { vec4 colour; float depth; };

#ifdef VERTEX_STAGE
void fullscreenVertex()
{
    vec2 corner = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
    gl_Position = vec4(corner * 2.0 - 1.0, depth, 1.0);
}
#endif

#ifdef FRAGMENT_STAGE
layout(location = 0) out vec4 fragColour;
void solidFragment() { fragColour = colour; }
#endif
)";

namespace {
std::unique_ptr<SharedDevice> instance;
}

std::vector<std::string>& deviceMessages()
{
    static std::vector<std::string> messages;
    return messages;
}

SharedDevice& shared()
{
    if (!instance) {
        instance = std::make_unique<SharedDevice>();
        auto device = Device::create({.validation = Validation::on,
                                      .messageHandler = [](std::string_view text) {
                                          deviceMessages().emplace_back(text);
                                      }});
        if (device) {
            instance->device = std::move(*device);
        } else {
            instance->failure = device.error().message;
        }
    }
    return *instance;
}

void releaseShared() { instance.reset(); }

void GpuTest::SetUp()
{
    if (!shared().device) {
        GTEST_SKIP() << "no GPU device on this machine: " << shared().failure;
    }
    shared().device->resetReportedMessages();
    firstMessage_ = deviceMessages().size();
}

bool GpuTest::reported(const std::string& text) const
{
    const auto& all = deviceMessages();
    for (std::size_t i = firstMessage_; i < all.size(); ++i) {
        if (all[i].find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

ShaderLibrary GpuTest::library(const std::string& source, const std::string& key)
{
    auto made = device().makeLibrary(source, key);
    EXPECT_TRUE(made.ok()) << (made.ok() ? "" : made.error().message);
    return made.ok() ? std::move(*made) : ShaderLibrary::fromSource(source, key);
}

Texture GpuTest::target(int width, int height, PixelFormat format, int samples)
{
    auto made = device().makeTexture({.type = samples > 1 ? TextureType::type2DMultisample : TextureType::type2D,
                                      .format = format,
                                      .width = width,
                                      .height = height,
                                      .sampleCount = samples,
                                      .usage = TextureUsage::renderTarget | TextureUsage::shaderRead,
                                      .label = "test target"});
    if (!made) {
        throw std::runtime_error(made.error().message);
    }
    return std::move(*made);
}

Texture GpuTest::depthTarget(int width, int height, int samples)
{
    auto made = device().makeTexture({.type = samples > 1 ? TextureType::type2DMultisample : TextureType::type2D,
                                      .format = PixelFormat::depth32Float,
                                      .width = width,
                                      .height = height,
                                      .sampleCount = samples,
                                      .usage = TextureUsage::renderTarget,
                                      .memoryless = true,
                                      .label = "test depth"});
    if (!made) {
        throw std::runtime_error(made.error().message);
    }
    return std::move(*made);
}

ImageRGBA8 GpuTest::read(const Texture& texture)
{
    auto image = readImageRGBA8(device(), texture);
    if (!image) {
        throw std::runtime_error(image.error().message);
    }
    return std::move(*image);
}

::testing::AssertionResult near(std::array<std::uint8_t, 4> actual, std::array<int, 4> expected, int tolerance)
{
    for (int i = 0; i < 4; ++i) {
        if (std::abs(int(actual[i]) - expected[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "got (" << int(actual[0]) << ", " << int(actual[1]) << ", " << int(actual[2]) << ", "
                   << int(actual[3]) << ") expected (" << expected[0] << ", " << expected[1] << ", "
                   << expected[2] << ", " << expected[3] << ") within " << tolerance;
        }
    }
    return ::testing::AssertionSuccess();
}

RenderPipeline GpuTest::coverPipeline(const ShaderLibrary& lib, const char* fragment)
{
    auto made = device().makeRenderPipeline({.label = fragment,
                                             .library = &lib,
                                             .vertexFunction = "coverVertex",
                                             .fragmentFunction = fragment,
                                             .colorAttachments = {{.pixelFormat = PixelFormat::rgba8Unorm}}});
    if (!made) {
        throw std::runtime_error(made.error().message);
    }
    return std::move(*made);
}

}  // namespace lumen::gpu::test
