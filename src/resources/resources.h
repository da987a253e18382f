// The resource cache: every game file by its relative path, from a loose file or a .vrk archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bass/bass.h"

class IDirect3DTexture9;

inline constexpr int kResourceNameSize = 100;   // 99 characters and the terminator

struct ResourceEntry {
    std::int32_t size;                 // bytes to read (also for a loose file)
    std::int32_t offset;               // position in the archive
    char name[kResourceNameSize];      // the lookup key, e.g. "textures\hud.bmp"
    std::string archive;               // the archive's file name; empty when a loose file overrides it
    IDirect3DTexture9* texture;        // made by the tex command; released with the entry
    HSTREAM stream;                    // the sound stream, 0 = none; freed with the entry
    std::uint8_t* streamData;          // the file image the stream plays from; released with the entry
    ResourceEntry* next;
};

// Builds the resource list from the archives in the working directory, then those of the installed
// folder: an entry of the working directory's archives (or a loose file) wins over an installed one.
void ResourceScanArchives();
// The installed content folder whose archives the scan reads behind the working directory's; empty
// (the start) for none.
void ResourceSetInstalledFolder(const std::string& folder);
// The first entry named exactly `name`, or null.
ResourceEntry* ResourceFind(const char* name);
// A new block (owned by the caller, release with delete[]) of the entry's size with the file's bytes,
// or null.
std::uint8_t* ResourceLoadBytes(const char* name);
// Releases every entry with what is cached in it.
void ResourceFreeAll();
// Releases the textures cached in the entries (they live on the graphics device), before the device
// is re-created; the entries stay.
void ResourceTexturesRelease();

// Creates a texture from the resource on the graphics device into *outTexture, turning texels of
// exactly the ARGB colour `colorKey` transparent (0: no key). Reports on the console; S_OK when a
// texture was created, a failure code otherwise (*outTexture is then left as it was).
HRESULT TextureLoad(const char* name, std::uint32_t colorKey, IDirect3DTexture9** outTexture);
// Creates a texture from the resource into its entry (the tex command's work).
void ResourceLoadTexture(const char* name);

// The first entry of the list (list order), or null while it is empty.
ResourceEntry* ResourceListHead();

// The archive file names of `folder` (regular files ending ".vrk", none hidden) in ascending byte
// order.
std::vector<std::string> ResourceArchiveNamesIn(const std::string& folder);

// Console commands.
void ArchListCommand();             // archlist
void ResourceLoadTextureCommand();  // tex
