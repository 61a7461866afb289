// VB's Rnd and Randomize. The generator state persists for the process;
// Randomize mixes a high-resolution clock into it, so two seeds drawn in the
// same second differ. The entropy source is injectable for tests.
#pragma once

#include <cstdint>
#include <functional>

namespace ostrel::vb {

void Randomize();               // seed from the clock, mixed into the state
void Randomize(double seed);    // VB's Randomize number
float Rnd();                    // uniform in [0, 1)
// Replaces the source Randomize() mixes in (nullptr restores the clock).
void SetRandomSource(std::function<uint64_t()> source);

}  // namespace ostrel::vb
