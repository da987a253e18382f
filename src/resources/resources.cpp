// The resource list: built from the directories of the .vrk archives in the working directory (and
// of an installed content folder behind it), read from the archive or from a loose file of the same
// path, and caching the textures and sound streams made from its files.
#include "resources/resources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <vector>

#include "console/console.h"
#include "core/graphics.h"
#include "d3dx/texture.h"
#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "resources/archive.h"

namespace {

// Memory the archlist report counts for one entry.
constexpr int kEntryReportBytes = 136;

ResourceEntry* listHead = nullptr;
ResourceEntry* listTail = nullptr;

void Append(ResourceEntry* entry)
{
    if (listTail == nullptr) {
        listHead = entry;
    } else {
        listTail->next = entry;
    }
    listTail = entry;
}

bool LooseFileExists(const char* name)
{
    struct stat info {};
    return ::stat(GamePathToLocal(name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool HasArchiveExtension(const std::string& name)
{
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".vrk") == 0;
}

// The installed content folder whose archives come behind the working directory's; empty: none.
std::string installedFolder;

}  // namespace

std::vector<std::string> ResourceArchiveNamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        if (name.empty() || name[0] == '.' || !HasArchiveExtension(name) || !it->is_regular_file(kind)) {
            continue;
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// The working directory's archive file names, then the installed folder's (by their paths).
std::vector<std::string> ArchiveNames()
{
    std::vector<std::string> names = ResourceArchiveNamesIn(".");
    if (!installedFolder.empty()) {
        for (const std::string& name : ResourceArchiveNamesIn(installedFolder)) {
            names.push_back(installedFolder + "/" + name);
        }
    }
    return names;
}

// Reads the entry's bytes from its archive or its loose file into a new block of its size; prints
// the failure and gives null when the file cannot be opened, the block allocated, or all of it read.
std::uint8_t* ReadEntry(const ResourceEntry& entry)
{
    const bool loose = entry.archive.empty();
    const std::string path = loose ? GamePathToLocal(entry.name) : entry.archive;
    FileProblem problem = FileProblem::None;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(path, "rb", problem), &std::fclose);
    if (!file) {
        ConsolePrintf(console, "A fájlt nem lehet megnyitni!"_cp);
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(std::max(entry.size, 0));
    std::uint8_t* bytes = new (std::nothrow) std::uint8_t[size];
    if (bytes == nullptr) {
        ConsolePrintf(console, "Hiba a memóriafoglalásnál!"_cp);
        return nullptr;
    }
    const long offset = loose ? 0 : entry.offset;
    if (std::fseek(file.get(), offset, SEEK_SET) != 0 || std::fread(bytes, 1, size, file.get()) != size) {
        ConsolePrintf(console, "A fájlból nem lehet olvasni!"_cp);
        delete[] bytes;
        return nullptr;
    }
    return bytes;
}

}  // namespace

void ResourceSetInstalledFolder(const std::string& folder)
{
    installedFolder = folder;
}

void ResourceScanArchives()
{
    ResourceFreeAll();
    int total = 0;
    for (const std::string& archiveName : ArchiveNames()) {
        ArchiveDirectory directory;
        if (!ArchiveReadDirectory(archiveName, directory)) {
            ConsolePrintf(console, "Hibás archivum, kihagyva: %s (%s)"_cp, archiveName.c_str(),
                          ArchiveProblemTextHu(directory.problem));
            continue;
        }
        // The directory is listed from its last record to its first.
        for (std::size_t i = directory.records.size(); i-- > 0;) {
            const ArchiveRecord& record = directory.records[i];
            const ArchiveProblem problem = ArchiveRecordProblemInGame(record);
            if (problem != ArchiveProblem::None) {
                ConsolePrintf(console, "Hibás bejegyzés kihagyva: %s, %zu. rekord (%s)"_cp, archiveName.c_str(), i + 1,
                              ArchiveProblemTextHu(problem));
                continue;
            }
            auto* entry = new ResourceEntry{};
            entry->size = static_cast<std::int32_t>(record.size);
            entry->offset = static_cast<std::int32_t>(record.offset);
            ConsoleCopyText(entry->name, record.name.c_str(), sizeof entry->name);
            if (!LooseFileExists(entry->name)) {
                entry->archive = archiveName;
            }
            entry->texture = nullptr;
            entry->stream = 0;
            entry->streamData = nullptr;
            entry->next = nullptr;
            Append(entry);
            ++total;
        }
    }
    ConsolePrintf(console, "Összesen %i fájl van az archivumokban."_cp, total);
}

ResourceEntry* ResourceFind(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    for (ResourceEntry* entry = listHead; entry != nullptr; entry = entry->next) {
        if (std::strcmp(entry->name, name) == 0) {
            return entry;
        }
    }
    return nullptr;
}

ResourceEntry* ResourceListHead()
{
    return listHead;
}

std::uint8_t* ResourceLoadBytes(const char* name)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        ConsolePrintf(console, "Nem létezik ilyen fájl! (%s)"_cp, name != nullptr ? name : "");
        return nullptr;
    }
    return ReadEntry(*entry);
}

