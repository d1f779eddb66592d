#include <QCoreApplication>

#include <gtest/gtest.h>

// The services and the loopback servers share Qt's event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
