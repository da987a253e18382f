#include "core/random.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// The generator's state: the last 31 values of r[i] = r[i-31] + r[i-3] (mod 2^32), a ring in which
// `front` is the next r[i-31] and `front - 3` (mod 31) the next r[i-3]; the C library starts `front` at 3.
constexpr int kDegree = 31;
constexpr int kSeparation = 3;
std::uint32_t state[kDegree];
int front = 0;

std::uint32_t Step()
{
    const int rear = (front + kDegree - kSeparation) % kDegree;
    state[front] += state[rear];
    const std::uint32_t value = state[front];
    front = (front + 1) % kDegree;
    return value;
}

struct DefaultSeed {
    DefaultSeed() { RandomSeed(1); }
} defaultSeed;

}  // namespace

void RandomSeed(unsigned seed)
{
    // r[0] = seed, r[i] = 16807 * r[i-1] mod (2^31 - 1) for the first 31 values (in signed 32-bit
    // words, as the C library computes them), then 310 values discarded.
    std::int32_t word = seed == 0 ? 1 : static_cast<std::int32_t>(seed);
    state[0] = static_cast<std::uint32_t>(word);
    for (int i = 1; i < kDegree; ++i) {
        const std::int32_t hi = word / 127773;
        const std::int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) {
            word += 2147483647;
        }
        state[i] = static_cast<std::uint32_t>(word);
    }
    front = kSeparation;
    for (int i = 0; i < 10 * kDegree; ++i) {
        Step();
    }
}

int RandomNext()
{
    return static_cast<int>(Step() >> 1);
}

RandomState RandomSave()
{
    RandomState saved{};
    std::copy(std::begin(state), std::end(state), std::begin(saved.values));
    saved.front = front;
    return saved;
}

void RandomRestore(const RandomState& saved)
{
    std::copy(std::begin(saved.values), std::end(saved.values), std::begin(state));
    front = saved.front % kDegree;
}
