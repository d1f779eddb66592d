#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>

namespace lumen::test {

// Reads the program's standard error into `log` until it contains `text` or the time is up.
inline bool waitForLog(QProcess& process, QString& log, const QString& text, int limitMs = 60000)
{
    QElapsedTimer timer;
    timer.start();
    while (!log.contains(text) && timer.elapsed() < limitMs) {
        if (!process.waitForReadyRead(200) && process.state() == QProcess::NotRunning) break;
        log += QString::fromUtf8(process.readAllStandardError());
    }
    log += QString::fromUtf8(process.readAllStandardError());
    return log.contains(text);
}

}  // namespace lumen::test
