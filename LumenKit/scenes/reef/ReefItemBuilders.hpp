#pragma once

#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/scenes/reef/Palette.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <cstddef>

namespace lumen::reef {

// Builders of the single reef items. Each builds its item in a local frame one unit per item
// `size`, base at the origin and +y up; `append` then scales, turns by `yaw` and moves it to
// the item's position.
//
// Vertex lanes of the reef mesh, shared with the reef shaders:
//   position w  sway weight, 0 where the growth is rooted or rigid, up to 1 at free tips;
//   normal w    ambient occlusion, 1 in the open, towards 0 in crevices and under plates;
//   colour a    fluorescence, how strongly the growth glows under blue night light.
namespace ReefItemBuilders {

struct Context {
    Mesh& mesh;
    SeededRandom random;
    ColourPair colours;   // the item's colour set
    int palette = 0;      // the item's index into its kind's own colour range
    bool coarse = false;  // small items get fewer facets

    float u() { return random.uniform(0.0f, 1.0f); }
    float range(float a, float b) { return random.uniform(a, b); }
};

// Appends `item` to `mesh` in world space, coloured from `colourSet` (a `Palette` index).
void append(Mesh& mesh, const ReefItem& item, int colourSet);

void rock(Context& c);
void pinnacle(Context& c);
void boulder(Context& c);
void branching(Context& c);
void fingers(Context& c);
void table(Context& c);
void pillar(Context& c);
void lettuce(Context& c);
void mushroom(Context& c);
void fan(Context& c);
void whip(Context& c);
void softCoral(Context& c);
void sponge(Context& c);
void anemone(Context& c);
void clam(Context& c);
void seaStar(Context& c);

}  // namespace ReefItemBuilders

}  // namespace lumen::reef
