// Vertex buffers, index buffers and textures of the device.
//
// Every resource keeps a CPU copy, as the managed pool does: Lock and LockRect hand out pointers
// into it and the last Unlock uploads what was written to OpenGL. A resource holds a reference on its
// device, so the device (and its context) outlives everything created on it.
#include <squish.h>

#include <algorithm>
#include <cstring>

#include "platform/d3d9/dxt.h"
#include "platform/d3d9/internal.h"

namespace d3d9 {

// ---- Buffers ------------------------------------------------------------------------------------

BufferStore::BufferStore(Device* device, UINT length, GLenum target) : device_(device), target_(target)
{
    data_.assign(length, 0);
    device_->Activate();
    glGenBuffers(1, &name_);
    if constexpr (kEsProfile) {
        // WebGL fixes a buffer's kind at its first binding: an index buffer's must be the element
        // array binding (the copy-write binding may follow). The vertex array keeps its own.
        if (target_ == GL_ELEMENT_ARRAY_BUFFER) {
            GLint previous = 0;
            glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &previous);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name_);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLuint>(previous));
        }
    }
    // Uploads go through the copy-write binding so the vertex array state is never disturbed.
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(length), data_.data(), GL_DYNAMIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteBuffers(1, &name_);
        name_ = 0;
    }
}

BufferStore::~BufferStore()
{
    if (name_) {
        device_->Activate();
        glDeleteBuffers(1, &name_);
    }
}

HRESULT BufferStore::Lock(UINT offset, UINT size, void** data, DWORD flags)
{
    if (!data) {
        return Fail(D3DERR_INVALIDCALL, "Lock: no pointer for the data");
    }
    *data = nullptr;
    const UINT length = Length();
    if (offset > length) {
        return Fail(D3DERR_INVALIDCALL, "Lock: offset past the end of the buffer");
    }
    if (size == 0) {
        size = length - offset;
    }
    if (size > length - offset) {
        return Fail(D3DERR_INVALIDCALL, "Lock: range past the end of the buffer");
    }
    *data = data_.data() + offset;
    ++lockCount_;
    if (!(flags & D3DLOCK_READONLY) && size > 0) {
        if (!dirty_) {
            dirtyBegin_ = offset;
            dirtyEnd_ = offset + size;
        } else {
            dirtyBegin_ = std::min(dirtyBegin_, offset);
            dirtyEnd_ = std::max(dirtyEnd_, offset + size);
        }
        dirty_ = true;
    }
    return S_OK;
}

HRESULT BufferStore::Unlock()
{
    if (lockCount_ == 0) {
        return Fail(D3DERR_INVALIDCALL, "Unlock: the buffer is not locked");
    }
    if (--lockCount_ > 0 || !dirty_) {
        return S_OK;
    }
    device_->Activate();
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    glBufferSubData(GL_COPY_WRITE_BUFFER, dirtyBegin_, dirtyEnd_ - dirtyBegin_, data_.data() + dirtyBegin_);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    dirty_ = false;
    return S_OK;
}

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : DeviceResource(device, &LiveCounts::vertexBuffers),
      store(device, length, GL_ARRAY_BUFFER),
      usage_(usage),
      fvf_(fvf),
      pool_(pool)
{
}

HRESULT VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags)
{
    return store.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT VertexBuffer::Unlock()
{
    return store.Unlock();
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc)
{
    if (!pDesc) {
        return Fail(D3DERR_INVALIDCALL, "GetDesc: no output pointer");
    }
    *pDesc = {D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage_, pool_, store.Length(), fvf_};
    return S_OK;
}

IndexBuffer::IndexBuffer(Device* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceResource(device, &LiveCounts::indexBuffers),
      store(device, length, GL_ELEMENT_ARRAY_BUFFER),
      usage_(usage),
      format_(format),
      pool_(pool)
{
}

HRESULT IndexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags)
{
    return store.Lock(OffsetToLock, SizeToLock, ppbData, Flags);
}

HRESULT IndexBuffer::Unlock()
{
    const HRESULT hr = store.Unlock();
    if (FAILED(hr) || store.Locked()) {
        return hr;
    }
    maxIndex = 0;
    const std::uint8_t* bytes = store.Data();
    const bool wide = format_ == D3DFMT_INDEX32;
    const UINT count = store.Length() / (wide ? 4 : 2);
    for (UINT i = 0; i < count; ++i) {
        maxIndex = std::max(maxIndex, IndexAt(bytes, i, wide));
    }
    return hr;
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* pDesc)
{
    if (!pDesc) {
        return Fail(D3DERR_INVALIDCALL, "GetDesc: no output pointer");
    }
    *pDesc = {format_, D3DRTYPE_INDEXBUFFER, usage_, pool_, store.Length()};
    return S_OK;
}

// ---- Textures -----------------------------------------------------------------------------------

FormatInfo TextureFormatInfo(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return {true, false, 4};
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4: return {true, false, 2};
    case D3DFMT_A8: return {true, false, 1};
    case D3DFMT_DXT1: return {true, true, 8};
    case D3DFMT_DXT3:
    case D3DFMT_DXT5: return {true, true, 16};
    default: return {};
    }
}

