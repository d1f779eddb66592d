#pragma once

// Internal: one framebuffer object per distinct set of attachments, made on first use. Keyed by
// texture serials, so a reused GL name can never hit a stale framebuffer.

#include <array>
#include <cstdint>
#include <map>
#include <string>

namespace lumen::gpu {
class Texture;
}

namespace lumen::gpu::detail {

struct FramebufferAttachments {
    static constexpr int maxColor = 4;
    std::array<const Texture*, maxColor> color{};
    std::array<int, maxColor> colorLevel{};
    std::array<int, maxColor> colorSlice{};
    const Texture* depth = nullptr;
};

class FramebufferCache {
public:
    FramebufferCache() = default;
    FramebufferCache(const FramebufferCache&) = delete;
    FramebufferCache& operator=(const FramebufferCache&) = delete;
    ~FramebufferCache();

    // The framebuffer for these attachments, or 0 with `why` filled when GL calls it incomplete.
    unsigned framebuffer(const FramebufferAttachments& attachments, std::string& why);
    // Deletes every framebuffer that has this texture attached.
    void forget(std::uint64_t textureSerial);
    std::size_t size() const { return entries_.size(); }

private:
    using Key = std::array<std::uint64_t, 3 * FramebufferAttachments::maxColor + 1>;
    std::map<Key, unsigned> entries_;
};

}  // namespace lumen::gpu::detail
