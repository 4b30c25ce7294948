// Runs the real levelview on level files in a temporary folder and checks
// the picture it writes, or the message and the absence of any picture.

#include "program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

void expectWellFormed(const std::filesystem::path& picture) {
    const TemporaryFolder scratch;
    const ProgramRun check = runProgram("/usr/bin/xmllint", scratch.path, "", {"--noout", picture.string()});
    EXPECT_EQ(check.status, 0) << check.errors;
    EXPECT_EQ(check.errors, "");
}

TEST(Levelview, DrawsOneDotPerAsteroid) {
    const TemporaryFolder folder;
    writeFile(folder.path / "level.txt", "3 115 3 1\n600 492 2 -2\n1500 0 1 0\n3000 599 5 -4\n");
    const ProgramRun run = runProgram(LEVELVIEW_PROGRAM, folder.path, "");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output,
              "Image level.svg cr\xE9\xE9"
              "e avec 4 asteroides.\n");
    const std::string svg = readFile(folder.path / "level.svg");
    EXPECT_EQ(occurrences(svg, "<circle "), 4u);
    EXPECT_EQ(occurrences(svg, "<title>level.txt : 4 asteroides</title>"), 1u);
    EXPECT_EQ(occurrences(svg, "<title>600 492 2 -2</title>"), 1u);
    EXPECT_EQ(occurrences(svg, "id=\"note\""), 0u);
    expectWellFormed(folder.path / "level.svg");
}

TEST(Levelview, WritesWhereItIsTold) {
    const TemporaryFolder folder;
    std::filesystem::create_directory(folder.path / "levels");
    writeFile(folder.path / "levels" / "a&b.txt", "1 2 3 4\n");
    const ProgramRun besideTheLevel = runProgram(LEVELVIEW_PROGRAM, folder.path, "", {"levels/a&b.txt"});
    EXPECT_EQ(besideTheLevel.status, 0) << besideTheLevel.errors;
    EXPECT_EQ(occurrences(readFile(folder.path / "levels" / "level.svg"), "a&amp;b.txt : 1 asteroides"), 2u);
    expectWellFormed(folder.path / "levels" / "level.svg");
    const ProgramRun named = runProgram(LEVELVIEW_PROGRAM, folder.path, "", {"-o", "out.svg", "levels/a&b.txt"});
    EXPECT_EQ(named.status, 0) << named.errors;
    EXPECT_TRUE(std::filesystem::exists(folder.path / "out.svg"));
}

TEST(Levelview, SaysAnEmptyLevelIsEmpty) {
    const TemporaryFolder folder;
    writeFile(folder.path / "level.txt", "");
    const ProgramRun run = runProgram(LEVELVIEW_PROGRAM, folder.path, "");
    EXPECT_EQ(run.status, 0) << run.errors;
    const std::string svg = readFile(folder.path / "level.svg");
    EXPECT_EQ(occurrences(svg, "<circle "), 0u);
    EXPECT_EQ(occurrences(svg, "Level vide : aucun asteroide."), 1u);
    expectWellFormed(folder.path / "level.svg");
}

TEST(Levelview, MergesDotsOfALargeLevelAndSaysSo) {
    std::string level;
    for (int index = 0; index < 300000; ++index)
        level += std::to_string(index * 3) + " " + std::to_string(index * 7 % 600) + " " +
                 std::to_string(index % 9 + 1) + " " + std::to_string(index % 11 - 5) + "\n";
    const TemporaryFolder folder;
    writeFile(folder.path / "level.txt", level);
    const ProgramRun run = runProgram(LEVELVIEW_PROGRAM, folder.path, "");
    EXPECT_EQ(run.status, 0) << run.errors;
    const std::string svg = readFile(folder.path / "level.svg");
    EXPECT_EQ(occurrences(svg, "<title>level.txt : 300000 asteroides</title>"), 1u);
    EXPECT_EQ(occurrences(svg, "Points regroup\xE9s"), 1u);
    EXPECT_LE(occurrences(svg, "<circle "), 20000u);
    expectWellFormed(folder.path / "level.svg");
}

