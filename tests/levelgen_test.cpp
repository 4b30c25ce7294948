// Runs the real levelgen in a temporary folder and compares everything it
// gives back, byte for byte: standard output, standard error, the exit
// status and "level.txt".

#include "expected_prompts.h"
#include "program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

const std::string prompts(expectedPrompts);

std::string summary(const std::string& count) {
    return "Le level a \xE9t\xE9 cr\xE9\xE9 avec " + count + " asteroides.";
}

const std::string inputError = "Erreur lors de la saisie.\n";
const std::string earlierLevel = "1 2 3 4\n";

ProgramRun runLevelgen(const std::filesystem::path& folder, const std::string& input) {
    return runProgram(LEVELGEN_PROGRAM, folder, input);
}

// Known answers pinned to glibc's random() sequence: after srandom(1) it
// yields 1804289383, 846930886, 1681692777, 1714636915, ... so the first
// line of "1 5 10 6 3" is 1804289383 % 10 = 3, 1714636915 % 600 = 115,
// 1681692777 % 5 + 1 = 3 and 846930886 % 6 - 3 = 1.
TEST(Levelgen, WritesTheLevelDrawnFromTheSeed) {
    struct Case {
        const char* input;
        const char* level;
        const char* count;
    };
    const Case cases[] = {
        {"1 5 10 6 3\n", "3 115 3 1\n6 492 2 -2\n", "2"},
        {"1\n5\n10\n6\n3\n", "3 115 3 1\n6 492 2 -2\n", "2"},
        {"+1 +5 10 6 3 and more\n", "3 115 3 1\n6 492 2 -2\n", "2"},
        {"1 5 10 6 3\r\n", "3 115 3 1\n6 492 2 -2\n", "2"},
        {"1 5 10 6 3x", "3 115 3 1\n6 492 2 -2\n", "2"},
        {"-2147483648 4 7 3 1\n", "3 383 1 -1\n9 63 1 -1\n", "2"},
        // levelLength + |maxDistance| - 2 is exactly 2^31 - 1: accepted.
        {"123 1 -2147483648 2 2\n", "128959393 30 1 -1\n", "1"},
        // maxDistance 2 lets asteroids share an x; maxSpeedX 0 gives speedX 1.
        {"42 3 2 0 -3\n", "0 441 1 3\n0 540 1 7\n1 143 1 8\n2 362 1 3\n2 459 1 3\n3 33 1 3\n", "6"},
        // 2 * 2^30 wraps to -2^31.
        {"7 3 -4 -3 1073741824\n", "1 271 4 790225475\n2 97 3 31822619\n2 121 4 -954889671\n5 120 2 677513702\n", "4"},
        {"1 1 2 2 1\n", "1 115 1 -1\n", "1"},
        // No asteroid: the earlier level is truncated to nothing and any
        // values are accepted, even those the draw could not use.
        {"9 0 0 1 0\n", "", "0"},
        {"9 -2147483648 1 1 -2147483648\n", "", "0"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.input);
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", earlierLevel);
        const ProgramRun run = runLevelgen(folder.path, example.input);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, prompts + summary(example.count));
        EXPECT_EQ(run.errors, "");
        EXPECT_EQ(readFile(folder.path / "level.txt"), example.level);
    }
}

TEST(Levelgen, IgnoresItsArguments) {
    const TemporaryFolder folder;
    const ProgramRun run = runProgram(LEVELGEN_PROGRAM, folder.path, "1 5 10 6 3\n", {"--help", "-o", "x"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, prompts + summary("2"));
    EXPECT_EQ(readFile(folder.path / "level.txt"), "3 115 3 1\n6 492 2 -2\n");
    // A new level is an ordinary file: read and write for all, less the umask of 022.
    EXPECT_EQ(std::filesystem::status(folder.path / "level.txt").permissions(), std::filesystem::perms(0644));
}

// Every refusal comes after all five prompts, with one line on standard
// error, status 1, and an earlier level left exactly as it was.
TEST(Levelgen, RefusesWhatItCannotUse) {
    const std::string distance = "La distance max entre 2 asteroides doit \xEAtre au moins 2 ou au plus -2.\n";
    const std::string overflow =
        "La longueur du level et la distance max sont trop grandes : la longueur plus la distance max "
        "sans son signe, moins 2, doit rester au plus 2147483647.\n";
    const std::string speedX = "La vitesse horizontale maximale doit \xEAtre diff\xE9rente de 1.\n";
    const std::string speedY = "La vitesse verticale maximale doit \xEAtre diff\xE9rente de 0 et de -2147483648.\n";
    struct Case {
        const char* input;
        const std::string& errors;
    };
    const Case cases[] = {
        {"", inputError},
        {"abc\n", inputError},
        {"1 5 10 6\n", inputError},
        {"1 5 10 6 3", inputError},
        {"1 7.5 10 6 3\n", inputError},
        {"1 2147483648 10 6 3\n", inputError},
        {"-2147483649 5 10 6 3\n", inputError},
        {"1 5 10 6 99999999999999999999\n", inputError},
        {"1 5 - 6 3\n", inputError},
        {"1 5 0 6 3\n", distance},
        {"1 5 1 6 3\n", distance},
        {"1 5 -1 6 3\n", distance},
        {"1 1 0 6 3\n", distance},
        {"1 2 -2147483648 6 3\n", overflow},
        {"1 2147483647 3 6 3\n", overflow},
        {"1 5 10 1 3\n", speedX},
        {"1 5 10 6 0\n", speedY},
        {"1 5 10 6 -2147483648\n", speedY},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.input);
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", earlierLevel);
        const ProgramRun run = runLevelgen(folder.path, example.input);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, prompts);
        EXPECT_EQ(run.errors, example.errors);
        EXPECT_EQ(readFile(folder.path / "level.txt"), earlierLevel);
    }
}

