// levelseek: its lanes against the C library's generator and the scalar
// draw, one known answer made by levelgen itself, the properties a sharded
// or threaded search relies on, and its refusals, run for real.

#include "asteroid_draw.h"
#include "decimal_integer.h"
#include "lane_draw.h"
#include "program_run.h"
#include "seed_list.h"
#include "seed_scan.h"
#include "seek_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path seekFiles = fs::path(LEVELGEN_CATALOGUE).parent_path() / "seek";
const std::vector<std::string> utf8Locale{"LC_ALL=C.UTF-8"};

ProgramRun runLevelseek(const std::vector<std::string>& arguments, const ProgramSetup& setup = {}) {
    const TemporaryFolder folder;
    ProgramSetup withLocale = setup;
    withLocale.environment.insert(withLocale.environment.end(), utf8Locale.begin(), utf8Locale.end());
    return runProgram(LEVELSEEK_PROGRAM, folder.path, "", arguments, withLocale);
}

TEST(LaneKernels, GiveTheCLibrarysValuesInEveryLane) {
    // random_r() gives every thread random()'s very sequence.
    EXPECT_EQ(libraryAccess(), LibraryAccess::reentrant);
    const std::vector<std::uint32_t> seeds{0,     1,      0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 0x80000001, 0x7FFFFFFE, 2,
                                           16807, 127773, 0xFFFEB9BD, 3141592653, 271828182,  0x5EED5EED, 42};
    constexpr std::size_t count = 1000;
    for (const LaneKernel& kernel : supportedLaneKernels()) {
        SCOPED_TRACE(kernel.name);
        std::vector<std::uint32_t> lanes(kernel.lanes);
        std::vector<std::uint32_t> values(count * kernel.lanes);
        // Each seed of the table takes every lane position in turn.
        for (std::size_t shift = 0; shift < kernel.lanes; ++shift) {
            for (std::size_t lane = 0; lane < kernel.lanes; ++lane)
                lanes[lane] = seeds[(lane + shift) % seeds.size()];
            kernel.randomValues(lanes.data(), count, values.data());
            for (std::size_t lane = 0; lane < kernel.lanes; ++lane) {
                srandom(lanes[lane]);
                for (std::size_t k = 0; k < count; ++k)
                    ASSERT_EQ(values[k * kernel.lanes + lane], static_cast<std::uint32_t>(random()))
                        << "seed " << lanes[lane] << " in lane " << lane << ", value " << k;
            }
        }
    }
}

// For every lane, the level is found to match exactly when its scalar draw
// with the C library's generator matches, and the figures the lanes keep
// are the scalar draw's.
TEST(LaneKernels, AgreeWithTheScalarDraw) {
    struct Case {
        const char* what;
        LevelParameters parameters;
        Constraints constraints;
        std::uint32_t firstSeed;
    };
    Constraints counted;
    counted.count = {100, 110};
    counted.longestGap = {0, 18};
    Constraints crowded;
    crowded.window = 10;
    crowded.densest = {0, 9};
    Constraints runs;
    runs.window = 1;
    runs.densest = {3, INT64_MAX};
    Constraints cleared;
    cleared.clearStart = 20;
    cleared.longestGap = {30, 37};
    Constraints few;
    few.count = {0, 40};
    const Case cases[] = {
        {"nothing asked", {0, 1000, 20, 5, 3}, {}, static_cast<std::uint32_t>(-300)},
        {"count and longest gap", {0, 1000, 20, 5, 3}, counted, 0x7FFFFFF0},
        {"densest window, negative distance", {0, 5000, -7, 2, 1}, crowded, 0xFFFFFFF0},
        {"a window of one unit", {0, 300, 2, 2, 1}, runs, 5},
        {"a clear start", {0, 500, 40, 5, 3}, cleared, 1000},
        {"too many asteroids", {0, 1000, 40, 5, 3}, few, 77},
        {"the widest distance", {0, 100000, INT32_MIN, 2, 1}, counted, 9},
        {"positions near 2^31", {0, 2146000000, 1400000, 2, 1}, {}, 123},
    };
    for (const LaneKernel& kernel : supportedLaneKernels()) {
        for (const Case& example : cases) {
            SCOPED_TRACE(std::string(kernel.name) + ", " + example.what);
            const LaneQuery query = makeLaneQuery(example.parameters, example.constraints);
            // A ring of two slots has to grow for any window.
            std::vector<std::int32_t> ring(2 * kernel.lanes);
            std::vector<LaneFigures> lanes;
            std::vector<std::uint32_t> seeds(kernel.lanes);
            for (std::uint32_t group = 0; group < 4; ++group) {
                // Consecutive seeds, but for the last group, spread out.
                for (std::size_t lane = 0; lane < kernel.lanes; ++lane)
                    seeds[lane] = example.firstSeed +
                                  static_cast<std::uint32_t>(group * kernel.lanes + lane * (group == 3 ? 7919 : 1));
                drawLaneGroup(kernel, query, seeds.data(), ring, lanes);
                for (std::size_t lane = 0; lane < kernel.lanes; ++lane) {
                    LevelParameters parameters = example.parameters;
                    parameters.seed = static_cast<std::int32_t>(seeds[lane]);
                    const LevelFigures scalar = libraryFigures(parameters, example.constraints.window);
                    const LevelFigures& found = lanes[lane].figures;
                    const bool matches = meetsConstraints(scalar, example.constraints);
                    ASSERT_EQ(!lanes[lane].rejected && meetsConstraints(found, example.constraints), matches)
                        << "seed " << parameters.seed;
                    if (lanes[lane].rejected)
                        continue;
                    EXPECT_EQ(found.firstX, scalar.firstX) << "seed " << parameters.seed;
                    EXPECT_EQ(found.lastX, scalar.lastX) << "seed " << parameters.seed;
                    EXPECT_EQ(found.count, query.keepsCount ? scalar.count : 0) << "seed " << parameters.seed;
                    EXPECT_EQ(found.longestGap, query.keepsLongestGap ? scalar.longestGap : 0);
                    EXPECT_EQ(found.densest, query.window > 0 ? scalar.densest : 0) << "seed " << parameters.seed;
                }
            }
        }
    }
}

