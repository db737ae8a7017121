#include "tools/song_search.h"

#include <algorithm>
#include <cstring>

#include "base/text_case.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

constexpr std::string_view kCellEnd = "   ";

// The columns a field joins, in order.
std::vector<int> ColumnsOf(SearchField field) {
    switch (field) {
        case SearchField::All:
            return {colTitle, colArtist, colTime,    colAlbum,
                    colGenre, colYear,   colBitrate, colFileName};
        case SearchField::Title:
            return {colTitle};
        case SearchField::Artist:
            return {colArtist};
        case SearchField::Album:
            return {colAlbum};
        case SearchField::Genre:
            return {colGenre};
        case SearchField::Year:
            return {colYear};
        case SearchField::FileName:
            return {colFileName};
        case SearchField::Comment:
            return {colComment};
        case SearchField::None:
            break;
    }
    return {};
}

}  // namespace

SearchField FieldOf(const SearchBoxes& boxes) {
    if (boxes.All) return SearchField::All;
    const std::pair<bool, SearchField> order[] = {
        {boxes.Title, SearchField::Title},    {boxes.Artist, SearchField::Artist},
        {boxes.Album, SearchField::Album},    {boxes.Genre, SearchField::Genre},
        {boxes.Year, SearchField::Year},      {boxes.FileName, SearchField::FileName},
        {boxes.Comment, SearchField::Comment}};
    for (const auto& [checked, field] : order)
        if (checked) return field;
    return SearchField::None;
}

std::string SearchText(std::string_view typed) {
    return UpperCase(typed);
}

void SongSearch::Prepare(const SongList& list, SearchField field) {
    if (list_ == &list && revision_ == list.Revision() && field_ == field) return;
    list_ = &list;
    revision_ = list.Revision();
    field_ = field;
    texts_.Clear();
    offsets_.assign(1, 0);
    const std::vector<int> columns = ColumnsOf(field);
    offsets_.reserve(static_cast<std::size_t>(list.DataRowCount()) + 1);
    // Room for every row's text at once, estimated from the first rows.
    std::size_t sample = 0;
    const int sampled = std::min(list.DataRowCount(), 64);
    for (int row = 1; row <= sampled; ++row)
        for (const int column : columns) sample += list.Cell(row, column).size() + kCellEnd.size();
    if (sampled > 0)
        texts_.Reserve(sample / static_cast<std::size_t>(sampled) * 5 / 4 *
                       static_cast<std::size_t>(list.DataRowCount()));
    std::string raw, folded;
    for (int row = 1; row <= list.DataRowCount(); ++row) {
        // The row's text is joined and folded where it lies; the rare row with a
        // letter whose upper case is longer or shorter is folded again aside.
        const SongRow& cells = list.Row(row);
        std::size_t length = 0;
        for (const int column : columns)
            length += cells.Cell(static_cast<std::size_t>(column)).size() + kCellEnd.size();
        const std::size_t start = texts_.Size();
        char* const rowText = texts_.Extend(length);
        char* write = rowText;
        for (const int column : columns) {
            const std::string_view cell = cells.Cell(static_cast<std::size_t>(column));
            std::memcpy(write, cell.data(), cell.size());
            std::memcpy(write + cell.size(), kCellEnd.data(), kCellEnd.size());
            write += cell.size() + kCellEnd.size();
        }
        if (!UpperCaseInPlace(rowText, length)) {
            raw.clear();
            for (const int column : columns) {
                raw += list.Cell(row, column);
                raw += kCellEnd;
            }
            folded.clear();
            AppendUpperCase(folded, raw);
            texts_.Truncate(start);
            texts_.Append(folded);
        }
        offsets_.push_back(texts_.Size());
    }
}

bool SongSearch::RowContains(int row, std::string_view foldedText) const {
    const auto begin = offsets_[static_cast<std::size_t>(row - 1)];
    const auto end = offsets_[static_cast<std::size_t>(row)];
    const std::string_view rowText = texts_.View().substr(begin, end - begin);
    return !foldedText.empty() && rowText.find(foldedText) != std::string_view::npos;
}

bool SongSearch::Matches(const SongList& list, int row, SearchField field, std::string_view text) {
    if (field == SearchField::None || row < 1 || row > list.DataRowCount()) return false;
    Prepare(list, field);
    return RowContains(row, UpperCase(text));
}

std::vector<int> SongSearch::FindAll(const SongList& list, SearchField field, std::string_view text,
                                     int start, int count) {
    std::vector<int> found;
    const int rows = list.DataRowCount();
    if (field == SearchField::None || rows < 1) return found;
    Prepare(list, field);
    const std::string folded = UpperCase(text);
    int row = std::clamp(start, 1, rows);
    for (int examined = 0; examined < std::min(count, rows); ++examined) {
        if (RowContains(row, folded)) found.push_back(row);
        row = row == rows ? 1 : row + 1;
    }
    return found;
}

int SongSearch::FindFirst(const SongList& list, SearchField field, std::string_view text, int start,
                          int count) {
    const int rows = list.DataRowCount();
    if (field == SearchField::None || rows < 1) return 0;
    Prepare(list, field);
    const std::string folded = UpperCase(text);
    int row = std::clamp(start, 1, rows);
    for (int examined = 0; examined < std::min(count, rows); ++examined) {
        if (RowContains(row, folded)) return row;
        row = row == rows ? 1 : row + 1;
    }
    return 0;
}

}  // namespace tv
