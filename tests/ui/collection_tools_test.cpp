// Search, duplicate finder, orphan removal, export and M3U from the main window,
// offscreen, on real files in a temporary program folder.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/song_grid.h"
#include "settings/ini_file.h"
#include "tests/support/main_window_fixture.h"
#include "tools/ui/doubles_dialog.h"
#include "tools/ui/export_dialog.h"
#include "tools/ui/find_dialog.h"
#include "tools/ui/orphans_dialog.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/status_panels.h"

using namespace tv;
using namespace tv::test;

namespace {

int AddSong(SongList& list, const std::string& title, const std::string& artist,
            const std::string& file, const std::string& time = "03:00") {
    const int row = RowForNewEntry(list);
    list.SetCell(row, colTitle, title);
    list.SetCell(row, colArtist, artist);
    list.SetCell(row, colTime, time);
    list.SetCell(row, colFileName, file);
    return row;
}

// Runs work inside a modal dialog's own loop once it is shown, then closes it
// (unless work did) and waits for open() to return.
void WhileOpen(QDialog* dialog, const std::function<void()>& open,
               const std::function<void()>& work) {
    bool ran = false;
    QTimer::singleShot(0, dialog, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 5000);
        work();
        ran = true;
        if (dialog->isVisible()) dialog->reject();
    });
    open();
    QVERIFY(ran);
}

std::vector<std::string> Cells(const SongList& list, int column) {
    std::vector<std::string> cells;
    for (int row = 1; row <= list.DataRowCount(); ++row) cells.emplace_back(list.Cell(row, column));
    return cells;
}

}  // namespace

class CollectionToolsTest : public QObject {
    Q_OBJECT

