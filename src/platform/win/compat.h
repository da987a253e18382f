// What the C++ library of the browser build (emscripten's libc++) does not have yet: std::bit_cast,
// and std::from_chars for double. Elsewhere this header adds nothing.
#pragma once

#include <bit>
#include <charconv>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000 && !defined(__cpp_lib_bit_cast)
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <type_traits>

namespace std {

template <class To, class From>
    requires(sizeof(To) == sizeof(From) && is_trivially_copyable_v<To> && is_trivially_copyable_v<From>)
constexpr To bit_cast(const From& from) noexcept
{
    return __builtin_bit_cast(To, from);
}

// The general format of from_chars over strtod: no leading blanks or '+' (the text starts at a name
// character where the game calls it), and no hexadecimal "0x" form, which from_chars reads as 0.
inline from_chars_result from_chars(const char* first, const char* last, double& value)
{
    const std::string text(first, last);
    const char* begin = text.c_str();
    const char* digits = begin + (text.size() > 0 && text[0] == '-' ? 1 : 0);
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        value = digits == begin ? 0.0 : -0.0;
        return {first + (digits - begin) + 1, errc()};
    }
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])) || text[0] == '+') {
        return {first, errc::invalid_argument};
    }
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(begin, &end);
    if (end == begin) {
        return {first, errc::invalid_argument};
    }
    if (errno == ERANGE) {
        return {first + (end - begin), errc::result_out_of_range};
    }
    value = parsed;
    return {first + (end - begin), errc()};
}

}  // namespace std
#endif
