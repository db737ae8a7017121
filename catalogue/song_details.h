#pragma once

#include <string>
#include <string_view>

namespace tv {

// Lowers the whole text by Unicode rules, then raises the first character and every
// character that follows a blank, "&", "(", "-", "." or ":" by Unicode rules too
// ("über" becomes "Über", "élise" "Élise"; "ß" has no single upper case and stays).
std::string CapitalizeWords(std::string_view text);

// Seconds as minutes ":" seconds, each with at least two digits ("03:07").
std::string FormatPlayingTime(int seconds);

// The name without one leading and one trailing double quote.
std::string_view StripQuotes(std::string_view name);

// Title, artist and year as a file's path suggests them, before capitalisation:
// from names like "01 - band - title.mp3", "title (band).mp3" or "title.mp3" (the
// folder then names the artist), the year from the start of the name or from the
// first folder that begins with one.
struct PathGuess {
    std::string Title;
    std::string Artist;
    std::string Year;
};
PathGuess GuessFromPath(std::string_view path);

// Compilations tag the performer in the title: with an artist beginning with
// "Various" or "Verschiedene", a title "Singer / Song" (or "Singer - Song") is split
// into artist and title. Returns whether it split.
bool SplitCompilationTitle(std::string& title, std::string& artist);

}  // namespace tv
