#include "playback/random_pick.h"

#include <utility>
#include <vector>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {

int AppendRandomSongs(const SongList& catalogue, SongList& playlist, int count,
                      std::mt19937& random) {
    // The rows that may still be picked; rows without a file name can never be
    // appended. A partial shuffle draws from them without repeats; a row whose name
    // came in through an earlier pick (two rows, one file) is passed over, as a
    // pick of it would be rejected.
    std::vector<int> candidates;
    candidates.reserve(static_cast<std::size_t>(catalogue.DataRowCount()));
    for (int row = 1; row <= catalogue.DataRowCount(); ++row) {
        const std::string& name = catalogue.Cell(row, colFileName);
        if (!name.empty() && playlist.FindFileName(name) == 0) candidates.push_back(row);
    }
    int appended = 0;
    std::size_t left = candidates.size();
    while (appended < count && left > 0) {
        std::uniform_int_distribution<std::size_t> pick(0, left - 1);
        const std::size_t at = pick(random);
        const int row = candidates[at];
        std::swap(candidates[at], candidates[left - 1]);
        --left;
        appended += AppendUniqueRows(catalogue, playlist, row, row);
    }
    return appended;
}

}  // namespace tv
