// Loading meshes and building text meshes, as start-up and graf_restart do.
//
// The game's own sixteen meshes are generated content; comparable ones are generated here: aircraft
// parts, buildings and backdrops as lathed and boxed shapes of 200 to 5000 triangles with normals,
// texture coordinates and two or three materials, written as text .x files into one archive in a
// temporary working directory. Buffers live on a device kept in memory, so the figures are the CPU
// work of parsing, cloning, optimising, strip building and tessellating, without OpenGL.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/memory_device.h"
#include "../tests/support/xfile_writer.h"
#include "app/graphics.h"
#include "console/console.h"
#include "d3dx/text3d.h"
#include "resources/archive.h"
#include "resources/mesh.h"
#include "resources/resources.h"

namespace {

// A closed lathed body (rings x segments quads, capped by fans) with three materials by length.
XMeshSpec LathedPart(unsigned rings, unsigned segments, float length, float radius)
{
    XMeshSpec m;
    for (unsigned r = 0; r <= rings; ++r) {
        const float t = static_cast<float>(r) / static_cast<float>(rings);
        const float bulge = radius * (0.3f + std::sin(t * 3.14159265f));
        for (unsigned s = 0; s < segments; ++s) {
            const float a = static_cast<float>(s) * 2.0f * 3.14159265f / static_cast<float>(segments);
            m.positions.insert(m.positions.end(), {bulge * std::cos(a), t * length, bulge * std::sin(a)});
            m.normals.insert(m.normals.end(), {std::cos(a), 0.0f, std::sin(a)});
            m.texCoords.insert(m.texCoords.end(), {static_cast<float>(s) / static_cast<float>(segments), t});
        }
    }
    for (unsigned r = 0; r < rings; ++r) {
        for (unsigned s = 0; s < segments; ++s) {
            const unsigned a = r * segments + s, b = r * segments + (s + 1) % segments;
            m.faces.push_back({a, a + segments, b + segments, b});
            m.normalFaces.push_back({a, a + segments, b + segments, b});
            m.faceMaterials.push_back(r * 3 / rings);
        }
    }
    std::vector<unsigned> front, back;
    for (unsigned s = 0; s < segments; ++s) {
        front.push_back(segments - 1 - s);
        back.push_back(rings * segments + s);
    }
    m.faces.push_back(front);
    m.faces.push_back(back);
    m.normalFaces.push_back(front);
    m.normalFaces.push_back(back);
    m.faceMaterials.insert(m.faceMaterials.end(), {0, 2});
    XMaterialSpec body, stripe, glass;
    body.r = 0.6f;
    stripe.g = 0.2f;
    glass.b = 0.9f;
    glass.a = 0.5f;
    m.materials = {body, stripe, glass};
    return m;
}

struct GameMeshSize {
    const char* name;
    unsigned rings;
    unsigned segments;
};

// Sizes of the sixteen files: light projectiles, heavier aircraft parts and buildings, large backdrops.
constexpr GameMeshSize kSizes[] = {
    {"mesh\\mut.x", 40, 32},        {"mesh\\mur.x", 6, 16},     {"mesh\\loszer01.x", 6, 8},
    {"mesh\\b1.x", 12, 12},         {"mesh\\mt.x", 48, 40},     {"mesh\\mr.x", 6, 16},
    {"mesh\\mf.x", 24, 24},         {"mesh\\msz1.x", 16, 16},   {"mesh\\msz2.x", 16, 16},
    {"mesh\\mvcs1.x", 10, 12},      {"mesh\\mvcs2.x", 10, 12},  {"mesh\\hangar01.x", 20, 24},
    {"mesh\\hangar04.x", 20, 24},   {"mesh\\torony.x", 30, 20}, {"mesh\\menuhatter2.x", 60, 40},
    {"mesh\\menuhatter.x", 60, 40},
};

// A temporary working directory with data.vrk holding the sixteen meshes; the device in memory.
struct MeshBench {
    MemoryDevice memory;
    std::filesystem::path folder;
    std::filesystem::path previous;
    std::vector<std::string> images;

