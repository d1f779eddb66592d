#include "LumenKit/scenes/neon/NeonStreet.hpp"

#include "LumenKit/core/SeededRandom.hpp"

#include <algorithm>

namespace lumen::neon {

namespace {

constexpr std::uint64_t seed = 77;
constexpr std::size_t longestVerticalWord = 7;

}  // namespace

std::vector<NeonSign> NeonStreet::signs() {
    SeededRandom random(seed);
    auto draw = [&] { return random.uniform(0.0f, 1.0f); };
    float leftCursor = -15.0f, rightCursor = -12.0f;
    std::vector<NeonSign> made;
    made.reserve(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        NeonSign sign;
        sign.text = std::string(words[i]);
        const auto n = static_cast<float>(words[i].size());
        // Long words would tower over the street, so they never take the vertical draw.
        const bool mayBeVertical = words[i].size() <= longestVerticalWord && draw() < 0.6f;
        const float kind = draw();
        sign.color = palette[random.next() % palette.size()];
        const float heightDraw = draw();
        const float flickerDraw = draw();
        const bool even = i % 2 == 0;
        float flickerChance = 0;
        if (kind < 0.65f) {
            sign.mount = NeonSign::Mount::blade;
            sign.vertical = mayBeVertical;
            sign.width = sign.vertical ? 1.2f : std::min(0.6f * n + 0.4f, 5.0f);
            sign.height = sign.vertical ? 0.75f * n + 0.4f : 1.3f;
            sign.bottom = 3.2f + 1.3f * heightDraw;
            flickerChance = 0.25f;
        } else {
            sign.mount = even ? NeonSign::Mount::leftWall : NeonSign::Mount::rightWall;
            sign.width = std::min(0.9f * n + 0.6f, 7.0f);
            sign.height = 1.4f;
            sign.bottom = 3.0f + 2.5f * heightDraw;
            flickerChance = 0.2f;
        }
        if (flickerDraw < flickerChance) sign.flicker = 0.5f + 0.5f * draw();
        const float gap = 7.0f + 5.0f * draw();
        float& cursor = even ? leftCursor : rightCursor;
        sign.side = even ? -1.0f : 1.0f;
        sign.z = cursor;
        cursor -= gap;
        made.push_back(std::move(sign));
    }
    return made;
}

}  // namespace lumen::neon
