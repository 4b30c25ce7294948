// levelview: its picture, pinned whole for a small level and checked for
// its promises on generated ones; its reader, whole and a byte at a time;
// its refusals and messages; and where its output goes, run for real in a
// temporary folder, under a UTF-8 locale unless a test says otherwise.

#include "asteroid_draw.h"
#include "level_reader.h"
#include "level_summary.h"
#include "picture_layout.h"
#include "picture_properties.h"
#include "program_run.h"
#include "sheet_page.h"
#include "svg_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path pictures = fs::path(LEVELGEN_CATALOGUE).parent_path() / "pictures";
const std::string level = "1 2 3 4\n";
const std::string created = utf8(
    " cr\xE9\xE9"
    "e avec 1 asteroide.\n");

ProgramRun runLevelview(const fs::path& folder, const std::vector<std::string>& arguments,
                        const ProgramSetup& setup = {}) {
    ProgramSetup withLocale = setup;
    withLocale.environment.insert(withLocale.environment.begin(), "LC_ALL=C.UTF-8");
    return runProgram(LEVELVIEW_PROGRAM, folder, "", arguments, withLocale);
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void expectWellFormed(const fs::path& picture) {
    const TemporaryFolder scratch;
    const ProgramRun check = runProgram("/usr/bin/xmllint", scratch.path, "", {"--noout", picture.string()});
    EXPECT_EQ(check.status, 0) << check.errors;
    EXPECT_EQ(check.errors, "");
}

// The whole picture of a small level, whose name XML must escape, checked
// by hand: UTF-8, two bands at 1 px per unit, the dots at x + 0.5 and
// y + 0.5 from their band's corner, each speed line ten ticks long, each
// dot's tooltip its line and values, the profile over the whole level at
// 2 px per unit in stretches of 32 units with its axis, and the end mark at
// x = 1300 in the second band.
TEST(Levelview, DrawsASmallLevelExactly) {
    const TemporaryFolder folder;
    const std::string name = "a&b \"small\" \xC3\xA9t\xC3\xA9";
    fs::copy(pictures / "small.txt", folder.path / (name + ".txt"));
    const ProgramRun run = runLevelview(folder.path, {name + ".txt"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.output, "Image " + name + ".svg" +
                              utf8(" cr\xE9\xE9"
                                   "e avec 3 asteroides.\n"));
    EXPECT_EQ(readFile(folder.path / (name + ".svg")), readFile(pictures / "small.svg"));
    expectWellFormed(folder.path / (name + ".svg"));
}

std::vector<Asteroid> drawn(const LevelParameters& parameters) {
    std::vector<Asteroid> asteroids;
    generateLevel(parameters, [&](const Asteroid& asteroid) {
        asteroids.push_back(asteroid);
        return true;
    });
    return asteroids;
}

// Levels of every shape the picture handles: dots, small dots or cells,
// one band or many, thin bands, fast asteroids in small cells, negative
// positions and the widest span there is.
TEST(Levelview, KeepsThePicturesPromises) {
    const std::vector<std::pair<const char*, std::vector<Asteroid>>> levels{
        {"empty", {}},
        {"one asteroid", {{0, 0, 1, 1}}},
        {"tiny", {{1, 100, 3, 5}, {3, 200, 2, -1}, {3, 400, 4, 2}, {7, 599, 1, 0}, {11, 0, 3, 3}}},
        {"example", drawn({42, 1000, 20, 5, 3})},
        {"just under the dot limit", drawn({7, 29000, 4, 10, 10})},
        {"small dots, many bands", drawn({7, 150000, 4, 10, 10})},
        {"small dots, thin bands", drawn({3, 3000000, 200, 10, 10})},
        {"merged, many bands", drawn({7, 700000, 4, 10, 10})},
        {"merged, fast", drawn({9, 150000, 2, 30, 30})},
        {"merged, thin bands", drawn({3, 60000000, 200, 10, 10})},
        {"negative and widest", {{INT32_MIN, 0, 1, -1}, {-5, 599, 2, 2}, {INT32_MAX, 300, INT32_MAX, INT32_MIN}}},
        {"all at one x", std::vector<Asteroid>(25000, Asteroid{7, 599, 3, -3})},
    };
    for (const auto& [name, asteroids] : levels) {
        SCOPED_TRACE(name);
        LevelSummary summary;
        for (const Asteroid& asteroid : asteroids)
            addAsteroid(summary, asteroid);
        const PictureLayout layout = layOutPicture(summary);
        EXPECT_EQ(pictureProblem(asteroids, layout), "");
        EXPECT_EQ(pictureProblem(asteroids, layOutPicture(summary, thumbnailPicture)), "") << "thumbnail";
        // The text draws every shape of the layout, and says when bands are thin.
        const std::string text = pictureText(layout, name);
        EXPECT_EQ(occurrences(text, "</title></rect>"), layout.cells.size() + layout.profile.size());
        EXPECT_EQ(occurrences(text, "</title></circle>"), layout.smallDots ? 0 : layout.dots.size());
        EXPECT_EQ(occurrences(text, "Level trop long"), layout.thinBands ? 1u : 0u);
        // The lines' ticks, stated: 10 for dots; for cells, fewer when the
        // lines would leave them.
        if (layout.bands.empty() || layout.smallDots)
            continue;
        EXPECT_TRUE(layout.cells.empty() ? layout.lineTicks == 10 : layout.lineTicks > 0 && layout.lineTicks <= 10);
        std::ostringstream ticks;
        ticks << layout.lineTicks;
        std::string stated = ticks.str();
        std::replace(stated.begin(), stated.end(), '.', ',');
        EXPECT_EQ(occurrences(text, " en " + stated + (layout.lineTicks < 2 ? " tick," : " ticks,")), 1u);
    }
}

// A level four and a half times denser from x 600000 to 649999 than
// elsewhere: its profile's densest bar and its densest column of cells lie
// there, every cell there is red, and chance alone makes almost no other
// red (the rest is sparser than the average, and may be blue).
TEST(Levelview, ShowsWhereTheLevelIsDense) {
    LevelSummary summary;
    std::uint32_t state = 12345;
    const auto next = [&](std::uint32_t bound) {
        state = state * 1103515245U + 12345U;
        return static_cast<std::int32_t>((state >> 8) % bound);
    };
    for (std::int32_t x = 0; x < 1200000;) {
        x += next(x >= 600000 && x < 650000 ? 3 : 10);
        addAsteroid(summary, {x, next(600), 1, 0});
    }
    const auto dense = [](std::int64_t first, std::int64_t last) { return first >= 600000 && last < 650000; };
    for (const PictureSize& size : {fullPicture, thumbnailPicture}) {
        const PictureLayout layout = layOutPicture(summary, size);
        ASSERT_FALSE(layout.cells.empty());
        const Bar& densest =
            *std::max_element(layout.profile.begin(), layout.profile.end(),
                              [](const Bar& left, const Bar& right) { return left.density < right.density; });
        EXPECT_TRUE(densest.lastX >= 600000 && densest.firstX < 650000) << densest.firstX;
        std::map<std::int64_t, std::uint64_t> columns;
        std::size_t shadedElsewhere = 0;
        for (const Cell& cell : layout.cells) {
            columns[cell.firstX] += cell.count;
            if (dense(cell.firstX, cell.lastX))
                EXPECT_GT(cell.shade, 0.5) << cell.firstX;
            else if (cell.lastX < 600000 || cell.firstX >= 650000)
                shadedElsewhere += cell.shade > 0 ? 1 : 0;
        }
        const auto column = std::max_element(columns.begin(), columns.end(), [](const auto& left, const auto& right) {
            return left.second < right.second;
        });
        EXPECT_TRUE(dense(column->first, column->first + layout.cellWidth - 1)) << column->first;
        EXPECT_LT(shadedElsewhere * 100, layout.cells.size());
    }
}

// Known answers: the most cells of 30 asteroids or more on average, of
// those nearly as many the squarest, a power of two times a divisor of 75
// units wide; small dots where every asteroid can still be told apart.
TEST(Levelview, SizesCellsToHoldEnough) {
    struct Case {
        LevelParameters values;
        std::int64_t cellWidth;
        std::int64_t cellHeight;
        std::vector<std::string> said;  // in the picture, as it is drawn
    };
    const Case cases[] = {
        {{7, 200000, 20, 5, 3},
         0,
         0,
         {"d=\"M83.625 311.125h1.5v1.5h-1.5zM84.875 267.625h1.5v1.5h-1.5z",
          "<text x=\"96\" y=\"72\" id=\"legende\">un petit point par asteroide",
          "<rect x=\"80\" y=\"244\" width=\"4.25\" height=\"150\" id=\"depart\"",
          "<text x=\"83\" y=\"255\" class=\"axe\" paint-order=\"stroke\" stroke=\"white\" "
          "stroke-width=\"3\">d\xC3\xA9part "
          "d\xC3\xA9gag\xC3\xA9 : aucun asteroide avant x = 17</text>"}},
        {{9, 150000, 2, 30, 30},
         96,
         100,
         {"<text x=\"148\" y=\"116\" id=\"legende\">cases de 96 \xC3\x97 100 unit\xC3\xA9s, 32 asteroides en moyenne ;",
          "<rect x=\"80\" y=\"244\" width=\"24\" height=\"25\" fill=\"#f7f7f7\"><title>x de 0 \xC3\xA0 95, y de 0 "
          "\xC3\xA0 "
          "99 : 25 asteroides</title>",
          "<rect x=\"608\" y=\"369\" width=\"24\" height=\"25\" fill=\"#f3e9ea\"><title>x de 2112 \xC3\xA0 2207, y "
          "de 500 \xC3\xA0 599 : 52 asteroides</title>"}},
        {{42, 1900000, 20, 5, 3}, 384, 600, {}},
        {{42, 9500000, 20, 5, 3}, 1024, 300, {}},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.values.levelLength);
        LevelSummary summary;
        generateLevel(example.values, [&](const Asteroid& asteroid) {
            addAsteroid(summary, asteroid);
            return true;
        });
        const PictureLayout layout = layOutPicture(summary, fullPicture, example.values.levelLength);
        EXPECT_EQ(layout.smallDots, example.cellWidth == 0);
        const std::string text = pictureText(layout, "x");
        for (const std::string& said : example.said)
            EXPECT_EQ(occurrences(text, said), 1u) << said;
        EXPECT_EQ(layout.cellWidth, example.cellWidth);
        EXPECT_EQ(layout.cellHeight, example.cellHeight);
    }
}

TEST(Levelview, SaysAnEmptyLevelIsEmpty) {
    const TemporaryFolder folder;
    writeFile(folder.path / "level.txt", "");
    const ProgramRun run = runLevelview(folder.path, {});
    EXPECT_EQ(run.status, 0) << run.errors;
    // Both lines start where the picture's margin ends, not at its edge.
    EXPECT_EQ(occurrences(readFile(folder.path / "level.svg"),
                          "<text x=\"12\" y=\"28\" class=\"titre\" id=\"titre\">level.txt : 0 asteroide</text>\n"
                          "<text x=\"12\" y=\"50\" id=\"note\">Level vide : aucun asteroide.</text>\n"),
              1u);
    // French takes the singular below 2.
    EXPECT_EQ(countedAsteroids(0) + ", " + countedAsteroids(1) + ", " + countedAsteroids(2),
              "0 asteroide, 1 asteroide, 2 asteroides");
    expectWellFormed(folder.path / "level.svg");
}

// Every bad level is refused with the same message whether it is read
// whole or a byte at a time, as from a slow FIFO, and leaves no picture.
TEST(Levelview, RefusesAMalformedLevelAndLeavesNoPicture) {
    struct Case {
        std::string level;
        const char* message;
    };
    const Case cases[] = {
        {"1 2 3 4", "ligne 1 : la derni\xE8re ligne ne se termine pas par un saut de ligne"},
        {"1 2 3 4\n\n", "ligne 2 : ligne vide"},
        {"1 2 3 4\r\n",
         "ligne 1 : fin de ligne Windows (CRLF) : l'octet 0x0D est interdit, une ligne finit par 0x0A seul"},
        {"1 2 3 +4\n", "ligne 1 : caract\xE8re interdit (octet 0x2B)"},
        {"1\t2 3 4\n", "ligne 1 : caract\xE8re interdit (octet 0x09)"},
        {"1  2 3 4\n", "ligne 1 : espace en trop : les nombres sont s\xE9par\xE9s par une seule espace"},
        {" 1 2 3 4\n", "ligne 1 : espace en trop : les nombres sont s\xE9par\xE9s par une seule espace"},
        {"1 2 3\n", "ligne 1 : 4 nombres sont attendus (x y speedX speedY), la ligne en a 3"},
        {"1 2 3 4 5\n", "ligne 1 : 4 nombres sont attendus (x y speedX speedY), la ligne en a davantage"},
        {"1 2 3 4-\n", "ligne 1 : speedY : \"4-\" n'est pas un nombre entier"},
        {"1 2 - 4\n", "ligne 1 : speedX : \"-\" n'est pas un nombre entier"},
        {"01 2 3 4\n",
         "ligne 1 : x : \"01\" n'est pas \xE9"
         "crit sous sa forme la plus courte (z\xE9ro en t\xEAte ou -0)"},
        {"1 -0 3 4\n",
         "ligne 1 : y : \"-0\" n'est pas \xE9"
         "crit sous sa forme la plus courte (z\xE9ro en t\xEAte ou -0)"},
        {"2147483648 2 3 4\n", "ligne 1 : x : 2147483648 sort des entiers sur 32 bits"},
        {"1 2 3 -2147483649\n", "ligne 1 : speedY : -2147483649 sort des entiers sur 32 bits"},
        {"1 2 3 99999999999999999999999\n", "ligne 1 : speedY : 99999999999999999999... sort des entiers sur 32 bits"},
        {"1 2 3 4--------------------------\n",
         "ligne 1 : speedY : \"4-------------------...\" n'est pas un nombre entier"},
        {"1 600 3 4\n", "ligne 1 : y vaut 600, hors de 0 \xE0 599"},
        {"1 -1 3 4\n", "ligne 1 : y vaut -1, hors de 0 \xE0 599"},
        {"1 -2147483648 3 4\n", "ligne 1 : y vaut -2147483648, hors de 0 \xE0 599"},
        {"5 2 3 4\n5 2 3 4\n4 2 3 4\n",
         "ligne 3 : x vaut 4, moins que le x de la ligne pr\xE9"
         "c\xE9"
         "dente (5)"},
        {"1 2 3 4\n" + std::string(5000, '7') + "\n", "ligne 2 : ligne trop longue (plus de 4096 octets)"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.level.substr(0, 40));
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", example.level);
        const ProgramRun run = runLevelview(folder.path, {});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, utf8("level.txt, " + std::string(example.message) + ".\n"));
        EXPECT_EQ(filesIn(folder.path), std::vector<fs::path>{"level.txt"}) << "a picture or a temporary file was left";

        LevelReader reader;
        std::vector<Asteroid> read;
        bool good = true;
        for (std::size_t at = 0; good && at < example.level.size(); ++at)
            good = readLevelChunk(reader, std::string_view(example.level).substr(at, 1), read);
        good = good && finishLevel(reader);
        EXPECT_FALSE(good);
        EXPECT_EQ("ligne " + std::to_string(reader.error.lineNumber) + " : " + reader.error.description,
                  example.message)
            << "a byte at a time";
    }
    // What is certainly wrong is reported before the line feed comes.
    for (const std::string start : {"00", "1 2 3 4\n-01", "5 2 3 4\n4 ", "1 600 ", "1 2 3 4 ", "1  "}) {
        SCOPED_TRACE(start);
        LevelReader reader;
        std::vector<Asteroid> read;
        EXPECT_FALSE(readLevelChunk(reader, start, read));
    }
}

