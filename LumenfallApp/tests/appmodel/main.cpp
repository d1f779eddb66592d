#include <QCoreApplication>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // Keep Mesa's driver mapped until exit so the leak checker can attribute its allocations.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE | RTLD_GLOBAL);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
