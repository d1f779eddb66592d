#pragma once

#include <QProcess>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace lumen::test {

// A private Xvfb (1920x1080 unless asked otherwise, one RandR output), optionally with openbox on
// it; both are stopped when it goes. Needs a QCoreApplication.
class XServer {
public:
    // Null, with the reason, when Xvfb is not installed or does not come up.
    static std::unique_ptr<XServer> start(std::string& reason, const std::string& size = "1920x1080");
    ~XServer();

    const std::string& display() const { return display_; }
    // Starts openbox and waits until it manages the screen.
    bool startWindowManager();
    // Runs a shell command against this display; true when it exits with 0.
    bool run(const std::string& command) const;

private:
    XServer() = default;

    std::string display_;
    QProcess server_;
    QProcess windowManager_;
};

// Ends a child: TERM, then KILL after 5 s.
void stopProcess(QProcess& process);

// Whether a program is on the PATH.
bool haveProgram(const std::string& name);

// Runs Qt's event loop until the condition holds or the time is up; returns the condition.
// The limit only matters on failure: a slow, busy machine still gets there.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace lumen::test
