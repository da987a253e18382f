// The tokens of a .x file, internal to the .x reader: the text and binary forms each become one token
// list that the parser in xfile.cpp reads without knowing which form it came from; compressed forms
// are decompressed first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xfile {

enum class Kind : std::uint8_t { Name, Number, String, OBrace, CBrace, Other };

struct Token {
    Kind kind;
    bool integral;     // a number written without fraction or exponent (always so for binary integers)
    double number;
    std::uint32_t text;  // index into the string table for names and strings
};

// The most memory the tokens of one file may take, counted as below: about 1.4 million numbers, the
// tokens of a text mesh of some 10 MB or a binary one of 5 MB, with normals, texture coordinates and
// faces some 60,000 vertices; the game's largest mesh has under 8,000 tokens. Without a bound a file
// would cost 24 to 56 bytes of tokens for each byte of its body, and a compressed body unpacks to
// hundreds of times its size; the tokenisers refuse a file as soon as its tokens pass the bound.
inline constexpr std::size_t kMaxTokenBytes = std::size_t{32} << 20;

struct Tokens {
    std::vector<Token> list;
    std::vector<std::string> strings;
    // Memory the tokens take, against kMaxTokenBytes: each token, and for names, strings and
    // punctuation their entry in the string table and their characters.
    std::size_t bytes = 0;

    void Add(Kind kind)
    {
        bytes += sizeof(Token);
        list.push_back({kind, false, 0.0, 0});
    }
    void AddNumber(double value, bool integral)
    {
        bytes += sizeof(Token);
        list.push_back({Kind::Number, integral, value, 0});
    }
    void AddText(Kind kind, std::string text)
    {
        bytes += sizeof(Token) + sizeof(std::string) + text.size();
        list.push_back({kind, false, 0.0, static_cast<std::uint32_t>(strings.size())});
        strings.push_back(std::move(text));
    }
    // Past the bound: the tokeniser stops there.
    bool Full() const { return bytes > kMaxTokenBytes; }
    // Whether `count` more numbers stay within the bound.
    bool Room(std::size_t count) const { return !Full() && count <= (kMaxTokenBytes - bytes) / sizeof(Token); }
};

// The body of a compressed file ("tzip" or "bzip"), decompressed. False with the reason in `error`.
bool DecompressMszip(const std::uint8_t* p, std::size_t size, std::vector<std::uint8_t>* out, std::string* error);

// The tokens of the text form. False with the reason in `error`.
bool LexText(const std::uint8_t* p, std::size_t size, Tokens* out, std::string* error);

// The tokens of the binary form; `doubles` when the header gives 64-bit floats. False with the reason
// in `error`.
bool LexBinary(const std::uint8_t* p, std::size_t size, bool doubles, Tokens* out, std::string* error);

}  // namespace xfile
