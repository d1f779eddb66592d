#include "GpuTest.hpp"

#include <cstdio>
#include <cstdlib>

namespace lumen::gpu::test {
namespace {

// Mesa can be told to offer only OpenGL 3.3: the device must then refuse with the user's text and
// the driver's detail. In a fresh process, since there is one context per process.
TEST(DeviceWithoutGL43, ReportsTheUsersTextWithTheDetail)
{
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
