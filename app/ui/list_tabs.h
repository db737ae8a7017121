#pragma once

#include <cstdint>

namespace tv {

// The four tabs of the main window: their page, caption, default colours (Windows
// colour values) and the names of their grid, bar and status bar.
struct TabDefinition {
    const char* Name;
    const char* Caption;
    std::int32_t TabColor;
    std::int32_t TabFontColor;
    const char* Grid;
    const char* Bar;
    const char* Status;
};

// In the order of ListKind.
inline constexpr TabDefinition kTabs[] = {
    {"CSAll", "Alle Dateien", 16711680, 16777215, "StGrdMain", "SIAll", "STBarAll"},
    {"CSSel", "Auswahl", 8421376, 16777215, "StGrdSelection", "SISel", "STBarSel"},
    {"CSPlay", "Playlist", 8421504, 16777215, "StGrdPlaylist", "SIPlayList", "STBarPlay"},
    {"CSDouble", "Dubletten", 8388608, 16777215, "StGrdDouble", "SIDouble", "StBarDoubles"},
};

}  // namespace tv
