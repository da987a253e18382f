// The draw-time apply pipeline: what a draw makes current in OpenGL before it is issued.
//
// State calls only record values (device.cpp) and mark groups dirty; PrepareDraw, at the end of this
// file, runs the steps in this order: fixed-function render states (depth, culling, blending,
// stencil...), the viewport, the sampler, then the shader program chosen by the state's key
// (CurrentKey, ProgramFor), whose uniforms are sent group by group where the device's version is newer
// than the program's (key, transforms, material and lights, fog, texture stage), then the texture
// and the vertex layout of the flexible vertex format. The programs themselves are in ffp_program.cpp;
// the conversions from Direct3D values in convert.cpp.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "platform/d3d9/internal.h"

namespace d3d9 {

void Device::ApplyRenderStates()
{
    const auto& rs = renderStates_;
    if (hasDepth_ && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        glDepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    // OpenGL's counter-clockwise matches what is counter-clockwise on screen: no axis is flipped
    // between D3D's clip space and the framebuffer as it is shown.
    switch (rs[D3DRS_CULLMODE]) {
    case D3DCULL_CCW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    case D3DCULL_CW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    default: glDisable(GL_CULL_FACE); break;
    }
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
            glBlendFuncSeparate(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]),
                                BlendFactor(rs[D3DRS_SRCBLENDALPHA]), BlendFactor(rs[D3DRS_DESTBLENDALPHA]));
            glBlendEquationSeparate(BlendEquation(rs[D3DRS_BLENDOP]), BlendEquation(rs[D3DRS_BLENDOPALPHA]));
        } else {
            glBlendFunc(BlendFactor(rs[D3DRS_SRCBLEND]), BlendFactor(rs[D3DRS_DESTBLEND]));
            glBlendEquation(BlendEquation(rs[D3DRS_BLENDOP]));
        }
    } else {
        glDisable(GL_BLEND);
    }
    const DWORD cw = rs[D3DRS_COLORWRITEENABLE];
    glColorMask((cw & 1) ? GL_TRUE : GL_FALSE, (cw & 2) ? GL_TRUE : GL_FALSE, (cw & 4) ? GL_TRUE : GL_FALSE,
                (cw & 8) ? GL_TRUE : GL_FALSE);
    // OpenGL ES has no polygon modes: there point and wireframe fill draw solid.
    if constexpr (!kEsProfile) {
        switch (rs[D3DRS_FILLMODE]) {
        case D3DFILL_POINT: glPolygonMode(GL_FRONT_AND_BACK, GL_POINT); break;
        case D3DFILL_WIREFRAME: glPolygonMode(GL_FRONT_AND_BACK, GL_LINE); break;
        default: glPolygonMode(GL_FRONT_AND_BACK, GL_FILL); break;
        }
    }
    if (rs[D3DRS_DITHERENABLE]) {
        glEnable(GL_DITHER);
    } else {
        glDisable(GL_DITHER);
    }
}

void Device::ApplySampler()
{
    const auto& s = samplerStates_[0];
    const DWORD minF = s[D3DSAMP_MINFILTER], mipF = s[D3DSAMP_MIPFILTER];
    const bool linearMin = minF == D3DTEXF_LINEAR || minF == D3DTEXF_ANISOTROPIC;
    GLenum minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
    if (mipF == D3DTEXF_POINT) {
        minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    } else if (mipF == D3DTEXF_LINEAR) {
        minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    const DWORD magF = s[D3DSAMP_MAGFILTER];
    const GLenum magFilter = (magF == D3DTEXF_LINEAR || magF == D3DTEXF_ANISOTROPIC) ? GL_LINEAR : GL_NEAREST;
    auto wrap = [](DWORD mode) -> GLint {
        switch (mode) {
        case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
        case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
        // OpenGL ES 3.0 and WebGL2 have no border colour: there the border address clamps to the edge.
        case D3DTADDRESS_BORDER: return kEsProfile ? GL_CLAMP_TO_EDGE : GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
        }
    };
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magFilter));
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, wrap(s[D3DSAMP_ADDRESSU]));
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, wrap(s[D3DSAMP_ADDRESSV]));
    if constexpr (!kEsProfile) {
        float border[4];
        ColourToFloats(s[D3DSAMP_BORDERCOLOR], border);
        glSamplerParameterfv(sampler_, GL_TEXTURE_BORDER_COLOR, border);
    }
}

