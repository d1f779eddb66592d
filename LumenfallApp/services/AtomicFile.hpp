#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumen::app {

// Replaces `path` with `bytes` whole or not at all: the bytes go to a temporary file in the same
// folder, are flushed to the disk, and the temporary file is renamed over `path`. A crash or a
// full disk leaves either the old file or the new one, never half of either; a failed write
// removes its temporary file. False with the reason in `error` on failure.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, std::string* error = nullptr);

}  // namespace lumen::app
