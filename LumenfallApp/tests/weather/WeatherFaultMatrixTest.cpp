// The weather and place services against loopback stand-ins that fail in every way a web
// service can: each row checks the status line, the back-off, that the event loop kept turning,
// that the last good weather survived, and that the cache file is always whole.
#include "LoopbackServer.hpp"

#include "services/PlaceService.hpp"
#include "services/ProductIdentity.hpp"
#include "services/SavedWeather.hpp"
#include "services/WeatherService.hpp"

#include "LumenKit/weather/FetchPolicy.hpp"
#include "LumenKit/weather/METNorway.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <date/date.h>

#include <filesystem>

namespace lumen::app::test {
namespace {

using namespace std::chrono;
using Behaviour = LoopbackServer::Behaviour;

const Place oslo{"Oslo, NO", 59.91, 10.75};
const HttpLimits shortLimits{milliseconds{300}, milliseconds{1500}, 4 * 1024 * 1024, 5};

// Runs the event loop until `done` or `limitMs`, keeping a 10 ms timer; the longest gap between
// its ticks says whether anything blocked the loop.
struct LoopWatch {
    qint64 longestGapMs = 0;
    bool run(const std::function<bool()>& done, int limitMs = 5000) {
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestGapMs = std::max(longestGapMs, clock.elapsed() - last);
            last = clock.elapsed();
        });
        tick.start(10);
        while (!done() && clock.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
    }
};

struct WeatherRig {
    QTemporaryDir folder;
    std::filesystem::path file() const { return folder.filePath("Lumenfall-weather.json").toStdString(); }

    void seed(const QByteArray& body) const {
        SavedWeather saved;
        saved.cache.place = oslo;
        saved.cache.lastAttempt = saved.cache.lastSuccess = system_clock::now() - hours{2};
        saved.cache.lastModified = "Tue, 12 Oct 2021 09:00:00 GMT";
        saved.body = body.toStdString();
        ASSERT_TRUE(saved.write(file()));
    }

