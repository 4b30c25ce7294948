// The seeded draw that turns the five values into a sequence of asteroids.
// It knows nothing of files or streams: each asteroid goes to a receiver.
// The rules are written once, over any source of random values, so that
// levelgen (with the C library's generator) and levelseek's scalar draws
// follow the very same steps.
#pragma once

#include "level.h"

#include <cstdint>
#include <functional>

// Called once per asteroid, in draw order. Returns false to end the draw
// early (the writer does so when the level file can no longer be written).
using AsteroidReceiver = std::function<bool(const Asteroid&)>;

namespace drawRules {

constexpr std::int32_t verticalRange = 600;

// Sums and differences wrap modulo 2^32, done in std::uint32_t and
// converted back, which C++20 defines as modular.
inline std::int32_t wrappingAdd(std::int32_t left, std::int32_t right) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) + static_cast<std::uint32_t>(right));
}

inline std::int32_t wrappingSubtract(std::int32_t left, std::int32_t right) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) - static_cast<std::uint32_t>(right));
}

// The remainder of truncating division; it takes the sign of the dividend.
// Done in 64 bits so that no divisor, -2^31 included, can overflow it.
inline std::int32_t remainder(std::int32_t dividend, std::int32_t divisor) {
    return static_cast<std::int32_t>(std::int64_t{dividend} % std::int64_t{divisor});
}

}  // namespace drawRules

// Draws the asteroid that follows asteroid (a default Asteroid before the
// first) into asteroid, taking exactly four values of nextRandom(), in the
// order gap, speedY, speedX, y. Returns false, taking nothing, once the
// level has ended: when asteroid.x is not below parameters.levelLength.
// parameters.seed is not used: the source is already seeded.
// REQUIRES: nextRandom() returns values in 0 to 2^31 - 1.
// REQUIRES: parameters.levelLength <= 0, or checkParameters() accepts
//           parameters (otherwise the draw may divide by zero, never end,
//           or let the position wrap).
template <typename NextRandom>
bool drawNextAsteroid(const LevelParameters& parameters, NextRandom&& nextRandom, Asteroid& asteroid) {
    using namespace drawRules;
    if (asteroid.x >= parameters.levelLength)
        return false;
    // The order of these four draws is what makes a level reproducible
    // from its seed; it is not the order of the fields.
    asteroid.x = wrappingAdd(asteroid.x, remainder(nextRandom(), parameters.maxDistance));
    asteroid.speedY = wrappingSubtract(remainder(nextRandom(), wrappingAdd(parameters.maxSpeedY, parameters.maxSpeedY)),
                                       parameters.maxSpeedY);
    asteroid.speedX = wrappingAdd(remainder(nextRandom(), wrappingSubtract(parameters.maxSpeedX, 1)), 1);
    asteroid.y = remainder(nextRandom(), verticalRange);
    return true;
}

// Hands one Asteroid to receive() while the running position is below
// parameters.levelLength, each drawn by drawNextAsteroid(). Ends early when
// receive() returns false.
// REQUIRES: as for drawNextAsteroid().
template <typename NextRandom, typename Receiver>
void drawAsteroids(const LevelParameters& parameters, NextRandom&& nextRandom, Receiver&& receive) {
    Asteroid asteroid;
    while (drawNextAsteroid(parameters, nextRandom, asteroid)) {
        if (!receive(asteroid))
            return;
    }
}

// Seeds the C library's srandom() with the 32 bits of parameters.seed and
// draws the level with random(), as drawAsteroids() does.
// REQUIRES: as for drawAsteroids().
// REQUIRES: nothing else calls srandom() or random() until it returns.
void generateLevel(const LevelParameters& parameters, const AsteroidReceiver& receive);
