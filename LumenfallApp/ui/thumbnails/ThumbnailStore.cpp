#include "ui/thumbnails/ThumbnailStore.hpp"

#include "app/CommandLine.hpp"
#include "app/SceneStill.hpp"
#include "render/SceneHost.hpp"
#include "scenekit/GpuContext.hpp"
#include "services/ProductIdentity.hpp"

#include "log/EventLog.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <new>

namespace lumen::app {

namespace {

constexpr double pixelRatio = 2;
// A still runs this far ahead so moving parts are spread out as they are when watched.
constexpr double prewarmSeconds = 12;
constexpr std::uint64_t fnvOffset = 0xCBF29CE484222325ull;
constexpr std::uint64_t fnvPrime = 0x100000001B3ull;

QString orZero(const char* text) { return text && *text ? QString::fromUtf8(text) : QStringLiteral("0"); }

// Whatever size the picture came in, the store keeps the one size the views lay out for.
QImage normalized(QImage image) {
    if (image.width() != ThumbnailStore::fullWidth || image.height() != ThumbnailStore::fullHeight) {
        image = image.scaled(ThumbnailStore::fullWidth, ThumbnailStore::fullHeight, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    }
    image.setDevicePixelRatio(pixelRatio);
    return image;
}

std::optional<QImage> loadImage(const QString& path) {
    QImage image;
    if (!QFileInfo::exists(path) || !image.load(path) || image.isNull()) return std::nullopt;
    return normalized(std::move(image));
}

}  // namespace

ThumbnailStore::Options ThumbnailStore::standardOptions() {
    // The shaders' folder only changes with the installation, so one hash serves the process.
    static const QString version = [] {
        return cacheVersion(orZero(productVersion()), orZero(productBuild()),
                            QString::fromStdString(GpuContext::shaderDirectory()));
    }();
    Options options;
    // Shipped thumbnails sit beside the shaders: bin/ in the build tree, share/lumenfall installed.
    const QFileInfo shaders(QString::fromStdString(GpuContext::shaderDirectory()));
    options.shippedFolders = {shaders.dir().filePath(QStringLiteral("Thumbnails"))};
    options.cacheFolder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                          QStringLiteral("/Lumenfall-thumbs");
    options.cacheVersion = version;
    return options;
}

QString ThumbnailStore::cacheVersion(const QString& version, const QString& build, const QString& shaderFolder) {
    std::uint64_t hash = fnvOffset;
    const QDir folder(shaderFolder);
    for (const QString& name : folder.entryList({QStringLiteral("*.glsl")}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const char byte : file.readAll()) {
            hash = (hash ^ static_cast<std::uint8_t>(byte)) * fnvPrime;
        }
    }
    return version + QLatin1Char('-') + build + QLatin1Char('-') + QString::number(hash, 36);
}

QImage ThumbnailStore::makeSmall(const QImage& full) {
    QImage small(smallWidth, smallHeight, QImage::Format_ARGB32_Premultiplied);
    small.fill(Qt::transparent);
    // Qt's smooth downscale averages whole areas; the painter alone would only sample bilinearly.
    QImage scaled = full.scaled(smallWidth, smallHeight, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(1);
    {
        QPainter painter(&small);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(0, 0, smallWidth, smallHeight), smallCornerRadius, smallCornerRadius);
        painter.setClipPath(clip);
        painter.drawImage(QPointF((smallWidth - scaled.width()) / 2.0, (smallHeight - scaled.height()) / 2.0), scaled);
    }
    small.setDevicePixelRatio(pixelRatio);
    return small;
}

ThumbnailStore::ThumbnailStore(Options options, QObject* parent) : QObject(parent), options_(std::move(options)) {
    timer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, and the spacing is a lower bound.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ThumbnailStore::processNext);
}

ThumbnailStore::~ThumbnailStore() = default;

void ThumbnailStore::loadShipped(const std::vector<SceneInfo>& scenes) {
    for (const auto& info : scenes) {
        if (full_.contains(info.id.text())) continue;
        if (auto shipped = shippedImage(info.id)) store(info.id, std::move(*shipped));
    }
}

std::optional<QImage> ThumbnailStore::image(const SceneInfo& info) {
    if (auto found = full_.find(info.id.text()); found != full_.end()) return found->second;
    request(info);
    return std::nullopt;
}

std::optional<QImage> ThumbnailStore::smallImage(const SceneInfo& info) {
    if (auto found = small_.find(info.id.text()); found != small_.end()) return found->second;
    auto full = image(info);
    if (!full) return std::nullopt;
    return small_.emplace(info.id.text(), makeSmall(*full)).first->second;
}

void ThumbnailStore::request(const SceneInfo& info) {
    if (full_.contains(info.id.text())) return;
    if (std::any_of(queue_.begin(), queue_.end(), [&](const SceneInfo& queued) { return queued.id == info.id; })) {
        return;
    }
    queue_.push_back(info);
    if (!timer_.isActive()) schedule();
}

QString ThumbnailStore::cacheFile(const SceneID& id) const {
    return options_.cacheFolder + QLatin1Char('/') + QString::fromStdString(id.text()) + QLatin1Char('-') +
           options_.cacheVersion + QStringLiteral(".png");
}

void ThumbnailStore::schedule() { timer_.start(options_.spacing); }

void ThumbnailStore::processNext() {
    if (queue_.empty()) return;
    const SceneInfo info = queue_.front();
    queue_.pop_front();
    if (auto shipped = shippedImage(info.id)) {
        store(info.id, std::move(*shipped));
    } else if (auto cached = cachedImage(info.id)) {
        store(info.id, std::move(*cached));
    } else if (auto rendered = renderedImage(info)) {
        writeCache(info.id, *rendered);
        store(info.id, std::move(*rendered));
    }
    // Also after a step that found nothing, so no two renders come closer than the spacing.
    schedule();
}

void ThumbnailStore::store(const SceneID& id, QImage image) {
    small_.erase(id.text());
    full_[id.text()] = std::move(image);
    emit changed(QString::fromStdString(id.text()));
}

std::optional<QImage> ThumbnailStore::shippedImage(const SceneID& id) const {
    const QString name = QString::fromStdString(id.text()) + QStringLiteral("-thumb.png");
    for (const auto& folder : options_.shippedFolders) {
        if (auto image = loadImage(folder + QLatin1Char('/') + name)) return image;
    }
    return std::nullopt;
}

std::optional<QImage> ThumbnailStore::cachedImage(const SceneID& id) const { return loadImage(cacheFile(id)); }

std::optional<QImage> ThumbnailStore::renderedImage(const SceneInfo& info) {
    if (!host_) return std::nullopt;
    StillRequest request{.info = info,
                         .width = fullWidth,
                         .height = fullHeight,
                         .options = cli::sceneOptions(info, {}).values,
                         .hour = info.thumbnailHour,
                         .place = host_->place(),
                         .seconds = prewarmSeconds};
    Still still;
    try {
        still = renderStill(*host_, request, host_->environment());
    } catch (const std::bad_alloc&) {
        still.error = "out of memory";
    }
    if (!still.image) {
        logEvent("thumbnail of " + info.id.text() + " not rendered: " + still.error);
        return std::nullopt;
    }
    return normalized(imageView(*still.image).copy());
}

void ThumbnailStore::writeCache(const SceneID& id, const QImage& image) const {
    QDir().mkpath(options_.cacheFolder);
    // QSaveFile writes beside the target and renames, so a reader never meets half a picture.
    QSaveFile file(cacheFile(id));
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        logEvent("thumbnail cache " + cacheFile(id).toStdString() + " not written: " + file.errorString().toStdString());
    }
}

}  // namespace lumen::app
