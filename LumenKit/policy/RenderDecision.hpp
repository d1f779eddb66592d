#pragma once

#include "LumenKit/policy/PauseReason.hpp"

#include <iosfwd>
#include <optional>
#include <string>

namespace lumen {

// Either animate at a frame-rate cap and resolution scale, or stay paused for a reason.
class RenderDecision {
public:
    static RenderDecision render(int fps, float scale);
    static RenderDecision paused(PauseReason reason);

    bool isPaused() const { return paused_; }
    bool isRender() const { return !paused_; }
    // Frame-rate cap and scale of a render decision; 0 for a paused one.
    int fps() const { return fps_; }
    float scale() const { return scale_; }
    // The reason of a paused decision; none for a render decision.
    std::optional<PauseReason> reason() const;

    // "Animating at 30 fps", "Animating at 15 fps, half resolution", or the reason's text.
    std::string statusText() const;

    // Scales compare exactly: any change of scale must reach the surface.
    friend bool operator==(const RenderDecision& a, const RenderDecision& b);

private:
    RenderDecision() = default;

    bool paused_ = false;
    int fps_ = 0;
    float scale_ = 0;
    PauseReason reason_ = PauseReason::user;
};

// "render(30, 0.5)" or "paused(covered)", for logs and test failures.
std::ostream& operator<<(std::ostream& out, const RenderDecision& decision);

}  // namespace lumen
