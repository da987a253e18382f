// The game folder's choice at start-up (the rule is in game_folder.h).
#include "app/game_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <system_error>

#include "platform/win/files.h"
#include "resources/resources.h"

#ifndef AVIORRA_CONTENT_FROM_BINARY
#define AVIORRA_CONTENT_FROM_BINARY "../share/aviorra"
#endif

namespace fs = std::filesystem;

namespace {

constexpr const char* kStartScript = "exec.vrs";

bool IsRegularFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Copies the installed start-up script into the game folder when the folder has none; false with the
// reason when the copy fails (a full disk, a folder that cannot be written), leaving no partial file.
bool CopyStartScript(const fs::path& installed, std::string& reason)
{
    if (IsRegularFile(kStartScript) || !IsRegularFile(installed / kStartScript)) {
        return true;
    }
    std::string bytes;
    FileProblem problem = FileProblem::None;
    if (!ReadRegularFile((installed / kStartScript).string(), SIZE_MAX, bytes, problem)) {
        reason = "cannot read " + (installed / kStartScript).string();
        return false;
    }
    if (!WriteFileReplacing(kStartScript, bytes, &problem)) {
        reason = std::string("cannot write its ") + kStartScript + ": " +
                 std::error_code(errno, std::generic_category()).message();
        return false;
    }
    return true;
}

}  // namespace

bool GameFolderHoldsGameFiles(const fs::path& folder)
{
    return IsRegularFile(folder / kStartScript) || !ResourceArchiveNamesIn(folder.string()).empty();
}

fs::path GameFolderPerUser(const char* xdgDataHome, const char* home)
{
    // A relative XDG_DATA_HOME is not a place for user data: it is ignored, as desktops do.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        return fs::path(xdgDataHome) / "aviorra";
    }
    std::string homeFolder = home != nullptr ? home : "";
    if (homeFolder.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) {
            homeFolder = user->pw_dir;
        }
    }
    if (homeFolder.empty()) {
        return {};
    }
    return fs::path(homeFolder) / ".local" / "share" / "aviorra";
}

fs::path GameFolderInstalledContent()
{
#if defined(__EMSCRIPTEN__)
    // The page preloads the content at a fixed place of its file system.
    const fs::path preloaded = "/content";
    return GameFolderHoldsGameFiles(preloaded) ? preloaded : fs::path();
#else
    std::error_code ec;
    const fs::path binary = fs::read_symlink("/proc/self/exe", ec);
    if (ec || binary.empty()) {
        return {};
    }
    const fs::path content = fs::weakly_canonical(binary.parent_path() / AVIORRA_CONTENT_FROM_BINARY, ec);
    if (ec || !GameFolderHoldsGameFiles(content)) {
        return {};
    }
    return content;
#endif
}

bool GameFolderEnter(const std::string& explicitFolder, const fs::path& installed, std::string& error)
{
    fs::path folder = explicitFolder;
    if (folder.empty()) {
        if (installed.empty() || GameFolderHoldsGameFiles(".")) {
            return true;  // the working directory, exactly as without an installation
        }
        folder = GameFolderPerUser(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        if (folder.empty()) {
            error = "no per-user game folder: neither XDG_DATA_HOME nor HOME is set (use --game-dir DIR)";
            return false;
        }
    }
    std::error_code ec;
    // A folder made here is the player's alone (0700, as the base directory rules ask).
    if (fs::create_directories(folder, ec) && !ec) {
        fs::permissions(folder, fs::perms::owner_all, ec);
    }
    if (ec || ::chdir(folder.c_str()) != 0) {
        error = "cannot use the game folder '" + folder.string() +
                "': " + (ec ? ec.message() : std::error_code(errno, std::generic_category()).message());
        return false;
    }
    // The installed folder itself chosen as the game folder: its archives are already the game's own.
    if (installed.empty() || fs::equivalent(installed, ".", ec)) {
        return true;
    }
    // Without its start-up script the game would start with no settings at all and blame them.
    std::string reason;
    if (!CopyStartScript(installed, reason)) {
        error = "cannot use the game folder '" + folder.string() + "': " + reason;
        return false;
    }
    ResourceSetInstalledFolder(installed.string());
    return true;
}

std::string GameFolderWorkingDirectory()
{
    std::error_code ec;
    const fs::path folder = fs::current_path(ec);
    return ec ? std::string() : folder.string();
}

std::string GameFolderOutsidePath(const std::string& path, const std::string& startFolder)
{
    if (path.empty() || path[0] == '/' || startFolder.empty()) {
        return path;
    }
    return (fs::path(startFolder) / path).string();
}
