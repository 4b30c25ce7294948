// levelseek: finds, among levelgen's 2^32 seeds, those whose levels meet a
// designer's constraints, and lists them in ascending order, one a line, or
// as CSV with each level's figures. The seeds are examined many at a time,
// a vector lane each, on every processor; every seed listed has had its
// level drawn once more with the C library's generator, the way levelgen
// draws it, and its figures checked again.

#include "lane_draw.h"
#include "level_parameters.h"
#include "seed_list.h"
#include "seed_scan.h"
#include "seek_request.h"
#include "user_text.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
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

// The first signal is the one the exit status tells; a second one, during
// the stop, changes nothing.
extern "C" void noteInterruption(int signal) {
    if (interruption == 0)
        interruption = signal;
}

// A line for a person on standard error, in the user's character set.
void tell(std::string_view latin1Text) {
    static_cast<void>(writeWhole(STDERR_FILENO, forUser(latin1Text)));
}

int refuse(const std::string& problem) {
    static_cast<void>(writeWhole(
        STDERR_FILENO, forUser("levelseek : ") + forUserWithBytes(problem) + forUser(". Voir levelseek --help.\n")));
    return 1;
}

// How far the list of --seeds-from was read.
enum class ListReading {
    whole,        // to its end, every line good
    failed,       // said why
    interrupted,  // by SIGINT or SIGTERM, before its end
};

// The seeds of --seeds-from and what a resumed search needs of the list.
struct ListSeeds {
    SeedList list;
    bool rereadable = false;  // a regular file, which a resumed search reads again
};

bool interrupted() {
    return interruption != 0;
}

