// File services: game paths on the Linux file system, and writing a file without ever leaving it
// half-written.
#pragma once

#include <string>
#include <string_view>

// Game files are named with backslashes ("textures\hud.bmp"); on disk the backslash is '/'.
std::string GamePathToLocal(std::string_view gamePath);

// Writes the bytes to a temporary file beside `path`, then renames it over `path`. On any failure
// the old file stays whole and the temporary file is removed; returns false.
bool WriteFileReplacing(const std::string& path, std::string_view bytes);
