#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "catalogue/song_list.h"

namespace tv {

// The criteria of the duplicate finder, as bit values (their sum is the wanted
// mask).
enum DoubleCriterion : int {
    kDoubleByName = 1,    // the file-name part of "Dateiname"
    kDoubleByTitle = 2,   // "Titel"
    kDoubleByArtist = 4,  // "Interpret"
    kDoubleByLength = 8,  // "Zeit"
};

struct DoubleOptions {
    int Criteria = 0;            // sum of DoubleCriterion values
    bool Exact = false;          // "exakte Suche"
    bool CaseSensitive = false;  // "Groß-/Kleinschreibung"
};

// Told the row the comparison has reached (1 ... N - 1); false stops it.
using DoubleProgress = std::function<bool(int row)>;

// Every data row r of the list paired with its first later duplicate s (the first
// s > r for which every chosen criterion agrees), ascending by r. Names, titles
// and artists are compared in upper case (Unicode simple mapping) unless
// CaseSensitive; exactly: equal texts; otherwise one text occurs inside the other
// and an empty text agrees with nothing. Lengths: equal "Zeit" texts; otherwise
// equal without their last character.
//
// The result is that of comparing every pair in order, without the pairs: each
// row's values are computed once, criteria that are equalities are matched through
// hashing, and similar texts through an index of their short substrings.
std::vector<std::pair<int, int>> FindDuplicatePairs(const SongList& list,
                                                    const DoubleOptions& options,
                                                    const DoubleProgress& progress = {});

// The column the doubles list is sorted by: "Dateiname" when names are compared,
// else "Titel", else "Interpret", else "Zeit".
int DoublesSortColumn(const DoubleOptions& options);

// Empties the doubles list and fills it from the pairs (row r, then row s, each
// only once by "Dateiname"), then sorts it by DoublesSortColumn. Returns the
// number of rows listed.
int FillDoublesList(const SongList& catalogue, SongList& doubles,
                    const std::vector<std::pair<int, int>>& pairs, const DoubleOptions& options);

// The file-name part of a path: the text after its last "/".
std::string_view FileNamePart(std::string_view path);

}  // namespace tv
