// The asteroid draw with the C library's generator.

#include "asteroid_draw.h"

#include <cstdint>
#include <cstdlib>

void generateLevel(const LevelParameters& parameters, const AsteroidReceiver& receive) {
    srandom(static_cast<std::uint32_t>(parameters.seed));
    // random() returns a long, but its values are 0 to 2^31 - 1 by
    // contract, so they always fit.
    drawAsteroids(
        parameters, [] { return static_cast<std::int32_t>(random()); }, receive);
}
