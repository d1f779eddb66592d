#include "app/SingleInstance.hpp"

#include "log/EventLog.hpp"

#include <QLocalSocket>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace lumen::app {

std::string SingleInstance::serverName() {
    std::string display;
    if (const char* x11 = std::getenv("DISPLAY"); x11 && *x11) {
        display = x11;
    } else if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
        display = wayland;
    }
    std::replace_if(display.begin(), display.end(), [](char c) { return c == '/' || c == ':'; }, '_');
    return "lumenfall-" + std::to_string(getuid()) + "-" + display;
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
