#include "platform/OcclusionModel.hpp"

#include <algorithm>
#include <cstdint>

namespace lumen::app::OcclusionModel {

bool unionCovers(const PixelRect& area, const std::vector<PixelRect>& rects)
{
    if (area.empty()) {
        return false;
    }
    // Clip to the area, then check every cell of the grid the clipped edges make: a cell lies
    // either wholly inside or wholly outside each rectangle.
    struct Box {
        std::int64_t x0, y0, x1, y1;
    };
    std::vector<Box> boxes;
    std::vector<std::int64_t> xs{area.x, area.right()};
    std::vector<std::int64_t> ys{area.y, area.bottom()};
    for (const PixelRect& r : rects) {
        if (!r.intersects(area)) {
            continue;
        }
        Box b{std::max<std::int64_t>(r.x, area.x), std::max<std::int64_t>(r.y, area.y),
              std::min(r.right(), area.right()), std::min(r.bottom(), area.bottom())};
        boxes.push_back(b);
        xs.push_back(b.x0);
        xs.push_back(b.x1);
        ys.push_back(b.y0);
        ys.push_back(b.y1);
    }
    if (boxes.empty()) {
        return false;
    }
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
        for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
            const bool inside = std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) {
                return b.x0 <= xs[i] && xs[i + 1] <= b.x1 && b.y0 <= ys[j] && ys[j + 1] <= b.y1;
            });
            if (!inside) {
                return false;
            }
        }
    }
    return true;
}

bool shown(const StackedWindow& window, const DesktopState& desktop)
{
    if (!window.mapped || window.hidden) {
        return false;
    }
    return window.sticky || !window.desktop || *window.desktop == DesktopState::allDesktops ||
           *window.desktop == desktop.current;
}

bool covered(const PixelRect& monitor, const std::vector<StackedWindow>& windows, const DesktopState& desktop)
{
    std::vector<PixelRect> frames;
    for (const StackedWindow& w : windows) {
        if (!shown(w, desktop)) {
            continue;
        }
        if (w.fullscreen && w.frame.intersects(monitor)) {
            return true;
        }
        frames.push_back(w.frame);
    }
    // A work area elsewhere (another monitor's, as some window managers give one for all) says
    // nothing about this monitor.
    PixelRect open = monitor;
    if (desktop.workArea && desktop.workArea->intersects(monitor)) {
        const PixelRect& work = *desktop.workArea;
        const std::int64_t x0 = std::max<std::int64_t>(work.x, monitor.x), y0 = std::max<std::int64_t>(work.y, monitor.y);
        const std::int64_t x1 = std::min(work.right(), monitor.right()), y1 = std::min(work.bottom(), monitor.bottom());
        open = {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    }
    return unionCovers(open, frames);
}

}  // namespace lumen::app::OcclusionModel
