// The main window with its four lists, on the offscreen platform, against real
// list files in a temporary program folder.

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/ui/about_box.h"
#include "app/ui/main_window.h"
#include "catalogue/list_file.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/copy_progress.h"
#include "catalogue/ui/list_page.h"
#include "catalogue/ui/song_grid.h"
#include "catalogue/ui/song_list_model.h"
#include "settings/ini_file.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_folder.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/status_panels.h"

using namespace tv;
using namespace tv::test;

namespace {}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void firstStartShowsFourEmptyColouredListsAndCreatesTheFiles() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        QCOMPARE(form.CPageControl()->count(), 4);
        const QStringList captions{"Alle Dateien", "Auswahl", "Playlist", "Dubletten"};
        for (int i = 0; i < 4; ++i) QCOMPARE(form.CPageControl()->tabText(i), captions[i]);
        QCOMPARE(form.CPageControl()->currentIndex(), 0);
        QCOMPARE(form.CPageControl()->ColouredBar()->TabColour(0), QColor(0, 0, 255));
        QCOMPARE(form.CPageControl()->ColouredBar()->TabColour(1), QColor(0, 128, 128));
        QCOMPARE(form.CPageControl()->ColouredBar()->TabColour(3), QColor(0, 0, 128));
        QCOMPARE(form.StGrdPlaylist()
                     ->model()
                     ->headerData(0, Qt::Horizontal, Qt::BackgroundRole)
                     .value<QColor>(),
                 QColor(128, 128, 128));
        QCOMPARE(form.Page(ListKind::Selection)->ButtonBar()->palette().color(QPalette::Window),
                 QColor(0, 128, 128));
        QCOMPARE(
            form.StGrdMain()->model()->headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("Dateiname"));
        QCOMPARE(form.StGrdMain()->columnWidth(7), 500);
        QCOMPARE(form.StGrdMain()->verticalHeader()->defaultSectionSize(), 18);

        QCOMPARE(form.STBarAll()->PanelText(0), QStringLiteral("Auswahl : Keine Einträge"));
        QCOMPARE(form.STBarSel()->PanelText(0), QStringLiteral("Auswahl : Keine Einträge"));
        QCOMPARE(form.STBarPlay()->PanelText(0), QStringLiteral("Playlist : Keine Einträge"));
        QCOMPARE(form.StBarDoubles()->PanelText(0), QStringLiteral("Doppelt : Keine Einträge"));
        QCOMPARE(form.STBarSel()->PanelText(1), QStringLiteral("Größe : 0,00 MB"));
        QVERIFY(form.windowTitle().startsWith(QStringLiteral("MP3-TUNEVAULT Version 2.01")));
        QVERIFY(form.FormInfo()->isHidden());  // the splash is gone

        QVERIFY(program.Close());
        QCOMPARE(program.File("ALL_SONGS.TSV"),
                 kCatalogueCaptions + std::string(12, '\t') + "\r\n");
        QCOMPARE(program.File("DOUBLES.TSV"), kCopyCaptions + std::string(9, '\t') + "\r\n");
        const IniFile ini = IniFile::Load(program.folder / "SONGVAT.INI");
        QCOMPARE(ini.Value("SYSTEM", "CPageControl_ActivePage"),
                 std::optional<std::string>("CSAll"));
        QCOMPARE(ini.Value("SYSTEM", "PlayListPlay_Checked"), std::optional<std::string>("True"));
        QCOMPARE(ini.Value("SYSTEM", "ChBID3Write_Checked"), std::optional<std::string>("False"));
        QCOMPARE(ini.Value("SYSTEM", "CSPlay_TabColor"), std::optional<std::string>("8421504"));
        QCOMPARE(ini.Value("SYSTEM", "Panel1_Height"), std::optional<std::string>("201"));
        QVERIFY(ini.Value("SYSTEM", "NormPos").has_value());
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
    }

    void listsAreLoadedAndSavedByteForByte() {
        Program program;
        const std::string catalogue = kCatalogueCaptions + CatalogueLine("Über", "/m/ü.mp3") +
                                      CatalogueLine("Zwei", "/m/2.mp3");
        const std::string selection =  // twelve cells per line widen the selection
            kCatalogueCaptions + CatalogueLine("Zwei", "/m/2.mp3");
        const std::string playlist = kCopyCaptions + CopyLine("Zwei", "/m/2.mp3");
        const std::string doubles = kCopyCaptions + std::string(9, '\t') + "\r\n";
        WriteBytes(program.folder / "ALL_SONGS.TSV", catalogue);
        WriteBytes(program.folder / "SELECTION.TSV", selection);
        WriteBytes(program.folder / "PLAYLIST.TSV", playlist);
        WriteBytes(program.folder / "DOUBLES.TSV", doubles);
        program.Start();
        QCOMPARE(program.form->Catalogue().DataRowCount(), 2);
        QCOMPARE(program.form->Selection().ColumnCount(), 12);
        QCOMPARE(program.form->STBarAll()->PanelText(0), QStringLiteral("Gesamt : 2 Einträge"));
        QCOMPARE(program.form->STBarPlay()->PanelText(0), QStringLiteral("Playlist : 1 Einträge"));
        QCOMPARE(program.form->StGrdMain()
                     ->model()
                     ->data(program.form->StGrdMain()->model()->index(0, 0))
                     .toString(),
                 QStringLiteral("Über"));
        QVERIFY(program.Close());
        QCOMPARE(program.File("ALL_SONGS.TSV"), catalogue);
        QCOMPARE(program.File("SELECTION.TSV"), selection);
        QCOMPARE(program.File("PLAYLIST.TSV"), playlist);
        QCOMPARE(program.File("DOUBLES.TSV"), doubles);
    }

    void anUnreadableListFileIsReportedAndNeverOverwritten() {
        Program program;
        std::filesystem::create_directory(program.folder / "ALL_SONGS.TSV");
        WriteBytes(program.folder / "PLAYLIST.TSV", kCopyCaptions + CopyLine("Eins", "/1.mp3"));
        program.Start();
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(1));
        QVERIFY(program.prompts.LastText().contains(
            QString::fromStdString((program.folder / "ALL_SONGS.TSV").string())));
        QCOMPARE(program.form->Playlist().DataRowCount(), 1);  // later lists still loaded
        QCOMPARE(program.form->STBarPlay()->PanelText(0), QStringLiteral("Playlist : 1 Einträge"));
        QVERIFY(program.Close());
        QVERIFY(std::filesystem::is_directory(program.folder / "ALL_SONGS.TSV"));
        QCOMPARE(program.File("PLAYLIST.TSV"), kCopyCaptions + CopyLine("Eins", "/1.mp3"));
        QVERIFY(!std::filesystem::exists(program.folder / "ALL_SONGS.TSV.neu"));  // nothing added

        // What is added meanwhile is kept beside the unreadable file, never over
        // another file, and the shut-down names where it went.
        for (const char* kept : {"ALL_SONGS.TSV.neu", "ALL_SONGS.TSV.neu2"}) {
            program.prompts.Clear();
            program.Start();
            program.form->Details().EdtFile->setText(QStringLiteral("/neu.mp3"));
            program.form->Details().EdtInterpret->setText(QStringLiteral("Band"));
            program.form->BtnSongOKClick();
            QVERIFY(program.Close());
            QVERIFY(program.prompts.LastText().contains(
                QString::fromStdString((program.folder / kept).string())));
            QVERIFY(program.File(kept).find("\t/neu.mp3\t") != std::string::npos);
        }
        QVERIFY(program.File("ALL_SONGS.TSV.neu") == program.File("ALL_SONGS.TSV.neu2"));
        QVERIFY(std::filesystem::is_directory(program.folder / "ALL_SONGS.TSV"));
    }

    // A list with a zero byte inside would load cut short and be saved cut
    // short: it is reported and kept byte for byte. A spreadsheet's "Unicode
    // text" (UTF-16 with its mark) is read.
    void listsWithAZeroByteAreKeptAndUtf16ListsAreRead() {
        Program program;
        const std::string broken =
            kCopyCaptions + CopyLine("Eins", "/1.mp3") + std::string("\0", 1) +
            CopyLine("Zwei", "/2.mp3");
        WriteBytes(program.folder / "PLAYLIST.TSV", broken);
        const QString selection = QString::fromStdString(kCopyCaptions + CopyLine("Ödland", "/ö.mp3"));
        WriteBytes(program.folder / "SELECTION.TSV", Utf16Bytes(selection.toStdU16String()));
        program.Start();
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(1));
        QVERIFY(program.prompts.LastText().contains(QStringLiteral("Nullbyte")));
        QCOMPARE(program.form->Selection().Cell(1, colTitle), std::string("\xC3\x96" "dland"));
        QVERIFY(program.Close());
        QCOMPARE(program.File("PLAYLIST.TSV"), broken);
        QCOMPARE(program.File("SELECTION.TSV"), selection.toStdString());  // saved as UTF-8
    }

    void deletingCatalogueRowsAsksAndRemovesThemFromEveryList() {
        Program program;
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + CatalogueLine("a", "/a.mp3") +
                       CatalogueLine("b", "/b.mp3") + CatalogueLine("c", "/c.mp3"));
        WriteBytes(program.folder / "PLAYLIST.TSV",
                   kCopyCaptions + CopyLine("b", "/b.mp3") + CopyLine("x", "/x.mp3") +
                       CopyLine("B", "/B.MP3"));  // another file
        WriteBytes(program.folder / "DOUBLES.TSV", kCopyCaptions + CopyLine("c", "/c.mp3"));
        program.Start();
        TForm1& form = *program.form;
        SelectRows(form.StGrdMain(), 2, 3);
        QCOMPARE(form.Catalogue().SelectionTop(), 2);
        QCOMPARE(form.Catalogue().SelectionBottom(), 3);

        program.prompts.Answer(PromptAnswer::No);
        BarButton(form.Page(ListKind::Catalogue), QStringLiteral("Zeile(n) löschen"))->click();
        QCOMPARE(form.Catalogue().DataRowCount(), 3);
        QCOMPARE(program.prompts.AskedSoFar().back().Title, QStringLiteral("Löschen"));
        QCOMPARE(program.prompts.LastText(),
                 QStringLiteral("Einträge wirklich aus Datenbank löschen?"));

        program.prompts.Answer(PromptAnswer::Yes);
        BarButton(form.Page(ListKind::Catalogue), QStringLiteral("Zeile(n) löschen"))->click();
        QCOMPARE(Column(form.Catalogue(), colTitle), QStringList{"a"});
        QCOMPARE(Column(form.Playlist(), colTitle), (QStringList{"x", "B"}));
        QVERIFY(form.Doubles().IsEmpty());
        QCOMPARE(form.StBarDoubles()->PanelText(0), QStringLiteral("Doppelt : Keine Einträge"));
        QCOMPARE(form.STBarAll()->PanelText(0), QStringLiteral("Gesamt : 1 Einträge"));

        // Deleting a playlist row leaves the catalogue alone.
        form.CPageControl()->setCurrentIndex(2);
        ClickRow(form.StGrdPlaylist(), 1);
        program.prompts.Answer(PromptAnswer::Yes);
        form.Page(ListKind::Playlist)->ContextMenu()->actions().at(0)->trigger();
        QCOMPARE(program.prompts.LastText(),
                 QStringLiteral("Einträge wirklich aus Playliste löschen?"));
        QCOMPARE(Column(form.Playlist(), colTitle), QStringList{"B"});
        QCOMPARE(Column(form.Catalogue(), colTitle), QStringList{"a"});
        QCOMPARE(program.prompts.Unexpected(), 0);
    }

    void theDeleteKeyDeletesExceptInTheDoubles() {
        Program program;
        WriteBytes(program.folder / "SELECTION.TSV",
                   kCopyCaptions + CopyLine("a", "/a.mp3") + CopyLine("b", "/b.mp3"));
        WriteBytes(program.folder / "DOUBLES.TSV", kCopyCaptions + CopyLine("a", "/a.mp3"));
        program.Start();
        TForm1& form = *program.form;
        form.CPageControl()->setCurrentIndex(1);
        ClickRow(form.StGrdSelection(), 2);
        program.prompts.Answer(PromptAnswer::Yes);
        QTest::keyClick(form.StGrdSelection(), Qt::Key_Delete);
        QCOMPARE(program.prompts.LastText(),
                 QStringLiteral("Einträge wirklich aus Auswahl löschen?"));
        QCOMPARE(Column(form.Selection(), colTitle), QStringList{"a"});

        form.CPageControl()->setCurrentIndex(3);
        program.prompts.Clear();
        QTest::keyClick(form.StGrdDouble(), Qt::Key_Delete);
        QVERIFY(program.prompts.AskedSoFar().empty());
        QCOMPARE(form.Doubles().DataRowCount(), 1);
    }

    void theContextMenuActsOnTheSelectedRangeAsItStands() {
        Program program;
        std::string catalogue = kCatalogueCaptions;
        for (int i = 1; i <= 8; ++i)
            catalogue += CatalogueLine(std::to_string(i), "/" + std::to_string(i) + ".mp3");
        WriteBytes(program.folder / "ALL_SONGS.TSV", catalogue);
        program.Start();
        TForm1& form = *program.form;
        SongGrid* grid = form.StGrdMain();
        SelectRows(grid, 2, 5);
        // A right-click on row 8 opens the menu without touching the selection.
        const QPoint at = grid->visualRect(grid->model()->index(7, 0)).center();
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at,
                                    grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &menuEvent);
        QCOMPARE(form.Catalogue().SelectionTop(), 2);
        QCOMPARE(form.Catalogue().SelectionBottom(), 5);
        program.prompts.Answer(PromptAnswer::Yes);
        form.Page(ListKind::Catalogue)->ContextMenu()->actions().at(0)->trigger();
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"1", "6", "7", "8"}));
    }

    void typingLettersDoesNotJumpToRows() {
        Program program;
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + CatalogueLine("alpha", "/a.mp3") +
                       CatalogueLine("beta", "/b.mp3") + CatalogueLine("gamma", "/g.mp3"));
        program.Start();
        TForm1& form = *program.form;
        ClickRow(form.StGrdMain(), 1);
        QTest::keyClicks(form.StGrdMain(), QStringLiteral("gb"));
        QCOMPARE(form.Catalogue().CurrentRow(), 1);
        QCOMPARE(form.StGrdMain()->currentIndex().row(), 0);
        QCOMPARE(form.Details().EdtFile->text(), QStringLiteral("/a.mp3"));
    }

    void headerPressesSortAscendingThenDescending() {
        Program program;
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + CatalogueLine("b", "/1.mp3") +
                       CatalogueLine("c", "/3.mp3") + CatalogueLine("a", "/2.mp3"));
        WriteBytes(program.folder / "DOUBLES.TSV",
                   kCopyCaptions + CopyLine("b", "/1.mp3") + CopyLine("a", "/2.mp3"));
        program.Start();
        TForm1& form = *program.form;
        PressHeader(form.StGrdMain(), colTitle);
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"a", "b", "c"}));
        PressHeader(form.StGrdMain(), colTitle);
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"c", "b", "a"}));
        PressHeader(form.StGrdMain(), colFileName);
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"b", "a", "c"}));
        PressHeader(form.StGrdMain(), colTitle);  // another header in between: ascending again
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"a", "b", "c"}));
        QVERIFY(form.StGrdMain()->isEnabled());
        QCOMPARE(form.StGrdMain()
                     ->model()
                     ->data(form.StGrdMain()->model()->index(0, colFileName))
                     .toString(),
                 QStringLiteral("/2.mp3"));

        form.CPageControl()->setCurrentIndex(3);
        PressHeader(form.StGrdDouble(), colTitle);
        QCOMPARE(Column(form.Doubles(), colTitle), (QStringList{"b", "a"}));
    }

    void addingToThePlaylistCopiesTheSelectedRowsOnce() {
        Program program;
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + CatalogueLine("a", "/a.mp3") +
                       CatalogueLine("b", "/b.mp3") + CatalogueLine("c", "/c.mp3"));
        WriteBytes(program.folder / "SELECTION.TSV",
                   kCopyCaptions + CopyLine("s", "/s.mp3") + CopyLine("c", "/c.mp3"));
        program.Start();
        TForm1& form = *program.form;
        SelectRows(form.StGrdMain(), 2, 3);
        BarButton(form.Page(ListKind::Catalogue), QStringLiteral("zur Playliste hinzufügen"))
            ->click();
        QCOMPARE(Column(form.Playlist(), colTitle), (QStringList{"b", "c"}));
        QCOMPARE(form.Form7()->StatusText(), QStringLiteral(" 2 Einträge kopiert"));
        QVERIFY(form.Form7()->isHidden());
        QCOMPARE(form.Playlist().ColumnCount(), kCopyColumnCount);

        // From the selection tab the selection is the source; "c" is there already.
        form.CPageControl()->setCurrentIndex(1);
        SelectRows(form.StGrdSelection(), 1, 2);
        form.Page(ListKind::Selection)->ContextMenu()->actions().at(3)->trigger();
        QCOMPARE(Column(form.Playlist(), colTitle), (QStringList{"b", "c", "s"}));
        form.CPageControl()->setCurrentIndex(2);
        QCOMPARE(form.STBarPlay()->PanelText(0), QStringLiteral("Playlist : 3 Einträge"));
    }

    void clipboardKeysCopyCutAndPasteWithinTheSelection() {
        Program program;
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + CatalogueLine("a", "/a.mp3") +
                       CatalogueLine("b", "/b.mp3") + CatalogueLine("c", "/c.mp3"));
        program.Start();
        TForm1& form = *program.form;
        SongGrid* grid = form.StGrdMain();
        SelectRows(grid, 1, 2);
        QTest::keyClick(grid, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text().toStdString(),
                 CatalogueLine("a", "/a.mp3") + CatalogueLine("b", "/b.mp3"));

        SelectRows(grid, 3, 3);
        QTest::keyClick(grid, Qt::Key_Insert, Qt::ShiftModifier);  // pastes only the first line
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"a", "b", "a"}));
        QCOMPARE(form.Catalogue().DataRowCount(), 3);

        // Shift+Delete cuts, and releasing Delete then asks to delete the rows.
        SelectRows(grid, 1, 1);
        program.prompts.Answer(PromptAnswer::No);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(program.prompts.LastText(),
                 QStringLiteral("Einträge wirklich aus Datenbank löschen?"));
        QCOMPARE(form.Catalogue().DataRowCount(), 3);
        QCOMPARE(Column(form.Catalogue(), colTitle), (QStringList{"", "b", "a"}));
        QCOMPARE(QApplication::clipboard()->text().toStdString(), CatalogueLine("a", "/a.mp3"));
    }

    void markingAllSelectsEveryRow() {
        Program program;
        WriteBytes(program.folder / "DOUBLES.TSV", kCopyCaptions + CopyLine("a", "/a.mp3") +
                                                       CopyLine("b", "/b.mp3") +
                                                       CopyLine("c", "/c.mp3"));
        program.Start();
        TForm1& form = *program.form;
        form.CPageControl()->setCurrentIndex(3);
        BarButton(form.Page(ListKind::Doubles), QStringLiteral("alles auswählen"))->click();
        QCOMPARE(form.Doubles().SelectionTop(), 1);
        QCOMPARE(form.Doubles().SelectionBottom(), 3);
        QCOMPARE(form.StGrdDouble()->selectionModel()->selectedRows().size(), 3);
        program.prompts.Answer(PromptAnswer::Yes);
        BarButton(form.Page(ListKind::Doubles), QStringLiteral("Zeile(n) löschen"))->click();
        QVERIFY(form.Doubles().IsEmpty());
    }

    void storedSettingsAreRestored() {
        Program program;
        WriteBytes(program.folder / "SONGVAT.INI",
                   "[SYSTEM]\r\nCPageControl_ActivePage=CSDouble\r\nCSPlay_TabColor=0\r\n"
                   "CSPlay_TabFontColor=65535\r\nPanel1_Height=250\r\nNormPos=10,10,1110,710\r\n"
                   "ChBID3Write_Checked=True\r\n[EXPORT]\r\nRGFormat_ItemIndex=1\r\n");
        program.Start();
        TForm1& form = *program.form;
        QCOMPARE(form.CPageControl()->currentIndex(), 3);
        QCOMPARE(form.TabColor(ListKind::Playlist), 0);
        QCOMPARE(form.StGrdPlaylist()
                     ->model()
                     ->headerData(0, Qt::Horizontal, Qt::BackgroundRole)
                     .value<QColor>(),
                 QColor(Qt::black));
        QCOMPARE(form.StGrdPlaylist()
                     ->model()
                     ->headerData(0, Qt::Horizontal, Qt::ForegroundRole)
                     .value<QColor>(),
                 QColor(Qt::yellow));
        QCOMPARE(form.width(), 1100);
        QVERIFY(program.Close());
        const IniFile ini = IniFile::Load(program.folder / "SONGVAT.INI");
        QCOMPARE(ini.Value("SYSTEM", "CPageControl_ActivePage"),
                 std::optional<std::string>("CSDouble"));
        QCOMPARE(ini.Value("SYSTEM", "ChBID3Write_Checked"), std::optional<std::string>("True"));
        QCOMPARE(ini.Value("SYSTEM", "CSPlay_TabFontColor"), std::optional<std::string>("65535"));
        QCOMPARE(ini.Value("EXPORT", "RGFormat_ItemIndex"), std::optional<std::string>("1"));
    }

    void anUnwritableSettingsFileIsReportedAndTheListsAreStillSaved() {
        Program program;
        std::filesystem::create_directory(program.folder / "SONGVAT.INI");
        WriteBytes(program.folder / "SONGVAT.INI" / "x", "");
        program.Start();
        // Reading it failed, for the main window and for the player shown at start.
        const std::size_t atStart = program.prompts.AskedSoFar().size();
        QVERIFY(atStart >= 1);
        for (const auto& asked : program.prompts.AskedSoFar()) {
            QCOMPARE(asked.Title, QStringLiteral("Einstellungen"));
            QVERIFY(asked.Text.contains(QStringLiteral("gelesen")));
        }
        QVERIFY(program.prompts.AskedSoFar().front().Text.contains(QStringLiteral("\"SYSTEM\"")));
        QVERIFY(program.Close());
        QVERIFY(program.prompts.AskedSoFar().size() > atStart);  // and writing it
        QVERIFY(program.prompts.AskedSoFar()[atStart].Text.contains(QStringLiteral("gespeichert")));
        QCOMPARE(program.prompts.AskedSoFar().back().Icon, PromptIcon::Error);
        QVERIFY(std::filesystem::exists(program.folder / "ALL_SONGS.TSV"));
    }

    void aListThatCannotBeSavedKeepsTheWindowOpenUnlessTheUserInsists() {
        Program program;
        program.Start();
        program.form->Catalogue().SetCell(1, colFileName, "/new.mp3");
        std::filesystem::create_directory(program.folder / "ALL_SONGS.TSV");
        WriteBytes(program.folder / "ALL_SONGS.TSV" / "x", "");

        program.prompts.Answer(PromptAnswer::No);
        QVERIFY(!program.Close());
        QVERIFY(program.prompts.LastText().contains(QStringLiteral("ALL_SONGS.TSV")));
        QVERIFY(std::filesystem::exists(program.folder / "PLAYLIST.TSV"));  // the others were saved

        std::filesystem::remove_all(program.folder / "ALL_SONGS.TSV");
        QVERIFY(program.Close());
        QVERIFY(program.File("ALL_SONGS.TSV").find("/new.mp3") != std::string::npos);
    }

    void theAboutBoxShowsItsOkButtonAndThenReturnsToTheSplashState() {
        Program program;
        program.Start();
        TFormInfo* info = program.form->FormInfo();
        QVERIFY(!info->OKButton()->isVisibleTo(info));
        QVERIFY(info->LoadingLabel()->isVisibleTo(info));
        bool checked = false;
        QTimer::singleShot(0, info, [&] {
            checked = true;
            QVERIFY(info->OKButton()->isVisible());
            QVERIFY(!info->LoadingLabel()->isVisible());
            QVERIFY(!info->Animation()->isVisible());
            info->OKButton()->click();
        });
        program.form->SIInfoClick();
        QVERIFY(checked);
        QVERIFY(!info->OKButton()->isVisibleTo(info));
        QVERIFY(info->LoadingLabel()->isVisibleTo(info));
        QVERIFY(info->Animation()->isVisibleTo(info));
    }

    // Columns are wide enough for their German captions and typical values.
    void columnsFitTheirCaptionsAndDates() {
        Program program;
        program.Start();
        for (SongGrid* grid : {program.form->StGrdMain(), program.form->StGrdPlaylist()}) {
            // The text and the cell's margins on both sides.
            constexpr int kMargins = 8;
            const QFontMetrics cells(grid->font());
            if (grid->model()->columnCount() > colLastPlayed)
                QVERIFY(grid->columnWidth(colLastPlayed) >=
                        cells.horizontalAdvance(QStringLiteral("09.12.2026")) + kMargins);
            const QFontMetrics captions(grid->horizontalHeader()->font());
            for (int column = 0; column < grid->model()->columnCount(); ++column) {
                const QString caption = grid->model()->headerData(column, Qt::Horizontal).toString();
                QVERIFY2(grid->columnWidth(column) >= captions.horizontalAdvance(caption) + kMargins,
                         qPrintable(caption));
            }
        }
    }

    // The maker's address opens once per click, and once for a double click.
    void theAboutBoxLinkOpensThePageOncePerClick() {
        TFormInfo info(nullptr);
        int opened = 0;
        info.SetUrlOpener([&](const QUrl&) { ++opened; });
        QLabel* link = info.Label5();
        info.show();
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(opened, 1);
        // A double click as the system sends it: a click, then a press that comes
        // as a double click, and its release.
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mouseDClick(link, Qt::LeftButton);
        QCOMPARE(opened, 2);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(opened, 3);
    }

    void statusBarsSumTheSizesOfExistingFiles() {
        Program program;
        WriteBytes(program.folder / "a.mp3", std::string(3 * 1048576 / 2, 'x'));
        const std::string file = (program.folder / "a.mp3").string();
        WriteBytes(program.folder / "SELECTION.TSV",
                   kCopyCaptions + CopyLine("a", file) + CopyLine("gone", "/gone.mp3"));
        program.Start();
        QCOMPARE(program.form->STBarSel()->PanelText(0), QStringLiteral("Auswahl : 2 Einträge"));
        QCOMPARE(program.form->STBarSel()->PanelText(1), QStringLiteral("Größe : 1,50 MB"));
        WriteBytes(program.folder / "a.mp3", std::string(1048576, 'x'));
        program.form->CPageControl()->setCurrentIndex(1);
        QCOMPARE(program.form->STBarSel()->PanelText(1), QStringLiteral("Größe : 1,00 MB"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
