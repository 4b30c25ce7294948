// Blocks of seeds are numbered in the order of examination: seed order for
// a range, the list's order for a list. A thread takes the next one, but
// never more than a few blocks ahead of the one to hand back next, so that
// what waits in memory does not grow with the range. A block is finished
// when its seeds were examined and its matches confirmed by the C library's
// draw; a block the stop finds unfinished is dropped whole, so that what
// was handed back is always every match before one place.

#include "seed_scan.h"

#include "asteroid_draw.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

namespace {

// A block is a few million asteroids' work, so that a stop, which drops
// the unfinished blocks, loses little of it, and so that every thread has
// blocks to take: 4,096 seeds of short levels, down to 8 seeds of very long
// ones (whose lane group then draws more seeds than it keeps, a small cost
// beside the second draws of long levels).
constexpr std::uint64_t mostSeedsPerBlock = 4096;
constexpr std::uint64_t fewestSeedsPerBlock = 8;
constexpr double asteroidsPerBlock = 1 << 22;
constexpr std::uint64_t blocksAheadPerThread = 4;
constexpr std::size_t checkedValues = 500;
// The state srandom() draws from is the C library's default one, of 128
// bytes; a state of that size gives the same sequence.
constexpr std::size_t libraryStateBytes = 128;
constexpr std::size_t cacheLine = 64;

const std::array<std::uint32_t, 9> checkedSeeds{0, 1, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 2, 42, 0xDEADBEEF, 123456789};

// The process's generator, for the callers that must share it.
std::mutex libraryGenerator;

// One caller's own copy of the C library's generator.
struct LibraryGenerator {
    random_data data{};
    std::array<char, libraryStateBytes> state{};
};

// REQUIRES: generator is not moved afterwards (data points into state).
void seedGenerator(LibraryGenerator& generator, std::uint32_t seed) {
    // random_data must be zero before initstate_r(), or it may take the
    // state for one it already has.
    generator.data = random_data{};
    static_cast<void>(initstate_r(seed, generator.state.data(), generator.state.size(), &generator.data));
    static_cast<void>(srandom_r(seed, &generator.data));
}

std::int32_t nextValue(LibraryGenerator& generator) {
    std::int32_t value = 0;
    static_cast<void>(random_r(&generator.data, &value));
    return value;
}

bool stopRequested(const bool* stop) {
    return stop != nullptr && __atomic_load_n(stop, __ATOMIC_RELAXED);
}

struct Block {
    std::uint64_t first = 0;  // the place of its first seed in the order of examination
    std::uint64_t seeds = 0;
    bool finished = false;
    bool wrong = false;          // a seed the lanes found was not confirmed
    std::int32_t wrongSeed = 0;  // that seed, the last in matches' order
    std::vector<SeedMatch> matches;
};

// A thread's own counts, alone on their cache line, each added to with
// __atomic_fetch_add and read with __atomic_load_n.
struct alignas(cacheLine) ThreadTally {
    std::uint64_t laneAsteroids = 0;
    std::uint64_t libraryAsteroids = 0;
    std::uint64_t laneSeeds = 0;
    std::uint64_t candidates = 0;
};

void add(std::uint64_t& count, std::uint64_t more) {
    __atomic_fetch_add(&count, more, __ATOMIC_RELAXED);
}

// Asteroids a library draw counts at a time.
constexpr std::uint64_t countedTogether = 1024;

enum class Confirmation {
    confirmed,
    refuted,
    stopped,
};

}  // namespace

struct SeedScan {
    ScanSetup setup;
    LaneQuery query;
    std::uint64_t seedsPerBlock = mostSeedsPerBlock;
    std::uint64_t seedCount = 0;  // in the range or the list
    std::uint64_t blockCount = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t nextToClaim = 0;  // guarded by mutex, as are the two below
    std::uint64_t nextToTake = 0;
    std::deque<Block> pending;  // blocks nextToTake to nextToClaim - 1
    bool stop = false;          // read and written with atomic builtins, as the kernels read it
    std::atomic<bool> starved{false};
    std::atomic<std::uint64_t> examined{0};
    std::vector<ThreadTally> tallies;  // one a thread
    std::vector<std::thread> workers;
};