    MeshBench()
    {
        char pattern[] = "/tmp/mesh-bench-XXXXXX";
        folder = ::mkdtemp(pattern);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        std::vector<ArchiveMember> members;
        for (const GameMeshSize& size : kSizes) {
            images.push_back(XWriter(false).Write({LathedPart(size.rings, size.segments, 3.0f, 0.5f)}));
            members.push_back({size.name, images.back()});
        }
        std::string archive, error;
        ArchiveBuild(members, archive, error);
        std::ofstream("data.vrk", std::ios::binary) << archive;
        ConsoleSetEcho(false);
        ConsoleInit(console);
        ResourceScanArchives();
        device = &memory;
    }
    ~MeshBench()
    {
        MeshListFree();
        TextMeshesRelease();
        ResourceFreeAll();
        device = nullptr;
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
};

void ParseLargestMesh(benchmark::State& state)
{
    const bool binary = state.range(0) != 0;
    const std::string image = XWriter(binary).Write({LathedPart(60, 40, 3.0f, 0.5f)});
    for (auto _ : state) {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        D3DXLoadMeshFromXInMemory(image.data(), static_cast<DWORD>(image.size()), D3DXMESH_MANAGED, nullptr, &adjacency,
                                  nullptr, nullptr, nullptr, &mesh);
        benchmark::DoNotOptimize(mesh);
        mesh->Release();
        adjacency->Release();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(image.size()));
    state.SetLabel(binary ? "binary, 4882 triangles" : "text, 4882 triangles");
}
BENCHMARK(ParseLargestMesh)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// MeshLoad and MeshComputeBounds of the sixteen files from the archive: parse, clone to 0x112,
// optimise, strips per material, bounds.
void LoadSixteenMeshes(benchmark::State& state)
{
    MeshBench bench;
    std::size_t triangles = 0;
    for (auto _ : state) {
        for (const GameMeshSize& size : kSizes) {
            MeshLoad(size.name, "mesh\\", 1);
            MeshComputeBounds(meshListCurrent);
        }
        state.PauseTiming();
        triangles = 0;
        for (MeshEntry* e = meshListHead; e != nullptr; e = e->next) {
            triangles += e->mesh != nullptr ? e->mesh->GetNumFaces() : 0;
        }
        MeshListFree();
        state.ResumeTiming();
    }
    state.SetLabel(std::to_string(triangles) + " triangles");
}
BENCHMARK(LoadSixteenMeshes)->Unit(benchmark::kMillisecond);

// The six text meshes, each through TextMeshCreate (font lookup, outlines, tessellation, normals).
void BuildSixTextMeshes(benchmark::State& state)
{
    MeshBench bench;
    const char* texts[] = {"New game", "Load game", "Resume", "High scores", "Exit"};
    std::size_t triangles = 0;
    for (auto _ : state) {
        TextMeshCreate(5, "bookman old style", 72, 0.3f, true, false, "AVIORRA");
        for (int slot = 0; slot < 5; ++slot) {
            TextMeshCreate(slot, "tahoma", 1, 0.3f, true, false, texts[slot]);
        }
        state.PauseTiming();
        triangles = 0;
        for (ID3DXMesh* mesh : textMeshes) {
            triangles += mesh != nullptr ? mesh->GetNumFaces() : 0;
        }
        TextMeshesRelease();
        state.ResumeTiming();
    }
    state.SetLabel(std::to_string(triangles) + " triangles");
}
BENCHMARK(BuildSixTextMeshes)->Unit(benchmark::kMillisecond);

// The whole of MeshListLoadAll, as start-up runs it.
void MeshListLoadAllOnce(benchmark::State& state)
{
    MeshBench bench;
    for (auto _ : state) {
        MeshListLoadAll();
        state.PauseTiming();
        MeshListFree();
        TextMeshesRelease();
        state.ResumeTiming();
    }
}
BENCHMARK(MeshListLoadAllOnce)->Unit(benchmark::kMillisecond);

}  // namespace
