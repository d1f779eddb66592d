#include "services/WeatherService.hpp"

#include "services/ProductIdentity.hpp"

#include "log/EventLog.hpp"

#include "LumenKit/weather/FetchPolicy.hpp"
#include "LumenKit/weather/METNorway.hpp"

#include <QDateTime>
#include <QLocale>
#include <QPointer>

#include <cstdlib>
#include <variant>

namespace lumen::app {

namespace {

using Clock = std::chrono::system_clock;

// A "Retry-After" longer than this is not honoured beyond it: the weather must come back.
constexpr std::chrono::hours longestRetryAfter{24};

// "Retry-After": whole seconds, or an HTTP date.
std::optional<Clock::time_point> retryAfter(const std::optional<std::string>& text, Clock::time_point now) {
    if (!text || text->empty()) return std::nullopt;
    if (text->find_first_not_of("0123456789") == std::string::npos) {
        if (text->size() > 9) return now + longestRetryAfter;
        return now + std::min<std::chrono::seconds>(std::chrono::seconds{std::stol(*text)}, longestRetryAfter);
    }
    const auto date = METNorway::parseHTTPDate(text);
    if (!date) return std::nullopt;
    return std::min(*date, now + std::chrono::duration_cast<Clock::duration>(longestRetryAfter));
}

std::string shortLocalTime(Clock::time_point instant) {
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch());
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds.count()).toLocalTime();
    return QLocale::system().toString(local.time(), QLocale::ShortFormat).toStdString();
}

}  // namespace

std::string WeatherService::unreachableText() { return "Couldn’t reach MET Norway; trying again within the hour"; }
std::string WeatherService::unreadableText() { return "MET Norway’s answer couldn’t be read"; }
std::string WeatherService::answeredText(int status) {
    return "MET Norway answered " + std::to_string(status) + "; trying again later";
}
const char* WeatherService::noPlaceText() { return "No place set"; }
const char* WeatherService::inactiveText() { return "Checked while Rainy Window Café or Alpine Lake is showing"; }
const char* WeatherService::checkingText() { return "Checking the weather…"; }

std::filesystem::path WeatherService::defaultCacheFile() {
    std::filesystem::path folder;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
        folder = cache;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = std::filesystem::path(home) / ".cache";
    } else {
        folder = "/tmp";
    }
    return folder / "Lumenfall-weather.json";
}

std::optional<QUrl> WeatherService::serverFromText(const std::string& text) {
    const QString value = QString::fromStdString(text).trimmed();
    QUrl url = value.contains(QStringLiteral("://")) ? QUrl(value, QUrl::StrictMode)
                                                     : QUrl(QStringLiteral("https://") + value, QUrl::StrictMode);
    const bool web = url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https");
    const bool bare = url.path().isEmpty() || url.path() == QStringLiteral("/");
    if (!url.isValid() || !web || url.host().isEmpty() || !bare || url.hasQuery() || url.hasFragment() ||
        !url.userInfo().isEmpty()) {
        return std::nullopt;
    }
    url.setPath(QString());
    return url;
}

WeatherService::WeatherService(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)), status_(noPlaceText()) {
    if (options_.cacheFile.empty()) options_.cacheFile = defaultCacheFile();
    network_.setCookieJar(nullptr);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &WeatherService::check);
    if (auto saved = SavedWeather::read(options_.cacheFile)) stored_ = std::move(*saved);
}

WeatherService::~WeatherService() {
    if (fetch_) fetch_->cancel();
}

Clock::time_point WeatherService::now() const { return options_.now ? options_.now() : Clock::now(); }

void WeatherService::setPlace(std::optional<Place> place) {
    if (place == place_) return;
    place_ = std::move(place);
    if (!place_) {
        const bool had = current_.has_value();
        current_.reset();
        status_ = noPlaceText();
        if (had && onChange) onChange();
    }
    rebuildSchedule();
}

void WeatherService::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    rebuildSchedule();
}

void WeatherService::rebuildSchedule() {
    applyStored();
    timer_.stop();
    if (active_ && place_) {
        timer_.start(options_.checkInterval);
        check();
    }
}

