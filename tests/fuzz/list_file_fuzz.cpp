// List files: any bytes read as a list file; the list written and read back
// gives the same rows, and writing it again gives the same text.

#include "catalogue/list_file.h"
#include "catalogue/song_columns.h"
#include "catalogue/song_list.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SongList list(kSongColumnCount);
    ReadListText(list, text);
    const std::string written = FormatListText(list);

    SongList again(kSongColumnCount);
    ReadListText(again, written);
    FUZZ_CHECK(again.RowCount() == list.RowCount());
    FUZZ_CHECK(again.ColumnCount() == list.ColumnCount());
    for (int row = 0; row < list.RowCount(); ++row)
        for (int column = 0; column < list.ColumnCount(); ++column) {
            // Cells come back as written: TAB, CR and LF inside a cell became blanks.
            std::string expected(list.Cell(row, column));
            for (char& c : expected)
                if (c == '\t' || c == '\r' || c == '\n') c = ' ';
            if (expected.find('\0') != std::string::npos) expected.erase(expected.find('\0'));
            FUZZ_CHECK(again.Cell(row, column) == expected);
        }
    FUZZ_CHECK(FormatListText(again) == written);

    // The clipboard's row format pasted back into a fresh list.
    if (list.DataRowCount() >= 1) {
        const std::string rows = FormatRowsText(list, 1, list.DataRowCount());
        SongList pasted(list.ColumnCount());
        while (pasted.DataRowCount() < list.DataRowCount()) pasted.AppendRow();
        PasteRowsText(pasted, rows, 1, pasted.DataRowCount());
        FUZZ_CHECK(pasted.DataRowCount() == list.DataRowCount());
    }
    return 0;
}
