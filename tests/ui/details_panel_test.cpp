// The details panel of the main window against real MP3 files.

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cstdlib>

#include "widgets/ui/byte_text.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/list_page.h"
#include "metadata/id3_tag.h"
#include "settings/ini_file.h"
#include "tests/support/main_window_fixture.h"
#include "tools/ui/autoadding_dialog.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/status_panels.h"

using namespace tv;
using namespace tv::test;

namespace {

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

// Copies a fixture into the program folder (under another name, if given).
std::string Fixture(Program& program, const char* name, const std::string& as = {}) {
    const std::filesystem::path target = program.folder / (as.empty() ? std::string(name) : as);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(kData / name, target);
    return target.string();
}

ID3v1Fields TagOf(const std::string& path) {
    TID3Tag tag;
    tag.SetFileName(path);
    return {tag.Title(), tag.Artist(), tag.Album(), tag.Year(), tag.Comment(), 0, 0};
}

QString Text(QLineEdit* edit) {
    return edit->displayText();
}

}  // namespace

class DetailsPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void anUncataloguedFileFillsThePanelFromItsTagAndFrames() {
        Program program;
        program.Start();
        const SongDetailsControls& d = program.form->Details();
        QVERIFY(!d.GBSongInfo->isEnabled());
        QVERIFY(!d.BtnRetryID3->isEnabled());
        const std::string file = Fixture(program, "with_id3v1.mp3");
        d.EdtFile->setText(QString::fromStdString(file));
        QVERIFY(d.GBSongInfo->isEnabled());
        QCOMPARE(d.EdtTitel->text(),
                 QStringLiteral("Über Alles"));  // capitalised, the umlaut too
        QCOMPARE(d.EdtInterpret->text(), QStringLiteral("Die Ärzte"));
        QCOMPARE(d.EdtAlbum->text(), QStringLiteral("Das Album"));
        QCOMPARE(d.edtComment->text(), QStringLiteral("Kommentar"));
        QCOMPARE(d.CBGenre->currentText(), QStringLiteral("Rock"));
        QCOMPARE(Text(d.EdtJahr), QStringLiteral("1998"));
        QCOMPARE(Text(d.EdtTime), QStringLiteral("00:03"));
        QCOMPARE(d.EdtBitrate->text(), QStringLiteral("128"));
        QCOMPARE(d.EdtFileSize->text(), QStringLiteral("0,05"));
        QVERIFY(d.BtnSongOK->isEnabled());
        QVERIFY(program.form->Catalogue().IsEmpty());  // nothing stored yet
    }

    void okStoresThePanelInTheCatalogueAndInEveryListHoldingTheFile() {
        Program program;
        const std::string file = (program.folder / "with_id3v1.mp3").string();
        WriteBytes(program.folder / "PLAYLIST.TSV", kCopyCaptions + CopyLine("old", file));
        WriteBytes(program.folder / "SELECTION.TSV",
                   kCopyCaptions + CopyLine("other", "/other.mp3"));
        program.Start();
        Fixture(program, "with_id3v1.mp3");
        const SongDetailsControls& d = program.form->Details();
        d.EdtFile->setText(QString::fromStdString(file));
        d.EdtTitel->setText(QStringLiteral("Neuer Titel"));
        program.form->SetRememberedPictureName(QStringLiteral("/cover.jpg"));
        d.BtnSongOK->click();

        const SongList& catalogue = program.form->Catalogue();
        QCOMPARE(catalogue.DataRowCount(), 1);
        const QStringList expected{
            "Neuer Titel", "Die Ärzte", "00:03", "Das Album",
            "Rock",        "1998",      "128",   QString::fromStdString(file),
            "Kommentar",   "",          "",      "/cover.jpg"};
        for (int c = 0; c < kSongColumnCount; ++c)
            QCOMPARE(ToQString(catalogue.Cell(1, c)), expected[c]);
        QCOMPARE(program.form->Playlist().Cell(1, colTitle), std::string("Neuer Titel"));
        QCOMPARE(program.form->Playlist().ColumnCount(), kCopyColumnCount);  // no "Image" kept
        QCOMPARE(program.form->Selection().Cell(1, colTitle), std::string("other"));
        QCOMPARE(program.form->STBarAll()->PanelText(0), QStringLiteral("Gesamt : 1 Einträge"));
        QCOMPARE(TagOf(file).Title, std::string("Über Alles"));  // write-back is off
    }

    void aFileWithoutTagIsNamedByItsPath() {
        Program program;
        program.Start();
        const std::string file =
            Fixture(program, "cbr128_stereo.mp3", "85/mixed/01 - band - song title.mp3");
        const SongDetailsControls& d = program.form->Details();
        d.EdtFile->setText(QString::fromStdString(file));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Song Title"));
        QCOMPARE(d.EdtInterpret->text(), QStringLiteral("Band "));
        QCOMPARE(Text(d.EdtJahr), QStringLiteral("1985"));
        QCOMPARE(d.CBGenre->currentIndex(), 0);

        const std::string other =
            Fixture(program, "cbr128_stereo.mp3", "best of/1985 - my_song.mp3");
        d.EdtFile->setText(QString::fromStdString(other));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("My Song"));
        QCOMPARE(d.EdtInterpret->text(), QStringLiteral("Best Of"));
    }

    void aCataloguedFileFillsThePanelFromItsRowAndListClicksChooseFiles() {
        Program program;
        const std::string file = (program.folder / "with_id3v1.mp3").string();
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions +
                       "Aus der Zeile\tZeilenband\t123:45\tZeilenalbum\tFolk-Rock\t2002\t192\t" +
                       file + "\tZeilenkommentar\t4\t01.02.2003\t\t\r\n" +
                       CatalogueLine("b", "/missing.mp3"));
        Fixture(program, "with_id3v1.mp3");
        program.Start();
        // The start-up shows the catalogue's current row.
        const SongDetailsControls& d = program.form->Details();
        QCOMPARE(d.EdtFile->text(), QString::fromStdString(file));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Aus der Zeile"));
        QCOMPARE(Text(d.EdtTime), QStringLiteral("123:45"));
        QCOMPARE(d.CBGenre->currentText(), QStringLiteral("Folk/Rock"));
        QCOMPARE(d.edtComment->text(), QStringLiteral("Zeilenkommentar"));

        ClickRow(program.form->StGrdMain(), 2);
        QCOMPARE(d.EdtFile->text(), QStringLiteral("/missing.mp3"));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("b"));
        QCOMPARE(d.EdtFileSize->text(), QString());  // no such file: no size

        // "Titelinfo" reads the file itself, catalogued or not.
        ClickRow(program.form->StGrdMain(), 1);
        d.BtnRetryID3->click();
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Über Alles"));
    }

    void theOkButtonNeedsTitleAndArtist() {
        Program program;
        program.Start();
        const SongDetailsControls& d = program.form->Details();
        d.EdtFile->setText(QString::fromStdString(Fixture(program, "with_id3v1.mp3")));
        QVERIFY(d.BtnSongOK->isEnabled());
        d.EdtInterpret->clear();
        QVERIFY(!d.BtnSongOK->isEnabled());
        d.EdtInterpret->setText(QStringLiteral("x"));
        QVERIFY(d.BtnSongOK->isEnabled());
    }

    void withWriteBackChoosingAFileRewritesItsTag() {
        Program program;
        WriteBytes(program.folder / "SONGVAT.INI", "[SYSTEM]\r\nChBID3Write_Checked=True\r\n");
        program.Start();
        QVERIFY(program.form->ID3WriteChecked());
        const std::string file =
            Fixture(program, "cbr128_stereo.mp3", "Die Band/02 - die band - ein lied.mp3");
        program.form->Details().EdtFile->setText(QString::fromStdString(file));
        const ID3v1Fields tag = TagOf(file);
        QCOMPARE(tag.Title, std::string("Ein Lied"));
        QCOMPARE(tag.Artist, std::string("Die Band"));  // the blank is trimmed when read
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
    }

    void okWritesTheTagBackAndKeepsTheListedGenresBytes() {
        Program program;
        program.Start();
        program.form->ChBID3WriteClick();
        QVERIFY(program.form->ID3WriteChecked());
        const std::string file = Fixture(program, "with_id3v1.mp3");
        {
            TID3Tag tag;  // a genre the list spells its own way
            tag.SetFileName(file);
            tag.SetGenre("Psychadelic");
            tag.Save();
        }
        const SongDetailsControls& d = program.form->Details();
        d.EdtFile->setText(QString::fromStdString(file));
        QCOMPARE(d.CBGenre->currentText(), QStringLiteral("Psychedelic"));
        d.EdtAlbum->setText(QStringLiteral("Anderes Album"));
        d.BtnSongOK->click();
        QCOMPARE(TagOf(file).Album, std::string("Anderes Album"));
        QCOMPARE(static_cast<unsigned char>(ReadBytes(file).back()), 67u);
        QVERIFY(program.Close());
        QCOMPARE(
            IniFile::Load(program.folder / "SONGVAT.INI").Value("SYSTEM", "ChBID3Write_Checked"),
            std::optional<std::string>("True"));
    }

    void aFailedWriteBackIsReportedAndTheRowsStayWritten() {
        Program program;
        program.Start();
        program.form->ChBID3WriteClick();
        const std::string file = (program.folder / "song.mp3").string();
        std::filesystem::create_directory(file);  // cannot be written as a file
        const SongDetailsControls& d = program.form->Details();
        d.EdtFile->setText(QString::fromStdString(file));
        // A tag that could not be read is not written back while loading.
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
        d.BtnSongOK->click();
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(1));
        QVERIFY(program.prompts.LastText().contains(QString::fromStdString(file)));
        QCOMPARE(program.prompts.AskedSoFar().back().Icon, PromptIcon::Error);
        QCOMPARE(program.form->Catalogue().Cell(1, colFileName), file);
    }

    // A file whose audio cannot be analysed still shows its own tag, never the
    // previous song's comment or guesses from its path; with write-back ticked its
    // tag stays as it was.
    void aFileWhoseAnalysisFailsKeepsItsTag() {
        Program program;
        program.Start();
        program.form->ChBID3WriteClick();
        const SongDetailsControls& d = program.form->Details();
        const std::string before = Fixture(program, "with_id3v1.mp3", "before.mp3");
        d.EdtFile->setText(QString::fromStdString(before));
        QCOMPARE(d.edtComment->text(), QStringLiteral("Kommentar"));
        // One frame's start and an intact tag: the analysis fails, the tag is there.
        const auto tag = BuildID3v1(
            {"Real Title", "Real Artist", "Real Album", "2001", "real comment", 17, 0});
        const std::string victim = ReadBytes(kData / "mpeg25_cbr16.mp3").substr(0, 200) +
                                   std::string(tag.begin(), tag.end());
        const std::string file = (program.folder / "Victim" / "M.mp3").string();
        std::filesystem::create_directories(program.folder / "Victim");
        WriteBytes(file, victim);
        d.EdtFile->setText(QString::fromStdString(file));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Real Title"));
        QCOMPARE(d.EdtInterpret->text(), QStringLiteral("Real Artist"));
        QCOMPARE(d.EdtAlbum->text(), QStringLiteral("Real Album"));
        QCOMPARE(d.edtComment->text(), QStringLiteral("real comment"));
        QCOMPARE(d.CBGenre->currentText(), QStringLiteral("Rock"));
        QCOMPARE(ReadBytes(file), victim);
        // A file with no tag to read at all is never written while loading.
        const std::string folder = (program.folder / "Ordner.mp3").string();
        std::filesystem::create_directory(folder);
        d.EdtFile->setText(QString::fromStdString(folder));
        QVERIFY(d.edtComment->text().isEmpty());
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
    }

    // The file box takes the plain name from the folder scan's quoted one: a
    // double click and the cover's folder use it as it is.
    void theFileBoxHoldsNoQuotes() {
        Program program;
        program.Start();
        const std::string file = Fixture(program, "with_id3v1.mp3");
        program.form->ShowFileInPanel(QStringLiteral("\"%1\"").arg(QString::fromStdString(file)));
        QCOMPARE(program.form->Details().EdtFile->text(), QString::fromStdString(file));
    }

    // An ID3v2 tag (made by ffmpeg) shows its whole title; OK with write-back
    // updates its frames, as mutagen reads them, and the audio stays as it was.
    void anId3v2TagIsReadAndWrittenFromThePanel() {
        Program program;
        program.Start();
        const std::string file = (program.folder / "zwei.mp3").string();
        const std::string longTitle(40, 'w');
        QCOMPARE(std::system(("ffmpeg -loglevel error -f lavfi -i sine=duration=1 -c:a libmp3lame "
                              "-metadata title='" + longTitle + "' -metadata artist='ödland' "
                              "-metadata comment=alt -id3v2_version 3 '" + file + "'")
                                 .c_str()),
                 0);
        const auto audio = [&] {
            return std::system(("ffmpeg -loglevel error -i '" + file +
                                "' -map 0:a -f md5 - > '" + file + ".md5'")
                                   .c_str()) == 0
                       ? ReadBytes(file + ".md5")
                       : std::string();
        };
        const std::string audioBefore = audio();
        const SongDetailsControls& d = program.form->Details();
        d.EdtFile->setText(QString::fromStdString(file));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("W") + QString(39, QLatin1Char('w')));
        QCOMPARE(d.EdtInterpret->text(), QStringLiteral("Ödland"));
        program.form->ChBID3WriteClick();
        d.EdtTitel->setText(QStringLiteral("Größer als dreißig Zeichen ist dieser Titel"));
        d.edtComment->setText(QStringLiteral("neu"));
        d.BtnSongOK->click();
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
        QCOMPARE(std::system(("/usr/bin/python3 -c \"import sys; from mutagen.id3 import ID3; "
                              "t = ID3(sys.argv[1], load_v1=False); "
                              "sys.exit(0 if t.version[1] == 3 and str(t['TIT2']) == "
                              "'Größer als dreißig Zeichen ist dieser Titel' and "
                              "str(t.getall('COMM')[0]) == 'neu' else 1)\" '" + file + "'")
                                 .c_str()),
                 0);
        QCOMPARE(audio(), audioBefore);
    }

    void theBrowseButtonChoosesAFile() {
        Program program;
        program.Start();
        const std::string file = Fixture(program, "with_id3v1.mp3");
        program.prompts.ChooseFile(QString::fromStdString(file));
        program.form->Details().EdtFileButton->click();
        QCOMPARE(program.prompts.lastFileRequest.Title, QStringLiteral("MP3-Datei auswählen"));
        QVERIFY(program.prompts.lastFileRequest.Filter.startsWith(
            QStringLiteral("Audio- Dateien|*.mp3;*.wma;*.wav")));
        QCOMPARE(program.form->Details().EdtTitel->text(), QStringLiteral("Über Alles"));
        program.prompts.ChooseFile(std::nullopt);  // cancelled: nothing changes
        program.form->Details().EdtFileButton->click();
        QCOMPARE(program.form->Details().EdtFile->text(), QString::fromStdString(file));
    }

    void okKeepsTheImageOfACataloguedRow() {
        Program program;
        const std::string file = (program.folder / "with_id3v1.mp3").string();
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + "Titel\tBand\t00:03\tAlbum\tRock\t1998\t128\t" + file +
                       "\t\t2\t01.02.2003\t/covers/front.jpg\t\r\n" + CatalogueLine("b", "/b.mp3"));
        Fixture(program, "with_id3v1.mp3");
        program.Start();
        const SongDetailsControls& d = program.form->Details();
        ClickRow(program.form->StGrdMain(), 2);
        ClickRow(program.form->StGrdMain(), 1);
        QCOMPARE(program.form->RememberedPictureName(), QStringLiteral("/covers/front.jpg"));
        d.EdtAlbum->setText(QStringLiteral("Neues Album"));
        d.BtnSongOK->click();
        const SongList& catalogue = program.form->Catalogue();
        QCOMPARE(catalogue.Cell(1, colAlbum), std::string("Neues Album"));
        QCOMPARE(catalogue.Cell(1, colImage), std::string("/covers/front.jpg"));
        QCOMPARE(catalogue.Cell(1, colPlayCount), std::string("2"));
        // A row without a picture gives the next stored row none either.
        ClickRow(program.form->StGrdMain(), 2);
        QCOMPARE(program.form->RememberedPictureName(), QString());
    }

    void aClickOnTheCurrentRowFillsThePanelFromIt() {
        Program program;
        const std::string first = (program.folder / "eins.mp3").string();
        const std::string second = (program.folder / "zwei.mp3").string();
        WriteBytes(
            program.folder / "ALL_SONGS.TSV",
            kCatalogueCaptions + CatalogueLine("Eins", first) + CatalogueLine("Zwei", second));
        Fixture(program, "with_id3v1.mp3", "eins.mp3");
        Fixture(program, "cbr128_stereo.mp3", "zwei.mp3");
        const std::string other = Fixture(program, "with_id3v1.mp3", "anderes.mp3");
        program.Start();
        const SongDetailsControls& d = program.form->Details();
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Eins"));

        // The browse button shows another file; row 1 stays highlighted.
        program.prompts.ChooseFile(QString::fromStdString(other));
        d.EdtFileButton->click();
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Über Alles"));
        QCOMPARE(program.form->Catalogue().CurrentRow(), 1);
        ClickRow(program.form->StGrdMain(), 1);
        QCOMPARE(d.EdtFile->text(), QString::fromStdString(first));
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Eins"));

        // Changed but not stored: a click on the same row shows the row again, and
        // OK stores into the row the panel shows.
        d.EdtTitel->setText(QStringLiteral("Verworfen"));
        ClickRow(program.form->StGrdMain(), 1);
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Eins"));
        QTest::keyClick(program.form->StGrdMain(), Qt::Key_Down);
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Zwei"));
        d.EdtTitel->setText(QStringLiteral("Zwei neu"));
        d.BtnSongOK->click();
        QCOMPARE(Column(program.form->Catalogue(), colTitle), (QStringList{"Eins", "Zwei neu"}));
        QCOMPARE(program.form->Catalogue().DataRowCount(), 2);
    }

    void deletingRowsNeverLoadsOrWritesAnotherSong() {
        Program program;
        std::string selection = kCopyCaptions;
        std::vector<std::string> files;
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}) {
            files.push_back(Fixture(program, "with_id3v1.mp3", name));
            selection += CopyLine(name, files.back());
        }
        WriteBytes(program.folder / "SELECTION.TSV", selection);
        program.Start();
        TForm1& form = *program.form;
        form.CPageControl()->setCurrentIndex(1);
        SelectRows(form.StGrdSelection(), 2, 1);  // loads b.mp3, then a.mp3 (write-back off)
        const SongDetailsControls& d = form.Details();
        QCOMPARE(d.EdtFile->text(), QString::fromStdString(files[0]));
        form.ChBID3WriteClick();  // from now on, loading an uncatalogued file rewrites its tag
        std::vector<std::string> before;
        for (const std::string& file : files) before.push_back(ReadBytes(file));

        program.prompts.Answer(PromptAnswer::Yes);
        BarButton(form.Page(ListKind::Selection), QStringLiteral("Zeile(n) löschen"))->click();
        QCOMPARE(Column(form.Selection(), colTitle), (QStringList{"c.mp3", "d.mp3"}));
        for (std::size_t i = 0; i < files.size(); ++i) QCOMPARE(ReadBytes(files[i]), before[i]);
        QCOMPARE(d.EdtFile->text(), QString::fromStdString(files[0]));  // the panel stays
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(1));  // only the question
        // The highlight, the list's cursor and its selected range agree.
        const SongList& list = form.Selection();
        QCOMPARE(list.CurrentRow(), 1);
        QCOMPARE(list.SelectionTop(), 1);
        QCOMPARE(list.SelectionBottom(), 1);
        QCOMPARE(form.StGrdSelection()->currentIndex().row(), 0);
        const QModelIndexList rows = form.StGrdSelection()->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.front().row(), 0);
    }

    void aFileNameThatIsNotUtf8SurvivesScanListsRestartAndWriteBack() {
        Program program;
        const std::filesystem::path folder = program.folder / "Musik";
        const std::string name = "B\xE4r \xFF.mp3";  // Latin-1 bytes, not UTF-8
        const std::string file = (folder / name).string();
        Fixture(program, "with_id3v1.mp3", "Musik/" + name);
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        dialog->DirEdit()->setText(QString::fromStdString(folder.string()));
        dialog->SpeedButton1Click();
        dialog->OKBtnClick();
        QCOMPARE(program.form->Catalogue().Cell(1, colFileName), file);
        QCOMPARE(program.form->Catalogue().Cell(1, colTime), std::string("00:03"));
        QCOMPARE(program.form->Catalogue().Cell(1, colArtist), std::string("Die Ärzte"));
        QVERIFY(program.Close());
        const std::string saved = program.File("ALL_SONGS.TSV");
        QVERIFY(saved.find("\t" + file + "\t") != std::string::npos);
        QVERIFY(saved.find("Die \xC3\x84rzte") != std::string::npos);  // UTF-8 stays UTF-8

        program.Start();
        const SongList& catalogue = program.form->Catalogue();
        QCOMPARE(catalogue.Cell(1, colFileName), file);
        QCOMPARE(catalogue.Cell(1, colArtist), std::string("Die Ärzte"));
        program.form->ChBID3WriteClick();
        ClickRow(program.form->StGrdMain(), 1);
        const SongDetailsControls& d = program.form->Details();
        QCOMPARE(d.EdtTitel->text(), QStringLiteral("Über Alles"));
        QCOMPARE(d.EdtFileSize->text(), QStringLiteral("0,05"));  // the file itself was found
        d.EdtTitel->setText(QStringLiteral("Neuer Titel"));
        d.BtnSongOK->click();
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
        QCOMPARE(TagOf(file).Title, std::string("Neuer Titel"));
        QCOMPARE(catalogue.DataRowCount(), 1);
        QCOMPARE(catalogue.Cell(1, colFileName), file);
    }

    void theGenreListHoldsTheEmptyEntryAnd147SortedNames() {
        Program program;
        program.Start();
        QComboBox* genres = program.form->Details().CBGenre;
        QCOMPARE(genres->count(), 148);
        QCOMPARE(genres->itemText(0), QString());
        QCOMPARE(genres->itemText(1), QStringLiteral("Acapella"));
        QVERIFY(genres->findText(QStringLiteral("Psychadelic")) < 0);
        QVERIFY(genres->findText(QStringLiteral("Folk-Rock")) < 0);
        QVERIFY(genres->findText(QStringLiteral("Christian Gangs")) > 0);
        for (int i = 2; i < genres->count(); ++i)
            QVERIFY(genres->itemText(i - 1).compare(genres->itemText(i), Qt::CaseInsensitive) <= 0);
    }
};

QTEST_MAIN(DetailsPanelTest)
#include "details_panel_test.moc"
