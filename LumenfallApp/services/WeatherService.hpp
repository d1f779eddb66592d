#pragma once

#include "services/HttpFetch.hpp"
#include "services/SavedWeather.hpp"

#include "LumenKit/catalog/Place.hpp"
#include "LumenKit/weather/CacheState.hpp"
#include "LumenKit/weather/WeatherState.hpp"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace lumen::app {

struct WeatherServiceOptions {
    // The forecast server; the request path and query are always MET Norway's.
    QUrl server{QStringLiteral("https://api.met.no")};
    // Where the last good answer is kept; empty: `WeatherService::defaultCacheFile()`.
    std::filesystem::path cacheFile;
    HttpLimits limits{};
    // How often the due check runs while active with a place.
    std::chrono::milliseconds checkInterval{300'000};
    // The wall clock; unset: the system's.
    std::function<std::chrono::system_clock::time_point()> now;
};

// The live weather: holds the place, asks MET Norway when a request is due (at most once an hour
// for an unchanged place, later when "Expires" or "Retry-After" say so, never two requests at
// once), keeps the last good answer in the cache file so a restart shows weather at once, and
// publishes `current` (what weather-driven scenes get; none when nothing usable is known) and
// `status` (a line for the settings). It works only while `active`: the application model sets
// it while a scene that uses weather shows. Main thread only; the transfer is awaited by Qt's
// network thread and handled back on the main thread.
class WeatherService final : public QObject {
    Q_OBJECT

public:
    using Options = WeatherServiceOptions;
    using Clock = std::chrono::system_clock;

    // $XDG_CACHE_HOME/Lumenfall-weather.json (default ~/.cache).
    static std::filesystem::path defaultCacheFile();
    // The defaults' "forecastHost" value as a server: "host[:port]" (https) or an http(s) URL
    // without a path. None for anything else.
    static std::optional<QUrl> serverFromText(const std::string& text);

    // Reads the cache file (a missing or damaged one leaves everything empty). Computes nothing
    // yet: the first change of place or `active` does.
    explicit WeatherService(Options options = {}, QObject* parent = nullptr);
    ~WeatherService() override;

    const std::optional<WeatherState>& current() const { return current_; }
    const std::string& status() const { return status_; }
    // The forecast server asked (its host is credited in the settings).
    const QUrl& server() const { return options_.server; }
    // Called after `current` changes.
    std::function<void()> onChange;

    const std::optional<Place>& place() const { return place_; }
    // A different place (name or coordinates) rebuilds the schedule; none also clears `current`.
    void setPlace(std::optional<Place> place);
    bool active() const { return active_; }
    void setActive(bool active);

    const METNorway::CacheState& cache() const { return stored_.cache; }
    bool fetching() const { return fetch_ != nullptr; }
    // The due check, as the timer runs it: applies the stored answer and sends a request if one
    // is due.
    void check();

    // Error lines shown when no weather can be.
    static std::string unreachableText();
    static std::string unreadableText();
    static std::string answeredText(int status);
    static const char* noPlaceText();
    static const char* inactiveText();
    static const char* checkingText();

signals:
    // An answer was handled (`usable`: 200/203 that parsed, or 304 for the stored answer).
    void answered(bool usable);

private:
    Clock::time_point now() const;
    void rebuildSchedule();
    void send(const Place& place);
    void handle(const HttpAnswer& answer, const Place& place, bool samePlace);
    void applyStored();
    void save() const;

    Options options_;
    std::optional<WeatherState> current_;
    std::string status_;
    std::optional<Place> place_;
    bool active_ = false;
    SavedWeather stored_;  // the bookkeeping and the last good answer's bytes
    QNetworkAccessManager network_;
    QTimer timer_;
    HttpFetch* fetch_ = nullptr;
};

}  // namespace lumen::app
