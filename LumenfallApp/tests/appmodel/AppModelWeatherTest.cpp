// The model and the live weather together: the weather reaches a weather-driven scene's frames,
// a start within the hour of the last answer asks nobody, and a new place is asked for.
#include "AppModelRig.hpp"

#include "weather/LoopbackServer.hpp"

#include "scenekit/SceneClasses.hpp"
#include "services/SavedWeather.hpp"

#include "LumenKit/weather/METNorway.hpp"

#include <gtest/gtest.h>

namespace lumen::app::test {
namespace {

using namespace std::chrono;

// Forwards to the gradient scene and keeps the weather of the last frame it was handed.
class WeatherRecorder final : public LumenScene {
public:
    static inline std::optional<WeatherState> lastWeather;
    static inline int frames = 0;

    explicit WeatherRecorder(std::unique_ptr<LumenScene> inner) : inner_(std::move(inner)) {}
    void update(const SceneFrame& frame) override {
        lastWeather = frame.weather;
        ++frames;
        inner_->update(frame);
    }
    void prepareFrame(gpu::CommandBuffer& buffer, const SceneFrame& frame) override { inner_->prepareFrame(buffer, frame); }
    void prepareView(gpu::CommandBuffer& buffer, const SceneView& view, const SceneFrame& frame) override {
        inner_->prepareView(buffer, view, frame);
    }
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) override {
        inner_->draw(encoder, view, frame);
    }
    void prewarm(const SceneFrame& frame, double seconds) override { inner_->prewarm(frame, seconds); }
    void releaseView(ViewID id) override { inner_->releaseView(id); }

private:
    std::unique_ptr<LumenScene> inner_;
};

WeatherState parsed(const std::string& body) { return std::get<WeatherState>(METNorway::parse(body, system_clock::now())); }

TEST(AppModelWeatherTest, LiveWeatherReachesTheFramesAndFollowsThePlace) {
    const Place oslo{"Oslo, NO", 59.91, 10.75};
    const Place bergen{"Bergen, NO", 60.39, 5.32};
    const std::string stored = LoopbackServer::forecast("lightsnow", -2).toStdString();
    const QByteArray fetched = LoopbackServer::forecast("heavyrain", 11);

    // The last start stored Oslo's answer half an hour ago.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    SavedWeather saved;
    saved.cache.place = oslo;
    saved.cache.lastAttempt = saved.cache.lastSuccess = system_clock::now() - minutes{30};
    saved.body = stored;
    ASSERT_TRUE(saved.write(cache.filePath("Lumenfall-weather.json").toStdString()));

    LoopbackServer server(LoopbackServer::answer(200, fetched));
    SceneClasses::add({"AlpineLakeScene", 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                           return std::make_unique<WeatherRecorder>(SceneClasses::find("DesktopTestGradient")->make(context));
                       }});
    LumenSettings settings;
    settings.place = oslo;
    std::string reason;
    auto rig = AppModelRig::start(reason, {"-scene", "alpineLake", "-forecastHost", server.url().toStdString()},
                                  settings.encode());
    if (!rig) {
        SceneClasses::remove("AlpineLakeScene");
        GTEST_SKIP() << reason;
    }
    rig->model->start();

    const auto framesCarry = [](const WeatherState& expected) {
        return lumen::test::waitFor([&] { return WeatherRecorder::lastWeather == expected; }, 10000);
    };
    // A start within the hour of the stored answer shows it without asking.
    EXPECT_TRUE(framesCarry(parsed(stored))) << WeatherRecorder::frames << " frames";
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(rig->model->weather().active());

    rig->model->updateSettings([&](LumenSettings& s) { s.place = bergen; });
    EXPECT_TRUE(framesCarry(parsed(fetched.toStdString())));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(server.requests().back().head.contains("lat=60.39&lon=5.32"));
    EXPECT_EQ(rig->model->weather().cache().place, bergen);

    rig.reset();
    SceneClasses::remove("AlpineLakeScene");
    qunsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace lumen::app::test
