// The .vrk archives, in this order:
//   1. Reading: opening without blocking, reads at an offset, the directory's decoding.
//   2. Records: decoding and encoding one, the problems the game's scan finds, reading a directory
//      from a file or from bytes, a member's bytes.
//   3. Building an archive in memory, the names a member may have, the problem texts.
//   4. The vrk tool's operations: packing a folder, extracting, verifying.
#include "resources/archive.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "platform/win/codepage.h"
#include "platform/win/files.h"
#include "platform/win/little_endian.h"

namespace fs = std::filesystem;

namespace {

// Offsets and sizes live in signed 32-bit fields of the resource cache.
constexpr std::uint64_t kArchiveLimit = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Only a regular file is opened, so a folder, FIFO or device in an archive's place never blocks.
FilePtr OpenRead(const std::string& path)
{
    FileProblem problem = FileProblem::None;
    return FilePtr(OpenRegularFile(path, "rb", problem), &std::fclose);
}

bool ReadAt(std::FILE* file, std::uint64_t offset, std::size_t length, std::uint8_t* out)
{
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()) ||
        ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        return false;
    }
    return std::fread(out, 1, length, file) == length;
}

// The directory of an archive of `fileSize` bytes, whose bytes `readAt(offset, length, out)` reads.
template <typename ReadFunction>
bool DecodeDirectory(std::uint64_t fileSize, ReadFunction&& readAt, ArchiveDirectory& directory)
{
    directory = ArchiveDirectory{};
    directory.fileSize = fileSize;
    if (fileSize < kArchiveCountSize) {
        directory.problem = ArchiveProblem::TooShort;
        return false;
    }
    std::uint8_t countBytes[kArchiveCountSize];
    if (!readAt(fileSize - kArchiveCountSize, kArchiveCountSize, countBytes)) {
        directory.problem = ArchiveProblem::ReadFailed;
        return false;
    }
    directory.count = LittleEndianReader(countBytes, kArchiveCountSize).U32();
    if (directory.count > (fileSize - kArchiveCountSize) / kArchiveRecordSize) {
        directory.problem = ArchiveProblem::CountTooLarge;
        return false;
    }
    const std::size_t tableSize = static_cast<std::size_t>(directory.count) * kArchiveRecordSize;
    std::vector<std::uint8_t> table(tableSize);
    if (tableSize > 0 && !readAt(fileSize - kArchiveCountSize - tableSize, tableSize, table.data())) {
        directory.problem = ArchiveProblem::ReadFailed;
        return false;
    }
    const std::uint64_t dataEnd = fileSize - kArchiveCountSize - tableSize;
    directory.records.reserve(directory.count);
    for (std::uint32_t i = 0; i < directory.count; ++i) {
        directory.records.push_back(ArchiveDecodeRecord(table.data() + i * kArchiveRecordSize, dataEnd));
    }
    return true;
}

bool ReadWholeFile(const fs::path& path, std::string& bytes)
{
    FilePtr file = OpenRead(path.string());
    if (!file) {
        return false;
    }
    bytes.clear();
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.append(buffer, got);
        if (bytes.size() > kArchiveLimit) {
            return false;
        }
    }
    return std::ferror(file.get()) == 0;
}

}  // namespace

ArchiveRecord ArchiveDecodeRecord(const std::uint8_t* record, std::uint64_t dataEnd)
{
    ArchiveRecord result;
    LittleEndianReader fields(record, kArchiveRecordSize);
    result.size = fields.U32();
    result.offset = fields.U32();
    const auto* name = reinterpret_cast<const char*>(record + 8);
    const void* zero = std::memchr(name, 0, kArchiveNameField);
    const std::size_t nameLength =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - name) : kArchiveNameField;
    result.name.assign(name, nameLength);
    const std::uint64_t end = std::uint64_t{result.offset} + result.size;
    if (zero == nullptr) {
        result.problem = ArchiveProblem::NameUnterminated;
    } else if (nameLength == 0) {
        result.problem = ArchiveProblem::NameEmpty;
    } else if (end > dataEnd || result.offset > kArchiveLimit || result.size > kArchiveLimit) {
        result.problem = ArchiveProblem::MemberPastEnd;
    }
    return result;
}

ArchiveProblem ArchiveRecordProblemInGame(const ArchiveRecord& record)
{
    if (record.problem != ArchiveProblem::None) {
        return record.problem;
    }
    return GamePathStaysInside(record.name) ? ArchiveProblem::None : ArchiveProblem::NameLeavesFolder;
}

void ArchiveEncodeRecord(const ArchiveRecord& record, std::string& out)
{
    LittleEndianWriter fields(out);
    fields.U32(record.size);
    fields.U32(record.offset);
    fields.FixedString(std::string_view(record.name).substr(0, kArchiveNameMax), kArchiveNameField);
}

