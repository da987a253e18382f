// The playing scene: fog over the sea, the aircraft with their parts, projectiles, buildings and
// explosion sprites, read back from the presented picture.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/random.h"
#include "render/sea_sampling.h"
#include "render_fixture.h"

namespace {

bool IsOrange(Rgb p)
{
    return p.r > 200 && p.g > 90 && p.g < 170 && p.b < 60;
}
bool IsBlue(Rgb p)
{
    return p.b > 180 && p.r < 60 && p.g < 60;
}
bool IsCyan(Rgb p)
{
    return p.g > 180 && p.b > 180 && p.r < 60;
}
bool IsMagenta(Rgb p)
{
    return p.r > 180 && p.b > 180 && p.g < 60;
}

class SceneTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        gameState = Playing;
        CameraSetPlaying();
        hudTexture = SolidTexture(0x00000000u);
        horizonTexture = SolidTexture(0xFF000000u);
    }

    void Render()
    {
        ASSERT_EQ(SceneRender(), S_OK);
        ReadFrame();
    }

    // Only the 3D picture: below the HUD band and above the bottom rows.
    static constexpr Box kScene{0, 200, kWidth, kHeight};

    static int CentreX(Box b) { return (b.left + b.right) / 2; }
    static int CentreY(Box b) { return (b.top + b.bottom) / 2; }
};

TEST_F(SceneTest, FogThickensWithDistanceAndFollowsTheFogEnd)
{
    seaTexture = SolidTexture(0xFF000080u);
    ASSERT_TRUE(SurfaceBuild());

    Render();
    EXPECT_TRUE(Near(At(400, 590), 0, 0, 128, 2)) << "no fog before a run sets it";
    EXPECT_TRUE(Near(At(400, 210), 0, 0, 128, 2));

    fogSettings.fogEnabled = 1;
    fogSettings.fogColor = 0xFFC8C8C8u;
    fogSettings.fogStart = 0.0f;
    fogSettings.fogEndBase = 20.0f;
    fogSettings.fogFactor = 1.0f;
    Render();
    // Fog end 20: the horizon walls, 30 units away, are all fog; the sea fades into it.
    EXPECT_TRUE(Near(At(400, 100), 200, 200, 200, 2));
    const Rgb far = At(400, 210);
    const Rgb near = At(400, 590);
    EXPECT_GT(far.r, near.r + 60);
    EXPECT_GT(near.r, 20) << "even the nearest sea is a little fogged";
    EXPECT_LT(near.r, 100);

    fogSettings.fogFactor = 5.0f;
    Render();
    // Fog end 100: the same places are far clearer.
    EXPECT_LT(At(400, 210).r, far.r - 80);
    EXPECT_LT(At(400, 100).r, 120);
    EXPECT_LT(At(400, 590).r, near.r);
}

// The renderer keeps its own copy of the sea segments: a strip that changed (recycled rows, a new
// strip in the old one's memory) is drawn exactly as a renderer that never saw the old one draws
// it, and the copy is released when no sea is drawn.
TEST_F(SceneTest, TheSeaIsDrawnFromTheSegmentsAsTheyAreNow)
{
    seaTexture = MakeTexture(
        16, 16, [](UINT x, UINT y) { return 0xFF000000u | (x * 16) << 16 | (y * 16) << 8; }, 0);
    RandomSeed(5);
    ASSERT_TRUE(SurfaceBuild());
    Render();
    const int idle = D3DLiveObjects().vertexBuffers;
    const int idleIndices = D3DLiveObjects().indexBuffers;
    RandomSeed(6);
    ASSERT_TRUE(SurfaceBuild());
    camera.scrollPos = 0.8f;
    SurfaceScroll();
    Render();
    const std::vector<std::uint8_t> kept = frame;
    EXPECT_EQ(D3DLiveObjects().vertexBuffers, idle) << "one buffer for the whole sea, no more";
    SceneBuffersRelease();
    Render();
    EXPECT_TRUE(frame == kept) << "a copy was drawn with vertices the segment no longer has";

    SurfaceFree();
    Render();
    EXPECT_EQ(D3DLiveObjects().vertexBuffers, idle - 1) << "the sea's buffer is released with the sea";
    EXPECT_EQ(D3DLiveObjects().indexBuffers, idleIndices - 1) << "and its triangles' index buffer";
}