// The expected answer was written by tests/seek/make_known_answer.py from
// the real levelgen's level files, seed by seed.
TEST(Levelseek, GivesTheAnswerLevelgenGives) {
    std::istringstream lines(readFile(seekFiles / "known_answer.arguments"));
    std::vector<std::string> arguments;
    for (std::string line; std::getline(lines, line);)
        arguments.push_back(line);
    const ProgramRun run = runLevelseek(arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output, readFile(seekFiles / "known_answer.csv"));
}

std::vector<std::string> with(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// The same search gives the same bytes on any number of threads and cut
// into shards, and lists exactly the seeds whose levels, drawn by levelgen's
// own generateLevel(), have the asked count: half of them, so that a seed
// lost or repeated at the edge of a block shows.
TEST(Levelseek, ListsTheSameSeedsHoweverTheSearchIsCut) {
    const std::vector<std::string> limits{"--count", "106..", "1000", "20", "5", "3"};
    const ProgramRun whole = runLevelseek(with({"--seeds", "-6000..6000", "--threads", "1"}, limits));
    ASSERT_EQ(whole.status, 0) << whole.errors;
    EXPECT_EQ(runLevelseek(with({"--seeds", "-6000..6000", "--threads", "3"}, limits)).output, whole.output);
    // The first shard is a seed short of two blocks.
    EXPECT_EQ(runLevelseek(with({"--seeds", "-6000..2190"}, limits)).output +
                  runLevelseek(with({"--seeds", "2191..6000"}, limits)).output,
              whole.output);
    std::string expected;
    for (std::int32_t seed = -6000; seed <= 6000; ++seed) {
        int count = 0;
        generateLevel({seed, 1000, 20, 5, 3}, [&](const Asteroid&) { return ++count > 0; });
        if (count >= 106)
            expected += std::to_string(seed) + "\n";
    }
    EXPECT_EQ(whole.output, expected);
}

// What the scan found is listed only when the C library's draw gives it
// again: a match whose figures disagree is refused, by the lanes' check of
// the figures they keep and by the library fallback's check of them all.
TEST(SeedScan, ConfirmsOnlyWhatTheLibraryDrawsAgain) {
    ScanSetup setup;
    setup.parameters = {0, 1000, 20, 5, 3};
    setup.constraints.count = {110, INT64_MAX};
    const std::vector<LaneKernel> kernels = supportedLaneKernels();
    // Seed 0 has 117 asteroids, the first at 3 and the last at 1018.
    const LaneFigures found{{117, 3, 1018, 0, 0}, false};
    const LevelFigures exact = libraryFigures(setup.parameters, 0);
    const auto with = [&](std::int32_t LevelFigures::*field, std::int32_t value) {
        LaneFigures tampered{exact, false};
        tampered.figures.*field = value;
        return tampered;
    };
    struct Case {
        const char* what;
        bool lanes;  // otherwise the library fallback found it
        std::int32_t seed;
        LaneFigures figures;
        bool confirmed;
    };
    const Case cases[] = {
        {"as found", true, 0, found, true},
        {"seed 1, the same level", true, 1, found, true},
        {"another count", true, 0, {{116, 3, 1018, 0, 0}, false}, false},
        {"another first x", true, 0, {{117, 4, 1018, 0, 0}, false}, false},
        {"another last x", true, 0, {{117, 3, 1017, 0, 0}, false}, false},
        {"rejected", true, 0, {found.figures, true}, false},
        {"a seed whose level does not match", true, 2, found, false},
        {"the fallback, as found", false, 0, {exact, false}, true},
        {"the fallback, another first x", false, 0, with(&LevelFigures::firstX, 4), false},
        {"the fallback, another last x", false, 0, with(&LevelFigures::lastX, 1017), false},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.what);
        setup.kernel = example.lanes ? &kernels.front() : nullptr;
        LevelFigures figures;
        EXPECT_EQ(confirmMatch(setup, example.seed, example.figures, figures), example.confirmed);
    }
}

