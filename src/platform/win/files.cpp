#include "platform/win/files.h"

#include <cstdio>

#include <unistd.h>

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

bool WriteFileReplacing(const std::string& path, std::string_view bytes)
{
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = ::fsync(::fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) {
        return true;
    }
    std::remove(temporary.c_str());
    return false;
}
