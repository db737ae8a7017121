#include "base/text_encoding.h"

#include <array>
#include <cstdint>

namespace tv {
namespace {

// Code points of the bytes 0x80..0x9F in Windows-1252; the undefined ones keep their
// own value (as the system converter does).
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos, char32_t& cp) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t b0 = byte(pos);
    const std::size_t rest = text.size() - pos;
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        if (rest < 2 || (byte(pos + 1) & 0xC0) != 0x80) return 0;
        cp = ((b0 & 0x1Fu) << 6) | (byte(pos + 1) & 0x3Fu);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (rest < 3) return 0;
        const std::uint8_t b1 = byte(pos + 1), b2 = byte(pos + 2);
        if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) return 0;
        if (b0 == 0xE0 && b1 < 0xA0) return 0;   // overlong
        if (b0 == 0xED && b1 >= 0xA0) return 0;  // surrogate
        cp = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (rest < 4) return 0;
        const std::uint8_t b1 = byte(pos + 1), b2 = byte(pos + 2), b3 = byte(pos + 3);
        if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80 || (b3 & 0xC0) != 0x80) return 0;
        if (b0 == 0xF0 && b1 < 0x90) return 0;   // overlong
        if (b0 == 0xF4 && b1 >= 0x90) return 0;  // beyond U+10FFFF
        cp = ((b0 & 0x07u) << 18) | ((b1 & 0x3Fu) << 12) | ((b2 & 0x3Fu) << 6) | (b3 & 0x3Fu);
        return 4;
    }
    return 0;
}

std::size_t CountCharacters(std::string_view utf8) {
    std::size_t count = 0;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    const std::size_t size = text.size();
    while (pos < size) {
        // Skip ASCII eight bytes at a time: list files are mostly ASCII.
        while (pos + 8 <= size) {
            std::uint64_t chunk;
            __builtin_memcpy(&chunk, text.data() + pos, 8);
            if (chunk & 0x8080808080808080ull) break;
            pos += 8;
        }
        if (pos >= size) break;
        if (static_cast<std::uint8_t>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        char32_t cp;
        const std::size_t len = Utf8SequenceLength(text, pos, cp);
        if (len == 0) return false;
        pos += len;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else if (b < 0xA0) {
            AppendUtf8(out, kHighControls[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string Utf8ToWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t cp = 0;
        const std::size_t len = Utf8SequenceLength(text, pos, cp);
        if (len == 0) {
            out.push_back(text[pos]);
            ++pos;
            continue;
        }
        pos += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kHighControls.size(); ++i) {
            if (kHighControls[i] == cp) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        }
        out.push_back(mapped);
    }
    return out;
}

std::string DecodeByteOrderMark(std::string text) {
    if (text.starts_with("\xEF\xBB\xBF")) return text.substr(3);
    const bool little = text.starts_with("\xFF\xFE"), big = text.starts_with("\xFE\xFF");
    if (!little && !big) return text;
    const auto unit = [&](std::size_t at) -> char32_t {
        const auto low = static_cast<unsigned char>(text[at + (little ? 0 : 1)]);
        const auto high = static_cast<unsigned char>(text[at + (little ? 1 : 0)]);
        return static_cast<char32_t>(high << 8 | low);
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 2; at + 1 < text.size(); at += 2) {
        char32_t c = unit(at);
        if (c >= 0xD800 && c < 0xDC00 && at + 3 < text.size()) {
            const char32_t next = unit(at + 2);
            if (next >= 0xDC00 && next < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                at += 2;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;  // a lone surrogate
        AppendUtf8(out, c);
    }
    return out;
}

std::string DecodeFileText(std::string text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
    if (IsValidUtf8(text)) return text;
    return Windows1252ToUtf8(text);
}

}  // namespace tv