void Device::SetViewportGL()
{
    const GLint y = static_cast<GLint>(pp_.BackBufferHeight - viewport_.Y - viewport_.Height);
    glViewport(static_cast<GLint>(viewport_.X), y, static_cast<GLsizei>(viewport_.Width),
               static_cast<GLsizei>(viewport_.Height));
    if constexpr (kEsProfile) {
        glDepthRangef(viewport_.MinZ, viewport_.MaxZ);
    } else {
        glDepthRange(viewport_.MinZ, viewport_.MaxZ);
    }
}

// The choices of the current state that select a shader program (see FfpKey).
FfpKey Device::CurrentKey(DWORD fvf) const
{
    const auto& rs = renderStates_;
    FfpKey k;
    const bool pretransformed = (fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
    k.pretransformed = pretransformed ? 1 : 0;
    if (rs[D3DRS_LIGHTING] && !pretransformed) {
        k.lighting = 1;
        k.normalize = rs[D3DRS_NORMALIZENORMALS] ? 1 : 0;
        k.localViewer = rs[D3DRS_LOCALVIEWER] ? 1 : 0;
        // A material colour comes from a vertex colour only when vertex colours are on and the
        // vertex format has that colour.
        auto source = [&](D3DRENDERSTATETYPE state) -> std::int32_t {
            const DWORD s = rs[state];
            if (!rs[D3DRS_COLORVERTEX]) {
                return 0;
            }
            if (s == D3DMCS_COLOR1 && (fvf & D3DFVF_DIFFUSE)) {
                return 1;
            }
            if (s == D3DMCS_COLOR2 && (fvf & D3DFVF_SPECULAR)) {
                return 2;
            }
            return 0;
        };
        k.materialSource[0] = source(D3DRS_DIFFUSEMATERIALSOURCE);
        k.materialSource[1] = source(D3DRS_AMBIENTMATERIALSOURCE);
        k.materialSource[2] = source(D3DRS_SPECULARMATERIALSOURCE);
        k.materialSource[3] = source(D3DRS_EMISSIVEMATERIALSOURCE);
        for (const Light& slot : lights_) {
            if (slot.enabled && k.lightCount < MAX_LIGHTS) {
                ++k.lightCount;
            }
        }
    }
    if (rs[D3DRS_FOGENABLE] && !pretransformed) {
        std::int32_t mode = 0;
        if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) {
            mode = static_cast<std::int32_t>(rs[D3DRS_FOGTABLEMODE]);
            k.fogPerPixel = 1;
        } else {
            mode = static_cast<std::int32_t>(rs[D3DRS_FOGVERTEXMODE]);
        }
        if (mode < 0 || mode > 3) {
            mode = 0;
        }
        k.fogMode = mode;
        if (mode == 0) {
            k.fogPerPixel = 0;
        } else {
            k.fogRange = !k.fogPerPixel && rs[D3DRS_RANGEFOGENABLE] ? 1 : 0;
        }
    }
    const auto& st = stageStates_[0];
    auto* texture = static_cast<Texture*>(static_cast<IDirect3DTexture9*>(
        textures_[0] && textures_[0]->GetType() == D3DRTYPE_TEXTURE ? textures_[0] : nullptr));
    k.hasTexture = texture && texture->Valid() ? 1 : 0;
    k.colorStage[0] = static_cast<std::int32_t>(st[D3DTSS_COLOROP]);
    if (k.colorStage[0] != D3DTOP_DISABLE) {
        k.colorStage[1] = static_cast<std::int32_t>(st[D3DTSS_COLORARG1]);
        k.colorStage[2] = static_cast<std::int32_t>(st[D3DTSS_COLORARG2]);
        k.alphaStage[0] = static_cast<std::int32_t>(st[D3DTSS_ALPHAOP]);
        if (k.alphaStage[0] != D3DTOP_DISABLE) {
            k.alphaStage[1] = static_cast<std::int32_t>(st[D3DTSS_ALPHAARG1]);
            k.alphaStage[2] = static_cast<std::int32_t>(st[D3DTSS_ALPHAARG2]);
        }
    }
    k.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? static_cast<std::int32_t>(rs[D3DRS_ALPHAFUNC]) : 0;
    k.specularEnable = rs[D3DRS_SPECULARENABLE] ? 1 : 0;
    return k;
}

// The general program, built on first use and kept for the device's life; null when it cannot be
// built (tried once).
FfpProgram* Device::GeneralProgram()
{
    if (!general_.program && !generalFailed_) {
        std::string error;
        if (!general_.Build(nullptr, error)) {
            general_.Destroy();
            generalFailed_ = true;
        }
    }
    return general_.program ? &general_ : nullptr;
}

