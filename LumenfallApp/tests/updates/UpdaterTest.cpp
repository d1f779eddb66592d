// The updater against a loopback feed: every outcome of the user's check, and the daily check
// with what the last one left in the defaults.
#include "weather/LoopbackServer.hpp"

#include "app/UserDefaults.hpp"
#include "ui/updates/Updater.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace lumen::app::test {
namespace {

using namespace std::chrono;
using Kind = UpdateAlert::Kind;
using Behaviour = LoopbackServer::Behaviour;

Behaviour feed(const char* version, const char* url = "https://example.org/download") {
    return LoopbackServer::answer(200, QStringLiteral(R"({"version": "%1", "url": "%2"})").arg(version, url).toUtf8());
}

// A defaults file of its own, a fixed clock, our version 1.2.9, the alerts shown and the methods
// the feed's server saw.
struct UpdaterRig {
    QTemporaryDir folder;
    UserDefaults defaults{folder.filePath("Lumenfall.conf").toStdString(), {}};
    system_clock::time_point clock = floor<seconds>(system_clock::now());
    std::vector<UpdateAlert> alerts;
    std::unique_ptr<LoopbackServer> server;
    std::unique_ptr<Updater> updater;

    // `behaviour` null: nothing listens at the feed's address.
    Updater& make(Behaviour behaviour) {
        if (behaviour) server = std::make_unique<LoopbackServer>(std::move(behaviour));
        defaults.set("updateFeed", ((server ? server->url() : LoopbackServer::refusedUrl()) + "/u.json").toStdString());
        updater = std::make_unique<Updater>(UpdaterOptions{{}, milliseconds{1000}, hours{24}, [this] { return clock; },
                                                           &defaults, [this](auto& alert) { alerts.push_back(alert); },
                                                           "1.2.9"});
        return *updater;
    }
    std::string settle() const {
        QElapsedTimer waited;
        waited.start();
        while (updater->checking() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        std::string methods = updater->checking() ? "still checking" : "";
        for (const auto& request : server ? server->requests() : std::vector<LoopbackServer::Request>{}) {
            methods += (methods.empty() ? "" : " ") + request.head.left(request.head.indexOf(' ')).toStdString();
        }
        return methods;
    }
    std::string secondsAgo(hours ago) const { return std::to_string(duration_cast<seconds>((clock - ago).time_since_epoch()).count()); }
};

struct Expected { Kind kind; const char* message; const char* informativeStart; };
struct CheckRow { const char* name; Behaviour server; const char* methods; Expected alert; };

TEST(Updater, EveryOutcomeOfTheUsersCheckIsOneAlert) {
    const Expected newest{Kind::upToDate, "You’re up to date",
                          "Lumenfall 1.2.9 is the newest version. Lumenfall checks for updates on its own"};
    const Expected offline{Kind::failed, "Couldn’t check for updates",
                           "Check your internet connection and try again. Lumenfall also checks"};
    const Expected newer{Kind::newVersion, "A new version of Lumenfall is available",
                         "Lumenfall 1.2.10 is available — you have 1.2.9."};
    const CheckRow rows[] = {
        {"feed absent", LoopbackServer::answer(404, {}), "HEAD", newest},
        {"feed gone", LoopbackServer::answer(410, {}), "HEAD", newest},
        {"unreachable", nullptr, "", offline},
        {"silent", LoopbackServer::silent(), "HEAD", offline},
        {"server error", LoopbackServer::answer(500, {}), "HEAD", offline},
        {"garbage", LoopbackServer::answer(200, "<html>"), "HEAD GET", offline},
        {"same version", feed("1.2.9"), "HEAD GET", newest},
        {"older, shorter", feed("1.2"), "HEAD GET", newest},
        {"malformed version", feed("1.2.x"), "HEAD GET", offline},
        {"url not http(s)", feed("1.3", "file:///etc/passwd"), "HEAD GET", offline},
        {"newer", feed("1.2.10"), "HEAD GET", newer},
        {"HEAD refused", LoopbackServer::byMethod(LoopbackServer::answer(405, {}), feed("1.2.10")), "HEAD GET", newer},
    };
    for (const CheckRow& row : rows) {
        SCOPED_TRACE(row.name);
        UpdaterRig rig;
        Updater& updater = rig.make(row.server);
        updater.checkForUpdates();
        updater.checkForUpdates();  // a second quick check adds nothing
        EXPECT_EQ(rig.settle(), row.methods);
        ASSERT_EQ(rig.alerts.size(), 1u);
        const UpdateAlert& alert = rig.alerts.front();
        EXPECT_EQ(alert.kind, row.alert.kind);
        EXPECT_EQ(alert.message, row.alert.message);
        EXPECT_EQ(alert.informative.rfind(row.alert.informativeStart, 0), 0u) << alert.informative;
        const bool newVersion = row.alert.kind == Kind::newVersion;
        EXPECT_EQ(alert.version + " " + alert.url, newVersion ? "1.2.10 https://example.org/download" : " ");
    }
}

struct DailyRow {
    const char* name;
    std::optional<std::string> stored;  // "lastUpdateCheck" before the start
    Behaviour server;
    const char* methods;
    std::optional<Kind> alert;
    hours nextCheck;
};

TEST(Updater, DailyCheckRunsWhenDueAndSpeaksOnlyOfANewVersion) {
    UpdaterRig clock;
    const DailyRow rows[] = {
        {"checked an hour ago", clock.secondsAgo(hours{1}), feed("1.3"), "", std::nullopt, hours{23}},
        {"checked 25 h ago", clock.secondsAgo(hours{25}), feed("1.3"), "GET", Kind::newVersion, hours{24}},
        {"never checked, no feed", std::nullopt, LoopbackServer::answer(404, {}), "GET", std::nullopt, hours{24}},
        {"checked in the future", clock.secondsAgo(hours{-2}), LoopbackServer::answer(200, "{"), "GET", std::nullopt, hours{24}},
        {"unreadable, server error", "yesterday", LoopbackServer::answer(503, {}), "GET", std::nullopt, hours{24}},
    };
    for (const DailyRow& row : rows) {
        SCOPED_TRACE(row.name);
        UpdaterRig rig;
        rig.clock = clock.clock;
        if (row.stored) rig.defaults.set("lastUpdateCheck", *row.stored);
        rig.make(row.server).start();
        EXPECT_EQ(rig.settle(), row.methods);
        ASSERT_EQ(rig.alerts.size(), row.alert ? 1u : 0u);
        if (row.alert) {
            EXPECT_EQ(rig.alerts[0].kind, *row.alert) << rig.alerts[0].message;
        }
        EXPECT_EQ(rig.defaults.string("lastUpdateCheck"), *row.methods ? rig.secondsAgo(hours{0}) : row.stored);
        const auto next = rig.updater->untilNextCheck().value_or(milliseconds{0});
        EXPECT_LT(abs(next - row.nextCheck), minutes{1}) << next.count();  // whole seconds, rounded
    }
}

}  // namespace
}  // namespace lumen::app::test