// The eye at the origin looking along +z with a 90-degree view on a 200 x 200 viewport: at depth d a
// world unit spans 100 / d pixels. A texture of 256 x 256 texels.
SeaView TestSeaView()
{
    SeaView view{};
    D3DXMATRIX eye;
    D3DXMATRIX projection;
    const D3DXVECTOR3 from(0.0f, 0.0f, 0.0f), at(0.0f, 0.0f, 1.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&eye, &from, &at, &up);
    D3DXMatrixPerspectiveFovLH(&projection, 3.14159265f / 2.0f, 1.0f, 0.1f, 100.0f);
    D3DXMatrixMultiply(&view.toClip, &eye, &projection);
    view.viewportWidth = view.viewportHeight = 200.0f;
    view.textureWidth = view.textureHeight = 256.0f;
    return view;
}

// A strip of `columns` columns across x from -1, one unit apart, each a vertex at y0 then one at y1
// (z0 and z1 deep), with `texels` texels of the texture per world unit.
std::vector<SurfaceVertex> TestStrip(int columns, float y0, float z0, float y1, float z1, float texels)
{
    std::vector<SurfaceVertex> out;
    for (int c = 0; c < columns; ++c) {
        const float x = -1.0f + static_cast<float>(c);
        out.push_back({x, y0, z0, 0.0f, 1.0f, 0.0f, x * texels / 256.0f, (y0 + z0) * texels / 256.0f});
        out.push_back({x, y1, z1, 0.0f, 1.0f, 0.0f, x * texels / 256.0f, (y1 + z1) * texels / 256.0f});
    }
    return out;
}

float ScreenArea(const std::vector<SurfaceVertex>& v, const std::uint16_t* t)
{
    // Depth z maps x and y to x / z, y / z on screen (y up), which keeps the sign of the winding.
    auto x = [&](int i) { return v[t[i]].x / v[t[i]].z; };
    auto y = [&](int i) { return v[t[i]].y / v[t[i]].z; };
    return (x(1) - x(0)) * (y(2) - y(0)) - (x(2) - x(0)) * (y(1) - y(0));
}

