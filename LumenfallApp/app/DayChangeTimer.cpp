#include "app/DayChangeTimer.hpp"

#include <QDateTime>

#include <algorithm>

namespace lumen::app {

DayChangeTimer::DayChangeTimer(std::function<void()> onDayChange) : onDayChange_(std::move(onDayChange)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::CoarseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (onDayChange_) onDayChange_();
        arm();
    });
    arm();
}

qint64 DayChangeTimer::msecsToNextDay() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime midnight = now.date().addDays(1).startOfDay();
    // A second past midnight so the day has surely turned, whatever the timer's coarseness.
    return std::max<qint64>(now.msecsTo(midnight), 0) + 1000;
}

void DayChangeTimer::arm() {
    // QTimer takes an int: a day fits, and a long sleep is caught up on by the next arming.
    timer_.start(static_cast<int>(std::min<qint64>(msecsToNextDay(), 24LL * 3600 * 1000 + 60'000)));
}

}  // namespace lumen::app
