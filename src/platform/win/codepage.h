// Code page 1250: the single-byte encoding of every text inside the program.
//
// Text becomes Unicode only at the edges (glyph lookup, the UTF-8 echo of console lines). Literals
// in the sources are written in UTF-8 and turned into code-page-1250 bytes at compile time with the
// _cp suffix: "Nem értem. ( %s )"_cp is a const char* to the single-byte text. A character that code
// page 1250 cannot hold is a compile error.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace cp1250 {

// Unicode code points of the bytes 0x80..0xFF; 0 marks the five bytes the code page leaves undefined.
inline constexpr std::array<char32_t, 128> kHighHalf = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0,      0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// The Unicode code point of one byte; an undefined byte gives U+FFFD.
constexpr char32_t ToUnicode(unsigned char byte)
{
    if (byte < 0x80) {
        return byte;
    }
    char32_t cp = kHighHalf[byte - 0x80];
    return cp != 0 ? cp : 0xFFFD;
}

// The byte for a code point, or -1 when the code page has none.
constexpr int FromUnicode(char32_t cp)
{
    if (cp < 0x80) {
        return static_cast<int>(cp);
    }
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == cp) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

// Code-page-1250 text to UTF-8 (undefined bytes become U+FFFD).
std::string ToUtf8(std::string_view text);

// UTF-8 text to code page 1250; characters it cannot hold, and malformed sequences, become '?'.
std::string FromUtf8(std::string_view text);

// Compile-time conversion behind the _cp literal suffix.
template <std::size_t N>
struct Utf8Literal {
    char chars[N]{};
    consteval Utf8Literal(const char (&text)[N])
    {
        for (std::size_t i = 0; i < N; ++i) {
            chars[i] = text[i];
        }
    }
};

template <std::size_t N>
consteval std::array<char, N> Encode(const Utf8Literal<N>& literal)
{
    std::array<char, N> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i + 1 < N;) {
        auto b = static_cast<unsigned char>(literal.chars[i]);
        char32_t cp = 0;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else {
            throw "code page 1250 holds no four-byte characters";
        }
        for (std::size_t k = 1; k < len; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(literal.chars[i + k]) & 0x3F);
        }
        int byte = FromUnicode(cp);
        if (byte < 0) {
            throw "character not in code page 1250";
        }
        out[o++] = static_cast<char>(byte);
        i += len;
    }
    return out;
}

template <Utf8Literal L>
struct EncodedLiteral {
    static constexpr std::array<char, sizeof(L.chars)> bytes = Encode(L);
};

}  // namespace cp1250

template <cp1250::Utf8Literal L>
constexpr const char* operator""_cp()
{
    return cp1250::EncodedLiteral<L>::bytes.data();
}
