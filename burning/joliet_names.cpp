#include "burning/joliet_names.h"

#include "base/text_encoding.h"

namespace tv {
namespace {

bool ForbiddenInJoliet(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;  // control characters
    switch (c) {
        case U'*':
        case U'/':
        case U':':
        case U';':
        case U'?':
        case U'\\':
            return true;
        default:
            return false;
    }
}

}  // namespace

std::u16string JolietName(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        std::size_t length = Utf8SequenceLength(utf8, i, cp);
        if (length == 0) {  // a byte that is not UTF-8: its Latin-1 character
            cp = static_cast<unsigned char>(utf8[i]);
            length = 1;
        }
        i += length;
        out += cp > 0xFFFF || ForbiddenInJoliet(cp) ? u'_' : static_cast<char16_t>(cp);
    }
    return out;
}

std::string JolietSafeName(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char16_t c : JolietName(utf8)) AppendUtf8(out, c);
    return out;
}

std::size_t JolietLength(std::string_view utf8) {
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(utf8, i, cp);
        i += length == 0 ? 1 : length;
        ++count;
    }
    return count;
}

std::string LogText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

}  // namespace tv