TEST(SeaSampling, TrianglesGoByTheTexelsOnePixelStepCrossesAndKeepTheStripsWinding)
{
    const SeaView view = TestSeaView();
    std::vector<std::uint16_t> top;
    std::vector<std::uint16_t> lower;
    // Square to the view at depth 10: a unit is 10 pixels, so t texels a unit are t / 10 a pixel.
    for (const auto& [texels, expectTop] : {std::pair{5.0f, true}, {12.0f, true}, {13.0f, false}, {40.0f, false}}) {
        const std::vector<SurfaceVertex> strip = TestStrip(4, -1.0f, 10.0f, 1.0f, 10.0f, texels);
        SeaTrianglesByLevel(strip.data(), static_cast<std::uint32_t>(strip.size()), view, top, lower);
        EXPECT_EQ((expectTop ? top : lower).size(), 18u) << texels << " texels a unit: all six triangles";
        EXPECT_TRUE((expectTop ? lower : top).empty()) << texels << " texels a unit";
        const std::vector<std::uint16_t>& all = expectTop ? top : lower;
        const std::uint16_t first[3] = {0, 1, 2};
        for (std::size_t t = 0; t + 3 <= all.size(); t += 3) {
            EXPECT_GT(ScreenArea(strip, &all[t]) * ScreenArea(strip, first), 0.0f)
                << "triangle " << t / 3 << " wound as the strip's first";
        }
    }

    // A floor receding from depth 1 to 40 at 2 texels a unit: spread out near the eye, squeezed far
    // off; from near to far, once a triangle needs the smaller levels the farther ones do too.
    std::vector<SurfaceVertex> floor;
    for (int row = 0; row < 40; ++row) {
        const std::vector<SurfaceVertex> part =
            TestStrip(3, -1.0f, 1.0f + static_cast<float>(row), -1.0f, 2.0f + static_cast<float>(row), 2.0f);
        if (!floor.empty()) {
            floor.push_back(floor.back());   // joined as the sea's segments are
            floor.push_back(part.front());
        }
        floor.insert(floor.end(), part.begin(), part.end());
    }
    SeaTrianglesByLevel(floor.data(), static_cast<std::uint32_t>(floor.size()), view, top, lower);
    ASSERT_FALSE(top.empty());
    ASSERT_FALSE(lower.empty());
    const auto farthestTop = *std::max_element(top.begin(), top.end());
    auto same = [&](std::uint16_t a, std::uint16_t b) {
        return floor[a].x == floor[b].x && floor[a].y == floor[b].y && floor[a].z == floor[b].z;
    };
    std::size_t joins = 0;
    for (std::size_t t = 0; t + 3 <= lower.size(); t += 3) {
        const std::uint16_t* c = &lower[t];
        if (same(c[0], c[1]) || same(c[1], c[2]) || same(c[0], c[2])) {
            ++joins;
        } else {
            EXPECT_GT(*std::min_element(c, c + 3) + 8, farthestTop) << "a far triangle among the near ones";
        }
    }
    EXPECT_EQ(top.size() / 3 + lower.size() / 3, floor.size() - 2) << "every triangle of the strip, once";
    EXPECT_GE(joins, 39u * 4u) << "the joins' triangles of no area go with the lower ones";

    // Reaching behind the eye: in with the top level; wholly behind: left out.
    const std::vector<SurfaceVertex> across = TestStrip(3, -1.0f, -1.0f, -1.0f, 2.0f, 40.0f);
    SeaTrianglesByLevel(across.data(), static_cast<std::uint32_t>(across.size()), view, top, lower);
    EXPECT_EQ(top.size(), 12u);
    const std::vector<SurfaceVertex> behind = TestStrip(3, -1.0f, -3.0f, -1.0f, -2.0f, 40.0f);
    SeaTrianglesByLevel(behind.data(), static_cast<std::uint32_t>(behind.size()), view, top, lower);
    EXPECT_TRUE(top.empty() && lower.empty());
}

TEST_F(SceneTest, HorizonTravelsWithTheScrollPosition)
{
    horizonTexture->Release();
    horizonTexture = MakeTexture(16, 16, [](UINT x, UINT y) { return 0xFF000000u | (x * 16) << 16 | (y * 16) << 8; });
    Render();
    const std::vector<std::uint8_t> atStart = frame;
    camera.scrollPos = 250.0f;
    Render();
    int moved = 0;
    for (std::size_t i = 0; i < frame.size(); ++i) {
        moved += std::abs(frame[i] - atStart[i]) > 8 ? 1 : 0;
    }
    EXPECT_LT(moved, 100) << "the walls stay where they were on screen";
    EXPECT_GT(Count({0, 0, kWidth, 200}, [](Rgb p) { return p.r + p.g > 40; }), 1000) << "the walls are drawn";
}