// The seeds of --seeds-from, each once at its first place, read whole
// before anything is written, so that a bad line leaves standard output
// empty; a signal stops the read at once.
ListReading readSeedList(const SeekRequest& request, ListSeeds& seeds) {
    const bool standardInput = request.seedsFrom == "-";
    const std::string name = standardInput ? forUser(
                                                 "l'entr\xE9"
                                                 "e standard")
                                           : shownName(request.seedsFrom);
    const int descriptor = standardInput ? STDIN_FILENO : open(request.seedsFrom.c_str(), O_RDONLY | O_CLOEXEC);
    const auto cannotRead = [&](int error) {
        tell("levelseek : impossible de lire ");
        static_cast<void>(writeWhole(STDERR_FILENO, name + forUser(" : ") + reasonFor(error) + ".\n"));
        return ListReading::failed;
    };
    if (descriptor < 0)
        return cannotRead(errno);
    struct stat status {};
    seeds.rereadable = !standardInput && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
    SeedListReader reader;
    std::vector<std::int32_t> read;
    bool badLine = false;
    const int error = readListLines(
        descriptor,
        [&](std::string_view line) {
            if (interrupted())
                return false;
            std::int32_t seed = 0;
            std::string problem;
            const SeedLine kind = readSeedLine(reader, line, seed, problem);
            if (kind == SeedLine::seed)
                read.push_back(seed);
            if (kind != SeedLine::bad)
                return true;
            static_cast<void>(writeWhole(STDERR_FILENO, forUser("levelseek : ") + name + forUser(", ") +
                                                            forUserWithBytes(problem) + forUser(".\n")));
            badLine = true;
            return false;
        },
        interrupted);
    if (!standardInput)
        close(descriptor);
    if (badLine)
        return ListReading::failed;
    if (interrupted())
        return ListReading::interrupted;
    if (error != 0)
        return cannotRead(error);
    const std::uint64_t firstLine = reader.header ? 2 : 1;
    if (!firstPlaces(std::move(read), firstLine, request.skip, interrupted, seeds.list))
        return ListReading::interrupted;
    return ListReading::whole;
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
    static_cast<void>(writeWhole(STDERR_FILENO, forUser("levelseek : impossible d'\xE9"
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
    std::uint64_t total = 0;      // seeds in the range
    double asteroidsPerSeed = 0;  // when the levels are long: the asteroids a lane group is expected to draw
    std::size_t lanes = 1;        // seeds a lane group draws
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
    const std::string digits = std::to_string(count);
    std::string result;
    for (std::size_t index = 0; index < digits.size(); ++index) {
        if (index > 0 && (digits.size() - index) % groupDigits == 0)
            result += '\xA0';
        result += digits[index];
    }
    return result;
}

std::string duration(double seconds) {
    constexpr double tenths = 10;
    if (seconds < tenths)
        return decimal(seconds, 1) + " s";
    const std::int64_t whole = std::llround(seconds);
    if (whole >= secondsPerHour)
        return std::to_string(whole / secondsPerHour) + " h " +
               std::to_string(whole % secondsPerHour / secondsPerMinute) + " min";
    if (whole >= secondsPerMinute)
        return std::to_string(whole / secondsPerMinute) + " min " + std::to_string(whole % secondsPerMinute) + " s";
    return std::to_string(whole) + " s";
}

std::string found(std::uint64_t matches) {
    if (matches == 0)
        return "aucune graine trouv\xE9"
               "e";
    return grouped(matches) + (matches == 1 ? " graine trouv\xE9"
                                              "e"
                                            : " graines trouv\xE9"
                                              "es");
}

// The columns of the terminal on standard error; 80 when it does not say.
std::size_t terminalColumns() {
    constexpr std::size_t usualColumns = 80;
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return usualColumns;
}

// The share of the search done. Long levels take long per seed: it is
// then told by the asteroids drawn, so that it moves from the first second,
// the lanes' and the library's draws of the seeds the lanes found, in the
// share found so far (all of them, until the lanes have told).
double shareDone(const Progress& progress, const ScanTally& tally) {
    const double total = static_cast<double>(progress.total);
    const double bySeeds = static_cast<double>(tally.seeds) / total;
    if (progress.asteroidsPerSeed <= 0)
        return bySeeds;
    const double found =
        tally.laneSeeds > 0 ? static_cast<double>(tally.candidates) / static_cast<double>(tally.laneSeeds) : 1;
    const double work = progress.asteroidsPerSeed * total * (1 / static_cast<double>(progress.lanes) + found);
    const double done = static_cast<double>(tally.laneAsteroids + tally.libraryAsteroids) / work;
    constexpr double notYetAll = 0.999;
    return std::max(bySeeds, std::min(notYetAll, done));
}

// The line's parts, most useful first; those that do not fit the terminal
// are left out from the least useful on, so that the line never wraps (a
// wrapped line cannot be rewritten in place).
std::string progressLine(const Progress& progress, const ScanTally& tally, std::uint64_t matches, double seconds) {
    const double share = shareDone(progress, tally);
    std::vector<std::string> parts{decimal(percent * share, 1) + " %"};
    if (share > 0)
        parts.push_back("encore " + duration(seconds * (1 - share) / share));
    parts.push_back(found(matches));
    parts.push_back(grouped(tally.seeds) + " graines sur " + grouped(progress.total));
    if (seconds > 0) {
        const auto asteroids = static_cast<double>(tally.laneAsteroids + tally.libraryAsteroids);
        parts.push_back(progress.asteroidsPerSeed > 0
                            ? decimal(asteroids / seconds / million, 1) + " M asteroides/s"
                            : decimal(static_cast<double>(tally.seeds) / seconds / million, 1) + " M graines/s");
    }
    // The ISO-8859-1 text has one byte a character.
    const std::size_t room = terminalColumns() - 1;
    std::string line = "levelseek : " + parts.front();
    for (std::size_t part = 1; part < parts.size(); ++part) {
        if (line.size() + 2 + parts[part].size() <= room)
            line += ", " + parts[part];
    }
    return line.substr(0, room);
}

void showProgress(Progress& progress, const SeedScan& scan, std::uint64_t matches) {
    const Clock::time_point now = Clock::now();
    if (!progress.shown || progress.total == 0 || now - progress.lastShown < progressInterval)
        return;
    progress.lastShown = now;
    const double seconds = std::chrono::duration<double>(now - progress.start).count();
    tell("\r" + progressLine(progress, scanTally(scan), matches, seconds) + "\x1B[K");
    progress.onScreen = true;
}

void eraseProgress(Progress& progress) {
    if (progress.onScreen)
        tell("\r\x1B[K");
    progress.onScreen = false;
}

// On a terminal, the last word of a search: what it found, among how
// many seeds, in how long.
void tellSummary(const Progress& progress, std::uint64_t examined, std::uint64_t matches) {
    if (!progress.shown)
        return;
    const double seconds = std::chrono::duration<double>(Clock::now() - progress.start).count();
    tell("levelseek : " + found(matches) + " sur " + grouped(examined) + (examined < 2 ? " graine" : " graines") +
         ", en " + duration(seconds) + ".\n");
}

// SIGINT and SIGTERM only note that they came, in the main thread (the
// scan's threads start with them blocked). A second one during the stop,
// which lasts a moment, changes nothing: the run still ends with what was
// found and how to resume. A signal the caller chose to ignore stays
// ignored.
void catchInterruptions() {
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = noteInterruption;
        sigemptyset(&action.sa_mask);
        sigaddset(&action.sa_mask, SIGINT);
        sigaddset(&action.sa_mask, SIGTERM);
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

// The kernel LEVELSEEK_KERNEL names, or the fastest; nullptr, after saying
// why, when the name is unknown or the processor cannot run that kernel.
const LaneKernel* forcedOrFastest(const std::vector<LaneKernel>& kernels) {
    const char* const forced = std::getenv("LEVELSEEK_KERNEL");
    if (forced == nullptr || *forced == '\0')
        return &kernels.front();
    if (const LaneKernel* kernel = laneKernelNamed(kernels, forced))
        return kernel;
    const std::string_view name = forced;
    const bool known = name == "generic" || name == "avx2" || name == "avx512";
    tell("levelseek : LEVELSEEK_KERNEL=");
    static_cast<void>(writeWhole(STDERR_FILENO, shownName(name)));
    tell(known ? " : ce processeur n'a pas ces instructions.\n"
               : " : noyau inconnu ; les noyaux sont generic, avx2 et avx512.\n");
    return nullptr;
}

// The kernel, if its generator follows the C library's; nullptr, after
// saying so, when the search must draw with the library's own.
const LaneKernel* checkedKernel(const LaneKernel& kernel) {
    if (kernelAgreesWithLibrary(kernel))
        return &kernel;
    tell(
        "levelseek : le random() de cette biblioth\xE8que C ne suit pas le g\xE9n\xE9rateur que levelseek "
        "conna\xEEt ; la recherche se fait avec celui de la biblioth\xE8que, sur un seul fil, plus lentement.\n");
    return nullptr;
}

void writeMatches(const SeekRequest& request, const std::vector<SeedMatch>& matches, Output& output,
                  std::uint64_t& written) {
    for (const SeedMatch& match : matches) {
        if (request.mostMatches != 0 && written == request.mostMatches)
            return;
        writeMatch(output, request, match.seed, match.figures);
        ++written;
    }
}

// How many asteroids a lane group of lanes seeds is expected to draw, when
// that is so many that the progress line should count them; 0 otherwise.
double expectedAsteroids(const LevelParameters& limits) {
    constexpr double manyAsteroids = 1e6;
    const double distance = std::abs(static_cast<double>(limits.maxDistance));
    const double perSeed = static_cast<double>(limits.levelLength) / ((distance - 1) / 2);
    return perSeed >= manyAsteroids ? perSeed : 0;
}

// How to resume a search stopped before its place'th seed, written
// matches written: the options to give again, after "; ", with a name set
// apart as the user's bytes; or why there is no way to; or nothing when
// every seed was examined. A list not read to its end resumes where it
// was to start.
std::string resumeHint(const ScanSetup& setup, const SeekRequest& request, const ListSeeds& list,
                       std::optional<std::uint64_t> place, std::uint64_t written) {
    std::string rest;
    if (request.mostMatches != 0)
        rest += " --first " + std::to_string(request.mostMatches - written);
    if (request.csv)
        rest += " --no-header";
    if (request.seedsFrom.empty()) {
        const std::int64_t next = setup.firstSeed + static_cast<std::int64_t>(place.value_or(0));
        if (next > setup.lastSeed)
            return {};
        return " ; pour reprendre : --seeds " + std::to_string(next) + ".." + std::to_string(setup.lastSeed) + rest;
    }
    if (place && *place >= list.list.seeds.size())
        return {};
    const std::string skip = " --skip " + std::to_string(place ? lineOf(list.list, *place) - 1 : request.skip) + rest;
    if (request.seedsFrom == "-")
        return " ; l'entr\xE9"
               "e standard ne se relit pas : pas de reprise";
    if (!list.rereadable)
        return " ; la liste " + markedUserBytes(request.seedsFrom) + " ne se relit pas : pas de reprise";
    const std::optional<std::string> word = shellWord(request.seedsFrom);
    if (!word)
        return " ; pour reprendre : --seeds-from LISTE" + skip +
               ", LISTE \xE9tant la m\xEAme liste (son nom ne peut pas s'afficher tel quel)";
    return " ; pour reprendre : --seeds-from " + markedUserBytes(*word) + skip;
}

// After SIGINT or SIGTERM: writes what is pending, says how to resume from
// the place'th seed (from where the search was to start when it had not
// started), and returns the exit status. A --first met by then is a
// complete answer.
int endInterrupted(const ScanSetup& setup, const SeekRequest& request, const ListSeeds& list,
                   std::optional<std::uint64_t> place, Output& output, std::uint64_t written) {
    const bool lost = !finishOutput(output);
    if (lost)
        tellLost(output);
    if (request.mostMatches != 0 && written == request.mostMatches)
        return lost ? 1 : 0;
    const std::string message = "levelseek : interrompu" + resumeHint(setup, request, list, place, written);
    static_cast<void>(writeWhole(STDERR_FILENO, forUserWithBytes(message + "\n")));
    return exitBySignal + interruption;
}

// The output's header line, for CSV.
std::string csvHeader(const SeekRequest& request) {
    if (!request.csv || !request.header)
        return {};
    std::string header = "seed,count,first_x,last_x,longest_gap";
    if (request.densestColumn)
        header += ",densest_" + std::to_string(request.constraints.window);
    return header + '\n';
}

Progress progressFor(const SeekRequest& request, const ScanSetup& setup) {
    Progress progress;
    progress.shown = isatty(STDERR_FILENO) == 1;
    progress.sharedScreen = isatty(STDOUT_FILENO) == 1;
    progress.total =
        setup.seeds != nullptr ? setup.seeds->size() : static_cast<std::uint64_t>(setup.lastSeed - setup.firstSeed + 1);
    if (setup.kernel != nullptr && request.limits.levelLength > 0) {
        progress.asteroidsPerSeed = expectedAsteroids(request.limits);
        progress.lanes = setup.kernel->lanes;
    }
    return progress;
}

// What a block handed back asks of the search.
enum class BlockTaken {
    goOn,
    done,    // the scan is over, or standard output was lost
    failed,  // said why; the status is 1
};

BlockTaken takeBlock(SeedScan& scan, const SeekRequest& request, Progress& progress, Output& output,
                     std::uint64_t& written) {
    std::vector<SeedMatch> matches;
    std::int32_t wrongSeed = 0;
    const ScanStep step = takeNextBlock(scan, pollInterval, matches, wrongSeed);
    if (step == ScanStep::finished)
        return BlockTaken::done;
    if (step == ScanStep::starved) {
        eraseProgress(progress);
        tell("levelseek : m\xE9moire insuffisante.\n");
        return BlockTaken::failed;
    }
    if (!matches.empty()) {
        if (progress.sharedScreen)
            eraseProgress(progress);
        writeMatches(request, matches, output, written);
        flush(output);
        if (output.error != 0)
            return BlockTaken::done;
    }
    if (step == ScanStep::wrong) {
        eraseProgress(progress);
        tell("levelseek : erreur interne : le level de la graine " + std::to_string(wrongSeed) +
             ", tir\xE9 de nouveau avec random(), ne donne pas ce que la recherche a trouv\xE9 ; "
             "la graine n'est pas \xE9"
             "crite.\n");
        return BlockTaken::failed;
    }
    showProgress(progress, scan, written);
    return BlockTaken::goOn;
}

int seek(const SeekRequest& request) {
    // Caught from the start, so that a signal during the check of the
    // generator still ends the search the same way.
    catchInterruptions();
    const std::vector<LaneKernel> kernels = supportedLaneKernels();
    const LaneKernel* const kernel = forcedOrFastest(kernels);
    if (kernel == nullptr)
        return 1;
    ScanSetup setup;
    setup.parameters = request.limits;
    setup.constraints = request.constraints;
    setup.firstSeed = request.firstSeed;
    setup.lastSeed = request.lastSeed;
    setup.threads = request.threads != 0 ? request.threads : usableProcessors();
    Output output;
    output.pending = csvHeader(request);
    ListSeeds list;
    if (!request.seedsFrom.empty()) {
        const ListReading reading = readSeedList(request, list);
        if (reading == ListReading::failed)
            return 1;
        if (reading == ListReading::interrupted)
            return endInterrupted(setup, request, list, std::nullopt, output, 0);
        setup.seeds = &list.list.seeds;
    }
    setup.kernel = request.limits.levelLength > 0 ? checkedKernel(*kernel) : kernel;
    setup.library = libraryAccess();

    Progress progress = progressFor(request, setup);
    ScanHandle scan;
    {
        const InterruptionsBlocked blocked;
        scan = startScan(setup);
    }
    std::uint64_t written = 0;
    while (request.mostMatches == 0 || written < request.mostMatches) {
        if (interruption != 0) {
            eraseProgress(progress);
            std::vector<SeedMatch> matches;
            const std::uint64_t place = stopScan(*scan, matches);
            writeMatches(request, matches, output, written);
            return endInterrupted(setup, request, list, place, output, written);
        }
        const BlockTaken taken = takeBlock(*scan, request, progress, output, written);
        if (taken == BlockTaken::failed)
            return 1;
        if (taken == BlockTaken::done)
            break;
    }
    const std::uint64_t examined = std::min(scanTally(*scan).seeds, progress.total);
    scan.reset();
    eraseProgress(progress);
    if (!finishOutput(output)) {
        tellLost(output);
        return 1;
    }
    tellSummary(progress, examined, written);
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
    // Out of memory anywhere, the search says so in French and fails.
    try {
        return seek(request);
    } catch (const std::bad_alloc&) {
        tell("levelseek : m\xE9moire insuffisante.\n");
        return 1;
    }
}
