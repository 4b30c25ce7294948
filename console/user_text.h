// What the three programs write for a person to read, in the
// character set of the user's locale. Their texts are kept in one encoding,
// ISO-8859-1 (e acute is the byte 0xE9), and converted on the way out:
// UTF-8 under a UTF-8 locale, unchanged under a Latin-1 one, and letters
// without their accents (e acute as e) where the character set has no such
// letter, as under C or POSIX. levelgen converts its texts only for a
// terminal: scripts that read it through a pipe rely on its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The bytes of ISO-8859-1 above ASCII, 0x80 to 0xFF.
constexpr std::size_t highCharacters = 128;

// How each byte of ISO-8859-1 text is written in one character set.
struct TextCharset {
    bool utf8 = false;                             // the character set is UTF-8
    bool ascii = false;                            // the character set is ASCII alone
    std::array<std::string, highCharacters> high;  // the bytes for 0x80 to 0xFF
};

// Returns the conversion into the character set named codeset, as
// nl_langinfo(CODESET) names it.
TextCharset charsetNamed(const char* codeset);

// Returns latin1Text converted into charset.
std::string converted(const TextCharset& charset, std::string_view latin1Text);

// Returns name, a file name as the system gives it, as a terminal in
// charset can show it without harm: control characters (C0, DEL and C1),
// and bytes that are no character of charset (under UTF-8, bytes that are
// not UTF-8; under ASCII, every byte above 0x7F), are written as \xHH.
std::string shownName(const TextCharset& charset, std::string_view name);

// Returns the characters of name, a file name as the system gives it: read
// as UTF-8 where it is, and every other byte as one ISO-8859-1 character.
std::u32string charactersOf(std::string_view name);

// Adopts the user's locale (setlocale(LC_ALL, "")) and returns its
// character set. Call once, at the start of main().
const TextCharset& adoptUserLocale();

// Returns why the system refused, for errno value error: in French for the
// common reasons, otherwise the C library's own text, either way in the
// user's character set (the result is not to be converted again).
std::string reasonFor(int error);

// Writes bytes whole to descriptor, going on after interruptions. Returns
// 0, or the errno of the failure.
int writeWhole(int descriptor, std::string_view bytes);

// converted() and shownName() for the character set adopted by
// adoptUserLocale(), ASCII before it is called.
std::string forUser(std::string_view latin1Text);
std::string shownName(std::string_view name);

// Returns name as one word of a POSIX shell, quoted where the shell would
// read it otherwise, so that a person can paste it into a command; nothing
// when a terminal in the adopted character set cannot show name as it is
// (a control character, a byte that is no character there).
std::optional<std::string> shellWord(std::string_view name);

// Sets apart, in an ISO-8859-1 text, bytes that come from the user (an
// argument, a line of a file): no argument can hold it, and a NUL byte of
// a file's line is kept within the part as userBytesMark and nulKept.
constexpr char userBytesMark = '\0';
constexpr char nulKept = '\x01';

// Returns bytes set apart by userBytesMark on either side.
std::string markedUserBytes(std::string_view bytes);

// Returns latin1Text for the user, with every part set apart by
// userBytesMark shown as shownName() shows a name.
std::string forUserWithBytes(std::string_view latin1Text);
