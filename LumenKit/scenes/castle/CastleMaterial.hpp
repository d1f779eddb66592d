#pragma once

namespace lumen::castle {

// What each part of the castle and its extras is made of; meshes carry it in colour alpha.
enum class CastleMaterial { wall = 0, stone, roof, gold, banner, iron, gate, lamp, wood };

constexpr float materialTag(CastleMaterial m) { return static_cast<float>(static_cast<int>(m)); }

}  // namespace lumen::castle