namespace {

struct GlFormat {
    GLint internal;
    GLenum format;
    GLenum type;
};

GlFormat GlFormatOf(D3DFORMAT format)
{
    // OpenGL ES 3.0 and WebGL2 have no BGRA texels, no reversed packed formats and no swizzle: there
    // every format is held as RGBA8, converted on the CPU on the way in and out (EsTexels below).
    if constexpr (kEsProfile) {
        return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};
    }
    switch (format) {
    case D3DFMT_A8R8G8B8: return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE};
    case D3DFMT_X8R8G8B8: return {GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE};
    case D3DFMT_R5G6B5: return {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
    case D3DFMT_X1R5G5B5: return {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
    case D3DFMT_A1R5G5B5: return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
    case D3DFMT_A4R4G4B4: return {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
    case D3DFMT_A8: return {GL_R8, GL_RED, GL_UNSIGNED_BYTE};
    default: return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE};  // DXT levels are decoded to RGBA first
    }
}

// A channel of `bits` bits widened to 8 or narrowed back, rounding as OpenGL converts normalised values.
std::uint8_t Widen(unsigned v, unsigned bits)
{
    const unsigned top = (1u << bits) - 1;
    return static_cast<std::uint8_t>((v * 255 + top / 2) / top);
}
unsigned Narrow(std::uint8_t v, unsigned bits)
{
    const unsigned top = (1u << bits) - 1;
    return (v * top + 127) / 255;
}

// The ES profile's texel conversions between a level's Direct3D texels and RGBA8, `count` texels.
// Formats without alpha read an opaque alpha, as the desktop's formats without alpha do, and A8 is
// black with the texel's alpha, as the desktop's swizzle gives it.
void EsTexelsToRgba(D3DFORMAT format, const std::uint8_t* in, std::size_t count, std::uint8_t* out)
{
    for (std::size_t i = 0; i < count; ++i, out += 4) {
        unsigned v = 0;
        if (format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5 ||
            format == D3DFMT_A4R4G4B4) {
            v = static_cast<unsigned>(in[i * 2]) | (static_cast<unsigned>(in[i * 2 + 1]) << 8);
        }
        switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            out[0] = in[i * 4 + 2];
            out[1] = in[i * 4 + 1];
            out[2] = in[i * 4];
            out[3] = format == D3DFMT_A8R8G8B8 ? in[i * 4 + 3] : 255;
            break;
        case D3DFMT_R5G6B5:
            out[0] = Widen((v >> 11) & 31, 5);
            out[1] = Widen((v >> 5) & 63, 6);
            out[2] = Widen(v & 31, 5);
            out[3] = 255;
            break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            out[0] = Widen((v >> 10) & 31, 5);
            out[1] = Widen((v >> 5) & 31, 5);
            out[2] = Widen(v & 31, 5);
            out[3] = format == D3DFMT_X1R5G5B5 || (v & 0x8000) ? 255 : 0;
            break;
        case D3DFMT_A4R4G4B4:
            out[0] = Widen((v >> 8) & 15, 4);
            out[1] = Widen((v >> 4) & 15, 4);
            out[2] = Widen(v & 15, 4);
            out[3] = Widen(v >> 12, 4);
            break;
        case D3DFMT_A8:
            out[0] = out[1] = out[2] = 0;
            out[3] = in[i];
            break;
        default:  // decoded DXT: RGBA already
            std::memcpy(out, in + i * 4, 4);
            break;
        }
    }
}

