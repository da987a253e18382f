#include "render/shadows.h"

#include <algorithm>
#include <cmath>

#include "console/variables.h"
#include "core/graphics.h"
#include "d3dx/math.h"
#include "game/aircraft.h"

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr std::uint32_t kShadowRgb = 0x000A0A14u;    // nearly black, a touch of the sea's blue
constexpr std::uint32_t kWarningRgb = 0x00E01818u;   // the red of an enemy on the player's level

D3DCOLOR WithAlpha(std::uint32_t rgb, float alpha)
{
    const auto a = static_cast<std::uint32_t>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f + 0.5f);
    return a << 24 | rgb;
}

// A render state set for the shadows and put back as it was afterwards.
class StateKeeper {
public:
    void Render(D3DRENDERSTATETYPE state, DWORD value)
    {
        DWORD old = 0;
        device->GetRenderState(state, &old);
        renders_.push_back({state, old});
        device->SetRenderState(state, value);
    }
    void Stage(D3DTEXTURESTAGESTATETYPE state, DWORD value)
    {
        DWORD old = 0;
        device->GetTextureStageState(0, state, &old);
        stages_.push_back({state, old});
        device->SetTextureStageState(0, state, value);
    }
    ~StateKeeper()
    {
        for (auto it = renders_.rbegin(); it != renders_.rend(); ++it) {
            device->SetRenderState(it->first, it->second);
        }
        for (auto it = stages_.rbegin(); it != stages_.rend(); ++it) {
            device->SetTextureStageState(0, it->first, it->second);
        }
    }

private:
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renders_;
    std::vector<std::pair<D3DTEXTURESTAGESTATETYPE, DWORD>> stages_;
};

}  // namespace

ShadowShape ShadowShapeFor(float posZ, bool onPlayersLevel)
{
    // 0 at the highest level, 1 at the lowest: the lowest level casts the largest, darkest and
    // sharpest shadow.
    const float low = std::clamp((posZ - kLevelHeight[2]) / (kLevelHeight[0] - kLevelHeight[2]), 0.0f, 1.0f);
    return {0.5f + 0.45f * low, 0.42f + 0.38f * low, 0.25f + 0.45f * low, onPlayersLevel};
}

void ShadowAppend(std::vector<ShadowVertex>& out, float x, float y, const ShadowShape& shape)
{
    const std::uint32_t rgb = shape.warning ? kWarningRgb : kShadowRgb;
    // A warning shadow is a little stronger, so that the red reads on the blue sea.
    const float darkness = shape.warning ? std::min(1.0f, shape.darkness + 0.2f) : shape.darkness;
    const D3DCOLOR full = WithAlpha(rgb, darkness);
    const D3DCOLOR none = WithAlpha(rgb, 0.0f);
    const float inner = shape.radius * shape.core;
    for (int side = 0; side < kShadowSides; ++side) {
        const float a0 = kTwoPi * static_cast<float>(side) / kShadowSides;
        const float a1 = kTwoPi * static_cast<float>(side + 1) / kShadowSides;
        const float c0 = std::cos(a0);
        const float s0 = std::sin(a0);
        const float c1 = std::cos(a1);
        const float s1 = std::sin(a1);
        const ShadowVertex centre{x, y, kShadowDepth, full};
        const ShadowVertex in0{x + inner * c0, y + inner * s0, kShadowDepth, full};
        const ShadowVertex in1{x + inner * c1, y + inner * s1, kShadowDepth, full};
        const ShadowVertex out0{x + shape.radius * c0, y + shape.radius * s0, kShadowDepth, none};
        const ShadowVertex out1{x + shape.radius * c1, y + shape.radius * s1, kShadowDepth, none};
        out.insert(out.end(), {centre, in0, in1, in0, out0, out1, in0, out1, in1});
    }
}

bool ShadowCast(const Aircraft* aircraft)
{
    return aircraft != nullptr && aircraft->alive != 0 && aircraft->hit == 0 && aircraft->explosionFrame == 0;
}

void ShadowsDraw()
{
    if (device == nullptr || player == nullptr || VarGetInt("g_arnyekok") == 0) {
        return;
    }
    static std::vector<ShadowVertex> vertices;
    vertices.clear();
    if (ShadowCast(player)) {
        ShadowAppend(vertices, player->posX, player->posY, ShadowShapeFor(player->posZ, false));
    }
    for (const Aircraft* enemy : enemySlots) {
        if (ShadowCast(enemy)) {
            // The level that bullets and collisions compare.
            ShadowAppend(vertices, enemy->posX, enemy->posY, ShadowShapeFor(enemy->posZ, enemy->posZ == player->posZ));
        }
    }
    if (vertices.empty()) {
        return;
    }
    StateKeeper states;
    states.Render(D3DRS_LIGHTING, FALSE);
    states.Render(D3DRS_ALPHABLENDENABLE, TRUE);
    states.Render(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    states.Render(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    states.Render(D3DRS_ZWRITEENABLE, FALSE);
    states.Render(D3DRS_CULLMODE, D3DCULL_NONE);
    states.Stage(D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    states.Stage(D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    states.Stage(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    states.Stage(D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTexture(0, nullptr);
    device->SetFVF(kFvfShadow);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(vertices.size() / 3), vertices.data(),
                            sizeof(ShadowVertex));
}
