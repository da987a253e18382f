// vrk: packs, lists, extracts and checks the game's .vrk archives, with the same archive code the
// game reads them with.
//
//   vrk pack OUT.vrk DIR      every file below DIR, named by its relative path with backslashes
//   vrk list ARCHIVE          size, offset and name of each record, in stored order
//   vrk extract ARCHIVE DIR   every member below DIR
//   vrk verify ARCHIVE        reports damage as the game sees it, names its scan skips included;
//                             exit status 1 when damaged
//
// Exit status: 0 success, 1 failure or damage, 2 a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/archive.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: vrk pack OUT.vrk DIR\n"
                 "       vrk list ARCHIVE\n"
                 "       vrk extract ARCHIVE DIR\n"
                 "       vrk verify ARCHIVE\n");
    return 2;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "vrk: %s\n", message.c_str());
    return 1;
}

int Pack(const std::string& archive, const std::string& folder)
{
    std::vector<std::string> names;
    std::string error;
    if (!ArchivePackFolder(folder, archive, names, error)) {
        return Fail(error);
    }
    std::printf("%s: %zu members\n", archive.c_str(), names.size());
    return 0;
}

int List(const std::string& archive)
{
    ArchiveDirectory directory;
    if (!ArchiveReadDirectory(archive, directory)) {
        return Fail(archive + ": " + ArchiveProblemText(directory.problem));
    }
    int status = 0;
    for (const ArchiveRecord& record : directory.records) {
        const ArchiveProblem problem = ArchiveRecordProblemInGame(record);
        if (problem != ArchiveProblem::None) {
            std::printf("%10s %10s %s  [damaged: %s]\n", "-", "-", record.name.c_str(), ArchiveProblemText(problem));
            status = 1;
        } else {
            std::printf("%10u %10u %s\n", record.size, record.offset, record.name.c_str());
        }
    }
    return status;
}

int Extract(const std::string& archive, const std::string& folder)
{
    std::string error;
    if (!ArchiveExtractToFolder(archive, folder, error)) {
        return Fail(error);
    }
    const std::vector<std::string> damage = ArchiveVerify(archive);
    for (const std::string& line : damage) {
        std::fprintf(stderr, "vrk: skipped: %s\n", line.c_str());
    }
    return damage.empty() ? 0 : 1;
}

int Verify(const std::string& archive)
{
    const std::vector<std::string> damage = ArchiveVerify(archive);
    for (const std::string& line : damage) {
        std::printf("%s\n", line.c_str());
    }
    if (damage.empty()) {
        std::printf("%s: sound\n", archive.c_str());
    }
    return damage.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "pack") {
        return Pack(args[1], args[2]);
    }
    if (args.size() == 2 && args[0] == "list") {
        return List(args[1]);
    }
    if (args.size() == 3 && args[0] == "extract") {
        return Extract(args[1], args[2]);
    }
    if (args.size() == 2 && args[0] == "verify") {
        return Verify(args[1]);
    }
    return Usage();
}
