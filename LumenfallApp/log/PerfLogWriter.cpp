#include "PerfLogWriter.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace lumen::app {

PerfLogWriter::PerfLogWriter(std::string path, std::function<void(const std::string&)> onFailure)
    : path_(std::move(path)), onFailure_(std::move(onFailure)), thread_([this] { run(); }) {}

PerfLogWriter::~PerfLogWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void PerfLogWriter::append(std::string line) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(line));
    }
    wake_.notify_one();
}

void PerfLogWriter::flush() {
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [this] { return pending_.empty() && !writing_; });
}

void PerfLogWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) {
            if (stopping_) return;
            continue;
        }
        std::string bytes;
        while (!pending_.empty()) {
            bytes += pending_.front();
            pending_.pop_front();
        }
        writing_ = true;
        lock.unlock();
        write(bytes);
        lock.lock();
        writing_ = false;
        drained_.notify_all();
    }
}

void PerfLogWriter::write(const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    // Append mode both creates the file on first use and writes at its end afterwards.
    std::FILE* file = std::fopen(path_.c_str(), "ab");
    bool written = false;
    if (file) {
        written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        written = std::fclose(file) == 0 && written;
    }
    if (!written && !failureReported_) {
        failureReported_ = true;
        const int error = errno;
        if (onFailure_) onFailure_("performance log: can't write " + path_ + ": " + std::strerror(error));
    }
}

}  // namespace lumen::app
