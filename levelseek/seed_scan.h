// The scan of a range of seeds: cut into blocks that threads take in turn,
// each block drawn a lane group at a time, and the blocks' matches handed
// back in seed order. Only this file starts threads. The level of every
// match is also drawn again here with the C library's own srandom() and
// random(), the way levelgen draws it, before anyone prints it.
#pragma once

#include "lane_draw.h"
#include "level.h"
#include "level_figures.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

struct ScanSetup {
    LevelParameters parameters;  // the four limits; the seed is not used
    Constraints constraints;
    std::int64_t firstSeed = INT32_MIN;  // the range, inclusive, in ascending signed order
    std::int64_t lastSeed = INT32_MAX;
    unsigned threads = 1;                // at least 1
    const LaneKernel* kernel = nullptr;  // nullptr: the C library's generator, on one thread
};

struct SeedMatch {
    std::int32_t seed = 0;
    LaneFigures lanes;  // the figures as the scan found them
};

enum class ScanStep {
    block,     // the next block in seed order is done; its matches were added
    waiting,   // it is not done yet
    finished,  // every block was handed back
};

struct SeedScan;
struct SeedScanEnd {
    void operator()(SeedScan* scan) const;  // stops the threads, if still running
};
using ScanHandle = std::unique_ptr<SeedScan, SeedScanEnd>;

// Starts the threads on setup's range. REQUIRES: checkParameters() accepts
// setup.parameters, or setup.parameters.levelLength <= 0.
ScanHandle startScan(const ScanSetup& setup);

// Waits up to wait for the next block in seed order and adds its matches,
// in seed order, to matches.
ScanStep takeNextBlock(SeedScan& scan, std::chrono::milliseconds wait, std::vector<SeedMatch>& matches);

// Returns the seeds examined so far, in every block.
std::uint64_t seedsExamined(const SeedScan& scan);

// Stops the threads, then adds, in seed order, every match below the lowest
// seed not yet examined, and returns that seed; returns a seed above the
// range when the whole range was examined.
std::int64_t stopScan(SeedScan& scan, std::vector<SeedMatch>& matches);

// The figures of the level of parameters (their seed included) drawn with
// the C library's srandom() and random(), as levelgen draws it, measuring
// the densest window of `window` units when window > 0. Safe to call from
// any thread: the C library's generator is used by one caller at a time.
LevelFigures libraryFigures(const LevelParameters& parameters, std::int64_t window);

// Returns whether kernel's generator gives, in every lane position, the
// values of the C library's random() after srandom() for a handful of
// seeds (0, 1, -1, the ends of the 32-bit range and a few others).
bool kernelAgreesWithLibrary(const LaneKernel& kernel);

// Draws match's level again with the C library's generator into figures.
// Returns whether they meet the constraints and agree with every figure the
// scan kept; when they do not, the scan is wrong.
bool confirmMatch(const ScanSetup& setup, const SeedMatch& match, LevelFigures& figures);
