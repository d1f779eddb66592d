#include <QCoreApplication>

#include <gtest/gtest.h>

// The power monitor hears its buses through Qt's event loop.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
