#include "support/HostTestScenes.hpp"
#include "support/RenderTest.hpp"

#include "scenekit/SceneClasses.hpp"
#include "render/SceneSurfaceView.hpp"

namespace lumen::app::test {
namespace {

class SceneSurfaceViewTest : public RenderTest {
protected:
    gpu::Texture drawable(int width, int height) {
        auto made = dev().makeTexture({.format = gpu::PixelFormat::bgra8Unorm,
                                       .width = width,
                                       .height = height,
                                       .usage = gpu::TextureUsage::renderTarget | gpu::TextureUsage::shaderRead,
                                       .label = "test drawable"});
        EXPECT_TRUE(made.ok()) << made.error().message;
        return std::move(made.value());
    }
};

TEST(SceneSurfaceViewState, StartsPausedWithoutTargets) {
    SceneSurfaceView surface;
    EXPECT_EQ(surface.id(), static_cast<const void*>(&surface));
    EXPECT_EQ(surface.decision(), RenderDecision::paused(PauseReason::user));
    EXPECT_EQ(surface.pacer().targetFPS(), 30);
    EXPECT_FALSE(surface.pacer().nextDue().has_value());
    EXPECT_EQ(surface.scale(), 1);
    EXPECT_FALSE(surface.hasFrame());
    EXPECT_FALSE(surface.wantsStill());
    EXPECT_FALSE(surface.inWindow());
    EXPECT_EQ(surface.drawableWidth(), 1);
    EXPECT_EQ(surface.targetsSampleCount(), 0);
    EXPECT_FALSE(surface.cachedPass().has_value());
}

TEST(SceneSurfaceViewState, StillNeedsAWindowAndAWideDrawable) {
    SceneSurfaceView surface;
    int linkChanges = 0;
    surface.onLinkChange = [&linkChanges] { ++linkChanges; };

    surface.requestStill();  // not in a window
    surface.setDetachedState(true, 1, 300);
    surface.requestStill();  // one pixel wide
    surface.setDetachedState(false, 300, 200);
    surface.requestStill();
    EXPECT_FALSE(surface.wantsStill());
    EXPECT_EQ(linkChanges, 0);

    surface.setDetachedState(true, 2, 1);
    surface.requestStill();
    EXPECT_TRUE(surface.wantsStill());
    EXPECT_EQ(linkChanges, 1);

    SceneSurfaceView unlinked;  // no driver yet: only the flag
    unlinked.setDetachedState(true, 64, 64);
    unlinked.requestStill();
    EXPECT_TRUE(unlinked.wantsStill());
}

TEST_F(SceneSurfaceViewTest, SingleSamplePassDrawsStraightIntoTheDrawable) {
    SceneSurfaceView surface;
    auto first = drawable(32, 16);
    const auto* pass = surface.renderPass(first, 1, dev());
    ASSERT_NE(pass, nullptr);
    ASSERT_TRUE(surface.cachedPass().has_value());
    EXPECT_EQ(pass, &*surface.cachedPass());
    EXPECT_EQ(surface.targetsSampleCount(), 1);
    EXPECT_FALSE(surface.msaaColor().has_value());

    const auto& colour = pass->colorAttachments[0];
    EXPECT_EQ(colour.texture, &first);
    EXPECT_EQ(colour.resolveTexture, nullptr);
    EXPECT_EQ(colour.loadAction, gpu::LoadAction::dontCare);
    EXPECT_EQ(colour.storeAction, gpu::StoreAction::store);
    EXPECT_EQ(pass->colorAttachments[1].texture, nullptr);

    ASSERT_TRUE(surface.depth().has_value());
    EXPECT_EQ(pass->depthAttachment.texture, &*surface.depth());
    EXPECT_EQ(pass->depthAttachment.loadAction, gpu::LoadAction::clear);
    EXPECT_EQ(pass->depthAttachment.storeAction, gpu::StoreAction::dontCare);
    EXPECT_EQ(pass->depthAttachment.clearDepth, 1.0);
    EXPECT_EQ(surface.depth()->format(), gpu::PixelFormat::depth32Float);
    EXPECT_EQ(surface.depth()->width(), 32);
    EXPECT_EQ(surface.depth()->height(), 16);
    EXPECT_EQ(surface.depth()->sampleCount(), 1);
    EXPECT_TRUE(surface.depth()->isMemoryless());

    // The next drawable of the same size reuses everything.
    const auto depthSerial = surface.depth()->serial();
    auto second = drawable(32, 16);
    EXPECT_EQ(surface.renderPass(second, 1, dev()), pass);
    EXPECT_EQ(pass->colorAttachments[0].texture, &second);
    EXPECT_EQ(surface.depth()->serial(), depthSerial);
}

TEST_F(SceneSurfaceViewTest, TargetsAreRebuiltForANewSizeOrSampleCount) {
    SceneSurfaceView surface;
    auto small = drawable(32, 16);
    ASSERT_NE(surface.renderPass(small, 1, dev()), nullptr);
    const auto smallDepth = surface.depth()->serial();

    auto large = drawable(64, 40);
    const auto* pass = surface.renderPass(large, 1, dev());
    ASSERT_NE(pass, nullptr);
    EXPECT_NE(surface.depth()->serial(), smallDepth);
    EXPECT_EQ(surface.depth()->width(), 64);
    EXPECT_EQ(surface.depth()->height(), 40);
    EXPECT_EQ(pass->colorAttachments[0].texture, &large);

    pass = surface.renderPass(large, 4, dev());
    ASSERT_NE(pass, nullptr);
    EXPECT_EQ(surface.targetsSampleCount(), 4);
    ASSERT_TRUE(surface.msaaColor().has_value());
    EXPECT_EQ(surface.msaaColor()->type(), gpu::TextureType::type2DMultisample);
    EXPECT_EQ(surface.msaaColor()->format(), gpu::PixelFormat::bgra8Unorm);
    EXPECT_EQ(surface.msaaColor()->sampleCount(), 4);
    EXPECT_TRUE(surface.msaaColor()->isMemoryless());
    EXPECT_EQ(surface.depth()->sampleCount(), 4);
    const auto& colour = pass->colorAttachments[0];
    EXPECT_EQ(colour.texture, &*surface.msaaColor());
    EXPECT_EQ(colour.resolveTexture, &large);
    EXPECT_EQ(colour.storeAction, gpu::StoreAction::multisampleResolve);
    EXPECT_EQ(colour.loadAction, gpu::LoadAction::dontCare);

    // Multisampled reuse swaps the resolve target only.
    const auto msaaSerial = surface.msaaColor()->serial();
    auto next = drawable(64, 40);
    EXPECT_EQ(surface.renderPass(next, 4, dev()), pass);
    EXPECT_EQ(pass->colorAttachments[0].texture, &*surface.msaaColor());
    EXPECT_EQ(pass->colorAttachments[0].resolveTexture, &next);
    EXPECT_EQ(surface.msaaColor()->serial(), msaaSerial);

    // Back to one sample: the multisample target goes.
    pass = surface.renderPass(next, 1, dev());
    ASSERT_NE(pass, nullptr);
    EXPECT_FALSE(surface.msaaColor().has_value());
    EXPECT_EQ(pass->colorAttachments[0].texture, &next);
    EXPECT_EQ(pass->colorAttachments[0].resolveTexture, nullptr);
    EXPECT_EQ(surface.depth()->sampleCount(), 1);
}

TEST_F(SceneSurfaceViewTest, DropTargetsForgetsThePass) {
    SceneSurfaceView surface;
    auto target = drawable(16, 16);
    ASSERT_NE(surface.renderPass(target, 4, dev()), nullptr);
    surface.dropTargets();
    EXPECT_FALSE(surface.cachedPass().has_value());
    EXPECT_FALSE(surface.msaaColor().has_value());
    EXPECT_FALSE(surface.depth().has_value());
    EXPECT_EQ(surface.targetsSampleCount(), 0);
    EXPECT_NE(surface.renderPass(target, 4, dev()), nullptr);
    EXPECT_TRUE(surface.msaaColor().has_value());
}

TEST_F(SceneSurfaceViewTest, MultisamplePassResolvesTheSceneIntoTheDrawable) {
    registerHostTestScenes();
    const auto info = hostTestInfo("msaa", "HostTestMsaa");
    auto scene = makeScene(info, gpu());
    SceneSurfaceView surface;
    auto target = drawable(24, 24);
    for (int frame = 0; frame < 2; ++frame) {  // a fresh pass, then the cached one
        const auto* pass = surface.renderPass(target, 4, dev());
        ASSERT_NE(pass, nullptr);
        auto commands = dev().makeCommandBuffer("surface test");
        auto encoder = commands.renderEncoder(*pass);
        ASSERT_TRUE(encoder.ok()) << encoder.error().message;
        EXPECT_EQ(encoder->sampleCount(), 4);
        SceneView view;
        view.id = surface.id();
        view.width = view.height = 24;
        scene->draw(*encoder, view, SceneFrame{});
        EXPECT_EQ(encoder->drawCount(), 1);
        encoder->endEncoding();
        commands.commit();
    }
    const auto image = gpu::readImageRGBA8(dev(), target);
    ASSERT_TRUE(image.ok());
    for (auto [x, y] : {std::pair{0, 0}, std::pair{23, 23}, std::pair{12, 5}}) {
        const auto pixel = image->pixel(x, y);
        EXPECT_EQ(pixel[0], 0);
        EXPECT_EQ(pixel[1], 255);
        EXPECT_EQ(pixel[2], 0);
    }
    scene.reset();
    removeHostTestScenes();
}

}  // namespace
}  // namespace lumen::app::test
