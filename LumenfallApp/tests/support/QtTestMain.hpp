#pragma once

#ifdef LUMEN_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

// main() of the test programs whose backends, buses and display links run on Qt's event loop.
int main(int argc, char** argv) {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    // Keep Mesa's driver mapped until exit: terminating an EGL display unloads it, and the leak
    // checker could then no longer see (or name) what the driver still holds.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE | RTLD_GLOBAL);
#ifdef LUMEN_TEST_WIDGETS
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
