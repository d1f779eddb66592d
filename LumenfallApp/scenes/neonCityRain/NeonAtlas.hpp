#pragma once

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/neon/NeonSign.hpp"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace lumen::app {

// The signs' lettering on one greyscale bitmap: each sign in its own cell, a bright tube outline
// round a dim core, cells packed left to right in rows. Deterministic for a given font.
struct NeonAtlas {
    static constexpr int size = 2048;
    static constexpr int margin = 16;     // between cells and round the edge
    static constexpr int padding = 36;    // inside a cell, round the lettering
    static constexpr int lineStep = 120;  // one line of letters
    static constexpr int emptyCellWidth = 172;
    static constexpr int pixelSize = 110;
    static constexpr double tubeWidth = 7;
    static constexpr double coreGrey = 0.22;

    QImage image;              // Grayscale8, size x size, row 0 at the top
    std::vector<Float4> rects;  // per sign: u left, v top, u right, v bottom
    QString face;               // the family and style the lettering uses

    // Draws every sign; none when the bitmap cannot be made or no font engine is available.
    static std::optional<NeonAtlas> draw(const std::vector<neon::NeonSign>& signs);
    // The lines a sign is lettered in: one per character when vertical.
    static std::vector<QString> lines(const neon::NeonSign& sign);
};

}  // namespace lumen::app
