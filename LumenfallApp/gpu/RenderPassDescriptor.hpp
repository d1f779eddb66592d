#pragma once

#include "gpu/RenderPipeline.hpp"


namespace lumen::gpu {

class Texture;

// `load` keeps what is there; `dontCare` lets the driver drop it (the pass must then cover
// every pixel it wants defined).
enum class LoadAction { load = 0, dontCare, clear };

// Resolves write the averaged samples into the resolve texture; `multisampleResolve` then drops
// the samples themselves, `storeAndMultisampleResolve` keeps them.
enum class StoreAction { store = 0, dontCare, multisampleResolve, storeAndMultisampleResolve };

struct ClearColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
    double alpha = 1.0;
};

struct RenderPassColorAttachment {
    const Texture* texture = nullptr;  // null: attachment unused
    int level = 0;
    int slice = 0;  // depth slice of a 3D texture
    LoadAction loadAction = LoadAction::load;
    StoreAction storeAction = StoreAction::store;
    ClearColor clearColor{};
    const Texture* resolveTexture = nullptr;
};

struct RenderPassDepthAttachment {
    const Texture* texture = nullptr;
    LoadAction loadAction = LoadAction::load;
    StoreAction storeAction = StoreAction::store;
    double clearDepth = 1.0;
    const Texture* resolveTexture = nullptr;  // resolves take one sample per pixel, not a filter
};

// Textures named here must outlive the encoder made from the pass.
struct RenderPassDescriptor {
    RenderPassColorAttachment colorAttachments[maxColorAttachments]{};
    RenderPassDepthAttachment depthAttachment{};
};

}  // namespace lumen::gpu
