// The directory of a .vrk archive: records, count and every check against the file's length.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "resources/archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ArchiveDirectory directory;
    const bool usable = ArchiveParseDirectory(std::string_view(reinterpret_cast<const char*>(data), size), directory);
    if (!usable) {
        if (directory.problem == ArchiveProblem::None || !directory.records.empty()) {
            std::abort();
        }
        return 0;
    }
    if (directory.records.size() != directory.count) {
        std::abort();
    }
    // An undamaged record lies wholly inside the member data, before the directory.
    const std::uint64_t dataEnd = size - kArchiveCountSize - std::uint64_t{directory.count} * kArchiveRecordSize;
    for (const ArchiveRecord& record : directory.records) {
        if (record.problem != ArchiveProblem::None) {
            continue;
        }
        if (std::uint64_t{record.offset} + record.size > dataEnd || record.name.empty() ||
            record.name.size() > kArchiveNameMax) {
            std::abort();
        }
    }
    return 0;
}
