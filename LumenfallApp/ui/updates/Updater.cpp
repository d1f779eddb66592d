#include "ui/updates/Updater.hpp"

#include "app/UserDefaults.hpp"
#include "log/EventLog.hpp"
#include "services/ProductIdentity.hpp"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace lumen::app {

namespace {

using namespace std::chrono;

constexpr const char* kName = "Lumenfall";
constexpr const char* kLastCheckKey = "lastUpdateCheck";
constexpr const char* kFeedKey = "updateFeed";
// A feed is a few dozen bytes; anything near this is not one.
constexpr qint64 kMaximumFeedBytes = 64 * 1024;
constexpr int kMaximumRedirects = 3;

bool isWebUrl(const QUrl& url) {
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty();
}

std::optional<std::vector<unsigned>> parseVersion(std::string_view text) {
    std::vector<unsigned> parts;
    while (parts.size() < 4) {
        const auto dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        unsigned value = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc{} || end != part.data() + part.size()) return std::nullopt;
        parts.push_back(value);
        if (dot == std::string_view::npos) return parts;
        text.remove_prefix(dot + 1);
    }
    return std::nullopt;
}

// Missing parts count as zero: 1.2 is 1.2.0.
bool isNewer(std::vector<unsigned> candidate, std::vector<unsigned> current) {
    const std::size_t length = std::max(candidate.size(), current.size());
    candidate.resize(length);
    current.resize(length);
    return candidate > current;
}

UpdateAlert upToDateAlert(const std::string& current) {
    const std::string name = kName;
    return {UpdateAlert::Kind::upToDate, "You’re up to date",
            name + " " + current + " is the newest version. " + name +
                " checks for updates on its own and will let you know when there’s a new one.",
            {}, {}};
}

UpdateAlert failedAlert() {
    return {UpdateAlert::Kind::failed, "Couldn’t check for updates",
            std::string("Check your internet connection and try again. ") + kName +
                " also checks on its own about once a day.",
            {}, {}};
}

UpdateAlert newVersionAlert(const UpdateFeed& feed, const std::string& current) {
    const std::string name = kName;
    return {UpdateAlert::Kind::newVersion, "A new version of " + name + " is available",
            name + " " + feed.version + " is available — you have " + current + ". Would you like to download it now?",
            feed.version, feed.url};
}

}  // namespace

std::optional<UpdateFeed> UpdateFeed::decode(std::string_view json) {
    // Only the top level's strings are read; anything nested is dropped as it is parsed.
    const nlohmann::json::parser_callback_t topLevelOnly = [](int depth, nlohmann::json::parse_event_t,
                                                              nlohmann::json&) { return depth <= 1; };
    try {
        const auto document = nlohmann::json::parse(json.begin(), json.end(), topLevelOnly, false);
        if (!document.is_object()) return std::nullopt;
        const auto version = document.find("version");
        const auto url = document.find("url");
        if (version == document.end() || !version->is_string() || url == document.end() || !url->is_string()) {
            return std::nullopt;
        }
        UpdateFeed feed{version->get<std::string>(), url->get<std::string>()};
        if (!parseVersion(feed.version) || !isWebUrl(QUrl(QString::fromStdString(feed.url), QUrl::StrictMode))) {
            return std::nullopt;
        }
        return feed;
    } catch (...) {
        // Only resource exhaustion gets here.
        return std::nullopt;
    }
}

QUrl Updater::builtInFeed() { return QUrl(QStringLiteral(LUMENFALL_UPDATE_FEED)); }

void Updater::showAlert(const UpdateAlert& alert) {
    // One alert at a time: a newer outcome replaces the one still open.
    static QPointer<QMessageBox> shown;
    if (shown) shown->close();
    auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kName),
                                QString::fromStdString(alert.message));
    shown = box;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->setInformativeText(QString::fromStdString(alert.informative));
    if (alert.kind == UpdateAlert::Kind::newVersion) {
        QPushButton* download = box->addButton(QStringLiteral("Download…"), QMessageBox::AcceptRole);
        box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(download);
        const QUrl url(QString::fromStdString(alert.url));
        QObject::connect(download, &QPushButton::clicked, box, [url] { QDesktopServices::openUrl(url); });
    } else {
        box->setStandardButtons(QMessageBox::Ok);
    }
    // We live in the tray: without this the box opens behind whatever the user is doing.
    box->show();
    box->raise();
    box->activateWindow();
}

Updater::Updater(Options options, QObject* parent)
    : QObject(parent),
      options_(std::move(options)),
      currentVersion_(options_.currentVersion.empty() ? productVersion() : options_.currentVersion) {
    feed_ = options_.feed;
    if (feed_.isEmpty() && options_.defaults) {
        if (const auto text = options_.defaults->string(kFeedKey); text && !text->empty()) {
            const QUrl url(QString::fromStdString(*text), QUrl::StrictMode);
            if (isWebUrl(url)) {
                feed_ = url;
            } else {
                logEvent("updates: ignoring the \"updateFeed\" default " + *text + ": not an http(s) address");
            }
        }
    }
    if (feed_.isEmpty()) feed_ = builtInFeed();
    if (!options_.present) options_.present = &Updater::showAlert;
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::VeryCoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &Updater::checkIfDue);
}

