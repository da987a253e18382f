// The .vrk archive format: member data, then a directory of 108-byte records, then the record count in
// the last four bytes, all little-endian. Reading checks every record against the file so that a
// damaged archive is reported and never read outside its bytes; writing builds a whole archive in
// memory. The game's resource cache and the vrk tool both use these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kArchiveRecordSize = 108;
inline constexpr std::size_t kArchiveNameField = 100;      // the name with its terminating zero
inline constexpr std::size_t kArchiveNameMax = kArchiveNameField - 1;
inline constexpr std::size_t kArchiveCountSize = 4;

// What is wrong with an archive or one of its records.
enum class ArchiveProblem : std::uint8_t {
    None,
    // The whole archive is unusable:
    OpenFailed,         // the file cannot be opened (or is not a regular file) or its length found
    ReadFailed,         // reading the directory failed (for one member: not all of its bytes are there)
    TooShort,           // fewer than four bytes: no count
    CountTooLarge,      // N records do not fit before the count
    // One record is unusable:
    MemberPastEnd,      // offset + size runs past the member data into the directory or past the end
                        // of the file (or beyond 2 GiB)
    NameUnterminated,   // no terminating zero in the 100-byte name
    NameEmpty,          // the name is empty
    NameLeavesFolder,   // the name is absolute or climbs out with "..": the game skips such a member
};

// One directory record as stored.
struct ArchiveRecord {
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
    std::string name;                            // up to the terminating zero (or all 100 bytes)
    ArchiveProblem problem = ArchiveProblem::None;
};

// An archive's directory as read from its file: records in stored order (first record first).
struct ArchiveDirectory {
    std::uint64_t fileSize = 0;
    std::uint32_t count = 0;                     // the count field as stored
    ArchiveProblem problem = ArchiveProblem::None;   // set when nothing of the archive is usable
    std::vector<ArchiveRecord> records;          // empty when `problem` is set
};

// Decodes one 108-byte record and checks it against an archive whose member data (everything before
// the directory) is `dataEnd` bytes long.
ArchiveRecord ArchiveDecodeRecord(const std::uint8_t* record, std::uint64_t dataEnd);
// Appends a record's 108 bytes to `out`, field by field: size, offset, the name zero-padded to 100
// bytes.
void ArchiveEncodeRecord(const ArchiveRecord& record, std::string& out);

// The problem the game's resource scan finds in a record: the record's own damage, else
// NameLeavesFolder when GamePathStaysInside refuses its name (a member name is also the path of its
// loose override, so the scan skips a name that is absolute or climbs out of the game folder).
ArchiveProblem ArchiveRecordProblemInGame(const ArchiveRecord& record);

// Reads and checks the directory of the archive file at `path`. True when the archive is usable
// (some of its records may still be damaged); false with `directory.problem` set otherwise.
bool ArchiveReadDirectory(const std::string& path, ArchiveDirectory& directory);
// The same on an archive held in memory.
bool ArchiveParseDirectory(std::string_view bytes, ArchiveDirectory& directory);

// Reads exactly the record's bytes of one member from the archive file (its record must be
// undamaged). False with `bytes` empty when the record is damaged, the file cannot be opened
// (`problem` OpenFailed) or no longer holds every byte of the member or a read fails (ReadFailed).
bool ArchiveReadMember(const std::string& path, const ArchiveRecord& record, std::string& bytes,
                       ArchiveProblem* problem = nullptr);

// A member to pack: its name in the archive and its bytes.
struct ArchiveMember {
    std::string name;
    std::string bytes;
};

// The whole archive: the members' bytes in order, their records in the same order, the count. False
// with `error` set when a name is empty, longer than 99 characters or holds a zero byte, or the
// archive would outgrow 2 GiB.
bool ArchiveBuild(const std::vector<ArchiveMember>& members, std::string& archive, std::string& error);

// Is the member name safe to create below a folder: not empty, no absolute path or drive, no '..'
// or '.' part, no empty part, separators '\' (or '/').
bool ArchiveMemberNameSafe(std::string_view name);

// Short English description of a problem (for the vrk tool).
const char* ArchiveProblemText(ArchiveProblem problem);
// The same in Hungarian, code page 1250 (for the game's console).
const char* ArchiveProblemTextHu(ArchiveProblem problem);

// ---- The vrk tool's operations --------------------------------------------------------------------

// Packs every regular file below `folder` (recursively) into the archive at `archivePath`, written
// with WriteFileReplacing. Members are named by their paths relative to the folder with '\' between
// the parts and stored sorted by name (byte order). An archive that lies inside the folder is not
// packed into itself. A name the game's scan would skip is refused. `names` receives the member
// names. False with `error` set on any failure; nothing is written then.
bool ArchivePackFolder(const std::string& folder, const std::string& archivePath, std::vector<std::string>& names,
                       std::string& error);

// Writes every undamaged member below `folder` (created as needed), in stored order, so a name stored
// twice ends with the record stored last, as the game finds it. Refuses the whole archive before
// writing anything when a member name is unsafe. False with `error` set on failure.
bool ArchiveExtractToFolder(const std::string& archivePath, const std::string& folder, std::string& error);

// Every damage of the archive as the game's scan sees it (ArchiveRecordProblemInGame), as lines of
// text naming the record and the reason, in the order the records are stored; empty when the archive
// is sound.
std::vector<std::string> ArchiveVerify(const std::string& archivePath);
