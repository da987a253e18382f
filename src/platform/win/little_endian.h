// Little-endian fields: a reader over a block of bytes that never reads past its end, and a writer
// that appends to a string. Every file format of the game and its tools stores its numbers this way
// (least significant byte first, floats as their IEEE 754 bits), whatever the machine's own order.
//
// The reader's failure is sticky: a read that does not fit gives zero (or an empty block), reads
// nothing, leaves the position where it was and marks the reader failed; every later read fails
// too. A caller may read a whole layout and check Failed() once at the end.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/win/compat.h"

class LittleEndianReader {
public:
    LittleEndianReader() = default;
    LittleEndianReader(const void* data, std::size_t size) : data_(static_cast<const std::uint8_t*>(data)), size_(size)
    {
        if (data_ == nullptr) {
            size_ = 0;
        }
    }
    explicit LittleEndianReader(std::string_view bytes) : LittleEndianReader(bytes.data(), bytes.size()) {}

    std::uint8_t U8() { return static_cast<std::uint8_t>(Unsigned(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Unsigned(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Unsigned(4)); }
    std::uint64_t U64() { return Unsigned(8); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }
    double F64() { return std::bit_cast<double>(U64()); }

    // The next `count` bytes as they are; empty (and failed) when fewer remain.
    std::string_view Block(std::size_t count)
    {
        if (!Take(count)) {
            return {};
        }
        return {reinterpret_cast<const char*>(data_ + position_ - count), count};
    }

    // Copies the next `count` bytes to `out`; on failure `out` is left as it was.
    bool Bytes(void* out, std::size_t count)
    {
        const std::string_view block = Block(count);
        if (failed_) {
            return false;
        }
        if (count > 0) {
            std::memcpy(out, block.data(), count);
        }
        return true;
    }

    // The next `count` bytes without moving past them; empty when fewer remain (not a failure).
    std::string_view Peek(std::size_t count) const
    {
        if (failed_ || count > Remaining()) {
            return {};
        }
        return {reinterpret_cast<const char*>(data_ + position_), count};
    }

    bool Skip(std::size_t count) { return Take(count); }

    // Moves to `position` from the start; past the end fails. Returns the reader, so that a field at
    // a fixed offset reads as reader.Seek(16).U32().
    LittleEndianReader& Seek(std::size_t position)
    {
        if (failed_ || position > size_) {
            failed_ = true;
        } else {
            position_ = position;
        }
        return *this;
    }

    std::size_t Position() const { return position_; }
    std::size_t Size() const { return size_; }
    std::size_t Remaining() const { return size_ - position_; }
    bool Failed() const { return failed_; }

private:
    bool Take(std::size_t count)
    {
        if (failed_ || count > Remaining()) {
            failed_ = true;
            return false;
        }
        position_ += count;
        return true;
    }

    std::uint64_t Unsigned(std::size_t bytes)
    {
        if (!Take(bytes)) {
            return 0;
        }
        const std::uint8_t* p = data_ + position_ - bytes;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            value |= std::uint64_t{p[i]} << (8 * i);
        }
        return value;
    }

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// Appends fields to a string it does not own.
class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::string& out) : out_(out) {}

    void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U16(std::uint16_t v) { Unsigned(v, 2); }
    void U32(std::uint32_t v) { Unsigned(v, 4); }
    void U64(std::uint64_t v) { Unsigned(v, 8); }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
    void F64(double v) { U64(std::bit_cast<std::uint64_t>(v)); }

    void Bytes(const void* data, std::size_t count)
    {
        if (count > 0) {
            out_.append(static_cast<const char*>(data), count);
        }
    }
    void Zeros(std::size_t count) { out_.append(count, '\0'); }

    // A text in a field of `size` bytes: cut to the field, the rest filled with zero bytes.
    void FixedString(std::string_view text, std::size_t size)
    {
        const std::size_t used = text.size() < size ? text.size() : size;
        if (used > 0) {
            out_.append(text.data(), used);
        }
        Zeros(size - used);
    }

    std::size_t Size() const { return out_.size(); }

private:
    void Unsigned(std::uint64_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    }

    std::string& out_;
};