Updater::~Updater() {
    if (fetch_) fetch_->cancel();
}

Updater::Clock::time_point Updater::now() const { return options_.now ? options_.now() : Clock::now(); }

HttpLimits Updater::limits() const {
    return {options_.timeout, options_.timeout, kMaximumFeedBytes, kMaximumRedirects};
}

std::optional<milliseconds> Updater::untilNextCheck() const {
    if (!timer_.isActive()) return std::nullopt;
    return timer_.remainingTimeAsDuration();
}

void Updater::start() { checkIfDue(); }

void Updater::checkIfDue() {
    const Clock::time_point time = now();
    const auto interval = duration_cast<milliseconds>(options_.interval);
    std::optional<Clock::time_point> last;
    if (options_.defaults) {
        // Whole seconds since 1970, within the next few thousand years; anything else is unknown.
        const auto stored = options_.defaults->number(kLastCheckKey);
        if (stored && *stored >= 0 && *stored < 1e11) last = Clock::time_point(seconds(std::llround(*stored)));
    }
    // A check in the future means the clock was turned back: check rather than wait for it.
    if (last && *last <= time && time - *last < interval) {
        timer_.start(ceil<milliseconds>(*last + interval - time));
        return;
    }
    timer_.start(interval);
    if (fetch_) return;
    interactive_ = false;
    logEvent("updates: checking " + feed_.toString().toStdString());
    recordCheck();
    fetchFeed();
}

void Updater::checkForUpdates() {
    // A check already running shows its outcome instead; a second request would add nothing.
    interactive_ = true;
    if (fetch_) return;
    logEvent("updates: checking " + feed_.toString().toStdString() + " for the user");
    recordCheck();
    // A HEAD first: a missing feed (nothing published yet) is told apart from a failure without
    // fetching anything.
    QPointer<Updater> self(this);
    fetch_ = HttpFetch::head(network_, feed_, productUserAgent(), limits(), [self](const HttpAnswer& answer) {
        if (self) self->onProbe(answer);
    });
}

// Every check counts, answered or not: nothing is retried before the next day's.
void Updater::recordCheck() {
    if (!options_.defaults) return;
    options_.defaults->set(kLastCheckKey, std::to_string(duration_cast<seconds>(now().time_since_epoch()).count()));
}

void Updater::fetchFeed() {
    QPointer<Updater> self(this);
    fetch_ = HttpFetch::get(network_, feed_, productUserAgent(), {{"Accept", "application/json"}}, limits(),
                            [self](const HttpAnswer& answer) {
                                if (self) self->onFeed(answer);
                            });
}

// Handles what the probe and the fetch have in common; false when the answer was final.
bool Updater::answeredWithFeed(const HttpAnswer& answer, bool probe) {
    fetch_ = nullptr;
    if (!answer.status) {
        finish(failedAlert(), "no answer from the feed (" + answer.failure + ")");
        return false;
    }
    const int status = *answer.status;
    const std::string http = "HTTP " + std::to_string(status);
    // Nothing published (yet) is no failure: there is nothing newer.
    if (status == 404 || status == 410) {
        finish(upToDateAlert(currentVersion_), "no feed published (" + http + ")");
        return false;
    }
    // 405 and 501 to a probe: the server does not take HEAD, which says nothing about the feed.
    if ((status >= 200 && status <= 299) || (probe && (status == 405 || status == 501))) return true;
    finish(failedAlert(), "the feed answered " + http);
    return false;
}

void Updater::onProbe(const HttpAnswer& answer) {
    if (answeredWithFeed(answer, true)) fetchFeed();
}

void Updater::onFeed(const HttpAnswer& answer) {
    if (!answeredWithFeed(answer, false)) return;
    const auto feed = answer.tooLarge ? std::nullopt
                                      : UpdateFeed::decode(std::string_view(answer.body.data(), answer.body.size()));
    if (!feed) return finish(failedAlert(), "the feed holds no usable version and http(s) url");
    const auto current = parseVersion(currentVersion_);
    // Our own version comes from the build; were it unreadable, any published one is offered.
    if (current && !isNewer(*parseVersion(feed->version), *current)) {
        return finish(upToDateAlert(currentVersion_), feed->version + " is not newer than " + currentVersion_);
    }
    finish(newVersionAlert(*feed, currentVersion_), feed->version + " is available at " + feed->url);
}

void Updater::finish(const UpdateAlert& alert, const std::string& logLine) {
    logEvent("updates: " + logLine);
    // On its own the updater only speaks up for a new version.
    const bool show = interactive_ || alert.kind == UpdateAlert::Kind::newVersion;
    interactive_ = false;
    if (show) options_.present(alert);
}

}  // namespace lumen::app