    // Only the cache file, and it reads whole.
    void expectWholeFile(const char* row) const {
        EXPECT_TRUE(SavedWeather::read(file()).has_value()) << row;
        const auto entries = std::distance(std::filesystem::directory_iterator(folder.path().toStdString()), {});
        EXPECT_EQ(entries, 1) << row << ": a temporary file was left behind";
    }
};

struct WeatherRow {
    const char* name;
    Behaviour server;
    std::string fresh;        // the status line without a stored answer
    seconds backOff;          // until the next request, with a stored answer for the place
    bool seededUsable;        // with a stored answer: did this answer refresh it
};

TEST(WeatherFaultMatrixTest, EveryFailureKeepsTheLastGoodWeather) {
    const QByteArray stored = LoopbackServer::forecast("lightrain", 9);
    const QByteArray newer = LoopbackServer::forecast("clearsky_day", 21);
    const auto expires = date::format("%a, %d %b %Y %T GMT", floor<seconds>(system_clock::now() + hours{2}));
    const WeatherRow rows[] = {
        {"time-out", LoopbackServer::silent(), WeatherService::unreachableText(), 3600s, false},
        {"refused", nullptr, WeatherService::unreachableText(), 3600s, false},
        {"404", LoopbackServer::answer(404, "gone"), WeatherService::answeredText(404), 3600s, false},
        {"429", LoopbackServer::answer(429, ""), WeatherService::answeredText(429), 3600s, false},
        {"500", LoopbackServer::answer(500, "oops"), WeatherService::answeredText(500), 3600s, false},
        {"503 Retry-After", LoopbackServer::answer(503, "", "Retry-After: 7200\r\n"),
         WeatherService::answeredText(503), 7200s, false},
        {"304", LoopbackServer::answer(304, ""), WeatherService::answeredText(304), 3600s, true},
        {"200 garbage", LoopbackServer::answer(200, "<html>busy</html>"), WeatherService::unreadableText(), 3600s,
         false},
        {"truncated", LoopbackServer::truncated(), WeatherService::unreachableText(), 3600s, false},
        {"trickle", LoopbackServer::trickle(), WeatherService::unreachableText(), 3600s, false},
        {"huge, declared", LoopbackServer::huge(true), WeatherService::unreadableText(), 3600s, false},
        {"huge, streamed", LoopbackServer::huge(false), WeatherService::unreadableText(), 3600s, false},
        {"redirect loop", LoopbackServer::redirectLoop(), WeatherService::unreachableText(), 3600s, false},
        {"200 with Expires", LoopbackServer::answer(200, newer, QByteArray::fromStdString("Expires: " + expires + "\r\n")),
         "Clear, 21 °C · updated ", 7200s, true},
    };
    for (const auto& row : rows) {
        for (const bool seeded : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (seeded ? ", with a stored answer" : ", from nothing"));
            WeatherRig rig;
            if (seeded) rig.seed(stored);
            std::unique_ptr<LoopbackServer> server = row.server ? std::make_unique<LoopbackServer>(row.server) : nullptr;
            WeatherServiceOptions options;
            options.server = QUrl(server ? server->url() : LoopbackServer::refusedUrl());
            options.cacheFile = rig.file();
            options.limits = shortLimits;
            WeatherService service(options);
            int answers = 0;
            QObject::connect(&service, &WeatherService::answered, [&](bool) { ++answers; });
            service.setPlace(oslo);
            const auto before = service.current();
            EXPECT_EQ(before.has_value(), seeded);
            service.setActive(true);
            ASSERT_TRUE(service.fetching());
            EXPECT_EQ(service.status(), seeded ? service.status() : WeatherService::checkingText());

            LoopWatch loop;
            ASSERT_TRUE(loop.run([&] { return answers == 1; }));
            EXPECT_LT(loop.longestGapMs, 400);
            if (server) {
                ASSERT_GE(server->requests().size(), 1u);
                const auto& request = server->requests().front();
                EXPECT_TRUE(request.head.startsWith("GET /weatherapi/locationforecast/2.0/compact?lat=59.91&lon=10.75 "));
                EXPECT_EQ(request.header("User-Agent").toStdString(), productUserAgent());
                EXPECT_EQ(request.header("If-Modified-Since"), seeded ? "Tue, 12 Oct 2021 09:00:00 GMT" : "");
            }
            const bool refreshed = seeded ? row.seededUsable : row.fresh.ends_with("updated ");
            if (seeded && !refreshed) {
                EXPECT_EQ(service.current(), before);
            }
            if (refreshed) {
                ASSERT_TRUE(service.current().has_value());
                EXPECT_TRUE(service.status().starts_with(service.current()->summary() + " · updated "))
                    << service.status();
            } else {
                EXPECT_FALSE(service.current().has_value() && !seeded);
                if (!seeded) {
                    EXPECT_EQ(service.status(), row.fresh);
                }
            }
            const auto now = system_clock::now();
            const auto next = METNorway::FetchPolicy::nextFetch(now, oslo, service.cache());
            ASSERT_TRUE(next.has_value());
            // Without an answer stored for the place, the next try comes after ten minutes.
            const seconds backOff = seeded || refreshed ? row.backOff : seconds{600};
            EXPECT_NEAR(duration<double>(*next - now).count(), static_cast<double>(backOff.count()), 30.0);
            rig.expectWholeFile(row.name);
        }
    }
}

struct PlaceRow {
    const char* name;
    Behaviour server;
    std::string typed;
    std::variant<Place, std::string> expected;  // a place, or the error's text
    std::size_t requests;
};

