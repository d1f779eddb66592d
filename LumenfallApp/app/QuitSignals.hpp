#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace lumen::app {

// SIGINT, SIGTERM and SIGHUP end the application the orderly way. From `catchFromNow()` on, a
// signal only writes a byte into a pipe; the QuitSignals object, made once the application
// object exists, reads the pipe on the event loop and calls `onQuit` on the main thread. A
// signal that came during start-up therefore quits as soon as the event loop runs.
class QuitSignals {
public:
    // Installs the handlers; call first thing, before anything slow. Main thread; idempotent.
    static void catchFromNow();

    // Catches from now too, if that has not happened yet.
    explicit QuitSignals(std::function<void(int signal)> onQuit);
    // The signals' default actions again.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void(int)> onQuit_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace lumen::app
