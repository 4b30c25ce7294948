// levelgen: asks for a seed and four limits, draws the asteroids of a level
// from them and writes the level to "level.txt", one asteroid a line.
// Command-line arguments are ignored. Its texts are ISO-8859-1 bytes, which
// scripts that read them rely on; only a terminal, read by a person, gets
// them in the character set of the user's locale.

#include "asteroid_draw.h"
#include "level_file.h"
#include "run.h"
#include "user_text.h"

#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>

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

Failure run(TextForm form, std::uint64_t& asteroidCount, ParameterProblem& refusal) {
    LevelParameters parameters;
    if (!readParameters(std::cin, std::cout, parameters, form))
        return Failure::unreadableInput;
    // Refused before the open, so an existing level file stays as it was.
    refusal = checkParameters(parameters);
    if (refusal != ParameterProblem::none)
        return Failure::refusedParameters;
    return writeLevel(parameters, asteroidCount);
}

// Returns how text reaches descriptor: converted for a terminal, as it is
// for anything else.
TextForm formFor(int descriptor) {
    return isatty(descriptor) == 1 ? forUser : nullptr;
}

std::string inForm(TextForm form, std::string_view latin1Text) {
    return form != nullptr ? form(latin1Text) : std::string(latin1Text);
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
    const TextForm outputForm = formFor(STDOUT_FILENO);
    const TextForm errorForm = formFor(STDERR_FILENO);
    // The locale is only asked for a terminal's sake, so that nothing a
    // pipe or a file receives can depend on it.
    if (outputForm != nullptr || errorForm != nullptr)
        adoptUserLocale();
    std::uint64_t asteroidCount = 0;
    ParameterProblem refusal = ParameterProblem::none;
    Failure failure = run(outputForm, asteroidCount, refusal);
    if (failure == Failure::none) {
        std::cout << inForm(outputForm, summaryPrefix) << asteroidCount << summarySuffix;
        failure = closeStandardOutput();
    }
    if (failure != Failure::none)
        std::cerr << inForm(errorForm, messageFor(failure, refusal));
    return exitStatusFor(failure);
}
