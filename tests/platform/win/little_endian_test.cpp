#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/win/little_endian.h"

namespace {

TEST(LittleEndian, WriterPutsTheLeastSignificantByteFirstAndFillsFixedFields)
{
    std::string out = "x";
    LittleEndianWriter w(out);
    w.U8(0xAB);
    w.U16(0x1234);
    w.U32(0x89ABCDEFu);
    w.I32(-2);
    w.F32(1.0f);
    w.U64(0x0102030405060708ull);
    w.FixedString("abcdef", 4);
    w.FixedString("ab", 4);
    w.Zeros(2);
    const std::string expected(
        "x\xAB\x34\x12\xEF\xCD\xAB\x89\xFE\xFF\xFF\xFF\x00\x00\x80\x3F"
        "\x08\x07\x06\x05\x04\x03\x02\x01"
        "abcdab\0\0\0\0",
        34);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(w.Size(), out.size());

    LittleEndianReader r(out);
    EXPECT_EQ(r.Block(1), "x");
    EXPECT_EQ(r.U8(), 0xAB);
    EXPECT_EQ(r.U16(), 0x1234);
    EXPECT_EQ(r.U32(), 0x89ABCDEFu);
    EXPECT_EQ(r.I32(), -2);
    EXPECT_EQ(r.F32(), 1.0f);
    EXPECT_EQ(r.U64(), 0x0102030405060708ull);
    EXPECT_EQ(r.Seek(1).U16(), 0x34AB);
    EXPECT_EQ(r.Position(), 3u);
    EXPECT_FALSE(r.Failed());
}

TEST(LittleEndian, FloatsKeepEveryBitIncludingNaNPayloadsAndNegativeZero)
{
    const std::uint32_t floatBits[] = {0x7FC00001u, 0xFF800000u, 0x80000000u, 0x00000001u, 0x7F7FFFFFu};
    const std::uint64_t doubleBits[] = {0x7FF0000000000123ull, 0x8000000000000000ull, 0x3FF0000000000000ull};
    std::string out;
    LittleEndianWriter w(out);
    for (std::uint32_t bits : floatBits) {
        w.F32(std::bit_cast<float>(bits));
    }
    for (std::uint64_t bits : doubleBits) {
        w.F64(std::bit_cast<double>(bits));
    }
    ASSERT_EQ(out.size(), 5u * 4 + 3u * 8);
    EXPECT_EQ(out.substr(0, 4), std::string("\x01\x00\xC0\x7F", 4));
    LittleEndianReader r(out);
    for (std::uint32_t bits : floatBits) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r.F32()), bits);
    }
    for (std::uint64_t bits : doubleBits) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(r.F64()), bits);
    }
    EXPECT_EQ(r.Remaining(), 0u);
    EXPECT_FALSE(r.Failed());
}

// Every kind of read, one byte short of what it needs: zero, nothing consumed, and the reader stays
// failed for reads that would otherwise fit.
TEST(LittleEndian, ReadsPastTheEndFailGiveNothingAndStayFailed)
{
    struct Case {
        const char* what;
        std::size_t needs;
        std::function<bool(LittleEndianReader&)> readGivesNothing;
    };
    const std::vector<Case> cases = {
        {"U8", 1, [](LittleEndianReader& r) { return r.U8() == 0; }},
        {"U16", 2, [](LittleEndianReader& r) { return r.U16() == 0; }},
        {"U32", 4, [](LittleEndianReader& r) { return r.U32() == 0; }},
        {"I32", 4, [](LittleEndianReader& r) { return r.I32() == 0; }},
        {"F32", 4, [](LittleEndianReader& r) { return std::bit_cast<std::uint32_t>(r.F32()) == 0; }},
        {"U64", 8, [](LittleEndianReader& r) { return r.U64() == 0; }},
        {"F64", 8, [](LittleEndianReader& r) { return std::bit_cast<std::uint64_t>(r.F64()) == 0; }},
        {"Block", 5, [](LittleEndianReader& r) { return r.Block(5).empty(); }},
        {"Bytes", 5,
         [](LittleEndianReader& r) {
             char out[5] = {'k', 'k', 'k', 'k', 'k'};
             return !r.Bytes(out, 5) && std::string(out, 5) == "kkkkk";
         }},
        {"Skip", 5, [](LittleEndianReader& r) { return !r.Skip(5); }},
    };
    const std::string bytes = "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Starting one byte in, with one byte too few left.
        LittleEndianReader r(bytes.data(), c.needs);
        ASSERT_EQ(r.U8(), 0xFF);
        EXPECT_TRUE(c.readGivesNothing(r));
        EXPECT_TRUE(r.Failed());
        EXPECT_EQ(r.Position(), 1u);
        EXPECT_EQ(r.U8(), 0);  // a byte is left, but the reader has failed
        EXPECT_TRUE(r.Peek(1).empty());
        EXPECT_EQ(r.Position(), 1u);
    }

    // Lengths near the top of size_t do not wrap around the bounds check.
    LittleEndianReader huge(bytes.data(), 4);
    EXPECT_TRUE(huge.Block(std::numeric_limits<std::size_t>::max()).empty());
    EXPECT_TRUE(huge.Failed());
    LittleEndianReader skip(bytes.data(), 4);
    skip.U8();
    EXPECT_FALSE(skip.Skip(std::numeric_limits<std::size_t>::max()));

    // Seeking to the end is allowed and leaves nothing; one past it fails.
    LittleEndianReader seek(bytes.data(), 4);
    EXPECT_EQ(seek.Seek(4).Remaining(), 0u);
    EXPECT_FALSE(seek.Failed());
    EXPECT_EQ(seek.Seek(5).Position(), 4u);
    EXPECT_TRUE(seek.Failed());

    // Peeking past the end is no failure; an empty or missing block reads nothing at all.
    LittleEndianReader peek(bytes.data(), 2);
    EXPECT_TRUE(peek.Peek(3).empty());
    EXPECT_EQ(peek.Peek(2).size(), 2u);
    EXPECT_FALSE(peek.Failed());
    LittleEndianReader none(nullptr, 16);
    EXPECT_EQ(none.Size(), 0u);
    EXPECT_EQ(none.U8(), 0);
    EXPECT_TRUE(none.Failed());
}

}  // namespace