// The program specialised on `key`, built on first use and kept for the device's life; the general
// program when comparing, or when a specialised one cannot be built; null when neither can be.
FfpProgram* Device::ProgramFor(const FfpKey& key)
{
    if (useGeneral_) {
        return GeneralProgram();
    }
    if (current_ && !current_->general && current_->key == key) {
        return current_;
    }
    for (const auto& p : programs_) {
        if (p->key == key) {
            return p.get();
        }
    }
    auto made = std::make_unique<FfpProgram>();
    std::string error;
    if (!made->Build(&key, error)) {
        made->Destroy();
        return GeneralProgram();
    }
    programs_.push_back(std::move(made));
    return programs_.back().get();
}

// The general program takes the choices as uniforms.
bool Device::UploadKey(FfpProgram& p, const FfpKey& k)
{
    if (p.keyUploaded && p.uploadedKey == k) {
        return false;
    }
    glUniform1i(p.pretransformed, k.pretransformed);
    glUniform1i(p.lighting, k.lighting);
    glUniform1i(p.normalizeNormals, k.normalize);
    glUniform1i(p.localViewer, k.localViewer);
    glUniform4i(p.materialSource, k.materialSource[0], k.materialSource[1], k.materialSource[2], k.materialSource[3]);
    glUniform1i(p.lightCount, k.lightCount);
    glUniform1i(p.fogMode, k.fogMode);
    glUniform1i(p.fogPerPixel, k.fogPerPixel);
    glUniform1i(p.fogRange, k.fogRange);
    glUniform1i(p.hasTexture, k.hasTexture);
    glUniform3i(p.colorStage, k.colorStage[0], k.colorStage[1], k.colorStage[2]);
    glUniform3i(p.alphaStage, k.alphaStage[0], k.alphaStage[1], k.alphaStage[2]);
    glUniform1i(p.alphaFunc, k.alphaFunc);
    glUniform1i(p.specularEnable, k.specularEnable);
    p.keyUploaded = true;
    // The light arrays are sent for the enabled lights only: a new count needs them again.
    if (p.uploadedKey.lightCount != k.lightCount) {
        p.lightsVersion = 0;
    }
    p.uploadedKey = k;
    return true;
}

bool Device::UploadTransforms(FfpProgram& p)
{
    if (p.transformsVersion == transformsVersion_) {
        return false;
    }
    p.transformsVersion = transformsVersion_;
    if (p.viewportScale >= 0) {
        const float sx = 2.0f / static_cast<float>(viewport_.Width), sy = -2.0f / static_cast<float>(viewport_.Height);
        glUniform4f(p.viewportScale, sx, sy, -1.0f - static_cast<float>(viewport_.X) * sx,
                    1.0f - static_cast<float>(viewport_.Y) * sy);
    }
    if (p.worldView < 0 && p.normalMatrix < 0) {
        return p.viewportScale >= 0;  // pretransformed vertices only
    }
    const D3DMATRIX worldView = Multiply(world_, view_);
    if (p.worldView >= 0) {
        glUniformMatrix4fv(p.worldView, 1, GL_FALSE, &worldView.m[0][0]);
    }
    if (p.projection >= 0) {
        glUniformMatrix4fv(p.projection, 1, GL_FALSE, &projection_.m[0][0]);
    }
    if (p.normalMatrix >= 0) {
        float normal[9];
        NormalMatrix(worldView, normal);
        glUniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, normal);
    }
    return true;
}

bool Device::UploadMaterial(FfpProgram& p)
{
    if (p.materialVersion == materialVersion_) {
        return false;
    }
    p.materialVersion = materialVersion_;
    if (p.matDiffuse >= 0) {
        glUniform4fv(p.matDiffuse, 1, &material_.Diffuse.r);
    }
    if (p.matAmbient >= 0) {
        glUniform4fv(p.matAmbient, 1, &material_.Ambient.r);
    }
    if (p.matSpecular >= 0) {
        glUniform4fv(p.matSpecular, 1, &material_.Specular.r);
    }
    if (p.matEmissive >= 0) {
        glUniform4fv(p.matEmissive, 1, &material_.Emissive.r);
    }
    if (p.matPower >= 0) {
        glUniform1f(p.matPower, material_.Power);
    }
    return true;
}

