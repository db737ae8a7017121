#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/large_buffer.h"
#include "catalogue/song_list.h"

namespace tv {

// What a search looks at in a row: all of columns 0 to 7 joined, one field, or
// nothing (no box checked: nothing matches).
enum class SearchField { All, Title, Artist, Album, Genre, Year, FileName, Comment, None };

// The field a search uses from the dialog's boxes: All when "allen Feldern" is
// checked, else the first checked field in the order Titel, Interpret, Album,
// Genre, Jahr, Dateiname, Kommentar; None when nothing is checked.
struct SearchBoxes {
    bool All = true;
    bool Title = false, Artist = false, Album = false, Genre = false, Year = false,
         FileName = false, Comment = false;
};
SearchField FieldOf(const SearchBoxes& boxes);

// Finds a text in the rows of a list. The text of a row is its cells (columns 0 to
// 7 for All, else the one field), each followed by three spaces, so a search text
// may span the end of one cell and the start of the next. Letters are compared
// without case on both sides by Unicode simple case mapping (umlauts included).
//
// The folded row texts are kept between searches while the list and the field
// stay the same, so pressing "Suchen" again costs only the comparison.
class SongSearch {
  public:
    // True when the row's text contains the search text.
    bool Matches(const SongList& list, int row, SearchField field, std::string_view text);

    // Every matching row among count rows examined from start on, going from the
    // last row on to row 1.
    std::vector<int> FindAll(const SongList& list, SearchField field, std::string_view text,
                             int start, int count);

    // The first matching row among count rows examined from start on, going from
    // the last row on to row 1; 0 when none matches.
    int FindFirst(const SongList& list, SearchField field, std::string_view text, int start,
                  int count);

  private:
    void Prepare(const SongList& list, SearchField field);
    bool RowContains(int row, std::string_view foldedText) const;

    const SongList* list_ = nullptr;
    std::uint64_t revision_ = ~std::uint64_t{0};
    SearchField field_ = SearchField::None;
    GrowingText texts_;                 // every row's folded text, back to back
    std::vector<std::size_t> offsets_;  // row r's text: offsets_[r - 1] ... offsets_[r]
};

// The search text as "EdtFind" holds it: upper case by the same mapping.
std::string SearchText(std::string_view typed);

}  // namespace tv
