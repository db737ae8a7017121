#include "tools/song_cells.h"

#include <exception>

#include "catalogue/song_columns.h"
#include "catalogue/song_details.h"
#include "metadata/id3_genres.h"
#include "metadata/id3_tag.h"
#include "metadata/mpeg_data.h"

namespace tv {
namespace {

bool HasDigit(const std::string& text) {
    return text.find_first_of("0123456789") != std::string::npos;
}

}  // namespace

std::string MaskedYear(const std::string& value) {
    std::string year;
    for (const char c : value) {
        if (year.size() == 4) break;
        if ((c >= '0' && c <= '9') || c == ' ') year += c;
    }
    year.resize(4, ' ');
    return year;
}

std::vector<std::string> SongCellsOfFile(const std::string& path) {
    std::vector<std::string> cells(kSongColumnCount);
    cells[colTime] = "  :  ";
    cells[colYear] = MaskedYear("");
    cells[colFileName] = path;
    // The MPEG analysis and the tag each on their own: a file whose audio cannot
    // be analysed still gives its tag.
    try {
        TMPEGData data;
        ReadMPEGData(path, data);
        cells[colTime] = FormatPlayingTime(data.Duration);
        cells[colBitrate] = std::to_string(data.BitRate);
    } catch (const std::exception&) {
        // time and bitrate as for no analysis
    }
    try {
        TID3Tag tag;
        tag.SetFileName(path);
        if (tag.ReadFromFile()) {
            std::string title = CapitalizeWords(tag.Title());
            std::string artist = CapitalizeWords(tag.Artist());
            SplitCompilationTitle(title, artist);
            cells[colTitle] = std::move(title);
            cells[colArtist] = std::move(artist);
            cells[colAlbum] = CapitalizeWords(tag.Album());
            cells[colComment] = tag.Comment();
            cells[colGenre] = std::string(GenreChoiceFor(tag.Genre()));
            cells[colYear] = MaskedYear(tag.Year());
        }
    } catch (const std::exception&) {
        // what was read so far stays; the path helps with the rest
    }
    if (cells[colTitle].empty() || cells[colArtist].empty()) {
        const PathGuess guess = GuessFromPath(path);
        if (cells[colTitle].empty()) cells[colTitle] = CapitalizeWords(guess.Title);
        if (cells[colArtist].empty()) cells[colArtist] = CapitalizeWords(guess.Artist);
        if (!HasDigit(cells[colYear])) cells[colYear] = MaskedYear(guess.Year);
        cells[colGenre].clear();
    }
    return cells;
}

}  // namespace tv
