// The .x reader: from the bytes of a file to one triangle mesh with its materials. A file passes
// through these stages, which this file and xfile_tokens.cpp hold in this order:
//
//   xfile_tokens.cpp
//     Compressed body   MSZIP blocks of "tzip" and "bzip" files inflated to the plain body.
//     Text tokeniser    the "txt " body to tokens.
//     Binary tokeniser  the "bin " body to the same tokens.
//   here
//     Templates         ParseFile skips every template declaration (SkipTemplate).
//     Data objects      Parser: Frame, FrameTransformMatrix, Mesh, MeshNormals, MeshTextureCoords,
//                       MeshMaterialList, Material, TextureFilename into RawMesh records; every other
//                       object is skipped whole.
//     One mesh          Assemble: the RawMesh records merged in world space, polygons to triangles,
//                       every index checked against what it names.
//     Header            Parse/XFileParse: "xof ", version, form and float size, then the stages above
//                       in order; running out of memory is a result, not an exception.
//     API objects       LoadFromMemory and the D3DXLoadMeshFromX* functions: the ID3DXMesh, the
//                       adjacency, material and effect buffers.
#include "d3dx/xfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <new>
#include <unordered_map>

#include "d3dx/mesh.h"
#include "d3dx/xfile_tokens.h"
#include "platform/win/files.h"
#include "platform/win/little_endian.h"

