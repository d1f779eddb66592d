#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace lumen::app {

// Calls back shortly after every local midnight (the daily scene changes then). One timer, armed
// for the next midnight only, so it costs no wake-ups in between.
class DayChangeTimer {
public:
    explicit DayChangeTimer(std::function<void()> onDayChange);

    // Milliseconds from now until just after the next local midnight.
    static qint64 msecsToNextDay();

private:
    void arm();

    QTimer timer_;
    std::function<void()> onDayChange_;
};

}  // namespace lumen::app
