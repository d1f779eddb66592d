#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace lumen::app {

// SIGINT and SIGTERM end the application the orderly way: the handler only writes a byte into a
// pipe, and the event loop reads it and calls `onQuit` on the main thread.
class QuitSignals {
public:
    explicit QuitSignals(std::function<void(int signal)> onQuit);
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void(int)> onQuit_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lumen::app