namespace {

using xfile::Kind;
using xfile::Token;
using xfile::Tokens;

// ---- Templates and data objects -------------------------------------------------------------------

// One Mesh object as written in the file.
struct RawMesh {
    std::vector<D3DXVECTOR3> positions;
    std::vector<std::uint32_t> faceStarts;  // offsets into faceIndices, one per face plus the end
    std::vector<std::uint32_t> faceIndices;
    std::vector<D3DXVECTOR3> normals;
    bool hasNormals = false;
    std::vector<std::uint32_t> normalFaceStarts;
    std::vector<std::uint32_t> normalIndices;
    std::vector<D3DXVECTOR2> texCoords;
    bool hasTexCoords = false;
    bool hasMaterials = false;
    std::vector<XFileMaterial> materials;
    std::vector<std::uint32_t> faceMaterials;
    D3DXMATRIX world;
};

bool SameName(const std::string& a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

class Parser {
public:
    explicit Parser(const Tokens& tokens) : t_(tokens) {}

    // False with the reason in `error` when the data is malformed.
    bool ParseFile()
    {
        while (!failed_ && at_ < t_.list.size()) {
            const Token& token = Next();
            if (token.kind == Kind::Name && t_.strings[token.text] == "template") {
                SkipTemplate();
            } else if (token.kind == Kind::Name) {
                ParseObject(t_.strings[token.text]);
            } else {
                Fail("a data object was expected at the top level");
            }
        }
        return !failed_;
    }

    std::vector<RawMesh> meshes;
    std::string error;

private:
    // The first failure is kept; from then on every read gives the closing brace, so each loop of the
    // parser ends at once.
    void Fail(const std::string& what)
    {
        if (!failed_) {
            failed_ = true;
            error = what;
        }
    }

    std::size_t Left() const { return t_.list.size() - at_; }

    const Token& Next()
    {
        static const Token kEnd{Kind::CBrace, false, 0.0, 0};
        if (!failed_ && at_ >= t_.list.size()) {
            Fail("the data ends inside an object");
        }
        if (failed_) {
            return kEnd;
        }
        return t_.list[at_++];
    }

    const Token* Peek() const { return at_ < t_.list.size() ? &t_.list[at_] : nullptr; }

    double Number()
    {
        const Token& token = Next();
        if (token.kind != Kind::Number) {
            Fail("a number was expected");
            return 0.0;
        }
        return token.number;
    }

    float Float()
    {
        const double v = Number();
        if (!std::isfinite(v) || std::fabs(v) > 3.0e38) {
            Fail("a number out of the float range");
            return 0.0f;
        }
        return static_cast<float>(v);
    }

    std::uint32_t Integer()
    {
        const Token& token = Next();
        if (token.kind != Kind::Number || token.number < 0 || token.number > 4294967295.0 ||
            token.number != std::floor(token.number)) {
            Fail("a whole number was expected");
            return 0;
        }
        return static_cast<std::uint32_t>(token.number);
    }

    // A count of items of at least `tokensPerItem` tokens each; more than the tokens left is an error.
    std::uint32_t Count(std::size_t tokensPerItem, const char* what)
    {
        const std::uint32_t n = Integer();
        if (std::uint64_t{n} * tokensPerItem > Left()) {
            Fail(std::string("the count of ") + what + " is larger than the data left");
            return 0;
        }
        return n;
    }

    void Expect(Kind kind, const char* what)
    {
        if (Next().kind != kind) {
            Fail(std::string("expected ") + what);
        }
    }

    // Skips to the brace that closes the one just read.
    void SkipBody()
    {
        int depth = 1;
        while (depth > 0 && !failed_) {
            const Token& token = Next();
            if (token.kind == Kind::OBrace) {
                ++depth;
            } else if (token.kind == Kind::CBrace) {
                --depth;
            }
        }
    }

    void SkipTemplate()
    {
        if (Next().kind != Kind::Name) {
            Fail("a template without a name");
        }
        Expect(Kind::OBrace, "'{' after a template name");
        SkipBody();
    }

    // After the type name: an optional object name, then the opening brace. Returns the name.
    std::string OpenObject()
    {
        std::string name;
        const Token& token = Next();
        if (token.kind == Kind::Name) {
            name = t_.strings[token.text];
            Expect(Kind::OBrace, "'{' after an object name");
        } else if (token.kind != Kind::OBrace) {
            Fail("expected '{' to open a data object");
        }
        return name;
    }

    // A reference "{ name }" (the opening brace already read): the name.
    std::string Reference()
    {
        std::string name;
        const Token& token = Next();
        if (token.kind == Kind::Name) {
            name = t_.strings[token.text];
        } else if (token.kind != Kind::CBrace) {
            Fail("a malformed reference");
        }
        if (token.kind != Kind::CBrace) {
            Expect(Kind::CBrace, "'}' closing a reference");
        }
        return name;
    }

    // Reads child objects until the closing brace; `child` handles the type names it knows and
    // returns false for the rest, which are skipped.
    template <typename Child>
    void Children(Child child, std::vector<std::string>* references = nullptr)
    {
        while (!failed_) {
            const Token& token = Next();
            if (token.kind == Kind::CBrace) {
                return;
            }
            if (token.kind == Kind::OBrace) {
                std::string name = Reference();
                if (references != nullptr) {
                    references->push_back(name);
                }
            } else if (token.kind == Kind::Name) {
                const std::string& type = t_.strings[token.text];
                if (!child(type)) {
                    OpenObject();
                    SkipBody();
                }
            } else {
                Fail("unexpected data after the members of an object");
            }
        }
    }

    void ParseObject(const std::string& type)
    {
        if (SameName(type, "Frame")) {
            OpenObject();
            ParseFrameBody();
        } else if (SameName(type, "Mesh")) {
            OpenObject();
            ParseMeshBody();
        } else if (SameName(type, "Material")) {
            // A named material at the top level or inside a frame, for material lists to refer to.
            std::string name = OpenObject();
            XFileMaterial material = ParseMaterialBody();
            if (!name.empty()) {
                namedMaterials_[name] = material;
            }
        } else {
            OpenObject();
            SkipBody();
        }
    }

    void ParseFrameBody()
    {
        const std::size_t firstMesh = meshes.size();
        D3DXMATRIX local;
        D3DXMatrixIdentity(&local);
        Children([&](const std::string& type) {
            if (SameName(type, "FrameTransformMatrix")) {
                OpenObject();
                if (Left() < 16) {
                    Fail("a frame matrix is cut short");
                    return true;
                }
                for (int i = 0; i < 16; ++i) {
                    local.m[i / 4][i % 4] = Float();
                }
                Children([](const std::string&) { return false; });
                return true;
            }
            if (SameName(type, "Frame") || SameName(type, "Mesh") || SameName(type, "Material")) {
                ParseObject(type);
                return true;
            }
            return false;
        });
        // The frame's own transform acts after those of the frames inside it.
        for (std::size_t i = firstMesh; i < meshes.size(); ++i) {
            D3DXMatrixMultiply(&meshes[i].world, &meshes[i].world, &local);
        }
    }

    void ReadFaces(std::vector<std::uint32_t>* starts, std::vector<std::uint32_t>* indices, const char* what)
    {
        const std::uint32_t faces = Count(4, what);
        starts->reserve(std::size_t{faces} + 1);
        starts->push_back(0);
        for (std::uint32_t f = 0; f < faces && !failed_; ++f) {
            const std::uint32_t n = Count(1, "face vertices");
            if (n < 3) {
                Fail("a face with fewer than three vertices");
                return;
            }
            for (std::uint32_t k = 0; k < n; ++k) {
                indices->push_back(Integer());
            }
            starts->push_back(static_cast<std::uint32_t>(indices->size()));
        }
    }

    void ReadVectors(std::uint32_t n, std::vector<D3DXVECTOR3>* out)
    {
        out->reserve(n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const float x = Float();
            const float y = Float();
            const float z = Float();
            out->emplace_back(x, y, z);
        }
    }

    void ParseMeshBody()
    {
        RawMesh mesh;
        D3DXMatrixIdentity(&mesh.world);
        ReadVectors(Count(3, "vertices"), &mesh.positions);
        ReadFaces(&mesh.faceStarts, &mesh.faceIndices, "faces");
        Children([&](const std::string& type) {
            if (SameName(type, "MeshNormals")) {
                OpenObject();
                mesh.hasNormals = true;
                ReadVectors(Count(3, "normals"), &mesh.normals);
                ReadFaces(&mesh.normalFaceStarts, &mesh.normalIndices, "normal faces");
                Children([](const std::string&) { return false; });
                return true;
            }
            if (SameName(type, "MeshTextureCoords")) {
                OpenObject();
                mesh.hasTexCoords = true;
                const std::uint32_t n = Count(2, "texture coordinates");
                mesh.texCoords.reserve(n);
                for (std::uint32_t i = 0; i < n; ++i) {
                    const float u = Float();
                    const float v = Float();
                    mesh.texCoords.emplace_back(u, v);
                }
                Children([](const std::string&) { return false; });
                return true;
            }
            if (SameName(type, "MeshMaterialList")) {
                OpenObject();
                ParseMaterialList(&mesh);
                return true;
            }
            return false;
        });
        meshes.push_back(std::move(mesh));
    }

    void ParseMaterialList(RawMesh* mesh)
    {
        mesh->hasMaterials = true;
        const std::uint32_t count = Count(1, "materials");
        const std::uint32_t faceIndexes = Count(1, "material face indexes");
        mesh->faceMaterials.reserve(faceIndexes);
        for (std::uint32_t i = 0; i < faceIndexes; ++i) {
            mesh->faceMaterials.push_back(Integer());
        }
        // Materials inline and by reference, in the order written.
        while (!failed_) {
            const Token& token = Next();
            if (token.kind == Kind::CBrace) {
                break;
            }
            if (token.kind == Kind::OBrace) {
                const std::string name = Reference();
                auto it = namedMaterials_.find(name);
                if (it == namedMaterials_.end()) {
                    Fail("a reference to an unknown material \"" + name + "\"");
                    return;
                }
                mesh->materials.push_back(it->second);
            } else if (token.kind == Kind::Name && SameName(t_.strings[token.text], "Material")) {
                std::string name = OpenObject();
                mesh->materials.push_back(ParseMaterialBody());
                if (!name.empty()) {
                    namedMaterials_[name] = mesh->materials.back();
                }
            } else if (token.kind == Kind::Name) {
                OpenObject();
                SkipBody();
            } else {
                Fail("unexpected data in a material list");
            }
        }
        if (!failed_ && mesh->materials.size() != count) {
            Fail("a material list names " + std::to_string(count) + " materials but holds " +
                 std::to_string(mesh->materials.size()));
        }
    }

    XFileMaterial ParseMaterialBody()
    {
        XFileMaterial m;
        m.faceColor = {Float(), 0, 0, 0};
        m.faceColor.g = Float();
        m.faceColor.b = Float();
        m.faceColor.a = Float();
        m.power = Float();
        m.specular.r = Float();
        m.specular.g = Float();
        m.specular.b = Float();
        m.specular.a = 1.0f;
        m.emissive.r = Float();
        m.emissive.g = Float();
        m.emissive.b = Float();
        m.emissive.a = 1.0f;
        Children([&](const std::string& type) {
            if (SameName(type, "TextureFilename")) {
                OpenObject();
                const Token& token = Next();
                if (token.kind != Kind::String) {
                    Fail("a texture file name was expected");
                    return true;
                }
                m.hasTexture = true;
                m.texture = t_.strings[token.text];
                Children([](const std::string&) { return false; });
                return true;
            }
            return false;
        });
        return m;
    }

    const Tokens& t_;
    std::size_t at_ = 0;
    bool failed_ = false;
    std::map<std::string, XFileMaterial> namedMaterials_;
};

// ---- From the parsed objects to one triangle mesh ------------------------------------------------

// False with the reason in `error` when an index or a count does not fit what it refers to.
bool Assemble(std::vector<RawMesh>& meshes, XFileMeshData* out, std::string* error)
{
    auto fail = [error](std::string what) {
        *error = std::move(what);
        return false;
    };
    bool anyMaterials = false;
    for (const RawMesh& m : meshes) {
        out->hasNormals |= m.hasNormals;
        out->hasTexCoords |= m.hasTexCoords;
        anyMaterials |= m.hasMaterials;
    }
    for (RawMesh& m : meshes) {
        const std::size_t faceCount = m.faceStarts.size() - 1;
        const std::size_t vertexCount = m.positions.size();
        for (std::uint32_t index : m.faceIndices) {
            if (index >= vertexCount) {
                return fail("a face names vertex " + std::to_string(index) + " of " + std::to_string(vertexCount));
            }
        }
        if (m.hasNormals) {
            if (m.normalFaceStarts.size() != m.faceStarts.size()) {
                return fail("the normals have a different face count than the mesh");
            }
            for (std::size_t f = 0; f < faceCount; ++f) {
                if (m.normalFaceStarts[f + 1] - m.normalFaceStarts[f] != m.faceStarts[f + 1] - m.faceStarts[f]) {
                    return fail("a normal face has a different vertex count than its face");
                }
            }
            for (std::uint32_t index : m.normalIndices) {
                if (index >= m.normals.size()) {
                    return fail("a normal face names a normal that does not exist");
                }
            }
        }
        if (m.hasTexCoords && m.texCoords.size() < vertexCount) {
            return fail("fewer texture coordinates than vertices");
        }
        const std::uint32_t materialBase = static_cast<std::uint32_t>(out->materials.size());
        if (m.hasMaterials) {
            for (std::uint32_t index : m.faceMaterials) {
                if (index >= m.materials.size()) {
                    return fail("a face names material " + std::to_string(index) + " of " +
                                std::to_string(m.materials.size()));
                }
            }
            out->materials.insert(out->materials.end(), m.materials.begin(), m.materials.end());
        } else if (anyMaterials && faceCount > 0) {
            // Merged with meshes that have materials: this one gets a plain white one of its own.
            XFileMaterial white;
            white.faceColor = {1, 1, 1, 1};
            white.specular = {0, 0, 0, 1};
            white.emissive = {0, 0, 0, 1};
            out->materials.push_back(white);
        }

        // Normals turn with the inverse transpose of the world matrix.
        D3DXMATRIX normalMatrix;
        if (D3DXMatrixInverse(&normalMatrix, nullptr, &m.world) != nullptr) {
            D3DXMatrixTranspose(&normalMatrix, &normalMatrix);
        } else {
            normalMatrix = m.world;
        }

        // Output vertices: one per (file vertex, normal) pair met in the faces.
        std::unordered_map<std::uint64_t, std::uint32_t> vertexOf;
        auto outputVertex = [&](std::uint32_t v, std::uint32_t n) {
            const std::uint64_t key = (std::uint64_t{v} << 32) | n;
            auto [it, added] = vertexOf.emplace(key, static_cast<std::uint32_t>(out->positions.size()));
            if (added) {
                D3DXVECTOR3 p;
                D3DXVec3TransformCoord(&p, &m.positions[v], &m.world);
                out->positions.push_back(p);
                if (out->hasNormals) {
                    D3DXVECTOR3 normal(0, 0, 0);
                    if (m.hasNormals) {
                        D3DXVec3TransformNormal(&normal, &m.normals[n], &normalMatrix);
                        D3DXVec3Normalize(&normal, &normal);
                    }
                    out->normals.push_back(normal);
                }
                if (out->hasTexCoords) {
                    out->texCoords.push_back(m.hasTexCoords ? m.texCoords[v] : D3DXVECTOR2(0, 0));
                }
            }
            return it->second;
        };
        for (std::size_t f = 0; f < faceCount; ++f) {
            std::uint32_t attribute = 0;
            if (m.hasMaterials) {
                // Fewer face indexes than faces: the last one holds for the rest.
                if (!m.faceMaterials.empty()) {
                    attribute = m.faceMaterials[std::min(f, m.faceMaterials.size() - 1)];
                }
                attribute += materialBase;
            } else if (anyMaterials) {
                attribute = materialBase;
            }
            const std::uint32_t start = m.faceStarts[f];
            const std::uint32_t n = m.faceStarts[f + 1] - start;
            auto corner = [&](std::uint32_t k) {
                const std::uint32_t normal = m.hasNormals ? m.normalIndices[m.normalFaceStarts[f] + k] : 0;
                return outputVertex(m.faceIndices[start + k], normal);
            };
            // A polygon becomes a fan of triangles around its first vertex.
            const std::uint32_t first = corner(0);
            std::uint32_t previous = corner(1);
            for (std::uint32_t k = 2; k < n; ++k) {
                const std::uint32_t current = corner(k);
                out->indices.push_back(first);
                out->indices.push_back(previous);
                out->indices.push_back(current);
                out->attributes.push_back(attribute);
                previous = current;
            }
        }
    }
    return true;
}

// ---- Header: the file's form, then every stage in order -------------------------------------------

XFileResult Parse(const void* data, std::size_t size, XFileMeshData* mesh, std::string* error)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (p == nullptr || size < 16 || std::memcmp(p, "xof ", 4) != 0) {
        *error = "not a .x file (no \"xof \" header)";
        return XFileResult::Invalid;
    }
    LittleEndianReader header(p, 16);
    header.Skip(4);
    const std::string version(header.Block(4));
    const std::string format(header.Block(4));
    const std::string floatSize(header.Block(4));
    if (version != "0302" && version != "0303") {
        *error = "unsupported .x version " + version;
        return XFileResult::Invalid;
    }
    if (floatSize != "0032" && floatSize != "0064") {
        *error = "unsupported float size " + floatSize;
        return XFileResult::Invalid;
    }
    Tokens tokens;
    bool lexed = false;
    std::vector<std::uint8_t> decompressed;
    const std::uint8_t* body = p + 16;
    std::size_t bodySize = size - 16;
    if (format == "tzip" || format == "bzip") {
        if (!xfile::DecompressMszip(body, bodySize, &decompressed, error)) {
            return XFileResult::Invalid;
        }
        body = decompressed.data();
        bodySize = decompressed.size();
    }
    if (format == "txt " || format == "tzip") {
        lexed = xfile::LexText(body, bodySize, &tokens, error);
    } else if (format == "bin " || format == "bzip") {
        lexed = xfile::LexBinary(body, bodySize, floatSize == "0064", &tokens, error);
    } else {
        *error = "unsupported .x format \"" + format + "\"";
    }
    if (!lexed) {
        return XFileResult::Invalid;
    }
    Parser parser(tokens);
    if (!parser.ParseFile()) {
        *error = parser.error;
        return XFileResult::Invalid;
    }
    if (!Assemble(parser.meshes, mesh, error)) {
        *mesh = XFileMeshData{};
        return XFileResult::Invalid;
    }
    if (mesh->attributes.empty()) {
        *error = "the file holds no faces";
        return XFileResult::NoMesh;
    }
    if (mesh->positions.size() > 0xFFFFFFF0u) {
        *error = "too many vertices";
        return XFileResult::Invalid;
    }
    return XFileResult::Ok;
}

}  // namespace

