#include "LumenKit/policy/AutoQuality.hpp"

namespace lumen {

AutoQuality::AutoQuality(std::int64_t pixels, double fps, const SceneCost& cost)
    : pixels_(pixels), scale_(initialScale(pixels, fps, cost)) {}

double AutoQuality::estimate(std::int64_t pixels, double fps, const SceneCost& cost) {
    // One formula for every prediction: the catalog's, which carries the safety factor.
    return cost.share(static_cast<double>(pixels), fps);
}

float AutoQuality::initialScale(std::int64_t pixels, double fps, const SceneCost& cost) {
    if (pixels <= minimumPixels) return 1.0f;
    return estimate(pixels, fps, cost) > busyThreshold ? 0.5f : 1.0f;
}

float AutoQuality::update(double busyPercent, double now) {
    if (scale_ != 1.0f || pixels_ <= minimumPixels) {
        overSince_.reset();
        return scale_;
    }
    if (!(busyPercent > busyThreshold)) {
        // One calm measurement restarts the wait.
        overSince_.reset();
        return 1.0f;
    }
    if (!overSince_) overSince_ = now;
    if (now - *overSince_ >= holdTime) {
        scale_ = 0.5f;
        overSince_.reset();
        return 0.5f;
    }
    return 1.0f;
}

}  // namespace lumen
