#include "platform/Screen.hpp"

#include <algorithm>

namespace lumen::app {

void sortScreens(std::vector<Screen>& screens)
{
    std::stable_sort(screens.begin(), screens.end(), [](const Screen& a, const Screen& b) {
        if (a.primary != b.primary) {
            return a.primary;
        }
        if (a.frame.x != b.frame.x) {
            return a.frame.x < b.frame.x;
        }
        return a.frame.y < b.frame.y;
    });
}

}  // namespace lumen::app