TEST(Levelseek, AnswersSmallSearchesExactly) {
    struct Case {
        std::vector<std::string> arguments;
        std::string output;
    };
    const Case cases[] = {
        // A level of length 0 or less is empty whatever the seed.
        {{"--seeds", "2147483646..", "0", "0", "0", "0"}, "2147483646\n2147483647\n"},
        {{"--seeds", "..-2147483647", "--csv", "-5", "1", "1", "0"},
         "seed,count,first_x,last_x,longest_gap\n-2147483648,0,,,0\n-2147483647,0,,,0\n"},
        {{"--seeds", "-3..3", "--count", "1..", "0", "0", "0", "0"}, ""},
        {{"--seeds", "-1..1", "--count", "0", "--densest", "10:0", "0", "0", "0", "0"}, "-1\n0\n1\n"},
        {{"--first", "2", "--csv", "--no-header", "--count", "120..", "1000", "20", "5", "3"},
         "-2147483549,121,6,1002,19\n-2147483543,124,0,1005,19\n"},
        // Seeds 0 and 1 give the same level, of exactly 117 asteroids.
        {{"--seeds", "-5..5", "--count", "117", "1000", "20", "5", "3"}, "0\n1\n"},
        {{"--seeds", "0..300", "--longest-gap", "30..34", "500", "40", "5", "3"}, "182\n194\n213\n214\n220\n"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.arguments.front());
        const ProgramRun run = runLevelseek(example.arguments);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.output, example.output);
    }
}

// Every refusal is one line on standard error, status 1, and nothing on
// standard output.
TEST(Levelseek, RefusesWhatItCannotUse) {
    const std::string seeHelp = ". Voir levelseek --help.\n";
    struct Case {
        std::vector<std::string> arguments;
        std::string errors;
    };
    const Case cases[] = {
        {{"1000", "1", "5", "3"}, "La distance max entre 2 asteroides doit \xC3\xAAtre au moins 2 ou au plus -2.\n"},
        {{"1000", "20", "1", "3"}, "La vitesse horizontale maximale doit \xC3\xAAtre diff\xC3\xA9rente de 1.\n"},
        {{"--seeds", "5..-5", "1000", "20", "5", "3"},
         "levelseek : --seeds : le minimum 5 d\xC3\xA9passe le maximum -5" + seeHelp},
        {{"--seeds", "0..2147483648", "1000", "20", "5", "3"},
         "levelseek : --seeds : 2147483648 est hors de -2147483648 \xC3\xA0 2147483647" + seeHelp},
        {{"--count=12a", "1000", "20", "5", "3"}, "levelseek : --count : \"12a\" n'est pas un nombre entier" + seeHelp},
        {{"--densest", "0:", "1000", "20", "5", "3"},
         "levelseek : la fen\xC3\xAAtre de --densest : 0 est hors de 1 \xC3\xA0 2147483647" + seeHelp},
        {{"--first", "0", "1000", "20", "5", "3"}, "levelseek : --first : 0 est inf\xC3\xA9rieur \xC3\xA0 1" + seeHelp},
        {{"--first", "99999999999999999999", "1000", "20", "5", "3"},
         "levelseek : --first : 99999999999999999999 est bien trop grand" + seeHelp},
        {{"--fast", "1000", "20", "5", "3"}, "levelseek : option inconnue : --fast" + seeHelp},
        {{"--fast\x1B[2J\xC3\xA9", "1000", "20", "5", "3"},
         "levelseek : option inconnue : --fast\\x1B[2J\xC3\xA9" + seeHelp},
        {{"--seeds", "1..2", "--seeds-from", "-", "1000", "20", "5", "3"},
         "levelseek : --seeds et --seeds-from ne vont pas ensemble : une plage ou une liste de graines" + seeHelp},
        {{"1000", "20", "5", "3", "--threads"}, "levelseek : l'option --threads attend une valeur" + seeHelp},
        {{"1000", "-20", "5"},
         "levelseek : il faut quatre limites, LONGUEUR DISTANCE VITESSE_X VITESSE_Y, et non 3" + seeHelp},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.errors);
        const ProgramRun run = runLevelseek(example.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, example.errors);
    }
    EXPECT_EQ(runLevelseek({"--version"}).output, "levelseek " LEVELGEN_VERSION "\n");
    // Every line of either program's help fits an 80-column terminal.
    for (const char* program : {LEVELSEEK_PROGRAM, LEVELVIEW_PROGRAM}) {
        const TemporaryFolder folder;
        ProgramSetup setup;
        setup.environment = utf8Locale;
        std::istringstream help(runProgram(program, folder.path, "", {"--help"}, setup).output);
        for (std::string line; std::getline(help, line);) {
            const auto columns =
                std::count_if(line.begin(), line.end(), [](char byte) { return (byte & 0xC0) != 0x80; });
            EXPECT_LE(columns, 80) << program << ": " << line;
        }
    }
    EXPECT_EQ(
        runLevelseek({"--help"}).output.rfind("Usage : levelseek [OPTIONS] LONGUEUR DISTANCE VITESSE_X VITESSE_Y\n", 0),
        0u);
}

