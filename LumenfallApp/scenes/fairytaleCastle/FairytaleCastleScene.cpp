#include "scenes/fairytaleCastle/FairytaleCastleScene.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/catalog/SceneOptionNames.hpp"
#include "LumenKit/scenes/castle/CastleMeshes.hpp"
#include "LumenKit/scenes/castle/CastleTrees.hpp"
#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <cmath>
#include <span>

namespace lumen::app {

namespace {

namespace names = SceneOptionNames::fairytaleCastle;

std::vector<std::string> shaderSources() { return {"Common", "FairytaleCastle"}; }

castle::FireworkPace paceFrom(const std::optional<std::string>& value) {
    if (value == names::fireworksOften) return castle::FireworkPace::often;
    if (value == names::fireworksOff) return castle::FireworkPace::off;
    return castle::FireworkPace::sometimes;
}

}  // namespace

SceneClass FairytaleCastleScene::sceneClass() {
    SceneClass made{"FairytaleCastleScene", sampleCount, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                        return std::make_unique<FairytaleCastleScene>(context);
                    }};
    made.options = {{names::fireworks, {names::fireworksOften, names::fireworksSometimes, names::fireworksOff}},
                    {names::sky, {names::skyClock, names::skyTwilight, names::skyNight}}};
    made.shaders = {shaderSources(), CastleSlots::all(), CastleRecords::layouts()};
    return made;
}

FairytaleCastleScene::FairytaleCastleScene(const SceneContext& context)
    : gpuContext_(context.gpu), device_(context.gpu.device()) {
    sky_ = SkyClock::state(context.environment.wallTime, 21.0, std::nullopt, context.environment.zone);

    const gpu::ShaderLibrary& library = gpuContext_.library(shaderSources(), CastleSlots::all());
    main_.emplace(CastlePipelines::make(gpuContext_, library, false, context.sampleCount));
    mirror_.emplace(CastlePipelines::make(gpuContext_, library, true, 1));
    water_.emplace(makePipeline(gpuContext_, "water", library, "waterVertex", "waterFragment", context.sampleCount,
                                BlendMode::opaque));

    const castle::CastleLayout layout(castle::CastleLayout::shippedSeed);
    terrainMesh_.emplace(
        MeshBuffers::make(gpuContext_, castle::CastleMeshes::terrain(layout.terrain, castle::CastleMeshes::terrainCell), "castle terrain"));
    castleMesh_.emplace(MeshBuffers::make(gpuContext_, castle::CastleMeshes::castle(), "castle"));
    extrasMesh_.emplace(MeshBuffers::make(gpuContext_, castle::CastleMeshes::lanternsAndDock(layout), "lanterns and dock"));
    coniferMesh_.emplace(MeshBuffers::make(gpuContext_, castle::CastleTrees::conifer(castle::CastleTrees::coniferTiers), "conifer"));
    roundMesh_.emplace(MeshBuffers::make(gpuContext_, castle::CastleTrees::round(), "round tree"));

    const auto conifers = CastleRecords::treeRecords(layout.trees, 0);
    const auto rounds = CastleRecords::treeRecords(layout.trees, 1);
    conifers_.emplace(makeBuffer(gpuContext_, std::span<const CastleTreeGPU>(conifers), "conifers"));
    rounds_.emplace(makeBuffer(gpuContext_, std::span<const CastleTreeGPU>(rounds), "round trees"));
    coniferCount_ = static_cast<int>(conifers.size());
    roundCount_ = static_cast<int>(rounds.size());
    const auto lanterns = CastleRecords::lanternRecords(layout.lanterns);
    lanterns_.emplace(makeBuffer(gpuContext_, std::span<const Float4>(lanterns), "lanterns"));
    lanternCount_ = static_cast<int>(lanterns.size());
    shellRing_ = std::make_unique<FrameRing>(device_, "shells", sizeof(ShellGPU));
}

float FairytaleCastleScene::twilight() const { return CastleRecords::twilight(skyMode_, sky_.sunElevation); }

void FairytaleCastleScene::readOptions(const SceneFrame& frame) {
    sky_ = frame.sky;
    pace_ = paceFrom(frame.options.value(names::fireworks));
    skyMode_ = frame.options.value(names::sky).value_or(names::skyClock);
}

void FairytaleCastleScene::refreshShells() {
    const std::vector<castle::Shell> alive = scheduler_.alive(clock_);
    const std::vector<ShellGPU> records = CastleRecords::shellRecords(alive, clock_);
    shellCount_ = static_cast<int>(records.size());
    starInstances_ = CastleRecords::starCount(records);
    shellBuffer_ = records.empty() ? nullptr : shellRing_->upload(std::span<const ShellGPU>(records));
    flashes_ = castle::FireworkMath::flashLights(clock_, alive, CastleRecords::maxFlashes);
}

void FairytaleCastleScene::update(const SceneFrame& frame) {
    readOptions(frame);
    clock_ += frame.dt;
    scheduler_.update(frame.reduceMotion ? castle::FireworkPace::off : pace_, frame.lowPower, clock_);
    refreshShells();
}

void FairytaleCastleScene::prewarm(const SceneFrame& frame, double seconds) {
    readOptions(frame);
    const int steps = std::max(static_cast<int>(std::ceil(std::max(seconds, 1.0) / 0.25)), 4);
    for (int i = 0; i < steps; ++i) {
        clock_ += 0.25;
        scheduler_.update(pace_, false, clock_);
    }
    if (pace_ != castle::FireworkPace::off) {
        for (int i = 0; i < 600; ++i) {
            const auto alive = scheduler_.alive(clock_);
            const auto blooming = std::count_if(alive.begin(), alive.end(), [this](const castle::Shell& s) {
                const double age = s.burstAge(clock_);
                return age > 0.5 && age < 1.6;
            });
            if (blooming > 1) break;
            clock_ += 0.1;
            scheduler_.update(pace_, false, clock_);
        }
    }
    refreshShells();
}

