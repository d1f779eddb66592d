#include "GpuTest.hpp"

#include <cstring>

namespace lumen::gpu::test {
namespace {

class TextureTest : public GpuTest, public ::testing::WithParamInterface<PixelFormat> {};

TEST_P(TextureTest, EveryFormatCreatesInEveryShapeItSupports)
{
    const PixelFormat format = GetParam();
    const auto& info = formatInfo(format);
    const bool depth = isDepthFormat(format);
    auto usage = TextureUsage::shaderRead | TextureUsage::renderTarget;
    if (info.imageStore) {
        usage = usage | TextureUsage::shaderWrite;
    }
    auto plain = device().makeTexture({.format = format, .width = 8, .height = 4, .mipmapLevelCount = 3,
                                       .usage = usage, .label = info.name});
    ASSERT_TRUE(plain.ok()) << plain.error().message;
    EXPECT_EQ(plain->format(), format);
    EXPECT_EQ(plain->mipmapLevelCount(), 3);
    EXPECT_EQ(plain->levelWidth(2), 2);
    EXPECT_EQ(plain->levelHeight(2), 1);

    auto multisample = device().makeTexture({.type = TextureType::type2DMultisample, .format = format, .width = 8,
                                             .height = 4, .sampleCount = 4, .usage = TextureUsage::renderTarget});
    EXPECT_TRUE(multisample.ok()) << multisample.error().message;
    auto memoryless = device().makeTexture({.type = TextureType::type2DMultisample, .format = format, .width = 8,
                                            .height = 4, .sampleCount = 4, .usage = TextureUsage::renderTarget,
                                            .memoryless = true});
    EXPECT_TRUE(memoryless.ok()) << memoryless.error().message;
    if (!depth) {
        auto volume = device().makeTexture({.type = TextureType::type3D, .format = format, .width = 4, .height = 4,
                                            .depth = 4, .usage = usage});
        EXPECT_TRUE(volume.ok()) << volume.error().message;
    }

    // Each renderable colour format also works as a pass attachment.
    if (!depth) {
        auto commands = device().makeCommandBuffer();
        RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &*plain, .loadAction = LoadAction::clear, .clearColor = {1, 0, 0, 1}};
        auto encoder = commands.renderEncoder(pass);
        ASSERT_TRUE(encoder.ok()) << encoder.error().message;
        encoder->endEncoding();
        commands.commit();
        EXPECT_EQ(read(*plain).pixel(0, 0)[0], 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TextureTest,
                         ::testing::Values(PixelFormat::r8Unorm, PixelFormat::rg8Unorm, PixelFormat::rgba8Unorm,
                                           PixelFormat::rgba8Unorm_srgb, PixelFormat::bgra8Unorm,
                                           PixelFormat::r16Float, PixelFormat::rg16Float, PixelFormat::rgba16Float,
                                           PixelFormat::r32Float, PixelFormat::rgba32Float,
                                           PixelFormat::depth32Float),
                         [](const auto& info) { return std::string(formatInfo(info.param).name); });

class TextureUploadTest : public GpuTest {};

TEST_F(TextureUploadTest, ZeroFieldsTakeDefaults)
{
    auto texture = device().makeTexture({.width = 3, .height = 2});
    ASSERT_TRUE(texture.ok());
    EXPECT_EQ(texture->format(), PixelFormat::rgba8Unorm);
    EXPECT_EQ(texture->type(), TextureType::type2D);
    EXPECT_EQ(texture->depth(), 1);
    EXPECT_EQ(texture->mipmapLevelCount(), 1);
    EXPECT_EQ(texture->sampleCount(), 1);
    EXPECT_EQ(texture->usage(), TextureUsage::shaderRead);
}

TEST_F(TextureUploadTest, RegionUploadAndReadBackRoundTrip)
{
    auto texture = device().makeTexture({.format = PixelFormat::r32Float, .width = 4, .height = 3});
    ASSERT_TRUE(texture.ok());
    std::vector<float> zeros(12, 0.0f);
    ASSERT_TRUE(texture->replaceRegion({}, 0, zeros.data()).ok());
    // A 2x2 block at (1, 1), taken from a source whose rows are 3 floats long.
    const float source[6] = {1, 2, 99, 3, 4, 99};
    ASSERT_TRUE(texture->replaceRegion({.x = 1, .y = 1, .width = 2, .height = 2}, 0, source, 3 * sizeof(float)).ok());
    auto bytes = texture->readBytes();
    ASSERT_TRUE(bytes.ok());
    std::vector<float> texels(12);
    std::memcpy(texels.data(), bytes->data(), bytes->size());
    EXPECT_EQ(texels, (std::vector<float>{0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0}));
}

TEST_F(TextureUploadTest, BgraBytesKeepTheirOrderRawAndReadAsRgbaImages)
{
    auto texture = device().makeTexture({.format = PixelFormat::bgra8Unorm, .width = 1, .height = 1});
    ASSERT_TRUE(texture.ok());
    const std::uint8_t bgra[4] = {10, 20, 30, 40};
    ASSERT_TRUE(texture->replaceRegion({}, 0, bgra).ok());
    auto raw = texture->readBytes();
    ASSERT_TRUE(raw.ok());
    EXPECT_EQ(*raw, (std::vector<std::uint8_t>{10, 20, 30, 40}));
    EXPECT_TRUE(near(read(*texture).pixel(0, 0), {30, 20, 10, 40}, 0));
}

TEST_F(TextureUploadTest, UploadsOutsideTheTextureAreRefused)
{
    auto texture = device().makeTexture({.width = 4, .height = 4});
    ASSERT_TRUE(texture.ok());
    const std::uint8_t bytes[64] = {};
    EXPECT_FALSE(texture->replaceRegion({.x = 3, .width = 2, .height = 1}, 0, bytes).ok());
    EXPECT_FALSE(texture->replaceRegion({}, 1, bytes).ok());
    EXPECT_FALSE(texture->replaceRegion({}, 0, nullptr).ok());
    EXPECT_FALSE(texture->replaceRegion({.width = 4, .height = 1}, 0, bytes, 2).ok());  // row shorter than region
    auto samples = target(4, 4, PixelFormat::rgba8Unorm, 4);
    EXPECT_FALSE(samples.replaceRegion({}, 0, bytes).ok());
}

TEST_F(TextureUploadTest, MipmapsAreGeneratedByABlitPass)
{
    auto texture = device().makeTexture({.width = 4, .height = 4, .mipmapLevelCount = 3});
    ASSERT_TRUE(texture.ok());
    std::vector<std::uint8_t> texels(4 * 4 * 4);
    for (std::size_t i = 0; i < texels.size(); i += 4) {
        texels[i] = (i / 4) % 2 ? 200 : 100;  // alternate columns: the 1x1 level averages to 150
        texels[i + 3] = 255;
    }
    ASSERT_TRUE(texture->replaceRegion({}, 0, texels.data()).ok());
    auto commands = device().makeCommandBuffer();
    auto blit = commands.blitEncoder("mipmaps");
    ASSERT_TRUE(blit.ok());
    blit->generateMipmaps(*texture);
    blit->endEncoding();
    commands.commit();
    auto smallest = texture->readBytes(2);
    ASSERT_TRUE(smallest.ok());
    ASSERT_EQ(smallest->size(), 4u);
    EXPECT_NEAR((*smallest)[0], 150, 2);
    EXPECT_EQ((*smallest)[3], 255);
}

TEST_F(TextureUploadTest, InvalidDescriptorsReturnErrors)
{
    const int maxSide = device().info().maxTextureSize;
    const int max3D = device().info().max3DTextureSize;
    const TextureDescriptor bad[] = {
        {.width = 0, .height = 4},
        {.width = 4, .height = -1},
        {.width = maxSide + 1, .height = 4},
        {.width = 1 << 30, .height = 1 << 30},
        {.type = TextureType::type3D, .width = 4, .height = 4, .depth = max3D + 1},
        {.width = 4, .height = 4, .depth = 2},
        {.width = 4, .height = 4, .mipmapLevelCount = 4},
        {.type = TextureType::type2DMultisample, .width = 4, .height = 4, .sampleCount = 3},
        {.type = TextureType::type2DMultisample, .width = 4, .height = 4, .sampleCount = 64},
        {.width = 4, .height = 4, .sampleCount = 4},
        {.format = PixelFormat::rgba8Unorm_srgb, .width = 4, .height = 4, .usage = TextureUsage::shaderWrite},
        {.format = PixelFormat::depth32Float, .width = 4, .height = 4, .usage = TextureUsage::shaderWrite},
        {.width = 4, .height = 4, .usage = TextureUsage::shaderRead, .memoryless = true},
        {.type = TextureType::type3D, .width = 4, .height = 4, .depth = 4, .usage = TextureUsage::renderTarget,
         .memoryless = true},
        {.format = static_cast<PixelFormat>(999), .width = 4, .height = 4},
    };
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        auto texture = device().makeTexture(bad[i]);
        EXPECT_FALSE(texture.ok()) << "descriptor " << i;
        if (!texture.ok()) {
            EXPECT_EQ(texture.error().kind, ErrorKind::invalidDescriptor) << texture.error().message;
        }
    }
}

TEST_F(TextureUploadTest, FramebuffersOfDestroyedTexturesAreDropped)
{
    const auto before = device().cachedFramebufferCount();
    {
        auto colour = target(4, 4);
        auto commands = device().makeCommandBuffer();
        RenderPassDescriptor pass;
        pass.colorAttachments[0] = {.texture = &colour, .loadAction = LoadAction::clear};
        auto encoder = commands.renderEncoder(pass);
        ASSERT_TRUE(encoder.ok());
        encoder->endEncoding();
        commands.commit();
        EXPECT_EQ(device().cachedFramebufferCount(), before + 1);
    }
    EXPECT_EQ(device().cachedFramebufferCount(), before);
}

class BufferTest : public GpuTest {};

TEST_F(BufferTest, ContentsReplaceAndRead)
{
    const std::uint32_t words[4] = {1, 2, 3, 4};
    auto buffer = device().makeBuffer({.size = sizeof words, .contents = words, .label = "words"});
    ASSERT_TRUE(buffer.ok());
    EXPECT_EQ(buffer->size(), 16u);
    EXPECT_EQ(buffer->label(), "words");
    const std::uint32_t nine = 9;
    ASSERT_TRUE(buffer->replace(8, &nine, sizeof nine).ok());
    auto bytes = buffer->read(4, 8);
    ASSERT_TRUE(bytes.ok());
    std::uint32_t back[2];
    std::memcpy(back, bytes->data(), sizeof back);
    EXPECT_EQ(back[0], 2u);
    EXPECT_EQ(back[1], 9u);
    EXPECT_FALSE(buffer->replace(12, words, 8).ok());
    EXPECT_FALSE(buffer->read(20).ok());
}

TEST_F(BufferTest, NewBuffersAreZeroed)
{
    auto buffer = device().makeBuffer({.size = 64});
    ASSERT_TRUE(buffer.ok());
    auto bytes = buffer->read();
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(*bytes, std::vector<std::uint8_t>(64, 0));
}

TEST_F(BufferTest, InvalidSizesReturnErrors)
{
    auto empty = device().makeBuffer({.size = 0, .label = "empty"});
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error().kind, ErrorKind::invalidDescriptor);
    EXPECT_NE(empty.error().message.find("empty"), std::string::npos);
    auto huge = device().makeBuffer({.size = std::size_t{1} << 40, .label = "huge"});
    ASSERT_FALSE(huge.ok());
    EXPECT_NE(huge.error().message.find("huge"), std::string::npos);
}

}  // namespace
}  // namespace lumen::gpu::test
