#include "catalogue/list_status.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "catalogue/song_columns.h"

namespace tv {
namespace {

std::string_view LabelOf(ListKind kind) {
    switch (kind) {
        case ListKind::Catalogue:
            return "Auswahl";  // the catalogue's empty text says "Auswahl" too
        case ListKind::Selection:
            return "Auswahl";
        case ListKind::Playlist:
            return "Playlist";
        case ListKind::Doubles:
            return "Doppelt";
    }
    return {};
}

double MebibytesOfFiles(const SongList& list) {
    double total = 0;
    for (int row = 1; row <= list.DataRowCount(); ++row) {
        const std::string_view name = list.Cell(row, colFileName);
        if (name.empty()) continue;
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(name, error);
        if (!error) total += static_cast<double>(size) / 1048576.0;
    }
    return total;
}

}  // namespace

std::string FormatMebibytes(double mebibytes, std::string_view decimalSeparator) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, mebibytes, std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    if (const std::size_t dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, decimalSeparator);
    return text;
}

std::string ListCountText(const SongList& list, ListKind kind) {
    const bool empty = list.IsEmpty();
    if (kind == ListKind::Catalogue)
        return empty ? "Auswahl : Keine Einträge"
                     : "Gesamt : " + std::to_string(list.DataRowCount()) + " Einträge";
    return std::string(LabelOf(kind)) +
           (empty ? std::string(" : Keine Einträge")
                  : " : " + std::to_string(list.DataRowCount()) + " Einträge");
}

std::string ListSizeText(const SongList& list, std::string_view decimalSeparator) {
    return "Größe : " + FormatMebibytes(MebibytesOfFiles(list), decimalSeparator) + " MB";
}

ListStatusTexts ListStatus(const SongList& list, ListKind kind, std::string_view decimalSeparator) {
    ListStatusTexts texts;
    texts.Count = ListCountText(list, kind);
    if (kind != ListKind::Catalogue) texts.Size = ListSizeText(list, decimalSeparator);
    return texts;
}

}  // namespace tv
