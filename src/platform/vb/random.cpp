#include "platform/vb/random.h"

#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/vb/datetime.h"

namespace ostrel::vb {

namespace {

// VB's generator starts from a fixed state, so a run that never calls
// Randomize draws the same sequence every time, as VB does.
constexpr uint64_t kInitialState = 0x50A2F1E3C4B59687ull;

struct Generator {
  std::mutex mutex;
  uint64_t state = kInitialState;
  std::function<uint64_t()> source;
};

Generator& Gen() {
  static Generator g;
  return g;
}

// splitmix64: one 64-bit word of state, well mixed output.
uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t NextLocked(Generator& g) {
  g.state += 0x9E3779B97F4A7C15ull;
  return Mix(g.state);
}

uint64_t ClockEntropy() {
  uint64_t hr =
      static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  return ReadClock().ticks_ns ^ Mix(hr);
}

}  // namespace

void Randomize() {
  Generator& g = Gen();
  std::function<uint64_t()> source;
  {
    std::lock_guard<std::mutex> lock(g.mutex);
    source = g.source;
  }
  // Read the source outside the lock: an injected clock may take its own.
  uint64_t entropy = source ? source() : ClockEntropy();
  std::lock_guard<std::mutex> lock(g.mutex);
  // Mixed into the state, not replacing it: two seeds read in the same
  // clock tick still lead to different draws.
  g.state = Mix(g.state ^ Mix(entropy + 0x632BE59BD9B4E019ull));
}

void Randomize(double seed) {
  uint64_t bits;
  memcpy(&bits, &seed, sizeof(bits));
  Generator& g = Gen();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.state = Mix(bits ^ kInitialState);  // the same number gives the same sequence
}

float Rnd() {
  Generator& g = Gen();
  uint64_t x;
  {
    std::lock_guard<std::mutex> lock(g.mutex);
    x = NextLocked(g);
  }
  // 24 bits: every value is exact in a float and strictly below 1.
  return static_cast<float>(x >> 40) * (1.0f / 16777216.0f);
}

void SetRandomSource(std::function<uint64_t()> source) {
  Generator& g = Gen();
  std::lock_guard<std::mutex> lock(g.mutex);
  g.source = std::move(source);
  g.state = kInitialState;  // an injected source gives reproducible draws
}

}  // namespace ostrel::vb
