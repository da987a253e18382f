// A Direct3D-9-shaped graphics device over OpenGL 3.3 core.
//
// The game talks to the device through the interface names, argument orders, enumeration values and
// structure layouts of Direct3D 9, for exactly the subset it uses. Underneath, one OpenGL context per
// device (created on the SDL window with libepoxy for the entry points) and one shader program that
// emulates the fixed-function pipeline: per-vertex lighting with one light, per-vertex linear fog,
// texture stage 0 colour and alpha operations, alpha test and blending, depth and D3D's culling.
//
// Conventions kept from Direct3D 9: row-vector matrices (a point is multiplied on the left), clip space
// depth 0..1, the pixel centre of pretransformed vertices at integer coordinates, counter-clockwise
// culling by default, ARGB colours packed in 32 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win/handles.h"

// ---- Basic Windows types used by the interfaces --------------------------------------------------

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using INT = int;
using FLOAT = float;
using HANDLE = void*;
using D3DCOLOR = DWORD;

// As the Windows headers define them (macros, so any other definition as a macro agrees).
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef AVIORRA_RECT_DEFINED
#define AVIORRA_RECT_DEFINED
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
#endif

inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
inline constexpr HRESULT D3DERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);

inline constexpr UINT D3D_SDK_VERSION = 32;
inline constexpr UINT D3DADAPTER_DEFAULT = 0;

// ---- Colours ---------------------------------------------------------------------------------------

constexpr D3DCOLOR D3DCOLOR_ARGB(unsigned a, unsigned r, unsigned g, unsigned b)
{
    return static_cast<D3DCOLOR>(((a & 0xFFu) << 24) | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu));
}
constexpr D3DCOLOR D3DCOLOR_RGBA(unsigned r, unsigned g, unsigned b, unsigned a)
{
    return D3DCOLOR_ARGB(a, r, g, b);
}
constexpr D3DCOLOR D3DCOLOR_XRGB(unsigned r, unsigned g, unsigned b)
{
    return D3DCOLOR_ARGB(0xFF, r, g, b);
}
// Components 0..1 scaled to 0..255 by truncation, as the D3D macro does.
constexpr D3DCOLOR D3DCOLOR_COLORVALUE(float r, float g, float b, float a)
{
    return D3DCOLOR_RGBA(static_cast<unsigned>(r * 255.0f), static_cast<unsigned>(g * 255.0f),
                         static_cast<unsigned>(b * 255.0f), static_cast<unsigned>(a * 255.0f));
}

struct D3DCOLORVALUE {
    float r, g, b, a;
};

struct D3DVECTOR {
    float x, y, z;
};

struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

struct D3DRECT {
    LONG x1, y1, x2, y2;
};

struct D3DVIEWPORT9 {
    DWORD X, Y, Width, Height;
    float MinZ, MaxZ;
};

// ---- Enumerations (values as Direct3D 9 defines them) -----------------------------------------------

enum D3DDEVTYPE : std::uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3, D3DDEVTYPE_NULLREF = 4 };

constexpr DWORD D3DMAKEFOURCC(char a, char b, char c, char d)
{
    return static_cast<DWORD>(static_cast<std::uint8_t>(a)) | (static_cast<DWORD>(static_cast<std::uint8_t>(b)) << 8) |
           (static_cast<DWORD>(static_cast<std::uint8_t>(c)) << 16) |
           (static_cast<DWORD>(static_cast<std::uint8_t>(d)) << 24);
}

enum D3DFORMAT : std::uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_A8 = 28,
    D3DFMT_D32 = 71,
    D3DFMT_D24S8 = 75,
    D3DFMT_D24X8 = 77,
    D3DFMT_D16 = 80,
    D3DFMT_VERTEXDATA = 100,
    D3DFMT_INDEX16 = 101,
    D3DFMT_INDEX32 = 102,
    D3DFMT_DXT1 = D3DMAKEFOURCC('D', 'X', 'T', '1'),
    D3DFMT_DXT3 = D3DMAKEFOURCC('D', 'X', 'T', '3'),
    D3DFMT_DXT5 = D3DMAKEFOURCC('D', 'X', 'T', '5'),
};

enum D3DPOOL : std::uint32_t { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2, D3DPOOL_SCRATCH = 3 };

