#include "gpu/Texture.hpp"

#include "gpu/Device.hpp"
#include "gpu/gl/FramebufferCache.hpp"
#include "gpu/gl/Runtime.hpp"

#include <epoxy/gl.h>

#include <algorithm>
#include <utility>

namespace lumen::gpu {

namespace {

std::uint64_t nextSerial = 1;

std::string named(std::string_view label)
{
    return label.empty() ? std::string("texture") : "texture \"" + std::string(label) + "\"";
}

Error invalid(std::string_view label, const std::string& why)
{
    return makeError(ErrorKind::invalidDescriptor, named(label) + ": " + why);
}

int fullMipCount(int width, int height, int depth)
{
    int largest = std::max({width, height, depth});
    int levels = 1;
    while (largest > 1) {
        largest /= 2;
        ++levels;
    }
    return levels;
}

// Binds on the unit shaders never use, so uploads and readbacks leave encoder bindings alone.
void bindForEdit(const Texture& texture)
{
    glActiveTexture(GL_TEXTURE0 + detail::runtime()->scratchTextureUnit);
    glBindTexture(texture.glTarget(), texture.glName());
}

}  // namespace

Result<Texture> Texture::create(Device& device, const TextureDescriptor& d)
{
    const auto& info = device.info();
    Texture t;
    t.type_ = d.type;
    t.format_ = d.format == PixelFormat::invalid ? PixelFormat::rgba8Unorm : d.format;
    t.width_ = d.width;
    t.height_ = d.height;
    t.depth_ = d.depth == 0 ? 1 : d.depth;
    t.levels_ = d.mipmapLevelCount == 0 ? 1 : d.mipmapLevelCount;
    t.samples_ = d.sampleCount == 0 ? 1 : d.sampleCount;
    t.usage_ = d.usage == TextureUsage::none ? TextureUsage::shaderRead : d.usage;
    t.memoryless_ = d.memoryless;
    t.label_ = std::string(d.label);

    const auto& format = formatInfo(t.format_);
    if (format.internalFormat == 0) {
        return invalid(d.label, "unknown pixel format");
    }
    if (t.width_ < 1 || t.height_ < 1 || t.depth_ < 1) {
        return invalid(d.label, "size " + std::to_string(d.width) + "x" + std::to_string(d.height) +
                                    "x" + std::to_string(t.depth_) + " has a zero or negative side");
    }
    const int maxSide = t.type_ == TextureType::type3D ? info.max3DTextureSize : info.maxTextureSize;
    if (t.width_ > maxSide || t.height_ > maxSide || t.depth_ > maxSide) {
        return invalid(d.label, "size " + std::to_string(t.width_) + "x" + std::to_string(t.height_) +
                                    "x" + std::to_string(t.depth_) + " exceeds the device's " +
                                    std::to_string(maxSide));
    }
    if (t.type_ != TextureType::type3D && t.depth_ != 1) {
        return invalid(d.label, "a 2D texture has depth 1");
    }
    if (t.levels_ < 1 || t.levels_ > fullMipCount(t.width_, t.height_, t.depth_)) {
        return invalid(d.label, std::to_string(t.levels_) + " mipmap levels is more than the size allows");
    }
    if (t.samples_ < 1 || t.samples_ > info.maxSamples || (t.samples_ & (t.samples_ - 1)) != 0) {
        return invalid(d.label, "sample count " + std::to_string(t.samples_) + " is not supported (max " +
                                    std::to_string(info.maxSamples) + ")");
    }
    if (t.type_ != TextureType::type2DMultisample && t.samples_ != 1) {
        return invalid(d.label, "only type2DMultisample takes a sample count");
    }
    if (t.type_ == TextureType::type2DMultisample && t.levels_ != 1) {
        return invalid(d.label, "a multisample texture has one mipmap level");
    }
    if (contains(t.usage_, TextureUsage::shaderWrite) && !format.imageStore) {
        return invalid(d.label, std::string(format.name) + " cannot be written by shaders");
    }
    if (t.memoryless_) {
        if (t.usage_ != TextureUsage::renderTarget) {
            return invalid(d.label, "a memoryless texture is only a render target");
        }
        if (t.type_ == TextureType::type3D || t.levels_ != 1) {
            return invalid(d.label, "a memoryless texture is 2D with one level");
        }
    }

    detail::clearGlErrors();
    GLuint name = 0;
    if (t.memoryless_) {
        glGenRenderbuffers(1, &name);
        glBindRenderbuffer(GL_RENDERBUFFER, name);
        glRenderbufferStorageMultisample(GL_RENDERBUFFER, t.samples_ > 1 ? t.samples_ : 0,
                                         format.internalFormat, t.width_, t.height_);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
    } else {
        glGenTextures(1, &name);
        t.name_ = name;
        bindForEdit(t);
        switch (t.type_) {
        case TextureType::type2D:
            glTexStorage2D(GL_TEXTURE_2D, t.levels_, format.internalFormat, t.width_, t.height_);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, t.levels_ - 1);
            break;
        case TextureType::type2DMultisample:
            glTexStorage2DMultisample(GL_TEXTURE_2D_MULTISAMPLE, t.samples_, format.internalFormat,
                                      t.width_, t.height_, GL_TRUE);
            break;
        case TextureType::type3D:
            glTexStorage3D(GL_TEXTURE_3D, t.levels_, format.internalFormat, t.width_, t.height_, t.depth_);
            glTexParameteri(GL_TEXTURE_3D, GL_TEXTURE_MAX_LEVEL, t.levels_ - 1);
            break;
        }
        glBindTexture(t.glTarget(), 0);
    }
    const GLenum error = detail::takeGlError();
    if (error != GL_NO_ERROR) {
        if (t.memoryless_) {
            glDeleteRenderbuffers(1, &name);
        } else {
            glDeleteTextures(1, &name);
        }
        t.name_ = 0;
        return makeError(error == GL_OUT_OF_MEMORY ? ErrorKind::outOfMemory : ErrorKind::invalidDescriptor,
                         named(d.label) + ": the driver refused it (" + detail::glErrorName(error) + ")");
    }
    t.name_ = name;
    t.serial_ = nextSerial++;
    detail::labelObject(t.memoryless_ ? GL_RENDERBUFFER : GL_TEXTURE, name, d.label);
    return t;
}