void EsTexelsFromRgba(D3DFORMAT format, const std::uint8_t* in, std::size_t count, std::uint8_t* out)
{
    for (std::size_t i = 0; i < count; ++i, in += 4) {
        unsigned v = 0;
        switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            out[i * 4] = in[2];
            out[i * 4 + 1] = in[1];
            out[i * 4 + 2] = in[0];
            out[i * 4 + 3] = in[3];
            continue;
        case D3DFMT_A8: out[i] = in[3]; continue;
        case D3DFMT_R5G6B5: v = (Narrow(in[0], 5) << 11) | (Narrow(in[1], 6) << 5) | Narrow(in[2], 5); break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            v = (in[3] >= 128 ? 0x8000u : 0u) | (Narrow(in[0], 5) << 10) | (Narrow(in[1], 5) << 5) | Narrow(in[2], 5);
            break;
        case D3DFMT_A4R4G4B4:
            v = (Narrow(in[3], 4) << 12) | (Narrow(in[0], 4) << 8) | (Narrow(in[1], 4) << 4) | Narrow(in[2], 4);
            break;
        default: std::memcpy(out + i * 4, in, 4); continue;
        }
        out[i * 2] = static_cast<std::uint8_t>(v & 0xFF);
        out[i * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

// Writes a whole level of Direct3D texels (uncompressed) into the bound texture.
void SubImage(D3DFORMAT format, GLint level, UINT width, UINT height, const std::uint8_t* texels)
{
    const GlFormat gl = GlFormatOf(format);
    if constexpr (kEsProfile) {
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
        EsTexelsToRgba(format, texels, static_cast<std::size_t>(width) * height, rgba.data());
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                        gl.format, gl.type, rgba.data());
    } else {
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height),
                        gl.format, gl.type, texels);
    }
}

// Reads a whole level of the bound texture `name` back as Direct3D texels (uncompressed).
void ReadImage(D3DFORMAT format, GLuint name, GLint level, UINT width, UINT height, std::uint8_t* texels)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    const GlFormat gl = GlFormatOf(format);
    if constexpr (kEsProfile) {
        // No glGetTexImage: the level is attached to a framebuffer of its own and its pixels read,
        // and the read binding the device draws with is put back.
        GLint previous = 0;
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previous);
        GLuint fbo = 0;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, level);
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
        glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), gl.format, gl.type, rgba.data());
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previous));
        glDeleteFramebuffers(1, &fbo);
        EsTexelsFromRgba(format, rgba.data(), static_cast<std::size_t>(width) * height, texels);
    } else {
        glGetTexImage(GL_TEXTURE_2D, level, gl.format, gl.type, texels);
    }
}

int SquishFlags(D3DFORMAT format)
{
    if (format == D3DFMT_DXT1) {
        return squish::kDxt1;
    }
    if (format == D3DFMT_DXT3) {
        return squish::kDxt3;
    }
    return squish::kDxt5;
}

}  // namespace

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceResource(device, &LiveCounts::textures),
      usage_(usage),
      format_(format),
      pool_(pool),
      info_(TextureFormatInfo(format))
{
    for (UINT i = 0; i < levels; ++i) {
        MipLevel level;
        level.width = std::max(1u, width >> i);
        level.height = std::max(1u, height >> i);
        if (info_.compressed) {
            level.pitch = std::max(1u, (level.width + 3) / 4) * info_.bytes;
            level.rows = std::max(1u, (level.height + 3) / 4);
        } else {
            level.pitch = level.width * info_.bytes;
            level.rows = level.height;
        }
        levels_.push_back(std::move(level));
    }
    keepCopies_ =
        info_.compressed || (usage & D3DUSAGE_DYNAMIC) || pool == D3DPOOL_SYSTEMMEM || pool == D3DPOOL_SCRATCH;
    device_->Activate();
    glGenTextures(1, &name_);
    glBindTexture(GL_TEXTURE_2D, name_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels) - 1);
    if (format_ == D3DFMT_A8 && !kEsProfile) {
        const GLint swizzle[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
    }
    const GlFormat gl = GlFormatOf(format_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // Every level starts as zeros, as the CPU copies do (a zero DXT block decodes to black).
    std::vector<std::uint8_t> zeros;
    for (UINT i = 0; i < levels; ++i) {
        MipLevel& level = levels_[i];
        const std::size_t bytes = info_.compressed ? static_cast<std::size_t>(level.width) * level.height * 4
                                                   : static_cast<std::size_t>(level.pitch) * level.rows;
        if (zeros.size() < bytes) {
            zeros.assign(bytes, 0);
        }
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), gl.internal, static_cast<GLsizei>(level.width),
                     static_cast<GLsizei>(level.height), 0, gl.format, gl.type, nullptr);
        if (keepCopies_) {
            level.bits.assign(static_cast<std::size_t>(level.pitch) * level.rows, 0);
        }
    }
    device_->ForgetBoundTexture();
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &name_);
        name_ = 0;
        return;
    }
    for (UINT i = 0; i < levels; ++i) {
        if (info_.compressed) {
            Upload(i);
        } else {
            SubImage(format_, static_cast<GLint>(i), levels_[i].width, levels_[i].height, zeros.data());
        }
    }
}

