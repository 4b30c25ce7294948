// levelseek: finds, among levelgen's 2^32 seeds, those whose levels meet a
// designer's constraints, and lists them in ascending order, one a line, or
// as CSV with each level's figures. The seeds are examined many at a time,
// a vector lane each, on every processor; every seed listed has had its
// level drawn once more with the C library's srandom() and random(), the
// way levelgen draws it, and its figures checked again.

#include "lane_draw.h"
#include "level_parameters.h"
#include "seed_scan.h"
#include "seek_request.h"
#include "user_text.h"

#include <sched.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds pollInterval{100};
constexpr std::chrono::milliseconds progressInterval{250};
constexpr std::size_t outputChunk = std::size_t{1} << 16;
constexpr int exitBySignal = 128;
constexpr double percent = 100;
constexpr double million = 1e6;
constexpr std::int64_t secondsPerMinute = 60;
constexpr std::int64_t secondsPerHour = 3600;

volatile std::sig_atomic_t interruption = 0;

extern "C" void noteInterruption(int signal) {
    interruption = signal;
}

// A line for a person on standard error, in the user's character set.
void tell(std::string_view latin1Text) {
    static_cast<void>(writeWhole(STDERR_FILENO, forUser(latin1Text)));
}

int refuse(const std::string& problem) {
    tell("levelseek : " + problem + ". Voir levelseek --help.\n");
    return 1;
}

// Standard output, gathered in large writes; a write that fails is kept
// in mind and reported, as the other programs do.
struct Output {
    std::string pending;
    int error = 0;  // the errno of the first write that failed
};

void flush(Output& output) {
    if (output.error == 0)
        output.error = writeWhole(STDOUT_FILENO, output.pending);
    output.pending.clear();
}

// Hands the rest to the system and closes standard output, so that a
// failure to store it is seen. Returns whether it was all stored.
bool finishOutput(Output& output) {
    flush(output);
    if (output.error == 0 && close(STDOUT_FILENO) != 0 && errno != EBADF)
        output.error = errno;
    return output.error == 0;
}

void tellLost(const Output& output) {
    static_cast<void>(writeWhole(STDERR_FILENO, forUser("Impossible d'\xE9"
                                                        "crire sur la sortie standard : ") +
                                                    reasonFor(output.error) + ".\n"));
}

void writeMatch(Output& output, const SeekRequest& request, std::int32_t seed, const LevelFigures& figures) {
    std::string& line = output.pending;
    line += std::to_string(seed);
    if (request.csv) {
        line += ',' + std::to_string(figures.count) + ',';
        if (figures.count > 0)
            line += std::to_string(figures.firstX) + ',' + std::to_string(figures.lastX);
        else
            line += ',';
        line += ',' + std::to_string(figures.longestGap);
        if (request.densestColumn)
            line += ',' + std::to_string(figures.densest);
    }
    line += '\n';
    if (line.size() >= outputChunk)
        flush(output);
}

unsigned usableProcessors() {
    cpu_set_t processors;
    CPU_ZERO(&processors);
    if (sched_getaffinity(0, sizeof processors, &processors) == 0 && CPU_COUNT(&processors) > 0)
        return static_cast<unsigned>(CPU_COUNT(&processors));
    return std::max(1U, std::thread::hardware_concurrency());
}

// The progress line, rewritten in place on a terminal and erased at the end.
struct Progress {
    bool shown = false;         // standard error is a terminal
    bool sharedScreen = false;  // standard output is a terminal too
    bool onScreen = false;
    Clock::time_point start = Clock::now();
    Clock::time_point lastShown = start;
};

std::string decimal(double value, int decimals) {
    constexpr std::size_t longestDecimal = 32;
    std::array<char, longestDecimal> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "%.*f", decimals, value));
    std::string result = text.data();
    if (const std::size_t point = result.find('.'); point != std::string::npos)
        result[point] = ',';
    return result;
}

