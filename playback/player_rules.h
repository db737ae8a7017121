#pragma once

#include <cstdint>
#include <string>

#include "catalogue/song_list.h"

namespace tv {

// What the player's buttons allow in each state.
enum class PlayerState { Empty, Playing, Paused, Stopped };

struct PlayerButtons {
    bool Play = false, Pause = false, Stop = false, Forward = false, Rewind = false, Eject = false;
    bool operator==(const PlayerButtons&) const = default;
};

// Nothing loaded: all off. Playing: Pause, Stop, Eject; Rewind when the position
// is past the start, Forward while it is before the end (or the end is not known
// yet). Paused: Play, Stop, Eject. Stopped (also after Eject): Play, Eject.
PlayerButtons ButtonsFor(PlayerState state, std::int64_t position, std::int64_t length);

// A held winding button: the position one 100 ms tick later. The hold counter
// (1 when pressed) grows by one per tick up to 254; each tick jumps one second
// plus one more for every ten ticks held.
std::int64_t WindPosition(std::int64_t position, int& holdCounter, bool forward);

// "mm:ss" of a position in milliseconds (minutes may grow past two digits).
std::string PlayTimeText(std::int64_t position);

// The playlist row after row (row 1 after the last one).
int NextPlaylistRow(int row, int rowCount);

// The current playlist row of the player and its highlight: the old row loses its
// colour, the new one gets it. Rows outside the list are ignored.
void MoveHighlight(SongList& playlist, int& currentRow, int newRow, RowColour highlight);

}  // namespace tv