bool ArchiveReadDirectory(const std::string& path, ArchiveDirectory& directory)
{
    directory = ArchiveDirectory{};
    FilePtr file = OpenRead(path);
    if (!file || ::fseeko(file.get(), 0, SEEK_END) != 0) {
        directory.problem = ArchiveProblem::OpenFailed;
        return false;
    }
    const off_t length = ::ftello(file.get());
    if (length < 0) {
        directory.problem = ArchiveProblem::OpenFailed;
        return false;
    }
    return DecodeDirectory(
        static_cast<std::uint64_t>(length),
        [&](std::uint64_t offset, std::size_t size, std::uint8_t* out) {
            return ReadAt(file.get(), offset, size, out);
        },
        directory);
}

bool ArchiveParseDirectory(std::string_view bytes, ArchiveDirectory& directory)
{
    return DecodeDirectory(
        bytes.size(),
        [&](std::uint64_t offset, std::size_t size, std::uint8_t* out) {
            if (offset > bytes.size() || size > bytes.size() - offset) {
                return false;
            }
            std::memcpy(out, bytes.data() + offset, size);
            return true;
        },
        directory);
}

bool ArchiveReadMember(const std::string& path, const ArchiveRecord& record, std::string& bytes,
                       ArchiveProblem* problem)
{
    bytes.clear();
    auto fail = [&](ArchiveProblem why) {
        bytes.clear();
        if (problem != nullptr) {
            *problem = why;
        }
        return false;
    };
    if (record.problem != ArchiveProblem::None) {
        return fail(record.problem);
    }
    FilePtr file = OpenRead(path);
    if (!file) {
        return fail(ArchiveProblem::OpenFailed);
    }
    // The file may have changed since its directory was read: a member it no longer holds whole is
    // refused before its bytes are allocated.
    struct stat info {};
    const std::uint64_t end = std::uint64_t{record.offset} + record.size;
    if (::fstat(::fileno(file.get()), &info) != 0 || info.st_size < 0 ||
        static_cast<std::uint64_t>(info.st_size) < end) {
        return fail(ArchiveProblem::ReadFailed);
    }
    bytes.assign(record.size, '\0');
    if (record.size > 0 &&
        !ReadAt(file.get(), record.offset, record.size, reinterpret_cast<std::uint8_t*>(bytes.data()))) {
        return fail(ArchiveProblem::ReadFailed);
    }
    if (problem != nullptr) {
        *problem = ArchiveProblem::None;
    }
    return true;
}

bool ArchiveBuild(const std::vector<ArchiveMember>& members, std::string& archive, std::string& error)
{
    std::uint64_t total = kArchiveCountSize;
    for (const ArchiveMember& member : members) {
        if (member.name.empty()) {
            error = "a member has an empty name";
            return false;
        }
        if (member.name.size() > kArchiveNameMax) {
            error = "member name longer than 99 characters: " + member.name;
            return false;
        }
        if (member.name.find('\0') != std::string::npos) {
            error = "member name holds a zero byte: " + member.name;
            return false;
        }
        total += member.bytes.size() + kArchiveRecordSize;
        if (total > kArchiveLimit) {
            error = "the archive would be larger than 2 GiB";
            return false;
        }
    }
    archive.clear();
    archive.reserve(static_cast<std::size_t>(total));
    std::vector<ArchiveRecord> records;
    for (const ArchiveMember& member : members) {
        ArchiveRecord record;
        record.size = static_cast<std::uint32_t>(member.bytes.size());
        record.offset = static_cast<std::uint32_t>(archive.size());
        record.name = member.name;
        records.push_back(record);
        archive += member.bytes;
    }
    for (const ArchiveRecord& record : records) {
        ArchiveEncodeRecord(record, archive);
    }
    LittleEndianWriter(archive).U32(static_cast<std::uint32_t>(members.size()));
    return true;
}

