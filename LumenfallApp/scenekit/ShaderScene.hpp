#pragma once

#include "scenekit/LumenScene.hpp"
#include "scenekit/SceneClasses.hpp"
#include "scenekit/ShaderSlot.hpp"
#include "scenekit/ShaderUniforms.hpp"

#include "gpu/Gpu.hpp"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumen::app {

class GpuContext;

// The base of the scenes drawn by one full-screen fragment shader. It keeps the clock, sky and
// weather, builds the uniform record, renders an optional reduced-size layer per view and draws
// one covering triangle. Subclasses supply only the virtual members below.
//
// Build instances with ShaderScene::make<Scene>(context): the library and pipelines depend on the
// subclass's virtual members, which a base constructor cannot call. Subclasses keep their
// constructors protected and befriend ShaderScene.
class ShaderScene : public LumenScene {
public:
    struct LayerSpec {
        float scale = 0.5f;
        double interval = 0;  // seconds between redraws; 0 redraws on every advancing tick
    };

    // One view's offscreen layer.
    struct Layer {
        std::optional<gpu::Texture> texture;
        std::optional<double> drawnAt;  // scene clock of the last render into it
    };

    static constexpr std::size_t maxDataVectors = 256;
    static constexpr int maxTextures = 4;
    // The bindings ShaderScene.glsl and every layered scene's GLSL see; textures()[i] is bound at
    // SCENE_TEXTURE<i>_SLOT.
    static constexpr ShaderSlot layerTextureSlot{"LAYER_TEXTURE_SLOT", 0};
    static constexpr ShaderSlot uniformsSlot{"SHADER_UNIFORMS_SLOT", 1};
    static constexpr ShaderSlot dataSlot{"SCENE_DATA_SLOT", 2};
    static constexpr ShaderSlot textureSlots[maxTextures] = {
        {"SCENE_TEXTURE0_SLOT", 1}, {"SCENE_TEXTURE1_SLOT", 2}, {"SCENE_TEXTURE2_SLOT", 3}, {"SCENE_TEXTURE3_SLOT", 4}};

    // The class of a layered scene: made through make<Scene>, one sample, with the records and
    // bindings every layered scene shares plus the scene's own `bindings`.
    template <class Scene>
    static SceneClass sceneClass(std::string name, std::string shader, std::vector<ShaderSlot> bindings = {},
                                 std::vector<SceneOptionUse> options = {}) {
        SceneClass made{std::move(name), 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                            return make<Scene>(context);
                        }};
        made.options = std::move(options);
        made.shaders = shaderRecords(std::move(shader), std::move(bindings));
        return made;
    }
    // The libraries, bindings and records of a layered scene whose GLSL is `shader`.
    static SceneShaderRecords shaderRecords(std::string shader, std::vector<ShaderSlot> bindings);
    static constexpr int minimumLayerSize = 8;
    static constexpr double maxPrewarmStep = 0.1;
    // Where the pointer is put when it must not affect the scene: far outside the view.
    static constexpr Float2 absentPointer{9, 9};

    // Constructs the subclass, then builds the library, the pipelines and calls configure.
    // Throws SceneException.
    template <class Scene, class... Args>
    static std::unique_ptr<Scene> make(const SceneContext& context, Args&&... args) {
        std::unique_ptr<Scene> scene(new Scene(context, std::forward<Args>(args)...));
        static_cast<ShaderScene&>(*scene).build(context);
        return scene;
    }

    // LumenScene
    void update(const SceneFrame& frame) final;
    void prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) override;
    void prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame& frame) final;
    void draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame& frame) final;
    void prewarm(const SceneFrame& frame, double seconds) override;
    void releaseView(ViewID id) final;

    // The record for one pass of `width` x `height` pixels.
    ShaderUniforms uniforms(const SceneView& view, int width, int height, bool layerPass);
    // Binds textures[i] at fragment texture slot i + 1 and the data block at fragment bytes slot 2.
    void bindResources(gpu::RenderEncoder& encoder, const SceneView& view);

    // Overridable class properties.
    virtual std::string shaderName() const { return {}; }
    virtual float facing() const { return 180; }  // compass bearing the view looks towards
    virtual std::optional<LayerSpec> layerSpec() const { return std::nullopt; }
    // The scene's own bindings, beyond the shared ones.
    virtual std::vector<ShaderSlot> shaderSlots() const { return {}; }

    // The side offset most scenes use so neighbouring displays show neighbouring parts of the
    // scene: 0 for display 0, -step for odd and +step for even indices.
    static float alternatingSide(int displayIndex, float step);
    // The layer size for a view: the scaled size, at least 8 x 8.
    static std::pair<int, int> layerSize(const LayerSpec& layering, int viewWidth, int viewHeight);
    // How many steps prewarm takes for `seconds`.
    static int prewarmSteps(double seconds);
    // How many vectors reach the shader for a data block of `count` vectors.
    static std::size_t dataVectorsSent(std::size_t count);

    // State, readable by tests and tools.
    double clock() const { return clock_; }
    float dt() const { return dt_; }
    const SkyState& sky() const { return sky_; }
    // The zone the frames' skies are read in (null is UTC); a pinned hour is local to it.
    const date::time_zone* zone() const { return zone_; }
    const std::optional<WeatherState>& weather() const { return weather_; }
    const SceneOptionValues& options() const { return options_; }
    bool lowPower() const { return lowPower_; }
    bool reduceMotion() const { return reduceMotion_; }
    const std::map<ViewID, Layer>& layers() const { return layers_; }
    const std::vector<gpu::Texture>& textures() const { return textures_; }
    bool hasLayerPipeline() const { return layerPipeline_.has_value(); }
    // Layer renders so far (each one is a pass), for tests and statistics.
    int layerRenderCount() const { return layerRenders_; }
    // The data block as last bound: `lastDataCount()` vectors, zero-padded to 256.
    const std::array<Float4, maxDataVectors>& lastDataBlock() const { return dataBlock_; }
    std::size_t lastDataCount() const { return dataCount_; }

