// Arithmetic that stays defined whatever values a loaded saved game brings: counters stop at the
// limits of their type instead of overflowing, and float-to-int conversions clamp to the int range.
// For every value a real run produces the results are those of the plain operators.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

// counter + amount, held at the limits of std::int32_t.
inline std::int32_t SaturatingAdd(std::int32_t counter, std::int32_t amount)
{
    const std::int64_t sum = static_cast<std::int64_t>(counter) + amount;
    if (sum > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (sum < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(sum);
}

// The value truncated toward zero, as static_cast<int> does, clamped to the int range; NaN gives 0.
inline int SaturatingInt(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<int>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}
