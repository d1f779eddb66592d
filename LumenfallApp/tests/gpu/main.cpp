#include "GpuTest.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

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
    if (std::getenv("LUMENFALL_GPU_MESSAGES") != nullptr) {
        for (const auto& message : lumen::gpu::test::deviceMessages()) {
            std::fprintf(stderr, "device: %s\n", message.c_str());
        }
    }
    // Resources of the tests are gone; the context goes before static destruction.
    lumen::gpu::test::releaseShared();
    return result;
}
