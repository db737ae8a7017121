#include "burning/short_names.h"

#include <algorithm>
#include <cstring>

namespace tv {
namespace {

bool AllowedInShortName(char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    return c != '\0' && std::strchr("$%'-_@~`!(){}^#&", c) != nullptr;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// The characters of a name part as they may stand in a short name.
std::string ShortCharacters(std::string_view part) {
    std::string out;
    for (std::size_t i = 0; i < part.size(); ++i) {
        const auto c = static_cast<unsigned char>(part[i]);
        if (c == ' ' || c == '.') continue;
        if (c >= 0x80) {
            // One "_" for each character, not for each byte of it.
            if ((c & 0xC0) != 0x80) out += '_';
            continue;
        }
        out += AllowedInShortName(static_cast<char>(c)) ? Upper(static_cast<char>(c)) : '_';
    }
    return out;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Upper(c);
    return out;
}

}  // namespace

bool IsValidShortName(std::string_view name) {
    const std::size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    if (dot != std::string_view::npos && extension.empty()) return false;
    for (const char c : base)
        if (!AllowedInShortName(c)) return false;
    for (const char c : extension)
        if (!AllowedInShortName(c)) return false;
    return true;
}

std::string ShortNameFor(std::string_view longName, bool isDirectory,
                         const std::function<bool(const std::string&)>& taken,
                         std::unordered_map<std::string, unsigned>* numbers) {
    if (IsValidShortName(longName)) {
        std::string name = UpperAscii(longName);
        if (!taken(name)) return name;
    }
    // The extension is the text after the last dot that is not a leading one.
    std::string_view trimmed = longName;
    while (!trimmed.empty() && (trimmed.front() == '.' || trimmed.front() == ' '))
        trimmed.remove_prefix(1);
    const std::size_t dot = isDirectory ? std::string_view::npos : trimmed.rfind('.');
    std::string base = ShortCharacters(trimmed.substr(0, dot));
    std::string extension =
        dot == std::string_view::npos ? std::string() : ShortCharacters(trimmed.substr(dot + 1));
    if (base.empty()) base = "_";
    if (extension.size() > 3) extension.resize(3);
    const std::string key = base.substr(0, 6) + "." + extension;  // the stem the aliases share
    unsigned* next = numbers ? &(*numbers)[key] : nullptr;
    for (unsigned number = next && *next ? *next : 1;; ++number) {
        const std::string suffix = "~" + std::to_string(number);
        std::string candidate =
            base.substr(0, 8 - std::min<std::size_t>(suffix.size(), 7)) + suffix;
        if (!extension.empty()) candidate += "." + extension;
        if (!taken(candidate)) {
            if (next) *next = number + 1;
            return candidate;
        }
    }
}

}  // namespace tv
