// The conversion is a table made once: each byte above 0x7F is converted on
// its own with iconv, and where the character set lacks the character, its
// letter without accent is taken from the table below instead. glibc's own
// transliteration would give "?" under the C locale.

#include "user_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr unsigned char firstHigh = 0x80;
constexpr unsigned char firstC1 = 0x80;
constexpr unsigned char lastC1 = 0x9F;
constexpr unsigned char firstPrintable = 0x20;
constexpr unsigned char deleteCharacter = 0x7F;
constexpr unsigned char firstFromTable = 0xA0;

// ISO-8859-1 from 0xA0 to 0xFF in plain ASCII, one character each.
constexpr std::string_view withoutAccents =
    " !cL?Y|S\"ca\"--r-"
    "o+23'uP.,1o\"????"
    "AAAAAAACEEEEIIII"
    "DNOOOOOxOUUUUYTs"
    "aaaaaaaceeeeiiii"
    "dnooooo/ouuuuyty";

bool sameName(const char* left, const char* right) {
    return strcasecmp(left, right) == 0;
}

std::string escapedByte(unsigned char byte) {
    std::array<char, sizeof "\\xFF"> code{};
    static_cast<void>(std::snprintf(code.data(), code.size(), "\\x%02X", byte));
    return code.data();
}

// The lead bytes of UTF-8 sequences of two, three and four bytes: their
// range, the bits of the value they carry, and the smallest value that
// length may hold (a smaller one is an overlong form).
struct Utf8Lead {
    unsigned char first;
    unsigned char last;
    std::size_t length;
    unsigned valueBits;
    unsigned smallest;
};
constexpr std::array<Utf8Lead, 3> utf8Leads{{
    {0xC2, 0xDF, 2, 0x1F, 0x80},
    {0xE0, 0xEF, 3, 0x0F, 0x800},
    {0xF0, 0xF4, 4, 0x07, 0x10000},
}};
constexpr unsigned continuationMask = 0xC0;
constexpr unsigned continuationMark = 0x80;
constexpr unsigned continuationBits = 6;
constexpr unsigned continuationValue = 0x3F;
constexpr unsigned largestCodePoint = 0x10FFFF;
constexpr unsigned firstSurrogate = 0xD800;
constexpr unsigned lastSurrogate = 0xDFFF;
constexpr unsigned char c1Lead = 0xC2;  // U+0080 to U+009F are C2 80 to C2 9F

// Returns the length of the UTF-8 sequence at the start of text, or 0 when
// it is not one (a stray, overlong or truncated sequence, a surrogate).
std::size_t utf8Length(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < firstHigh)
        return 1;
    for (const Utf8Lead& kind : utf8Leads) {
        if (lead < kind.first || lead > kind.last)
            continue;
        if (text.size() < kind.length)
            return 0;
        unsigned value = lead & kind.valueBits;
        for (std::size_t index = 1; index < kind.length; ++index) {
            const auto next = static_cast<unsigned char>(text[index]);
            if ((next & continuationMask) != continuationMark)
                return 0;
            value = (value << continuationBits) | (next & continuationValue);
        }
        const bool valid =
            value >= kind.smallest && value <= largestCodePoint && (value < firstSurrogate || value > lastSurrogate);
        return valid ? kind.length : 0;
    }
    return 0;
}

bool opened(iconv_t conversion) {
    return reinterpret_cast<std::intptr_t>(conversion) != -1;
}

// Returns the bytes of one ISO-8859-1 character in the character set of
// conversion, or an empty string when it has no such character.
std::string convertedCharacter(iconv_t conversion, char character) {
    constexpr std::size_t longestCharacter = 8;
    std::array<char, longestCharacter> out{};
    char* inPosition = &character;
    char* outPosition = out.data();
    std::size_t inLeft = 1;
    std::size_t outLeft = out.size();
    std::string result;
    if (iconv(conversion, &inPosition, &inLeft, &outPosition, &outLeft) != static_cast<std::size_t>(-1))
        result.assign(out.data(), outPosition);
    static_cast<void>(iconv(conversion, nullptr, nullptr, nullptr, nullptr));
    return result;
}

TextCharset& adopted() {
    static TextCharset charset = charsetNamed("ANSI_X3.4-1968");
    return charset;
}

}  // namespace

TextCharset charsetNamed(const char* codeset) {
    TextCharset charset;
    charset.utf8 = sameName(codeset, "UTF-8") || sameName(codeset, "UTF8");
    charset.ascii = sameName(codeset, "ANSI_X3.4-1968") || sameName(codeset, "ASCII") || sameName(codeset, "US-ASCII");
    iconv_t conversion = iconv_open(codeset, "ISO-8859-1");
    for (std::size_t index = 0; index < charset.high.size(); ++index) {
        const auto byte = static_cast<unsigned char>(firstHigh + index);
        std::string& result = charset.high[index];
        if (opened(conversion))
            result = convertedCharacter(conversion, static_cast<char>(byte));
        if (result.empty())
            result = byte >= firstFromTable ? std::string(1, withoutAccents[byte - firstFromTable]) : "?";
    }
    if (opened(conversion))
        iconv_close(conversion);
    return charset;
}

