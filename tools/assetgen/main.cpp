// assetgen: writes the game's default content below a folder.
//
//   assetgen OUT_DIR            OUT_DIR/data/{mesh,textures,sound}/... and OUT_DIR/exec.vrs
//   assetgen --sheet FILE.png   the contact sheet of all textures and meshes
//   assetgen --icons DIR        DIR/NxN/apps/aviorra.png, the desktop icon at the usual sizes
//
// The same program always writes the same bytes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "content.h"

namespace {

bool WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--sheet") {
        return WriteFile(argv[2], EncodePng(ContactSheet())) ? 0 : 1;
    }
    if (argc == 3 && std::string(argv[1]) == "--icons") {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const std::string folder = std::to_string(size) + "x" + std::to_string(size);
            if (!WriteFile(std::filesystem::path(argv[2]) / folder / "apps" / "aviorra.png",
                           EncodePng(GameIcon(size)))) {
                return 1;
            }
        }
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: assetgen OUT_DIR | assetgen --sheet FILE.png | assetgen --icons DIR\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    for (const ContentFile& file : GenerateContent()) {
        if (file.bytes.empty()) {
            std::fprintf(stderr, "assetgen: %s could not be made\n", file.path.c_str());
            return 1;
        }
        if (!WriteFile(root / file.path, file.bytes)) {
            return 1;
        }
    }
    return 0;
}
