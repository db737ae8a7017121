#include "catalogue/list_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>

#include "base/atomic_file.h"
#include "base/large_buffer.h"
#include "base/output_file.h"
#include "base/safe_open.h"
#include "base/text_encoding.h"
#include "base/text_scan.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

void AppendRowText(std::string& out, const SongRow& row, int columns) {
    for (int column = 0; column < columns; ++column) {
        const std::string_view cell = row.Cell(static_cast<std::size_t>(column));
        const std::size_t start = out.size();
        out += cell;
        if (FindTabOrLineEnd(cell, 0) != cell.size()) {
            std::replace_if(
                out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
                [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        }
        out += '\t';
    }
    out += "\r\n";
}

std::string FormatRows(const SongList& list, int first, int last) {
    const int columns = list.ColumnCount();
    std::size_t size = 0;
    for (int r = first; r <= last; ++r) {
        const SongRow row = list.Row(r);
        for (std::size_t c = 0; c < row.CellCount(); ++c) size += row.Cell(c).size();
        size += static_cast<std::size_t>(columns) + 2;
    }
    std::string out;
    out.reserve(size);
    for (int r = first; r <= last; ++r) AppendRowText(out, list.Row(r), columns);
    return out;
}

// Calls fn(index, cells) for each line of a text without zero bytes, with the
// line's cells; how many lines there were. Lines end at CR LF, a lone CR or a lone
// LF, and a closing line end adds no empty line. Cells are the texts between TAB
// bytes, where the empty text after a closing TAB is no cell; an empty line has no
// cell.
template <typename Fn>
int ForEachSplitLine(std::string_view text, std::vector<std::string_view>& cells, Fn&& fn) {
    int index = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        cells.clear();
        std::size_t start = pos;
        for (;;) {
            const std::size_t end = FindTabOrLineEnd(text, start);
            if (end == text.size()) {
                if (end > start) cells.push_back(text.substr(start));
                pos = end;
                break;
            }
            if (text[end] == '\t') {
                cells.push_back(text.substr(start, end - start));
                start = end + 1;
                continue;
            }
            // The empty text after a closing TAB is no cell.
            if (end > start) cells.push_back(text.substr(start, end - start));
            pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
            break;
        }
        fn(index++, cells);
    }
    return index;
}

bool IsPathColumn(int column) {
    return column == colFileName || column == colImage;
}

// Reads the lines of list-file bytes without zero bytes, which need not be all
// UTF-8, into the rows from firstRow on, within a bulk change; how many lines
// there were. Paths are bytes and are taken as they are (a file name need not be
// UTF-8); any other cell that is not UTF-8 comes from a file of the old platform
// and is read as Windows-1252.
int ReadMixedLines(SongList& list, std::string_view text, int firstRow) {
    std::vector<std::string_view> cells;
    if (IsValidUtf8(text)) {
        // Text split at ASCII bytes stays valid UTF-8: no cell needs a look.
        return ForEachSplitLine(text, cells, [&](int index, std::vector<std::string_view>& line) {
            list.SetRowCellsInBulk(firstRow + index, line);
        });
    }
    std::vector<std::string> decoded;
    return ForEachSplitLine(text, cells, [&](int index, std::vector<std::string_view>& line) {
        decoded.clear();
        decoded.reserve(line.size());
        for (std::size_t c = 0; c < line.size(); ++c) {
            if (IsPathColumn(static_cast<int>(c)) || IsValidUtf8(line[c])) continue;
            decoded.push_back(Windows1252ToUtf8(line[c]));
            line[c] = decoded.back();
        }
        list.SetRowCellsInBulk(firstRow + index, line);
    });
}

}  // namespace

void ReadListText(SongList& list, std::string_view text) {
    if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos)
        text = text.substr(0, zero);
    std::vector<std::string_view> cells;
    list.BeginBulkChange();
    ForEachSplitLine(text, cells, [&](int row, std::vector<std::string_view>& line) {
        list.SetRowCellsInBulk(row, line);
    });
    list.EndBulkChange();
}

