// Textures from image files of the Direct3D extension library: D3DXCreateTextureFromFileA,
// D3DXCreateTextureFromFileExA, D3DXCreateTextureFromFileInMemory and
// D3DXCreateTextureFromFileInMemoryEx.
//
// The file (BMP, DDS, and through stb_image PNG, TGA and JPEG) is decoded to 32-bit ARGB texels; the
// colour key turns every texel of exactly that ARGB value into transparent black; the picture is
// resampled to the requested size and written into level 0 of a new texture, whose smaller levels
// the device builds from it. Files that cannot be decoded are refused with D3DXERR_INVALIDDATA and
// nothing is created.
#pragma once

#include "platform/d3d9/d3d9.h"

using LPCSTR = const char*;
using LPCVOID = const void*;

inline constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

// Size and level arguments: D3DX_DEFAULT (or 0) takes the file's size rounded up to a power of two
// and a full mip chain; D3DX_DEFAULT_NONPOW2 and D3DX_FROM_FILE take the file's size as it is (and,
// for the levels, D3DX_FROM_FILE the levels the file holds).
inline constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
inline constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
inline constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;
// Format argument: the texture takes its format from the file (here always A8R8G8B8, so a colour
// key can make texels transparent). D3DFMT_UNKNOWN means the same.
inline constexpr D3DFORMAT D3DFMT_FROM_FILE = static_cast<D3DFORMAT>(0xFFFFFFFDu);

// Filters for resampling the picture to the texture's size (the low byte selects the filter; the
// mirror and dither flags are accepted and have no effect here). The mip filter is accepted with the
// same values; the device builds the smaller levels with a box filter whatever it names.
inline constexpr DWORD D3DX_FILTER_NONE = 1;
inline constexpr DWORD D3DX_FILTER_POINT = 2;
inline constexpr DWORD D3DX_FILTER_LINEAR = 3;
inline constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
inline constexpr DWORD D3DX_FILTER_BOX = 5;
inline constexpr DWORD D3DX_FILTER_MIRROR_U = 0x00010000u;
inline constexpr DWORD D3DX_FILTER_MIRROR_V = 0x00020000u;
inline constexpr DWORD D3DX_FILTER_MIRROR_W = 0x00040000u;
inline constexpr DWORD D3DX_FILTER_MIRROR = 0x00070000u;
inline constexpr DWORD D3DX_FILTER_DITHER = 0x00080000u;
inline constexpr DWORD D3DX_FILTER_DITHER_DIFFUSION = 0x00100000u;
inline constexpr DWORD D3DX_FILTER_SRGB_IN = 0x00200000u;
inline constexpr DWORD D3DX_FILTER_SRGB_OUT = 0x00400000u;
inline constexpr DWORD D3DX_FILTER_SRGB = 0x00600000u;
// Mip filter bits 26..30: DDS levels to skip (accepted and ignored).
inline constexpr DWORD D3DX_SKIP_DDS_MIP_LEVELS_MASK = 0x1Fu;
inline constexpr DWORD D3DX_SKIP_DDS_MIP_LEVELS_SHIFT = 26;

enum D3DXIMAGE_FILEFORMAT : std::uint32_t {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
};

// What the file holds: its size, levels and texel format (D3DFMT_P8, value 41, for palette images;
// D3DFMT_R8G8B8 for 24-bit pictures), and its kind.
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

#ifndef AVIORRA_PALETTEENTRY_DEFINED
#define AVIORRA_PALETTEENTRY_DEFINED
struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
#endif

// Every function: D3DERR_INVALIDCALL for a null device, data, file name or output pointer, an empty
// buffer or a filter outside the list above; D3DXERR_INVALIDDATA for a file that is missing,
// unreadable, of an unknown kind, damaged or truncated; otherwise the device's result. *ppTexture is
// set only on success. pSrcInfo (optional) receives the file's description; pPalette (optional, 256
// entries) receives the palette of a palette image and is left alone for other images.
HRESULT D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize, UINT Width,
                                            UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                            PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture);

// The file is named as the game names it: a backslash stands for '/'.
HRESULT D3DXCreateTextureFromFileExA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, UINT Width, UINT Height,
                                     UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                     DWORD MipFilter, D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo,
                                     PALETTEENTRY* pPalette, LPDIRECT3DTEXTURE9* ppTexture);

// The file's size rounded up to powers of two, a full mip chain, the file's format, the managed pool,
// default filters and no colour key.
HRESULT D3DXCreateTextureFromFileInMemory(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                          LPDIRECT3DTEXTURE9* ppTexture);
HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE9 pDevice, LPCSTR pSrcFile, LPDIRECT3DTEXTURE9* ppTexture);
