#pragma once

// Internal: compiles entry points of shader libraries into GL programs, once per
// (library identity, entry points) for the life of the device. Failures are never cached.

#include "gpu/Result.hpp"
#include "gpu/ShaderLibrary.hpp"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace lumen::gpu::detail {

class ProgramCache {
public:
    ProgramCache() = default;
    ProgramCache(const ProgramCache&) = delete;
    ProgramCache& operator=(const ProgramCache&) = delete;
    ~ProgramCache();

    // A linked program running `vertex` and `fragment` (fragment may be empty: no fragment stage).
    Result<unsigned> renderProgram(const ShaderLibrary& library, std::string_view vertex,
                                   std::string_view fragment);
    Result<unsigned> computeProgram(const ShaderLibrary& library, std::string_view kernel);

    // Compiles one stage of the library with an empty main(); nothing is kept.
    Result<void> checkStage(const ShaderLibrary& library, ShaderStage stage);

    std::size_t size() const { return programs_.size(); }
    std::size_t compileCount() const { return compiles_; }

private:
    using Key = std::tuple<std::uint64_t, std::string, std::string, std::string>;
    Result<unsigned> compile(const ShaderLibrary& library, ShaderStage stage, std::string_view entry);
    Result<unsigned> link(const ShaderLibrary& library, std::initializer_list<unsigned> shaders,
                          std::string_view what);

    std::map<Key, unsigned> programs_;
    std::size_t compiles_ = 0;
};

}  // namespace lumen::gpu::detail
