// Measures levelgen and levelview and prints the figures; it asserts
// nothing, since these machines are shared and noisy. It reports:
//  - the draw alone, with a receiver that does nothing but count;
//  - levelgen end to end writing the level "7 1000000 4 10 10", against a
//    baseline process that writes the very same lines, already in memory,
//    with one write(2) each and nothing else: the floor that a flush after
//    every line allows;
//  - levelgen's peak resident memory for a short and a long level, which
//    should match since the level is streamed;
//  - levelview reading and drawing a level of 10^7 lines, against awk
//    summing one column of the same file, and levelview's peak resident
//    memory at 10^6 and 10^7 lines, which should stay close since it keeps
//    a summary of bounded size rather than the level;
//  - levelseek's seeds per second on "--seeds 0..4194303 --count 130..
//    1000 20 5 3" with every thread, against a plain loop of srandom() and
//    the draw per seed on one thread, their ratio, the time all 2^32 seeds
//    would take, and levelseek's peak resident memory on 2^22 and on 2^25
//    seeds, which should match since nothing it keeps grows with the range.

#include "asteroid_draw.h"
#include "level_figures.h"

#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int rounds = 7;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

[[noreturn]] void fail(const char* what) {
    static_cast<void>(std::fprintf(stderr, "%s failed\n", what));
    std::exit(1);
}

