// The generated default content: the generator is run, its output packed as the build packs it, and
// every file the game asks for is read back through the game's own archive code and loaders.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "../../support/console_lines.h"
#include "app/program.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/script.h"
#include "console/variables.h"
#include "d3dx/mesh.h"
#include "d3dx/texture_decode.h"
#include "platform/bass/bass.h"
#include "platform/bass/decode.h"
#include "resources/archive.h"
#include "resources/resources.h"
#include "resources/sound.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path MakeTempFolder()
{
    char pattern[] = "/tmp/assetgen-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return made != nullptr ? fs::path(made) : fs::path();
}

int RunGenerator(const fs::path& out)
{
    const std::string command = std::string("'") + ASSETGEN_BINARY + "' '" + out.string() + "' 2>&1";
    return std::system(command.c_str());
}

const char* const kMeshes[] = {"mut.x",      "mur.x",    "loszer01.x",    "b1.x",        "mt.x",    "mr.x",
                               "mf.x",       "msz1.x",   "msz2.x",        "mvcs1.x",     "mvcs2.x", "hangar01.x",
                               "hangar04.x", "torony.x", "menuhatter2.x", "menuhatter.x"};

// Texture, its size, and the colour key the game loads it with.
struct TextureExpectation {
    std::string name;
    UINT width, height;
    D3DCOLOR key;
};

std::vector<TextureExpectation> Textures()
{
    std::vector<TextureExpectation> t = {
        {"ocean.bmp", 256, 256, 0xFFFF00FFu}, {"horizont.bmp", 1024, 256, 0xFF000000u},
        {"hud.bmp", 1024, 256, 0xFFFF00FFu},  {"menuhatter.bmp", 512, 512, 0xFFFF00FFu},
        {"ablak.dds", 256, 128, 0xFF000000u}, {"konzol.dds", 512, 256, 0xFF000000u},
        {"intro.bmp", 512, 512, 0xFF000000u},
    };
    for (int i = 1; i <= 16; ++i) {
        t.push_back({"robban" + std::to_string(i) + ".dds", 128, 128, 0xFF000000u});
    }
    return t;
}

// Sound files and their lengths in seconds.
std::map<std::string, double> Sounds()
{
    std::map<std::string, double> s = {
        {"klikk.wav", 0.05},         {"over.wav", 0.09},         {"szelfuvas.wav", 2.0},
        {"motor.wav", 1.0},          {"tuzel.wav", 0.07},        {"bombaz.wav", 1.6},
        {"robban_bomba1.wav", 1.2},  {"robban_bomba2.wav", 1.4}, {"robban_epulet1.wav", 2.0},
        {"robban_epulet2.wav", 2.2}, {"legiriado.mp3", 9.0},     {"robban_repulo.wav", 1.5},
    };
    for (int i = 1; i <= 6; ++i) {
        s["talalat" + std::to_string(i) + ".wav"] = 0.14 + 0.02 * i;
    }
    return s;
}

// The content generated and packed once for the whole suite.
class ContentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        root_ = MakeTempFolder();
        ASSERT_FALSE(root_.empty());
        ASSERT_EQ(RunGenerator(root_ / "out"), 0);
        std::vector<std::string> names;
        std::string error;
        ASSERT_TRUE(ArchivePackFolder((root_ / "out" / "data").string(), (root_ / "data.vrk").string(), names, error))
            << error;
        archive_ = ReadFile(root_ / "data.vrk");
        ASSERT_TRUE(ArchiveParseDirectory(archive_, directory_));
    }

    static void TearDownTestSuite()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // A member's bytes by its name in the archive; empty when it is missing.
    static std::string Member(const std::string& name)
    {
        for (const ArchiveRecord& r : directory_.records) {
            if (r.name == name && r.problem == ArchiveProblem::None) {
                return archive_.substr(r.offset, r.size);
            }
        }
        return {};
    }

    static fs::path root_;
    static std::string archive_;
    static ArchiveDirectory directory_;
};

