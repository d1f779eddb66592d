#include "TrayRig.hpp"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstring>

// Menus are widgets: a QApplication, on the offscreen platform so no display is needed. The
// StatusNotifierItem test runs this program again as a child on a real (private) display.
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], lumen::app::test::kTrayChildSwitch) == 0) {
        return lumen::app::test::runTrayChild(argc, argv);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
