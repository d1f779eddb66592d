#include "app/SceneStill.hpp"

#include "scenekit/SceneClasses.hpp"
#include "scenekit/SceneError.hpp"
#include "render/SceneHost.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <exception>
#include <memory>

namespace lumen::app {

namespace {
// Far enough into the animation that every scene has settled into its look.
constexpr double stillClock = 120.0;
}  // namespace

Still renderStill(SceneHost& host, const StillRequest& request, const SceneEnvironment& environment) {
    Still still;
    std::unique_ptr<LumenScene> scene;
    try {
        scene = makeScene(request.info, host.gpu(), environment);
    } catch (const SceneException& failure) {
        still.error = failure.error().description();
        return still;
    } catch (const std::exception& failure) {
        still.error = failure.what();
        return still;
    }
    const SceneClass* sceneClass = SceneClasses::find(request.info.className);

    SceneFrame frame;
    frame.now = host.mediaTime();
    frame.clock = stillClock;
    frame.dt = 0;
    frame.options = request.options;
    frame.sky = SkyClock::state(environment.wallTime, request.hour, request.place, environment.zone);
    frame.zone = environment.zone;
    frame.weather = request.weather;
    scene->prewarm(frame, request.seconds);

    still.image = host.renderOffscreen(*scene, request.width, request.height, frame, request.displayIndex, &still.gpuMilliseconds,
                                       sceneClass ? sceneClass->sampleCount : 0);
    if (!still.image) still.error = "the still could not be drawn";
    return still;
}

QImage imageView(const Image& image) {
    // Format_RGB32 is 0xffRRGGBB per pixel: in little-endian memory blue, green, red, padding.
    return QImage(image.bgrx.data(), image.width, image.height, image.width * 4, QImage::Format_RGB32);
}

}  // namespace lumen::app
