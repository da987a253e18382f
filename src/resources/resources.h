// The resource cache: every game file by its relative path, from a loose file or a .vrk archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bass/bass.h"
#include "platform/win/files.h"

class IDirect3DTexture9;

inline constexpr int kResourceNameSize = 100;   // 99 characters and the terminator
// The longest game file that is read: what the entries' signed 32-bit sizes can hold.
inline constexpr std::size_t kResourceFileLimit = 0x7FFFFFFF;

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
// The exact bytes of the entry's game file, the one place where game files are read: every byte of
// its archive member (read by the archive code), or the whole loose file that overrides it (a regular
// file of at most kResourceFileLimit bytes). Never less than the whole file: false with `bytes` empty
// after the reason on the console, "A fájlt nem lehet megnyitni!" when the archive or the loose file
// is gone, is no regular file or cannot be opened (or, for a loose file, read: its reader does not
// tell the two apart); "A fájlból nem lehet olvasni!" when the archive no longer holds the whole
// member or reading it fails, or the loose file is longer than the limit; "Hiba a
// memóriafoglalásnál!" when there is no memory for the bytes.
bool ResourceBytes(const ResourceEntry& entry, std::string& bytes);
// The whole loose file of a game path, read as ResourceBytes reads a loose entry but printing
// nothing: for the files a mesh names, which never come from an archive. False with the reason in
// `problem`.
bool ResourceLooseFileBytes(const char* gamePath, std::string& bytes, FileProblem& problem);
// A new block (owned by the caller, release with delete[]) of the entry's size with the file's bytes,
// or null after the reason on the console. A loose file gives its first `size` bytes; one shorter than
// that cannot be read.
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
