// Runs a real program the way a user would: in a folder of its own, with
// the given bytes on standard input, and captures everything it gives back.
#pragma once

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

struct ProgramRun {
    int status = -1;     // exit status, or -1 when the program did not exit normally
    std::string output;  // all of standard output
    std::string errors;  // all of standard error
};

// Runs program in folder with input as its whole standard input.
ProgramRun runProgram(const std::filesystem::path& program, const std::filesystem::path& folder, std::string_view input,
                      const std::vector<std::string>& arguments = {});

// Returns the whole content of path, or "<missing>" when it cannot be read.
std::string readFile(const std::filesystem::path& path);

void writeFile(const std::filesystem::path& path, std::string_view content);
