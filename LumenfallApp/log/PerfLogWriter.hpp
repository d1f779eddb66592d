#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace lumen::app {

// A serial queue that appends lines to one file on its own thread, in submission order, so
// lines never interleave and the caller never waits for the disk. Lines that cannot be written
// are dropped; the first such failure is reported once through `onFailure` (on the writer's
// thread, with the path and the reason).
class PerfLogWriter {
public:
    explicit PerfLogWriter(std::string path, std::function<void(const std::string&)> onFailure = {});
    ~PerfLogWriter();
    PerfLogWriter(const PerfLogWriter&) = delete;
    PerfLogWriter& operator=(const PerfLogWriter&) = delete;

    void append(std::string line);
    // Returns once everything appended so far has been written.
    void flush();

    const std::string& path() const { return path_; }

private:
    void run();
    void write(const std::string& bytes);

    std::string path_;
    std::function<void(const std::string&)> onFailure_;
    bool failureReported_ = false;  // writer thread only
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<std::string> pending_;
    bool writing_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace lumen::app
