#include "tools/list_export.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string_view>

#include "base/output_file.h"
#include "base/text_encoding.h"

namespace tv {
namespace {

// HTML 4 names of the characters 160 ... 255 (ISO 8859-1).
constexpr std::array<const char*, 96> kLatin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

bool NeedsQuotes(std::string_view cell, char separator) {
    for (const char c : cell)
        if (c == separator || c == '"' || c == '\r' || c == '\n') return true;
    return false;
}

void AppendCsvCell(std::string& out, std::string_view cell, char separator) {
    if (!NeedsQuotes(cell, separator)) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::string Hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", rgb & 0xFFFFFFu);
    return text;
}

// A Windows colour value (low byte red) as RGB.
std::uint32_t RgbOfWindowsColour(std::int32_t colour) {
    const auto value = static_cast<std::uint32_t>(colour);
    return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}

void AppendCharacter(std::string& out, char32_t c) {
    if (c == '&') {
        out += "&amp;";
    } else if (c == '<') {
        out += "&lt;";
    } else if (c == '>') {
        out += "&gt;";
    } else if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c >= 160 && c <= 255) {
        out += '&';
        out += kLatin1Entities[c - 160];
        out += ';';
    } else {
        out += "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
    }
}

void AppendHtmlEscaped(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            AppendCharacter(out, byte);
            ++i;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = Utf8SequenceLength(text, i, c);
        if (length == 0) {
            // A byte of another code page (a file name): as Windows-1252.
            const std::string converted = Windows1252ToUtf8(text.substr(i, 1));
            Utf8SequenceLength(converted, 0, c);
            i += 1;
        } else {
            i += length;
        }
        AppendCharacter(out, c);
    }
}

void AppendCell(std::string& out, std::string_view text, bool header, const ExportCellLook& look,
                std::optional<std::uint32_t> background, std::uint32_t listBackground) {
    static constexpr const char* kAlign[] = {" align=left", " align=right", " align=center"};
    out += header ? "  <th" : "  <td";
    out += kAlign[static_cast<int>(look.Alignment)];
    if (background && *background != listBackground) out += " bgcolor=#" + Hex(*background);
    out += '>';
    if (!text.empty()) {
        const ExportFont* font = look.Font ? &*look.Font : nullptr;
        if (font != nullptr) {
            out += "   <font color=#" + Hex(font->Colour) +
                   " size=" + std::to_string(HtmlFontSize(font->PointSize)) + ">";
            if (font->Bold) out += "<b>";
            if (font->Italic) out += "<i>";
            if (font->StrikeOut) out += "<strike>";
            if (font->Underline) out += "<u>";
        }
        AppendHtmlEscaped(out, text);
        if (font != nullptr) {
            if (font->Underline) out += "</u>";
            if (font->StrikeOut) out += "</strike>";
            if (font->Italic) out += "</i>";
            if (font->Bold) out += "</b>";
            out += "</font>";
        }
    }
    out += header ? "  </th>" : "  </td>";
}

void AppendCsvRow(std::string& out, const SongList& list, int row, char separator) {
    for (int column = 0; column < list.ColumnCount(); ++column) {
        AppendCsvCell(out, list.Cell(row, column), separator);
        out += separator;
    }
    out += "\r\n";
}

std::string HtmlStart(const ExportLook& look) {
    return "<table bgcolor=#" + Hex(look.ListBackground) + ">\r\n";
}

constexpr std::string_view kHtmlEnd = "</table>\r\n";

void AppendHtmlRow(std::string& out, const SongList& list, int row, const ExportLook& look) {
    const bool header = row == 0;
    const ExportCellLook& cellLook = header ? look.Header : look.Data;
    std::optional<std::uint32_t> background = cellLook.Background;
    if (!header && list.Row(row).Colour) background = RgbOfWindowsColour(*list.Row(row).Colour);
    out += " <tr>\r\n";
    for (int column = 0; column < list.ColumnCount(); ++column)
        AppendCell(out, list.Cell(row, column), header, cellLook, background, look.ListBackground);
    out += "\r\n </tr>\r\n";
}

// The rows of an export (HTML, or CSV with the separator), given to write() a
// slice of about a megabyte at a time: the one loop behind every export.
void ProduceExport(const SongList& list, bool html, char separator, const ExportLook& look,
                   const std::function<void(std::string_view)>& write) {
    constexpr std::size_t slice = std::size_t{1} << 20;
    std::string out;
    out.reserve(slice + slice / 2);
    if (html) out += HtmlStart(look);
    for (int row = 0; row < list.RowCount(); ++row) {
        if (html)
            AppendHtmlRow(out, list, row, look);
        else
            AppendCsvRow(out, list, row, separator);
        if (out.size() >= slice) {
            write(std::string_view(out));
            out.clear();
        }
    }
    if (html) out += kHtmlEnd;
    write(std::string_view(out));
}

std::string CollectExport(const SongList& list, bool html, char separator, const ExportLook& look) {
    std::string text;
    ProduceExport(list, html, separator, look, [&](std::string_view slice) { text += slice; });
    return text;
}

}  // namespace

void StreamExport(const SongList& list, ExportFormat format, const ExportLook& look,
                  const std::function<void(std::string_view)>& write) {
    ProduceExport(list, format == ExportFormat::Html, format == ExportFormat::CsvSemicolon ? ';' : ',',
                  look, write);
}

std::string CsvText(const SongList& list, char separator) {
    return CollectExport(list, false, separator, {});
}

int HtmlFontSize(int pointSize) {
    if (pointSize <= 5) return 1;
    if (pointSize <= 9) return 2;
    if (pointSize == 10) return 3;
    if (pointSize <= 13) return 4;
    if (pointSize <= 17) return 5;
    if (pointSize <= 21) return 6;
    return 7;
}

std::string HtmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendHtmlEscaped(out, text);
    return out;
}

std::string HtmlText(const SongList& list, const ExportLook& look) {
    return CollectExport(list, true, ',', look);
}

std::string ExportText(const SongList& list, ExportFormat format, const ExportLook& look) {
    std::string text;
    StreamExport(list, format, look, [&](std::string_view slice) { text += slice; });
    return text;
}

void WriteExport(const SongList& list, ExportFormat format, const ExportLook& look,
                 const std::filesystem::path& path, const std::vector<FileIdentity>& inputs) {
    OutputFile file(path, inputs);
    StreamExport(list, format, look, [&](std::string_view text) { file.Write(text); });
    file.Commit();
}

}  // namespace tv
