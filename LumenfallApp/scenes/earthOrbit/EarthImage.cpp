#include "scenes/earthOrbit/EarthImage.hpp"

#include "scenekit/SceneError.hpp"

#include "log/EventLog.hpp"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <algorithm>
#include <cmath>

namespace lumen::app {

gpu::Texture loadEarthImage(gpu::Device& device, const std::filesystem::path& folder, const std::string& name,
                            bool srgb) {
    const std::filesystem::path path = folder / (name + ".jpg");
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        logEvent("earthOrbit: the image " + path.string() + " is missing");
        throw SceneException(SceneError::resource(name));
    }
    QImageReader reader(QString::fromStdString(path.string()));
    QImage image = reader.read();
    if (image.isNull()) {
        const std::string reason = reader.errorString().toStdString();
        logEvent("earthOrbit: the image " + path.string() + " can't be read: " + reason);
        throw SceneException(SceneError::resource(name + ": " + reason));
    }
    image = image.convertToFormat(QImage::Format_RGBA8888);
    const int levels = 1 + static_cast<int>(std::floor(std::log2(std::max(image.width(), image.height()))));
    auto texture = device.makeTexture({
        .format = srgb ? gpu::PixelFormat::rgba8Unorm_srgb : gpu::PixelFormat::rgba8Unorm,
        .width = image.width(),
        .height = image.height(),
        .mipmapLevelCount = levels,
        .usage = gpu::TextureUsage::shaderRead,
        .label = name,
    });
    if (!texture) throw SceneException(SceneError::resource(name));
    const auto stored = texture->replaceRegion({}, 0, image.constBits(), static_cast<std::size_t>(image.bytesPerLine()));
    auto commands = device.makeCommandBuffer(name);
    auto blit = commands.blitEncoder(name);
    if (!stored || !blit) throw SceneException(SceneError::resource(name));
    blit->generateMipmaps(*texture);
    blit->endEncoding();
    commands.commit();
    return std::move(texture.value());
}

}  // namespace lumen::app
