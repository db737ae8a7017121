#include "base/text_case.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>

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

void AppendMapped(std::string& out, std::string_view text, bool upper) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            // ASCII maps the same under every locale.
            char c = static_cast<char>(byte);
            if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            out += c;
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(text, i, cp);
        if (length == 0) {
            out += text[i++];  // not UTF-8: kept as it is
            continue;
        }
        AppendUtf8(out, MapCase(cp, upper));
        i += length;
    }
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

}  // namespace tv