// A count with its thousands apart, as French writes them (a no-break space).
std::string grouped(std::uint64_t count) {
    constexpr std::size_t groupDigits = 3;
    std::string digits = std::to_string(count);
    for (std::size_t end = digits.size(); end > groupDigits; end -= groupDigits)
        digits.insert(end - groupDigits, "\xA0");
    return digits;
}

std::string duration(double seconds) {
    const std::int64_t whole = std::llround(seconds);
    if (whole >= secondsPerHour)
        return std::to_string(whole / secondsPerHour) + " h " +
               std::to_string(whole % secondsPerHour / secondsPerMinute) + " min";
    if (whole >= secondsPerMinute)
        return std::to_string(whole / secondsPerMinute) + " min " + std::to_string(whole % secondsPerMinute) + " s";
    return std::to_string(whole) + " s";
}

void showProgress(Progress& progress, std::uint64_t examined, std::uint64_t total, std::uint64_t matches) {
    const Clock::time_point now = Clock::now();
    if (!progress.shown || now - progress.lastShown < progressInterval)
        return;
    progress.lastShown = now;
    const double seconds = std::chrono::duration<double>(now - progress.start).count();
    const double rate = seconds > 0 ? static_cast<double>(examined) / seconds : 0;
    std::string line = "\rlevelseek : " + grouped(examined) + " graines sur " + grouped(total) + " (" +
                       decimal(percent * static_cast<double>(examined) / static_cast<double>(total), 1) + " %), " +
                       decimal(rate / million, 1) + " M graines/s, " + grouped(matches) +
                       (matches < 2 ? " trouv\xE9"
                                      "e"
                                    : " trouv\xE9"
                                      "es");
    if (rate > 0)
        line += ", encore " + duration(static_cast<double>(total - examined) / rate);
    tell(line + "\x1B[K");
    progress.onScreen = true;
}

void eraseProgress(Progress& progress) {
    if (progress.onScreen)
        tell("\r\x1B[K");
    progress.onScreen = false;
}

// SIGINT and SIGTERM only note that they came, in the main thread (the
// scan's threads start with them blocked); a second one ends the program
// at once. A signal the caller chose to ignore stays ignored.
void catchInterruptions() {
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = noteInterruption;
        action.sa_flags = static_cast<int>(SA_RESETHAND);
        sigemptyset(&action.sa_mask);
        static_cast<void>(sigaction(signal, &action, nullptr));
    }
}

