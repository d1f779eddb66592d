#pragma once

#include "gpu/Result.hpp"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace lumen::gpu {

class Device;

enum class ShaderStage { vertex, fragment, compute };

const char* toString(ShaderStage stage);

// GLSL text without a #version line or main(): the layer adds "#version 430 core", the stage's
// define (VERTEX_STAGE, FRAGMENT_STAGE or COMPUTE_STAGE) and a main() that calls the entry point.
// Copies share one identity, which keys the compiled-program cache.
class ShaderLibrary {
public:
    // Compiles each stage the source mentions (its *_STAGE define; the fragment stage when it
    // mentions none) with an empty main(), so errors in shared code surface here, under `key`.
    static Result<ShaderLibrary> create(Device& device, std::string source, std::string key = {});
    // No compile now; errors surface when a pipeline is made.
    static ShaderLibrary fromSource(std::string source, std::string key = {});

    // Whether the source defines `void <name>(...) { ... }` outside comments.
    bool hasFunction(std::string_view name) const;

    const std::string& source() const { return data_->source; }
    const std::string& key() const { return data_->key; }
    std::uint64_t identity() const { return data_->identity; }

private:
    struct Data {
        std::string source;
        std::string key;
        std::uint64_t identity = 0;
        std::set<std::string, std::less<>> functions;
    };
    explicit ShaderLibrary(std::shared_ptr<const Data> data) : data_(std::move(data)) {}

    std::shared_ptr<const Data> data_;
};

// The names of functions defined as `void name(...) {` in GLSL text, comments ignored.
std::set<std::string, std::less<>> definedVoidFunctions(std::string_view source);

}  // namespace lumen::gpu