enum D3DRESOURCETYPE : std::uint32_t {
    D3DRTYPE_SURFACE = 1,
    D3DRTYPE_VOLUME = 2,
    D3DRTYPE_TEXTURE = 3,
    D3DRTYPE_VOLUMETEXTURE = 4,
    D3DRTYPE_CUBETEXTURE = 5,
    D3DRTYPE_VERTEXBUFFER = 6,
    D3DRTYPE_INDEXBUFFER = 7,
};

enum D3DMULTISAMPLE_TYPE : std::uint32_t { D3DMULTISAMPLE_NONE = 0 };

enum D3DSWAPEFFECT : std::uint32_t { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };

inline constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0x00000000u;
inline constexpr UINT D3DPRESENT_INTERVAL_ONE = 0x00000001u;
inline constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

inline constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x00000002u;
inline constexpr DWORD D3DCREATE_MULTITHREADED = 0x00000004u;
inline constexpr DWORD D3DCREATE_PUREDEVICE = 0x00000010u;
inline constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x00000020u;
inline constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x00000040u;
inline constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x00000080u;

inline constexpr DWORD D3DCLEAR_TARGET = 0x00000001u;
inline constexpr DWORD D3DCLEAR_ZBUFFER = 0x00000002u;
inline constexpr DWORD D3DCLEAR_STENCIL = 0x00000004u;

inline constexpr DWORD D3DUSAGE_RENDERTARGET = 0x00000001u;
inline constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x00000002u;
inline constexpr DWORD D3DUSAGE_WRITEONLY = 0x00000008u;
inline constexpr DWORD D3DUSAGE_SOFTWAREPROCESSING = 0x00000010u;
inline constexpr DWORD D3DUSAGE_DONOTCLIP = 0x00000020u;
inline constexpr DWORD D3DUSAGE_POINTS = 0x00000040u;
inline constexpr DWORD D3DUSAGE_DYNAMIC = 0x00000200u;
inline constexpr DWORD D3DUSAGE_AUTOGENMIPMAP = 0x00000400u;

inline constexpr DWORD D3DLOCK_READONLY = 0x00000010u;
inline constexpr DWORD D3DLOCK_NOSYSLOCK = 0x00000800u;
inline constexpr DWORD D3DLOCK_NOOVERWRITE = 0x00001000u;
inline constexpr DWORD D3DLOCK_DISCARD = 0x00002000u;
inline constexpr DWORD D3DLOCK_DONOTWAIT = 0x00004000u;
inline constexpr DWORD D3DLOCK_NO_DIRTY_UPDATE = 0x00008000u;

enum D3DPRIMITIVETYPE : std::uint32_t {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

enum D3DTRANSFORMSTATETYPE : std::uint32_t {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_WORLD = 256,
};
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(unsigned index)
{
    return static_cast<D3DTRANSFORMSTATETYPE>(index + 256u);
}

enum D3DRENDERSTATETYPE : std::uint32_t {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_WRAP0 = 128,
    D3DRS_CLIPPING = 136,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
    D3DRS_VERTEXBLEND = 151,
    D3DRS_CLIPPLANEENABLE = 152,
    D3DRS_POINTSIZE = 154,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_MULTISAMPLEMASK = 162,
    D3DRS_COLORWRITEENABLE = 168,
    D3DRS_BLENDOP = 171,
    D3DRS_SCISSORTESTENABLE = 174,
    D3DRS_SLOPESCALEDEPTHBIAS = 175,
    D3DRS_ANTIALIASEDLINEENABLE = 176,
    D3DRS_SRGBWRITEENABLE = 194,
    D3DRS_DEPTHBIAS = 195,
    D3DRS_SEPARATEALPHABLENDENABLE = 206,
    D3DRS_SRCBLENDALPHA = 207,
    D3DRS_DESTBLENDALPHA = 208,
    D3DRS_BLENDOPALPHA = 209,
};
// One past the largest render state number; states are kept in an array of this size.
inline constexpr std::uint32_t D3DRS_STATE_COUNT = 210;

enum D3DZBUFFERTYPE : std::uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2 };
enum D3DFILLMODE : std::uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : std::uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DCULL : std::uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DFOGMODE : std::uint32_t { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum D3DMATERIALCOLORSOURCE : std::uint32_t { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };

enum D3DBLEND : std::uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
};

enum D3DBLENDOP : std::uint32_t {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
};

