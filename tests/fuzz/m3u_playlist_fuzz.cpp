// M3U playlists: any text parsed; the entries go into a playlist, whose M3U text
// parses to the same files.

#include "catalogue/m3u_playlist.h"
#include "catalogue/song_columns.h"
#include "catalogue/song_list.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<M3UEntry> entries = ParseM3U(text, "/musik/listen");
    for (const M3UEntry& entry : entries) FUZZ_CHECK(!entry.FileName.empty());
    M3USeconds(text.substr(0, 16));

    SongList playlist(kCopyColumnCount);
    const int added = AppendM3UEntries(playlist, entries);
    FUZZ_CHECK(added == static_cast<int>(entries.size()));
    const std::vector<M3UEntry> again = ParseM3U(M3UText(playlist), "/anderswo");
    FUZZ_CHECK(again.size() == entries.size());
    for (std::size_t i = 0; i < entries.size() && i < again.size(); ++i)
        FUZZ_CHECK(again[i].FileName == playlist.Cell(static_cast<int>(i) + 1, colFileName));
    return 0;
}
