#include "LumenKit/policy/RenderDecision.hpp"

#include <ostream>

namespace lumen {

RenderDecision RenderDecision::render(int fps, float scale) {
    RenderDecision decision;
    decision.fps_ = fps;
    decision.scale_ = scale;
    return decision;
}

RenderDecision RenderDecision::paused(PauseReason reason) {
    RenderDecision decision;
    decision.paused_ = true;
    decision.reason_ = reason;
    return decision;
}

std::optional<PauseReason> RenderDecision::reason() const {
    if (!paused_) return std::nullopt;
    return reason_;
}

std::string RenderDecision::statusText() const {
    if (paused_) return std::string(PauseReasonInfo::statusText(reason_));
    std::string text = "Animating at " + std::to_string(fps_) + " fps";
    if (scale_ < 1.0f) text += ", half resolution";
    return text;
}

bool operator==(const RenderDecision& a, const RenderDecision& b) {
    if (a.paused_ != b.paused_) return false;
    if (a.paused_) return a.reason_ == b.reason_;
    return a.fps_ == b.fps_ && a.scale_ == b.scale_;
}

std::ostream& operator<<(std::ostream& out, const RenderDecision& decision) {
    if (auto reason = decision.reason()) {
        return out << "paused(" << PauseReasonInfo::rawValue(*reason) << ')';
    }
    return out << "render(" << decision.fps() << ", " << decision.scale() << ')';
}

}  // namespace lumen
