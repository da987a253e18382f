// DXT (S3TC) images to and from RGBA on the calling thread, block by block through libsquish.
//
// libsquish's own whole-image functions spread the blocks over OpenMP threads; on a loaded machine
// those threads wait for a core longer than the work takes, and the OpenMP runtime reads its thread
// count when it loads, before any code of ours runs. These give the same bytes on one thread.
#pragma once

#include <cstdint>

// rgba: width * height pixels, 4 bytes each (R, G, B, A), rows top first. flags: squish::kDxt1,
// kDxt3 or kDxt5 (with any of libsquish's compressor choices for encoding). Blocks are 8 bytes for
// DXT1 and 16 otherwise, rows of blocks top first; partial blocks at the right and bottom edges
// cover only the pixels inside the image.
void DxtDecodeImage(std::uint8_t* rgba, int width, int height, const void* blocks, int flags);
void DxtEncodeImage(const std::uint8_t* rgba, int width, int height, void* blocks, int flags);