protected:
    // Step 1 of construction: everything that needs no subclass member.
    explicit ShaderScene(const SceneContext& context);

    // Called once at the end of construction; may throw SceneException.
    virtual void configure(const SceneContext& context);
    // The sky the scene shows for the frame's sky ("sky(for:)").
    virtual SkyState skyFor(const SkyState& frameSky);
    // Per-step hook after the state update; frame.dt is the step.
    virtual void advance(const SceneFrame& frame);
    // Vectors for uniform vectors 8-11 (extra ones are ignored) and for the data block. The spans
    // must stay valid until the next call; keep the storage in the subclass (no allocation).
    virtual std::span<const Float4> parameters(const SceneView& view);
    virtual std::span<const Float4> dataBlock(const SceneView& view);

    // Appends a texture bound at the next SCENE_TEXTURE<i>_SLOT (at most maxTextures), with its
    // own sampler or the device's default (linear, clamp to edge).
    void addTexture(gpu::Texture texture, std::optional<gpu::Sampler> sampler = std::nullopt);
    // Exchanges two bound textures with their samplers: a double-buffered map changes roles
    // without reallocating.
    void swapTextures(std::size_t a, std::size_t b);

    gpu::Device& device;
    GpuContext& gpuContext;
    const gpu::ShaderLibrary& library() const { return *library_; }

private:
    void build(const SceneContext& context);
    void step(const SceneFrame& frame, double dt);
    gpu::RenderPipeline makeLayerPipeline();

    std::optional<gpu::ShaderLibrary> library_;
    std::optional<gpu::RenderPipeline> pipeline_;
    std::optional<gpu::RenderPipeline> layerPipeline_;
    std::optional<LayerSpec> layerSpec_;
    float facing_ = 180;
    std::string layerLabel_;
    std::vector<gpu::Texture> textures_;
    std::vector<std::optional<gpu::Sampler>> samplers_;
    std::map<ViewID, Layer> layers_;
    double clock_ = 0;
    SkyState sky_;
    const date::time_zone* zone_ = nullptr;
    std::optional<WeatherState> weather_;
    SceneOptionValues options_;
    bool lowPower_ = false;
    bool reduceMotion_ = false;
    float dt_ = 0;
    int layerRenders_ = 0;
    std::array<Float4, maxDataVectors> dataBlock_{};
    std::size_t dataCount_ = 1;
};

}  // namespace lumen::app