XFileResult XFileParse(const void* data, std::size_t size, XFileMeshData* mesh, std::string* error)
{
    *mesh = XFileMeshData{};
    error->clear();
    try {
        return Parse(data, size, mesh, error);
    } catch (const std::bad_alloc&) {
        // A huge file whose tokens or mesh do not fit in memory.
        *mesh = XFileMeshData{};
        *error = "not enough memory for the file";
        return XFileResult::OutOfMemory;
    }
}

// ---- API objects ----------------------------------------------------------------------------------

namespace {

HRESULT LoadFromMemory(const void* data, std::size_t size, DWORD options, IDirect3DDevice9* device,
                       ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                       DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    for (ID3DXBuffer** p : {ppAdjacency, ppMaterials, ppEffectInstances}) {
        if (p != nullptr) {
            *p = nullptr;
        }
    }
    if (pNumMaterials != nullptr) {
        *pNumMaterials = 0;
    }
    if (ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *ppMesh = nullptr;

    XFileMeshData parsed;
    std::string error;
    switch (XFileParse(data, size, &parsed, &error)) {
    case XFileResult::Ok: break;
    case XFileResult::Invalid: return D3DXERR_INVALIDDATA;
    case XFileResult::NoMesh: return E_FAIL;
    case XFileResult::OutOfMemory: return E_OUTOFMEMORY;
    }

    const DWORD vertexCount = static_cast<DWORD>(parsed.positions.size());
    const DWORD faceCount = static_cast<DWORD>(parsed.attributes.size());
    DWORD fvf = D3DFVF_XYZ;
    if (parsed.hasNormals) {
        fvf |= D3DFVF_NORMAL;
    }
    if (parsed.hasTexCoords) {
        fvf |= D3DFVF_TEX1;
    }
    if (vertexCount > 0xFFFFu) {
        options |= D3DXMESH_32BIT;
    }
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(faceCount, vertexCount, options, fvf, device, &mesh);
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD stride = mesh->GetNumBytesPerVertex();
    void* vertices = nullptr;
    mesh->LockVertexBuffer(0, &vertices);
    for (DWORD v = 0; v < vertexCount; ++v) {
        auto* dst = static_cast<std::uint8_t*>(vertices) + std::size_t{v} * stride;
        std::memcpy(dst, &parsed.positions[v].x, 12);
        std::size_t offset = 12;
        if (parsed.hasNormals) {
            std::memcpy(dst + offset, &parsed.normals[v].x, 12);
            offset += 12;
        }
        if (parsed.hasTexCoords) {
            std::memcpy(dst + offset, &parsed.texCoords[v].x, 4);
            std::memcpy(dst + offset + 4, &parsed.texCoords[v].y, 4);
        }
    }
    mesh->UnlockVertexBuffer();
    void* indices = nullptr;
    mesh->LockIndexBuffer(0, &indices);
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (std::size_t i = 0; i < parsed.indices.size(); ++i) {
        if (wide) {
            std::memcpy(static_cast<std::uint8_t*>(indices) + i * 4, &parsed.indices[i], 4);
        } else {
            const std::uint16_t v = static_cast<std::uint16_t>(parsed.indices[i]);
            std::memcpy(static_cast<std::uint8_t*>(indices) + i * 2, &v, 2);
        }
    }
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    std::copy(parsed.attributes.begin(), parsed.attributes.end(), attributes);
    mesh->UnlockAttributeBuffer();

    auto fail = [&](HRESULT code) {
        mesh->Release();
        for (ID3DXBuffer** p : {ppAdjacency, ppMaterials, ppEffectInstances}) {
            if (p != nullptr && *p != nullptr) {
                (*p)->Release();
                *p = nullptr;
            }
        }
        return code;
    };

    const DWORD materialCount = static_cast<DWORD>(parsed.materials.size());
    if (ppAdjacency != nullptr) {
        if (FAILED(hr = D3DXCreateBuffer(faceCount * 3 * sizeof(DWORD), ppAdjacency))) {
            return fail(hr);
        }
        mesh->GenerateAdjacency(0.0f, static_cast<DWORD*>((*ppAdjacency)->GetBufferPointer()));
    }
    if (ppMaterials != nullptr && materialCount > 0) {
        std::size_t names = 0;
        for (const XFileMaterial& m : parsed.materials) {
            names += m.hasTexture ? m.texture.size() + 1 : 0;
        }
        const std::size_t bytes = materialCount * sizeof(D3DXMATERIAL) + names;
        if (FAILED(hr = D3DXCreateBuffer(static_cast<DWORD>(bytes), ppMaterials))) {
            return fail(hr);
        }
        auto* base = static_cast<std::uint8_t*>((*ppMaterials)->GetBufferPointer());
        char* text = reinterpret_cast<char*>(base + materialCount * sizeof(D3DXMATERIAL));
        for (DWORD i = 0; i < materialCount; ++i) {
            const XFileMaterial& m = parsed.materials[i];
            D3DXMATERIAL out{};
            out.MatD3D.Diffuse = m.faceColor;
            out.MatD3D.Specular = m.specular;
            out.MatD3D.Emissive = m.emissive;
            out.MatD3D.Power = m.power;
            if (m.hasTexture) {
                std::memcpy(text, m.texture.c_str(), m.texture.size() + 1);
                out.pTextureFilename = text;
                text += m.texture.size() + 1;
            }
            std::memcpy(base + i * sizeof(D3DXMATERIAL), &out, sizeof(out));
        }
    }
    if (ppEffectInstances != nullptr && materialCount > 0) {
        if (FAILED(hr = D3DXCreateBuffer(materialCount * sizeof(D3DXEFFECTINSTANCE), ppEffectInstances))) {
            return fail(hr);
        }
    }
    if (pNumMaterials != nullptr) {
        *pNumMaterials = materialCount;
    }
    *ppMesh = mesh;
    return S_OK;
}

}  // namespace

HRESULT D3DXLoadMeshFromXInMemory(const void* Memory, DWORD SizeOfMemory, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                  ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                                  DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    if (Memory == nullptr && SizeOfMemory > 0) {
        return D3DERR_INVALIDCALL;
    }
    return LoadFromMemory(Memory, SizeOfMemory, Options, pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances,
                          pNumMaterials, ppMesh);
}

HRESULT D3DXLoadMeshFromXA(const char* pFilename, DWORD Options, IDirect3DDevice9* pD3DDevice,
                           ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials, ID3DXBuffer** ppEffectInstances,
                           DWORD* pNumMaterials, ID3DXMesh** ppMesh)
{
    if (ppMesh != nullptr) {
        *ppMesh = nullptr;
    }
    if (pFilename == nullptr || ppMesh == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::string bytes;
    FileProblem problem = FileProblem::None;
    if (!ReadRegularFile(GamePathToLocal(pFilename), 0xFFFFFFFFu, bytes, problem)) {
        return E_FAIL;
    }
    return LoadFromMemory(bytes.data(), bytes.size(), Options, pD3DDevice, ppAdjacency, ppMaterials, ppEffectInstances,
                          pNumMaterials, ppMesh);
}
