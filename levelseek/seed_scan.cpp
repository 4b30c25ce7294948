// Blocks of seeds are numbered in seed order. A thread takes the next one,
// but never more than a few blocks ahead of the one to hand back next, so
// that what waits in memory does not grow with the range. Within a block
// the seeds are examined a lane group at a time, in order, so that a block
// stopped half-way has examined exactly the seeds below its progress.

#include "seed_scan.h"

#include "asteroid_draw.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

constexpr std::uint64_t seedsPerBlock = 4096;
constexpr std::uint64_t blocksAheadPerThread = 4;
constexpr std::size_t checkedValues = 500;

std::mutex libraryGenerator;

struct Block {
    std::int64_t firstSeed = 0;
    std::uint64_t seeds = 0;
    std::uint64_t examined = 0;  // seeds examined, from firstSeed on
    bool finished = false;
    std::vector<SeedMatch> matches;
};

}  // namespace

struct SeedScan {
    ScanSetup setup;
    LaneQuery query;
    std::uint64_t blockCount = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t nextToClaim = 0;  // guarded by mutex, as are the two below
    std::uint64_t nextToTake = 0;
    std::deque<Block> pending;  // blocks nextToTake to nextToClaim - 1
    std::atomic<bool> stopping{false};
    std::atomic<std::uint64_t> examined{0};
    std::vector<std::thread> workers;
};

namespace {

void examineWithLanes(SeedScan& scan, Block& block, std::vector<std::int32_t>& ring) {
    const LaneKernel& kernel = *scan.setup.kernel;
    std::vector<LaneFigures> figures;
    for (std::uint64_t offset = 0; offset < block.seeds && !scan.stopping; offset += kernel.lanes) {
        const auto firstSeed = static_cast<std::uint32_t>(block.firstSeed + static_cast<std::int64_t>(offset));
        drawLaneGroup(kernel, scan.query, firstSeed, ring, figures);
        const std::uint64_t inGroup = std::min<std::uint64_t>(kernel.lanes, block.seeds - offset);
        for (std::uint64_t lane = 0; lane < inGroup; ++lane) {
            if (!figures[lane].rejected && meetsConstraints(figures[lane].figures, scan.setup.constraints))
                block.matches.push_back({static_cast<std::int32_t>(firstSeed + lane), figures[lane]});
        }
        block.examined = offset + inGroup;
        scan.examined += inGroup;
    }
}

void examineWithLibrary(SeedScan& scan, Block& block) {
    LevelParameters parameters = scan.setup.parameters;
    for (std::uint64_t offset = 0; offset < block.seeds && !scan.stopping; ++offset) {
        parameters.seed = static_cast<std::int32_t>(block.firstSeed + static_cast<std::int64_t>(offset));
        const LevelFigures figures = libraryFigures(parameters, scan.setup.constraints.window);
        if (meetsConstraints(figures, scan.setup.constraints))
            block.matches.push_back({parameters.seed, {figures, false}});
        block.examined = offset + 1;
        ++scan.examined;
    }
}

// A level of length 0 or less is empty whatever the seed: every seed of a
// block matches, or none does.
void examineEmptyLevels(SeedScan& scan, Block& block) {
    const bool all = meetsConstraints(LevelFigures{}, scan.setup.constraints);
    for (std::uint64_t offset = 0; offset < block.seeds && !scan.stopping; ++offset) {
        if (all)
            block.matches.push_back(
                {static_cast<std::int32_t>(block.firstSeed + static_cast<std::int64_t>(offset)), {}});
        block.examined = offset + 1;
        ++scan.examined;
    }
}

void work(SeedScan& scan) {
    std::vector<std::int32_t> ring;
    const std::uint64_t ahead = blocksAheadPerThread * scan.setup.threads;
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock lock(scan.mutex);
            scan.changed.wait(lock, [&] {
                return scan.stopping || scan.nextToClaim == scan.blockCount ||
                       scan.nextToClaim < scan.nextToTake + ahead;
            });
            if (scan.stopping || scan.nextToClaim == scan.blockCount)
                return;
            const std::uint64_t number = scan.nextToClaim++;
            const auto firstSeed = scan.setup.firstSeed + static_cast<std::int64_t>(number * seedsPerBlock);
            const auto seeds =
                std::min<std::uint64_t>(seedsPerBlock, static_cast<std::uint64_t>(scan.setup.lastSeed - firstSeed) + 1);
            block = &scan.pending.emplace_back();
            block->firstSeed = firstSeed;
            block->seeds = seeds;
        }
        if (scan.setup.parameters.levelLength <= 0)
            examineEmptyLevels(scan, *block);
        else if (scan.setup.kernel != nullptr)
            examineWithLanes(scan, *block, ring);
        else
            examineWithLibrary(scan, *block);
        {
            const std::lock_guard lock(scan.mutex);
            block->finished = block->examined == block->seeds;
        }
        scan.changed.notify_all();
    }
}

