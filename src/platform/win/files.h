// File services: game paths on the Linux file system, writing a file without ever leaving it
// half-written, and reading only regular files (never blocking on a FIFO or a device).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Game files are named with backslashes ("textures\hud.bmp"); on disk the backslash is '/'.
std::string GamePathToLocal(std::string_view gamePath);

// Whether a game path stays inside the game folder: not absolute, and no ".." part climbing above
// the folder it starts from ("mesh\..\textures\x.bmp" stays inside, "..\x.bmp" does not).
bool GamePathStaysInside(std::string_view gamePath);

// Why a file was not written or not read.
enum class FileProblem {
    None,
    Failed,           // an ordinary failure (errno tells which)
    NotRegular,       // the name exists and is a folder, FIFO, device or socket
    WriteProtected,   // the file exists and has no write permission (also for root)
    TooLarge,         // longer than the reader's limit
};

// Whether `path` may be replaced: None when it does not exist or is a writable regular file.
FileProblem FileReplaceCheck(const std::string& path);

// Writes the bytes to a new temporary file beside `path` (created exclusively, never through a
// link), then renames it over `path`; the replaced file's permission bits stay. A name that is not
// a regular file or is write-protected is left as it is. On any failure the old file stays whole
// and the temporary file is removed; returns false with the reason in `problem` when given.
bool WriteFileReplacing(const std::string& path, std::string_view bytes, FileProblem* problem = nullptr);

// Opens an existing regular file with an fopen mode ("rb" or "rb+") without blocking on special
// files; null with the reason in `problem` (Failed: errno tells which, ENOENT for a missing file).
std::FILE* OpenRegularFile(const std::string& path, const char* mode, FileProblem& problem);

// Reads a whole regular file of at most `limit` bytes.
bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes, FileProblem& problem);

// Start-up in the game folder: a file-size limit makes writes fail instead of ending the program,
// and the temporary files that killed runs left behind (our own naming pattern, their program gone)
// are removed. Returns how many were removed.
int FilesPrepareGameFolder(const std::string& folder);
// The temporary files of `path` alone (NAME.tmp<pid>-<hex> beside it) that killed runs left behind,
// for a file written outside the game folder; returns how many were removed.
int FilesRemoveStaleTemporaries(const std::string& path);
