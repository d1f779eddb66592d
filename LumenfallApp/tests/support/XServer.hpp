#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace lumen::test {

// A private Xvfb (1920x1080 unless asked otherwise, one RandR output) for one test, optionally
// with openbox on it; both are killed when it goes.
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
    pid_t server_ = -1;
    pid_t windowManager_ = -1;
};

// Whether a program is on the PATH.
bool haveProgram(const std::string& name);

// Runs Qt's event loop until the condition holds or the time is up; returns the condition.
// The limit only matters on failure: a slow, busy machine still gets there.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace lumen::test
