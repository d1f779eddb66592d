// The settings window is made of widgets: a QApplication, on the offscreen platform (the model's
// desktop is its own private Xvfb).
#define LUMEN_TEST_WIDGETS
#include "support/QtTestMain.hpp"