// Gives a level whose copy was dropped its texels again: zeros, or what OpenGL holds.
void Texture::Restore(UINT index)
{
    MipLevel& level = levels_[index];
    if (!level.bits.empty()) {
        return;
    }
    level.bits.assign(static_cast<std::size_t>(level.pitch) * level.rows, 0);
    if (level.zero || !name_) {
        return;
    }
    device_->Activate();
    glBindTexture(GL_TEXTURE_2D, name_);
    device_->ForgetBoundTexture();
    ReadImage(format_, name_, static_cast<GLint>(index), level.width, level.height, level.bits.data());
}

std::size_t Texture::CopyBytes() const
{
    std::size_t bytes = 0;
    for (const MipLevel& level : levels_) {
        bytes += level.bits.capacity();
    }
    return bytes;
}

void Texture::DropCopies()
{
    if (keepCopies_) {
        return;
    }
    for (MipLevel& level : levels_) {
        if (level.locked) {
            return;
        }
    }
    for (MipLevel& level : levels_) {
        level.bits.clear();
        level.bits.shrink_to_fit();
    }
}

Texture::~Texture()
{
    if (name_) {
        device_->Activate();
        glDeleteTextures(1, &name_);
        device_->ForgetBoundTexture();
    }
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    if (!pDesc) {
        return Fail(D3DERR_INVALIDCALL, "GetLevelDesc: no output pointer");
    }
    if (Level >= levels_.size()) {
        return Fail(D3DERR_INVALIDCALL, "GetLevelDesc: no such mip level");
    }
    *pDesc = {
        format_, D3DRTYPE_SURFACE, usage_, pool_, D3DMULTISAMPLE_NONE, 0, levels_[Level].width, levels_[Level].height};
    return S_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags)
{
    if (!pLockedRect) {
        return Fail(D3DERR_INVALIDCALL, "LockRect: no output pointer");
    }
    pLockedRect->pBits = nullptr;
    pLockedRect->Pitch = 0;
    if (Level >= levels_.size()) {
        return Fail(D3DERR_INVALIDCALL, "LockRect: no such mip level");
    }
    MipLevel& level = levels_[Level];
    if (level.locked) {
        return Fail(D3DERR_INVALIDCALL, "LockRect: the level is already locked");
    }
    std::size_t offset = 0;
    if (pRect) {
        if (pRect->left < 0 || pRect->top < 0 || pRect->left >= pRect->right || pRect->top >= pRect->bottom ||
            static_cast<UINT>(pRect->right) > level.width || static_cast<UINT>(pRect->bottom) > level.height) {
            return Fail(D3DERR_INVALIDCALL, "LockRect: rectangle outside the level");
        }
        if (info_.compressed) {
            if ((pRect->left & 3) || (pRect->top & 3)) {
                return Fail(D3DERR_INVALIDCALL, "LockRect: compressed rectangles start on 4x4 blocks");
            }
            offset = static_cast<std::size_t>(pRect->top / 4) * level.pitch +
                     static_cast<std::size_t>(pRect->left / 4) * info_.bytes;
        } else {
            offset = static_cast<std::size_t>(pRect->top) * level.pitch +
                     static_cast<std::size_t>(pRect->left) * info_.bytes;
        }
    }
    if (level.bits.empty()) {
        // Written again after its first fill: this texture keeps its copies from now on rather than
        // reading back each time. The first fill of a new texture drops them after its upload.
        if (!(Flags & D3DLOCK_READONLY) && !level.zero) {
            keepCopies_ = true;
        }
        Restore(Level);
    }
    level.locked = true;
    level.readOnly = (Flags & D3DLOCK_READONLY) != 0;
    pLockedRect->pBits = level.bits.data() + offset;
    pLockedRect->Pitch = static_cast<INT>(level.pitch);
    return S_OK;
}

