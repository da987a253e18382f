// The one-thread DXT coder gives the bytes of libsquish's whole-image functions, partial edge
// blocks included.
#include <gtest/gtest.h>
#include <squish.h>

#include <cstdint>
#include <vector>

#include "platform/d3d9/dxt.h"

TEST(Dxt, OneThreadCoderMatchesLibsquishForEveryFormatAndEdgeBlocks)
{
    for (const int flags : {squish::kDxt1, squish::kDxt3, squish::kDxt5}) {
        for (const auto& [w, h] : {std::pair{8, 8}, std::pair{10, 7}, std::pair{3, 2}, std::pair{1, 1}}) {
            std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
            for (std::size_t i = 0; i < rgba.size(); ++i) {
                rgba[i] = static_cast<std::uint8_t>((i * 37 + i / 7 * 11) & 0xFF);
            }
            const auto size = static_cast<std::size_t>(squish::GetStorageRequirements(w, h, flags));
            std::vector<std::uint8_t> ours(size, 0xAA), theirs(size, 0x55);
            DxtEncodeImage(rgba.data(), w, h, ours.data(), flags);
            squish::CompressImage(rgba.data(), w, h, theirs.data(), flags);
            EXPECT_EQ(ours, theirs) << "encoding, flags " << flags << ", " << w << "x" << h;

            std::vector<std::uint8_t> decodedOurs(rgba.size(), 0xAA), decodedTheirs(rgba.size(), 0x55);
            DxtDecodeImage(decodedOurs.data(), w, h, theirs.data(), flags);
            squish::DecompressImage(decodedTheirs.data(), w, h, theirs.data(), flags);
            EXPECT_EQ(decodedOurs, decodedTheirs) << "decoding, flags " << flags << ", " << w << "x" << h;
        }
    }
}
