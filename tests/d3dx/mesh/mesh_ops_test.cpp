// Mesh operations without a device: cloning, optimisation, strips, normals, adjacency.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "../../support/mesh_helpers.h"
#include "../../support/xfile_writer.h"

namespace {

class MeshOps : public ::testing::Test {
protected:
    void TearDown() override
    {
        const D3DXMeshObjectCounts live = D3DXLiveMeshObjects();
        EXPECT_EQ(live.meshes + live.buffers, 0) << "a mesh or buffer was not released";
    }
};

ID3DXMesh* Optimised(ID3DXMesh* mesh, const DWORD* adjacency)
{
    ID3DXMesh* out = nullptr;
    EXPECT_EQ(mesh->Optimize(D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED, adjacency, nullptr, nullptr, nullptr, &out),
              S_OK);
    return out;
}

// Position triples of every triangle of one attribute, so two meshes with different vertex orders
// can be compared.
std::multiset<std::array<float, 9>> PositionTriangles(ID3DXMesh* mesh, DWORD attribute)
{
    std::multiset<std::array<float, 9>> out;
    for (const Triangle& t : SubsetTriangles(mesh, attribute)) {
        std::array<float, 9> key{};
        for (int k = 0; k < 3; ++k) {
            const D3DXVECTOR3 p = MeshPosition(mesh, t[k]);
            key[k * 3] = p.x;
            key[k * 3 + 1] = p.y;
            key[k * 3 + 2] = p.z;
        }
        // Rotate so the comparison keeps the winding but not the starting corner.
        std::array<float, 9> best = key;
        for (int r = 1; r < 3; ++r) {
            std::array<float, 9> rotated{};
            for (int k = 0; k < 9; ++k) {
                rotated[k] = key[(k + 3 * r) % 9];
            }
            best = std::min(best, rotated);
        }
        out.insert(best);
    }
    return out;
}

TEST_F(MeshOps, OptimiseSortsByAttributeAndKeepsEveryTriangle)
{
    Loaded x;
    LoadX(XWriter(false).Write({GridSpec(12)}), &x);
    ASSERT_EQ(x.hr, S_OK);
    ID3DXMesh* opt = Optimised(x.mesh, static_cast<DWORD*>(x.adjacency->GetBufferPointer()));
    ASSERT_NE(opt, nullptr);
    EXPECT_EQ(opt->GetNumFaces(), x.mesh->GetNumFaces());
    EXPECT_EQ(opt->GetNumVertices(), x.mesh->GetNumVertices());
    EXPECT_EQ(opt->GetFVF(), x.mesh->GetFVF());
    for (DWORD a = 0; a < 2; ++a) {
        EXPECT_EQ(PositionTriangles(opt, a), PositionTriangles(x.mesh, a)) << "attribute " << a;
    }
    // Faces are grouped: attribute 0 first, then 1, and the table says so.
    std::vector<DWORD> attributes = MeshAttributes(opt);
    EXPECT_TRUE(std::is_sorted(attributes.begin(), attributes.end()));
    D3DXATTRIBUTERANGE table[4];
    DWORD entries = 0;
    ASSERT_EQ(opt->GetAttributeTable(nullptr, &entries), S_OK);
    ASSERT_EQ(entries, 2u);
    opt->GetAttributeTable(table, &entries);
    EXPECT_EQ(table[0].AttribId, 0u);
    EXPECT_EQ(table[0].FaceStart, 0u);
    EXPECT_EQ(table[0].FaceCount, 144u);
    EXPECT_EQ(table[1].AttribId, 1u);
    EXPECT_EQ(table[1].FaceStart, 144u);
    EXPECT_EQ(table[1].FaceCount, 144u);
    opt->Release();
}

TEST_F(MeshOps, OptimiseDropsUnusedVerticesAndReportsItsRemaps)
{
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 6, 0, D3DFVF_XYZ, nullptr, &mesh), S_OK);
    float* v = nullptr;
    mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
    for (int i = 0; i < 18; ++i) {
        v[i] = static_cast<float>(i);
    }
    mesh->UnlockVertexBuffer();
    std::uint16_t* idx = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    const std::uint16_t faces[6] = {5, 4, 3, 0, 1, 5};  // vertex 2 is unused
    std::memcpy(idx, faces, sizeof(faces));
    mesh->UnlockIndexBuffer();
    DWORD* attr = nullptr;
    mesh->LockAttributeBuffer(0, &attr);
    attr[0] = 1;
    attr[1] = 0;
    mesh->UnlockAttributeBuffer();

    ID3DXMesh* opt = nullptr;
    ID3DXBuffer* vertexRemap = nullptr;
    DWORD faceRemap[2] = {};
    ASSERT_EQ(mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, faceRemap, &vertexRemap, &opt), S_OK);
    EXPECT_EQ(opt->GetNumVertices(), 5u);
    EXPECT_EQ(faceRemap[0], 1u);  // the attribute-0 face comes first
    EXPECT_EQ(faceRemap[1], 0u);
    ASSERT_EQ(vertexRemap->GetBufferSize(), 5 * sizeof(DWORD));
    const DWORD* remap = static_cast<const DWORD*>(vertexRemap->GetBufferPointer());
    std::vector<unsigned> indices = MeshIndices(opt);
    for (int i = 0; i < 6; ++i) {
        // Each new index names a vertex whose old number is the face's old index.
        EXPECT_EQ(remap[indices[i]], faces[(i + 3) % 6]);
        EXPECT_EQ(MeshPosition(opt, indices[i]).x, static_cast<float>(faces[(i + 3) % 6] * 3));
    }
    vertexRemap->Release();
    opt->Release();
    mesh->Release();
}

