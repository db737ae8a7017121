#include "base/text_case.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "base/text_encoding.h"

namespace tv {
namespace {

// A UTF-8 character classification that does not depend on the user's settings.
locale_t Utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "de_DE.UTF-8"}) {
            if (locale_t found = newlocale(LC_CTYPE_MASK, name, locale_t{})) return found;
        }
        return locale_t{};
    }();
    return locale;
}

char32_t MapCaseSlowly(char32_t c, bool upper) {
    const locale_t locale = Utf8Locale();
    if (locale != locale_t{})
        return static_cast<char32_t>(upper ? towupper_l(static_cast<wint_t>(c), locale)
                                           : towlower_l(static_cast<wint_t>(c), locale));
    // Without a UTF-8 locale: ASCII and Latin-1.
    if (upper) {
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
    } else if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
        return c + 32;
    }
    return c;
}

// The characters of two-byte UTF-8 (Latin, Greek, Cyrillic ...) from a table, as
// they are most of the non-ASCII letters of a music collection.
constexpr char32_t kTableEnd = 0x800;

using CaseTable = std::array<char32_t, kTableEnd>;

const CaseTable& TableOf(bool upper) {
    static const auto tables = [] {
        auto mapped = std::make_unique<std::array<CaseTable, 2>>();
        for (char32_t i = 0; i < kTableEnd; ++i) {
            (*mapped)[0][i] = MapCaseSlowly(i, false);
            (*mapped)[1][i] = MapCaseSlowly(i, true);
        }
        return mapped;
    }();
    return (*tables)[upper ? 1 : 0];
}

char32_t MapCase(char32_t c, bool upper) {
    return c < kTableEnd ? TableOf(upper)[c] : MapCaseSlowly(c, upper);
}

// ASCII in upper or lower case: the same under every locale.
struct AsciiTables {
    char Upper[128];
    char Lower[128];
    constexpr AsciiTables() : Upper(), Lower() {
        for (int c = 0; c < 128; ++c) {
            Upper[c] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            Lower[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
    }
};
constexpr AsciiTables kAscii;

char* WriteUtf8(char* write, char32_t c) {
    if (c < 0x80) {
        *write++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *write++ = static_cast<char>(0xC0 | (c >> 6));
        *write++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *write++ = static_cast<char>(0xE0 | (c >> 12));
        *write++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *write++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *write++ = static_cast<char>(0xF0 | (c >> 18));
        *write++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *write++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *write++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return write;
}

void AppendMapped(std::string& out, std::string_view text, bool upper) {
    const char* ascii = upper ? kAscii.Upper : kAscii.Lower;
    const CaseTable& table = TableOf(upper);
    // A mapped character takes at most half as many bytes again (two-byte
    // letters whose other case needs three).
    const std::size_t from = out.size();
    out.resize(from + text.size() + text.size() / 2 + 4);
    char* write = out.data() + from;
    std::size_t i = 0;
    // Eight ASCII bytes at a time: the letters of the case to change get bit 0x20
    // flipped.
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t fromLetter = kOnes * (0x80 - (upper ? 'a' : 'A'));
    const std::uint64_t pastLetter = kOnes * (0x80 - (upper ? 'z' : 'Z') - 1);
    while (i < text.size()) {
        if (i + 8 <= text.size()) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if ((word & kHigh) == 0) {
                const std::uint64_t letters = ((word + fromLetter) & ~(word + pastLetter)) & kHigh;
                word ^= letters >> 2;
                std::memcpy(write, &word, 8);
                write += 8;
                i += 8;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            *write++ = ascii[byte];
            ++i;
            continue;
        }
        if (byte >= 0xC2 && byte <= 0xDF && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            // Two bytes: the table at once.
            write = WriteUtf8(write, table[((byte & 0x1Fu) << 6) |
                                          (static_cast<unsigned char>(text[i + 1]) & 0x3Fu)]);
            i += 2;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(text, i, cp);
        if (length == 0) {
            *write++ = text[i++];  // not UTF-8: kept as it is
            continue;
        }
        write = WriteUtf8(write, MapCase(cp, upper));
        i += length;
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

std::size_t Utf8Length(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

bool UpperInPlace(char* text, std::size_t size) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t fromLetter = kOnes * (0x80 - 'a');
    const std::uint64_t pastLetter = kOnes * (0x80 - 'z' - 1);
    const CaseTable& table = TableOf(true);
    std::size_t i = 0;
    while (i < size) {
        if (i + 8 <= size) {
            std::uint64_t word;
            std::memcpy(&word, text + i, 8);
            if ((word & kHigh) == 0) {
                word ^= (((word + fromLetter) & ~(word + pastLetter)) & kHigh) >> 2;
                std::memcpy(text + i, &word, 8);
                i += 8;
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            text[i] = kAscii.Upper[byte];
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(std::string_view(text, size), i, cp);
        if (length == 0) {
            ++i;  // not UTF-8: kept as it is
            continue;
        }
        const char32_t mapped = cp < kTableEnd ? table[cp] : MapCaseSlowly(cp, true);
        if (Utf8Length(mapped) != length) return false;
        WriteUtf8(text + i, mapped);
        i += length;
    }
    return true;
}

std::string MapText(std::string_view text, bool upper) {
    std::string out;
    out.reserve(text.size());
    AppendMapped(out, text, upper);
    return out;
}

}  // namespace

std::string LowerCase(std::string_view text) {
    return MapText(text, false);
}
std::string UpperCase(std::string_view text) {
    return MapText(text, true);
}
void AppendUpperCase(std::string& out, std::string_view text) {
    AppendMapped(out, text, true);
}
bool UpperCaseInPlace(char* text, std::size_t size) {
    return UpperInPlace(text, size);
}

}  // namespace tv