HRESULT TextureLoad(const char* name, std::uint32_t colorKey, IDirect3DTexture9** outTexture)
{
    const char* shown = name != nullptr ? name : "";
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = E_FAIL;
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        ConsolePrintf(console, "Nem létezik ilyen fájl! (%s)"_cp, shown);
    } else if (!entry->archive.empty()) {
        std::uint8_t* bytes = ReadEntry(*entry);
        if (bytes != nullptr) {
            hr = D3DXCreateTextureFromFileInMemoryEx(
                device, bytes, static_cast<UINT>(entry->size), D3DX_DEFAULT, D3DX_DEFAULT, 0, 0, D3DFMT_FROM_FILE,
                D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, colorKey, nullptr, nullptr, &texture);
            if (FAILED(hr)) {
                ConsolePrintf(console, "Betöltés sikertelen."_cp);
            }
            delete[] bytes;
        }
    } else {
        hr = D3DXCreateTextureFromFileExA(device, entry->name, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                          D3DX_DEFAULT, D3DX_DEFAULT, colorKey, nullptr, nullptr, &texture);
        if (FAILED(hr)) {
            ConsolePrintf(console, "A textúra betöltése nem sikerült! (%s)"_cp, shown);
        }
    }
    if (SUCCEEDED(hr) && texture != nullptr && outTexture != nullptr) {
        *outTexture = texture;
        ConsolePrintf(console, "Textúra betöltve. (%s)"_cp, shown);
        return S_OK;
    }
    if (texture != nullptr) {
        texture->Release();
    }
    ConsolePrintf(console, "Textúra betöltése sikertelen! (%s)"_cp, shown);
    return FAILED(hr) ? hr : E_FAIL;
}

void ResourceLoadTexture(const char* name)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        ConsolePrintf(console, "Nem létezik ilyen fájl! (%s)"_cp, name != nullptr ? name : "");
        ConsolePrintf(console, "Textúra betöltése sikertelen! (%s)"_cp, name != nullptr ? name : "");
        return;
    }
    std::uint8_t* bytes = ReadEntry(*entry);
    if (bytes != nullptr) {
        if (entry->texture != nullptr) {
            entry->texture->Release();
            entry->texture = nullptr;
        }
        IDirect3DTexture9* texture = nullptr;
        if (SUCCEEDED(D3DXCreateTextureFromFileInMemory(device, bytes, static_cast<UINT>(entry->size), &texture))) {
            entry->texture = texture;
        }
        delete[] bytes;
    }
    if (bytes != nullptr && entry->texture != nullptr) {
        ConsolePrintf(console, "Textúra betöltve. (%s)"_cp, entry->name);
    } else {
        ConsolePrintf(console, "Textúra betöltése sikertelen! (%s)"_cp, entry->name);
    }
}

void ResourceLoadTextureCommand()
{
    if (console.tokens[1][0] == '\0') {
        return;
    }
    ResourceLoadTexture(console.tokens[1]);
}

void ArchListCommand()
{
    ConsolePrintf(console, "     Méret Fájlnév  (archivum)"_cp);
    ConsolePrintf(console, "%s", std::string(54, '-').c_str());
    int count = 0;
    for (const ResourceEntry* entry = listHead; entry != nullptr; entry = entry->next) {
        ConsolePrintf(console, "%10i %s  (%s)", entry->size, entry->name, entry->archive.c_str());
        ++count;
    }
    ConsolePrintf(console, "%s", "");
    ConsolePrintf(console, "Összesen: %i fájl"_cp, count);
    ConsolePrintf(console, "Foglalt memória: %i bájt"_cp, count * kEntryReportBytes);
}

void ResourceTexturesRelease()
{
    for (ResourceEntry* entry = listHead; entry != nullptr; entry = entry->next) {
        if (entry->texture != nullptr) {
            entry->texture->Release();
            entry->texture = nullptr;
        }
    }
}

void ResourceFreeAll()
{
    ResourceEntry* entry = listHead;
    while (entry != nullptr) {
        ResourceEntry* next = entry->next;
        if (entry->stream != 0) {
            BASS_StreamFree(entry->stream);
        }
        delete[] entry->streamData;
        if (entry->texture != nullptr) {
            entry->texture->Release();
        }
        delete entry;
        entry = next;
    }
    listHead = nullptr;
    listTail = nullptr;
}