namespace {

std::int32_t seedAt(const SeedScan& scan, std::uint64_t place) {
    if (scan.setup.seeds != nullptr)
        return (*scan.setup.seeds)[place];
    return static_cast<std::int32_t>(scan.setup.firstSeed + static_cast<std::int64_t>(place));
}

Confirmation confirmation(const ScanSetup& setup, std::int32_t seed, const LaneFigures& found, const DrawWatch& watch,
                          LevelFigures& figures) {
    LevelParameters parameters = setup.parameters;
    parameters.seed = seed;
    if (!libraryFigures(parameters, setup.constraints.window, setup.library, watch, figures))
        return Confirmation::stopped;
    if (!meetsConstraints(figures, setup.constraints) || found.rejected)
        return Confirmation::refuted;
    const LevelFigures& kept = found.figures;
    if (setup.parameters.levelLength <= 0 || setup.kernel == nullptr)
        return sameFigures(kept, figures) ? Confirmation::confirmed : Confirmation::refuted;
    const LaneQuery query = makeLaneQuery(setup.parameters, setup.constraints);
    const bool same = kept.firstX == figures.firstX && kept.lastX == figures.lastX &&
                      (!query.keepsCount || kept.count == figures.count) &&
                      (!query.keepsLongestGap || kept.longestGap == figures.longestGap) &&
                      (query.window == 0 || kept.densest == figures.densest);
    return same ? Confirmation::confirmed : Confirmation::refuted;
}

// Confirms a seed the scan found and adds it to the block. Returns false
// when the block cannot be finished: stopped, or the seed refuted.
bool addConfirmed(SeedScan& scan, Block& block, ThreadTally& tally, std::int32_t seed, const LaneFigures& found) {
    LevelFigures figures;
    switch (confirmation(scan.setup, seed, found, {&scan.stop, &tally.libraryAsteroids}, figures)) {
    case Confirmation::confirmed:
        block.matches.push_back({seed, figures});
        return true;
    case Confirmation::refuted:
        block.wrong = true;
        block.wrongSeed = seed;
        return false;
    case Confirmation::stopped:
        break;
    }
    return false;
}

// Returns whether the block was examined whole.
bool examineWithLanes(SeedScan& scan, Block& block, ThreadTally& tally, std::vector<std::int32_t>& ring,
                      std::vector<LaneFigures>& figures) {
    const LaneKernel& kernel = *scan.setup.kernel;
    LaneQuery query = scan.query;
    query.stop = &scan.stop;
    query.drawn = &tally.laneAsteroids;
    std::vector<std::uint32_t> seeds(kernel.lanes);
    for (std::uint64_t offset = 0; offset < block.seeds; offset += kernel.lanes) {
        const std::uint64_t inGroup = std::min<std::uint64_t>(kernel.lanes, block.seeds - offset);
        // A group's lanes past the block's end draw its last seed again.
        for (std::uint64_t lane = 0; lane < kernel.lanes; ++lane)
            seeds[lane] = static_cast<std::uint32_t>(seedAt(scan, block.first + offset + std::min(lane, inGroup - 1)));
        const LaneOutcome outcome = drawLaneGroup(kernel, query, seeds.data(), ring, figures);
        if (outcome == LaneOutcome::stopped)
            return false;
        if (outcome == LaneOutcome::drawn)
            add(tally.candidates, static_cast<std::uint64_t>(std::count_if(
                                      figures.begin(), figures.begin() + static_cast<std::ptrdiff_t>(inGroup),
                                      [&](const LaneFigures& lane) {
                                          return !lane.rejected &&
                                                 meetsConstraints(lane.figures, scan.setup.constraints);
                                      })));
        add(tally.laneSeeds, inGroup);
        for (std::uint64_t lane = 0; lane < inGroup; ++lane) {
            const auto seed = static_cast<std::int32_t>(seeds[lane]);
            // A window wider than the lanes' room: each level of the group
            // is measured by the library's draw alone, which needs no room.
            if (outcome == LaneOutcome::ringTooSmall) {
                LevelParameters parameters = scan.setup.parameters;
                parameters.seed = seed;
                LevelFigures measured;
                if (!libraryFigures(parameters, scan.setup.constraints.window, scan.setup.library,
                                    {&scan.stop, &tally.libraryAsteroids}, measured))
                    return false;
                figures[lane] = {measured, false};
            }
            if (!figures[lane].rejected && meetsConstraints(figures[lane].figures, scan.setup.constraints) &&
                !addConfirmed(scan, block, tally, seed, figures[lane]))
                return false;
        }
    }
    return true;
}

bool examineWithLibrary(SeedScan& scan, Block& block, ThreadTally& tally) {
    LevelParameters parameters = scan.setup.parameters;
    for (std::uint64_t offset = 0; offset < block.seeds; ++offset) {
        parameters.seed = seedAt(scan, block.first + offset);
        LevelFigures figures;
        if (!libraryFigures(parameters, scan.setup.constraints.window, scan.setup.library,
                            {&scan.stop, &tally.libraryAsteroids}, figures))
            return false;
        if (meetsConstraints(figures, scan.setup.constraints) &&
            !addConfirmed(scan, block, tally, parameters.seed, {figures, false}))
            return false;
    }
    return true;
}

// A level of length 0 or less is empty whatever the seed: every seed of a
// block matches, or none does.
bool examineEmptyLevels(SeedScan& scan, Block& block) {
    if (!meetsConstraints(LevelFigures{}, scan.setup.constraints))
        return true;
    for (std::uint64_t offset = 0; offset < block.seeds; ++offset)
        block.matches.push_back({seedAt(scan, block.first + offset), {}});
    return true;
}

void requestStop(SeedScan& scan) {
    {
        const std::lock_guard lock(scan.mutex);
        __atomic_store_n(&scan.stop, true, __ATOMIC_RELAXED);
    }
    scan.changed.notify_all();
}

void examineBlocks(SeedScan& scan, ThreadTally& tally) {
    std::vector<std::int32_t> ring;
    std::vector<LaneFigures> figures;
    const std::uint64_t ahead = blocksAheadPerThread * scan.setup.threads;
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock lock(scan.mutex);
            scan.changed.wait(lock, [&] {
                return stopRequested(&scan.stop) || scan.nextToClaim == scan.blockCount ||
                       scan.nextToClaim < scan.nextToTake + ahead;
            });
            if (stopRequested(&scan.stop) || scan.nextToClaim == scan.blockCount)
                return;
            const std::uint64_t number = scan.nextToClaim++;
            block = &scan.pending.emplace_back();
            block->first = number * scan.seedsPerBlock;
            block->seeds = std::min(scan.seedsPerBlock, scan.seedCount - block->first);
        }
        bool whole = false;
        if (scan.setup.parameters.levelLength <= 0)
            whole = examineEmptyLevels(scan, *block);
        else if (scan.setup.kernel != nullptr)
            whole = examineWithLanes(scan, *block, tally, ring, figures);
        else
            whole = examineWithLibrary(scan, *block, tally);
        {
            const std::lock_guard lock(scan.mutex);
            block->finished = whole || block->wrong;
        }
        if (whole)
            scan.examined += block->seeds;
        scan.changed.notify_all();
    }
}

