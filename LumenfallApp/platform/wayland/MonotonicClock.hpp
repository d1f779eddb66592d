#pragma once

#include <chrono>

namespace lumen::app {

// Seconds on CLOCK_MONOTONIC, the clock the frame loop runs on.
inline double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace lumen::app