fs::path ContentTest::root_;
std::string ContentTest::archive_;
ArchiveDirectory ContentTest::directory_;

TEST_F(ContentTest, ArchiveHoldsExactlyTheFilesTheGameLoads)
{
    std::vector<std::string> expected;
    for (const char* m : kMeshes) {
        expected.push_back(std::string("mesh\\") + m);
    }
    for (const TextureExpectation& t : Textures()) {
        expected.push_back("textures\\" + t.name);
    }
    for (const auto& [name, seconds] : Sounds()) {
        expected.push_back("sound\\" + name);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> stored;
    for (const ArchiveRecord& r : directory_.records) {
        EXPECT_EQ(r.problem, ArchiveProblem::None) << r.name;
        EXPECT_GT(r.size, 0u) << r.name;
        stored.push_back(r.name);
    }
    EXPECT_EQ(stored, expected);
}

// ---- Meshes ---------------------------------------------------------------------------------------

struct LoadedMesh {
    DWORD materials = 0;
    D3DXVECTOR3 minimum{}, maximum{};
    std::vector<D3DXVECTOR3> positions;
};

// Loads through the .x loader, optimises and strips every material as the game does; bounds from the
// vertices.
LoadedMesh LoadMesh(const std::string& bytes, const std::string& name)
{
    LoadedMesh out;
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromXInMemory(bytes.data(), static_cast<DWORD>(bytes.size()), D3DXMESH_MANAGED, nullptr,
                                           &adjacency, &materials, nullptr, &out.materials, &mesh);
    EXPECT_EQ(hr, S_OK) << name;
    if (FAILED(hr)) {
        return out;
    }
    EXPECT_GE(out.materials, 1u) << name;
    EXPECT_TRUE(mesh->GetFVF() & D3DFVF_NORMAL) << name;
    const auto* list = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD m = 0; m < out.materials; ++m) {
        const D3DCOLORVALUE& d = list[m].MatD3D.Diffuse;
        EXPECT_FLOAT_EQ(d.a, 1.0f) << name << " material " << m;
        EXPECT_GT(d.r + d.g + d.b, 0.0f) << name << " material " << m;
        EXPECT_EQ(list[m].pTextureFilename, nullptr) << name << " material " << m;
    }
    ID3DXMesh* optimised = nullptr;
    hr =
        mesh->Optimize(D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED,
                       static_cast<const DWORD*>(adjacency->GetBufferPointer()), nullptr, nullptr, nullptr, &optimised);
    EXPECT_EQ(hr, S_OK) << name;
    if (SUCCEEDED(hr)) {
        // Every material has triangles to draw as a strip.
        for (DWORD m = 0; m < out.materials; ++m) {
            ID3DXBuffer* strip = nullptr;
            DWORD count = 0;
            EXPECT_EQ(MeshSubsetSingleStrip(optimised, m, &strip, &count), S_OK) << name;
            EXPECT_GE(count, 3u) << name << " material " << m;
            if (strip != nullptr) {
                strip->Release();
            }
        }
        optimised->Release();
    }
    void* data = nullptr;
    if (SUCCEEDED(mesh->LockVertexBuffer(0, &data))) {
        const DWORD stride = mesh->GetNumBytesPerVertex();
        for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
            D3DXVECTOR3 p;
            std::memcpy(&p, static_cast<const std::uint8_t*>(data) + v * stride, sizeof p);
            out.positions.push_back(p);
        }
        mesh->UnlockVertexBuffer();
    }
    if (!out.positions.empty()) {
        out.minimum = out.maximum = out.positions[0];
        for (const D3DXVECTOR3& p : out.positions) {
            out.minimum = {std::fmin(out.minimum.x, p.x), std::fmin(out.minimum.y, p.y), std::fmin(out.minimum.z, p.z)};
            out.maximum = {std::fmax(out.maximum.x, p.x), std::fmax(out.maximum.y, p.y), std::fmax(out.maximum.z, p.z)};
        }
    }
    mesh->Release();
    materials->Release();
    adjacency->Release();
    return out;
}