void joinWorkers(SeedScan& scan) {
    {
        const std::lock_guard lock(scan.mutex);
        scan.stopping = true;
    }
    scan.changed.notify_all();
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
    const auto seeds = static_cast<std::uint64_t>(setup.lastSeed - setup.firstSeed + 1);
    scan->blockCount = (seeds + seedsPerBlock - 1) / seedsPerBlock;
    for (unsigned thread = 0; thread < scan->setup.threads; ++thread)
        scan->workers.emplace_back(work, std::ref(*scan));
    return scan;
}

ScanStep takeNextBlock(SeedScan& scan, std::chrono::milliseconds wait, std::vector<SeedMatch>& matches) {
    std::unique_lock lock(scan.mutex);
    const auto ready = [&] {
        return scan.nextToTake == scan.blockCount || (!scan.pending.empty() && scan.pending.front().finished);
    };
    if (!scan.changed.wait_for(lock, wait, ready))
        return ScanStep::waiting;
    if (scan.nextToTake == scan.blockCount)
        return ScanStep::finished;
    addMatches(scan.pending.front(), matches);
    scan.pending.pop_front();
    ++scan.nextToTake;
    lock.unlock();
    scan.changed.notify_all();
    return ScanStep::block;
}

std::uint64_t seedsExamined(const SeedScan& scan) {
    return scan.examined;
}

std::int64_t stopScan(SeedScan& scan, std::vector<SeedMatch>& matches) {
    joinWorkers(scan);
    for (Block& block : scan.pending) {
        addMatches(block, matches);
        if (!block.finished)
            return block.firstSeed + static_cast<std::int64_t>(block.examined);
    }
    return scan.setup.firstSeed + static_cast<std::int64_t>(std::min(
                                      scan.nextToClaim * seedsPerBlock,
                                      static_cast<std::uint64_t>(scan.setup.lastSeed - scan.setup.firstSeed + 1)));
}

LevelFigures libraryFigures(const LevelParameters& parameters, std::int64_t window) {
    FigureTracker tracker(window);
    const std::lock_guard lock(libraryGenerator);
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        addPosition(tracker, asteroid.x);
        return true;
    });
    return tracker.figures;
}

bool kernelAgreesWithLibrary(const LaneKernel& kernel) {
    const std::vector<std::uint32_t> chosen{0, 1, 0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 2, 42, 0xDEADBEEF, 123456789};
    std::vector<std::uint32_t> values(checkedValues * kernel.lanes);
    std::vector<std::uint32_t> seeds(kernel.lanes);
    // Each chosen seed takes every lane position in turn, the others filled
    // with the chosen seeds after it.
    for (std::size_t shift = 0; shift < kernel.lanes; ++shift) {
        for (std::size_t lane = 0; lane < kernel.lanes; ++lane)
            seeds[lane] = chosen[(lane + shift) % chosen.size()];
        kernel.randomValues(seeds.data(), checkedValues, values.data());
        const std::lock_guard lock(libraryGenerator);
        for (std::size_t lane = 0; lane < kernel.lanes; ++lane) {
            srandom(seeds[lane]);
            for (std::size_t k = 0; k < checkedValues; ++k) {
                if (static_cast<std::uint32_t>(random()) != values[k * kernel.lanes + lane])
                    return false;
            }
        }
    }
    return true;
}

bool confirmMatch(const ScanSetup& setup, const SeedMatch& match, LevelFigures& figures) {
    LevelParameters parameters = setup.parameters;
    parameters.seed = match.seed;
    figures = libraryFigures(parameters, setup.constraints.window);
    if (!meetsConstraints(figures, setup.constraints) || match.lanes.rejected)
        return false;
    const LevelFigures& found = match.lanes.figures;
    if (setup.parameters.levelLength <= 0 || setup.kernel == nullptr)
        return sameFigures(found, figures);
    const LaneQuery query = makeLaneQuery(setup.parameters, setup.constraints);
    return found.firstX == figures.firstX && found.lastX == figures.lastX &&
           (!query.keepsCount || found.count == figures.count) &&
           (!query.keepsLongestGap || found.longestGap == figures.longestGap) &&
           (query.window == 0 || found.densest == figures.densest);
}
