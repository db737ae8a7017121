#include "metadata/id3_genres.h"

namespace tv {

const std::array<std::string_view, 126> ID3Genres = {"Blues",
                                                     "Classic Rock",
                                                     "Country",
                                                     "Dance",
                                                     "Disco",
                                                     "Funk",
                                                     "Grunge",
                                                     "Hip-Hop",
                                                     "Jazz",
                                                     "Metal",
                                                     "New Age",
                                                     "Oldies",
                                                     "Other",
                                                     "Pop",
                                                     "R&B",
                                                     "Rap",
                                                     "Reggae",
                                                     "Rock",
                                                     "Techno",
                                                     "Industrial",
                                                     "Alternative",
                                                     "Ska",
                                                     "Death Metal",
                                                     "Pranks",
                                                     "Soundtrack",
                                                     "Euro-Techno",
                                                     "Ambient",
                                                     "Trip-Hop",
                                                     "Vocal",
                                                     "Jazz+Funk",
                                                     "Fusion",
                                                     "Trance",
                                                     "Classical",
                                                     "Instrumental",
                                                     "Acid",
                                                     "House",
                                                     "Game",
                                                     "Sound Clip",
                                                     "Gospel",
                                                     "Noise",
                                                     "AlternRock",
                                                     "Bass",
                                                     "Soul",
                                                     "Punk",
                                                     "Space",
                                                     "Meditative",
                                                     "Instrumental Pop",
                                                     "Instrumental Rock",
                                                     "Ethnic",
                                                     "Gothic",
                                                     "Darkwave",
                                                     "Techno-Industrial",
                                                     "Electronic",
                                                     "Pop-Folk",
                                                     "Eurodance",
                                                     "Dream",
                                                     "Southern Rock",
                                                     "Comedy",
                                                     "Cult",
                                                     "Gangsta",
                                                     "Top 40",
                                                     "Christian Rap",
                                                     "Pop/Funk",
                                                     "Jungle",
                                                     "Native American",
                                                     "Cabaret",
                                                     "New Wave",
                                                     "Psychadelic",
                                                     "Rave",
                                                     "Showtunes",
                                                     "Trailer",
                                                     "Lo-Fi",
                                                     "Tribal",
                                                     "Acid Punk",
                                                     "Acid Jazz",
                                                     "Polka",
                                                     "Retro",
                                                     "Musical",
                                                     "Rock & Roll",
                                                     "Hard Rock",
                                                     "Folk",
                                                     "Folk-Rock",
                                                     "National Folk",
                                                     "Swing",
                                                     "Fast Fusion",
                                                     "Bebob",
                                                     "Latin",
                                                     "Revival",
                                                     "Celtic",
                                                     "Bluegrass",
                                                     "Avantgarde",
                                                     "Gothic Rock",
                                                     "Progressive Rock",
                                                     "Psychedelic Rock",
                                                     "Symphonic Rock",
                                                     "Slow Rock",
                                                     "Big Band",
                                                     "Chorus",
                                                     "Easy Listening",
                                                     "Acoustic",
                                                     "Humour",
                                                     "Speech",
                                                     "Chanson",
                                                     "Opera",
                                                     "Chamber Music",
                                                     "Sonata",
                                                     "Symphony",
                                                     "Booty Bass",
                                                     "Primus",
                                                     "Porn Groove",
                                                     "Satire",
                                                     "Slow Jam",
                                                     "Club",
                                                     "Tango",
                                                     "Samba",
                                                     "Folklore",
                                                     "Ballad",
                                                     "Power Ballad",
                                                     "Rhythmic Soul",
                                                     "Freestyle",
                                                     "Duet",
                                                     "Punk Rock",
                                                     "Drum Solo",
                                                     "Acapella",
                                                     "Euro-House",
                                                     "Dance Hall"};

const std::array<std::string_view, 22> ID3ExtendedGenres = {"Goa",
                                                            "Drum & Bass",
                                                            "Club-House",
                                                            "Hardcore",
                                                            "Terror",
                                                            "Indie",
                                                            "BritPop",
                                                            "Negerpunk",
                                                            "Polsk Punk",
                                                            "Beat",
                                                            "Christian Gangsta Rap",
                                                            "Heavy Metal",
                                                            "Black Metal",
                                                            "Crossover",
                                                            "Contemporary Christian",
                                                            "Christian Rock",
                                                            "Merengue",
                                                            "Salsa",
                                                            "Thrash Metal",
                                                            "Anime",
                                                            "JPop",
                                                            "Synthpop"};

namespace {

bool EqualFoldingLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) {
            return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

struct Alias {
    std::string_view Name;
    std::uint8_t Index;
};
// Spellings of the details panel's genre list for table bytes.
constexpr Alias kListSpellings[] = {
    {"Psychedelic", 67}, {"Folk/Rock", 81}, {"Christian Gangs", 136}};

}  // namespace

std::uint8_t GenreIndex(std::string_view name) {
    for (std::size_t i = 0; i < ID3Genres.size(); ++i)
        if (EqualFoldingLetters(ID3Genres[i], name)) return static_cast<std::uint8_t>(i);
    for (std::size_t i = 0; i < ID3ExtendedGenres.size(); ++i)
        if (EqualFoldingLetters(ID3ExtendedGenres[i], name))
            return static_cast<std::uint8_t>(ID3Genres.size() + i);
    for (const Alias& alias : kListSpellings)
        if (EqualFoldingLetters(alias.Name, name)) return alias.Index;
    return kNoGenre;
}

std::string GenreName(std::uint8_t index) {
    if (index < ID3Genres.size()) return std::string(ID3Genres[index]);
    if (index < ID3Genres.size() + ID3ExtendedGenres.size())
        return std::string(ID3ExtendedGenres[index - ID3Genres.size()]);
    if (index == kNoGenre) return {};
    return "Unknown";
}

std::vector<std::string_view> GenreChoices() {
    std::vector<std::string_view> names;
    for (const std::string_view name : ID3Genres) {
        if (name != "Folk-Rock" && name != "Psychadelic") names.push_back(name);
    }
    for (const std::string_view name :
         {"Anime",          "Beat",        "Black Metal",  "BritPop",     "Christian Gangs",
          "Christian Rock", "Club-House",  "Crossover",    "Drum & Bass", "Folk/Rock",
          "Goa",            "Hardcore",    "Heavy Metal",  "Indie",       "JPop",
          "Merengue",       "Negerpunk",   "Polsk Punk",   "Psychedelic", "Salsa",
          "Synthpop",       "Terror",      "Thrash Metal"})
        names.push_back(name);
    return names;
}

std::string_view GenreChoiceFor(std::string_view name) {
    static const std::vector<std::string_view> choices = GenreChoices();
    if (name.empty()) return {};
    for (const std::string_view choice : choices) {
        if (choice == name) return choice;
    }
    // The list spells three genres its own way.
    std::string_view spelled;
    const std::uint8_t byte = GenreIndex(name);
    for (const std::string_view spelling : {"Psychedelic", "Folk/Rock", "Christian Gangs"}) {
        if (byte != kNoGenre && GenreIndex(spelling) == byte && GenreName(byte) == name)
            spelled = spelling;
    }
    return spelled;
}

}  // namespace tv
