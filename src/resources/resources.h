// The resource cache: every game file by its relative path, from a loose file or a .vrk archive.
#pragma once

#include <cstdint>
#include <string>

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

// Builds the resource list from the archives in the working directory.
void ResourceScanArchives();
// The first entry named exactly `name`, or null.
ResourceEntry* ResourceFind(const char* name);
// A new block (owned by the caller, release with delete[]) of the entry's size with the file's bytes,
// or null.
std::uint8_t* ResourceLoadBytes(const char* name);
// Releases every entry with what is cached in it.
void ResourceFreeAll();

// Console commands.
void ArchListCommand();             // archlist
void ResourceLoadTextureCommand();  // tex