D3DXVECTOR3 Mean(const std::vector<D3DXVECTOR3>& points)
{
    D3DXVECTOR3 sum{0, 0, 0};
    for (const D3DXVECTOR3& p : points) {
        sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
    }
    const float n = points.empty() ? 1.0f : static_cast<float>(points.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

TEST_F(ContentTest, EveryMeshLoadsWithMaterialsAndStrips)
{
    for (const char* m : kMeshes) {
        const LoadedMesh mesh = LoadMesh(Member(std::string("mesh\\") + m), m);
        EXPECT_FALSE(mesh.positions.empty()) << m;
    }
}

TEST_F(ContentTest, PlayerPartsAssembleIntoOneAircraftAroundTheCentre)
{
    // Offsets as the scene places the parts: propeller 0.28 ahead, tail 0.1276 behind, the rest at 0.
    const std::map<std::string, float> offsets = {{"mt.x", 0.0f},   {"mr.x", 0.28f},  {"mf.x", -0.1276f},
                                                  {"msz1.x", 0.0f}, {"msz2.x", 0.0f}, {"mvcs1.x", 0.0f},
                                                  {"mvcs2.x", 0.0f}};
    float minY = 1e9f, maxY = -1e9f, minX = 1e9f, maxX = -1e9f;
    std::map<std::string, LoadedMesh> parts;
    for (const auto& [file, dy] : offsets) {
        parts[file] = LoadMesh(Member("mesh\\" + file), file);
        minY = std::fmin(minY, parts[file].minimum.y + dy);
        maxY = std::fmax(maxY, parts[file].maximum.y + dy);
        minX = std::fmin(minX, parts[file].minimum.x);
        maxX = std::fmax(maxX, parts[file].maximum.x);
    }
    EXPECT_NEAR(maxY - minY, 0.6f, 0.05f);   // about 0.6 long
    EXPECT_NEAR(maxY + minY, 0.0f, 0.06f);   // centred on the aircraft's centre
    EXPECT_GT(maxY, 0.25f);                  // nose toward +y, the propeller in front
    EXPECT_NEAR(maxX, -minX, 0.01f);         // symmetric wings
    // Left halves on the left, right halves on the right.
    EXPECT_LE(parts["msz1.x"].maximum.x, 0.0f);
    EXPECT_GE(parts["msz2.x"].minimum.x, 0.0f);
    EXPECT_LE(parts["mvcs1.x"].maximum.x, 0.0f);
    EXPECT_GE(parts["mvcs2.x"].minimum.x, 0.0f);
    // The propeller turns about its own pivot: its blades lie evenly around it, thin along y.
    const LoadedMesh& prop = parts["mr.x"];
    const D3DXVECTOR3 hub = Mean(prop.positions);
    EXPECT_NEAR(hub.x, 0.0f, 0.01f);
    EXPECT_NEAR(hub.z, 0.0f, 0.01f);
    EXPECT_GT(prop.maximum.x - prop.minimum.x, 0.15f);
    EXPECT_LT(prop.maximum.y - prop.minimum.y, 0.1f);
    // The fin stands on top (toward -z), behind the centre once placed.
    EXPECT_LT(parts["mf.x"].minimum.z, -0.08f);
    EXPECT_LT(parts["mf.x"].maximum.y - 0.1276f, -0.15f);
}

TEST_F(ContentTest, EnemyBulletAndBombPointTowardPlusY)
{
    const LoadedMesh body = LoadMesh(Member("mesh\\mut.x"), "mut.x");
    const LoadedMesh prop = LoadMesh(Member("mesh\\mur.x"), "mur.x");
    EXPECT_NEAR(body.maximum.y - body.minimum.y + 0.07f, 0.6f, 0.06f);
    const D3DXVECTOR3 hub = Mean(prop.positions);
    EXPECT_NEAR(hub.x, 0.0f, 0.01f);
    EXPECT_NEAR(hub.z, 0.0f, 0.01f);
    // The propeller's pivot, 0.28 ahead, lies just in front of the body's nose.
    EXPECT_NEAR(body.maximum.y, 0.25f, 0.03f);
    for (const char* file : {"loszer01.x", "b1.x"}) {
        const LoadedMesh m = LoadMesh(Member(std::string("mesh\\") + file), file);
        const float lengthY = m.maximum.y - m.minimum.y;
        EXPECT_GT(lengthY, 2.0f * (m.maximum.x - m.minimum.x)) << file;
        EXPECT_LT(lengthY, 0.25f) << file;
    }
}

TEST_F(ContentTest, BuildingsStandOnTheirOriginAndAreHitBoxSized)
{
    for (const char* file : {"hangar01.x", "hangar04.x", "torony.x"}) {
        const LoadedMesh m = LoadMesh(Member(std::string("mesh\\") + file), file);
        EXPECT_FLOAT_EQ(m.maximum.z, 0.0f) << file;  // base at z = 0
        EXPECT_LT(m.minimum.z, -0.4f) << file;       // rising toward -z
        EXPECT_NEAR(m.maximum.x + m.minimum.x, 0.0f, 0.01f) << file;
        EXPECT_NEAR(m.maximum.y + m.minimum.y, 0.0f, 0.01f) << file;
        for (float extent : {m.maximum.x - m.minimum.x, m.maximum.y - m.minimum.y}) {
            EXPECT_GE(extent, 1.0f) << file;
            EXPECT_LE(extent, 2.0f) << file;
        }
    }
}

TEST_F(ContentTest, MenuBackgroundMeshesLieInViewBehindTheCaptions)
{
    // The front end's world transforms and the menu camera (eye at the origin looking along +z).
    struct Placement {
        const char* file;
        float yaw, pitch, roll, x, y, z;
    };
    const float deg = 0.017453292f;
    for (const Placement& p : {Placement{"menuhatter2.x", 20 * deg, 65 * deg, 170 * deg, 5.6f, 0.0f, 13.8f},
                               Placement{"menuhatter.x", -20 * deg, 65 * deg, 200 * deg, -6.6f, -0.4f, 13.5f}}) {
        const LoadedMesh m = LoadMesh(Member(std::string("mesh\\") + p.file), p.file);
        D3DXMATRIX rotation, translation, world;
        D3DXMatrixRotationYawPitchRoll(&rotation, p.yaw, p.pitch, p.roll);
        D3DXMatrixTranslation(&translation, p.x, p.y, p.z);
        D3DXMatrixMultiply(&world, &rotation, &translation);
        const float yScale = 1.0f / std::tan(1.18105f * 0.5f), xScale = yScale / 1.333333f;
        float minScreenX = 1e9f, maxScreenX = -1e9f;
        for (const D3DXVECTOR3& v : m.positions) {
            D3DXVECTOR3 w;
            D3DXVec3TransformCoord(&w, &v, &world);
            EXPECT_GT(w.z, 8.5f) << p.file;  // behind the menu captions at depth 7.5 to 8
            const float sx = w.x * xScale / w.z, sy = w.y * yScale / w.z;
            EXPECT_LT(std::fabs(sy), 1.0f) << p.file;
            minScreenX = std::fmin(minScreenX, sx);
            maxScreenX = std::fmax(maxScreenX, sx);
        }
        EXPECT_GT(minScreenX, -1.0f) << p.file;
        EXPECT_LT(maxScreenX, 1.0f) << p.file;
        // A sizeable picture at its side of the screen.
        EXPECT_GT(maxScreenX - minScreenX, 0.25f) << p.file;
        EXPECT_GT(std::fabs(minScreenX + maxScreenX), 0.6f) << p.file;
    }
}

// ---- Textures -------------------------------------------------------------------------------------

TEST_F(ContentTest, TexturesDecodeWithTheirSizeAndTransparency)
{
    for (const TextureExpectation& t : Textures()) {
        const std::string bytes = Member("textures\\" + t.name);
        DecodedImage image;
        ASSERT_EQ(TextureDecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image), S_OK)
            << t.name;
        EXPECT_EQ(image.width, t.width) << t.name;
        EXPECT_EQ(image.height, t.height) << t.name;
        std::vector<D3DCOLOR> keyed = image.texels;
        TextureApplyColorKey(keyed, t.key);
        std::size_t clear = 0;
        for (D3DCOLOR c : keyed) {
            clear += (c >> 24) == 0 ? 1 : 0;
        }
        const bool sprite = t.name.rfind("robban", 0) == 0;
        const bool panel = t.name == "ablak.dds" || t.name == "konzol.dds";
        if (sprite || panel || t.name == "hud.bmp") {
            // Mostly see-through explosions and HUD band; panels with rounded, see-through corners.
            EXPECT_GT(clear, panel ? 100u : keyed.size() / 4) << t.name;
            EXPECT_LT(clear, keyed.size()) << t.name;
        }
        if (sprite || panel) {
            EXPECT_EQ(keyed.front() >> 24, 0u) << t.name;
            EXPECT_EQ(keyed.back() >> 24, 0u) << t.name;
        }
        if (panel) {
            // Translucent in the middle, so the scene shows through behind the text.
            const D3DCOLOR middle = image.texels[image.height / 2 * image.width + image.width / 2];
            EXPECT_GT(middle >> 24, 128u) << t.name;
            EXPECT_LT(middle >> 24, 255u) << t.name;
        }
        if (!sprite && !panel && t.name != "hud.bmp") {
            EXPECT_EQ(clear, 0u) << t.name << ": a picture without transparent parts holds its key colour";
        }
    }
}

TEST_F(ContentTest, TextureDetails)
{
    auto decode = [](const std::string& bytes) {
        DecodedImage image;
        EXPECT_EQ(TextureDecodeImage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), image), S_OK);
        return image;
    };
    // Compressed and uncompressed DDS both.
    EXPECT_EQ(decode(Member("textures\\robban1.dds")).format, D3DFMT_DXT5);
    EXPECT_EQ(decode(Member("textures\\konzol.dds")).format, D3DFMT_A8R8G8B8);
    // The sea tiles: its opposite edges differ no more than neighbouring columns and rows do.
    const DecodedImage sea = decode(Member("textures\\ocean.bmp"));
    auto channelStep = [](D3DCOLOR a, D3DCOLOR b) {
        int most = 0;
        for (int shift : {0, 8, 16}) {
            most =
                std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
        }
        return most;
    };
    int seam = 0, inside = 0;
    for (UINT i = 0; i < sea.width; ++i) {
        seam = std::max(seam, channelStep(sea.texels[i * sea.width], sea.texels[i * sea.width + sea.width - 1]));
        seam = std::max(seam, channelStep(sea.texels[i], sea.texels[(sea.height - 1) * sea.width + i]));
        for (UINT j = 0; j + 1 < sea.width; ++j) {
            inside = std::max(inside, channelStep(sea.texels[i * sea.width + j], sea.texels[i * sea.width + j + 1]));
            inside = std::max(inside, channelStep(sea.texels[j * sea.width + i], sea.texels[(j + 1) * sea.width + i]));
        }
    }
    EXPECT_LE(seam, inside);
    // The horizon fades to the light grey of the fog at its bottom.
    const DecodedImage horizon = decode(Member("textures\\horizont.bmp"));
    const D3DCOLOR bottom = horizon.texels[(horizon.height - 1) * horizon.width + horizon.width / 2];
    EXPECT_LE(channelStep(bottom, 0xFFC8C8C8u), 16);
    // The explosion grows: more of the last frames than of the first is visible.
    auto visible = [&](const std::string& name) {
        const DecodedImage frame = decode(Member("textures\\" + name));
        std::size_t n = 0;
        for (D3DCOLOR c : frame.texels) {
            n += (c >> 24) > 16 ? 1 : 0;
        }
        return n;
    };
    EXPECT_LT(visible("robban1.dds"), visible("robban8.dds"));
    // The HUD's fields are opaque where the numbers are written: health at pixel (24, 46) of 800 x 600.
    const DecodedImage hud = decode(Member("textures\\hud.bmp"));
    const float scale = 1024.0f / 800.0f;
    for (auto [x, y] : {std::pair{30, 52}, std::pair{20, 140}, std::pair{44, 190}, std::pair{760, 45},
                        std::pair{770, 104}, std::pair{760, 174}}) {
        const D3DCOLOR texel = hud.texels[static_cast<UINT>(y * scale) * hud.width + static_cast<UINT>(x * scale)];
        EXPECT_NE(texel, 0xFFFF00FFu) << x << "," << y;
    }
    // ... and see-through in the middle of the band.
    EXPECT_EQ(hud.texels[static_cast<UINT>(100 * scale) * hud.width + 512], 0xFFFF00FFu);
}