HRESULT Texture::UnlockRect(UINT Level)
{
    if (Level >= levels_.size()) {
        return Fail(D3DERR_INVALIDCALL, "UnlockRect: no such mip level");
    }
    MipLevel& level = levels_[Level];
    if (!level.locked) {
        return Fail(D3DERR_INVALIDCALL, "UnlockRect: the level is not locked");
    }
    level.locked = false;
    if (level.readOnly) {
        DropCopies();
        return S_OK;
    }
    level.zero = false;
    Upload(Level);
    if (Level == 0 && levels_.size() > 1) {
        RebuildMips();
    }
    DropCopies();
    return S_OK;
}

void Texture::Upload(UINT index)
{
    if (!name_) {
        return;
    }
    const MipLevel& level = levels_[index];
    device_->Activate();
    glBindTexture(GL_TEXTURE_2D, name_);
    device_->ForgetBoundTexture();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    const GlFormat gl = GlFormatOf(format_);
    if (info_.compressed) {
        std::vector<std::uint8_t> rgba(static_cast<std::size_t>(level.width) * level.height * 4);
        DxtDecodeImage(rgba.data(), static_cast<int>(level.width), static_cast<int>(level.height), level.bits.data(),
                       SquishFlags(format_));
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(index), 0, 0, static_cast<GLsizei>(level.width),
                        static_cast<GLsizei>(level.height), gl.format, gl.type, rgba.data());
    } else {
        SubImage(format_, static_cast<GLint>(index), level.width, level.height, level.bits.data());
    }
}

void Texture::RebuildMips()
{
    if (info_.compressed || info_.bytes != 4) {
        // Other formats let OpenGL filter the chain; their CPU copies of the smaller levels keep
        // what was last written to them.
        if (!name_) {
            return;
        }
        device_->Activate();
        glBindTexture(GL_TEXTURE_2D, name_);
        device_->ForgetBoundTexture();
        glGenerateMipmap(GL_TEXTURE_2D);
        for (MipLevel& level : levels_) {
            level.zero = false;
        }
        return;
    }
    // 32-bit texels: a 2x2 box filter per channel, level by level (odd sizes clamp at the edge).
    for (std::size_t i = 1; i < levels_.size(); ++i) {
        const MipLevel& src = levels_[i - 1];
        MipLevel& dst = levels_[i];
        if (dst.bits.empty()) {
            dst.bits.assign(static_cast<std::size_t>(dst.pitch) * dst.rows, 0);
        }
        dst.zero = false;
        for (UINT y = 0; y < dst.height; ++y) {
            const UINT y0 = std::min(src.height - 1, y * 2), y1 = std::min(src.height - 1, y * 2 + 1);
            for (UINT x = 0; x < dst.width; ++x) {
                const UINT x0 = std::min(src.width - 1, x * 2), x1 = std::min(src.width - 1, x * 2 + 1);
                const std::uint8_t* p00 = &src.bits[y0 * src.pitch + x0 * 4];
                const std::uint8_t* p01 = &src.bits[y0 * src.pitch + x1 * 4];
                const std::uint8_t* p10 = &src.bits[y1 * src.pitch + x0 * 4];
                const std::uint8_t* p11 = &src.bits[y1 * src.pitch + x1 * 4];
                std::uint8_t* out = &dst.bits[y * dst.pitch + x * 4];
                for (int c = 0; c < 4; ++c) {
                    out[c] = static_cast<std::uint8_t>((p00[c] + p01[c] + p10[c] + p11[c] + 2) / 4);
                }
            }
        }
        Upload(static_cast<UINT>(i));
    }
}

}  // namespace d3d9
