// VB's Rnd and Randomize. The generator state persists for the process;
// Randomize mixes a high-resolution clock into it, so two seeds drawn in the
// same second differ. The entropy source is injectable for tests.
#pragma once

#include <cstdint>
#include <functional>

namespace ostrel::vb {

void Randomize();  // seed from the clock, mixed into the state
// VB's Randomize number: the same number restarts the same sequence.
void Randomize(double seed);
float Rnd();  // uniform in [0, 1), 24-bit steps
// Replaces the source Randomize() mixes in (nullptr restores the clock).
// Installing a source also resets the state to its start, so a test that
// sets a source and calls Randomize() draws the same values every run.
void SetRandomSource(std::function<uint64_t()> source);

}  // namespace ostrel::vb