namespace {

// Reads list-file bytes, which need not be all UTF-8 (see ReadMixedLines).
void ReadMixedListText(SongList& list, std::string_view text) {
    list.BeginBulkChange();
    ReadMixedLines(list, text, 0);
    list.EndBulkChange();
}

}  // namespace

void AppendListRowsText(const SongList& list, int first, int last, std::string& out) {
    first = std::max(first, 0);
    last = std::min(last, list.RowCount() - 1);
    for (int r = first; r <= last; ++r) AppendRowText(out, list.Row(r), list.ColumnCount());
}

std::string FormatListText(const SongList& list) {
    return FormatRows(list, 0, list.RowCount() - 1);
}

std::string FormatRowsText(const SongList& list, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, list.DataRowCount());
    if (top > bottom) return {};
    return FormatRows(list, top, bottom);
}

void PasteRowsText(SongList& list, std::string_view text, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, list.DataRowCount());
    if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos)
        text = text.substr(0, zero);
    std::vector<std::string_view> cells;
    ForEachSplitLine(text, cells, [&](int line, std::vector<std::string_view>& content) {
        const int row = top + line;
        if (row > bottom) return;
        for (std::size_t column = 0; column < content.size(); ++column) {
            if (column < static_cast<std::size_t>(list.ColumnCount()))
                list.SetCell(row, static_cast<int>(column), content[column]);
        }
    });
}

ListFileFormatError::ListFileFormatError(const std::filesystem::path& path, std::size_t offset)
    : std::system_error(std::make_error_code(std::errc::illegal_byte_sequence),
                        path.string() + ": Nullbyte bei Byte " + std::to_string(offset) +
                            ", keine Listendatei"),
      offset_(offset) {}

namespace {

// Reads a whole list file at once: for UTF-16 files (decoded as a whole) and for a
// list that is not fresh (left unchanged when the file turns out not to be a list).
void LoadWholeList(SongList& list, const std::filesystem::path& path) {
    const FileBytes bytes(path);
    std::string_view text = bytes.View();
    // A UTF-16 file's zero units stand on even offsets after its mark.
    const bool utf16 = text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF");
    std::size_t zero = std::string_view::npos;
    for (std::size_t at = utf16 ? 2 : 0; at < text.size();) {
        at = text.find(std::string_view("\0\0", utf16 ? 2 : 1), at);
        if (at == std::string_view::npos || !utf16 || at % 2 == 0) {
            zero = at;
            break;
        }
        ++at;
    }
    if (zero != std::string_view::npos) {
        // Zero bytes that only fill the end (a file padded by a copy tool) are
        // no content; one before the end would cut the list there.
        if (text.find_first_not_of('\0', zero) != std::string_view::npos)
            throw ListFileFormatError(path, zero);
        text = text.substr(0, zero);
    }
    std::string decoded;
    if (utf16) {
        decoded = DecodeByteOrderMark(std::string(text));
        text = decoded;
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    ReadMixedListText(list, text);  // all UTF-8 is read as it is
}

// Where the text before the last complete line end of a part of a file ends, or 0
// when the part holds no complete line. A CR at the very end may be the first half
// of a CR LF, so it does not count until the next part is read.
std::size_t EndOfCompleteLines(std::string_view part) {
    std::size_t end = part.size();
    while (end > 0) {
        const std::size_t at = part.find_last_of("\r\n", end - 1);
        if (at == std::string_view::npos) return 0;
        if (part[at] == '\r' && at + 1 == part.size()) {
            end = at;  // the CR waits for the next part
            continue;
        }
        return at + 1;
    }
    return 0;
}

bool AllZero(std::string_view bytes) {
    return bytes.find_first_not_of('\0') == std::string_view::npos;
}

// Reads a list file into a fresh list a part at a time, so that the file is never
// held whole beside the list. Cells are checked for UTF-8 one by one, which reads
// a file of valid UTF-8 exactly as a check of the whole file would.
void StreamList(SongList& list, const FileDescriptor& file, const std::filesystem::path& path) {
    constexpr std::size_t kPart = std::size_t{8} << 20;
    LargeBuffer buffer(kPart);
    std::size_t filled = 0;        // bytes in the buffer
    std::uint64_t bufferAt = 0;    // the file offset of the buffer's first byte
    bool atStart = true, atEnd = false;
    int row = 0;
    std::optional<std::uint64_t> zeroAt;  // the first zero byte: only zeros may follow
    while (!atEnd) {
        if (filled == buffer.Size()) {
            // A line longer than the buffer: a larger one.
            LargeBuffer larger(buffer.Size() * 2);
            std::copy(buffer.Data(), buffer.Data() + filled, larger.Data());
            buffer = std::move(larger);
        }
        const ssize_t got = ::read(file.Get(), buffer.Data() + filled, buffer.Size() - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), path.string());
        }
        atEnd = got == 0;
        filled += static_cast<std::size_t>(got);
        if (atStart) {
            if (filled < 3 && !atEnd) continue;  // the mark is not read whole yet
            atStart = false;
            if (std::string_view(buffer.Data(), filled).starts_with("\xEF\xBB\xBF")) {
                std::memmove(buffer.Data(), buffer.Data() + 3, filled - 3);
                filled -= 3;
                bufferAt += 3;
            }
        }
        const std::string_view part(buffer.Data(), filled);
        if (zeroAt) {
            if (!AllZero(part)) throw ListFileFormatError(path, *zeroAt);
            bufferAt += filled;
            filled = 0;
            continue;
        }
        if (const std::size_t zero = part.find('\0'); zero != std::string_view::npos) {
            zeroAt = bufferAt + zero;
            if (!AllZero(part.substr(zero))) throw ListFileFormatError(path, *zeroAt);
            ReadMixedLines(list, part.substr(0, zero), row);  // the text ends at the zero byte
            bufferAt += filled;
            filled = 0;
            continue;
        }
        const std::size_t complete = atEnd ? part.size() : EndOfCompleteLines(part);
        if (complete == 0) continue;
        const std::string_view lines = part.substr(0, complete);
        row += ReadMixedLines(list, lines, row);
        // The incomplete line moves to the front of the buffer.
        const std::size_t used = complete;
        std::memmove(buffer.Data(), buffer.Data() + used, filled - used);
        bufferAt += used;
        filled -= used;
    }
}

