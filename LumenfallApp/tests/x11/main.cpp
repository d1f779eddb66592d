#include <QCoreApplication>

#include <dlfcn.h>
#include <gtest/gtest.h>

// The backends read their connections from Qt's event loop.
int main(int argc, char** argv)
{
    // Keep Mesa's driver mapped until exit: terminating an EGL display unloads it, and the leak
    // checker could then no longer see (or name) what the driver still holds.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE | RTLD_GLOBAL);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