TEST(Levelseek, ReportsWhatGoesWrongAsItSearches) {
    const std::vector<std::string> search{"--seeds", "0..19999", "--count", "125..", "1000", "20", "5", "3"};
    const std::string cannotWrite =
        "levelseek : impossible d'\xC3\xA9"
        "crire sur la sortie standard : ";
    struct Case {
        const char* what;
        std::vector<std::string> environment;
        const char* standardOutput;
        bool closed;
        std::string errors;
    };
    const Case cases[] = {
        {"a full disk", {}, "/dev/full", false, cannotWrite + "disque plein.\n"},
        {"standard output closed", {}, "", true, cannotWrite + "descripteur de fichier ferm\xC3\xA9 ou invalide.\n"},
        {"an unknown kernel",
         {"LEVELSEEK_KERNEL=sse9\x1B[2J"},
         "",
         false,
         "levelseek : LEVELSEEK_KERNEL=sse9\\x1B[2J : noyau inconnu ; les noyaux sont generic, avx2 et avx512.\n"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.what);
        ProgramSetup setup;
        setup.environment = example.environment;
        setup.standardOutput = example.standardOutput;
        setup.closeStandardOutput = example.closed;
        const ProgramRun run = runLevelseek(search, setup);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, example.errors);
    }

    // With another C library's random(), the search still gives that
    // library's levels: it says so once and draws with the library's own,
    // here a 64-bit linear congruential generator.
    ProgramSetup otherLibrary;
    otherLibrary.environment = {"LD_PRELOAD=" OTHER_RANDOM_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0"};
    const ProgramRun other = runLevelseek(search, otherLibrary);
    EXPECT_EQ(other.status, 0);
    EXPECT_EQ(other.errors,
              "levelseek : le random() de cette biblioth\xC3\xA8que C ne suit pas le g\xC3\xA9n\xC3\xA9rateur que "
              "levelseek conna\xC3\xAEt ; la recherche se fait avec celui de la biblioth\xC3\xA8que, sur un seul fil, "
              "plus lentement.\n");
    std::string expected;
    for (std::int32_t seed = 0; seed < 20000; ++seed) {
        std::uint64_t state = static_cast<std::uint32_t>(seed);
        std::uint64_t count = 0;
        drawAsteroids(
            {seed, 1000, 20, 5, 3},
            [&] {
                state = state * 6364136223846793005U + 1442695040888963407U;
                return static_cast<std::int32_t>(state >> 33);
            },
            [&](const Asteroid&) { return ++count > 0; });
        if (count >= 125)
            expected += std::to_string(seed) + "\n";
    }
    EXPECT_EQ(other.output, expected);
    EXPECT_NE(other.output, "");
}