// Starts command in folder with the file input (when not empty) on its
// standard input and standard output thrown away; with traced, it stops at
// its exec so that its exit can be watched.
pid_t start(const std::filesystem::path& folder, const std::vector<std::string>& command,
            const std::filesystem::path& input, bool traced) {
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0)
        fail("fork");
    if (child == 0) {
        if (traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(127);
        const int inputDescriptor = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
        const int outputDescriptor = open("/dev/null", O_WRONLY);
        if (inputDescriptor < 0 || outputDescriptor < 0 || dup2(inputDescriptor, 0) < 0 ||
            dup2(outputDescriptor, 1) < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// Starts levelgen in folder with input on its standard input.
pid_t startLevelgen(const std::filesystem::path& folder, const std::string& input, bool traced) {
    const std::filesystem::path inputPath = folder / "input";
    std::ofstream(inputPath) << input;
    return start(folder, {LEVELGEN_PROGRAM}, inputPath, traced);
}

void awaitSuccess(pid_t child, const char* what) {
    int status = 0;
    if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(what);
}

double timeLevelgen(const std::filesystem::path& folder, const std::string& input) {
    const Clock::time_point start = Clock::now();
    awaitSuccess(startLevelgen(folder, input, false), "levelgen");
    return secondsSince(start);
}

double timeCommand(const std::filesystem::path& folder, const std::vector<std::string>& command) {
    const Clock::time_point begin = Clock::now();
    awaitSuccess(start(folder, command, {}, false), command[0].c_str());
    return secondsSince(begin);
}

// The peak resident memory of a child's own image. The rusage of a child
// would not do: it also counts the memory of this process, which the child
// held between fork and exec. So the child is traced, stopped as it exits,
// and its VmHWM read while it still exists.
long peakKilobytes(pid_t child, const char* what) {
    int status = 0;
    if (waitpid(child, &status, 0) < 0 || !WIFSTOPPED(status))
        fail(what);
    ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACEEXIT);
    ptrace(PTRACE_CONT, child, nullptr, nullptr);
    if (waitpid(child, &status, 0) < 0 || status >> 8 != (SIGTRAP | (PTRACE_EVENT_EXIT << 8)))
        fail(what);
    long peak = -1;
    std::ifstream statusFile("/proc/" + std::to_string(child) + "/status");
    for (std::string line; std::getline(statusFile, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            peak = std::strtol(line.c_str() + 6, nullptr, 10);
    }
    ptrace(PTRACE_CONT, child, nullptr, nullptr);
    awaitSuccess(child, what);
    return peak;
}

// The baseline runs in a process of its own, as levelgen does, and writes
// to the same file name, so that both start from the same state of the file
// system: the file just written by the other one.
double writeLinesOneByOne(const std::filesystem::path& path, const std::vector<std::string_view>& lines) {
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0)
        fail("fork");
    if (child == 0) {
        const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        for (const std::string_view line : lines) {
            if (write(descriptor, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                _exit(1);
        }
        _exit(close(descriptor) == 0 ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail("baseline");
    return secondsSince(start);
}

}  // namespace

int main() {
    const LevelParameters large{7, 1000000, 4, 10, 10};

    std::vector<double> drawRates;
    std::uint64_t drawn = 0;
    for (int round = 0; round < rounds; ++round) {
        std::uint64_t count = 0;
        const Clock::time_point start = Clock::now();
        generateLevel(large, [&count](const Asteroid&) {
            ++count;
            return true;
        });
        drawRates.push_back(static_cast<double>(count) / secondsSince(start));
        drawn = count;
    }
    std::printf("draw alone:           %12.0f asteroids/s (%llu asteroids, median of %d)\n", median(drawRates),
                static_cast<unsigned long long>(drawn), rounds);

    std::string pattern = (std::filesystem::temp_directory_path() / "levelgen-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return 1;
    const std::filesystem::path folder = pattern;

    // One run first, to have the lines the baseline writes.
    timeLevelgen(folder, "7 1000000 4 10 10\n");
    std::ifstream levelFile(folder / "level.txt", std::ios::binary);
    const std::string level{std::istreambuf_iterator<char>(levelFile), std::istreambuf_iterator<char>()};
    std::vector<std::string_view> lines;
    for (std::size_t begin = 0; begin < level.size();) {
        const std::size_t end = level.find('\n', begin) + 1;
        lines.emplace_back(level.data() + begin, end - begin);
        begin = end;
    }

    // Alternated, so that a burst of load elsewhere hits both alike.
    std::vector<double> levelgenSeconds;
    std::vector<double> baselineSeconds;
    for (int round = 0; round < rounds; ++round) {
        baselineSeconds.push_back(writeLinesOneByOne(folder / "level.txt", lines));
        levelgenSeconds.push_back(timeLevelgen(folder, "7 1000000 4 10 10\n"));
    }
    const double levelgenTime = median(levelgenSeconds);
    const double baselineTime = median(baselineSeconds);
    std::printf("levelgen end to end:  %12.3f s for %zu lines (median of %d)\n", levelgenTime, lines.size(), rounds);
    std::printf("baseline write(2)s:   %12.3f s for the same lines\n", baselineTime);
    std::printf("ratio:                %12.3f (goal: at most 1.10)\n", levelgenTime / baselineTime);

    const long shortPeak = peakKilobytes(startLevelgen(folder, "7 1000 4 10 10\n", true), "levelgen");
    const long longPeak = peakKilobytes(startLevelgen(folder, "7 1000000 4 10 10\n", true), "levelgen");
    std::printf("peak memory, length 1000:    %8ld KiB\n", shortPeak);
    std::printf("peak memory, length 1000000: %8ld KiB (goal: the same)\n", longPeak);

    // levelview, on levels of about 10^6 and 10^7 lines.
    timeLevelgen(folder, "7 1501000 4 10 10\n");
    const std::vector<std::string> levelview{LEVELVIEW_PROGRAM, "-o", "level.svg"};
    const long millionPeak = peakKilobytes(start(folder, levelview, {}, true), "levelview");
    timeLevelgen(folder, "7 15010000 4 10 10\n");
    const long tenMillionPeak = peakKilobytes(start(folder, levelview, {}, true), "levelview");
    std::vector<double> levelviewSeconds;
    std::vector<double> awkSeconds;
    for (int round = 0; round < rounds; ++round) {
        awkSeconds.push_back(timeCommand(folder, {"awk", "{s+=$2} END{print s}", "level.txt"}));
        levelviewSeconds.push_back(timeCommand(folder, levelview));
    }
    const double levelviewTime = median(levelviewSeconds);
    const double awkTime = median(awkSeconds);
    std::printf("levelview, 10^7 lines:       %8.3f s (median of %d)\n", levelviewTime, rounds);
    std::printf("awk summing a column:        %8.3f s\n", awkTime);
    std::printf("ratio:                       %8.3f (goal: at most 0.5)\n", levelviewTime / awkTime);
    std::printf("levelview peak, 10^6 lines:  %8ld KiB\n", millionPeak);
    std::printf("levelview peak, 10^7 lines:  %8ld KiB (goal: at most 1.2 times the above, under 65536)\n",
                tenMillionPeak);

    // levelseek, against the plain loop on one eighth of the same seeds.
    const std::vector<std::string> seek{
        LEVELSEEK_PROGRAM, "--seeds", "0..4194303", "--count", "130..", "1000", "20", "5", "3"};
    constexpr double seekSeeds = 4194304;
    std::vector<double> seekSeconds;
    seekSeconds.reserve(rounds);
    for (int round = 0; round < rounds; ++round)
        seekSeconds.push_back(timeCommand(folder, seek));
    const double seekRate = seekSeeds / median(seekSeconds);
    Constraints constraints;
    constraints.count.lowest = 130;
    constexpr std::int32_t plainSeeds = 4194304 / 8;
    std::uint64_t plainMatches = 0;
    const Clock::time_point plainStart = Clock::now();
    for (std::int32_t seed = 0; seed < plainSeeds; ++seed) {
        FigureTracker tracker(0);
        generateLevel({seed, 1000, 20, 5, 3}, [&tracker](const Asteroid& asteroid) {
            addPosition(tracker, asteroid.x);
            return true;
        });
        plainMatches += meetsConstraints(tracker.figures, constraints) ? 1 : 0;
    }
    const double plainRate = plainSeeds / secondsSince(plainStart);
    const std::vector<std::string> longSeek{
        LEVELSEEK_PROGRAM, "--seeds", "0..33554431", "--count", "130..", "1000", "20", "5", "3"};
    const long seekPeak = peakKilobytes(start(folder, seek, {}, true), "levelseek");
    const long longSeekPeak = peakKilobytes(start(folder, longSeek, {}, true), "levelseek");
    std::printf("levelseek, 2^22 seeds:       %8.2f million seeds/s, every thread (median of %d)\n", seekRate / 1e6,
                rounds);
    std::printf("plain loop, one thread:      %8.3f million seeds/s (%d seeds, %llu matches)\n", plainRate / 1e6,
                plainSeeds, static_cast<unsigned long long>(plainMatches));
    std::printf("ratio:                       %8.1f (goal: at least 40, aim 100)\n", seekRate / plainRate);
    std::printf("all 2^32 seeds at that rate: %8.1f min\n", 4294967296.0 / seekRate / 60);
    std::printf("levelseek peak, 2^22 seeds:  %8ld KiB\n", seekPeak);
    std::printf("levelseek peak, 2^25 seeds:  %8ld KiB (goal: the same)\n", longSeekPeak);

    // Broad searches, where most seeds are listed and each is drawn again
    // by the C library: a quarter of them, and every one as CSV.
    const auto broadRate = [&](std::vector<std::string> arguments, double seeds) {
        arguments.insert(arguments.begin(), LEVELSEEK_PROGRAM);
        std::vector<double> seconds;
        seconds.reserve(rounds);
        for (int round = 0; round < rounds; ++round)
            seconds.push_back(timeCommand(folder, arguments));
        return seeds / median(seconds);
    };
    const double quarterRate =
        broadRate({"--seeds", "0..1048575", "--clear-start", "15", "1000", "20", "5", "3"}, 1048576);
    const double everyRate = broadRate({"--seeds", "0..524287", "--csv", "1000", "20", "5", "3"}, 524288);
    std::printf(
        "levelseek, --clear-start 15 (a quarter listed): %6.2f million seeds/s, ratio %5.1f (goal: at least 6)\n",
        quarterRate / 1e6, quarterRate / plainRate);
    std::printf(
        "levelseek, --csv, every seed listed:            %6.2f million seeds/s, ratio %5.1f (goal: at least 1.8)\n",
        everyRate / 1e6, everyRate / plainRate);
    // A list of a million seeds, in an order of their own, against the
    // same seeds as a range.
    {
        std::string list;
        for (std::uint32_t place = 0; place < 1000000; ++place)
            list += std::to_string((place * 7919U) % 1000000U) + "\n";
        std::ofstream(folder / "list.txt") << list;
    }
    const double listRate = broadRate(
        {"--seeds-from", (folder / "list.txt").string(), "--count", "130..", "1000", "20", "5", "3"}, 1000000);
    const double rangeRate = broadRate({"--seeds", "0..999999", "--count", "130..", "1000", "20", "5", "3"}, 1000000);
    std::printf("levelseek, --seeds-from 10^6 listed seeds:      %6.2f million seeds/s (the range: %.2f)\n",
                listRate / 1e6, rangeRate / 1e6);
    // A window that holds a whole level of about 2 million asteroids.
    const std::vector<std::string> densest{LEVELSEEK_PROGRAM, "--seeds", "0..0", "--densest", "100000000:1..",
                                           "19000000",        "20",      "5",    "3"};
    const long densestPeak = peakKilobytes(start(folder, densest, {}, true), "levelseek");
    std::printf("levelseek peak, --densest over 2*10^6 asteroids: %8ld KiB (goal: under 65536)\n", densestPeak);

    std::filesystem::remove_all(folder);
    return 0;
}