TEST(Levelview, ReportsWhatItCannotReadOrUseAndWhy) {
    struct Case {
        std::vector<std::string> arguments;
        std::string errors;
        ProgramSetup setup = {};
    };
    ProgramSetup full;
    full.standardOutput = "/dev/full";
    ProgramSetup closed;
    closed.closeStandardOutput = true;
    const Case cases[] = {
        {{"missing.txt"}, "Impossible de lire le fichier missing.txt : fichier introuvable.\n"},
        {{"bad\x1B[2J \x7F\x9B\xC2\x9Bname.txt"},
         "Impossible de lire le fichier bad\\x1B[2J \\x7F\\x9B\\xC2\\x9Bname.txt : fichier introuvable.\n"},
        {{"."}, "Impossible de lire le fichier . : c'est un dossier.\n"},
        // A level without line feeds is refused at its first bytes, not read forever.
        {{"-o", "-", "/dev/zero"}, "/dev/zero, ligne 1 : caract\xE8re interdit (octet 0x00).\n"},
        {{"-o", "no/such/folder/x.svg"},
         "Impossible d'\xE9"
         "crire l'image no/such/folder/x.svg : dossier introuvable.\n"},
        {{"-o"}, "levelview : l'option -o attend le nom de l'image. Voir levelview --help.\n"},
        {{"-o", ""}, "levelview : l'option -o attend un nom d'image non vide. Voir levelview --help.\n"},
        {{"--verbose-" + std::string(5000, 'v')},
         "levelview : option inconnue : --verbose-vvvvvvvvvv.... Voir levelview --help.\n"},
        {{"-o", "x.svg", "a.txt", "b.txt"},
         "levelview : l'option -o ne va qu'avec un seul level. Voir levelview --help.\n"},
        {{"--values", "1", "2"},
         "levelview : --values attend cinq valeurs, GRAINE LONGUEUR DISTANCE VITESSE_X VITESSE_Y, et non 2. Voir "
         "levelview --help.\n"},
        {{"--sheet", "1000", "2x", "5", "3"},
         "levelview : --sheet : \"2x\" n'est pas un entier de 32 bits. Voir levelview --help.\n"},
        // Values levelgen refuses, with levelgen's words.
        {{"--values", "42", "1000", "1", "5", "3"},
         "La distance max entre 2 asteroides doit \xEAtre au moins 2 ou au plus -2.\n"},
        {{"--help"},
         "Impossible d'\xE9"
         "crire sur la sortie standard : disque plein.\n",
         full},
        {{"level.txt", "-o", "-"},
         "levelview : la sortie standard est ferm\xE9"
         "e ; choisissez un nom d'image avec -o.\n",
         closed},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.errors);
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", level);
        const ProgramRun run = runLevelview(folder.path, example.arguments, example.setup);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, utf8(example.errors));
        EXPECT_EQ(filesIn(folder.path), std::vector<fs::path>{"level.txt"});
    }
    const TemporaryFolder folder;
    const ProgramRun help = runLevelview(folder.path, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage : levelview [-o IMAGE] [--] [LEVEL...]\n", 0), 0u);
    EXPECT_EQ(runLevelview(folder.path, {"--version"}).output, "levelview " LEVELGEN_VERSION "\n");
}