bool Device::UploadLights(FfpProgram& p, int lightCount)
{
    if (p.lightsVersion == lightsVersion_) {
        return false;
    }
    p.lightsVersion = lightsVersion_;
    if (p.globalAmbient >= 0) {
        float ambient[4];
        ColourToFloats(renderStates_[D3DRS_AMBIENT], ambient);
        glUniform3f(p.globalAmbient, ambient[0], ambient[1], ambient[2]);
    }
    if (lightCount == 0) {
        return true;
    }
    float position[MAX_LIGHTS][4], direction[MAX_LIGHTS][3], diffuse[MAX_LIGHTS][3], specular[MAX_LIGHTS][3],
        lightAmbient[MAX_LIGHTS][3], attenuation[MAX_LIGHTS][4], spot[MAX_LIGHTS][4];
    int count = 0;
    for (const Light& slot : lights_) {
        if (!slot.enabled || count == MAX_LIGHTS) {
            continue;
        }
        const D3DLIGHT9& l = slot.light;
        const D3DVECTOR& p = l.Position;
        const D3DVECTOR& d = l.Direction;
        position[count][0] = p.x * view_._11 + p.y * view_._21 + p.z * view_._31 + view_._41;
        position[count][1] = p.x * view_._12 + p.y * view_._22 + p.z * view_._32 + view_._42;
        position[count][2] = p.x * view_._13 + p.y * view_._23 + p.z * view_._33 + view_._43;
        position[count][3] = static_cast<float>(l.Type);
        float dx = d.x * view_._11 + d.y * view_._21 + d.z * view_._31;
        float dy = d.x * view_._12 + d.y * view_._22 + d.z * view_._32;
        float dz = d.x * view_._13 + d.y * view_._23 + d.z * view_._33;
        const float len = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (len > 0.0f) {
            dx /= len;
            dy /= len;
            dz /= len;
        }
        direction[count][0] = dx;
        direction[count][1] = dy;
        direction[count][2] = dz;
        const D3DCOLORVALUE* colours[3] = {&l.Diffuse, &l.Specular, &l.Ambient};
        float(*targets[3])[3] = {diffuse, specular, lightAmbient};
        for (int k = 0; k < 3; ++k) {
            targets[k][count][0] = colours[k]->r;
            targets[k][count][1] = colours[k]->g;
            targets[k][count][2] = colours[k]->b;
        }
        attenuation[count][0] = l.Attenuation0;
        attenuation[count][1] = l.Attenuation1;
        attenuation[count][2] = l.Attenuation2;
        attenuation[count][3] = l.Range;
        spot[count][0] = std::cos(l.Theta * 0.5f);
        spot[count][1] = std::cos(l.Phi * 0.5f);
        spot[count][2] = l.Falloff;
        spot[count][3] = 0.0f;
        ++count;
    }
    if (count == 0) {
        return true;
    }
    auto send3 = [count](GLint at, const float(*v)[3]) {
        if (at >= 0) {
            glUniform3fv(at, count, &v[0][0]);
        }
    };
    auto send4 = [count](GLint at, const float(*v)[4]) {
        if (at >= 0) {
            glUniform4fv(at, count, &v[0][0]);
        }
    };
    send4(p.lightPosition, position);
    send3(p.lightDirection, direction);
    send3(p.lightDiffuse, diffuse);
    send3(p.lightSpecular, specular);
    send3(p.lightAmbient, lightAmbient);
    send4(p.lightAttenuation, attenuation);
    send4(p.lightSpot, spot);
    return true;
}

bool Device::UploadFog(FfpProgram& p)
{
    if (p.fogVersion == fogVersion_) {
        return false;
    }
    p.fogVersion = fogVersion_;
    const auto& rs = renderStates_;
    if (p.fogParams >= 0) {
        glUniform3f(p.fogParams, AsFloat(rs[D3DRS_FOGSTART]), AsFloat(rs[D3DRS_FOGEND]), AsFloat(rs[D3DRS_FOGDENSITY]));
    }
    if (p.fogColor >= 0) {
        float c[4];
        ColourToFloats(rs[D3DRS_FOGCOLOR], c);
        glUniform3f(p.fogColor, c[0], c[1], c[2]);
    }
    return true;
}

bool Device::UploadStage(FfpProgram& p)
{
    if (p.stageVersion == stageVersion_) {
        return false;
    }
    p.stageVersion = stageVersion_;
    if (p.textureFactor >= 0) {
        float factor[4];
        ColourToFloats(renderStates_[D3DRS_TEXTUREFACTOR], factor);
        glUniform4fv(p.textureFactor, 1, factor);
    }
    if (p.alphaRef >= 0) {
        glUniform1f(p.alphaRef, static_cast<float>(renderStates_[D3DRS_ALPHAREF] & 0xFF));
    }
    return p.textureFactor >= 0 || p.alphaRef >= 0;
}

