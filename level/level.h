// The two records every part of the generator shares: the five values the
// user enters and one asteroid of the level they produce.
#pragma once

#include <cstdint>

// The values asked in the dialogue, in the order they are asked.
struct LevelParameters {
    std::int32_t seed = 0;         // any value; its 32 bits seed the C library generator
    std::int32_t levelLength = 0;  // the draw goes on while the position is below this
    std::int32_t maxDistance = 0;  // gaps are 0 to |maxDistance| - 1
    std::int32_t maxSpeedX = 0;    // speedX is 1 to |maxSpeedX - 1| (wrapped)
    std::int32_t maxSpeedY = 0;    // speedY is -maxSpeedY to maxSpeedY - 1 (wrapped)
};

// One asteroid, with its fields in the order the level file lists them.
struct Asteroid {
    std::int32_t x = 0;       // position along the level, never decreasing
    std::int32_t y = 0;       // vertical position, 0 to 599
    std::int32_t speedX = 0;  // horizontal speed
    std::int32_t speedY = 0;  // vertical speed, may be negative
};
