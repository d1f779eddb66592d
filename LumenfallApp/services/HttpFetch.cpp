#include "services/HttpFetch.hpp"

#include <QNetworkAccessManager>
#include <QNetworkRequest>

namespace lumen::app {

std::optional<std::string> HttpAnswer::header(const char* name) const {
    const QByteArray wanted(name);
    for (const auto& [key, value] : headers) {
        if (key.compare(wanted, Qt::CaseInsensitive) == 0) return value.toStdString();
    }
    return std::nullopt;
}

namespace {

QNetworkRequest ephemeralRequest(const QUrl& url, const std::string& userAgent,
                                 const std::vector<std::pair<QByteArray, QByteArray>>& headers, const HttpLimits& limits) {
    QNetworkRequest request(url);
    // Ephemeral: nothing stored or reused between requests, every answer from the network.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maximumRedirects);
    request.setTransferTimeout(static_cast<int>(limits.idle.count()));
    request.setRawHeader("User-Agent", QByteArray::fromStdString(userAgent));
    for (const auto& [name, value] : headers) request.setRawHeader(name, value);
    return request;
}

}  // namespace

HttpFetch* HttpFetch::get(QNetworkAccessManager& manager, const QUrl& url, const std::string& userAgent,
                          const std::vector<std::pair<QByteArray, QByteArray>>& headers, const HttpLimits& limits,
                          Done done) {
    return new HttpFetch(manager.get(ephemeralRequest(url, userAgent, headers, limits)), limits, std::move(done));
}

HttpFetch* HttpFetch::head(QNetworkAccessManager& manager, const QUrl& url, const std::string& userAgent,
                           const HttpLimits& limits, Done done) {
    return new HttpFetch(manager.head(ephemeralRequest(url, userAgent, {}, limits)), limits, std::move(done));
}

HttpFetch::HttpFetch(QNetworkReply* reply, const HttpLimits& limits, Done done)
    : QObject(reply->manager()), reply_(reply), limits_(limits), done_(std::move(done)) {
    connect(reply_, &QNetworkReply::readyRead, this, &HttpFetch::onData);
    connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
        // A declared length over the limit is refused before any of it arrives.
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits_.maximumBytes) {
            tooLarge_ = true;
            reply_->abort();
        }
    });
    connect(reply_, &QNetworkReply::finished, this, &HttpFetch::onFinished);
    totalTimer_.setSingleShot(true);
    connect(&totalTimer_, &QTimer::timeout, this, [this] {
        timedOut_ = true;
        reply_->abort();
    });
    totalTimer_.start(limits_.total);
}

void HttpFetch::onData() {
    if (tooLarge_ || !reply_->isOpen()) return;
    if (body_.size() + reply_->bytesAvailable() > limits_.maximumBytes) {
        tooLarge_ = true;
        body_.clear();
        reply_->abort();
        return;
    }
    body_ += reply_->readAll();
}

void HttpFetch::onFinished() {
    totalTimer_.stop();
    if (!tooLarge_) onData();
    HttpAnswer answer;
    answer.tooLarge = tooLarge_;
    const QNetworkReply::NetworkError error = reply_->error();
    const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // Qt reports HTTP error codes as content and server errors (200-499); those are answers.
    // Transport (1-99), proxy (100-199) and protocol (300-399) errors mean none arrived whole.
    const bool transportFailed = (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
                                 (error >= QNetworkReply::ProtocolUnknownError && error <= QNetworkReply::ProtocolFailure);
    if (tooLarge_ && status.isValid()) {
        answer.status = status.toInt();
    } else if (timedOut_) {
        answer.failure = "no complete answer within " + std::to_string(limits_.total.count()) + " ms";
    } else if (transportFailed || !status.isValid()) {
        answer.failure = reply_->errorString().toStdString();
    } else {
        answer.status = status.toInt();
        answer.body = std::move(body_);
    }
    answer.headers = reply_->rawHeaderPairs();
    Done done = std::move(done_);
    reply_->deleteLater();
    deleteLater();
    if (done) done(answer);
}

void HttpFetch::cancel() {
    done_ = nullptr;
    totalTimer_.stop();
    disconnect(reply_, nullptr, this, nullptr);
    reply_->abort();
    reply_->deleteLater();
    deleteLater();
}

}  // namespace lumen::app
