// Screenshots the binary wrote, read back as RGB pixels.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }

    // Pixels of the rectangle [x0, x1) x [y0, y1) for which `test(r, g, b)` holds.
    template <typename Test>
    int Count(int x0, int y0, int x1, int y1, Test test) const
    {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const unsigned char* p = At(x, y);
                count += test(p[0], p[1], p[2]) ? 1 : 0;
            }
        }
        return count;
    }

    // Pixels of the rectangle [x0, x1) x [y0, y1) whose colour differs from `other`'s there.
    int Differing(const Image& other, int x0, int y0, int x1, int y1) const
    {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                count += std::memcmp(At(x, y), other.At(x, y), 3) != 0 ? 1 : 0;
            }
        }
        return count;
    }
};

// The PNG at `path`; an empty image when it cannot be read.
inline Image LoadImage(const std::string& path)
{
    Image image;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3);
    if (pixels != nullptr) {
        image.rgb.assign(pixels, pixels + static_cast<std::size_t>(image.width) * image.height * 3);
        stbi_image_free(pixels);
    }
    return image;
}
