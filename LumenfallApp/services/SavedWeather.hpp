#pragma once

#include "LumenKit/weather/CacheState.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lumen::app {

// The weather cache file's record: {"cache": <CacheState>, "body": <answer bytes in Base64>},
// "body" left out when there is none.
struct SavedWeather {
    METNorway::CacheState cache;
    std::optional<std::string> body;

    bool operator==(const SavedWeather&) const = default;

    std::string encode() const;
    // Strict: none unless the text is exactly such a record (a foreign or damaged file is not
    // half-used). Never throws.
    static std::optional<SavedWeather> decode(std::string_view text);

    // Larger files are not ours: a stored answer is at most 4 MB, 5.4 MB in Base64.
    static constexpr std::uintmax_t maximumFileSize = 6 * 1024 * 1024;

    // None when the file is missing; a file that cannot be read or decoded is logged and gives
    // none too.
    static std::optional<SavedWeather> read(const std::filesystem::path& path);
    // Whole or not at all; a failure is logged and leaves the old file.
    bool write(const std::filesystem::path& path) const;
};

}  // namespace lumen::app
