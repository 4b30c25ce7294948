// The asteroid draw. Every value is a signed 32-bit integer whose sums,
// differences and doubling wrap modulo 2^32; the wrapping is done in
// std::uint32_t and converted back, which C++20 defines as modular.

#include "asteroid_draw.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::int32_t verticalRange = 600;

std::int32_t wrappingAdd(std::int32_t left, std::int32_t right) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) + static_cast<std::uint32_t>(right));
}

std::int32_t wrappingSubtract(std::int32_t left, std::int32_t right) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(left) - static_cast<std::uint32_t>(right));
}

// random() returns a long, but its values are 0 to 2^31 - 1 by contract,
// so they always fit.
std::int32_t nextRandom() {
    return static_cast<std::int32_t>(random());
}

// The remainder of truncating division; it takes the sign of the dividend.
// Done in 64 bits so that no divisor, -2^31 included, can overflow it.
std::int32_t remainder(std::int32_t dividend, std::int32_t divisor) {
    return static_cast<std::int32_t>(std::int64_t{dividend} % std::int64_t{divisor});
}

}  // namespace

void generateLevel(const LevelParameters& parameters, const AsteroidReceiver& receive) {
    srandom(static_cast<std::uint32_t>(parameters.seed));
    const std::int32_t speedYModulus = wrappingAdd(parameters.maxSpeedY, parameters.maxSpeedY);
    const std::int32_t speedXModulus = wrappingSubtract(parameters.maxSpeedX, 1);

    Asteroid asteroid;
    while (asteroid.x < parameters.levelLength) {
        // The order of these four draws is what makes a level reproducible
        // from its seed; it is not the order of the fields.
        asteroid.x = wrappingAdd(asteroid.x, remainder(nextRandom(), parameters.maxDistance));
        asteroid.speedY = wrappingSubtract(remainder(nextRandom(), speedYModulus), parameters.maxSpeedY);
        asteroid.speedX = wrappingAdd(remainder(nextRandom(), speedXModulus), 1);
        asteroid.y = remainder(nextRandom(), verticalRange);
        if (!receive(asteroid))
            return;
    }
}
