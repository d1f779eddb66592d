#include "support/QtTestMain.hpp"
