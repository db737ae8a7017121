#include "catalogue/song_details.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/text_case.h"
#include "base/text_encoding.h"

namespace tv {
namespace {

bool IsDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

int ToNumber(std::string_view digits) {
    int value = 0;
    for (const char c : digits) value = value * 10 + (c - '0');
    return value;
}

// The letters A-Z lowered (no other letter) and "_" as a blank.
std::string Simplify(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c == '_') c = ' ';
    }
    return out;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The year a folder's name gives: its first four characters as 1900..3000, or two
// leading digits of a smaller number as 19xx (above 50) or 20xx.
std::string YearOfFolder(std::string_view folder) {
    const std::string_view first4 = folder.substr(0, 4);
    if (!IsDigits(first4)) return {};
    const int value = ToNumber(first4);
    if (value >= 1900 && value <= 3000) return std::string(first4);
    if (value > 3000) return {};
    const std::string_view first2 = folder.substr(0, 2);
    if (!IsDigits(first2)) return {};
    return (ToNumber(first2) > 50 ? "19" : "20") + std::string(first2);
}

}  // namespace

std::string CapitalizeWords(std::string_view text) {
    if (text.empty()) return {};
    const std::string lowered = LowerCase(text);
    std::string out;
    out.reserve(lowered.size());
    bool raise = true;
    for (std::size_t at = 0; at < lowered.size();) {
        char32_t codePoint = 0;
        const std::size_t length = std::max<std::size_t>(
            Utf8SequenceLength(lowered, at, codePoint), 1);
        const std::string_view character(lowered.data() + at, length);
        // The first letter of a word in upper case, umlauts and accents included;
        // one character stays one ("ß" has no single upper case and stays).
        out += raise ? UpperCase(character) : std::string(character);
        const char c = lowered[at];
        raise = length == 1 && (c == ' ' || c == '&' || c == '(' || c == '-' || c == '.' || c == ':');
        at += length;
    }
    return out;
}

std::string FormatPlayingTime(int seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", seconds / 60, seconds % 60);
    return buffer;
}

std::string_view StripQuotes(std::string_view name) {
    if (name.starts_with('"')) name.remove_prefix(1);
    if (name.ends_with('"')) name.remove_suffix(1);
    return name;
}

PathGuess GuessFromPath(std::string_view path) {
    PathGuess guess;
    const std::size_t slash = path.rfind('/');
    const std::string_view fileName =
        slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::string name = Simplify(fileName);

    const std::string_view first4 = std::string_view(name).substr(0, 4);
    if (IsDigits(first4) && first4.size() == 4) {
        const int value = ToNumber(first4);
        if (value >= 1900 && value <= 3000) guess.Year = std::string(first4);
    }

    // The folders from the top down; the part before the first separator is never
    // looked at.
    std::vector<std::string_view> folders;
    if (slash != std::string_view::npos) {
        std::size_t start = path.find('/');
        while (start < slash) {
            const std::size_t end = path.find('/', start + 1);
            folders.push_back(path.substr(start + 1, end - start - 1));
            start = end;
        }
    }
    for (std::size_t i = 0; guess.Year.empty() && i < folders.size(); ++i)
        guess.Year = YearOfFolder(folders[i]);

    std::size_t skip = 0;
    while (name.size() - skip > 1 &&
           (name[skip] == ' ' || name[skip] == '-' || (name[skip] >= '0' && name[skip] <= '9')))
        ++skip;
    name.erase(0, skip);

    std::string_view rest(name);
    if (const std::size_t dash = rest.find('-'); dash != std::string_view::npos) {
        guess.Artist = std::string(TrimLeft(rest.substr(0, dash)));
        std::string_view title = TrimLeft(TrimRight(rest.substr(dash + 1)));
        title = title.substr(0, title.find('.'));
        guess.Title = std::string(title);
    } else if (const std::size_t open = rest.find('(');
               open != std::string_view::npos && rest.find(')') != std::string_view::npos) {
        const std::string_view after = rest.substr(open + 1);
        guess.Artist = std::string(after.substr(0, after.find(')')));
        guess.Title = std::string(rest.substr(0, open));
    } else {
        guess.Title = std::string(rest.substr(0, rest.find('.')));
    }
    if (guess.Artist.empty() && !folders.empty()) guess.Artist = Simplify(folders.back());
    return guess;
}

bool SplitCompilationTitle(std::string& title, std::string& artist) {
    if (!artist.starts_with("Various") && !artist.starts_with("Verschiedene")) return false;
    std::size_t at = title.find(" / ");
    if (at == std::string::npos) at = title.find(" - ");
    if (at == std::string::npos) return false;
    artist = title.substr(0, at);
    title = title.substr(at + 3);
    return true;
}

}  // namespace tv
