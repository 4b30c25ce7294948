// The draw's ranges, stop rule and parameter check, in-process.

#include "asteroid_draw.h"
#include "run.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<Asteroid> drawAll(const LevelParameters& parameters) {
    std::vector<Asteroid> level;
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        level.push_back(asteroid);
        return true;
    });
    return level;
}

struct Range {
    std::int64_t lowest;
    std::int64_t highest;
};

// Every value lies in the range, and with a few thousand asteroids both
// ends of a small range are reached.
void expectSpans(const std::vector<std::int64_t>& values, Range range, const char* what) {
    SCOPED_TRACE(what);
    ASSERT_FALSE(values.empty());
    std::int64_t lowest = values.front();
    std::int64_t highest = values.front();
    for (const std::int64_t value : values) {
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);
    }
    EXPECT_EQ(lowest, range.lowest);
    EXPECT_EQ(highest, range.highest);
}

TEST(AsteroidDraw, KeepsEveryValueInItsRange) {
    struct Case {
        LevelParameters parameters;
        Range gap, speedX, speedY;
    };
    const Case cases[] = {
        {{1, 5000, 10, 6, 3}, {0, 9}, {1, 5}, {-3, 2}},
        {{-7, 5000, -10, 0, -3}, {0, 9}, {1, 1}, {3, 8}},
        {{99, 3000, 2, -3, 1}, {0, 1}, {1, 4}, {-1, 0}},
        {{5, 3000, 3, 2, -1}, {0, 2}, {1, 1}, {1, 2}},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.parameters.seed);
        const std::vector<Asteroid> level = drawAll(example.parameters);
        std::vector<std::int64_t> gaps, ys, speedXs, speedYs;
        std::int32_t previousX = 0;
        for (const Asteroid& asteroid : level) {
            gaps.push_back(asteroid.x - previousX);
            previousX = asteroid.x;
            ys.push_back(asteroid.y);
            speedXs.push_back(asteroid.speedX);
            speedYs.push_back(asteroid.speedY);
        }
        expectSpans(gaps, example.gap, "gap");
        expectSpans(ys, {0, 599}, "y");
        expectSpans(speedXs, example.speedX, "speedX");
        expectSpans(speedYs, example.speedY, "speedY");
    }
}

TEST(AsteroidDraw, StopsWithTheFirstAsteroidAtOrBeyondTheLength) {
    for (const std::int32_t length : {1, 2, 17, 1000}) {
        SCOPED_TRACE(length);
        const std::vector<Asteroid> level = drawAll({3, length, 7, 4, 4});
        ASSERT_FALSE(level.empty());
        for (std::size_t index = 0; index + 1 < level.size(); ++index)
            EXPECT_LT(level[index].x, length);
        EXPECT_GE(level.back().x, length);
        EXPECT_LE(level.back().x, length + 7 - 2);
    }
    EXPECT_TRUE(drawAll({3, 0, 7, 4, 4}).empty());
    EXPECT_TRUE(drawAll({3, -5, 0, 1, 0}).empty());
}

TEST(AsteroidDraw, SameValuesGiveTheSameLevel) {
    const std::vector<Asteroid> first = drawAll({11, 200, 9, 5, 5});
    const std::vector<Asteroid> again = drawAll({11, 200, 9, 5, 5});
    const std::vector<Asteroid> otherSeed = drawAll({12, 200, 9, 5, 5});
    ASSERT_EQ(first.size(), again.size());
    for (std::size_t index = 0; index < first.size(); ++index) {
        EXPECT_EQ(first[index].x, again[index].x);
        EXPECT_EQ(first[index].y, again[index].y);
        EXPECT_EQ(first[index].speedX, again[index].speedX);
        EXPECT_EQ(first[index].speedY, again[index].speedY);
    }
    bool differs = first.size() != otherSeed.size();
    for (std::size_t index = 0; !differs && index < first.size(); ++index)
        differs = first[index].y != otherSeed[index].y;
    EXPECT_TRUE(differs);
}

TEST(AsteroidDraw, EndsWhenTheReceiverSaysSo) {
    int calls = 0;
    generateLevel({1, 1000, 10, 6, 3}, [&](const Asteroid&) { return ++calls < 3; });
    EXPECT_EQ(calls, 3);
}

TEST(CheckParameters, RefusesExactlyWhatTheDrawCannotUse) {
    const std::int32_t largest = INT32_MAX;
    const std::int32_t smallest = INT32_MIN;
    struct Case {
        LevelParameters parameters;
        Failure expected;
    };
    const Case cases[] = {
        {{0, 5, 10, 6, 3}, Failure::none},
        {{0, 5, 2, 0, 1}, Failure::none},
        {{0, 5, -2, 2, -1}, Failure::none},
        {{0, 5, 10, smallest, largest}, Failure::none},
        {{0, 0, 0, 1, 0}, Failure::none},
        {{0, smallest, 1, 1, smallest}, Failure::none},
        {{0, 5, 0, 6, 3}, Failure::unsupportedDistance},
        {{0, 5, 1, 6, 3}, Failure::unsupportedDistance},
        {{0, 5, -1, 6, 3}, Failure::unsupportedDistance},
        {{0, 1, smallest, 6, 3}, Failure::none},
        {{0, 2, smallest, 6, 3}, Failure::positionOverflow},
        {{0, largest, 2, 6, 3}, Failure::none},
        {{0, largest, 3, 6, 3}, Failure::positionOverflow},
        {{0, largest - 10, -12, 6, 3}, Failure::none},
        {{0, largest - 10, -13, 6, 3}, Failure::positionOverflow},
        {{0, 5, 10, 1, 3}, Failure::unsupportedSpeedX},
        {{0, 5, 10, 6, 0}, Failure::unsupportedSpeedY},
        {{0, 5, 10, 6, smallest}, Failure::unsupportedSpeedY},
    };
    for (const Case& example : cases) {
        const LevelParameters& p = example.parameters;
        SCOPED_TRACE(testing::Message() << p.levelLength << ' ' << p.maxDistance << ' ' << p.maxSpeedX << ' '
                                        << p.maxSpeedY);
        EXPECT_EQ(checkParameters(p), example.expected);
    }
}

}  // namespace
