#include "platform/wayland/SurfaceVisibility.hpp"

namespace lumen::app {

void SurfaceVisibility::frameRequested(double now)
{
    if (pending_) return;
    pending_ = true;
    requestedAt_ = now;
    requestedWhileCovered_ = toplevelCovered_;
}

void SurfaceVisibility::frameDone()
{
    if (!pending_) return;
    pending_ = false;
    silent_ = false;
    // Only an answer to a request made after the toplevel list said covered proves it wrong: an
    // older one may be the last frame before the window went fullscreen.
    if (toplevelCovered_ && requestedWhileCovered_) toplevelRefuted_ = true;
}

bool SurfaceVisibility::checkSilence(double now)
{
    if (!pending_ || silent_ || now < silenceDeadline()) return false;
    const bool before = visible();
    silent_ = true;
    return before != visible();
}

void SurfaceVisibility::setToplevelCovered(bool covered)
{
    if (covered == toplevelCovered_) return;
    toplevelCovered_ = covered;
    toplevelRefuted_ = false;
    // A request pending from before proves nothing about the new state.
    requestedWhileCovered_ = false;
}

}  // namespace lumen::app