bool Device::BindTexture()
{
    auto* texture = static_cast<Texture*>(static_cast<IDirect3DTexture9*>(
        textures_[0] && textures_[0]->GetType() == D3DRTYPE_TEXTURE ? textures_[0] : nullptr));
    if (texture && texture->Valid() && boundTexture_ != texture->Name()) {
        glBindTexture(GL_TEXTURE_2D, texture->Name());
        boundTexture_ = texture->Name();
        return true;
    }
    return false;
}

bool Device::BindVertexLayout(DWORD fvf, GLuint vbo, UINT offset, UINT stride)
{
    if (layout_.fvf == fvf && layout_.vbo == vbo && layout_.offset == offset && layout_.stride == stride) {
        return false;
    }
    layout_ = {fvf, vbo, offset, stride};
    VertexLayout l;
    LayoutOf(fvf, l);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    const auto gs = static_cast<GLsizei>(stride);
    auto at = [offset](int field) {
        return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(offset) + field);
    };
    glEnableVertexAttribArray(ATTR_POSITION);
    glVertexAttribPointer(ATTR_POSITION, l.positionSize, GL_FLOAT, GL_FALSE, gs, at(0));
    auto optional = [&](GLuint attr, int field, GLint size, GLenum type, GLboolean normalised) {
        if (field < 0) {
            glDisableVertexAttribArray(attr);
            return;
        }
        glEnableVertexAttribArray(attr);
        glVertexAttribPointer(attr, size, type, normalised, gs, at(field));
    };
    optional(ATTR_NORMAL, l.normal, 3, GL_FLOAT, GL_FALSE);
    // D3DCOLOR is B, G, R, A in memory. OpenGL ES has no BGRA vertex format: there the bytes arrive
    // in memory order and the vertex shader swizzles them (ffp_program.cpp).
    const GLint colourSize = kEsProfile ? 4 : GL_BGRA;
    optional(ATTR_DIFFUSE, l.diffuse, colourSize, GL_UNSIGNED_BYTE, GL_TRUE);
    optional(ATTR_SPECULAR, l.specular, colourSize, GL_UNSIGNED_BYTE, GL_TRUE);
    optional(ATTR_TEXCOORD, l.texcoord, std::min(l.texcoordSize, 2), GL_FLOAT, GL_FALSE);
    return true;
}

HRESULT Device::PrepareDraw(DWORD fvf, GLuint vbo, UINT offset, UINT stride, D3DPRIMITIVETYPE type, UINT primitives)
{
    Activate();
    drawnSincePresent_ = true;
    D3DDrawCounts& counts = Counts();
    ++counts.draws;
    if (type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLEFAN) {
        counts.triangles += primitives;
    }
    std::uint64_t changes = 0;
    if (dirtyRender_) {
        ApplyRenderStates();
        dirtyRender_ = false;
        ++changes;
    }
    if (dirtyViewport_) {
        SetViewportGL();
        dirtyViewport_ = false;
        ++changes;
    }
    if (dirtySampler_) {
        ApplySampler();
        dirtySampler_ = false;
        ++changes;
    }
    const FfpKey key = CurrentKey(fvf);
    FfpProgram* program = ProgramFor(key);
    if (program == nullptr) {
        counts.stateChanges += changes;
        return Fail(D3DERR_NOTAVAILABLE, "draw: no shader program could be built for this state");
    }
    if (program != current_) {
        glUseProgram(program->program);
        current_ = program;
        ++changes;
    }
    if (program->general) {
        changes += UploadKey(*program, key) ? 1 : 0;
    }
    changes += UploadTransforms(*program) ? 1 : 0;
    if (key.lighting) {
        changes += UploadMaterial(*program) ? 1 : 0;
        changes += UploadLights(*program, key.lightCount) ? 1 : 0;
    }
    if (key.fogMode != 0) {
        changes += UploadFog(*program) ? 1 : 0;
    }
    changes += UploadStage(*program) ? 1 : 0;
    changes += BindTexture() ? 1 : 0;
    changes += BindVertexLayout(fvf, vbo, offset, stride) ? 1 : 0;
    counts.stateChanges += changes;
    return S_OK;
}

void Device::BindIndices(GLuint name)
{
    if (boundIbo_ != name) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, name);
        boundIbo_ = name;
        ++Counts().stateChanges;
    }
}

}  // namespace d3d9
