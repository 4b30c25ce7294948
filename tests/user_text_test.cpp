// The user's character set: texts converted from ISO-8859-1, file names
// shown without control characters and read as characters, for a UTF-8,
// a Latin-1 and an ASCII locale.

#include "user_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(UserText, ShowsNamesAsTheTerminalCan) {
    const TextCharset utf8 = charsetNamed("UTF-8");
    const TextCharset latin1 = charsetNamed("ISO-8859-1");
    const TextCharset ascii = charsetNamed("ANSI_X3.4-1968");
    struct Case {
        const TextCharset& charset;
        std::string name;
        std::string shown;
    };
    const Case cases[] = {
        {utf8, "caf\xC3\xA9 \xC2\xA0\xE2\x80\xA6\xF0\x9F\x98\x80", "caf\xC3\xA9 \xC2\xA0\xE2\x80\xA6\xF0\x9F\x98\x80"},
        {utf8, "\x1B\x7F\xC2\x80\xC2\x9F", "\\x1B\\x7F\\xC2\\x80\\xC2\\x9F"},
        // A stray byte, a truncated sequence, an overlong form, a surrogate.
        {utf8, "\xE9\xC3", "\\xE9\\xC3"},
        {utf8, "\xE0\x80\xAF\xED\xA0\x80", "\\xE0\\x80\\xAF\\xED\\xA0\\x80"},
        {latin1, "caf\xE9\xA0\x7F\x80\x9F", "caf\xE9\xA0\\x7F\\x80\\x9F"},
        {ascii, "caf\xE9\x80", "caf\\xE9\\x80"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.shown);
        EXPECT_EQ(shownName(example.charset, example.name), example.shown);
    }
    EXPECT_EQ(charactersOf("a\xC3\xA9\xE9\xE2\x80\xA6"), (std::u32string{U'a', 0xE9, 0xE9, 0x2026}));
}

TEST(UserText, ConvertsTextsForTheLocale) {
    const std::string text = "\xC9t\xE9 \xE0 c\xF4t\xE9 \xD7 \xAB\xBB";
    EXPECT_EQ(converted(charsetNamed("UTF-8"), text),
              "\xC3\x89t\xC3\xA9 \xC3\xA0 c\xC3\xB4t\xC3\xA9 \xC3\x97 \xC2\xAB\xC2\xBB");
    EXPECT_EQ(converted(charsetNamed("ISO-8859-1"), text), text);
    EXPECT_EQ(converted(charsetNamed("ANSI_X3.4-1968"), text), "Ete a cote x \"\"");
}

// A user's bytes within a message, a NUL among them, and the text around
// them (still converted after the NUL); a name as a shell word, quoted
// where the shell would read it otherwise, or nothing when it cannot be
// shown as it is. ASCII here, as before the locale is adopted.
TEST(UserText, SetsTheUsersBytesApart) {
    EXPECT_EQ(forUserWithBytes("\xE0 " +
                               markedUserBytes(std::string("5\0\x01"
                                                           "6\0",
                                                           5)) +
                               " \xE0" + markedUserBytes("\xE9")),
              "a 5\\x00\\x016\\x00 a\\xE9");
    struct Case {
        std::string name;
        std::optional<std::string> word;
    };
    const Case cases[] = {
        {"list_1.txt", "list_1.txt"}, {"my list;$(x).txt", "'my list;$(x).txt'"},
        {"it's", "'it'\\''s'"},       {"~x", "'~x'"},
        {"a\x1B[2J", std::nullopt},   {"caf\xC3\xA9", std::nullopt},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.name);
        EXPECT_EQ(shellWord(example.name), example.word);
    }
}

}  // namespace
