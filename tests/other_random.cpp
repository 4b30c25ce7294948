// Preloaded into levelseek by the tests: a C library whose srandom() and
// random() follow another generator, as a C library other than glibc may.
// levelseek must notice, and search with this one.

#include <cstdint>

namespace {
std::uint64_t state = 1;
}

extern "C" void srandom(unsigned seed) {
    state = seed;
}

extern "C" long random() {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<long>(state >> 33);
}
