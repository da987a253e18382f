#include "platform/win/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <random>

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>
#endif

namespace {

// Temporary files are named NAME.tmp<pid>-<8 hex digits>.
constexpr std::string_view kTemporaryMark = ".tmp";
constexpr int kTemporaryTries = 16;

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsHexDigit(char ch)
{
    return IsDigit(ch) || (ch >= 'a' && ch <= 'f');
}

// The process id in a temporary file's name, or 0 when the name is not one of ours.
long TemporaryOwner(std::string_view name)
{
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos || name.size() - dash - 1 != 8) {
        return 0;
    }
    for (char ch : name.substr(dash + 1)) {
        if (!IsHexDigit(ch)) {
            return 0;
        }
    }
    std::size_t digits = dash;
    while (digits > 0 && IsDigit(name[digits - 1])) {
        --digits;
    }
    if (digits == dash || dash - digits > 9 || digits <= kTemporaryMark.size() ||
        name.substr(digits - kTemporaryMark.size(), kTemporaryMark.size()) != kTemporaryMark) {
        return 0;
    }
    return std::stol(std::string(name.substr(digits, dash - digits)));
}

bool ProcessAlive(long pid)
{
    return pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

// Creates a new temporary file beside `path`; -1 when none can be made.
int CreateTemporary(const std::string& path, std::string& temporary)
{
    static std::mt19937 pick{std::random_device{}()};
    for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<unsigned>(pick()));
        temporary = path + std::string(kTemporaryMark) + std::to_string(::getpid()) + suffix;
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool Report(FileProblem* out, FileProblem problem)
{
    if (out != nullptr) {
        *out = problem;
    }
    return problem == FileProblem::None;
}

}  // namespace

std::string GamePathToLocal(std::string_view gamePath)
{
    std::string local(gamePath);
    for (char& ch : local) {
        if (ch == '\\') {
            ch = '/';
        }
    }
    return local;
}

bool GamePathStaysInside(std::string_view gamePath)
{
    if (gamePath.empty() || gamePath.front() == '\\' || gamePath.front() == '/') {
        return false;
    }
    int depth = 0;
    std::size_t start = 0;
    while (start <= gamePath.size()) {
        std::size_t end = gamePath.find_first_of("\\/", start);
        if (end == std::string_view::npos) {
            end = gamePath.size();
        }
        const std::string_view part = gamePath.substr(start, end - start);
        if (part == "..") {
            if (--depth < 0) {
                return false;
            }
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

FileProblem FileReplaceCheck(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? FileProblem::None : FileProblem::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        return FileProblem::NotRegular;
    }
    // Root may write anything: the missing write bits still mark a file its owner protected.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0) {
        return FileProblem::WriteProtected;
    }
    return FileProblem::None;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, FileProblem* problem)
{
    const FileProblem check = FileReplaceCheck(path);
    if (check == FileProblem::NotRegular || check == FileProblem::WriteProtected) {
        return Report(problem, check);
    }
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;

    std::string temporary;
    const int fd = CreateTemporary(path, temporary);
    if (fd < 0) {
        return Report(problem, FileProblem::Failed);
    }
    bool ok = true;
    if (replacing) {
        // The new file keeps the old one's permission bits (and owner, where we may set it).
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
    }
    ok = WriteAll(fd, bytes) && ok;
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) {
#if defined(__EMSCRIPTEN__)
        // The page's file system lives in memory; the page copies the game folder to its lasting
        // store (IndexedDB) now that the file is whole under its name.
        EM_ASM({
            if (Module['persistFiles']) {
                Module['persistFiles']();
            }
        });
#endif
        return Report(problem, FileProblem::None);
    }
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    return Report(problem, FileProblem::Failed);
}

std::FILE* OpenRegularFile(const std::string& path, const char* mode, FileProblem& problem)
{
    // Special files are not even opened (opening a device can act on it); the descriptor is
    // checked again against a swap in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        problem = FileProblem::NotRegular;
        return nullptr;
    }
    const bool update = std::string_view(mode).find('+') != std::string_view::npos;
    const int fd = ::open(path.c_str(), (update ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        problem = errno == EISDIR ? FileProblem::NotRegular : FileProblem::Failed;
        return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = FileProblem::NotRegular;
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, mode);
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
        problem = FileProblem::Failed;
        return nullptr;
    }
    problem = FileProblem::None;
    return file;
}

bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes, FileProblem& problem)
{
    bytes.clear();
    std::FILE* file = OpenRegularFile(path, "rb", problem);
    if (file == nullptr) {
        return false;
    }
    struct stat info {};
    if (::fstat(::fileno(file), &info) == 0 && static_cast<std::uintmax_t>(info.st_size) > limit) {
        std::fclose(file);
        problem = FileProblem::TooLarge;
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes.size() + got > limit) {
            std::fclose(file);
            bytes.clear();
            problem = FileProblem::TooLarge;
            return false;
        }
        bytes.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    problem = failed ? FileProblem::Failed : FileProblem::None;
    return !failed;
}

namespace {

// Removes the temporary files in `folder` whose names start with `prefix` and whose writing process
// has ended; the count removed.
int RemoveStaleTemporaries(const std::string& folder, std::string_view prefix)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        const long owner = TemporaryOwner(name);
        if (owner <= 0 || ProcessAlive(owner)) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !(S_ISREG(info.st_mode) || S_ISLNK(info.st_mode))) {
            continue;
        }
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

}  // namespace

int FilesPrepareGameFolder(const std::string& folder)
{
    std::signal(SIGXFSZ, SIG_IGN);
    return RemoveStaleTemporaries(folder, "");
}

int FilesRemoveStaleTemporaries(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        return 0;
    }
    return RemoveStaleTemporaries(folder, name + std::string(kTemporaryMark));
}