void FairytaleCastleScene::prepareFrame(gpu::CommandBuffer&, const SceneFrame&) {}

CastleUniforms FairytaleCastleScene::uniforms(const SceneView& view, int width, int height, bool mirror) const {
    const CastleRecords::View record{.pose = camera_.pose(view.displayIndex, clock_, view.parallax),
                                     .width = width,
                                     .height = height,
                                     .pixelScale = view.pixelScale,
                                     .mirror = mirror};
    return CastleRecords::uniforms(record, clock_, sky_.moonPhase, sky_.moonIllumination, twilight(), flashes_,
                                   lanternCount_);
}

void FairytaleCastleScene::prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame&) {
    const int w = view.width < 4 ? 1 : view.width / 2;
    const int h = view.height < 4 ? 1 : view.height / 2;
    auto it = reflections_.find(view.id);
    if (it == reflections_.end() || it->second.width() != w || it->second.height() != h) {
        if (it != reflections_.end()) reflections_.erase(it);
        auto made = device_.makeTexture({.format = gpu::PixelFormat::rgba16Float,
                                         .width = w,
                                         .height = h,
                                         .usage = gpu::TextureUsage::shaderRead | gpu::TextureUsage::renderTarget,
                                         .label = "castle reflection"});
        if (!made) return;
        it = reflections_.emplace(view.id, std::move(made.value())).first;
    }
    auto depth = device_.makeTexture({.format = gpu::PixelFormat::depth32Float,
                                      .width = w,
                                      .height = h,
                                      .usage = gpu::TextureUsage::renderTarget,
                                      .memoryless = true,
                                      .label = "castle reflection depth"});
    if (!depth) return;

    gpu::RenderPassDescriptor pass;
    pass.colorAttachments[0].texture = &it->second;
    pass.colorAttachments[0].loadAction = gpu::LoadAction::dontCare;
    pass.colorAttachments[0].storeAction = gpu::StoreAction::store;
    pass.depthAttachment.texture = &depth.value();
    pass.depthAttachment.loadAction = gpu::LoadAction::clear;
    pass.depthAttachment.clearDepth = 1.0;
    pass.depthAttachment.storeAction = gpu::StoreAction::dontCare;
    auto encoder = commandBuffer.renderEncoder(pass, "castle reflection");
    if (!encoder) return;
    encodePasses(*encoder, uniforms(view, w, h, true), *mirror_, nullptr);
    encoder->endEncoding();
}

void FairytaleCastleScene::draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) {
    const auto it = reflections_.find(view.id);
    encodePasses(encoder, uniforms(view, view.width, view.height, false), *main_,
                 it == reflections_.end() ? nullptr : &it->second);
}

void FairytaleCastleScene::encodePasses(gpu::RenderEncoder& encoder, const CastleUniforms& u,
                                        const CastlePipelines& p, const gpu::Texture* reflection) {
    encoder.setVertexBytes(CastleSlots::uniforms.index, &u, sizeof u);
    encoder.setFragmentBytes(CastleSlots::uniforms.index, &u, sizeof u);
    encoder.setVertexBuffer(CastleSlots::lanterns.index, *lanterns_, 0);
    encoder.setFragmentBuffer(CastleSlots::lanterns.index, *lanterns_, 0);
    encoder.setCullMode(gpu::CullMode::none);
    encoder.setDepthState(gpuContext_.depthWrite());

    encoder.setPipeline(p.castle);
    castleMesh_->draw(encoder);
    extrasMesh_->draw(encoder);

    encoder.setPipeline(p.trees);
    encoder.setVertexBuffer(CastleSlots::instances.index, *conifers_, 0);
    coniferMesh_->draw(encoder, coniferCount_);
    encoder.setVertexBuffer(CastleSlots::instances.index, *rounds_, 0);
    roundMesh_->draw(encoder, roundCount_);

    encoder.setPipeline(p.terrain);
    terrainMesh_->draw(encoder);

    if (u.params.x < 0.5f && reflection) {
        encoder.setPipeline(*water_);
        encoder.setFragmentTexture(CastleSlots::reflection.index, *reflection);
        encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4);
    }

    encoder.setDepthState(gpuContext_.depthRead());
    encoder.setPipeline(p.sky);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    encoder.setPipeline(p.glow);
    encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, lanternCount_);

    if (shellCount_ >= 1 && shellBuffer_) {
        const std::uint32_t count[4] = {static_cast<std::uint32_t>(shellCount_), 0, 0, 0};
        encoder.setVertexBuffer(CastleSlots::instances.index, *shellBuffer_, 0);
        encoder.setVertexBytes(CastleSlots::shellCount.index, count, sizeof count);
        encoder.setPipeline(p.smoke);
        encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, shellCount_);
        encoder.setPipeline(p.flash);
        encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 4, shellCount_);
        encoder.setPipeline(p.rise);
        encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 26, shellCount_);
        if (starInstances_ >= 1) {
            encoder.setPipeline(p.stars);
            encoder.drawPrimitives(gpu::PrimitiveType::triangleStrip, 0, 26, starInstances_);
        }
    }
}

void FairytaleCastleScene::releaseView(ViewID id) { reflections_.erase(id); }

}  // namespace lumen::app
