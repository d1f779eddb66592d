#include "EventLog.hpp"

#include "PerfLogWriter.hpp"

#include <systemd/sd-journal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>

namespace lumen::app {

namespace {

struct LogState {
    std::mutex mutex;
    std::vector<std::string> arguments;
    std::optional<bool> stored;
    std::optional<bool> enabled;  // fixed on first use
    std::function<void(const std::string&)> observer;
    std::unique_ptr<PerfLogWriter> writer;
    int journal = -1;  // -1 unknown, 0 absent, 1 present
};

LogState& state() {
    static LogState instance;
    return instance;
}

bool journalAvailable(LogState& s) {
    if (s.journal < 0) {
        s.journal = ::access("/run/systemd/journal/socket", W_OK) == 0 ? 1 : 0;
    }
    return s.journal == 1;
}

bool enabledLocked(LogState& s) {
    if (!s.enabled) s.enabled = EventLog::resolvePerfLog(s.arguments, s.stored);
    return *s.enabled;
}

}  // namespace

void logEvent(std::string_view message) {
    std::string text(message);
    std::function<void(const std::string&)> observer;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        bool sent = false;
        if (journalAvailable(s)) {
            sent = sd_journal_send("MESSAGE=%s", text.c_str(), "PRIORITY=6",
                                   "SYSLOG_IDENTIFIER=lumenfall",
                                   "LUMENFALL_SUBSYSTEM=com.quorl802.Lumenfall",
                                   "LUMENFALL_CATEGORY=wallpaper", nullptr) >= 0;
        }
        if (!sent || std::getenv("LUMENFALL_LOG_STDERR")) {
            std::fprintf(stderr, "lumenfall: %s\n", text.c_str());
        }
        observer = s.observer;
    }
    writePerfLine("event " + text);
    if (observer) observer(text);
}

void writePerfLine(std::string_view text) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (!enabledLocked(s)) return;
    // Said once, so a user who asked for the log learns why there is none.
    if (!s.writer) {
        s.writer = std::make_unique<PerfLogWriter>(EventLog::perfLogPath(),
                                                   [](const std::string& reason) { logEvent(reason); });
    }
    std::string line = EventLog::timestamp();
    line += ' ';
    line += text;
    line += '\n';
    s.writer->append(std::move(line));
}

bool perfLogEnabled() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return enabledLocked(s);
}

namespace EventLog {

void setLaunchArguments(std::vector<std::string> arguments) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.arguments = std::move(arguments);
}

void setStoredPerfLog(std::optional<bool> stored) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.stored = stored;
}

void setObserver(std::function<void(const std::string&)> observer) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.observer = std::move(observer);
}

void flush() {
    PerfLogWriter* writer = nullptr;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        writer = s.writer.get();
    }
    if (writer) writer->flush();
}

std::string perfLogPath() {
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.cache";
    } else {
        base = "/tmp";
    }
    return base + "/Lumenfall-perf.log";
}

bool resolvePerfLog(const std::vector<std::string>& arguments, std::optional<bool> stored) {
    if (std::find(arguments.begin(), arguments.end(), "-perfLog") != arguments.end()) return true;
    return stored.value_or(false);
}

std::string timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char body[32];
    std::strftime(body, sizeof body, "%Y-%m-%dT%H:%M:%S", &local);
    long offset = local.tm_gmtoff;
    char sign = offset < 0 ? '-' : '+';
    offset = offset < 0 ? -offset : offset;
    char zone[24];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", sign, offset / 3600, (offset % 3600) / 60);
    return std::string(body) + zone;
}

}  // namespace EventLog

}  // namespace lumen::app