TEST(WeatherFaultMatrixTest, PlaceLookUpFailuresSayWhy) {
    const std::string notFound = PlaceError::notFound().text();
    const std::string unreachable = PlaceError::unreachable().text();
    const QByteArray denver = R"([{"lat":"39.7392358","lon":"-104.990251","name":"Denver",
        "address":{"city":"Denver","state":"Colorado","ISO3166-2-lvl4":"US-CO","country_code":"us"}}])";
    const QByteArray osloAnswer = R"([{"lat":"59.9133301","lon":"10.7389701","name":"Oslo",
        "address":{"city":"Oslo","state":"Oslo","ISO3166-2-lvl4":"NO-03","country_code":"no"}}])";
    const PlaceRow rows[] = {
        {"Denver", LoopbackServer::answer(200, denver), "  Denver, CO\n", Place{"Denver, CO, US", 39.7392, -104.9902}, 1},
        {"Oslo", LoopbackServer::answer(200, osloAnswer), "Oslo, Norway", Place{"Oslo, Oslo, NO", 59.9133, 10.7389}, 1},
        {"no name at all", LoopbackServer::answer(200, R"([{"lat":"1.5","lon":"2"}])"), "Null Island", Place{"Null Island", 1.5, 2}, 1},
        {"blank", LoopbackServer::answer(200, denver), " \t ", notFound, 0},
        {"control characters", LoopbackServer::answer(200, osloAnswer), "Oslo,\x01\x1b\x7f  Norway\r", Place{"Oslo, Oslo, NO", 59.9133, 10.7389}, 1},
        {"a pasted page", LoopbackServer::answer(200, "[]"), std::string(10'000, 'a'), notFound, 1},
        {"empty list", LoopbackServer::answer(200, "[]"), "Xyzzy", notFound, 1},
        {"no coordinates", LoopbackServer::answer(200, R"([{"name":"Nowhere"}])"), "Nowhere", notFound, 1},
        {"garbage", LoopbackServer::answer(200, "<html>"), "Oslo", notFound, 1},
        {"busy", LoopbackServer::answer(503, ""), "Oslo", unreachable, 1},
        {"slow", LoopbackServer::trickle(), "Oslo", unreachable, 1},
        {"offline", nullptr, "Oslo", unreachable, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<LoopbackServer> server = row.server ? std::make_unique<LoopbackServer>(row.server) : nullptr;
        PlaceServiceOptions options;
        options.server = QUrl(server ? server->url() : LoopbackServer::refusedUrl());
        options.limits = shortLimits;
        PlaceService places(options);
        std::optional<PlaceResult> result;
        places.lookUp(row.typed, [&](const PlaceResult& r) { result = r; });
        LoopWatch loop;
        ASSERT_TRUE(loop.run([&] { return result.has_value(); }));
        EXPECT_LT(loop.longestGapMs, 400);
        if (const auto* place = std::get_if<Place>(&row.expected)) {
            ASSERT_TRUE(std::holds_alternative<Place>(*result)) << std::get<PlaceError>(*result).text();
            EXPECT_EQ(std::get<Place>(*result), *place);
        } else {
            ASSERT_TRUE(std::holds_alternative<PlaceError>(*result));
            EXPECT_EQ(std::get<PlaceError>(*result).text(), std::get<std::string>(row.expected));
        }
        if (server) {
            ASSERT_EQ(server->requests().size(), row.requests);
            if (row.requests) {
                EXPECT_TRUE(server->requests().front().head.contains("format=jsonv2&addressdetails=1&limit=1"));
                EXPECT_EQ(server->requests().front().header("User-Agent").toStdString(), productUserAgent());
                // Cleaned and bounded before it leaves: no control characters, no 10 kB query.
                const QByteArray head = server->requests().front().head;
                EXPECT_LT(head.size(), 1024);
                EXPECT_FALSE(head.contains("%01") || head.contains("%1B") || head.contains("%7F") || head.contains("%0D"));
            }
        }
    }
}

TEST(WeatherFaultMatrixTest, PlaceLookUpsKeepTheirSpacingAndTheNewestWins) {
    LoopbackServer server(LoopbackServer::answer(200, "[]"));
    PlaceServiceOptions options;
    options.server = QUrl(server.url());
    options.spacing = milliseconds{1000};
    PlaceService places(options);
    std::vector<std::string> outcomes;
    const auto record = [&](const PlaceResult& r) { outcomes.push_back(std::get<PlaceError>(r).text()); };
    places.lookUp("first", record);
    LoopWatch loop;
    ASSERT_TRUE(loop.run([&] { return outcomes.size() == 1; }));
    places.lookUp("second", record);
    places.lookUp("third", record);
    ASSERT_TRUE(loop.run([&] { return outcomes.size() == 3; }));
    EXPECT_EQ(outcomes[1], "A newer look-up replaced this one.");
    EXPECT_EQ(outcomes[2], PlaceError::notFound().text());
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_TRUE(server.requests()[1].head.contains("q=third"));
    // Arrival times: on a busy machine the first request may reach the server late, never early.
    EXPECT_GE(server.requests()[1].atMs - server.requests()[0].atMs, 800);
}

TEST(WeatherFaultMatrixTest, LocatedPlacesKeepAboutAKilometre) {
    EXPECT_EQ(PlaceService::locatedPlace(39.7392358, -104.990251), (Place{"My location (39.74, -104.99)", 39.74, -104.99}));
    EXPECT_EQ(PlaceService::locatedPlace(-0.005, 0.004), (Place{"My location (-0.01, 0.00)", -0.01, 0}));
}

}  // namespace
}  // namespace lumen::app::test
