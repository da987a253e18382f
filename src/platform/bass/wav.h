// The bytes of a 16-bit PCM WAV file: the RIFF header, the format chunk and the interleaved samples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win/little_endian.h"

inline std::string WavPcm16(const std::vector<std::int16_t>& samples, int channels, int rate)
{
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    LittleEndianWriter wav(out);
    wav.Bytes("RIFF", 4);
    wav.U32(36 + dataBytes);
    wav.Bytes("WAVEfmt ", 8);
    wav.U32(16);
    wav.U16(1);  // PCM
    wav.U16(static_cast<std::uint16_t>(channels));
    wav.U32(static_cast<std::uint32_t>(rate));
    wav.U32(static_cast<std::uint32_t>(rate * channels * 2));
    wav.U16(static_cast<std::uint16_t>(channels * 2));
    wav.U16(16);
    wav.Bytes("data", 4);
    wav.U32(dataBytes);
    for (std::int16_t s : samples) {
        wav.U16(static_cast<std::uint16_t>(s));
    }
    return out;
}