enum D3DCMPFUNC : std::uint32_t {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};

enum D3DTEXTURESTAGESTATETYPE : std::uint32_t {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_COLORARG0 = 26,
    D3DTSS_ALPHAARG0 = 27,
    D3DTSS_RESULTARG = 28,
    D3DTSS_CONSTANT = 32,
};
inline constexpr std::uint32_t D3DTSS_STATE_COUNT = 33;

enum D3DTEXTUREOP : std::uint32_t {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_SUBTRACT = 10,
};

// Texture stage arguments: a selector in the low bits and two modifier flags.
inline constexpr DWORD D3DTA_SELECTMASK = 0x0000000Fu;
inline constexpr DWORD D3DTA_DIFFUSE = 0x00000000u;
inline constexpr DWORD D3DTA_CURRENT = 0x00000001u;
inline constexpr DWORD D3DTA_TEXTURE = 0x00000002u;
inline constexpr DWORD D3DTA_TFACTOR = 0x00000003u;
inline constexpr DWORD D3DTA_SPECULAR = 0x00000004u;
inline constexpr DWORD D3DTA_TEMP = 0x00000005u;
inline constexpr DWORD D3DTA_CONSTANT = 0x00000006u;
inline constexpr DWORD D3DTA_COMPLEMENT = 0x00000010u;
inline constexpr DWORD D3DTA_ALPHAREPLICATE = 0x00000020u;

enum D3DSAMPLERSTATETYPE : std::uint32_t {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_ADDRESSW = 3,
    D3DSAMP_BORDERCOLOR = 4,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
    D3DSAMP_MIPFILTER = 7,
    D3DSAMP_MIPMAPLODBIAS = 8,
    D3DSAMP_MAXMIPLEVEL = 9,
    D3DSAMP_MAXANISOTROPY = 10,
};
inline constexpr std::uint32_t D3DSAMP_STATE_COUNT = 11;

enum D3DTEXTUREFILTERTYPE : std::uint32_t {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
};

enum D3DTEXTUREADDRESS : std::uint32_t {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
};

// Texture stages and samplers kept by the device (the game uses stage 0 only).
inline constexpr DWORD D3D_TEXTURE_STAGES = 8;

enum D3DLIGHTTYPE : std::uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

// ---- Flexible vertex formats --------------------------------------------------------------------

inline constexpr DWORD D3DFVF_RESERVED0 = 0x001u;
inline constexpr DWORD D3DFVF_POSITION_MASK = 0x400Eu;
inline constexpr DWORD D3DFVF_XYZ = 0x002u;
inline constexpr DWORD D3DFVF_XYZRHW = 0x004u;
inline constexpr DWORD D3DFVF_XYZB1 = 0x006u;
inline constexpr DWORD D3DFVF_XYZB2 = 0x008u;
inline constexpr DWORD D3DFVF_XYZB3 = 0x00Au;
inline constexpr DWORD D3DFVF_XYZB4 = 0x00Cu;
inline constexpr DWORD D3DFVF_XYZB5 = 0x00Eu;
inline constexpr DWORD D3DFVF_XYZW = 0x4002u;
inline constexpr DWORD D3DFVF_NORMAL = 0x010u;
inline constexpr DWORD D3DFVF_PSIZE = 0x020u;
inline constexpr DWORD D3DFVF_DIFFUSE = 0x040u;
inline constexpr DWORD D3DFVF_SPECULAR = 0x080u;
inline constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00u;
inline constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
inline constexpr DWORD D3DFVF_TEX0 = 0x000u;
inline constexpr DWORD D3DFVF_TEX1 = 0x100u;
inline constexpr DWORD D3DFVF_TEX2 = 0x200u;
inline constexpr DWORD D3DFVF_TEX3 = 0x300u;
inline constexpr DWORD D3DFVF_TEX4 = 0x400u;
inline constexpr DWORD D3DFVF_TEX5 = 0x500u;
inline constexpr DWORD D3DFVF_TEX6 = 0x600u;
inline constexpr DWORD D3DFVF_TEX7 = 0x700u;
inline constexpr DWORD D3DFVF_TEX8 = 0x800u;
inline constexpr DWORD D3DFVF_LASTBETA_UBYTE4 = 0x1000u;
inline constexpr DWORD D3DFVF_LASTBETA_D3DCOLOR = 0x8000u;
// Per texture coordinate set i, two bits at 16 + 2i give its size.
inline constexpr DWORD D3DFVF_TEXTUREFORMAT1 = 3;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT2 = 0;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT3 = 1;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT4 = 2;
constexpr DWORD D3DFVF_TEXCOORDSIZE1(unsigned i)
{
    return D3DFVF_TEXTUREFORMAT1 << (i * 2 + 16);
}
constexpr DWORD D3DFVF_TEXCOORDSIZE2(unsigned i)
{
    return D3DFVF_TEXTUREFORMAT2 << (i * 2 + 16);
}
constexpr DWORD D3DFVF_TEXCOORDSIZE3(unsigned i)
{
    return D3DFVF_TEXTUREFORMAT3 << (i * 2 + 16);
}
constexpr DWORD D3DFVF_TEXCOORDSIZE4(unsigned i)
{
    return D3DFVF_TEXTUREFORMAT4 << (i * 2 + 16);
}

