#pragma once

#include <algorithm>
#include <cstdint>

namespace lumen::app {

// A point in screen coordinates: pixels, y growing downward, as the display server reports them.
struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// A rectangle in screen pixels; right and bottom edges excluded.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    std::int64_t right() const { return std::int64_t{x} + width; }
    std::int64_t bottom() const { return std::int64_t{y} + height; }
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(PixelPoint p) const { return p.x >= x && p.x < right() && p.y >= y && p.y < bottom(); }
    bool intersects(const PixelRect& o) const
    {
        return !empty() && !o.empty() && std::max<std::int64_t>(x, o.x) < std::min(right(), o.right()) &&
               std::max<std::int64_t>(y, o.y) < std::min(bottom(), o.bottom());
    }
    bool operator==(const PixelRect&) const = default;
};

}  // namespace lumen::app