struct InterruptionsBlocked {
    sigset_t previous{};
    InterruptionsBlocked() {
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        sigaddset(&blocked, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    }
    ~InterruptionsBlocked() {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    InterruptionsBlocked(const InterruptionsBlocked&) = delete;
    InterruptionsBlocked& operator=(const InterruptionsBlocked&) = delete;
};

const LaneKernel* chooseKernel(const std::vector<LaneKernel>& kernels) {
    if (kernelAgreesWithLibrary(kernels.front()))
        return &kernels.front();
    tell(
        "levelseek : le random() de cette biblioth\xE8que C ne suit pas le g\xE9n\xE9rateur que levelseek "
        "conna\xEEt ; la recherche se fait avec celui de la biblioth\xE8que, sur un seul fil, plus lentement.\n");
    return nullptr;
}

// Writes the confirmed matches. Returns false when one is not confirmed:
// the scan is wrong, and nothing is written for that seed or after it.
bool writeMatches(const ScanSetup& setup, const SeekRequest& request, const std::vector<SeedMatch>& matches,
                  Output& output, std::uint64_t& written) {
    for (const SeedMatch& match : matches) {
        if (request.mostMatches != 0 && written == request.mostMatches)
            return true;
        LevelFigures figures;
        if (!confirmMatch(setup, match, figures)) {
            flush(output);
            tell("levelseek : erreur interne : le level de la graine " + std::to_string(match.seed) +
                 ", tir\xE9 de nouveau avec random(), ne donne pas ce que la recherche a trouv\xE9 ; "
                 "la graine n'est pas \xE9"
                 "crite.\n");
            return false;
        }
        writeMatch(output, request, match.seed, figures);
        ++written;
    }
    return true;
}

ScanSetup scanFor(const SeekRequest& request, const std::vector<LaneKernel>& kernels) {
    ScanSetup setup;
    setup.parameters = request.limits;
    setup.constraints = request.constraints;
    setup.firstSeed = request.firstSeed;
    setup.lastSeed = request.lastSeed;
    setup.threads = request.threads != 0 ? request.threads : usableProcessors();
    setup.kernel = request.limits.levelLength > 0 ? chooseKernel(kernels) : &kernels.front();
    return setup;
}

// After SIGINT or SIGTERM: writes every match below the first seed not yet
// examined, says how to resume, and returns the exit status.
int endInterrupted(SeedScan& scan, const ScanSetup& setup, const SeekRequest& request, Output& output,
                   std::uint64_t written) {
    std::vector<SeedMatch> matches;
    const std::int64_t resume = stopScan(scan, matches);
    if (!writeMatches(setup, request, matches, output, written))
        return 1;
    if (!finishOutput(output))
        tellLost(output);
    std::string message = "levelseek : interrompu";
    if (resume <= setup.lastSeed) {
        message += " ; pour reprendre : --seeds " + std::to_string(resume) + ".." + std::to_string(setup.lastSeed);
        if (request.mostMatches != 0)
            message += " --first " + std::to_string(request.mostMatches - written);
    }
    tell(message + "\n");
    return exitBySignal + interruption;
}

int seek(const SeekRequest& request) {
    // Caught from the start, so that a signal during the check of the
    // generator still ends the search the same way.
    catchInterruptions();
    const std::vector<LaneKernel> kernels = supportedLaneKernels();
    const ScanSetup setup = scanFor(request, kernels);
    const auto total = static_cast<std::uint64_t>(setup.lastSeed - setup.firstSeed + 1);

    Output output;
    if (request.csv && request.header) {
        output.pending = "seed,count,first_x,last_x,longest_gap";
        if (request.densestColumn)
            output.pending += ",densest_" + std::to_string(request.constraints.window);
        output.pending += '\n';
    }
    Progress progress;
    progress.shown = isatty(STDERR_FILENO) == 1;
    progress.sharedScreen = isatty(STDOUT_FILENO) == 1;
    ScanHandle scan;
    {
        const InterruptionsBlocked blocked;
        scan = startScan(setup);
    }
    std::uint64_t written = 0;
    std::vector<SeedMatch> matches;
    while (request.mostMatches == 0 || written < request.mostMatches) {
        if (interruption != 0) {
            eraseProgress(progress);
            return endInterrupted(*scan, setup, request, output, written);
        }
        matches.clear();
        const ScanStep step = takeNextBlock(*scan, pollInterval, matches);
        if (step == ScanStep::finished)
            break;
        if (!matches.empty()) {
            if (progress.sharedScreen)
                eraseProgress(progress);
            if (!writeMatches(setup, request, matches, output, written))
                return 1;
            flush(output);
            if (output.error != 0)
                break;
        }
        showProgress(progress, seedsExamined(*scan), total, written);
    }
    scan.reset();
    eraseProgress(progress);
    if (!finishOutput(output)) {
        tellLost(output);
        return 1;
    }
    return 0;
}

// Writes text to standard output for --help and --version. Returns the
// exit status: a text that never reached anyone is a failure.
int answer(std::string_view text) {
    Output output;
    output.pending = forUser(text);
    if (!finishOutput(output)) {
        tellLost(output);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    adoptUserLocale();
    const std::vector<std::string_view> words(arguments + 1, arguments + argumentCount);
    SeekRequest request;
    if (const std::string problem = parseSeekRequest(words, request); !problem.empty())
        return refuse(problem);
    if (request.help)
        return answer(seekUsage);
    if (request.version)
        return answer("levelseek " LEVELGEN_VERSION "\n");
    // The limits levelgen refuses are refused with its very words.
    if (const ParameterProblem refusal = checkParameters(request.limits); refusal != ParameterProblem::none) {
        tell(refusalFor(refusal));
        return 1;
    }
    return seek(request);
}
