#pragma once

#include "services/HttpFetch.hpp"
#include "services/PlaceError.hpp"

#include "LumenKit/catalog/Place.hpp"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class QGeoPositionInfo;
class QGeoPositionInfoSource;

namespace lumen::app {

using PlaceResult = std::variant<Place, PlaceError>;

struct PlaceServiceOptions {
    // The Nominatim server searched for typed places.
    QUrl server{QStringLiteral("https://nominatim.openstreetmap.org")};
    HttpLimits limits{std::chrono::milliseconds{20'000}, std::chrono::milliseconds{30'000}, 1024 * 1024, 5};
    // Nominatim's usage policy: at most one request a second.
    std::chrono::milliseconds spacing{1'000};
    // The Qt Positioning plugin asked for the computer's position.
    QString positionSource = QStringLiteral("geoclue2");
    std::chrono::milliseconds locationTimeout{30'000};
};

// Turns typed text into a place through Nominatim, and finds the computer's own position through
// Qt Positioning (GeoClue2), keeping it only to about a kilometre. Both answer through a callback
// on the main thread, once per call. Main thread only.
class PlaceService final : public QObject {
    Q_OBJECT

public:
    using Options = PlaceServiceOptions;
    using Done = std::function<void(const PlaceResult&)>;

    explicit PlaceService(Options options = {}, QObject* parent = nullptr);
    ~PlaceService() override;

    // Blank text is not found without asking. A look-up started while another is waiting or
    // running replaces it: the older one is told so.
    void lookUp(const std::string& text, Done done);
    // The computer's position rounded to two decimals, named "My location (lat, lon)". Denied at
    // once when the desktop refuses location access or offers no source.
    void currentPlace(Done done);

    // What is sent for typed text: control characters become spaces, runs of white space one
    // space, trimmed, and at most `maximumQueryLength` characters (pasted pages are no place).
    static constexpr int maximumQueryLength = 200;
    static std::string cleanedQuery(const std::string& text);

    // The place of a located position: rounded half away from zero to two decimals.
    static Place locatedPlace(double latitude, double longitude);

private:
    struct LookUp {
        std::string text;
        Done done;
    };
    void sendLookUp();
    void resolveLocation(const PlaceResult& result);
    void positionUpdated(const QGeoPositionInfo& info);

    Options options_;
    QNetworkAccessManager network_;
    std::optional<LookUp> pending_;  // waiting for its turn or for its answer
    HttpFetch* fetch_ = nullptr;
    QTimer spacingTimer_;
    std::optional<std::chrono::steady_clock::time_point> lastSent_;
    QGeoPositionInfoSource* location_ = nullptr;
    bool locationCreated_ = false;
    std::vector<Done> locationWaiting_;
};

}  // namespace lumen::app
