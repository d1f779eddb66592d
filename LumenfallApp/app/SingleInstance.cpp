#include "app/SingleInstance.hpp"

#include "desktop/DesktopSession.hpp"
#include "log/EventLog.hpp"

#include <QLocalSocket>

#include <unistd.h>

namespace lumen::app {

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
                while (client->canReadLine()) {
                    const std::string line = client->readLine(256).trimmed().toStdString();
                    if (onRequest) onRequest(line);
                }
            });
        }
    });
    return false;
}

}  // namespace lumen::app
