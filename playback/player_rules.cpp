#include "playback/player_rules.h"

#include <algorithm>

namespace tv {

PlayerButtons ButtonsFor(PlayerState state, std::int64_t position, std::int64_t length) {
    PlayerButtons buttons;
    switch (state) {
        case PlayerState::Empty:
            break;
        case PlayerState::Playing:
            buttons.Pause = buttons.Stop = buttons.Eject = true;
            buttons.Rewind = position > 0;
            buttons.Forward = length <= 0 || position < length;
            break;
        case PlayerState::Paused:
            buttons.Play = buttons.Stop = buttons.Eject = true;
            break;
        case PlayerState::Stopped:
            buttons.Play = buttons.Eject = true;
            break;
    }
    return buttons;
}

std::int64_t WindPosition(std::int64_t position, int& holdCounter, bool forward) {
    if (holdCounter <= 0) return position;
    const std::int64_t step = static_cast<std::int64_t>(holdCounter / 10) * 1000 + 1000;
    if (holdCounter < 254) ++holdCounter;
    return forward ? position + step : position - step;
}

std::string PlayTimeText(std::int64_t position) {
    position = std::max<std::int64_t>(position, 0);
    const auto twoDigits = [](std::int64_t value) {
        std::string text = std::to_string(value);
        return text.size() < 2 ? "0" + text : text;
    };
    return twoDigits(position / 60000) + ":" + twoDigits(position / 1000 % 60);
}

int NextPlaylistRow(int row, int rowCount) {
    return row >= rowCount || row < 0 ? 1 : row + 1;
}

void MoveHighlight(SongList& playlist, int& currentRow, int newRow, RowColour highlight) {
    if (currentRow >= 1 && currentRow <= playlist.DataRowCount())
        playlist.SetRowColour(currentRow, std::nullopt);
    currentRow = newRow;
    if (newRow >= 1 && newRow <= playlist.DataRowCount()) playlist.SetRowColour(newRow, highlight);
}

}  // namespace tv
