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

struct Tokens {
    std::vector<Token> list;
    std::vector<std::string> strings;

    void Add(Kind kind) { list.push_back({kind, false, 0.0, 0}); }
    void AddNumber(double value, bool integral) { list.push_back({Kind::Number, integral, value, 0}); }
    void AddText(Kind kind, std::string text)
    {
        list.push_back({kind, false, 0.0, static_cast<std::uint32_t>(strings.size())});
        strings.push_back(std::move(text));
    }
};

// The body of a compressed file ("tzip" or "bzip"), decompressed. False with the reason in `error`.
bool DecompressMszip(const std::uint8_t* p, std::size_t size, std::vector<std::uint8_t>* out, std::string* error);

// The tokens of the text form. False with the reason in `error`.
bool LexText(const std::uint8_t* p, std::size_t size, Tokens* out, std::string* error);

// The tokens of the binary form; `doubles` when the header gives 64-bit floats. False with the reason
// in `error`.
bool LexBinary(const std::uint8_t* p, std::size_t size, bool doubles, Tokens* out, std::string* error);

}  // namespace xfile