// Interrupted, levelseek writes every match below the first seed it had
// not examined, says how to resume, and ends with 128 + the signal.
TEST(Levelseek, LeavesAnExactPrefixWhenInterrupted) {
    const std::vector<std::string> limits{"--count", "130..", "1000", "20", "5", "3"};
    ProgramSetup interrupted;
    interrupted.limit = std::chrono::milliseconds(600);
    interrupted.signalAtLimit = SIGTERM;
    const ProgramRun run = runLevelseek(limits, interrupted);
    EXPECT_EQ(run.status, 128 + SIGTERM);
    const std::string resume = "levelseek : interrompu ; pour reprendre : --seeds ";
    ASSERT_EQ(run.errors.rfind(resume, 0), 0u) << run.errors;
    const std::string rest = run.errors.substr(resume.size());
    const std::string next = rest.substr(0, rest.find(".."));
    EXPECT_EQ(rest.substr(next.size()), "..2147483647\n");
    const std::string below = std::to_string(std::stoll(next) - 1);
    EXPECT_EQ(run.output, runLevelseek(with({"--seeds", ".." + below}, limits)).output);
}

// Levels of about 316,000 asteroids, each of which takes a while: a stop
// still comes within a second or two, the blocks not finished dropped,
// what was written is every seed below the one to resume from (every seed
// matches), and the resume line is one levelseek accepts, --first and
// --no-header included.
TEST(Levelseek, StopsAtOnceInTheMiddleOfLongLevels) {
    const std::vector<std::string> longLevels{"--count", "1..", "--seeds", "0..40000", "3000000", "20", "5", "3"};
    struct Case {
        std::vector<std::string> options;
        std::string header;
        std::string resumeEnd;  // after the first seed to resume from
    };
    const Case cases[] = {
        {{"--csv"}, "seed,count,first_x,last_x,longest_gap\n", "..40000 --no-header\n"},
        {{"--first", "100000"}, "", "..40000 --first "},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.options.front());
        ProgramSetup interrupted;
        interrupted.limit = std::chrono::milliseconds(1500);
        interrupted.signalAtLimit = SIGINT;
        // An impatient second signal changes nothing, the status included.
        // (Sent after SIGINT, the lower number: both pending at once, the
        // system hands over SIGINT first too.)
        interrupted.secondSignal = SIGTERM;
        const auto start = std::chrono::steady_clock::now();
        const ProgramRun run = runLevelseek(with(example.options, longLevels), interrupted);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500 + 2000));
        EXPECT_EQ(run.status, 128 + SIGINT);
        const std::string resume = "levelseek : interrompu ; pour reprendre : --seeds ";
        ASSERT_EQ(run.errors.rfind(resume, 0), 0u) << run.errors;
        const std::string rest = run.errors.substr(resume.size());
        const std::int64_t next = std::stoll(rest);
        EXPECT_EQ(rest.substr(std::to_string(next).size(), example.resumeEnd.size()), example.resumeEnd);
        std::istringstream lines(run.output.substr(example.header.size()));
        std::int64_t seed = 0;
        for (std::string line; std::getline(lines, line); ++seed)
            ASSERT_EQ(std::stoll(line), seed);
        EXPECT_EQ(seed, next);
        EXPECT_EQ(run.output.substr(0, example.header.size()), example.header);
        // The resume line, read back as levelseek reads its arguments.
        std::istringstream words(rest.substr(std::to_string(next).size() + 2));
        std::vector<std::string> again{"--seeds", std::to_string(next) + ".." + std::string()};
        std::string word;
        words >> word;
        again.back() += word;
        while (words >> word)
            again.push_back(word);
        again.insert(again.end(), {"3000000", "20", "5", "3"});
        SeekRequest request;
        EXPECT_EQ(parseSeekRequest(std::vector<std::string_view>(again.begin(), again.end()), request), "");
        EXPECT_EQ(request.firstSeed, next);
    }

    // A list resumes by its lines, its name quoted for the shell: the hint
    // pasted into one goes on with the next seeds. A list that cannot be
    // read again, stopped while it is read, says so.
    {
        const TemporaryFolder folder;
        std::string list;
        for (int seed = 0; seed <= 40000; ++seed)
            list += std::to_string(seed) + "\n";
        writeFile(folder.path / "my list;$(x).txt", list);
        ProgramSetup interrupted;
        interrupted.limit = std::chrono::milliseconds(1500);
        interrupted.signalAtLimit = SIGINT;
        const std::vector<std::string> limits{"--count", "1..", "3000000", "20", "5", "3"};
        const ProgramRun run = runProgram(LEVELSEEK_PROGRAM, folder.path, "",
                                          with({"--seeds-from", "my list;$(x).txt"}, limits), interrupted);
        EXPECT_EQ(run.status, 128 + SIGINT);
        const auto done = std::count(run.output.begin(), run.output.end(), '\n');
        EXPECT_EQ(run.output, list.substr(0, run.output.size()));
        const std::string hint = "--seeds-from 'my list;$(x).txt' --skip " + std::to_string(done);
        EXPECT_EQ(run.errors, "levelseek : interrompu ; pour reprendre : " + hint + "\n");
        const ProgramRun resumed = runProgram(
            "/bin/sh", folder.path, "", {"-c", LEVELSEEK_PROGRAM " --first 2 " + hint + " --count 1.. 3000000 20 5 3"});
        EXPECT_EQ(resumed.output, std::to_string(done) + "\n" + std::to_string(done + 1) + "\n") << resumed.errors;

        // Stopped while it waits for the writer, which would go on for 5 s.
        interrupted.limit = std::chrono::milliseconds(300);
        const auto start = std::chrono::steady_clock::now();
        const ProgramRun fifo = runProgram("/bin/sh", folder.path, "",
                                           {"-c", "mkfifo seeds; (echo 1; sleep 5) > seeds & exec " LEVELSEEK_PROGRAM
                                                  " --seeds-from seeds 1000 20 5 3"},
                                           interrupted);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
        EXPECT_EQ(fifo.status, 128 + SIGINT);
        EXPECT_EQ(fifo.errors, "levelseek : interrompu ; la liste seeds ne se relit pas : pas de reprise\n");
    }

    // A SIGINT the caller ignores, as a shell does for a job in the
    // background, stays ignored: the search goes on to its end.
    ProgramSetup ignoring;
    ignoring.limit = std::chrono::milliseconds(100);
    ignoring.signalAtLimit = SIGINT;
    ignoring.environment = utf8Locale;
    const TemporaryFolder folder;
    const ProgramRun ignored = runProgram(
        "/bin/sh", folder.path, "",
        {"-c", "trap '' INT; exec " LEVELSEEK_PROGRAM " --count 1.. --seeds 0..63 3000000 20 5 3"}, ignoring);
    EXPECT_EQ(ignored.status, 0) << ignored.errors;
    EXPECT_EQ(std::count(ignored.output.begin(), ignored.output.end(), '\n'), 64);
}