void WeatherService::check() {
    applyStored();
    if (active_ && place_ && !fetch_ && METNorway::FetchPolicy::shouldFetch(now(), place_, stored_.cache)) {
        send(*place_);
    }
}

void WeatherService::send(const Place& place) {
    QUrl url = options_.server;
    url.setPath(QString::fromUtf8(METNorway::forecastPath.data(), static_cast<qsizetype>(METNorway::forecastPath.size())));
    url.setQuery(QStringLiteral("lat=%1&lon=%2")
                     .arg(QString::fromStdString(METNorway::coordinateText(place.latitude)),
                          QString::fromStdString(METNorway::coordinateText(place.longitude))));

    std::vector<std::pair<QByteArray, QByteArray>> headers{{"Accept", "application/json"}};
    const bool samePlace = stored_.cache.place == place;
    if (samePlace && stored_.body && stored_.cache.lastModified) {
        headers.emplace_back("If-Modified-Since", QByteArray::fromStdString(*stored_.cache.lastModified));
    }
    stored_.cache.lastAttempt = now();
    status_ = checkingText();
    logEvent("weather: calling MET Norway");

    QPointer<WeatherService> self(this);
    fetch_ = HttpFetch::get(network_, url, productUserAgent(), headers, options_.limits,
                            [self, place, samePlace](const HttpAnswer& answer) {
                                if (self) self->handle(answer, place, samePlace);
                            });
}

void WeatherService::handle(const HttpAnswer& answer, const Place& place, bool samePlace) {
    fetch_ = nullptr;
    const Clock::time_point time = now();
    bool usable = false;
    if (!answer.status) {
        status_ = unreachableText();
        logEvent("weather: no answer from MET Norway (" + answer.failure + ")");
    } else {
        const int code = *answer.status;
        auto& cache = stored_.cache;
        cache.expires = METNorway::parseHTTPDate(answer.header("Expires"));
        if (code == 200 || code == 203) {
            const auto parsed = answer.tooLarge
                                    ? METNorway::ParseResult{METNorway::ParseError::invalid}
                                    : METNorway::parse(std::string_view(answer.body.data(), answer.body.size()), time);
            if (std::holds_alternative<WeatherState>(parsed)) {
                stored_.body = answer.body.toStdString();
                cache.place = place;
                cache.lastSuccess = time;
                cache.lastModified = answer.header("Last-Modified");
                usable = true;
            } else {
                status_ = unreadableText();
                logEvent("weather: " + std::string(METNorway::description(std::get<METNorway::ParseError>(parsed))));
            }
        } else if (code == 304 && samePlace && stored_.body) {
            cache.lastSuccess = time;
            usable = true;
        } else {
            status_ = answeredText(code);
            logEvent("weather: HTTP " + std::to_string(code));
            // The service asks to be left alone for longer than an hour: do so.
            if (const auto later = retryAfter(answer.header("Retry-After"), time)) {
                if (!cache.expires || *later > *cache.expires) cache.expires = later;
            }
        }
    }
    save();
    applyStored();
    emit answered(usable);
}

void WeatherService::save() const { stored_.write(options_.cacheFile); }

void WeatherService::applyStored() {
    const Clock::time_point time = now();
    const auto& cache = stored_.cache;
    std::optional<WeatherState> candidate;
    if (place_ && cache.place == place_ && stored_.body && cache.lastSuccess && time >= *cache.lastSuccess &&
        time - *cache.lastSuccess < METNorway::FetchPolicy::staleAfter) {
        const auto parsed = METNorway::parse(*stored_.body, time);
        if (const auto* state = std::get_if<WeatherState>(&parsed)) candidate = *state;
    }
    if (candidate != current_) {
        current_ = std::move(candidate);
        if (onChange) onChange();
    }
    if (current_ && cache.lastSuccess) {
        status_ = current_->summary() + " · updated " + shortLocalTime(*cache.lastSuccess);
    } else if (!place_) {
        status_ = noPlaceText();
    } else if (!active_) {
        status_ = inactiveText();
    } else if (fetch_) {
        // unchanged while a request is in flight
    } else if (!cache.lastAttempt) {
        status_ = checkingText();
    }
}

}  // namespace lumen::app
