#include "tools/list_export.h"

#include <gtest/gtest.h>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "tests/support/temp_folder.h"
#include "tests/support/write_limit.h"

namespace tv {
namespace {

TEST(CsvText, EveryCellEndsWithTheSeparatorAndOnlyAwkwardCellsAreQuoted) {
    SongList list(3);
    list.SetCell(1, 0, "Rock & Roll");
    list.SetCell(1, 1, "a,b");
    list.SetCell(1, 2, "sagt \"hi\"\nund geht");
    EXPECT_EQ(CsvText(list, ';'),
              "Titel;Interpret;Zeit;\r\nRock & Roll;a,b;\"sagt \"\"hi\"\"\nund geht\";\r\n");
    EXPECT_EQ(CsvText(list, ','),
              "Titel,Interpret,Zeit,\r\nRock & Roll,\"a,b\",\"sagt \"\"hi\"\"\nund geht\",\r\n");
    // An empty list: the captions and a row of separators.
    SongList empty(kSongColumnCount);
    const std::string text = CsvText(empty, ';');
    EXPECT_EQ(text.substr(text.find("\r\n") + 2), std::string(12, ';') + "\r\n");
    EXPECT_TRUE(text.starts_with("Titel;Interpret;Zeit;Album;"));
}

TEST(HtmlText, TableFollowsTheLookOfTheList) {
    SongList list(2);
    list.SetCell(1, 0, "Rock & Roll <live>");
    list.SetCell(1, 1, "Ärger \"x\"");
    list.AppendRow();
    list.SetCell(2, 0, "läuft");
    list.SetRowColour(2, 0x0000FF);  // Windows colour: red
    ExportLook look;
    look.ListBackground = 0xFFFFFF;
    look.Header.Background = 0x008000;
    look.Header.Font = ExportFont{0xFFFF00, 8, true, false, false, true};
    look.Data.Alignment = CellAlignment::Left;
    const std::string html = HtmlText(list, look);
    EXPECT_EQ(html,
              "<table bgcolor=#FFFFFF>\r\n"
              " <tr>\r\n"
              "  <th align=left bgcolor=#008000>   <font color=#FFFF00 size=2><b><u>Titel</u></b>"
              "</font>  </th>"
              "  <th align=left bgcolor=#008000>   <font color=#FFFF00 size=2><b><u>Interpret"
              "</u></b></font>  </th>\r\n"
              " </tr>\r\n"
              " <tr>\r\n"
              "  <td align=left>Rock &amp; Roll &lt;live&gt;  </td>"
              "  <td align=left>&Auml;rger \"x\"  </td>\r\n"
              " </tr>\r\n"
              " <tr>\r\n"
              "  <td align=left bgcolor=#FF0000>l&auml;uft  </td>"
              "  <td align=left bgcolor=#FF0000>  </td>\r\n"
              " </tr>\r\n"
              "</table>\r\n");
}

TEST(HtmlEscaped, NamedEntitiesForLatin1AndNumbersBeyond) {
    EXPECT_EQ(HtmlEscaped("\xC2\xA0\xC3\x9F\xC3\xBF"), "&nbsp;&szlig;&yuml;");
    EXPECT_EQ(HtmlEscaped("\xE2\x82\xAC \xF0\x9F\x8E\xB5"), "&#8364; &#127925;");
    EXPECT_EQ(HtmlEscaped("/m/\xE4.mp3"), "/m/&auml;.mp3");  // a file-name byte
    EXPECT_EQ(HtmlEscaped("a'b\"c"), "a'b\"c");
}

TEST(HtmlFontSize, PointsMapToTheSevenSizes) {
    const std::pair<int, int> cases[] = {{0, 1},  {5, 1},  {6, 2},  {9, 2},  {10, 3}, {11, 4},
                                         {13, 4}, {14, 5}, {17, 5}, {18, 6}, {21, 6}, {22, 7}};
    for (const auto& [points, size] : cases) EXPECT_EQ(HtmlFontSize(points), size) << points;
}

TEST(WriteExport, ReplacesTheFileWholeOrNotAtAll) {
    test::TempFolder folder;
    SongList list(kSongColumnCount);
    list.SetCell(1, colTitle, "x");
    const auto target = folder / "out.csv";
    WriteExport(list, ExportFormat::CsvComma, {}, target);
    EXPECT_EQ(test::ReadBytes(target).substr(0, 6), "Titel,");
    EXPECT_THROW(WriteExport(list, ExportFormat::Html, {}, folder / "fehlt" / "out.html"),
                 std::system_error);
}

// A file is written a megabyte at a time: a list of several megabytes, with rows of
// their own colour and text that needs quotes and escapes, gives the same bytes as
// the text made whole, in every format; a list file among the inputs is refused.
TEST(WriteExport, FilesWrittenInSlicesHoldTheWholeText) {
    test::TempFolder folder;
    SongList list(kSongColumnCount);
    std::vector<std::string_view> cells;
    const std::string title = "T\u00fctel, \"mit\" <Zeichen> & Mehr";
    const std::string artist(200, 'a');
    std::vector<std::string> fileNames;
    for (int row = 1; row <= 12000; ++row) fileNames.push_back("/m/" + std::to_string(row) + ".mp3");
    list.BeginBulkChange();
    for (int row = 1; row <= 12000; ++row) {
        cells = {title, artist, "3:00", "", "", "", "", fileNames[static_cast<std::size_t>(row - 1)]};
        list.SetRowCellsInBulk(row, cells);
    }
    list.EndBulkChange();
    list.SetRowColour(7, 0x0000FF);
    ExportLook look;
    look.Header.Background = 0xF0F0F0;
    look.Header.Font = ExportFont{0x000000, 9, true, false, false, false};
    for (const ExportFormat format : {ExportFormat::CsvComma, ExportFormat::CsvSemicolon, ExportFormat::Html}) {
        const auto target = folder / "out";
        WriteExport(list, format, look, target);
        const std::string whole = ExportText(list, format, look);
        ASSERT_GT(whole.size(), std::size_t{2} << 20);  // more than two slices
        EXPECT_TRUE(test::ReadBytes(target) == whole) << static_cast<int>(format);
    }

    // A write that fails part-way over an existing export, in both writers: the
    // call fails, the old bytes stay, no temporary file is left.
    for (const ExportFormat format : {ExportFormat::CsvComma, ExportFormat::Html}) {
        const auto target = folder / "alt";
        test::WriteBytes(target, "alt");
        const int result =
            test::FailsPartWay(1536 * 1024, [&] { WriteExport(list, format, look, target); });
        EXPECT_EQ(result, 0) << static_cast<int>(format);
        EXPECT_EQ(test::ReadBytes(target), "alt");
        EXPECT_EQ(test::NamesIn(folder.Path()), (std::set<std::string>{"alt", "out"}));
    }
    test::WriteBytes(folder / "L.TSV", "Titel\r\n");
    EXPECT_THROW(WriteExport(list, ExportFormat::CsvComma, look, folder / "L.TSV", IdentitiesOf({folder / "L.TSV"})),
                 std::system_error);
    EXPECT_EQ(test::ReadBytes(folder / "L.TSV"), "Titel\r\n");
}

}  // namespace
}  // namespace tv
