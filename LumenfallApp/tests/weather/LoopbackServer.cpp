#include "LoopbackServer.hpp"

#include <QTcpSocket>

#include <nlohmann/json.hpp>

#include <date/date.h>

namespace lumen::app::test {

LoopbackServer::LoopbackServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    clock_.start();
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            socket->setParent(&server_);
            auto head = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
                if (head->endsWith("\r\n\r\n")) return;  // one request per connection
                *head += socket->readAll();
                if (!head->contains("\r\n\r\n")) return;
                requests_.push_back({*head, clock_.elapsed()});
                behaviour_(*socket, *this);
            });
        }
    });
}

LoopbackServer::~LoopbackServer() {
    timers_.clear();
    server_.close();
}

QString LoopbackServer::url() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

QByteArray LoopbackServer::Request::header(const char* name) const {
    for (const QByteArray& line : head.split('\n')) {
        const auto colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0) {
            return line.mid(colon + 1).trimmed();
        }
    }
    return {};
}

QString LoopbackServer::refusedUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

QByteArray LoopbackServer::forecast(const std::string& symbol, double temperature) {
    const auto hour = std::chrono::floor<std::chrono::hours>(std::chrono::system_clock::now()) - std::chrono::hours{1};
    const nlohmann::json step{{"time", date::format("%FT%TZ", hour)},
                              {"data",
                               {{"instant", {{"details", {{"air_temperature", temperature}}}}},
                                {"next_1_hours", {{"summary", {{"symbol_code", symbol}}}}}}}};
    return QByteArray::fromStdString(nlohmann::json{{"properties", {{"timeseries", {step}}}}}.dump());
}

LoopbackServer::Behaviour LoopbackServer::answer(int status, const QByteArray& body, const QByteArray& headers) {
    return [=](QTcpSocket& socket, LoopbackServer&) {
        socket.write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + headers + "\r\n" + body);
        socket.disconnectFromHost();
    };
}

LoopbackServer::Behaviour LoopbackServer::silent() {
    return [](QTcpSocket&, LoopbackServer&) {};
}

LoopbackServer::Behaviour LoopbackServer::truncated() {
    return [](QTcpSocket& socket, LoopbackServer&) {
        socket.write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + QByteArray(100, '{'));
        socket.disconnectFromHost();
    };
}

LoopbackServer::Behaviour LoopbackServer::trickle() {
    return [](QTcpSocket& socket, LoopbackServer& server) {
        socket.write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        auto timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, &socket, [&socket] { socket.write(" "); });
        timer->start(50);
        server.timers_.push_back(std::move(timer));
    };
}

LoopbackServer::Behaviour LoopbackServer::huge(bool declared) {
    return [declared](QTcpSocket& socket, LoopbackServer&) {
        const QByteArray body(5 * 1024 * 1024, ' ');
        socket.write(QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n") +
                     (declared ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : QByteArray()) +
                     "\r\n" + body);
        socket.disconnectFromHost();
    };
}

LoopbackServer::Behaviour LoopbackServer::redirectLoop() {
    return [](QTcpSocket& socket, LoopbackServer& server) {
        const QByteArray target = server.requests().back().head.split(' ').value(1);
        socket.write("HTTP/1.1 302 Found\r\nLocation: " + target + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket.disconnectFromHost();
    };
}

LoopbackServer::Behaviour LoopbackServer::byMethod(Behaviour head, Behaviour others) {
    return [=](QTcpSocket& socket, LoopbackServer& server) {
        (server.requests().back().head.startsWith("HEAD ") ? head : others)(socket, server);
    };
}

}  // namespace lumen::app::test
