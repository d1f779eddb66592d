#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumen::app {

// The one event log: every component reports its decisions here. Events go to the system log
// (journald, or stderr without it) and, when the performance log is on, into
// "Lumenfall-perf.log" as "event ..." lines.
void logEvent(std::string_view message);

// Appends one line to the performance log when it is on; never blocks on the disk.
void writePerfLine(std::string_view text);

// Decided once per process on first use and fixed afterwards.
bool perfLogEnabled();

namespace EventLog {

// Inputs of the performance-log switch; must be given before its first use to count.
// The launch argument "-perfLog" wins over the stored "perfLog" default.
void setLaunchArguments(std::vector<std::string> arguments);
void setStoredPerfLog(std::optional<bool> stored);

// Receives every event after it was logged (tests, the settings window's log view).
void setObserver(std::function<void(const std::string&)> observer);

// Waits until every queued performance-log line is on disk (quit, tests).
void flush();

// Where the performance log is written: $XDG_CACHE_HOME/Lumenfall-perf.log (default ~/.cache).
std::string perfLogPath();

// Whole-argument match of "-perfLog", else the stored default, else off.
bool resolvePerfLog(const std::vector<std::string>& arguments, std::optional<bool> stored);

// "2024-05-01T21:14:03+02:00": local time with a colon in the zone offset.
std::string timestamp();

}  // namespace EventLog

}  // namespace lumen::app
