#include "GpuTest.hpp"

#include <cstring>

namespace lumen::gpu::test {
namespace {

using TextureTest = GpuTest;

TEST_F(TextureTest, InvalidDescriptorsReturnErrors)
{
    const int maxSide = device().info().maxTextureSize, max3D = device().info().max3DTextureSize;
    using T = TextureType;
    const TextureDescriptor bad[] = {
        {.width = 0, .height = 4}, {.width = 4, .height = -1}, {.width = maxSide + 1, .height = 4},
        {.width = 1 << 30, .height = 1 << 30}, {.type = T::type3D, .width = 4, .height = 4, .depth = max3D + 1},
        {.width = 4, .height = 4, .depth = 2}, {.width = 4, .height = 4, .mipmapLevelCount = 4},
        {.type = T::type2DMultisample, .width = 4, .height = 4, .sampleCount = 3},
        {.type = T::type2DMultisample, .width = 4, .height = 4, .sampleCount = 64},
        {.width = 4, .height = 4, .sampleCount = 4},
        {.format = PixelFormat::rgba8Unorm_srgb, .width = 4, .height = 4, .usage = TextureUsage::shaderWrite},
        {.format = PixelFormat::depth32Float, .width = 4, .height = 4, .usage = TextureUsage::shaderWrite},
        {.width = 4, .height = 4, .usage = TextureUsage::shaderRead, .memoryless = true},
        {.type = T::type3D, .width = 4, .height = 4, .depth = 4, .usage = TextureUsage::renderTarget,
         .memoryless = true},
        {.format = static_cast<PixelFormat>(999), .width = 4, .height = 4},
    };
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        auto texture = device().makeTexture(bad[i]);
        ASSERT_FALSE(texture.ok()) << "descriptor " << i;
        EXPECT_EQ(texture.error().kind, ErrorKind::invalidDescriptor) << texture.error().message;
    }
}

TEST_F(TextureTest, UploadsLandWhereTheyAreToldAndNowhereElse)
{
    auto texture = device().makeTexture({.format = PixelFormat::r32Float, .width = 4, .height = 3});
    ASSERT_TRUE(texture.ok());
    std::vector<float> texels(12, 0.0f);
    ASSERT_TRUE(texture->replaceRegion({}, 0, texels.data()).ok());
    // A 2x2 block at (1, 1), taken from a source whose rows are 3 floats long.
    const float source[6] = {1, 2, 99, 3, 4, 99};
    ASSERT_TRUE(texture->replaceRegion({.x = 1, .y = 1, .width = 2, .height = 2}, 0, source, 3 * sizeof(float)).ok());
    auto bytes = texture->readBytes();
    ASSERT_TRUE(bytes.ok());
    std::memcpy(texels.data(), bytes->data(), bytes->size());
    EXPECT_EQ(texels, (std::vector<float>{0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0}));

    const std::uint8_t none[64] = {};
    EXPECT_FALSE(texture->replaceRegion({.x = 3, .width = 2, .height = 1}, 0, none).ok());
    EXPECT_FALSE(texture->replaceRegion({}, 1, none).ok());
    EXPECT_FALSE(texture->replaceRegion({}, 0, nullptr).ok());
    EXPECT_FALSE(texture->replaceRegion({.width = 4, .height = 1}, 0, none, 2).ok());  // rows shorter than the region
    EXPECT_FALSE(target(4, 4, PixelFormat::rgba8Unorm, 4).replaceRegion({}, 0, none).ok());

    // BGRA bytes stay as they are raw, and read back as RGBA images.
    auto bgra = device().makeTexture({.format = PixelFormat::bgra8Unorm, .width = 1, .height = 1});
    const std::uint8_t pixel[4] = {10, 20, 30, 40};
    ASSERT_TRUE(bgra && bgra->replaceRegion({}, 0, pixel));
    EXPECT_EQ(bgra->readBytes().value(), (std::vector<std::uint8_t>{10, 20, 30, 40}));
    EXPECT_TRUE(near(read(*bgra).pixel(0, 0), {30, 20, 10, 40}));
}

}  // namespace
}  // namespace lumen::gpu::test