// ---- Structures ---------------------------------------------------------------------------------

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct D3DMATERIAL9 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

struct D3DLIGHT9 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

// The device capabilities the game reads; the rest of D3D's long record is left out.
struct D3DCAPS9 {
    D3DDEVTYPE DeviceType;
    UINT AdapterOrdinal;
    DWORD MaxTextureWidth;
    DWORD MaxTextureHeight;
    DWORD MaxSimultaneousTextures;
    DWORD MaxActiveLights;
    DWORD MaxPrimitiveCount;
    DWORD MaxVertexIndex;
    DWORD MaxStreams;
    DWORD MaxStreamStride;
};

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

struct D3DLOCKED_RECT {
    INT Pitch;
    void* pBits;
};

struct D3DSURFACE_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    UINT Width;
    UINT Height;
};

struct D3DVERTEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
    DWORD FVF;
};

struct D3DINDEXBUFFER_DESC {
    D3DFORMAT Format;
    D3DRESOURCETYPE Type;
    DWORD Usage;
    D3DPOOL Pool;
    UINT Size;
};

// ---- Interfaces -----------------------------------------------------------------------------------
//
// Reference counted like COM objects: created with a count of 1, AddRef adds one, Release removes one
// and destroys the object at 0, returning the new count. A resource keeps its device alive.

class IDirect3DDevice9;

class IUnknownLike {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknownLike() = default;
};

class IDirect3DResource9 : public IUnknownLike {
public:
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual D3DRESOURCETYPE GetType() = 0;
};

class IDirect3DBaseTexture9 : public IDirect3DResource9 {
public:
    virtual DWORD GetLevelCount() = 0;
};

class IDirect3DTexture9 : public IDirect3DBaseTexture9 {
public:
    virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
    // pRect null locks the whole level. Pitch is in bytes (for DXT formats: per row of 4x4 blocks).
    // Unlocking level 0 of a texture with a mip chain rebuilds the smaller levels from it.
    virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
    virtual HRESULT UnlockRect(UINT Level) = 0;
};

class IDirect3DVertexBuffer9 : public IDirect3DResource9 {
public:
    // SizeToLock 0 locks from OffsetToLock to the end.
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DIndexBuffer9 : public IDirect3DResource9 {
public:
    virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DDevice9 : public IUnknownLike {
public:
    virtual HRESULT GetDeviceCaps(D3DCAPS9* pCaps) = 0;
    virtual HRESULT TestCooperativeLevel() = 0;

    virtual HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // All four arguments must be null (the whole back buffer to the device window).
    virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                            const void* pDirtyRegion) = 0;

    virtual HRESULT SetViewport(const D3DVIEWPORT9* pViewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* pViewport) = 0;

    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
    virtual HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) = 0;
    virtual HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) = 0;
    virtual HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) = 0;

    virtual HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL9* pMaterial) = 0;
    virtual HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) = 0;
    virtual HRESULT GetLight(DWORD Index, D3DLIGHT9* pLight) = 0;
    virtual HRESULT LightEnable(DWORD Index, BOOL Enable) = 0;
    virtual HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) = 0;

    virtual HRESULT SetFVF(DWORD FVF) = 0;
    virtual HRESULT GetFVF(DWORD* pFVF) = 0;
    virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                    UINT Stride) = 0;
    virtual HRESULT GetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                                    UINT* pStride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) = 0;
    virtual HRESULT GetIndices(IDirect3DIndexBuffer9** ppIndexData) = 0;
    // Stage 0 only draws; other stages are kept for completeness. Null unbinds.
    virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) = 0;
    // Adds a reference to the returned texture, as D3D does.
    virtual HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) = 0;

    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                         UINT NumVertices, UINT StartIndex, UINT PrimitiveCount) = 0;
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                    const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) = 0;
    virtual HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT MinVertexIndex, UINT NumVertices,
                                           UINT PrimitiveCount, const void* pIndexData, D3DFORMAT IndexDataFormat,
                                           const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) = 0;

    virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                       IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) = 0;
    virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                      IDirect3DIndexBuffer9** ppIndexBuffer, HANDLE* pSharedHandle) = 0;
    // Levels 0 gives the full mip chain down to 1x1.
    virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                  IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) = 0;
};