std::string converted(const TextCharset& charset, std::string_view latin1Text) {
    std::string result;
    result.reserve(latin1Text.size());
    for (const char character : latin1Text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < firstHigh)
            result += character;
        else
            result += charset.high[byte - firstHigh];
    }
    return result;
}

std::string shownName(const TextCharset& charset, std::string_view name) {
    std::string result;
    while (!name.empty()) {
        const auto byte = static_cast<unsigned char>(name[0]);
        std::size_t length = 1;
        if (charset.utf8 && byte >= firstHigh) {
            length = utf8Length(name);
            const bool control = length == 2 && byte == c1Lead && static_cast<unsigned char>(name[1]) <= lastC1;
            if (length == 0 || control) {
                result += escapedByte(byte);
                if (control)
                    result += escapedByte(static_cast<unsigned char>(name[1]));
                name.remove_prefix(control ? 2 : 1);
                continue;
            }
        } else if (byte < firstPrintable || byte == deleteCharacter || (byte >= firstC1 && byte <= lastC1) ||
                   (charset.ascii && byte >= firstHigh)) {
            result += escapedByte(byte);
            name.remove_prefix(1);
            continue;
        }
        result.append(name.substr(0, length));
        name.remove_prefix(length);
    }
    return result;
}

std::u32string charactersOf(std::string_view name) {
    std::u32string characters;
    while (!name.empty()) {
        const std::size_t length = utf8Length(name);
        const auto lead = static_cast<unsigned char>(name[0]);
        if (length <= 1) {
            characters += static_cast<char32_t>(lead);
            name.remove_prefix(1);
            continue;
        }
        char32_t value = lead & utf8Leads.at(length - 2).valueBits;
        for (std::size_t index = 1; index < length; ++index)
            value = (value << continuationBits) | (static_cast<unsigned char>(name[index]) & continuationValue);
        characters += value;
        name.remove_prefix(length);
    }
    return characters;
}

std::string reasonFor(int error) {
    struct Reason {
        int error;
        std::string_view text;
    };
    static constexpr std::array<Reason, 15> reasons{{
        {ENOENT, "fichier introuvable"},
        {EACCES,
         "permission refus\xE9"
         "e"},
        {EPERM,
         "permission refus\xE9"
         "e"},
        {EISDIR, "c'est un dossier"},
        {ENOTDIR, "un \xE9l\xE9ment du chemin n'est pas un dossier"},
        {ENOSPC, "disque plein"},
        {EDQUOT, "quota de disque d\xE9pass\xE9"},
        {EROFS, "syst\xE8me de fichiers en lecture seule"},
        {ENAMETOOLONG, "nom trop long"},
        {ELOOP, "trop de liens symboliques, ou une boucle"},
        {EIO,
         "erreur d'entr\xE9"
         "e-sortie"},
        {EFBIG, "fichier trop gros"},
        {ENOMEM, "m\xE9moire insuffisante"},
        {EPIPE, "le tube n'a plus de lecteur"},
        {EBADF, "descripteur de fichier ferm\xE9 ou invalide"},
    }};
    for (const Reason& reason : reasons) {
        if (reason.error == error)
            return forUser(reason.text);
    }
    return std::strerror(error);
}

const TextCharset& adoptUserLocale() {
    static_cast<void>(std::setlocale(LC_ALL, ""));
    adopted() = charsetNamed(nl_langinfo(CODESET));
    return adopted();
}

int writeWhole(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

std::string forUser(std::string_view latin1Text) {
    return converted(adopted(), latin1Text);
}

std::string shownName(std::string_view name) {
    return shownName(adopted(), name);
}

std::optional<std::string> shellWord(std::string_view name) {
    if (shownName(name) != name)
        return std::nullopt;
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char character) {
        return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
               (character >= '0' && character <= '9') ||
               std::string_view("%+,-./:=@_").find(character) != std::string_view::npos;
    });
    if (plain)
        return std::string(name);
    std::string word = "'";
    for (const char character : name)
        word += character == '\'' ? std::string("'\\''") : std::string(1, character);
    return word + "'";
}

std::string markedUserBytes(std::string_view bytes) {
    std::string marked(1, userBytesMark);
    for (const char byte : bytes) {
        marked += byte;
        if (byte == userBytesMark)
            marked += nulKept;
    }
    return marked + userBytesMark;
}

// A part set apart ends at a mark that nulKept does not follow.
std::string forUserWithBytes(std::string_view latin1Text) {
    std::string shown;
    std::string userBytes;
    bool inUserBytes = false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = latin1Text.find(userBytesMark, start);
        const std::string_view part = latin1Text.substr(start, end - start);
        if (!inUserBytes)
            shown += forUser(part);
        else
            userBytes += part;
        if (end == std::string_view::npos)
            return inUserBytes ? shown + shownName(userBytes) : shown;
        start = end + 1;
        if (inUserBytes && start < latin1Text.size() && latin1Text[start] == nulKept) {
            userBytes += userBytesMark;
            ++start;
            continue;
        }
        if (inUserBytes)
            shown += shownName(userBytes);
        userBytes.clear();
        inUserBytes = !inUserBytes;
    }
}