// Out of memory, a thread can do no more: it stops the scan and says so.
void work(SeedScan& scan, ThreadTally& tally) {
    try {
        examineBlocks(scan, tally);
    } catch (const std::bad_alloc&) {
        scan.starved = true;
        requestStop(scan);
    }
}

void joinWorkers(SeedScan& scan) {
    requestStop(scan);
    for (std::thread& worker : scan.workers) {
        if (worker.joinable())
            worker.join();
    }
}

void addMatches(Block& block, std::vector<SeedMatch>& matches) {
    matches.insert(matches.end(), block.matches.begin(), block.matches.end());
}

}  // namespace

void SeedScanEnd::operator()(SeedScan* scan) const {
    joinWorkers(*scan);
    delete scan;
}

ScanHandle startScan(const ScanSetup& setup) {
    ScanHandle scan(new SeedScan);
    scan->setup = setup;
    if (setup.kernel == nullptr)
        scan->setup.threads = 1;
    if (setup.parameters.levelLength > 0)
        scan->query = makeLaneQuery(setup.parameters, setup.constraints);
    if (setup.parameters.levelLength > 0) {
        // Gaps are (|maxDistance| - 1) / 2 on average.
        const double gap = (std::abs(static_cast<double>(setup.parameters.maxDistance)) - 1) / 2;
        const double asteroids = static_cast<double>(setup.parameters.levelLength) / gap;
        while (scan->seedsPerBlock > fewestSeedsPerBlock &&
               static_cast<double>(scan->seedsPerBlock) * asteroids > asteroidsPerBlock)
            scan->seedsPerBlock /= 2;
    }
    scan->seedCount =
        setup.seeds != nullptr ? setup.seeds->size() : static_cast<std::uint64_t>(setup.lastSeed - setup.firstSeed + 1);
    scan->blockCount = (scan->seedCount + scan->seedsPerBlock - 1) / scan->seedsPerBlock;
    scan->tallies.resize(scan->setup.threads);
    for (unsigned thread = 0; thread < scan->setup.threads; ++thread)
        scan->workers.emplace_back(work, std::ref(*scan), std::ref(scan->tallies[thread]));
    return scan;
}