// A person at a terminal reads the texts in the locale's character set;
// everything above checks that a pipe still gets the ISO-8859-1 bytes.
TEST(Levelgen, SpeaksTheTerminalsCharacterSet) {
    struct Case {
        std::string input;
        std::string screen;  // the pty turns each line feed into CR LF
    };
    const Case cases[] = {
        {"1 5 10 6 3\n", utf8(prompts + summary("2"))},
        {"1 5 10 1 3\n", utf8(prompts + "La vitesse horizontale maximale doit \xEAtre diff\xE9rente de 1.\r\n")},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.input);
        const TemporaryFolder folder;
        ProgramSetup setup;
        setup.environment = {"LC_ALL=C.UTF-8"};
        ProgramRun run = runProgram("/usr/bin/script", folder.path, example.input,
                                    {"--quiet", "--return", "--command", LEVELGEN_PROGRAM, "/dev/null"}, setup);
        // The terminal echoes what was typed, wherever it falls.
        std::string echo = example.input;
        echo.insert(echo.size() - 1, "\r");
        if (const std::size_t typed = run.output.find(echo); typed != std::string::npos)
            run.output.erase(typed, echo.size());
        EXPECT_EQ(run.output, example.screen);
    }
}

TEST(Levelgen, InputErrorCreatesNoLevelFile) {
    const TemporaryFolder folder;
    const ProgramRun run = runLevelgen(folder.path, "1 5 10 6 3");
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path / "level.txt"));
}

TEST(Levelgen, ReportsALevelFileItCannotOpen) {
    const TemporaryFolder folder;
    std::filesystem::create_directory(folder.path / "level.txt");
    const ProgramRun run = runLevelgen(folder.path, "1 5 10 6 3\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, prompts);
    EXPECT_EQ(run.errors, "Impossible d'ouvrir le fichier.\n");
}

// Whatever cannot be stored, the level file or the summary, ends the run
// with one message and status 1, never with a summary of success.
TEST(Levelgen, ReportsWhatItCannotWrite) {
    const std::string cannotWriteLevel =
        "Impossible d'\xE9"
        "crire dans le fichier.\n";
    const std::string completeLevel = "3 115 3 1\n6 492 2 -2\n";
    struct Case {
        const char* what;
        const char* levelLink;  // level.txt is made a symlink to this, when set
        std::vector<std::string> environment;
        const char* standardOutput;
        std::string output;
        std::string errors;
    };
    const Case cases[] = {
        {"level.txt on a full device", "/dev/full", {}, "", prompts, cannotWriteLevel},
        // ASan checks that it is loaded first, which a preloaded library defeats.
        {"a close that fails",
         nullptr,
         {"LD_PRELOAD=" FAILING_CLOSE_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0"},
         "",
         prompts,
         cannotWriteLevel},
        {"a close of standard output that fails",
         nullptr,
         {"LD_PRELOAD=" FAILING_CLOSE_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0",
          "FAILING_CLOSE_NAME=summary.txt"},
         "summary.txt",
         prompts + summary("2"),
         "Impossible d'\xE9"
         "crire sur la sortie standard.\n"},
        {"standard output on a full device",
         nullptr,
         {},
         "/dev/full",
         "",
         "Impossible d'\xE9"
         "crire sur la sortie standard.\n"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.what);
        const TemporaryFolder folder;
        if (example.levelLink != nullptr)
            std::filesystem::create_symlink(example.levelLink, folder.path / "level.txt");
        ProgramSetup setup;
        setup.environment = example.environment;
        // A relative name is a file in the folder, read back afterwards.
        const bool kept = *example.standardOutput != '\0' && *example.standardOutput != '/';
        setup.standardOutput =
            kept ? folder.path / example.standardOutput : std::filesystem::path(example.standardOutput);
        const ProgramRun run = runProgram(LEVELGEN_PROGRAM, folder.path, "1 5 10 6 3\n", {}, setup);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(kept ? readFile(setup.standardOutput) : run.output, example.output);
        EXPECT_EQ(run.errors, example.errors);
        // The level is complete whenever its own writing went well.
        if (example.levelLink == nullptr) {
            EXPECT_EQ(readFile(folder.path / "level.txt"), completeLevel);
        }
    }
}

}  // namespace