TEST_F(SceneTest, PlayerShowsSevenPartsWithThePropellerAhead)
{
    Aircraft& a = *player;
    a.posX = 0.0f;
    a.posY = 2.0f;
    a.posZ = 2.0f;
    a.propellerOffset = 0.5f;
    a.tailOffset = -0.5f;
    a.partOffsetAX = 0.6f;
    a.partOffsetAY = 0.0f;
    a.partOffsetBX = -0.6f;
    a.partOffsetBY = 0.0f;
    a.meshes[0] = FlatMesh(0.2f, {1, 0, 0, 0});      // body: red
    a.meshes[1] = FlatMesh(0.15f, {0, 1, 0, 0});     // propeller: green
    a.meshes[2] = FlatMesh(0.2f, {0, 0, 1, 0});      // tail: blue
    // Meshes 3 and 4 share a place, as do 5 and 6: the later, smaller one shows inside the other.
    a.meshes[3] = FlatMesh(0.3f, {1, 0, 1, 0});      // left: magenta...
    a.meshes[4] = FlatMesh(0.1f, {1, 1, 0, 0});      // ...with yellow inside
    a.meshes[5] = FlatMesh(0.3f, {1, 1, 1, 0});      // right: white...
    a.meshes[6] = FlatMesh(0.1f, {0, 1, 1, 0});      // ...with cyan inside
    Render();
    const Box body = Bounds(kScene, IsRed);
    const Box propeller = Bounds(kScene, IsGreen);
    const Box tail = Bounds(kScene, IsBlue);
    ASSERT_GE(body.left, 0);
    ASSERT_GE(propeller.left, 0);
    ASSERT_GE(tail.left, 0);
    EXPECT_NEAR(CentreX(body), 400, 3) << "x = 0 is the middle of the screen";
    EXPECT_LT(CentreY(propeller), body.top) << "forward (+y) is up the screen";
    EXPECT_GT(CentreY(tail), body.bottom);
    const Box left = Bounds(kScene, IsYellow);
    const Box right = Bounds(kScene, IsCyan);
    ASSERT_GE(left.left, 0);
    ASSERT_GE(right.left, 0);
    EXPECT_LT(left.right, body.left) << "posX - 0.6 lies to the left";
    EXPECT_GT(right.left, body.right);
    const Box leftOuter = Bounds(kScene, IsMagenta);
    EXPECT_LT(leftOuter.left, left.left);
    EXPECT_GT(leftOuter.right, left.right);
    const Box rightOuter = Bounds({right.right - 60, 200, kWidth, kHeight}, IsWhite);
    EXPECT_GT(rightOuter.right, right.right);

    // Spinning the propeller turns it about the forward axis: seen from above it narrows.
    const int wide = propeller.right - propeller.left;
    a.propellerAngle = 1.3f;
    Render();
    const Box spun = Bounds(kScene, IsGreen);
    EXPECT_LT(spun.right - spun.left, wide - 3);

    // Still drawn while exploding up to frame 7, also with alive clear; gone from frame 8.
    a.alive = 0;
    a.explosionFrame = 7;
    Render();
    EXPECT_GT(Count(kScene, IsRed), 20);
    a.explosionFrame = 8;
    Render();
    EXPECT_EQ(Count(kScene, IsRed), 0);
}

TEST_F(SceneTest, EnemyShowsBodyAndPropellerAheadInItsDirection)
{
    enemySlots[3] = new Aircraft{};
    Aircraft& e = *enemySlots[3];
    e.posX = 0.5f;
    e.posY = 3.0f;
    e.posZ = 2.0f;
    e.heading = 3.14159265f;
    e.alive = 1;
    e.propellerOffset = 0.5f;
    e.tailOffset = -0.5f;
    e.meshes[0] = FlatMesh(0.2f, {1, 0, 0, 0});
    e.meshes[1] = FlatMesh(0.15f, {0, 1, 0, 0});
    e.meshes[2] = FlatMesh(0.2f, {0, 0, 1, 0});
    Render();
    const Box body = Bounds(kScene, IsRed);
    const Box propeller = Bounds(kScene, IsGreen);
    ASSERT_GE(body.left, 0);
    ASSERT_GE(propeller.left, 0);
    EXPECT_GT(CentreX(body), 410) << "x = 0.5 is right of the middle";
    EXPECT_GT(CentreY(propeller), body.bottom) << "an enemy flies toward -y, down the screen";
    EXPECT_EQ(Count(kScene, IsBlue), 0) << "an enemy has two parts only";

    e.alive = 0;
    Render();
    EXPECT_EQ(Count(kScene, IsRed), 0) << "an enemy needs alive set";
}