// On an 80-column terminal the progress line never wraps, and the search
// ends with one line that says what it found.
TEST(Levelseek, FitsItsProgressLineToTheTerminal) {
    const TemporaryFolder folder;
    ProgramSetup setup;
    setup.environment = utf8Locale;
    const ProgramRun run = runProgram(
        "/usr/bin/script", folder.path, "",
        {"--quiet", "--return", "--command",
         "stty cols 80 rows 24; exec " LEVELSEEK_PROGRAM " --count 1.. --seeds 0..191 3000000 20 5 3 >/dev/null",
         "/dev/null"},
        setup);
    EXPECT_EQ(run.status, 0);
    std::size_t lines = 0;
    std::string screen = run.output;
    for (const std::string erase : {"\x1B[K", "\r\n"})
        for (std::size_t at; (at = screen.find(erase)) != std::string::npos;)
            screen.replace(at, erase.size(), "\r");
    std::istringstream rows(screen);
    for (std::string row; std::getline(rows, row, '\r');) {
        const auto columns = std::count_if(row.begin(), row.end(), [](char byte) { return (byte & 0xC0) != 0x80; });
        EXPECT_LE(columns, 80) << row;
        lines += row.find(" %") != std::string::npos ? 1 : 0;
    }
    EXPECT_GT(lines, 0u) << run.output;
    EXPECT_NE(run.output.find("levelseek : 192 graines trouv\xC3\xA9"
                              "es sur 192 graines, en "),
              std::string::npos)
        << run.output;
}

