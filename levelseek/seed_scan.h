// The scan of a range of seeds: cut into blocks that threads take in turn,
// each block drawn a lane group at a time, and the blocks' matches handed
// back in seed order. Only this file starts threads. The level of every
// match is drawn again with the C library's own generator, the way
// levelgen draws it, by the thread that found it, before the block counts
// as done: what is handed back is confirmed.
#pragma once

#include "lane_draw.h"
#include "level.h"
#include "level_figures.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

// How the C library's generator is drawn from.
enum class LibraryAccess {
    reentrant,  // a state of each caller's own, with srandom_r() and random_r(), on every thread
    locked,     // the process's one, with srandom() and random(), by one caller at a time
};

struct ScanSetup {
    LevelParameters parameters;  // the four limits; the seed is not used
    Constraints constraints;
    std::int64_t firstSeed = INT32_MIN;  // the range, inclusive, in ascending signed order
    std::int64_t lastSeed = INT32_MAX;
    // The seeds to examine, in this order, instead of the range; nullptr
    // for the range. It must outlive the scan.
    const std::vector<std::int32_t>* seeds = nullptr;
    unsigned threads = 1;                // at least 1
    const LaneKernel* kernel = nullptr;  // nullptr: the C library's generator, on one thread
    LibraryAccess library = LibraryAccess::reentrant;
};

// A seed the scan found and the C library's draw confirmed, with the
// figures of that draw.
struct SeedMatch {
    std::int32_t seed = 0;
    LevelFigures figures;
};

enum class ScanStep {
    block,     // the next block in seed order is done; its matches were added
    waiting,   // it is not done yet
    finished,  // every block was handed back
    wrong,     // the C library's draw did not confirm a seed the lanes found: the scan is wrong
    starved,   // a thread ran out of memory
};

struct SeedScan;
struct SeedScanEnd {
    void operator()(SeedScan* scan) const;  // stops the threads, if still running
};
using ScanHandle = std::unique_ptr<SeedScan, SeedScanEnd>;

// Starts the threads on setup's range. REQUIRES: checkParameters() accepts
// setup.parameters, or setup.parameters.levelLength <= 0.
ScanHandle startScan(const ScanSetup& setup);

// Waits up to wait for the next block in order and adds its matches,
// in seed order, to matches. With ScanStep::wrong, the matches below the
// seed that was not confirmed are added, and wrongSeed is set to it.
ScanStep takeNextBlock(SeedScan& scan, std::chrono::milliseconds wait, std::vector<SeedMatch>& matches,
                       std::int32_t& wrongSeed);

// How far the scan has got, for a progress line.
struct ScanTally {
    std::uint64_t seeds = 0;             // of every finished block
    std::uint64_t laneSeeds = 0;         // whose lanes were drawn, finished block or not
    std::uint64_t candidates = 0;        // of those, found by the lanes, to be drawn again
    std::uint64_t laneAsteroids = 0;     // drawn by the lane groups, those of their longest level
    std::uint64_t libraryAsteroids = 0;  // drawn by the C library's draws, a level at a time
};

ScanTally scanTally(const SeedScan& scan);

// Stops the threads at once, dropping the blocks they had not finished,
// then adds, in order, the matches of every finished block before the
// first unfinished one, and returns the place of that block's first seed
// in the order of examination (0 for the range's first seed, or the
// list's): the number of seeds to examine when all of them were.
std::uint64_t stopScan(SeedScan& scan, std::vector<SeedMatch>& matches);

// Returns how the C library's generator can be drawn from: reentrant when
// random_r() after srandom_r() gives the values of random() after srandom()
// for a handful of seeds, locked otherwise.
LibraryAccess libraryAccess();

// What a long draw looks at as it goes: a flag that stops it, read with
// __atomic_load_n, and a count of the asteroids it drew, added to with
// __atomic_fetch_add. Either may be nullptr.
struct DrawWatch {
    const bool* stop = nullptr;
    std::uint64_t* drawn = nullptr;
};

// Draws the level of parameters (their seed included) with the C library's
// generator, as levelgen draws it, into figures, measuring the densest
// window of `window` units when window > 0, in memory that does not grow
// with the level when access is reentrant. Returns false, figures
// unfinished, when *watch.stop became true.
bool libraryFigures(const LevelParameters& parameters, std::int64_t window, LibraryAccess access,
                    const DrawWatch& watch, LevelFigures& figures);
LevelFigures libraryFigures(const LevelParameters& parameters, std::int64_t window);

// Returns whether kernel's generator gives, in every lane position, the
// values of the C library's random() after srandom() for a handful of
// seeds (0, 1, -1, the ends of the 32-bit range and a few others).
bool kernelAgreesWithLibrary(const LaneKernel& kernel);

// Draws the level of seed again with the C library's generator into
// figures. Returns whether they meet the constraints and agree with every
// figure the scan kept in found; when they do not, the scan is wrong.
bool confirmMatch(const ScanSetup& setup, std::int32_t seed, const LaneFigures& found, LevelFigures& figures);