TEST_F(SceneTest, ProjectilesByKindAndBuildingsUntilTheirTenthExplosionFrame)
{
    bulletMesh = FlatMesh(0.2f, {1, 0, 0, 0});
    bombMesh = FlatMesh(0.2f, {0, 1, 0, 0});
    auto* bullet = new Projectile{};
    bullet->kind = kProjectileGun;
    bullet->posX = -1.0f;
    bullet->posY = 2.0f;
    bullet->posZ = 2.0f;
    auto* bomb = new Projectile{};
    bomb->kind = kProjectileBomb;
    bomb->posX = 1.0f;
    bomb->posY = 2.0f;
    bomb->posZ = 2.0f;
    bomb->active = 0;   // still drawn until the update removes it
    auto* other = new Projectile{};
    other->kind = 'x';
    other->posY = 2.0f;
    other->posZ = 2.0f;
    bullet->next = bomb;
    bomb->next = other;
    projectileHead = bullet;

    groundObjects[0].mesh = FlatMesh(0.6f, {0, 0, 1, 0});
    groundObjects[0].posX = 0.0f;
    groundObjects[0].posY = 4.0f;
    groundObjects[0].posZ = 4.0f;
    groundObjects[0].explosionFrame = 9;
    Render();
    const Box red = Bounds(kScene, IsRed);
    const Box green = Bounds(kScene, IsGreen);
    ASSERT_GE(red.left, 0);
    ASSERT_GE(green.left, 0);
    EXPECT_LT(red.right, 400);
    EXPECT_GT(green.left, 400);
    EXPECT_GT(Count(kScene, IsBlue), 50);

    groundObjects[0].explosionFrame = 10;
    Render();
    EXPECT_EQ(Count(kScene, IsBlue), 0);
    bulletMesh = nullptr;
    bombMesh = nullptr;
}

TEST_F(SceneTest, MeshWithOverlongStripsOrNoMeshDrawsNothing)
{
    MeshEntry* mesh = FlatMesh(0.5f, {1, 0, 0, 0});
    player->posY = 2.0f;
    player->posZ = 2.0f;
    player->meshes[0] = mesh;
    mesh->stripTooLong = 1;
    Render();
    EXPECT_EQ(Count(kScene, IsRed), 0);
    mesh->stripTooLong = 0;
    EXPECT_EQ(MeshDraw(nullptr), 0);
    Render();
    EXPECT_GT(Count(kScene, IsRed), 100);
}

TEST_F(SceneTest, ExplosionSpriteFacesTheCameraOverTheScene)
{
    seaTexture = SolidTexture(0xFF000080u);
    ASSERT_TRUE(SurfaceBuild());
    // An orange disc; the black corners are keyed out (alpha 0), as the colour key leaves them.
    explosionTextures[1] = MakeTexture(32, 32, [](UINT x, UINT y) {
        const int dx = static_cast<int>(x) - 16;
        const int dy = static_cast<int>(y) - 16;
        return dx * dx + dy * dy < 196 ? 0xFFFF8000u : 0x00000000u;
    });
    ASSERT_TRUE(SpriteAdd(0.0f, 2.0f, 2.0f, 1.0f, 1.0f, 0.1f, 1, 1));
    frameDelta = 0.01f;
    SpritesUpdate();
    Render();
    const Box disc = Bounds(kScene, IsOrange);
    ASSERT_GE(disc.left, 0) << "no explosion on screen";
    EXPECT_NEAR(CentreX(disc), 400, 4);
    const int width = disc.right - disc.left;
    const int height = disc.bottom - disc.top;
    EXPECT_GT(width, 40);
    EXPECT_NEAR(height, width, width / 5) << "turned toward the camera, the disc stays round";
    // The keyed corners of the quad show the sea behind them.
    const Rgb corner = At(disc.left + 2, disc.top + 2);
    EXPECT_LT(corner.r, 60);
    EXPECT_GT(corner.b, 100);
}

TEST_F(SceneTest, SpritesWithAnUnknownTextureSlotAreSkipped)
{
    explosionTextures[1] = SolidTexture(0xFFFF8000u);
    ASSERT_TRUE(SpriteAdd(0.0f, 2.0f, 2.0f, 1.0f, 1.0f, 0.1f, 0, 1));
    ASSERT_TRUE(SpriteAdd(0.0f, 2.0f, 2.0f, 1.0f, 1.0f, 0.1f, 17, 1));
    ASSERT_TRUE(SpriteAdd(0.0f, 2.0f, 2.0f, 1.0f, 1.0f, 0.1f, -5, 1));
    frameDelta = 0.01f;
    SpritesUpdate();
    Render();
    EXPECT_EQ(Count(kScene, IsOrange), 0);

    // A sprite with an empty texture slot is drawn untextured; one with a known slot shows it.
    ASSERT_TRUE(SpriteAdd(0.0f, 2.0f, 2.0f, 1.0f, 1.0f, 0.1f, 1, 1));
    SpritesUpdate();
    Render();
    EXPECT_GT(Count(kScene, IsOrange), 500);
}

}  // namespace