ScanStep takeNextBlock(SeedScan& scan, std::chrono::milliseconds wait, std::vector<SeedMatch>& matches,
                       std::int32_t& wrongSeed) {
    std::unique_lock lock(scan.mutex);
    const auto ready = [&] {
        return scan.starved || scan.nextToTake == scan.blockCount ||
               (!scan.pending.empty() && scan.pending.front().finished);
    };
    if (!scan.changed.wait_for(lock, wait, ready))
        return ScanStep::waiting;
    if (scan.starved)
        return ScanStep::starved;
    if (scan.nextToTake == scan.blockCount)
        return ScanStep::finished;
    Block& block = scan.pending.front();
    addMatches(block, matches);
    if (block.wrong) {
        wrongSeed = block.wrongSeed;
        return ScanStep::wrong;
    }
    scan.pending.pop_front();
    ++scan.nextToTake;
    lock.unlock();
    scan.changed.notify_all();
    return ScanStep::block;
}

ScanTally scanTally(const SeedScan& scan) {
    ScanTally tally;
    tally.seeds = scan.examined;
    for (const ThreadTally& thread : scan.tallies) {
        tally.laneSeeds += __atomic_load_n(&thread.laneSeeds, __ATOMIC_RELAXED);
        tally.candidates += __atomic_load_n(&thread.candidates, __ATOMIC_RELAXED);
        tally.laneAsteroids += __atomic_load_n(&thread.laneAsteroids, __ATOMIC_RELAXED);
        tally.libraryAsteroids += __atomic_load_n(&thread.libraryAsteroids, __ATOMIC_RELAXED);
    }
    return tally;
}

std::uint64_t stopScan(SeedScan& scan, std::vector<SeedMatch>& matches) {
    joinWorkers(scan);
    for (Block& block : scan.pending) {
        if (!block.finished || block.wrong)
            return block.first;
        addMatches(block, matches);
    }
    return std::min(scan.nextToClaim * scan.seedsPerBlock, scan.seedCount);
}

