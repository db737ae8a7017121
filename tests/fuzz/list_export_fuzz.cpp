// CSV and HTML export of fuzzed cells: the CSV read back by an RFC 4180 reader
// gives the cells; the HTML table has a row per list row and no cell text that
// could open a tag.

#include "catalogue/song_columns.h"
#include "catalogue/song_list.h"
#include "tests/fuzz/fuzz_check.h"
#include "tools/list_export.h"

namespace {

// RFC 4180 records, each ended by CR LF; every field is followed by the separator.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text, char separator) {
    std::vector<std::vector<std::string>> records(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == separator) {
            records.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            records.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    records.pop_back();  // after the last CR LF
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    tv::fuzz::InputReader input(data, size);
    SongList list(kCopyColumnCount);
    for (int row = 1; !input.Empty() && row <= 20; ++row) {
        if (row > list.DataRowCount()) list.AppendRow();
        for (int column = 0; column < kCopyColumnCount && !input.Empty(); ++column)
            list.SetCell(row, column, input.Text(24));
    }
    for (const char separator : {',', ';'}) {
        const auto records = ReadCsv(CsvText(list, separator), separator);
        FUZZ_CHECK(static_cast<int>(records.size()) == list.RowCount());
        for (int row = 0; row < list.RowCount() && row < static_cast<int>(records.size()); ++row) {
            FUZZ_CHECK(static_cast<int>(records[row].size()) == list.ColumnCount());
            for (int column = 0; column < list.ColumnCount(); ++column)
                FUZZ_CHECK(records[row][column] == list.Cell(row, column));
        }
    }
    ExportLook look;
    look.Data.Font = ExportFont{0x123456, static_cast<int>(input.Byte()) - 100, true, false, true, false};
    const std::string html = HtmlText(list, look);
    std::size_t rows = 0;
    for (std::size_t at = html.find("<tr>"); at != std::string::npos; at = html.find("<tr>", at + 1))
        ++rows;
    FUZZ_CHECK(static_cast<int>(rows) == list.RowCount());
    for (int row = 0; row < list.RowCount(); ++row)
        for (int column = 0; column < list.ColumnCount(); ++column) {
            const std::string escaped = HtmlEscaped(list.Cell(row, column));
            FUZZ_CHECK(escaped.find_first_of("<>") == std::string::npos);
        }
    const int fontSize = HtmlFontSize(static_cast<int>(input.Number(0)));
    FUZZ_CHECK(fontSize >= 1 && fontSize <= 7);
    return 0;
}
