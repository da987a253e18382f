// Texture files: BMP, DDS and whatever else the decoder recognises by its signature.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "d3dx/texture_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DecodedImage image;
    if (SUCCEEDED(TextureDecodeImage(data, size, image))) {
        if (image.width == 0 || image.height == 0 || image.texels.size() != std::size_t{image.width} * image.height) {
            std::abort();
        }
    }
    return 0;
}
