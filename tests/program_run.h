// Runs a real program the way a user would: in a folder of its own, with
// the given bytes on standard input, and captures everything it gives back.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A temporary folder, removed with everything in it when destroyed.
struct TemporaryFolder {
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::filesystem::path path;
};

// What a run may change from the plain case: bytes in, everything captured.
struct ProgramSetup {
    std::vector<std::string> environment;    // NAME=value, added to the inherited environment
    std::filesystem::path standardInput;     // opened for reading instead of the input bytes, when set
    std::filesystem::path standardOutput;    // opened for writing instead of being captured, when set
    bool closeStandardOutput = false;        // the program starts with standard output closed
    std::chrono::milliseconds limit{20000};  // a program still running then is killed
    // When not 0, the program is sent this signal at the limit, as a test's
    // way of interrupting it; otherwise the limit fails the run.
    int signalAtLimit = 0;
    int secondSignal = 0;  // when not 0, sent 0.2 ms after signalAtLimit, as an impatient user would
};

struct ProgramRun {
    int status = -1;     // exit status, or -1 when the program did not exit normally
    int signal = 0;      // the signal that ended it, 0 when it exited
    std::string output;  // all of standard output
    std::string errors;  // all of standard error
};

// Runs program in folder, under umask 022, with input as its whole standard
// input. Throws, naming the program, when it runs past setup.limit without
// setup.signalAtLimit.
ProgramRun runProgram(const std::filesystem::path& program, const std::filesystem::path& folder, std::string_view input,
                      const std::vector<std::string>& arguments = {}, const ProgramSetup& setup = {});

// Returns the whole content of path, or "<missing>" when it cannot be read.
std::string readFile(const std::filesystem::path& path);

void writeFile(const std::filesystem::path& path, std::string_view content);

// Returns latin1 in UTF-8: the programs' texts, written in the tests as
// ISO-8859-1 like the programs' own, as a UTF-8 locale shows them.
std::string utf8(std::string_view latin1);