// Messages are in the character set of the user's locale: UTF-8 under a
// UTF-8 locale, letters without accents under C.
TEST(Levelview, WritesInTheUsersCharacterSet) {
    const TemporaryFolder folder;
    writeFile(folder.path / "level.txt", level);
    fs::create_symlink("level.txt", folder.path / "link.txt");
    const std::string refusal =
        "levelview : l'image link.txt est le level lui-m\xEAme ; choisissez un autre nom avec -o.\n";
    EXPECT_EQ(runLevelview(folder.path, {"-o", "link.txt"}).errors, utf8(refusal));
    ProgramSetup plain;
    plain.environment = {"LC_ALL=C"};
    EXPECT_EQ(runProgram(LEVELVIEW_PROGRAM, folder.path, "", {"-o", "link.txt"}, plain).errors,
              "levelview : l'image link.txt est le level lui-meme ; choisissez un autre nom avec -o.\n");
}

bool isPicture(const std::string& text) {
    return text.rfind("<?xml", 0) == 0 && text.ends_with("</svg>\n") &&
           occurrences(text, "<title>ligne 1 : x 1, y 2, speedX 3, speedY 4</title>") == 1;
}

// Wherever the picture goes, no file is destroyed: not the level, not a
// FIFO or a device, not a symlink, not the stream it shares with others;
// and a lost standard output is an error.
TEST(Levelview, PutsThePictureWhereItBelongsAndDestroysNothing) {
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::function<void(const fs::path&)> prepare;
        int status;
        std::string errors;
        // Checks the folder afterwards, given the run's standard output.
        std::function<void(const fs::path&, const std::string&)> check;
        const char* standardOutput = "";
        std::vector<std::string> environment = {};
    };
    const std::string longName = std::string(251, 'n') + ".svg";
    // 4,089 bytes of "./", a path the system takes whole.
    std::string longPath;
    while (longPath.size() < 4080)
        longPath += "./";
    longPath += "p.svg";
    int fifoReader = -1;
    const Case cases[] = {
        {"the level itself as the picture",
         {"-o", "link.txt"},
         [](const fs::path& folder) { fs::create_symlink("level.txt", folder / "link.txt"); },
         1,
         "levelview : l'image link.txt est le level lui-m\xEAme ; choisissez un autre nom avec -o.\n",
         [](const fs::path& folder, const std::string&) {
             EXPECT_EQ(filesIn(folder), (std::vector<fs::path>{"level.txt", "link.txt"}));
         }},
        {"a loop of symlinks",
         {"-o", "a"},
         [](const fs::path& folder) {
             fs::create_symlink("b", folder / "a");
             fs::create_symlink("a", folder / "b");
         },
         1,
         "Impossible d'\xE9"
         "crire l'image a : trop de liens symboliques, ou une boucle.\n",
         [](const fs::path& folder, const std::string&) {
             EXPECT_TRUE(fs::is_symlink(folder / "a"));
             EXPECT_EQ(fs::read_symlink(folder / "a"), "b");
             EXPECT_EQ(filesIn(folder), (std::vector<fs::path>{"a", "b", "level.txt"}));
         }},
        {"a FIFO",
         {"-o", "fifo"},
         [&](const fs::path& folder) {
             ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
             fifoReader = open((folder / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
         },
         0,
         "",
         [&](const fs::path& folder, const std::string& output) {
             std::string received(1 << 16, '\0');
             received.resize(
                 static_cast<std::size_t>(std::max<ssize_t>(0, read(fifoReader, received.data(), received.size()))));
             close(fifoReader);
             EXPECT_TRUE(isPicture(received));
             EXPECT_TRUE(fs::is_fifo(folder / "fifo"));
             EXPECT_EQ(output, "Image fifo" + created);
         }},
        {"a character device",
         {"-o", "null"},
         [](const fs::path& folder) {
             // Making a device takes root; elsewhere a link to one is the next best.
             if (mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                 fs::create_symlink("/dev/null", folder / "null");
         },
         0,
         "",
         [](const fs::path& folder, const std::string&) {
             EXPECT_TRUE(fs::is_character_file(folder / "null"));
             EXPECT_EQ(filesIn(folder), (std::vector<fs::path>{"level.txt", "null"}));
         }},
        {"a symlink to a picture of another owner, named after the level",
         {"level.txt", "-o", "link.svg"},
         [](const fs::path& folder) {
             fs::create_directory(folder / "pictures");
             writeFile(folder / "pictures" / "old.svg", "old");
             chmod((folder / "pictures" / "old.svg").c_str(), 0640);
             // Giving the file away takes root; elsewhere it stays the user's own.
             if (chown((folder / "pictures" / "old.svg").c_str(), 65534, 65534) != 0) {
                 ASSERT_NE(geteuid(), 0u);
             }
             fs::create_symlink("pictures/old.svg", folder / "link.svg");
         },
         0,
         "",
         [](const fs::path& folder, const std::string&) {
             EXPECT_TRUE(fs::is_symlink(folder / "link.svg"));
             EXPECT_TRUE(isPicture(readFile(folder / "pictures" / "old.svg")));
             EXPECT_EQ(filesIn(folder / "pictures"), std::vector<fs::path>{"old.svg"});
             struct stat status {};
             ASSERT_EQ(stat((folder / "pictures" / "old.svg").c_str(), &status), 0);
             EXPECT_EQ(status.st_mode & 07777, 0640u);
             EXPECT_EQ(status.st_uid, geteuid() == 0 ? 65534u : geteuid());
         }},
        {"standard output",
         {"-o", "-"},
         nullptr,
         0,
         "",
         [](const fs::path& folder, const std::string& output) {
             EXPECT_TRUE(isPicture(output));
             EXPECT_EQ(filesIn(folder), std::vector<fs::path>{"level.txt"});
         }},
        {"standard output by the name of its file",
         {"-o", "/dev/stdout"},
         nullptr,
         0,
         "",
         [](const fs::path& folder, const std::string&) {
             EXPECT_TRUE(isPicture(readFile(folder / "out.svg")));
             EXPECT_EQ(filesIn(folder), (std::vector<fs::path>{"level.txt", "out.svg"}));
         },
         "out.svg"},
        {"standard input",
         {"--", "-"},
         nullptr,
         0,
         "",
         [](const fs::path& folder, const std::string& output) {
             EXPECT_TRUE(isPicture(output));
             EXPECT_EQ(filesIn(folder), std::vector<fs::path>{"level.txt"});
         }},
        {"named after its level",
         {"--", "-mine.txt"},
         [](const fs::path& folder) { fs::copy(folder / "level.txt", folder / "-mine.txt"); },
         0,
         "",
         [](const fs::path& folder, const std::string& output) {
             EXPECT_TRUE(isPicture(readFile(folder / "-mine.svg")));
             EXPECT_EQ(output, "Image -mine.svg" + created);
         }},
        {"a level not named .txt",
         {"plain"},
         [](const fs::path& folder) { fs::copy(folder / "level.txt", folder / "plain"); },
         0,
         "",
         [](const fs::path& folder, const std::string&) { EXPECT_TRUE(isPicture(readFile(folder / "plain.svg"))); }},
        {"the longest name",
         {"-o", longName},
         nullptr,
         0,
         "",
         [&](const fs::path& folder, const std::string&) { EXPECT_TRUE(isPicture(readFile(folder / longName))); }},
        {"the longest path",
         {"-o", longPath},
         nullptr,
         0,
         "",
         [](const fs::path& folder, const std::string&) { EXPECT_TRUE(isPicture(readFile(folder / "p.svg"))); }},
        {"a full standard output",
         {},
         nullptr,
         1,
         "Impossible d'\xE9"
         "crire sur la sortie standard : disque plein.\n",
         [](const fs::path& folder, const std::string&) { EXPECT_TRUE(isPicture(readFile(folder / "level.svg"))); },
         "/dev/full"},
        {"a picture that cannot be synced to the disk",
         {},
         [](const fs::path& folder) { writeFile(folder / "level.svg", "old"); },
         1,
         "Impossible d'\xE9"
         "crire l'image level.svg : erreur d'entr\xE9"
         "e-sortie.\n",
         [](const fs::path& folder, const std::string&) {
             EXPECT_EQ(readFile(folder / "level.svg"), "old");
             EXPECT_EQ(filesIn(folder), (std::vector<fs::path>{"level.svg", "level.txt"}));
         },
         "",
         {"LD_PRELOAD=" FAILING_CLOSE_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0", "FAILING_FSYNC=1"}},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.what);
        const TemporaryFolder folder;
        writeFile(folder.path / "level.txt", level);
        if (example.prepare)
            example.prepare(folder.path);
        ProgramSetup setup;
        setup.environment = example.environment;
        // A relative name is a file in the folder.
        const bool kept = *example.standardOutput != '\0' && *example.standardOutput != '/';
        setup.standardOutput = kept ? folder.path / example.standardOutput : fs::path(example.standardOutput);
        if (example.arguments.size() == 2 && example.arguments[1] == "-" && example.arguments[0] == "--")
            setup.standardInput = folder.path / "level.txt";
        const ProgramRun run = runLevelview(folder.path, example.arguments, setup);
        EXPECT_EQ(run.status, example.status);
        EXPECT_EQ(run.errors, utf8(example.errors));
        example.check(folder.path, run.output);
        EXPECT_EQ(readFile(folder.path / "level.txt"), level);
    }
}

// Interrupted while it waits for the rest of its level, by any signal that
// ends a process, levelview removes its temporary file and ends as the
// signal would have ended it.
TEST(Levelview, RemovesItsTemporaryFileWhenInterrupted) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGXFSZ}) {
        SCOPED_TRACE(strsignal(signal));
        const TemporaryFolder folder;
        const fs::path fifo = folder.path / "input";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        // Held open for writing, so the level never ends.
        const int writer = open(fifo.c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_EQ(write(writer, level.data(), level.size()), static_cast<ssize_t>(level.size()));
        ProgramSetup setup;
        setup.standardInput = fifo;
        setup.limit = std::chrono::milliseconds(300);
        setup.signalAtLimit = signal;
        const ProgramRun run = runLevelview(folder.path, {"-o", "out.svg", "-"}, setup);
        close(writer);
        EXPECT_EQ(run.signal, signal);
        EXPECT_EQ(filesIn(folder.path), std::vector<fs::path>{"input"});
    }
}

// Out of memory, or writing into a file that no longer has a name,
// levelview leaves nothing behind.
TEST(Levelview, LeavesNothingBehind) {
    const TemporaryFolder folder;
    std::string many;
    for (int line = 0; line < 30000; ++line)
        many += std::to_string(line) + " 1 2 3\n";
    writeFile(folder.path / "level.txt", many);
    // AddressSanitizer needs far more address space than this.
#if !defined(__SANITIZE_ADDRESS__)
    ProgramSetup utf8Locale;
    utf8Locale.environment = {"LC_ALL=C.UTF-8"};
    const ProgramRun starved =
        runProgram("/bin/sh", folder.path, "", {"-c", "ulimit -v 12000; exec " LEVELVIEW_PROGRAM}, utf8Locale);
    EXPECT_EQ(starved.status, 1);
    EXPECT_EQ(starved.errors, utf8("levelview : m\xE9moire insuffisante.\n"));
    EXPECT_EQ(filesIn(folder.path), std::vector<fs::path>{"level.txt"});
#endif
    const ProgramRun unnamed = runProgram(
        "/bin/sh", folder.path, "",
        {"-c", "exec 3>gone.svg; rm gone.svg; " LEVELVIEW_PROGRAM " -o /proc/self/fd/3; wc -c </proc/self/fd/3"});
    EXPECT_EQ(unnamed.status, 0) << unnamed.errors;
    EXPECT_EQ(filesIn(folder.path), std::vector<fs::path>{"level.txt"});
}

// Without getrandom() the temporary file is named from the process and the
// attempt; a name already taken, here by the shell that becomes levelview,
// is passed over, neither used nor removed.
TEST(Levelview, NamesItsTemporaryFileWithoutGetrandom) {
    const TemporaryFolder folder;
    writeFile(folder.path / "level.txt", "1 2 3 4\n");
    ProgramSetup setup;
    setup.environment = {"LD_PRELOAD=" FAILING_CLOSE_LIBRARY, "ASAN_OPTIONS=verify_asan_link_order=0",
                         "FAILING_GETRANDOM=1"};
    const ProgramRun run =
        runProgram("/bin/sh", folder.path, "", {"-c", "echo taken >.levelview-$$-0; exec " LEVELVIEW_PROGRAM}, setup);
    EXPECT_EQ(run.status, 0) << run.errors;
    std::vector<fs::path> files = filesIn(folder.path);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(readFile(folder.path / files[0]), "taken\n");
    EXPECT_EQ(std::vector<fs::path>(files.begin() + 1, files.end()), (std::vector<fs::path>{"level.svg", "level.txt"}));
}

// The picture of five values is the picture of the level levelgen writes
// for them, dot for dot; and several levels each get their own picture,
// one that fails stopping none of the others.
TEST(Levelview, DrawsTheValuesAsLevelgenWritesThem) {
    const TemporaryFolder folder;
    ASSERT_EQ(runProgram(LEVELGEN_PROGRAM, folder.path, "-5 1000 20 5 3\n").status, 0);
    const ProgramRun file = runLevelview(folder.path, {});
    // Integers as levelgen reads them.
    const ProgramRun values = runLevelview(folder.path, {"--values", "-05", "+1000", "20", "5", "3"});
    EXPECT_EQ(values.status, 0) << values.errors;
    EXPECT_EQ(values.output, "Image level_-5_1000_20_5_3.svg" + utf8(" cr\xE9\xE9"
                                                                     "e avec 107 asteroides.\n"));
    const std::string fromFile = readFile(folder.path / "level.svg");
    const std::string fromValues = readFile(folder.path / "level_-5_1000_20_5_3.svg");
    // The same dots; the values' picture marks the length asked for and the
    // clear start, which a level file cannot tell.
    const auto dots = [](const std::string& picture) {
        const std::size_t start = picture.find("<path clip-path");
        return picture.substr(start, std::min(picture.find("<g id=\"reperes\">"), picture.find("</svg>")) - start);
    };
    EXPECT_EQ(dots(fromValues), dots(fromFile));
    EXPECT_EQ(occurrences(fromValues, "<title>graine -5, limites 1000 20 5 3 : 107 asteroides</title>"), 1u);
    EXPECT_EQ(occurrences(fromValues, utf8("longueur demand\xE9"
                                           "e : 1000</text>")),
              1u);
    EXPECT_EQ(occurrences(fromValues, "aucun asteroide avant x = 15</text>"), 1u);
    EXPECT_EQ(occurrences(fromFile, "reperes"), 0u);

    fs::copy(folder.path / "level.txt", folder.path / "b.txt");
    const ProgramRun several = runLevelview(folder.path, {"level.txt", "missing.txt", "b.txt"});
    EXPECT_EQ(several.status, 1);
    EXPECT_EQ(several.errors, "Impossible de lire le fichier missing.txt : fichier introuvable.\n");
    EXPECT_EQ(dots(readFile(folder.path / "b.svg")), dots(fromFile));
    EXPECT_EQ(occurrences(several.output, "Image "), 2u);
}

// The sheet of seeds read from standard input: a thumbnail and a full
// picture each, in the input's order, from plain seeds or levelseek's CSV;
// a bad line, or too many seeds, leave no page.
TEST(Levelview, LaysSeedsSideBySideOnASheet) {
    const TemporaryFolder folder;
    const auto sheet = [&](const std::string& input, const std::vector<std::string>& more = {}) {
        writeFile(folder.path / "seeds.txt", input);
        ProgramSetup setup;
        setup.environment = {"LC_ALL=C.UTF-8"};
        setup.standardInput = folder.path / "seeds.txt";
        std::vector<std::string> arguments{"--sheet", "1000", "20", "5", "3"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runProgram(LEVELVIEW_PROGRAM, folder.path, "", arguments, setup);
    };
    const ProgramRun plain = sheet("58\n-5\n116\n");
    EXPECT_EQ(plain.status, 0) << plain.errors;
    EXPECT_EQ(plain.output, utf8("Page sheet.html cr\xE9\xE9"
                                 "e avec 3 graines.\n"));
    const std::string page = readFile(folder.path / "sheet.html");
    EXPECT_LT(page.find("graine 58</b>"), page.find("graine -5</b>"));
    EXPECT_LT(page.find("graine -5</b>"), page.find("graine 116</b>"));
    EXPECT_EQ(occurrences(page, "<figure "), 3u);
    EXPECT_EQ(occurrences(page, "<section class=\"plein\""), 3u);
    EXPECT_EQ(occurrences(page,
                          "117 asteroides, x de 17 \xC3\xA0 1003, plus grand \xC3\xA9"
                          "cart 19"),
              2u);
    // No two pictures share an id.
    EXPECT_EQ(occurrences(page, "id=\"p0-bande0\""), 1u);
    EXPECT_EQ(occurrences(page, "id=\"v2-bande0\""), 1u);
    const ProgramRun csv =
        sheet("seed,count,first_x,last_x,longest_gap,densest_100\n58,117,17,1003,19,14\n", {"-o", "picks.html"});
    EXPECT_EQ(csv.status, 0) << csv.errors;
    EXPECT_EQ(occurrences(readFile(folder.path / "picks.html"),
                          "count 117, first_x 17, last_x 1003, longest_gap 19, densest_100 14"),
              1u);

    std::string many;
    for (int seed = 0; seed <= 100; ++seed)
        many += std::to_string(seed) + "\n";
    struct Case {
        std::string input;
        std::string errors;
    };
    const Case refused[] = {
        {"58\nabc\n",
         "levelview : l'entr\xC3\xA9"
         "e standard, ligne 2 : \"abc\" n'est pas une graine, un entier de "
         "-2147483648 \xC3\xA0 2147483647.\n"},
        {"seed,count,first_x,last_x,longest_gap\n58,117\n",
         "levelview : l'entr\xC3\xA9"
         "e standard, ligne 2 : \"58,117\" n'a pas les 5 colonnes du CSV de levelseek.\n"},
        {many, "levelview : au plus 100 graines sur une page, et la liste en a davantage.\n"},
        {"seed,count,first_x,last_x,longest_gap\n58,<script>x</script>,17,1003,19\n",
         "levelview : l'entr\xC3\xA9"
         "e standard, ligne 2 : \"58,<script>x</script>,17,1003,19\" : la colonne count n'est pas un nombre "
         "entier.\n"},
    };
    for (const Case& example : refused) {
        SCOPED_TRACE(example.errors);
        const ProgramRun run = sheet(example.input, {"-o", "refused.html"});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, example.errors);
        EXPECT_FALSE(fs::exists(folder.path / "refused.html"));
    }
    // The list read is never replaced by its page, however named.
    for (const std::string onto : {"seeds.txt", "/dev/stdin"}) {
        const ProgramRun run = sheet("58\n", {"-o", onto});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.errors, "levelview : la page " + onto +
                                  " est la liste de graines qu'elle lit ; choisissez un autre nom avec -o.\n");
        EXPECT_EQ(readFile(folder.path / "seeds.txt"), "58\n");
    }
    // Whatever a list's columns hold, the page holds it as text.
    SheetEntry hostile;
    hostile.columns = "count <script>alert(1)</script>, \"x\" & y";
    EXPECT_NE(sheetThumbnail(hostile, 0).find("count &lt;script&gt;alert(1)&lt;/script&gt;, &quot;x&quot; &amp; y"),
              std::string::npos);
    // French takes the singular below 2.
    EXPECT_NE(sheetStart({}, 1).find("<h1>1 graine, limites"), std::string::npos);
    EXPECT_NE(sheetStart({}, 2).find("<h1>2 graines, limites"), std::string::npos);
    hostile.count = 1;
    EXPECT_NE(sheetThumbnail(hostile, 0).find("1 asteroide, x de"), std::string::npos);
    hostile.count = 2;
    EXPECT_NE(sheetThumbnail(hostile, 0).find("2 asteroides, x de"), std::string::npos);
}

}  // namespace
