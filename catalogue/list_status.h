#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/song_list.h"

namespace tv {

enum class ListKind { Catalogue, Selection, Playlist, Doubles };

// The two panel texts of a list's status bar.
struct ListStatusTexts {
    std::string Count;  // panel 0
    std::string Size;   // panel 1; empty for the catalogue, whose size is never summed
};

// The status texts of one list, for example "Auswahl : 3 Einträge" and
// "Größe : 12,34 MB". The size sums the files named in the "Dateiname" cells that
// exist, in mebibytes with two decimals and the given decimal separator.
ListStatusTexts ListStatus(const SongList& list, ListKind kind, std::string_view decimalSeparator);

// Panel 0: "Gesamt : 3 Einträge", "Playlist : Keine Einträge" ...
std::string ListCountText(const SongList& list, ListKind kind);

// Panel 1 of the selection, playlist and doubles: "Größe : 12,34 MB".
std::string ListSizeText(const SongList& list, std::string_view decimalSeparator);

// A size in mebibytes with exactly two decimals ("12,34" with ",").
std::string FormatMebibytes(double mebibytes, std::string_view decimalSeparator);

}  // namespace tv
