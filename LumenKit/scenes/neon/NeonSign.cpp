#include "LumenKit/scenes/neon/NeonSign.hpp"

namespace lumen::neon {

std::optional<NeonSign::Mount> NeonSign::mountFrom(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<Mount>(raw);
}

}  // namespace lumen::neon
