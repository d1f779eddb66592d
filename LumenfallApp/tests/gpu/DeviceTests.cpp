#include "GpuTest.hpp"

#include <cstdio>
#include <cstdlib>

namespace lumen::gpu::test {
namespace {

class DeviceTest : public GpuTest {};

TEST_F(DeviceTest, ReportsOpenGL43CoreOrNewer)
{
    const auto& info = device().info();
    EXPECT_GE(info.glMajor * 10 + info.glMinor, 43) << info.version;
    EXPECT_FALSE(info.renderer.empty());
    EXPECT_FALSE(info.shadingLanguageVersion.empty());
    EXPECT_GE(info.maxSamples, 4);
    EXPECT_GE(info.maxColorAttachments, maxColorAttachments);
    EXPECT_GT(info.uniformBufferOffsetAlignment, 0u);
    EXPECT_GE(info.maxComputeInvocations, 64);
}

TEST_F(DeviceTest, SecondDeviceInTheSameProcessIsRefused)
{
    auto second = Device::create();
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().kind, ErrorKind::invalidDescriptor);
}

TEST_F(DeviceTest, SurfacelessDisplayHasNoWindowSurfaces)
{
    if (device().info().eglPlatform != "surfaceless") {
        GTEST_SKIP() << "display is " << device().info().eglPlatform;
    }
    auto surface = device().makeWindowSurface(nullptr);
    ASSERT_FALSE(surface.ok());
    EXPECT_EQ(surface.error().kind, ErrorKind::unsupported);
    EXPECT_TRUE(device().makeCurrent());
}

TEST(DeviceText, UnavailableWordingIsTheUsersText)
{
    EXPECT_EQ(Device::unavailableText, "OpenGL 4.3 isn’t available on this computer");
}

TEST(DeviceWithoutGL43, ReportsTheUsersTextWithTheDetail)
{
    // Mesa can be told to offer only OpenGL 3.3; the device must then refuse with the user's text
    // and the driver's detail. Runs in a fresh process: one context per process.
    const char* software = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    if (software == nullptr || std::string(software) != "1") {
        GTEST_SKIP() << "needs Mesa's software driver";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("MESA_GL_VERSION_OVERRIDE", "3.3", 1);
            auto device = Device::create();
            std::fprintf(stderr, "%s\n", device.ok() ? "a device was made" : device.error().message.c_str());
            std::exit(device.ok() ? 3 : device.error().kind == ErrorKind::unavailable ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "OpenGL 4.3 isn.*t available on this computer \\(eglCreateContext");
}

}  // namespace
}  // namespace lumen::gpu::test
