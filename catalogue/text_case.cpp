#include "catalogue/text_case.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

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

char32_t MapCase(char32_t c, bool upper) {
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

void Append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string MapText(std::string_view text, bool upper) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<std::uint8_t>(text[i]);
        std::size_t length = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
        bool wellFormed = length > 0 && i + length <= text.size();
        char32_t cp = length == 1 ? b0 : length == 2 ? (b0 & 0x1Fu) : length == 3 ? (b0 & 0x0Fu) : (b0 & 0x07u);
        for (std::size_t k = 1; wellFormed && k < length; ++k) {
            const auto b = static_cast<std::uint8_t>(text[i + k]);
            wellFormed = (b & 0xC0) == 0x80;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        if (!wellFormed) {
            out += text[i++];
            continue;
        }
        Append(out, MapCase(cp, upper));
        i += length;
    }
    return out;
}

}  // namespace

std::string LowerCase(std::string_view text) { return MapText(text, false); }
std::string UpperCase(std::string_view text) { return MapText(text, true); }

}  // namespace tv