TEST_F(MeshOps, SingleStripOfEachSubsetDecodesToItsTrianglesWithTheirWinding)
{
    Loaded x;
    XMeshSpec grid = GridSpec(9);
    // An irregular third material on a scattered set of squares makes the strips join often.
    grid.materials.push_back(XMaterialSpec{});
    for (std::size_t f = 0; f < grid.faceMaterials.size(); f += 7) {
        grid.faceMaterials[f] = 2;
    }
    LoadX(XWriter(true).Write({grid}), &x);
    ASSERT_EQ(x.hr, S_OK);
    ID3DXMesh* opt = Optimised(x.mesh, nullptr);
    ASSERT_NE(opt, nullptr);
    for (DWORD a = 0; a < 3; ++a) {
        ID3DXBuffer* strip = nullptr;
        DWORD count = 0;
        ASSERT_EQ(MeshSubsetSingleStrip(opt, a, &strip, &count), S_OK);
        ASSERT_EQ(strip->GetBufferSize(), count * sizeof(DWORD));
        const auto* s = static_cast<const unsigned*>(strip->GetBufferPointer());
        EXPECT_EQ(DecodeStrip(s, count), SubsetTriangles(opt, a)) << "attribute " << a;
        strip->Release();

        ID3DXBuffer* strips = nullptr;
        ID3DXBuffer* lengths = nullptr;
        DWORD stripCount = 0;
        ASSERT_EQ(MeshSubsetStrips(opt, a, &strips, &count, &lengths, &stripCount), S_OK);
        ASSERT_EQ(lengths->GetBufferSize(), stripCount * sizeof(DWORD));
        const auto* all = static_cast<const unsigned*>(strips->GetBufferPointer());
        const auto* len = static_cast<const DWORD*>(lengths->GetBufferPointer());
        std::vector<Triangle> decoded;
        std::size_t at = 0;
        for (DWORD i = 0; i < stripCount; ++i) {
            std::vector<Triangle> part = DecodeStrip(all + at, len[i] + 2);
            decoded.insert(decoded.end(), part.begin(), part.end());
            at += len[i] + 2;
        }
        EXPECT_EQ(at, count);
        std::sort(decoded.begin(), decoded.end());
        EXPECT_EQ(decoded, SubsetTriangles(opt, a)) << "attribute " << a;
        strips->Release();
        lengths->Release();
    }
    // An attribute without faces has an empty strip.
    ID3DXBuffer* strip = nullptr;
    DWORD count = 77;
    ASSERT_EQ(MeshSubsetSingleStrip(opt, 9, &strip, &count), S_OK);
    EXPECT_EQ(count, 0u);
    strip->Release();
    opt->Release();
}

TEST_F(MeshOps, CloneToTheLitTexturedLayoutCopiesWhatBothFormatsHave)
{
    Loaded x;
    LoadX(XWriter(false).Write({GridSpec(2)}), &x);
    ASSERT_EQ(x.hr, S_OK);
    ASSERT_EQ(x.mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_TEX1);
    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(x.mesh->CloneMeshFVF(D3DXMESH_MANAGED, 0x112, nullptr, &clone), S_OK);
    EXPECT_EQ(clone->GetFVF(), 0x112u);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(MeshIndices(clone), MeshIndices(x.mesh));
    EXPECT_EQ(MeshAttributes(clone), MeshAttributes(x.mesh));
    const float* src = nullptr;
    const float* dst = nullptr;
    x.mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&src);
    clone->LockVertexBuffer(D3DLOCK_READONLY, (void**)&dst);
    for (unsigned v = 0; v < clone->GetNumVertices(); ++v) {
        const float* a = src + v * 5;
        const float* b = dst + v * 8;
        EXPECT_EQ(b[0], a[0]);
        EXPECT_EQ(b[2], a[2]);
        EXPECT_EQ(b[3], 0.0f);  // no normal in the source
        EXPECT_EQ(b[5], 0.0f);
        EXPECT_EQ(b[6], a[3]);  // u, v
        EXPECT_EQ(b[7], a[4]);
    }
    clone->UnlockVertexBuffer();
    x.mesh->UnlockVertexBuffer();

    // Normals computed on the flat grid face -z: the grid is clockwise seen from -z.
    ASSERT_EQ(D3DXComputeNormals(clone, nullptr), S_OK);
    clone->LockVertexBuffer(D3DLOCK_READONLY, (void**)&dst);
    for (unsigned v = 0; v < clone->GetNumVertices(); ++v) {
        EXPECT_NEAR(dst[v * 8 + 5], -1.0f, 1e-6f);
    }
    clone->UnlockVertexBuffer();
    // A format without normals cannot have them computed.
    EXPECT_EQ(D3DXComputeNormals(x.mesh, nullptr), D3DERR_INVALIDCALL);
    clone->Release();
}

