#include "scenes/deepReef/DeepReefScene.hpp"

#include "scenekit/GpuContext.hpp"
#include "scenekit/SceneError.hpp"
#include "scenekit/SceneResources.hpp"

#include "LumenKit/scenes/reef/FishMesh.hpp"
#include "LumenKit/scenes/reef/ReefMeshes.hpp"
#include "LumenKit/scenes/reef/StrandMesh.hpp"

#include <algorithm>
#include <span>

namespace lumen::app {

namespace {

constexpr int fishMeshSegments = reef::FishMesh::reefSegments;
constexpr int fishMeshSides = reef::FishMesh::reefSides;

std::vector<StrandInstanceGPU> strandInstances(const std::vector<reef::Strand>& strands, float kind) {
    std::vector<StrandInstanceGPU> records;
    records.reserve(strands.size());
    for (const reef::Strand& s : strands) {
        records.push_back({float4(s.base, s.height), {s.width, s.phase, s.tint, kind}});
    }
    return records;
}

int groups(int threads, int perGroup) { return (threads + perGroup - 1) / perGroup; }

std::vector<std::string> shaderSources() { return {"Common", "DeepReef"}; }

}  // namespace

SceneClass DeepReefScene::sceneClass() {
    SceneClass made{"DeepReefScene", 1, [](const SceneContext& context) -> std::unique_ptr<LumenScene> {
                        return std::make_unique<DeepReefScene>(context);
                    }};
    made.shaders = {shaderSources(), ReefSlots::all(), ReefRecords::layouts()};
    return made;
}

DeepReefScene::DeepReefScene(const SceneContext& context)
    : gpuContext_(context.gpu), device_(context.gpu.device()), featureMask_(context.environment.featureMask) {
    world_ = std::make_unique<ReefWorld>(reef::ReefLayout(reef::ReefLayout::shippedSeed), context.environment.wallTime,
                                         context.environment.zone);

    const gpu::ShaderLibrary& library = gpuContext_.library(shaderSources(), ReefSlots::all());
    constexpr int msaa = DeepReefTargets::sampleCount;
    sand_.emplace(makePipeline(gpuContext_, "sand", library, "sandVertex", "sandFragment", msaa, BlendMode::opaque));
    reef_.emplace(makePipeline(gpuContext_, "reef", library, "reefVertex", "reefFragment", msaa, BlendMode::opaque));
    strand_.emplace(
        makePipeline(gpuContext_, "strand", library, "strandVertex", "strandFragment", msaa, BlendMode::opaque));
    fish_.emplace(
        makePipeline(gpuContext_, "fish fins", library, "fishVertex", "fishFragment", msaa, BlendMode::opaque, true));
    fishBody_.emplace(makePipeline(gpuContext_, "fish", library, "fishVertex", "fishFragment", msaa, BlendMode::opaque));
    background_.emplace(makePipeline(gpuContext_, "background", library, "backgroundVertex", "backgroundFragment", msaa,
                                     BlendMode::opaque));
    snow_.emplace(makePipeline(gpuContext_, "snow", library, "snowVertex", "snowFragment", msaa, BlendMode::additive));
    dof_.emplace(makePipeline(gpuContext_, "depth of field", library, "backgroundVertex", "dofFragment",
                              context.sampleCount, BlendMode::opaque));

    causticMap_.emplace(makeComputePipeline(gpuContext_, "causticMapKernel", library));
    shaftMap_.emplace(makeComputePipeline(gpuContext_, "shaftMapKernel", library));
    downsample_.emplace(makeComputePipeline(gpuContext_, "downsampleKernel", library));

    const auto readWrite = gpu::TextureUsage::shaderRead | gpu::TextureUsage::shaderWrite;
    auto caustic = device_.makeTexture({.format = gpu::PixelFormat::r16Float,
                                        .width = causticSize,
                                        .height = causticSize,
                                        .usage = readWrite,
                                        .label = "caustics"});
    if (!caustic) throw SceneException(SceneError::resource("caustics"));
    causticTex_.emplace(std::move(caustic.value()));
    auto shaft = device_.makeTexture({.format = gpu::PixelFormat::r16Float,
                                      .width = shaftSize,
                                      .height = shaftSize,
                                      .mipmapLevelCount = shaftLevelCount,
                                      .usage = readWrite,
                                      .label = "shafts"});
    if (!shaft) throw SceneException(SceneError::resource("shafts"));
    shaftTex_.emplace(std::move(shaft.value()));
    // Both maps tile across the water; the shafts are read blurred from their mip levels.
    auto repeat = device_.makeSampler({.minFilter = gpu::SamplerFilter::linear,
                                       .magFilter = gpu::SamplerFilter::linear,
                                       .sAddressMode = gpu::SamplerAddressMode::repeat,
                                       .tAddressMode = gpu::SamplerAddressMode::repeat,
                                       .label = "reef maps"});
    auto shaftSampler = device_.makeSampler({.minFilter = gpu::SamplerFilter::linear,
                                             .magFilter = gpu::SamplerFilter::linear,
                                             .mipFilter = gpu::SamplerMipFilter::linear,
                                             .sAddressMode = gpu::SamplerAddressMode::repeat,
                                             .tAddressMode = gpu::SamplerAddressMode::repeat,
                                             .label = "reef shafts"});
    auto depthSampler = device_.makeSampler({.label = "reef depth"});
    if (!repeat || !shaftSampler || !depthSampler) throw SceneException(SceneError::resource("shafts"));
    repeatSampler_.emplace(std::move(repeat.value()));
    shaftSampler_.emplace(std::move(shaftSampler.value()));
    depthSampler_.emplace(std::move(depthSampler.value()));

    const reef::ReefLayout& layout = world_->layout();
    sandMesh_.emplace(MeshBuffers::make(
        gpuContext_, reef::ReefMeshes::sand(layout.terrain, layout.rockAnchors, reef::ReefMeshes::sandColumns, reef::ReefMeshes::sandRows),
        "sand"));
    reefMesh_.emplace(MeshBuffers::make(gpuContext_, reef::ReefMeshes::reef(layout), "reef"));
    fishMesh_.emplace(MeshBuffers::make(gpuContext_, reef::FishMesh::build(fishMeshSegments, fishMeshSides), "fish"));
    kelpMesh_.emplace(MeshBuffers::make(gpuContext_, reef::StrandMesh::build(reef::StrandMesh::kelpSegments), "kelp"));
    grassMesh_.emplace(MeshBuffers::make(gpuContext_, reef::StrandMesh::build(reef::StrandMesh::grassSegments), "grass"));
    fishBodyIndices_ = static_cast<int>(reef::FishMesh::bodyIndexCount(fishMeshSegments, fishMeshSides));

    const auto kelp = strandInstances(layout.kelp, 0);
    const auto grass = strandInstances(layout.seagrass, 1);
    kelpInstances_.emplace(makeBuffer(gpuContext_, std::span<const StrandInstanceGPU>(kelp), "kelp instances"));
    grassInstances_.emplace(makeBuffer(gpuContext_, std::span<const StrandInstanceGPU>(grass), "grass instances"));
    kelpCount_ = static_cast<int>(kelp.size());
    grassCount_ = static_cast<int>(grass.size());
    const auto& looks = ReefRecords::speciesLooks();
    species_.emplace(makeBuffer(gpuContext_, std::span<const SpeciesLookGPU>(looks), "species"));
    fishRing_ = std::make_unique<FrameRing>(device_, "fish", sizeof(reef::FishInstanceGPU));
}

void DeepReefScene::uploadFish() {
    fishBuffer_ = fishRing_->upload(std::span<const reef::FishInstanceGPU>(world_->fishGPU()));
}

void DeepReefScene::update(const SceneFrame& frame) {
    world_->refreshLook(frame.sky.date, frame.zone);
    world_->step(frame.dt);
    uploadFish();
}

void DeepReefScene::prewarm(const SceneFrame& frame, double seconds) {
    world_->prewarm(seconds);
    world_->refreshLook(frame.sky.date, frame.zone);
    uploadFish();
}

void DeepReefScene::prepareFrame(gpu::CommandBuffer& commandBuffer, const SceneFrame& frame) {
    world_->refreshLook(frame.sky.date, frame.zone);
    if (!fishBuffer_) uploadFish();
    encodeMaps(commandBuffer);
}

void DeepReefScene::encodeMaps(gpu::CommandBuffer& commandBuffer) {
    const CameraPose pose = world_->pose(0, {0, 0});
    mapUniforms_ = ReefRecords::uniforms(pose, world_->look(), world_->clock(), 16, 9, 1, featureMask_);
    const float time = mapUniforms_.eyeTime.w;
    if (mapsTime_ && time >= *mapsTime_ && time - *mapsTime_ < mapsInterval) return;
    mapsTime_ = time;

    auto encoder = commandBuffer.computeEncoder("light maps");
    if (!encoder) return;
    const auto& group = causticMap_->threadsPerThreadgroup();
    encoder->setPipeline(*causticMap_);
    encoder->setBytes(ReefSlots::uniforms.index, &mapUniforms_, sizeof mapUniforms_);
    encoder->setTexture(ReefSlots::image0.index, *causticTex_, gpu::ImageAccess::writeOnly);
    encoder->dispatchThreadgroups({groups(causticSize, group[0]), groups(causticSize, group[1]), 1});

    const auto& shaftGroup = shaftMap_->threadsPerThreadgroup();
    encoder->setPipeline(*shaftMap_);
    encoder->setBytes(ReefSlots::uniforms.index, &mapUniforms_, sizeof mapUniforms_);
    encoder->setTexture(ReefSlots::image0.index, *shaftTex_, gpu::ImageAccess::writeOnly, 0);
    encoder->dispatchThreadgroups({groups(shaftSize, shaftGroup[0]), groups(shaftSize, shaftGroup[1]), 1});

    const auto& downGroup = downsample_->threadsPerThreadgroup();
    encoder->setPipeline(*downsample_);
    for (int level = 1; level < shaftTex_->mipmapLevelCount(); ++level) {
        encoder->setTexture(ReefSlots::image0.index, *shaftTex_, gpu::ImageAccess::readOnly, level - 1);
        encoder->setTexture(ReefSlots::image1.index, *shaftTex_, gpu::ImageAccess::writeOnly, level);
        const int w = shaftTex_->levelWidth(level), h = shaftTex_->levelHeight(level);
        encoder->dispatchThreadgroups({groups(w, downGroup[0]), groups(h, downGroup[1]), 1});
    }
    encoder->endEncoding();
    ++mapUpdates_;
}

void DeepReefScene::prepareView(gpu::CommandBuffer& commandBuffer, const SceneView& view, const SceneFrame&) {
    auto it = targets_.find(view.id);
    if (it == targets_.end() || !it->second.fits(view.width, view.height)) {
        auto made = DeepReefTargets::make(device_, view.width, view.height);
        if (it != targets_.end()) targets_.erase(it);
        if (!made) return;
        it = targets_.emplace(view.id, std::move(*made)).first;
    }
    DeepReefTargets& targets = it->second;

    gpu::RenderPassDescriptor pass;
    auto& colour = pass.colorAttachments[0];
    colour.texture = &*targets.msaaColor;
    colour.resolveTexture = &*targets.color;
    colour.loadAction = gpu::LoadAction::dontCare;
    colour.storeAction = gpu::StoreAction::multisampleResolve;
    pass.depthAttachment.texture = &*targets.msaaDepth;
    pass.depthAttachment.resolveTexture = &*targets.depth;
    pass.depthAttachment.loadAction = gpu::LoadAction::clear;
    pass.depthAttachment.clearDepth = 1.0;
    pass.depthAttachment.storeAction = gpu::StoreAction::multisampleResolve;
    auto encoder = commandBuffer.renderEncoder(pass, "reef");
    if (!encoder) return;

    const CameraPose pose = world_->pose(view.displayIndex, view.parallax);
    world_->aimThreat(view, pose);
    if (fishBuffer_) {
        const ReefUniforms uniforms = ReefRecords::uniforms(pose, world_->look(), world_->clock(), view.width,
                                                            view.height, view.pixelScale, featureMask_);
        encodeReef(*encoder, uniforms);
    }
    encoder->endEncoding();
    targets.focus = std::max(0.85f * length(pose.target - pose.eye), 4.0f);
}

void DeepReefScene::encodeReef(gpu::RenderEncoder& encoder, const ReefUniforms& uniforms) {
    encoder.setVertexBytes(ReefSlots::uniforms.index, &uniforms, sizeof uniforms);
    encoder.setFragmentTexture(ReefSlots::map0.index, *causticTex_, &*repeatSampler_);
    encoder.setFragmentTexture(ReefSlots::map1.index, *shaftTex_, &*shaftSampler_);
    encoder.setCullMode(gpu::CullMode::none);
    encoder.setDepthState(gpuContext_.depthWrite());

    const int fishCount = static_cast<int>(world_->fishGPU().size());
    encoder.setVertexBuffer(ReefSlots::species.index, *species_, 0);
    encoder.setPipeline(*fishBody_);
    encoder.setVertexBuffer(ReefSlots::instances.index, *fishBuffer_, 0);
    fishMesh_->draw(encoder, fishCount, std::pair{0, fishBodyIndices_});

    encoder.setPipeline(*reef_);
    reefMesh_->draw(encoder);

    encoder.setPipeline(*strand_);
    encoder.setVertexBuffer(ReefSlots::instances.index, *grassInstances_, 0);
    grassMesh_->draw(encoder, grassCount_);
    encoder.setVertexBuffer(ReefSlots::instances.index, *kelpInstances_, 0);
    kelpMesh_->draw(encoder, kelpCount_);

    encoder.setPipeline(*sand_);
    sandMesh_->draw(encoder);

    encoder.setPipeline(*fish_);
    encoder.setVertexBuffer(ReefSlots::instances.index, *fishBuffer_, 0);
    fishMesh_->draw(encoder, fishCount, std::pair{fishBodyIndices_, fishMesh_->indexCount});

    encoder.setDepthState(gpuContext_.depthRead());
    encoder.setPipeline(*background_);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
    encoder.setPipeline(*snow_);
    encoder.drawPrimitives(gpu::PrimitiveType::point, 0, ReefRecords::snowCount);
}

void DeepReefScene::draw(gpu::RenderEncoder& encoder, const SceneView& view, const SceneFrame&) {
    const auto it = targets_.find(view.id);
    if (it == targets_.end()) return;
    const DeepReefTargets& targets = it->second;
    const float width = static_cast<float>(targets.color->width());
    const float height = static_cast<float>(targets.color->height());
    const DepthOfFieldUniforms record{
        {targets.focus, ReefRecords::blurRadius(view.height, featureMask_), ReefRecords::nearPlane, ReefRecords::farPlane},
        {width, height, 1.0f / width, 1.0f / height}};
    encoder.setDepthState(gpuContext_.depthOff());
    encoder.setPipeline(*dof_);
    encoder.setFragmentBytes(ReefSlots::depthOfField.index, &record, sizeof record);
    encoder.setFragmentTexture(ReefSlots::map0.index, *targets.color);
    encoder.setFragmentTexture(ReefSlots::map1.index, *targets.depth, &*depthSampler_);
    encoder.drawPrimitives(gpu::PrimitiveType::triangle, 0, 3);
}

void DeepReefScene::releaseView(ViewID id) { targets_.erase(id); }

}  // namespace lumen::app
