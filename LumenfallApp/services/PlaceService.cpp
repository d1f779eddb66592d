#include "services/PlaceService.hpp"

#include "services/NominatimAnswer.hpp"
#include "services/ProductIdentity.hpp"

#include "log/EventLog.hpp"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGeoPositionInfo>
#include <QGeoPositionInfoSource>
#include <QUrlQuery>

#include <cmath>
#include <cstdio>

namespace lumen::app {

namespace {

double roundedToHundredths(double value) { return std::round(value * 100.0) / 100.0; }

// The GeoClue plugin waits out its whole time limit when the service does not exist at all; a
// system bus that neither runs nor can start it has no source.
bool geoClueReachable() {
    const QString name = QStringLiteral("org.freedesktop.GeoClue2");
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    if (!bus) return false;
    return bus->isServiceRegistered(name).value() || bus->activatableServiceNames().value().contains(name);
}

}  // namespace

PlaceService::PlaceService(Options options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    network_.setCookieJar(nullptr);
    spacingTimer_.setSingleShot(true);
    // A coarse timer may fire 5% early: the server allows one request a second, not 0.95.
    spacingTimer_.setTimerType(Qt::PreciseTimer);
    connect(&spacingTimer_, &QTimer::timeout, this, &PlaceService::sendLookUp);
}

PlaceService::~PlaceService() {
    if (fetch_) fetch_->cancel();
}

std::string PlaceService::cleanedQuery(const std::string& text) {
    QString query = QString::fromUtf8(text);
    for (QChar& c : query) {
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    }
    query = query.simplified();
    if (query.size() > maximumQueryLength) {
        query.truncate(maximumQueryLength);
        // Never half a character.
        if (query.back().isHighSurrogate()) query.chop(1);
        query = query.trimmed();
    }
    return query.toStdString();
}

Place PlaceService::locatedPlace(double latitude, double longitude) {
    const double lat = Place::truncated(roundedToHundredths(latitude), 4);
    const double lon = Place::truncated(roundedToHundredths(longitude), 4);
    char name[96];
    std::snprintf(name, sizeof name, "My location (%.2f, %.2f)", lat, lon);
    return Place{name, lat, lon};
}

void PlaceService::lookUp(const std::string& text, Done done) {
    const std::string query = cleanedQuery(text);
    if (query.empty()) {
        done(PlaceError::notFound());
        return;
    }
    if (pending_) {
        if (fetch_) fetch_->cancel();
        fetch_ = nullptr;
        Done older = std::move(pending_->done);
        pending_.reset();
        if (older) older(PlaceError::failed("A newer look-up replaced this one."));
    }
    pending_ = LookUp{query, std::move(done)};
    const auto now = std::chrono::steady_clock::now();
    const auto wait = lastSent_ ? options_.spacing - std::chrono::duration_cast<std::chrono::milliseconds>(now - *lastSent_)
                                : std::chrono::milliseconds{0};
    if (wait > std::chrono::milliseconds{0}) {
        spacingTimer_.start(wait);
    } else {
        spacingTimer_.stop();
        sendLookUp();
    }
}

void PlaceService::sendLookUp() {
    if (!pending_ || fetch_) return;
    QUrl url = options_.server;
    url.setPath(QStringLiteral("/search"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("q"), QString::fromStdString(pending_->text));
    query.addQueryItem(QStringLiteral("format"), QStringLiteral("jsonv2"));
    query.addQueryItem(QStringLiteral("addressdetails"), QStringLiteral("1"));
    query.addQueryItem(QStringLiteral("limit"), QStringLiteral("1"));
    url.setQuery(query);
    lastSent_ = std::chrono::steady_clock::now();
    QPointer<PlaceService> self(this);
    const std::string typed = pending_->text;
    fetch_ = HttpFetch::get(network_, url, productUserAgent(), {{"Accept", "application/json"}}, options_.limits,
                            [self, typed](const HttpAnswer& answer) {
                                if (!self) return;
                                self->fetch_ = nullptr;
                                PlaceResult result = PlaceError::notFound();
                                if (!answer.status || *answer.status >= 300) {
                                    // Offline, too slow, or the service refused us (429, 5xx):
                                    // not the text's fault.
                                    logEvent("place: no answer from Nominatim (" +
                                             (answer.status ? "HTTP " + std::to_string(*answer.status)
                                                            : answer.failure) + ")");
                                    result = PlaceError::unreachable();
                                } else if (auto place = placeFromNominatim(
                                               std::string_view(answer.body.data(), answer.body.size()), typed)) {
                                    result = std::move(*place);
                                }
                                Done done = std::move(self->pending_->done);
                                self->pending_.reset();
                                if (done) done(result);
                            });
}

void PlaceService::currentPlace(Done done) {
    if (!locationCreated_) {
        locationCreated_ = true;
        QVariantMap parameters{{QStringLiteral("desktopId"), QStringLiteral("com.quorl802.Lumenfall")}};
        const bool reachable = options_.positionSource != QStringLiteral("geoclue2") || geoClueReachable();
        if (reachable) location_ = QGeoPositionInfoSource::createSource(options_.positionSource, parameters, this);
        if (location_) {
            // About a kilometre is all that is kept; no satellite fix is needed for it.
            location_->setPreferredPositioningMethods(QGeoPositionInfoSource::NonSatellitePositioningMethods);
            connect(location_, &QGeoPositionInfoSource::positionUpdated, this, &PlaceService::positionUpdated);
            connect(location_, &QGeoPositionInfoSource::errorOccurred, this,
                    [this](QGeoPositionInfoSource::Error error) {
                        switch (error) {
                        case QGeoPositionInfoSource::AccessError:
                        case QGeoPositionInfoSource::ClosedError: resolveLocation(PlaceError::denied()); break;
                        case QGeoPositionInfoSource::UpdateTimeoutError:
                            resolveLocation(PlaceError::failed(
                                "Your position couldn’t be found in time. Type a city instead."));
                            break;
                        case QGeoPositionInfoSource::UnknownSourceError:
                            resolveLocation(PlaceError::failed("Your position couldn’t be found. Type a city instead."));
                            break;
                        case QGeoPositionInfoSource::NoError: break;
                        }
                    });
        }
    }
    if (!location_) {
        done(PlaceError::denied());
        return;
    }
    locationWaiting_.push_back(std::move(done));
    if (locationWaiting_.size() == 1) location_->requestUpdate(static_cast<int>(options_.locationTimeout.count()));
}

void PlaceService::positionUpdated(const QGeoPositionInfo& info) {
    if (!info.isValid()) return;
    const auto coordinate = info.coordinate();
    if (!Place::isValid(coordinate.latitude(), coordinate.longitude())) return;
    resolveLocation(locatedPlace(coordinate.latitude(), coordinate.longitude()));
}

void PlaceService::resolveLocation(const PlaceResult& result) {
    // Every caller waiting gets this one answer, once; a late callback finds nobody.
    std::vector<Done> waiting;
    waiting.swap(locationWaiting_);
    for (auto& done : waiting) {
        if (done) done(result);
    }
}

}  // namespace lumen::app
