#pragma once

#include <QLocalServer>

#include <functional>
#include <memory>
#include <string>

namespace lumen::app {

// One wallpaper per user and display: the first instance listens on a local socket; a later one
// finds it, hands over its request and exits.
class SingleInstance {
public:
    // "lumenfall-<uid>-<display>", so separate X servers (and users) each get their own; the
    // display as its server knows it, so one display however DISPLAY spells it gets one.
    static std::string serverName();

    explicit SingleInstance(std::string name = serverName());
    ~SingleInstance();

    // Longest request line a later launch may hand over, newline excluded.
    static constexpr int requestLimit = 256;

    // True when another instance took the request ("activate", "scene <id>"); this one should
    // exit. Otherwise this instance now listens, and `onRequest` gets the later ones: one call
    // per line, trimmed, with every byte outside printable ASCII replaced by '?'. Whoever sends a
    // line longer than `requestLimit` is disconnected and the line dropped with a log line.
    bool forwardToRunning(const std::string& request);
    std::function<void(const std::string& request)> onRequest;

private:
    std::string name_;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace lumen::app