// --seeds-from examines the seeds of a list, in its order, each once at its
// first place, from a file, standard input or levelseek's own CSV, with the
// lanes, whatever seeds they are given; a bad line is refused with its
// number and nothing on standard output.
TEST(Levelseek, ExaminesTheSeedsOfAList) {
    const TemporaryFolder folder;
    const auto search = [&](const std::string& list, std::vector<std::string> arguments) {
        writeFile(folder.path / "list.txt", list);
        ProgramSetup setup;
        setup.environment = utf8Locale;
        setup.standardInput = folder.path / "list.txt";
        arguments.insert(arguments.end(), {"1000", "20", "5", "3"});
        return runProgram(LEVELSEEK_PROGRAM, folder.path, "", arguments, setup);
    };
    std::string consecutive;
    // More than one read's worth of lines.
    for (int seed = -9000; seed <= 9000; ++seed)
        consecutive += std::to_string(seed) + "\n";
    EXPECT_EQ(search(consecutive, {"--seeds-from", "-", "--count", "110.."}).output,
              runLevelseek({"--seeds", "-9000..9000", "--count", "110..", "1000", "20", "5", "3"}).output);
    const std::string header = "seed,count,first_x,last_x,longest_gap\n";
    struct Case {
        std::string list;
        std::vector<std::string> options;
        std::string output;
    };
    const Case cases[] = {
        {"58\n-5\n116\n58\n1\n0",
         {"--seeds-from", "list.txt", "--csv"},
         header + "58,117,17,1003,19\n-5,107,15,1010,19\n116,118,17,1007,19\n1,117,3,1018,19\n0,117,3,1018,19\n"},
        {header + "58,117,17,1003,19\n-5,107,15,1010,19\n", {"--seeds-from", "-", "--count", "110.."}, "58\n"},
        // Lines 1 and 2 were examined before: 58 is not examined again.
        {"58\n-5\n116\n58\n1\n", {"--seeds-from", "list.txt", "--skip", "2"}, "116\n1\n"},
        {"", {"--seeds-from", "-", "--csv"}, header},
        {"seed,count,first_x,last_x,longest_gap,densest_100\n58,117,17,1003,19,14\n", {"--seeds-from", "-"}, "58\n"},
        // Integers as levelgen reads them; a level without asteroids has no x.
        {"+58\n0116\n-0\n2147483647\n-2147483648\n", {"--seeds-from", "-"}, "58\n116\n0\n2147483647\n-2147483648\n"},
        {header + "58,0,,,0\n", {"--seeds-from", "-"}, "58\n"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.list);
        const ProgramRun run = search(example.list, example.options);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.output, example.output);
    }
    const std::string notASeed = " n'est pas une graine, un entier de -2147483648 \xC3\xA0 2147483647.\n";
    const Case refused[] = {
        {"1\n\n3\n", {"--seeds-from", "list.txt"}, "levelseek : list.txt, ligne 2 : \"\"" + notASeed},
        {"1\n2147483648\n",
         {"--seeds-from", "-"},
         "levelseek : l'entr\xC3\xA9"
         "e standard, ligne 2 : \"2147483648\"" +
             notASeed},
        {"7\r\n",
         {"--seeds-from", "-"},
         "levelseek : l'entr\xC3\xA9"
         "e standard, ligne 1 : \"7\\x0D\"" +
             notASeed},
        {header + "1,2,3\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 2 : \"1,2,3\" n'a pas les 5 colonnes du CSV de levelseek.\n"},
        {"58,117,17,1003,19\n-5,107,15,1010,19,3\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 2 : \"-5,107,15,1010,19,3\" n'a pas les 5 colonnes du CSV de levelseek.\n"},
        {"seed,count,first_x,last_x,longest_gap,densest_x\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 1 : \"seed,count,first_x,last_x,longest_gap,de...\"" + notASeed},
        {"1\n", {"--seeds-from", "missing.txt"}, "levelseek : impossible de lire missing.txt : fichier introuvable.\n"},
        {"1\n", {"--seeds-from", "."}, "levelseek : impossible de lire . : c'est un dossier.\n"},
        {"5,x,y,z,w\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 1 : \"5,x,y,z,w\" : la colonne count n'est pas un nombre entier.\n"},
        {header + "58,117,17,1003,<img>\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 2 : \"58,117,17,1003,<img>\" : la colonne longest_gap n'est pas un nombre "
         "entier.\n"},
        {"1\n58,117\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 2 : \"58,117\" est une ligne de CSV, dans une liste d'une graine par ligne.\n"},
        {"1,2\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 1 : \"1,2\" n'a pas les 5 colonnes du CSV de levelseek.\n"},
        {"58,117,17,1003,19\n1\n",
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 2 : \"1\" n'a pas les 5 colonnes du CSV de levelseek.\n"},
        {std::string("5\0"
                     "6\n",
                     4),
         {"--seeds-from", "list.txt"},
         "levelseek : list.txt, ligne 1 : \"5\\x006\"" + notASeed},
    };
    for (const Case& example : refused) {
        SCOPED_TRACE(example.output);
        const ProgramRun run = search(example.list, example.options);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, example.output);
    }
}

