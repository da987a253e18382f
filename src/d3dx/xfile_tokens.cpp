// The tokenisers of the .x reader, in the order a file's body meets them:
//
//   1. Compressed body (DecompressMszip): "tzip" and "bzip" files hold MSZIP blocks; they are
//      inflated into the plain body of the matching "txt " or "bin " form.
//   2. Text tokeniser (LexText): names, numbers, strings and braces; separators, comments and GUIDs
//      are dropped.
//   3. Binary tokeniser (LexBinary): the 16-bit token codes with their little-endian counts, integers
//      and float lists.
//
// Both tokenisers give the same token list (xfile_tokens.h), so the parser reads either form alike,
// and both refuse a file whose tokens would take more memory than kMaxTokenBytes.
#include "d3dx/xfile_tokens.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string_view>

#include <zlib.h>

#include "platform/win/little_endian.h"

namespace xfile {

// ---- Compressed body ------------------------------------------------------------------------------

namespace {

constexpr std::size_t kMszipBlock = 32768;
// The largest body a compressed file may unpack to. Meshes take kilobytes to a few megabytes, and the
// text of the most tokens kMaxTokenBytes admits takes 10 to 15 MB; twice that leaves room for
// spacing and comments. Each block unpacks 32 KiB from a few dozen bytes, so the bound is also what
// a small file can make the reader inflate and scan before it is refused.
constexpr std::size_t kMaxDecompressed = std::size_t{32} << 20;

}  // namespace

// The body of a compressed file ("tzip" text, "bzip" binary): the size of the whole file once
// decompressed (the 16-byte header included), then MSZIP blocks, each a 16-bit decompressed size,
// a 16-bit compressed size counting the "CK" signature that starts it, and raw deflate data whose
// window reaches back into the blocks before it. False with the reason in `error` when damaged.
bool DecompressMszip(const std::uint8_t* p, std::size_t size, std::vector<std::uint8_t>* out, std::string* error)
{
    auto fail = [error](const char* what) {
        *error = what;
        return false;
    };
    if (size < 4) {
        return fail("a compressed .x file without its size");
    }
    LittleEndianReader r(p, size);
    const std::uint32_t total = r.U32();
    if (total < 16 || total - 16 > kMaxDecompressed) {
        return fail("a compressed .x file of an impossible size");
    }
    const std::size_t expected = total - 16;
    // The size is a claim: room grows with what the blocks really give.
    out->reserve(std::min<std::size_t>(expected, size * 8));
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return fail("not enough memory for the decompressor");
    }
    bool ok = true;
    while (ok && out->size() < expected) {
        if (r.Remaining() < 6) {
            ok = fail("a compressed .x file cut short");
            break;
        }
        const std::size_t plain = r.U16();
        const std::size_t packed = r.U16();
        const std::size_t at = r.Position();
        if (plain == 0 || plain > kMszipBlock || packed < 3 || packed > r.Remaining() || p[at] != 'C' ||
            p[at + 1] != 'K' || plain > expected - out->size()) {
            ok = fail("a damaged compressed block");
            break;
        }
        const std::size_t dictionary = std::min(out->size(), kMszipBlock);
        inflateReset(&stream);
        if (dictionary > 0 && inflateSetDictionary(&stream, out->data() + out->size() - dictionary,
                                                   static_cast<uInt>(dictionary)) != Z_OK) {
            ok = fail("a damaged compressed block");
            break;
        }
        const std::size_t before = out->size();
        out->resize(before + plain);
        stream.next_in = const_cast<Bytef*>(p + at + 2);
        stream.avail_in = static_cast<uInt>(packed - 2);
        stream.next_out = out->data() + before;
        stream.avail_out = static_cast<uInt>(plain);
        const int status = inflate(&stream, Z_FINISH);
        if (status != Z_STREAM_END || stream.avail_out != 0) {
            ok = fail("a damaged compressed block");
            break;
        }
        r.Skip(packed);
    }
    inflateEnd(&stream);
    return ok;
}

// ---- Text tokeniser -------------------------------------------------------------------------------

namespace {

// ASCII letters and digits, '_', '-', '.', and every byte from 0x80: the characters of names and
// numbers, the same in every locale.
constexpr std::array<bool, 256> kNameChars = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '-' ||
                   c == '.' || c >= 0x80;
    }
    return table;
}();

bool IsNameChar(unsigned char c)
{
    return kNameChars[c];
}

bool TooManyTokens(std::string* error)
{
    *error = "more tokens than a mesh file holds";
    return false;
}

// Room for a token per four bytes of a body of `size` bytes, never for more than the bound admits.
void ReserveTokens(Tokens* out, std::size_t size)
{
    out->list.reserve(out->list.size() + std::min(size / 4, kMaxTokenBytes / sizeof(Token)));
}

}  // namespace