LibraryAccess libraryAccess() {
    const std::lock_guard lock(libraryGenerator);
    for (const std::uint32_t seed : checkedSeeds) {
        LibraryGenerator own;
        seedGenerator(own, seed);
        srandom(seed);
        for (std::size_t k = 0; k < checkedValues; ++k) {
            if (nextValue(own) != random())
                return LibraryAccess::locked;
        }
    }
    return LibraryAccess::reentrant;
}

bool libraryFigures(const LevelParameters& parameters, std::int64_t window, LibraryAccess access,
                    const DrawWatch& watch, LevelFigures& figures) {
    FigureTracker tracker(window);
    bool finished = true;
    const auto keepGoing = [&] {
        if (watch.drawn != nullptr && tracker.figures.count % countedTogether == 0)
            add(*watch.drawn, countedTogether);
        return finished = !stopRequested(watch.stop);
    };
    if (access == LibraryAccess::reentrant) {
        const auto seed = static_cast<std::uint32_t>(parameters.seed);
        LibraryGenerator leading;
        seedGenerator(leading, seed);
        // The window's trailing edge: the same level, drawn again behind.
        LibraryGenerator trailing;
        if (window > 0)
            seedGenerator(trailing, seed);
        Asteroid behind;
        const auto nextTrailing = [&] {
            drawNextAsteroid(
                parameters, [&] { return nextValue(trailing); }, behind);
            return behind.x;
        };
        drawAsteroids(
            parameters, [&] { return nextValue(leading); },
            [&](const Asteroid& asteroid) {
                addPosition(tracker, asteroid.x, nextTrailing);
                return keepGoing();
            });
    } else {
        // The process's one generator cannot be drawn twice at once: the
        // window's positions are kept instead.
        std::deque<std::int32_t> inWindow;
        const auto nextTrailing = [&] {
            const std::int32_t position = inWindow.front();
            inWindow.pop_front();
            return position;
        };
        const std::lock_guard lock(libraryGenerator);
        generateLevel(parameters, [&](const Asteroid& asteroid) {
            if (window > 0)
                inWindow.push_back(asteroid.x);
            addPosition(tracker, asteroid.x, nextTrailing);
            return keepGoing();
        });
    }
    if (watch.drawn != nullptr)
        add(*watch.drawn, tracker.figures.count % countedTogether);
    figures = tracker.figures;
    return finished;
}

LevelFigures libraryFigures(const LevelParameters& parameters, std::int64_t window) {
    LevelFigures figures;
    libraryFigures(parameters, window, LibraryAccess::reentrant, {}, figures);
    return figures;
}

bool kernelAgreesWithLibrary(const LaneKernel& kernel) {
    std::vector<std::uint32_t> values(checkedValues * kernel.lanes);
    std::vector<std::uint32_t> seeds(kernel.lanes);
    // Each chosen seed takes every lane position in turn, the others filled
    // with the chosen seeds after it.
    for (std::size_t shift = 0; shift < kernel.lanes; ++shift) {
        for (std::size_t lane = 0; lane < kernel.lanes; ++lane)
            seeds[lane] = checkedSeeds[(lane + shift) % checkedSeeds.size()];
        kernel.randomValues(seeds.data(), checkedValues, values.data());
        const std::lock_guard lock(libraryGenerator);
        for (std::size_t lane = 0; lane < kernel.lanes; ++lane) {
            srandom(seeds[lane]);
            for (std::size_t k = 0; k < checkedValues; ++k) {
                if (random() != values[k * kernel.lanes + lane])
                    return false;
            }
        }
    }
    return true;
}

bool confirmMatch(const ScanSetup& setup, std::int32_t seed, const LaneFigures& found, LevelFigures& figures) {
    return confirmation(setup, seed, found, {}, figures) == Confirmation::confirmed;
}
