#pragma once

#include <string>
#include <string_view>

namespace lumen::gpu {

enum class CompareFunction { always = 0, never, less, lessEqual, equal, greater, greaterEqual, notEqual };

// The default (always, no writes) neither tests nor writes: what a pass starts with.
struct DepthStateDescriptor {
    CompareFunction depthCompareFunction = CompareFunction::always;
    bool depthWriteEnabled = false;
    std::string_view label;
};

// Plain GL state, applied by the render encoder; no GL object behind it, so copying is harmless.
class DepthState {
public:
    DepthState() = default;
    explicit DepthState(const DepthStateDescriptor& descriptor)
        : compare_(descriptor.depthCompareFunction), write_(descriptor.depthWriteEnabled),
          label_(descriptor.label)
    {
    }

    CompareFunction compareFunction() const { return compare_; }
    bool writeEnabled() const { return write_; }
    const std::string& label() const { return label_; }

    // GL enum for the compare function.
    unsigned glFunction() const;
    // Neither tests nor writes: depth testing can simply be off.
    bool isPassThrough() const { return compare_ == CompareFunction::always && !write_; }

private:
    CompareFunction compare_ = CompareFunction::always;
    bool write_ = false;
    std::string label_;
};

}  // namespace lumen::gpu
