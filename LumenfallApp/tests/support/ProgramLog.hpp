#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <thread>

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

// The program's performance lines so far, one every 10 s: what its frame loop did then.
inline QStringList perfLines(const QString& perfLog)
{
    QFile file(perfLog);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n').filter(" perf {");
}

// A later picture differs from the first: the wallpaper moves (on llvmpipe a frame may take
// seconds while other tests share the cores).
inline bool animates(const std::function<QImage()>& screenshot)
{
    const QImage first = screenshot();
    for (int tries = 0; tries < 15 && !first.isNull(); ++tries) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const QImage later = screenshot();
        if (!later.isNull() && later != first) return true;
    }
    return false;
}

}  // namespace lumen::test