Texture::Texture(Texture&& other) noexcept
    : name_(std::exchange(other.name_, 0)), serial_(std::exchange(other.serial_, 0)),
      type_(other.type_), format_(other.format_), width_(other.width_), height_(other.height_),
      depth_(other.depth_), levels_(other.levels_), samples_(other.samples_), usage_(other.usage_),
      memoryless_(other.memoryless_), label_(std::move(other.label_))
{
}

Texture& Texture::operator=(Texture&& other) noexcept
{
    if (this != &other) {
        release();
        name_ = std::exchange(other.name_, 0);
        serial_ = std::exchange(other.serial_, 0);
        type_ = other.type_;
        format_ = other.format_;
        width_ = other.width_;
        height_ = other.height_;
        depth_ = other.depth_;
        levels_ = other.levels_;
        samples_ = other.samples_;
        usage_ = other.usage_;
        memoryless_ = other.memoryless_;
        label_ = std::move(other.label_);
    }
    return *this;
}

Texture::~Texture() { release(); }

void Texture::release()
{
    auto* rt = detail::runtime();
    if (name_ != 0 && rt) {
        // Framebuffers keep deleted attachments alive; drop the ones that name this texture.
        if (rt->framebuffers) {
            rt->framebuffers->forget(serial_);
        }
        if (memoryless_) {
            glDeleteRenderbuffers(1, &name_);
        } else {
            glDeleteTextures(1, &name_);
        }
    }
    name_ = 0;
}

unsigned Texture::glTarget() const
{
    if (memoryless_) {
        return GL_RENDERBUFFER;
    }
    switch (type_) {
    case TextureType::type2D: return GL_TEXTURE_2D;
    case TextureType::type2DMultisample: return GL_TEXTURE_2D_MULTISAMPLE;
    case TextureType::type3D: return GL_TEXTURE_3D;
    }
    return GL_TEXTURE_2D;
}

