// The game's random numbers: the sequence of the GNU C library's rand() (its default additive
// generator, degree 31), computed here so that a seed gives the same run on every C library (the
// browser build's C library has a different rand()).
#pragma once

#include <cstdint>

// Starts the sequence as srand(seed) does; 0 is taken as 1.
void RandomSeed(unsigned seed);
// The next number of the sequence, 0..2147483647, as rand() gives it.
int RandomNext();

// The whole state of the sequence, to go on later exactly where it stood.
struct RandomState {
    std::uint32_t values[31];
    int front;
};
RandomState RandomSave();
void RandomRestore(const RandomState& saved);
