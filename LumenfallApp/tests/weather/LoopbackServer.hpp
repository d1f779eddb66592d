#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;

namespace lumen::app::test {

// An HTTP/1.1 stand-in on 127.0.0.1 that answers every request with the behaviour it is given,
// on the test's own event loop. It records each request's head and when it arrived.
class LoopbackServer {
public:
    using Behaviour = std::function<void(QTcpSocket&, LoopbackServer&)>;

    explicit LoopbackServer(Behaviour behaviour);
    ~LoopbackServer();

    QString url() const;
    struct Request {
        QByteArray head;
        qint64 atMs;
        QByteArray header(const char* name) const;
    };
    const std::vector<Request>& requests() const { return requests_; }

    // Behaviours.
    static Behaviour answer(int status, const QByteArray& body, const QByteArray& headers = {});
    static Behaviour silent();                 // accepts and never answers
    static Behaviour truncated();              // promises 1000 bytes, sends 100, closes
    static Behaviour trickle();                // a byte every 50 ms, forever
    static Behaviour huge(bool declared);      // 5 MB, with or without its length
    static Behaviour redirectLoop();           // 302 to itself
    static Behaviour byMethod(Behaviour head, Behaviour others);  // HEAD requests get `head`

    // A URL on 127.0.0.1 where nothing listens.
    static QString refusedUrl();
    // A MET Norway answer whose step an hour ago is `symbol` at `temperature`.
    static QByteArray forecast(const std::string& symbol, double temperature);

private:
    QTcpServer server_;
    Behaviour behaviour_;
    std::vector<Request> requests_;
    QElapsedTimer clock_;
    std::vector<std::unique_ptr<QTimer>> timers_;
};

}  // namespace lumen::app::test
