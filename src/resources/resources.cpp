// The resource list: built from the directories of the .vrk archives in the working directory (and
// of an installed content folder behind it), read from the archive or from a loose file of the same
// path, and caching the textures and sound streams made from its files.
#include "resources/resources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
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

// The entry's `size` bytes, as the resource list hands them out: its archive member, or the first
// `size` bytes of its loose file (one shorter than that cannot give them). Prints the failure.
bool EntryRecordBytes(const ResourceEntry& entry, std::string& bytes)
{
    if (!ResourceBytes(entry, bytes)) {
        return false;
    }
    const auto size = static_cast<std::size_t>(std::max(entry.size, 0));
    if (bytes.size() < size) {
        bytes.clear();
        ConsolePrintf(console, "A fájlból nem lehet olvasni!"_cp);
        return false;
    }
    bytes.resize(size);
    return true;
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

bool ResourceLooseFileBytes(const char* gamePath, std::string& bytes, FileProblem& problem)
{
    return ReadRegularFile(GamePathToLocal(gamePath), kResourceFileLimit, bytes, problem);
}

bool ResourceBytes(const ResourceEntry& entry, std::string& bytes)
{
    bytes.clear();
    try {
        if (entry.archive.empty()) {
            FileProblem problem = FileProblem::None;
            if (ResourceLooseFileBytes(entry.name, bytes, problem)) {
                return true;
            }
            // The reader tells a file beyond the limit from the others, not an open from a read.
            bytes.clear();
            if (problem == FileProblem::TooLarge) {
                ConsolePrintf(console, "A fájlból nem lehet olvasni!"_cp);
            } else {
                ConsolePrintf(console, "A fájlt nem lehet megnyitni!"_cp);
            }
            return false;
        }
        ArchiveProblem problem = ArchiveProblem::ReadFailed;
        if (entry.size >= 0 && entry.offset >= 0) {
            ArchiveRecord record;
            record.size = static_cast<std::uint32_t>(entry.size);
            record.offset = static_cast<std::uint32_t>(entry.offset);
            if (ArchiveReadMember(entry.archive, record, bytes, &problem)) {
                return true;
            }
        }
        if (problem == ArchiveProblem::OpenFailed) {
            ConsolePrintf(console, "A fájlt nem lehet megnyitni!"_cp);
        } else {
            ConsolePrintf(console, "A fájlból nem lehet olvasni!"_cp);
        }
    } catch (const std::bad_alloc&) {
        ConsolePrintf(console, "Hiba a memóriafoglalásnál!"_cp);
    }
    bytes.clear();
    return false;
}

std::uint8_t* ResourceLoadBytes(const char* name)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        ConsolePrintf(console, "Nem létezik ilyen fájl! (%s)"_cp, name != nullptr ? name : "");
        return nullptr;
    }
    std::string bytes;
    if (!EntryRecordBytes(*entry, bytes)) {
        return nullptr;
    }
    auto* block = new (std::nothrow) std::uint8_t[bytes.size()];
    if (block == nullptr) {
        ConsolePrintf(console, "Hiba a memóriafoglalásnál!"_cp);
        return nullptr;
    }
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

HRESULT TextureLoad(const char* name, std::uint32_t colorKey, IDirect3DTexture9** outTexture)
{
    const char* shown = name != nullptr ? name : "";
    IDirect3DTexture9* texture = nullptr;
    HRESULT hr = E_FAIL;
    ResourceEntry* entry = ResourceFind(name);
    std::string bytes;
    if (entry == nullptr) {
        ConsolePrintf(console, "Nem létezik ilyen fájl! (%s)"_cp, shown);
    } else if (ResourceBytes(*entry, bytes)) {
        // The same arguments wherever the bytes came from: a loose file and the same file in an
        // archive give the same texture.
        hr = D3DXCreateTextureFromFileInMemoryEx(
            device, bytes.data(), static_cast<UINT>(bytes.size()), D3DX_DEFAULT, D3DX_DEFAULT, 0, 0, D3DFMT_FROM_FILE,
            D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, colorKey, nullptr, nullptr, &texture);
        if (FAILED(hr)) {
            // A loose file is the player's own and is named; an archive member is not.
            if (entry->archive.empty()) {
                ConsolePrintf(console, "A textúra betöltése nem sikerült! (%s)"_cp, shown);
            } else {
                ConsolePrintf(console, "Betöltés sikertelen."_cp);
            }
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
    std::string bytes;
    const bool read = EntryRecordBytes(*entry, bytes);
    if (read) {
        if (entry->texture != nullptr) {
            entry->texture->Release();
            entry->texture = nullptr;
        }
        IDirect3DTexture9* texture = nullptr;
        if (SUCCEEDED(
                D3DXCreateTextureFromFileInMemory(device, bytes.data(), static_cast<UINT>(bytes.size()), &texture))) {
            entry->texture = texture;
        }
    }
    if (read && entry->texture != nullptr) {
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
