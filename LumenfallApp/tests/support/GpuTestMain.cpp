#include "support/RenderTest.hpp"

#include <dlfcn.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Mesa's software rasteriser through EGL without any window system.
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("EGL_PLATFORM", "surfaceless", 0);
    // Keep Mesa's driver mapped until exit so the leak checker can attribute its allocations.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE | RTLD_GLOBAL);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    lumen::app::test::releaseShared();
    return result;
}
