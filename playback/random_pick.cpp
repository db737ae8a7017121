#include "playback/random_pick.h"

#include <utility>
#include <vector>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {

namespace {

bool Pickable(const SongList& catalogue, const SongList& playlist, int row) {
    const std::string_view name = catalogue.Cell(row, colFileName);
    return !name.empty() && playlist.FindFileName(name) == 0;
}

}  // namespace

int AppendRandomSongs(const SongList& catalogue, SongList& playlist, int count,
                      std::mt19937& random) {
    const int rows = catalogue.DataRowCount();
    int appended = 0;
    // Picking any row and passing over those that cannot be taken gives every
    // song that can be taken the same chance. As long as that costs few tries it
    // is the fastest way; ...
    std::uniform_int_distribution<int> anyRow(1, std::max(rows, 1));
    for (long long tries = 8LL * count + 64; appended < count && tries > 0 && rows > 0; --tries) {
        const int row = anyRow(random);
        if (Pickable(catalogue, playlist, row))
            appended += AppendUniqueRows(catalogue, playlist, row, row);
    }
    if (appended == count) return appended;
    // ... otherwise (most songs are in the playlist already) the rows that can be
    // taken are listed and drawn from without repeats; a row whose file came in
    // through an earlier pick (two rows, one file) is passed over.
    std::vector<int> candidates;
    for (int row = 1; row <= rows; ++row)
        if (Pickable(catalogue, playlist, row)) candidates.push_back(row);
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
