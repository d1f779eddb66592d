#pragma once

#include "services/HttpFetch.hpp"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumen::app {

class UserDefaults;

// What the user is told after a check.
struct UpdateAlert {
    enum class Kind { upToDate, newVersion, failed };
    Kind kind = Kind::failed;
    std::string message;
    std::string informative;
    std::string version;  // the feed's version (new version only)
    std::string url;      // where to download it (new version only)
};

// The feed: {"version": "1.2.0", "url": "https://…"}.
struct UpdateFeed {
    std::string version;
    std::string url;

    // None for anything but an object with a dotted numeric version ("1.2.10": one to four
    // numbers) and an http(s) url. Never throws; nesting below the top level is not kept.
    static std::optional<UpdateFeed> decode(std::string_view json);
};

struct UpdaterOptions {
    // The feed; empty: the defaults' "updateFeed" when it is an http(s) URL, else the built-in one.
    QUrl feed;
    // Each request's idle and total limit.
    std::chrono::milliseconds timeout{15'000};
    std::chrono::hours interval{24};
    // The wall clock; unset: the system's.
    std::function<std::chrono::system_clock::time_point()> now;
    // Holds "lastUpdateCheck" (seconds since 1970) and "updateFeed"; none: nothing is remembered.
    UserDefaults* defaults = nullptr;
    // Shows an alert; unset: `Updater::showAlert`.
    std::function<void(const UpdateAlert&)> present;
    // Our own version; empty: productVersion().
    std::string currentVersion;
};

// Looks for a newer Lumenfall in a small JSON feed: when the user asks (alerts for every
// outcome) and on its own about once a day (only a newer version is shown; failures are logged).
// One check at a time; nothing is retried. Main thread only.
class Updater final : public QObject {
    Q_OBJECT

public:
    using Options = UpdaterOptions;
    using Clock = std::chrono::system_clock;

    // Built with the updater (LUMENFALL_UPDATER); distribution packages leave it, and its menu
    // item, out.
    static constexpr bool enabled() { return LUMENFALL_HAS_UPDATER != 0; }
    // LUMENFALL_UPDATE_FEED as CMake configured it.
    static QUrl builtInFeed();
    // The default presenter: a non-modal message box in front of our other windows.
    static void showAlert(const UpdateAlert& alert);

    explicit Updater(Options options = {}, QObject* parent = nullptr);
    ~Updater() override;

    const QUrl& feed() const { return feed_; }
    bool checking() const { return fetch_ != nullptr; }
    // The automatic checks: one now if the last was a day ago or more (or is unknown), then
    // one a day.
    void start();
    // The user's check ("Check for Updates…"). While a check runs it starts nothing; that check's
    // outcome is then shown.
    void checkForUpdates();
    // Until the next automatic check; none before `start`.
    std::optional<std::chrono::milliseconds> untilNextCheck() const;

private:
    Clock::time_point now() const;
    HttpLimits limits() const;
    void checkIfDue();
    void recordCheck();
    void fetchFeed();
    bool answeredWithFeed(const HttpAnswer& answer, bool probe);
    void onProbe(const HttpAnswer& answer);
    void onFeed(const HttpAnswer& answer);
    void finish(const UpdateAlert& alert, const std::string& logLine);

    Options options_;
    QUrl feed_;
    std::string currentVersion_;
    QNetworkAccessManager network_;
    QTimer timer_;
    HttpFetch* fetch_ = nullptr;
    bool interactive_ = false;  // the running check shows every outcome
};

}  // namespace lumen::app
