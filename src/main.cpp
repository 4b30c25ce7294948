// levelgen: asks for a seed and four limits, draws the asteroids of a level
// from them and writes the level to "level.txt", one asteroid a line.
// Command-line arguments are ignored.

#include "asteroid_draw.h"
#include "level_file.h"
#include "run.h"

#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <iostream>

namespace {

// Draws the level into a freshly opened level file and counts the lines
// written. The count is 64 bits wide: a level may hold more than 2^31 - 1
// asteroids. The draw stops at the first line that cannot be written.
Failure writeLevel(const LevelParameters& parameters, std::uint64_t& asteroidCount) {
    LevelFile file;
    if (!openLevelFile(file))
        return Failure::cannotOpen;
    bool written = true;
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        written = writeAsteroid(file, asteroid);
        if (written)
            ++asteroidCount;
        return written;
    });
    if (!closeLevelFile(file))
        written = false;
    return written ? Failure::none : Failure::cannotWrite;
}

Failure run(std::uint64_t& asteroidCount) {
    LevelParameters parameters;
    if (!readParameters(std::cin, std::cout, parameters))
        return Failure::unreadableInput;
    // Refused before the open, so an existing level file stays as it was.
    if (const Failure refusal = checkParameters(parameters); refusal != Failure::none)
        return refusal;
    return writeLevel(parameters, asteroidCount);
}

// Hands what is left of standard output to the system and closes it, as
// small Unix tools do at exit, so that a summary lost to a full disk or a
// failing device is a failure and not a silent success. A closed pipe never
// gets here: SIGPIPE ends the process first.
Failure closeStandardOutput() {
    if (!std::cout.flush())
        return Failure::lostOutput;
    // The stream is left open, so the library's own flush at exit finds
    // nothing pending and writes nothing to the closed descriptor.
    if (close(STDOUT_FILENO) != 0 && errno != EBADF)
        return Failure::lostOutput;
    return Failure::none;
}

}  // namespace

int main() {
    std::uint64_t asteroidCount = 0;
    Failure failure = run(asteroidCount);
    if (failure == Failure::none) {
        std::cout << summaryPrefix << asteroidCount << summarySuffix;
        failure = closeStandardOutput();
    }
    if (failure != Failure::none)
        std::cerr << messageFor(failure);
    return exitStatusFor(failure);
}
