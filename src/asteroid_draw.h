// The seeded draw that turns the five values into a sequence of asteroids.
// It knows nothing of files or streams: each asteroid goes to a receiver.
#pragma once

#include "level.h"

#include <functional>

// Called once per asteroid, in draw order. Returns false to end the draw
// early (the writer does so when the level file can no longer be written).
using AsteroidReceiver = std::function<bool(const Asteroid&)>;

// Seeds the C library's srandom() with the 32 bits of parameters.seed and
// hands one Asteroid to receive() while the running position is below
// parameters.levelLength. Each asteroid takes exactly four values of
// random(), in the order gap, speedY, speedX, y.
// REQUIRES: parameters.levelLength <= 0, or checkParameters() accepts
//           parameters (otherwise the draw may divide by zero, never end,
//           or let the position wrap).
// REQUIRES: nothing else calls srandom() or random() until it returns.
void generateLevel(const LevelParameters& parameters, const AsteroidReceiver& receive);