// ---- Sounds ---------------------------------------------------------------------------------------

TEST_F(ContentTest, SoundsPlayThroughTheAudioLibraryWithTheirLength)
{
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    for (const auto& [name, seconds] : Sounds()) {
        const std::string bytes = Member("sound\\" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        const HSTREAM stream = BASS_StreamCreateFile(TRUE, bytes.data(), 0, static_cast<DWORD>(bytes.size()), 0);
        EXPECT_NE(stream, 0u) << name << " error " << BASS_ErrorGetCode();
        BASS_StreamFree(stream);
        DecodedSound sound;
        ASSERT_EQ(DecodeSoundImage(bytes.data(), bytes.size(), false, sound), BASS_OK) << name;
        EXPECT_EQ(sound.channels, 1) << name;
        EXPECT_EQ(sound.rate, 22050) << name;
        const double length = static_cast<double>(sound.samples.size()) / sound.rate;
        // MPEG frames add a little padding.
        const double tolerance = name.ends_with(".mp3") ? 0.12 : 0.001;
        EXPECT_NEAR(length, seconds, tolerance) << name;
        int peak = 0;
        for (std::int16_t s : sound.samples) {
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        }
        EXPECT_GT(peak, 8000) << name << " is (nearly) silent";
        EXPECT_LT(peak, 32767) << name << " clips";
    }
    BASS_Free();
}

TEST_F(ContentTest, LoopsJoinWithoutAClick)
{
    for (const char* name : {"motor.wav", "szelfuvas.wav"}) {
        const std::string bytes = Member(std::string("sound\\") + name);
        DecodedSound sound;
        ASSERT_EQ(DecodeSoundImage(bytes.data(), bytes.size(), false, sound), BASS_OK) << name;
        const std::vector<std::int16_t>& s = sound.samples;
        ASSERT_GT(s.size(), 100u);
        double meanStep = 0.0;
        for (std::size_t i = 1; i < s.size(); ++i) {
            meanStep += std::abs(s[i] - s[i - 1]);
        }
        meanStep /= static_cast<double>(s.size() - 1);
        // The step from the last sample back to the first is an ordinary step.
        EXPECT_LE(std::abs(s.front() - s.back()), 3.0 * meanStep + 2.0) << name;
    }
}

// ---- Start-up script ------------------------------------------------------------------------------

TEST_F(ContentTest, StartUpScriptSetsTheWindowVariablesAndBindings)
{
    const fs::path previous = fs::current_path();
    fs::current_path(root_ / "out");
    ProgramReset();
    ScriptExecute("exec.vrs");
    fs::current_path(previous);
    EXPECT_EQ(VarGetInt("g_ablakos"), 1);
    EXPECT_EQ(VarGetInt("g_hosszusag"), 800);
    EXPECT_EQ(VarGetInt("g_magassag"), 600);
    EXPECT_EQ(VarGetInt("h_konzol"), 1);
    EXPECT_EQ(VarGetInt("h_dev"), 0);
    EXPECT_GT(VarGetInt("g_hertz"), 0);
    EXPECT_GT(VarGetInt("h_hangero"), 0);
    EXPECT_FLOAT_EQ(VarGetFloat("g_tween"), 0.5f);
    ASSERT_NE(VarGetString("j_jatekosnev"), nullptr);
    const std::map<std::string, std::string> bindings = {{"UP", "elore"},     {"DOWN", "hatra"},      {"LEFT", "balra"},
                                                         {"RIGHT", "jobbra"}, {"a", "emelkedik"},     {"z", "sulyed"},
                                                         {"SPACE", "tuzel"},  {"LCONTROL", "bombaz"}, {"p", "pause"},
                                                         {"F5", "save"},      {"F9", "load"}};
    for (const auto& [key, command] : bindings) {
        EXPECT_STREQ(keyBindings[KeyCodeFromName(key.c_str())], command.c_str()) << key;
    }
    ProgramReset();
}

// ---- Determinism ----------------------------------------------------------------------------------

TEST(ContentGenerator, WritesTheSameBytesOnEveryRun)
{
    const fs::path root = MakeTempFolder();
    ASSERT_FALSE(root.empty());
    ASSERT_EQ(RunGenerator(root / "a"), 0);
    ASSERT_EQ(RunGenerator(root / "b"), 0);
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / "a")) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const fs::path relative = fs::relative(entry.path(), root / "a");
        ASSERT_TRUE(fs::exists(root / "b" / relative)) << relative;
        EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(root / "b" / relative)) << relative;
        ++files;
    }
    EXPECT_EQ(files, 16u + 23u + 18u + 1u);
    std::vector<std::string> names;
    std::string error;
    ASSERT_TRUE(ArchivePackFolder((root / "a" / "data").string(), (root / "a.vrk").string(), names, error));
    ASSERT_TRUE(ArchivePackFolder((root / "b" / "data").string(), (root / "b.vrk").string(), names, error));
    EXPECT_TRUE(ReadFile(root / "a.vrk") == ReadFile(root / "b.vrk"));
    std::error_code ec;
    fs::remove_all(root, ec);
}

TEST(ContentGenerator, RefusesAMissingFolderArgument)
{
    const std::string command = std::string("'") + ASSETGEN_BINARY + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
}

}  // namespace

// The siren is started at full volume and faded out; the volume only takes on a loaded sound, so the
// start-up script loads it: setting its attributes before its first play raises no audio error.
TEST_F(ContentTest, StartUpScriptPreparesTheSirenForItsFirstFade)
{
    const fs::path previous = fs::current_path();
    fs::copy_file(root_ / "out" / "exec.vrs", root_ / "exec.vrs", fs::copy_options::overwrite_existing);
    fs::current_path(root_);
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    ProgramReset();
    ResourceScanArchives();
    ScriptExecute("exec.vrs");
    SoundStop("sound\\legiriado.mp3");
    SoundSetAttributes("sound\\legiriado.mp3", -1, 100, -101);
    fs::current_path(previous);
    for (const std::string& line : PrintedLines()) {
        EXPECT_EQ(line.find("Hiba"), std::string::npos) << line;
        EXPECT_EQ(line.find("BASS_ERROR"), std::string::npos) << line;
    }
    ResourceFreeAll();
    BASS_Free();
    ProgramReset();
}
