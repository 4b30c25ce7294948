// The seed catalogue: levels whose every byte is pinned. Any change of
// output, from the code or from a C library with another random() sequence,
// fails here and names the entry and the first line that changed.

#include "program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const std::filesystem::path catalogue = LEVELGEN_CATALOGUE;

std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream expectedLines(expected);
    std::istringstream actualLines(actual);
    std::string expectedLine;
    std::string actualLine;
    for (int number = 1;; ++number) {
        const bool moreExpected = static_cast<bool>(std::getline(expectedLines, expectedLine));
        const bool moreActual = static_cast<bool>(std::getline(actualLines, actualLine));
        if (!moreExpected && !moreActual)
            return "the line ends differ";
        if (moreExpected != moreActual || expectedLine != actualLine)
            return "line " + std::to_string(number) + ": expected \"" + (moreExpected ? expectedLine : "<end>") +
                   "\", got \"" + (moreActual ? actualLine : "<end>") + "\"";
    }
}

TEST(Catalogue, EveryEntryGivesItsPinnedLevel) {
    std::ifstream entries(catalogue / "entries.txt");
    ASSERT_TRUE(entries) << "cannot read " << catalogue / "entries.txt";
    int checked = 0;
    for (std::string line; std::getline(entries, line);) {
        if (line.empty() || line.front() == '#')
            continue;
        std::istringstream words(line);
        std::string name;
        std::string values;
        words >> name;
        for (std::string value; words >> value;)
            values += value + ' ';
        values.back() = '\n';

        const TemporaryFolder folder;
        const ProgramRun run = runProgram(LEVELGEN_PROGRAM, folder.path, values);
        const std::string expected = readFile(catalogue / "levels" / (name + ".txt"));
        const std::string actual = readFile(folder.path / "level.txt");
        EXPECT_EQ(run.status, 0) << "catalogue entry " << name << ": " << run.errors;
        if (actual != expected)
            ADD_FAILURE() << "catalogue entry " << name << " changed, " << firstDifference(expected, actual);
        ++checked;
    }
    EXPECT_GE(checked, 12);
}

}  // namespace
