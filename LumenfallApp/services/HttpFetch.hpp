#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

class QNetworkAccessManager;

namespace lumen::app {

// How long and how much one request may take. The idle limit aborts a silent server; the total
// limit aborts one that trickles a byte at a time; the size limit aborts a body no answer can be.
struct HttpLimits {
    std::chrono::milliseconds idle{20'000};
    std::chrono::milliseconds total{60'000};
    qint64 maximumBytes = 4 * 1024 * 1024;
    int maximumRedirects = 5;
};

// What came back. `status` is absent when no HTTP answer arrived whole: refused, timed out,
// cut off, too many redirects, not HTTP. A body over the size limit keeps its status and is
// flagged instead, since the server did answer.
struct HttpAnswer {
    std::optional<int> status;
    QByteArray body;
    bool tooLarge = false;
    std::string failure;  // why there is no status, for the log

    // The header's value; none when it is missing.
    std::optional<std::string> header(const char* name) const;
    QList<QNetworkReply::RawHeaderPair> headers;
};

// One GET (or HEAD) through the application's ephemeral HTTP client: no cookies, no cache, the given
// identification. The answer is handed to `done` once, on the thread the manager lives on
// (the main thread), unless the fetch is cancelled first. The transfer itself runs in Qt's
// network thread, so the main thread never waits on the network.
class HttpFetch final : public QObject {
    Q_OBJECT

public:
    using Done = std::function<void(const HttpAnswer&)>;

    // `headers`: extra request headers (name, value). The fetch deletes itself after `done`.
    static HttpFetch* get(QNetworkAccessManager& manager, const QUrl& url, const std::string& userAgent,
                          const std::vector<std::pair<QByteArray, QByteArray>>& headers, const HttpLimits& limits,
                          Done done);

    // The same request as HEAD: only the status and headers come back (the body stays empty).
    static HttpFetch* head(QNetworkAccessManager& manager, const QUrl& url, const std::string& userAgent,
                           const HttpLimits& limits, Done done);

    // Aborts the transfer without calling `done`, and deletes the fetch later.
    void cancel();

private:
    HttpFetch(QNetworkReply* reply, const HttpLimits& limits, Done done);
    void onData();
    void onFinished();

    QNetworkReply* reply_;
    HttpLimits limits_;
    Done done_;
    QTimer totalTimer_;
    QByteArray body_;
    bool tooLarge_ = false;
    bool timedOut_ = false;
};

}  // namespace lumen::app