bool IsFresh(const SongList& list) {
    return list.RowCount() == 2 && list.Row(1).CellCount() == 0;
}

}  // namespace

void LoadList(SongList& list, const std::filesystem::path& path) {
    FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    char mark[2] = {};
    const ssize_t got = ::pread(file.Get(), mark, sizeof mark, 0);
    const bool utf16 = got == 2 && ((mark[0] == '\xFF' && mark[1] == '\xFE') ||
                                    (mark[0] == '\xFE' && mark[1] == '\xFF'));
    if (utf16 || !IsFresh(list)) {
        LoadWholeList(list, path);
        return;
    }
    const int columns = list.ColumnCount();
    list.BeginBulkChange();
    try {
        StreamList(list, file, path);
    } catch (...) {
        list.ResetInBulk(columns);
        list.EndBulkChange();
        throw;
    }
    list.EndBulkChange();
}

void SaveList(const SongList& list, const std::filesystem::path& path) {
    // Written a slice at a time: the whole text of a large list is never held.
    constexpr std::size_t kSlice = std::size_t{1} << 20;
    OutputFile file(path);
    std::string slice;
    slice.reserve(2 * kSlice);
    for (int r = 0; r < list.RowCount(); ++r) {
        AppendRowText(slice, list.Row(r), list.ColumnCount());
        if (slice.size() >= kSlice) {
            file.Write(slice);
            slice.clear();
        }
    }
    file.Write(slice);
    file.Commit();
}

std::filesystem::path SaveListBeside(const SongList& list, const std::filesystem::path& path) {
    const std::string text = FormatListText(list);
    for (int number = 1;; ++number) {
        std::filesystem::path candidate = path;
        candidate += number == 1 ? ".neu" : ".neu" + std::to_string(number);
        try {
            WriteNewFileAtomically(candidate, text);
            return candidate;
        } catch (const std::system_error& error) {
            if (error.code() != std::errc::file_exists || number >= 1000) throw;
        }
    }
}

}  // namespace tv