  private slots:
    void searchCopiesEveryMatchIntoTheSelectionOnce() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        AddSong(form.Catalogue(), "Schrei nach Liebe", "Die Ärzte", "/m/1.mp3");
        AddSong(form.Catalogue(), "Westerland", "DIE ÄRZTE", "/m/2.mp3");
        AddSong(form.Catalogue(), "Anderes", "Band", "/m/3.mp3");
        TFindDlg* dialog = form.FindDlg();
        WhileOpen(
            dialog, [&] { form.BtnFindClick(); },
            [&] {
                QVERIFY(!dialog->OKBtn()->isEnabled());
                QTest::sendKeyEvent(QTest::Click, dialog->EdtFind(), Qt::Key_unknown,
                                    QStringLiteral("ä"), Qt::NoModifier);
                QTest::keyClicks(dialog->EdtFind(), "rzte");
                QCOMPARE(dialog->EdtFind()->text(), QStringLiteral("ÄRZTE"));
                QVERIFY(dialog->OKBtn()->isEnabled());
                dialog->OKBtn()->click();
                QCOMPARE(form.CPageControl()->currentWidget(), form.Page(ListKind::Selection));
                QCOMPARE(Cells(form.Selection(), colFileName),
                         (std::vector<std::string>{"/m/1.mp3", "/m/2.mp3"}));
                dialog->OKBtn()->click();  // a second run adds nothing
                QCOMPARE(form.Selection().DataRowCount(), 2);
                // Nothing found: the warning, the focus back in the text box.
                dialog->EdtFind()->setText(QStringLiteral("XYZ"));
                dialog->OKBtn()->click();
                QCOMPARE(program.prompts.AskedSoFar().back().Title,
                         QStringLiteral("Nicht gefunden!"));
                QCOMPARE(program.prompts.LastText(),
                         QStringLiteral("Suchbegriff XYZ nicht gefunden!"));
            });
        QCOMPARE(form.STBarSel()->PanelText(0), QStringLiteral("Auswahl : 2 Einträge"));
    }

    void jumpingVisitsTheMatchesInTurnButNeverTheCurrentRowAgain() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        AddSong(form.Catalogue(), "Rock eins", "a", "/m/1.mp3");
        AddSong(form.Catalogue(), "Pop", "b", "/m/2.mp3");
        AddSong(form.Catalogue(), "Rock zwei", "c", "/m/3.mp3");
        form.Catalogue().SetCurrentRow(3);
        TFindDlg* dialog = form.FindDlg();
        WhileOpen(
            dialog, [&] { form.BtnFindClick(); },
            [&] {
                dialog->RBJumpTo()->setChecked(true);
                dialog->EdtFind()->setText(QStringLiteral("ROCK"));
                dialog->OKBtn()->click();  // the first search starts at row 1
                QCOMPARE(form.CPageControl()->currentWidget(), form.Page(ListKind::Catalogue));
                QCOMPARE(form.Catalogue().CurrentRow(), 1);
                QCOMPARE(form.StGrdMain()->currentIndex().row(), 0);
                dialog->OKBtn()->click();
                QCOMPARE(form.Catalogue().CurrentRow(), 3);
                dialog->OKBtn()->click();
                QCOMPARE(form.Catalogue().CurrentRow(), 1);
            });
        // One row: found once, then "nicht gefunden", as the current row is skipped.
        Program single;
        single.Start();
        AddSong(single.form->Catalogue(), "Rock", "a", "/m/1.mp3");
        TFindDlg* one = single.form->FindDlg();
        WhileOpen(
            one, [&] { single.form->BtnFindClick(); },
            [&] {
                one->RBJumpTo()->setChecked(true);
                one->EdtFind()->setText(QStringLiteral("ROCK"));
                one->OKBtn()->click();
                QVERIFY(single.prompts.AskedSoFar().empty());
                one->OKBtn()->click();
                QCOMPARE(single.prompts.AskedSoFar().size(), std::size_t{1});
            });
    }

    void theFieldBoxesAndAllFieldsExcludeEachOther() {
        Program program;
        program.Start();
        TFindDlg* dialog = program.form->FindDlg();
        QVERIFY(dialog->ChBAll()->isChecked());
        dialog->ChBTitel()->click();
        QVERIFY(!dialog->ChBAll()->isChecked());
        for (QCheckBox* box : {dialog->ChBInter(), dialog->ChBAlbum(), dialog->ChBJahr(),
                               dialog->ChBGenre(), dialog->ChBFileName()})
            box->click();
        QVERIFY(!dialog->ChBAll()->isChecked());
        dialog->ChBComment()->click();  // all seven: "allen Feldern" instead
        QVERIFY(dialog->ChBAll()->isChecked());
        QVERIFY(!dialog->ChBTitel()->isChecked());
        QVERIFY(!dialog->ChBComment()->isChecked());
    }

    void doublesFillTheDoublesList() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        AddSong(form.Catalogue(), "Yesterday", "Beatles", "/m/1.mp3");
        AddSong(form.Catalogue(), "Help", "Beatles", "/m/2.mp3");
        AddSong(form.Catalogue(), "Yesterday (Live)", "Beatles", "/m/3.mp3");
        AddSong(form.Doubles(), "alt", "", "/alt.mp3");
        TFinddouble* dialog = form.Finddouble();
        WhileOpen(
            dialog, [&] { form.SIFindDoublesClick(); },
            [&] {
                QVERIFY(!dialog->BtnStart()->isEnabled());
                dialog->CBTitel()->click();
                QVERIFY(dialog->BtnStart()->isEnabled());
                dialog->BtnStart()->click();
                QVERIFY(!dialog->BtnStart()->isEnabled());
                QVERIFY(dialog->BtnEnde()->isEnabled());
                QCOMPARE(Cells(form.Doubles(), colFileName),
                         (std::vector<std::string>{"/m/1.mp3", "/m/3.mp3"}));
                dialog->CBExcact()->click();
                dialog->CBTitel()->click();
                dialog->CBTitel()->click();
                dialog->BtnStart()->click();
                QVERIFY(form.Doubles().IsEmpty());
            });
        QVERIFY(form.StBarDoubles()->PanelText(0).endsWith(QStringLiteral(" : Keine Einträge")));
    }

    void orphansGoButUnreachableFoldersOnlyWhenTheUserSaysSo() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        const auto music = program.folder / "Musik";
        std::filesystem::create_directories(music);
        WriteBytes(music / "da.mp3", "x");
        AddSong(form.Catalogue(), "da", "", (music / "da.mp3").string());
        AddSong(form.Catalogue(), "weg", "", (music / "weg.mp3").string());
        AddSong(form.Catalogue(), "stick1", "", "/media/stick/a.mp3");
        AddSong(form.Catalogue(), "stick2", "", "/media/stick/b.mp3");
        AddSong(form.Playlist(), "weg", "", (music / "weg.mp3").string());
        // Cancel: nothing happens.
        program.prompts.Answer(PromptAnswer::Cancel);
        form.BtnNonExistClick();
        QVERIFY(!form.FormDelNo()->isVisible());
        QCOMPARE(form.Catalogue().DataRowCount(), 4);
        // OK, then No for the unreachable folder: only the missing file goes.
        program.prompts.Answer(PromptAnswer::Ok);
        program.prompts.Answer(PromptAnswer::No);
        TFormDelNo* dialog = form.FormDelNo();
        WhileOpen(
            dialog, [&] { form.BtnNonExistClick(); },
            [&] {
                QTRY_VERIFY_WITH_TIMEOUT(
                    dialog->StatusBar1()->PanelText(0).endsWith(QStringLiteral("gelöscht!")), 5000);
                QCOMPARE(dialog->StatusBar1()->PanelText(0),
                         QStringLiteral("1 Einträge gelöscht!"));
                QCOMPARE(dialog->Label2()->text(), QStringLiteral("Bisher gelöschte Einträge : 1"));
                QCOMPARE(dialog->Label1()->text(), QStringLiteral("Bearbeite Eintrag Nr.: "));
            });
        QCOMPARE(program.prompts.AskedSoFar().back().Text,
                 QStringLiteral("Der Ordner /media/stick ist nicht erreichbar (2 Einträge). "
                                "Diese Einträge trotzdem löschen?"));
        QCOMPARE(Cells(form.Catalogue(), colTitle),
                 (std::vector<std::string>{"da", "stick1", "stick2"}));
        QCOMPARE(form.Playlist().DataRowCount(), 1);  // other lists keep their rows
        QCOMPARE(form.STBarAll()->PanelText(0), QStringLiteral("Gesamt : 3 Einträge"));
        // Yes: they go as well.
        program.prompts.Answer(PromptAnswer::Ok);
        program.prompts.Answer(PromptAnswer::Yes);
        WhileOpen(
            dialog, [&] { form.BtnNonExistClick(); },
            [&] {
                QTRY_VERIFY_WITH_TIMEOUT(
                    dialog->StatusBar1()->PanelText(0).endsWith(QStringLiteral("gelöscht!")), 5000);
                QCOMPARE(dialog->StatusBar1()->PanelText(0),
                         QStringLiteral("2 Einträge gelöscht!"));
            });
        QCOMPARE(Cells(form.Catalogue(), colTitle), (std::vector<std::string>{"da"}));
        QCOMPARE(program.prompts.Unexpected(), 0);
        // Rows in several unreachable folders: each folder named (the first five)
        // with their number; No keeps them all.
        for (int i = 1; i <= 7; ++i)
            AddSong(form.Catalogue(), "s", "", "/media/stick" + std::to_string(i) + "/a.mp3");
        AddSong(form.Catalogue(), "s", "", "/media/stick1/b.mp3");
        program.prompts.Answer(PromptAnswer::Ok);
        program.prompts.Answer(PromptAnswer::No);
        WhileOpen(
            dialog, [&] { form.BtnNonExistClick(); },
            [&] {
                QTRY_VERIFY_WITH_TIMEOUT(
                    dialog->StatusBar1()->PanelText(0).endsWith(QStringLiteral("gelöscht!")), 5000);
            });
        QCOMPARE(program.prompts.AskedSoFar().back().Text,
                 QStringLiteral("7 Ordner sind nicht erreichbar (8 Einträge):\n/media/stick1\n"
                                "/media/stick2\n/media/stick3\n/media/stick4\n/media/stick5\n"
                                "… und 2 weitere\n\nDiese Einträge trotzdem löschen?"));
        QCOMPARE(form.Catalogue().DataRowCount(), 9);
    }

    void anEmptyCatalogueCountsItsEmptyRow() {
        Program program;
        program.Start();
        program.prompts.Answer(PromptAnswer::Ok);
        TFormDelNo* dialog = program.form->FormDelNo();
        WhileOpen(
            dialog, [&] { program.form->BtnNonExistClick(); },
            [&] {
                QTRY_COMPARE_WITH_TIMEOUT(dialog->StatusBar1()->PanelText(0),
                                          QStringLiteral("1 Einträge gelöscht!"), 5000);
            });
        QVERIFY(program.form->Catalogue().IsEmpty());
        QCOMPARE(program.form->Catalogue().DataRowCount(), 1);
    }

    void exportWritesTheActiveListAndKeepsItsSettings() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        AddSong(form.Playlist(), "Rock & Roll", "Ärzte", "/m/1.mp3");
        AddSong(form.Playlist(), "läuft", "b", "/m/2.mp3");
        form.Playlist().SetRowColour(2, 0x00FFFF);  // the playing row, yellow
        const QString target = QString::fromStdString((program.folder / "liste.html").string());
        // A row that names the export's file: its size counts once it is written.
        AddSong(form.Playlist(), "Die Liste " + std::string(30000, 'x'), "c", target.toStdString());
        form.CPageControl()->setCurrentWidget(form.Page(ListKind::Playlist));
        QCOMPARE(form.STBarPlay()->PanelText(1), QStringLiteral("Größe : 0,00 MB"));
        TFrmExport* dialog = form.FrmExport();
        WhileOpen(
            dialog, [&] { form.BtnSaveCSVClick(); },
            [&] {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("Playlist exportieren"));
                dialog->EdtFileName()->setText(QStringLiteral("liste.html"));
                QVERIFY(!dialog->BtnOK()->isEnabled());  // a bare name
                dialog->EdtFileName()->setText(QStringLiteral("/gibt/es/nicht/liste.html"));
                QVERIFY(!dialog->BtnOK()->isEnabled());
                dialog->EdtFileName()->setText(target);
                QVERIFY(dialog->BtnOK()->isEnabled());
                dialog->Format(2)->setChecked(true);
                dialog->BtnOK()->click();
            });
        QCOMPARE(program.prompts.AskedSoFar().back().Title, QStringLiteral("Exportiert"));
        QCOMPARE(program.prompts.LastText(),
                 QStringLiteral("Playlist nach ") + target + QStringLiteral(" exportiert."));
        const std::string html = ReadBytes(program.folder / "liste.html");
        QVERIFY(html.starts_with("<table bgcolor=#"));
        QVERIFY(html.find("<th align=left bgcolor=#808080>   <font color=#FFFFFF size=") !=
                std::string::npos);
        QVERIFY(html.find("Rock &amp; Roll") != std::string::npos);
        QVERIFY(html.find("&Auml;rzte") != std::string::npos);
        QVERIFY(html.find("<td align=left bgcolor=#FFFF00>l&auml;uft") != std::string::npos);
        QCOMPARE(form.STBarPlay()->PanelText(1), QStringLiteral("Größe : 0,03 MB"));
        const IniFile ini = IniFile::Load(program.folder / "SONGVAT.INI");
        QCOMPARE(QString::fromStdString(ini.Value("EXPORT", "EdtFileName_Text").value_or("")),
                 target);
        QCOMPARE(ini.Value("EXPORT", "RGFormat_ItemIndex").value_or(""), std::string("2"));
        // A file that cannot be written: the reason, no success message.
        std::filesystem::create_directory(program.folder / "liste.csv");
        WhileOpen(
            dialog, [&] { form.BtnSaveCSVClick(); },
            [&] {
                dialog->Format(0)->setChecked(true);
                dialog->EdtFileName()->setText(
                    QString::fromStdString((program.folder / "liste.csv").string()));
                dialog->BtnOK()->click();
            });
        QCOMPARE(program.prompts.AskedSoFar().back().Title, QStringLiteral("Exportieren"));
        QVERIFY(program.prompts.LastText().startsWith(QStringLiteral("Die Datei ")));
    }

    // The export window keeps its size as well as its place across a restart.
    void theExportWindowKeepsItsPlaceAndSize() {
        Program program;
        program.Start();
        WhileOpen(
            program.form->FrmExport(), [&] { program.form->BtnSaveCSVClick(); },
            [&] { program.form->FrmExport()->setGeometry(120, 90, 640, 300); });
        QVERIFY(program.Close());
        program.Start();
        QSize size;
        WhileOpen(
            program.form->FrmExport(), [&] { program.form->BtnSaveCSVClick(); },
            [&] { size = program.form->FrmExport()->size(); });
        QCOMPARE(size, QSize(640, 300));
    }

    void playlistsAreSavedAndLoadedAsM3U() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        // An empty playlist: no dialog.
        form.M3USaveClick();
        QCOMPARE(program.prompts.Unexpected(), 0);
        AddSong(form.Playlist(), "Song", "Ab-Cd", "/m/1.mp3", "03:07");
        AddSong(form.Playlist(), "Zwei", "", "/m/\xE4.mp3", "  :  ");
        const QString file = QString::fromStdString((program.folder / "liste.m3u").string());
        program.prompts.ChooseFile(file);
        form.M3USaveClick();
        QCOMPARE(program.prompts.lastFileRequest.Title, QStringLiteral("WinAmp-M2U speichern"));
        QCOMPARE(ReadBytes(program.folder / "liste.m3u"),
                 std::string("#EXTM3U\r\n#EXTINF:187,Ab-Cd - Song\r\n/m/1.mp3\r\n"
                             "#EXTINF:-1,Zwei\r\n/m/\xE4.mp3\r\n"));
        program.prompts.ChooseFile(file);
        form.M3ULoadClick();
        QCOMPARE(program.prompts.lastFileRequest.Title, QStringLiteral("WinAmp-M3U öffnen"));
        QCOMPARE(form.Playlist().DataRowCount(), 4);
        QCOMPARE(form.Playlist().Cell(3, colArtist), std::string("Ab-Cd"));
        QCOMPARE(form.Playlist().Cell(4, colFileName), std::string("/m/\xE4.mp3"));
        QCOMPARE(form.Playlist().Cell(4, colTime), std::string("  :  "));
        // A folder that cannot be written: the old file stays, the reason is shown.
        program.prompts.ChooseFile(
            QString::fromStdString((program.folder / "fehlt" / "x.m3u").string()));
        form.M3USaveClick();
        QCOMPARE(program.prompts.AskedSoFar().back().Title,
                 QStringLiteral("WinAmp-Playliste M3U sichern"));
        program.prompts.ChooseFile(QString::fromStdString((program.folder / "fehlt.m3u").string()));
        form.M3ULoadClick();
        QCOMPARE(program.prompts.AskedSoFar().back().Title,
                 QStringLiteral("WinAmp-Playliste M3U laden"));
        QCOMPARE(form.Playlist().DataRowCount(), 4);
        // The dialog's first filter shows M3U and M3U8 files alike.
        QVERIFY(program.prompts.lastFileRequest.Filter.startsWith(
            QStringLiteral("Playlisten (M3U, M3U8)|*.m3u;*.M3U;*.m3u8;*.M3U8|")));
        // A Windows player's list: the song beside it is found through the
        // backslashes, the path on drive C: is named in a warning.
        WriteBytes(program.folder / "lied.mp3", "x");
        WriteBytes(program.folder / "win.m3u8",
                   "#EXTM3U\r\n.\\lied.mp3\r\nC:\\Musik\\weg.mp3\r\n");
        program.prompts.ChooseFile(QString::fromStdString((program.folder / "win.m3u8").string()));
        form.M3ULoadClick();
        QCOMPARE(form.Playlist().DataRowCount(), 6);
        QCOMPARE(form.Playlist().Cell(5, colFileName), (program.folder / "lied.mp3").string());
        QVERIFY(program.prompts.LastText().startsWith(QStringLiteral("1 Einträge")));
        QVERIFY(program.prompts.LastText().contains(QStringLiteral("C:\\Musik\\weg.mp3")));
        QCOMPARE(form.STBarPlay()->PanelText(0), QStringLiteral("Playlist : 6 Einträge"));
        // A list without entries says so.
        WriteBytes(program.folder / "leer.m3u", "#EXTM3U\r\n# nur ein Kommentar\r\n");
        program.prompts.ChooseFile(QString::fromStdString((program.folder / "leer.m3u").string()));
        form.M3ULoadClick();
        QVERIFY(program.prompts.LastText().endsWith(QStringLiteral("enthält keine Einträge.")));
        QCOMPARE(form.Playlist().DataRowCount(), 6);
    }
};

QTEST_MAIN(CollectionToolsTest)
#include "collection_tools_test.moc"