int Texture::levelWidth(int level) const { return std::max(width_ >> level, 1); }
int Texture::levelHeight(int level) const { return std::max(height_ >> level, 1); }
int Texture::levelDepth(int level) const
{
    return type_ == TextureType::type3D ? std::max(depth_ >> level, 1) : 1;
}

Result<void> Texture::replaceRegion(const TextureRegion& region, int level, const void* bytes,
                                    std::size_t bytesPerRow, std::size_t bytesPerImage)
{
    if (name_ == 0 || memoryless_ || type_ == TextureType::type2DMultisample) {
        return invalid(label_, "only 2D and 3D textures with storage take uploads");
    }
    if (level < 0 || level >= levels_ || bytes == nullptr) {
        return invalid(label_, "upload to level " + std::to_string(level) + " without bytes or level");
    }
    const int lw = levelWidth(level), lh = levelHeight(level), ld = levelDepth(level);
    const int w = region.width == 0 ? lw - region.x : region.width;
    const int h = region.height == 0 ? lh - region.y : region.height;
    const int dd = region.depth == 0 ? ld - region.z : region.depth;
    if (region.x < 0 || region.y < 0 || region.z < 0 || w < 1 || h < 1 || dd < 1 ||
        region.x + w > lw || region.y + h > lh || region.z + dd > ld) {
        return invalid(label_, "upload region lies outside level " + std::to_string(level));
    }
    const auto& format = formatInfo(format_);
    if (bytesPerRow % format.bytesPerPixel != 0 || bytesPerImage % format.bytesPerPixel != 0) {
        return invalid(label_, "row and image strides must be whole pixels");
    }
    const auto rowPixels = bytesPerRow / format.bytesPerPixel;
    const auto rowBytes = bytesPerRow == 0 ? w * format.bytesPerPixel : bytesPerRow;
    if (bytesPerImage != 0 && (bytesPerImage % rowBytes != 0)) {
        return invalid(label_, "image stride must be whole rows");
    }
    if ((rowPixels != 0 && rowPixels < static_cast<std::size_t>(w)) ||
        (bytesPerImage != 0 && bytesPerImage / rowBytes < static_cast<std::size_t>(h))) {
        return invalid(label_, "strides are shorter than the region");
    }

    detail::clearGlErrors();
    bindForEdit(*this);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(rowPixels));
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, static_cast<GLint>(bytesPerImage / rowBytes));
    if (type_ == TextureType::type3D) {
        glTexSubImage3D(GL_TEXTURE_3D, level, region.x, region.y, region.z, w, h, dd,
                        format.uploadFormat, format.uploadType, bytes);
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, level, region.x, region.y, w, h, format.uploadFormat,
                        format.uploadType, bytes);
    }
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_IMAGE_HEIGHT, 0);
    glBindTexture(glTarget(), 0);
    const GLenum error = detail::takeGlError();
    if (error != GL_NO_ERROR) {
        return makeError(ErrorKind::invalidDescriptor,
                         named(label_) + ": upload failed (" + detail::glErrorName(error) + ")");
    }
    detail::countUpload(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * static_cast<std::size_t>(dd) *
                        format.bytesPerPixel);
    return {};
}

Result<std::vector<std::uint8_t>> Texture::readBytes(int level) const
{
    if (name_ == 0 || memoryless_ || type_ == TextureType::type2DMultisample) {
        return invalid(label_, "memoryless and multisample textures cannot be read back");
    }
    if (level < 0 || level >= levels_) {
        return invalid(label_, "no level " + std::to_string(level));
    }
    const auto& format = formatInfo(format_);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(levelWidth(level)) * levelHeight(level) *
                                    levelDepth(level) * format.bytesPerPixel);
    // Image stores from compute are incoherent with reads until this barrier.
    glMemoryBarrier(GL_TEXTURE_UPDATE_BARRIER_BIT);
    bindForEdit(*this);
    glGetTexImage(glTarget(), level, format.uploadFormat, format.uploadType, bytes.data());
    glBindTexture(glTarget(), 0);
    return bytes;
}

}  // namespace lumen::gpu