// Flight-level shadows over a white sea: three enemies side by side at the three levels, the player
// on the middle one. Each frame is compared with the same frame drawn without shadows.
TEST_F(SceneTest, FlightLevelShadowsShowTheLevelAndWarnOnThePlayersOwn)
{
    seaTexture = SolidTexture(0xFFFFFFFFu);
    RandomSeed(5);
    ASSERT_TRUE(SurfaceBuild());
    const float xs[3] = {-2.0f, 0.0f, 2.0f};
    const int levels[3] = {0, 1, 2};   // lowest, the player's, highest
    for (int i = 0; i < 3; ++i) {
        enemySlots[i] = new Aircraft{};
        enemySlots[i]->alive = 1;
        enemySlots[i]->posX = xs[i];
        enemySlots[i]->posY = 6.0f;
        enemySlots[i]->posZ = kLevelHeight[levels[i]];
    }
    player->alive = 1;
    player->posX = 0.0f;
    player->posY = 1.5f;
    player->posZ = kLevelHeight[1];
    player->hit = 1;   // first without the player's own shadow

    auto frameWith = [&](bool shadows) {
        VarSetFromText("g_arnyekok", shadows ? "1" : "0");
        Render();
        return frame;
    };
    const std::vector<std::uint8_t> plain = frameWith(false);
    const std::vector<std::uint8_t> shaded = frameWith(true);
    EXPECT_EQ(frameWith(false), plain) << "off: the scene as designed";

    // Per third of the screen: the darkened pixels, their darkening, and the red kept against the
    // green and blue taken.
    struct Blob {
        int pixels = 0;
        long darkening = 0;
        long redKept = 0;
        int top = kHeight;
    };
    auto blobs = [&](const std::vector<std::uint8_t>& with, int rowsFrom, int rowsTo) {
        std::array<Blob, 3> out{};
        for (int y = rowsFrom; y < rowsTo; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4;
                const int dr = plain[i] - with[i];
                const int dg = plain[i + 1] - with[i + 1];
                const int db = plain[i + 2] - with[i + 2];
                if (dr + dg + db < 24) {
                    continue;
                }
                Blob& blob = out[static_cast<std::size_t>(x * 3 / kWidth)];
                ++blob.pixels;
                blob.darkening += dr + dg + db;
                blob.redKept += (dg + db) / 2 - dr;
                blob.top = std::min(blob.top, y);
            }
        }
        return out;
    };
    const std::array<Blob, 3> enemy = blobs(shaded, 200, kHeight);
    for (const Blob& blob : enemy) {
        ASSERT_GT(blob.pixels, 30) << "every enemy casts a shadow";
    }
    EXPECT_GT(enemy[0].pixels, enemy[2].pixels * 3 / 2) << "the lowest level casts the larger shadow";
    EXPECT_GT(enemy[0].darkening / enemy[0].pixels, enemy[2].darkening / enemy[2].pixels) << "and the darker";
    EXPECT_GT(enemy[1].redKept / enemy[1].pixels, 25) << "the player's level: red";
    EXPECT_LT(enemy[0].redKept / enemy[0].pixels, 10) << "other levels: dark, not red";
    EXPECT_LT(enemy[2].redKept / enemy[2].pixels, 10);

    // The player's own shadow, nearer the camera and so lower on the screen, dark; an exploding
    // enemy casts none.
    player->hit = 0;
    enemySlots[2]->hit = 1;
    const std::array<Blob, 3> all = blobs(frameWith(true), 200, kHeight);
    EXPECT_GT(all[1].pixels, enemy[1].pixels + 30) << "the player's shadow joins the middle";
    EXPECT_EQ(all[2].pixels, 0) << "the exploding enemy's shadow is gone";
    VarListFree();
}