class IDirect3D9 : public IUnknownLike {
public:
    virtual UINT GetAdapterCount() = 0;
    virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
    virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) = 0;
    // hFocusWindow is the SDL window (created with SDL_WINDOW_OPENGL); pPresentationParameters gets
    // the back-buffer size and format actually used, as D3D writes them back.
    virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pPresentationParameters,
                                 IDirect3DDevice9** ppReturnedDeviceInterface) = 0;
};

using LPDIRECT3D9 = IDirect3D9*;
using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DBASETEXTURE9 = IDirect3DBaseTexture9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;

// Creates the Direct3D object. SDKVersion must be D3D_SDK_VERSION (32) or 0x90003 (the value the
// game passes); anything else gives null, as does a failed start of SDL's video subsystem.
IDirect3D9* Direct3DCreate9(UINT SDKVersion);

// ---- Additions for the Linux build (not part of Direct3D) ----------------------------------------

// The last frame given to Present, top row first, 4 bytes per pixel (R, G, B, A). False when the
// device has presented nothing yet. Works with any video driver, offscreen included.
bool DeviceReadLastFrame(IDirect3DDevice9* device, int& width, int& height, std::vector<std::uint8_t>& rgba);

// Draws with the one general fixed-function program (every choice a uniform) instead of the programs
// specialised per state, which the device uses by default. Both give the same pixels; this is for
// comparing them.
void DeviceUseGeneralProgram(IDirect3DDevice9* device, bool on);

// The bytes of CPU copies of its levels a texture holds beside OpenGL's texels (0 for null), for
// memory checks in tests.
std::size_t TextureCopyBytes(IDirect3DTexture9* texture);

// Where Present puts a back buffer of bw x bh in a window of w x h: as large as fits with its shape
// kept, centred (the rest of the window black). Out: left and bottom offsets, width, height.
struct D3DPresentArea {
    int x, y, width, height;
};
D3DPresentArea D3DLetterbox(int bw, int bh, int w, int h);

// Why the last failing call of this layer failed (empty when none has failed), so a caller can
// report more than the result code.
const char* D3DLastErrorText();

// Number of live device objects of each kind, for leak checks in tests.
struct D3DObjectCounts {
    int direct3d;
    int devices;
    int textures;
    int vertexBuffers;
    int indexBuffers;
};
D3DObjectCounts D3DLiveObjects();

// The work handed to OpenGL by every device of the process so far, counted where a draw is prepared,
// so that a frame's cost can be told apart from the machine's noise: the same run gives the same
// counts. A state change is one group of OpenGL state made current before a draw: the fixed render
// states, the viewport, the sampler, a switch of shader program, one group of uniforms sent (the
// choices, transforms, material, lights, fog, stage values), a texture, a vertex layout or an index
// buffer bound. Triangles count the primitives of triangle draws, degenerate ones included.
//
// With the environment variable AVIORRA_DRAW_COUNTS naming a file, each device writes the counts so
// far into it when it is destroyed (one line: "frames F draws D triangles T state_changes S
// programs P"), so that a whole run of the program can be counted from outside.
struct D3DDrawCounts {
    std::uint64_t frames;        // Present calls
    std::uint64_t draws;         // draw calls that reached OpenGL
    std::uint64_t triangles;
    std::uint64_t stateChanges;
    std::uint64_t programs;      // shader programs compiled and linked
};
D3DDrawCounts D3DDrawCountsSoFar();