bool LexText(const std::uint8_t* p, std::size_t size, Tokens* out, std::string* error)
{
    // Mesh data is mostly numbers of four characters or more with their separators: about as many
    // tokens as a quarter of the bytes, so the list seldom grows.
    ReserveTokens(out, size);
    std::size_t i = 0;
    while (i < size) {
        if (out->Full()) {
            return TooManyTokens(error);
        }
        const unsigned char c = p[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';' || c == 0 || c == '\f' ||
            c == '\v') {
            ++i;
        } else if (c == '#' || (c == '/' && i + 1 < size && p[i + 1] == '/')) {
            while (i < size && p[i] != '\n') {
                ++i;
            }
        } else if (c == '{') {
            out->Add(Kind::OBrace);
            ++i;
        } else if (c == '}') {
            out->Add(Kind::CBrace);
            ++i;
        } else if (c == '"') {
            const std::size_t start = ++i;
            while (i < size && p[i] != '"') {
                ++i;
            }
            if (i >= size) {
                *error = "unterminated string";
                return false;
            }
            out->AddText(Kind::String, std::string(reinterpret_cast<const char*>(p + start), i - start));
            ++i;
        } else if (c == '<') {
            while (i < size && p[i] != '>') {
                ++i;
            }
            if (i >= size) {
                *error = "unterminated GUID";
                return false;
            }
            ++i;
        } else if (IsNameChar(c) || c == '+') {
            std::size_t end = i;
            while (end < size && (IsNameChar(p[end]) || p[end] == '+')) {
                ++end;
            }
            const char* first = reinterpret_cast<const char*>(p + i);
            const char* last = reinterpret_cast<const char*>(p + end);
            double value = 0.0;
            const char* numberStart = (*first == '+') ? first + 1 : first;
            auto [ptr, ec] = std::from_chars(numberStart, last, value);
            if (ec == std::errc() && ptr == last) {
                const bool integral = std::find_if(numberStart, last,
                                                   [](char ch) { return ch == '.' || ch == 'e' || ch == 'E'; }) == last;
                out->AddNumber(value, integral);
            } else if (ec == std::errc::result_out_of_range) {
                *error = "number out of range";
                return false;
            } else if ((numberStart != last && std::isdigit(static_cast<unsigned char>(*numberStart))) ||
                       *first == '-' || *first == '+' || *first == '.') {
                // Something like "1.0.0" or "-x": only names may hold such characters, and names do
                // not start with them; keep it as punctuation, which only templates may contain.
                out->AddText(Kind::Other, std::string(first, last));
            } else {
                out->AddText(Kind::Name, std::string(first, last));
            }
            i = end;
        } else {
            out->AddText(Kind::Other, std::string(1, static_cast<char>(c)));
            ++i;
        }
    }
    return true;
}

// ---- Binary tokeniser -----------------------------------------------------------------------------

namespace {

enum BinaryToken : std::uint16_t {
    kTokName = 1,
    kTokString = 2,
    kTokInteger = 3,
    kTokGuid = 5,
    kTokIntegerList = 6,
    kTokFloatList = 7,
    kTokOBrace = 10,
    kTokCBrace = 11,
    kTokComma = 19,
    kTokSemicolon = 20,
};

}  // namespace

bool LexBinary(const std::uint8_t* p, std::size_t size, bool doubles, Tokens* out, std::string* error)
{
    LittleEndianReader r(p, size);
    // Mostly 4-byte numbers: a bound on the tokens that spares the list its regrowth.
    ReserveTokens(out, size);
    auto truncated = [error] {
        *error = "binary data ends inside a token";
        return false;
    };
    while (r.Remaining() > 0) {
        if (out->Full()) {
            return TooManyTokens(error);
        }
        const std::uint16_t token = r.U16();
        if (r.Failed()) {
            return truncated();
        }
        std::uint32_t count = 0;
        switch (token) {
        case kTokName:
        case kTokString: {
            count = r.U32();
            if (r.Failed()) {
                return truncated();
            }
            if (count > r.Remaining()) {
                *error = "a name or string is longer than the data left";
                return false;
            }
            std::string text(r.Block(count));
            out->AddText(token == kTokName ? Kind::Name : Kind::String, std::move(text));
            if (token == kTokString) {
                // A string ends with a separator token, written by some tools as a DWORD.
                const std::uint16_t terminator = r.U16();
                if (r.Failed()) {
                    return truncated();
                }
                if (terminator != kTokComma && terminator != kTokSemicolon) {
                    *error = "a string is not followed by a separator";
                    return false;
                }
                const std::string_view next = r.Peek(2);
                if (next.size() == 2 && next[0] == 0 && next[1] == 0) {
                    r.Skip(2);
                }
            }
            break;
        }
        case kTokInteger:
            count = r.U32();
            if (r.Failed()) {
                return truncated();
            }
            out->AddNumber(count, true);
            break;
        case kTokGuid:
            if (!r.Skip(16)) {
                return truncated();
            }
            break;
        case kTokIntegerList:
        case kTokFloatList: {
            count = r.U32();
            if (r.Failed()) {
                return truncated();
            }
            const std::size_t itemSize = (token == kTokFloatList && doubles) ? 8 : 4;
            if (count > r.Remaining() / itemSize) {
                *error = "a number list is longer than the data left";
                return false;
            }
            if (!out->Room(count)) {
                return TooManyTokens(error);
            }
            for (std::uint32_t n = 0; n < count; ++n) {
                if (token == kTokIntegerList) {
                    out->AddNumber(r.U32(), true);
                } else if (doubles) {
                    out->AddNumber(r.F64(), false);
                } else {
                    out->AddNumber(r.F32(), false);
                }
            }
            break;
        }
        case kTokOBrace: out->Add(Kind::OBrace); break;
        case kTokCBrace: out->Add(Kind::CBrace); break;
        default:
            // Punctuation and the type keywords of templates carry no data.
            if ((token >= 12 && token <= 20) || (token >= 31 && token <= 53)) {
                if (token == 31) {
                    out->AddText(Kind::Name, "template");
                } else {
                    out->AddText(Kind::Other, std::string());
                }
                break;
            }
            *error = "unknown binary token " + std::to_string(token);
            return false;
        }
    }
    return true;
}

}  // namespace xfile
