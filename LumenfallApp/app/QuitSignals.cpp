#include "app/QuitSignals.hpp"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace lumen::app {

namespace {

int pipeFds[2] = {-1, -1};

void onSignal(int signal) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    // Nothing else is safe here; a full pipe means a quit is already on its way.
    [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
}

}  // namespace

QuitSignals::QuitSignals(std::function<void(int)> onQuit) : onQuit_(std::move(onQuit)) {
    if (pipeFds[0] < 0 && pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipeFds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (read(pipeFds[0], &byte, 1) == 1) {
            if (onQuit_) onQuit_(byte);
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace lumen::app