TEST(Levelview, RefusesAMalformedLevelAndLeavesNoPicture) {
    struct Case {
        const char* level;
        const char* message;
    };
    const Case cases[] = {
        {"1 2 3 4", "level.txt, ligne 1 : la derni\xE8re ligne ne se termine pas par un saut de ligne.\n"},
        {"1 2 3 4\n\n", "level.txt, ligne 2 : ligne vide.\n"},
        {"1 2 3 4\r\n", "level.txt, ligne 1 : caract\xE8re interdit (octet 0x0D).\n"},
        {"1 2 3 +4\n", "level.txt, ligne 1 : caract\xE8re interdit (octet 0x2B).\n"},
        {"1\t2 3 4\n", "level.txt, ligne 1 : caract\xE8re interdit (octet 0x09).\n"},
        {"1  2 3 4\n", "level.txt, ligne 1 : espace en trop : les nombres sont s\xE9par\xE9s par une seule espace.\n"},
        {" 1 2 3 4\n", "level.txt, ligne 1 : espace en trop : les nombres sont s\xE9par\xE9s par une seule espace.\n"},
        {"1 2 3\n", "level.txt, ligne 1 : 4 nombres sont attendus (x y speedX speedY), la ligne en a 3.\n"},
        {"1 2 3 4 5\n", "level.txt, ligne 1 : 4 nombres sont attendus (x y speedX speedY), la ligne en a 5.\n"},
        {"1 2 3 4-\n", "level.txt, ligne 1 : speedY : \"4-\" n'est pas un nombre entier.\n"},
        {"1 2 - 4\n", "level.txt, ligne 1 : speedX : \"-\" n'est pas un nombre entier.\n"},
        {"01 2 3 4\n",
         "level.txt, ligne 1 : x : \"01\" n'est pas \xE9"
         "crit sous sa forme la plus courte (z\xE9ro en "
         "t\xEAte ou -0).\n"},
        {"1 -0 3 4\n",
         "level.txt, ligne 1 : y : \"-0\" n'est pas \xE9"
         "crit sous sa forme la plus courte (z\xE9ro en "
         "t\xEAte ou -0).\n"},
        {"2147483648 2 3 4\n", "level.txt, ligne 1 : x : 2147483648 sort des entiers sur 32 bits.\n"},
        {"1 2 3 -2147483649\n", "level.txt, ligne 1 : speedY : -2147483649 sort des entiers sur 32 bits.\n"},
        {"1 2 3 99999999999999999999999\n",
         "level.txt, ligne 1 : speedY : 99999999999999999999999 sort des entiers sur 32 bits.\n"},
        {"1 600 3 4\n", "level.txt, ligne 1 : y vaut 600, hors de 0 \xE0 599.\n"},
        {"1 -1 3 4\n", "level.txt, ligne 1 : y vaut -1, hors de 0 \xE0 599.\n"},
        {"5 2 3 4\n5 2 3 4\n4 2 3 4\n",
         "level.txt, ligne 3 : x vaut 4, moins que le x de la ligne pr\xE9"
         "c\xE9"
         "dente (5).\n"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.level);
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", example.level);
        const ProgramRun run = runProgram(LEVELVIEW_PROGRAM, folder.path, "");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, example.message);
        EXPECT_EQ(filesIn(folder.path), 1u) << "a picture or a temporary file was left behind";
    }
}

TEST(Levelview, ReportsWhatItCannotReadOrWrite) {
    struct Case {
        std::vector<std::string> arguments;
        const char* errors;
    };
    const Case cases[] = {
        {{"missing.txt"}, "Impossible de lire le fichier missing.txt.\n"},
        {{"-o", "no/such/folder/x.svg"},
         "Impossible d'\xE9"
         "crire l'image no/such/folder/x.svg.\n"},
        {{"-o"}, "levelview : l'option -o attend le nom de l'image. Voir levelview --help.\n"},
        {{"--verbose"}, "levelview : option inconnue : --verbose. Voir levelview --help.\n"},
        {{"a.txt", "b.txt"}, "levelview : un seul level \xE0 la fois. Voir levelview --help.\n"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.errors);
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", "1 2 3 4\n");
        const ProgramRun run = runProgram(LEVELVIEW_PROGRAM, folder.path, "", example.arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, example.errors);
        EXPECT_EQ(filesIn(folder.path), 1u);
    }
    const TemporaryFolder folder;
    const ProgramRun help = runProgram(LEVELVIEW_PROGRAM, folder.path, "", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage : levelview [LEVEL] [-o IMAGE]\n", 0), 0u);
}

}  // namespace
