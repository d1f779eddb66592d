#include "app/QuitSignals.hpp"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace lumen::app {

namespace {

constexpr int quitSignals[] = {SIGINT, SIGTERM, SIGHUP};

int pipeFds[2] = {-1, -1};

void onSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Nothing else is safe here; a full pipe means a quit is already on its way.
    [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
}

void setAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : quitSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

void QuitSignals::catchFromNow() {
    if (pipeFds[0] < 0 && pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    setAction(onSignal);
}

QuitSignals::QuitSignals(std::function<void(int)> onQuit) : onQuit_(std::move(onQuit)) {
    catchFromNow();
    if (pipeFds[0] < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (read(pipeFds[0], &byte, 1) == 1) {
            if (onQuit_) onQuit_(byte);
        }
    });
}

QuitSignals::~QuitSignals() { setAction(SIG_DFL); }

}  // namespace lumen::app