bool ArchiveMemberNameSafe(std::string_view name)
{
    if (name.empty() || name.front() == '\\' || name.front() == '/' || name.find(':') != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

const char* ArchiveProblemText(ArchiveProblem problem)
{
    switch (problem) {
    case ArchiveProblem::None: return "sound";
    case ArchiveProblem::OpenFailed: return "cannot be opened";
    case ArchiveProblem::ReadFailed: return "cannot be read";
    case ArchiveProblem::TooShort: return "shorter than four bytes, no record count";
    case ArchiveProblem::CountTooLarge: return "the record count does not fit the file";
    case ArchiveProblem::MemberPastEnd: return "the member runs past the end of the member data";
    case ArchiveProblem::NameUnterminated: return "the name has no terminating zero";
    case ArchiveProblem::NameEmpty: return "the name is empty";
    case ArchiveProblem::NameLeavesFolder: return "the name leaves the game folder";
    }
    return "unknown damage";
}

const char* ArchiveProblemTextHu(ArchiveProblem problem)
{
    switch (problem) {
    case ArchiveProblem::None: return "ép"_cp;
    case ArchiveProblem::OpenFailed: return "nem lehet megnyitni"_cp;
    case ArchiveProblem::ReadFailed: return "nem lehet olvasni"_cp;
    case ArchiveProblem::TooShort: return "rövidebb 4 bájtnál, nincs benne darabszám"_cp;
    case ArchiveProblem::CountTooLarge: return "a könyvtár nem fér el a fájlban"_cp;
    case ArchiveProblem::MemberPastEnd: return "a tartalma túlnyúlik az adatterületen"_cp;
    case ArchiveProblem::NameUnterminated: return "a neve nincs lezárva"_cp;
    case ArchiveProblem::NameEmpty: return "üres a neve"_cp;
    case ArchiveProblem::NameLeavesFolder: return "a neve kivezet a játék mappájából"_cp;
    }
    return "ismeretlen hiba"_cp;
}

// ---- The vrk tool's operations --------------------------------------------------------------------

bool ArchivePackFolder(const std::string& folder, const std::string& archivePath, std::vector<std::string>& names,
                       std::string& error)
{
    names.clear();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "not a folder: " + folder;
        return false;
    }
    std::vector<ArchiveMember> members;
    fs::recursive_directory_iterator it(folder, ec);
    if (ec) {
        error = "cannot read the folder " + folder + ": " + ec.message();
        return false;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) {
            error = "cannot read the folder " + folder + ": " + ec.message();
            return false;
        }
        const fs::directory_entry& entry = *it;
        std::error_code kind;
        if (!entry.is_regular_file(kind)) {
            continue;
        }
        std::error_code same;
        if (fs::equivalent(entry.path(), archivePath, same)) {
            continue;  // an older copy of the archive being written
        }
        std::string name;
        for (const fs::path& part : entry.path().lexically_relative(folder)) {
            const std::string text = part.string();
            if (text.find('\\') != std::string::npos) {
                error = "a file name holds a backslash: " + entry.path().string();
                return false;
            }
            name += (name.empty() ? "" : "\\") + text;
        }
        if (name.size() > kArchiveNameMax) {
            error = "member name longer than 99 characters: " + name;
            return false;
        }
        if (!GamePathStaysInside(name)) {
            error = "member name " + name + ": " + ArchiveProblemText(ArchiveProblem::NameLeavesFolder);
            return false;
        }
        ArchiveMember member{name, {}};
        if (!ReadWholeFile(entry.path(), member.bytes)) {
            error = "cannot read " + entry.path().string();
            return false;
        }
        members.push_back(std::move(member));
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const ArchiveMember& a, const ArchiveMember& b) { return a.name < b.name; });
    std::string archive;
    if (!ArchiveBuild(members, archive, error)) {
        return false;
    }
    if (!WriteFileReplacing(archivePath, archive)) {
        error = "cannot write " + archivePath;
        return false;
    }
    for (const ArchiveMember& member : members) {
        names.push_back(member.name);
    }
    return true;
}

bool ArchiveExtractToFolder(const std::string& archivePath, const std::string& folder, std::string& error)
{
    ArchiveDirectory directory;
    if (!ArchiveReadDirectory(archivePath, directory)) {
        error = archivePath + ": " + ArchiveProblemText(directory.problem);
        return false;
    }
    for (const ArchiveRecord& record : directory.records) {
        if (record.problem == ArchiveProblem::None && !ArchiveMemberNameSafe(record.name)) {
            error = "member name leaves the folder: " + record.name;
            return false;
        }
    }
    for (const ArchiveRecord& record : directory.records) {
        if (record.problem != ArchiveProblem::None) {
            continue;
        }
        const fs::path target = fs::path(folder) / GamePathToLocal(record.name);
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        std::string bytes;
        if (!ArchiveReadMember(archivePath, record, bytes)) {
            error = "cannot read the member " + record.name;
            return false;
        }
        if (!WriteFileReplacing(target.string(), bytes)) {
            error = "cannot write " + target.string();
            return false;
        }
    }
    return true;
}

std::vector<std::string> ArchiveVerify(const std::string& archivePath)
{
    std::vector<std::string> lines;
    ArchiveDirectory directory;
    if (!ArchiveReadDirectory(archivePath, directory)) {
        lines.push_back(archivePath + ": " + ArchiveProblemText(directory.problem));
        return lines;
    }
    for (std::size_t i = 0; i < directory.records.size(); ++i) {
        const ArchiveRecord& record = directory.records[i];
        const ArchiveProblem problem = ArchiveRecordProblemInGame(record);
        if (problem != ArchiveProblem::None) {
            lines.push_back(archivePath + ": record " + std::to_string(i + 1) + " (" + record.name +
                            "): " + ArchiveProblemText(problem));
        }
    }
    return lines;
}