TEST_F(MeshOps, ComputedCubeNormalsPointOutward)
{
    for (bool split : {true, false}) {
        Loaded x;
        LoadX(XWriter(false).Write({CubeSpec(split)}), &x);
        ASSERT_EQ(x.hr, S_OK);
        ID3DXMesh* lit = nullptr;
        ASSERT_EQ(x.mesh->CloneMeshFVF(D3DXMESH_MANAGED, 0x112, nullptr, &lit), S_OK);
        ASSERT_EQ(D3DXComputeNormals(lit, nullptr), S_OK);
        std::vector<unsigned> indices = MeshIndices(lit);
        const float* v = nullptr;
        lit->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v);
        for (std::size_t i = 0; i < indices.size(); ++i) {
            const float* p = v + indices[i] * 8;
            const D3DXVECTOR3 position(p[0], p[1], p[2]), normal(p[3], p[4], p[5]);
            EXPECT_NEAR(D3DXVec3Length(&normal), 1.0f, 1e-5f);
            // Outward: along the position, and for split faces exactly the face's axis.
            EXPECT_GT(D3DXVec3Dot(&normal, &position), 0.5f);
            if (split) {
                const float along = std::max({std::fabs(normal.x), std::fabs(normal.y), std::fabs(normal.z)});
                EXPECT_NEAR(along, 1.0f, 1e-5f);
            } else {
                EXPECT_NEAR(std::fabs(normal.x), 1.0f / std::sqrt(3.0f), 1e-5f);
            }
        }
        lit->UnlockVertexBuffer();
        lit->Release();
    }
}

TEST_F(MeshOps, AdjacencySmoothsNormalsAcrossSplitVertices)
{
    // With its adjacency, the split cube's corners are smoothed like shared ones.
    Loaded x;
    LoadX(XWriter(false).Write({CubeSpec(true)}), &x);
    ASSERT_EQ(x.hr, S_OK);
    ASSERT_EQ(D3DXComputeNormals(x.mesh, static_cast<DWORD*>(x.adjacency->GetBufferPointer())), S_OK);
    const float* v = nullptr;
    x.mesh->LockVertexBuffer(D3DLOCK_READONLY, (void**)&v);
    for (unsigned i = 0; i < x.mesh->GetNumVertices(); ++i) {
        EXPECT_NEAR(std::fabs(v[i * 6 + 3]), 1.0f / std::sqrt(3.0f), 1e-5f) << "vertex " << i;
    }
    x.mesh->UnlockVertexBuffer();
}

TEST_F(MeshOps, BadCallsAndBadIndicesFailCleanly)
{
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMeshFVF(0, 3, 0, 0x112, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 70000, 0, 0x112, nullptr, &mesh), D3DERR_INVALIDCALL);  // 16-bit indices
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_NORMAL, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_32BIT, 0x112, nullptr, &mesh), S_OK);
    std::uint32_t* idx = nullptr;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    idx[2] = 3;  // one past the last vertex
    mesh->UnlockIndexBuffer();
    ID3DXMesh* out = nullptr;
    EXPECT_EQ(mesh->Optimize(D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr, &out), D3DXERR_INVALIDMESH);
    EXPECT_EQ(mesh->CloneMeshFVF(0, 0x112, nullptr, &out), D3DXERR_INVALIDMESH);
    EXPECT_EQ(D3DXComputeNormals(mesh, nullptr), D3DXERR_INVALIDMESH);
    ID3DXBuffer* strip = nullptr;
    EXPECT_EQ(MeshSubsetSingleStrip(mesh, 0, &strip, nullptr), D3DXERR_INVALIDMESH);
    EXPECT_EQ(strip, nullptr);
    EXPECT_EQ(out, nullptr);
    // Without a device there are no device buffers to give or draw from.
    IDirect3DVertexBuffer9* vb = nullptr;
    EXPECT_EQ(mesh->GetVertexBuffer(&vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->DrawSubset(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), D3DERR_INVALIDCALL);  // not locked
    mesh->Release();
}

}  // namespace