// The first places of a list's seeds, the lines already done left out, the
// line each comes from, below a header; a stop gives up.
TEST(SeedList, KeepsEachSeedAtItsFirstPlace) {
    SeedListReader reader;
    std::int32_t seed = 0;
    std::string problem;
    EXPECT_EQ(readSeedLine(reader, "seed,count,first_x,last_x,longest_gap", seed, problem), SeedLine::header);
    EXPECT_TRUE(reader.header);
    SeedList list;
    // Lines 2 to 8; lines 2 and 3 were done before.
    ASSERT_TRUE(firstPlaces({5, 3, 5, 1, 3, -7, 1}, 2, 3, {}, list));
    EXPECT_EQ(list.seeds, (std::vector<std::int32_t>{1, -7}));
    EXPECT_EQ(lineOf(list, 0), 5u);
    EXPECT_EQ(lineOf(list, 1), 7u);
    EXPECT_EQ(lineOf(list, 2), 9u);
    EXPECT_FALSE(firstPlaces(
        {5, 3}, 1, 0, [] { return true; }, list));
}

// The one form of an integer, at the ends of 64 bits.
TEST(SeedList, ReadsIntegersAsLevelgenDoes) {
    struct Case {
        std::string_view text;
        IntegerReading reading;
        std::int64_t value;
    };
    const Case cases[] = {
        {"+007", IntegerReading::integer, 7},
        {"-0", IntegerReading::integer, 0},
        {"9223372036854775807", IntegerReading::integer, INT64_MAX},
        {"-9223372036854775808", IntegerReading::integer, INT64_MIN},
        {"9223372036854775808", IntegerReading::tooLarge, 0},
        {"-9223372036854775809", IntegerReading::tooLarge, 0},
        {"", IntegerReading::notInteger, 0},
        {"-", IntegerReading::notInteger, 0},
        {"+-1", IntegerReading::notInteger, 0},
        {"1 ", IntegerReading::notInteger, 0},
        {"0x1", IntegerReading::notInteger, 0},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.text);
        std::int64_t value = 0;
        EXPECT_EQ(readInteger(example.text, value), example.reading);
        if (example.reading == IntegerReading::integer) {
            EXPECT_EQ(value, example.value);
        }
    }
}

// The three ways of combining searches that the manual page shows, run as
// it shows them, on negative seeds too, against the answer worked out here.
TEST(Levelseek, CombinesWithTheShellsTools) {
    const TemporaryFolder folder;
    const std::string searches = std::string("levelseek=") + LEVELSEEK_PROGRAM +
                                 "\n"
                                 "$levelseek --seeds -3000..3000 --count 110.. 1000 20 5 3 > a.txt\n"
                                 "$levelseek --seeds -3000..3000 --clear-start 12 1000 20 5 3 > b.txt\n"
                                 "$levelseek --csv --seeds -3000..3000 --count 110.. 1000 20 5 3 > a.csv\n"
                                 "$levelseek --csv --seeds -3000..3000 --clear-start 12 --densest 50: 1000 20 5 3 "
                                 "> b.csv\n"
                                 "export LC_ALL=C\n";
    const std::string recipes[] = {
        "sort -m -n -u a.txt b.txt",
        "grep -vxFf b.txt a.txt",
        "join -t, <(tail -n +2 a.csv | sort -t, -k1,1) <(tail -n +2 b.csv | sort -t, -k1,1) | sort -t, -k1,1n",
    };
    std::string either;
    std::string onlyFirst;
    std::string both;
    for (std::int32_t seed = -3000; seed <= 3000; ++seed) {
        const LevelFigures figures = libraryFigures({seed, 1000, 20, 5, 3}, 50);
        const bool first = figures.count >= 110;
        const bool second = figures.firstX >= 12;
        const std::string row = std::to_string(seed) + "," + std::to_string(figures.count) + "," +
                                std::to_string(figures.firstX) + "," + std::to_string(figures.lastX) + "," +
                                std::to_string(figures.longestGap);
        either += first || second ? std::to_string(seed) + "\n" : "";
        onlyFirst += first && !second ? std::to_string(seed) + "\n" : "";
        both += first && second ? row + row.substr(row.find(',')) + "," + std::to_string(figures.densest) + "\n" : "";
    }
    const std::string expected[] = {either, onlyFirst, both};
    for (std::size_t recipe = 0; recipe < std::size(recipes); ++recipe) {
        SCOPED_TRACE(recipes[recipe]);
        const ProgramRun run = runProgram("/bin/bash", folder.path, "", {"-c", searches + recipes[recipe]});
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_EQ(run.output, expected[recipe]);
    }
}

}  // namespace
