#include "app/SingleInstance.hpp"

#include "desktop/DesktopSession.hpp"
#include "log/EventLog.hpp"

#include <QLocalSocket>

#include <unistd.h>

namespace lumen::app {

namespace {

// Requests come from anyone running as this user: nothing but printable ASCII goes further.
std::string printable(const QByteArray& bytes) {
    std::string text = bytes.trimmed().toStdString();
    for (char& c : text) {
        if (c < 0x20 || c > 0x7e) c = '?';
    }
    return text;
}

}  // namespace

std::string SingleInstance::serverName() {
    return "lumenfall-" + std::to_string(getuid()) + "-" + desktopDisplayKey();
}

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::forwardToRunning(const std::string& request) {
    const QString name = QString::fromStdString(name_);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(500)) {
        socket.write((request + "\n").c_str());
        socket.waitForBytesWritten(500);
        socket.disconnectFromServer();
        return true;
    }
    // Nobody answers: a socket left by a crashed instance is ours to replace.
    QLocalServer::removeServer(name);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        logEvent("single instance: cannot listen on " + name_ + ": " + server_->errorString().toStdString());
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, [this, client] {
                bool overlong = false;
                while (!overlong && client->canReadLine()) {
                    const QByteArray line = client->readLine(requestLimit + 2);
                    overlong = !line.endsWith('\n');
                    if (!overlong && onRequest) onRequest(printable(line));
                }
                // A line longer than the limit, ended or not yet, is no request; its sender goes.
                if (overlong || client->bytesAvailable() > requestLimit) {
                    logEvent("single instance: a request longer than " + std::to_string(requestLimit) +
                             " bytes; dropped");
                    client->abort();
                }
            });
        }
    });
    return false;
}

}  // namespace lumen::app
