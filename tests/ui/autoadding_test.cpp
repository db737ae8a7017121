// The folder scan dialog on a real folder tree with real MP3 files.

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "settings/ini_file.h"
#include "tests/support/main_window_fixture.h"
#include "metadata/id3_tag.h"
#include "tools/song_cells.h"
#include "tools/ui/autoadding_dialog.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/folder_picker.h"
#include "widgets/ui/status_panels.h"

using namespace tv;
using namespace tv::test;

namespace {

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

// A music tree: tagged and untagged MP3s, odd names, a broken file, a hidden
// folder, a WAV file and a text file.
std::filesystem::path MakeTree(const std::filesystem::path& root) {
    const auto copy = [](const char* fixture, const std::filesystem::path& target) {
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(kData / fixture, target);
    };
    copy("with_id3v1.mp3", root / "Tagged" / "track.mp3");
    copy("cbr128_stereo.mp3", root / "Die Band" / "1999" / "03 - die band - erstes lied.mp3");
    copy("mpeg2_vbr_mono.mp3", root / "Sonstiges" / "Lied \"mit\" Zeichen; (Größe).mp3");
    copy("vbr_stereo.mp3", root / "Sonstiges" / ".früh.mp3");
    copy("cbr128_stereo.mp3", root / ".versteckt" / "nie.mp3");
    copy("no_frames.wav", root / "Sonstiges" / "klang.wav");
    WriteBytes(root / "Sonstiges" / "kaputt.mp3", std::string(3000, '\x17'));
    WriteBytes(root / "Sonstiges" / "liesmich.txt", "x");
    return root;
}

int Number(QLineEdit* counter) {
    return counter->text().toInt();
}

}  // namespace

class AutoaddingTest : public QObject {
    Q_OBJECT

  private slots:
    void scanningAndAddingFillTheCatalogue() {
        Program program;
        const auto root = MakeTree(program.folder / "Musik");
        const std::string known = (root / "Tagged" / "track.mp3").string();
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + CatalogueLine("Schon da", known));
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        dialog->show();
        QVERIFY(!dialog->SearchBtn()->isEnabled());
        QVERIFY(!dialog->OKBtn()->isEnabled());
        dialog->DirEdit()->setText(QString::fromStdString(root.string()));
        QVERIFY(dialog->SearchBtn()->isEnabled());

        dialog->SearchBtn()->click();
        QCOMPARE(Number(dialog->EdtGesamt()),
                 6);  // hidden file and broken file count, the dot folder not
        QCOMPARE(Number(dialog->Edtfertig()), 1);
        QCOMPARE(Number(dialog->EdtSoll()), 5);
        QCOMPARE(dialog->StGridAutoadd().size(), 5);
        QVERIFY(dialog->StGridAutoadd().front().startsWith(QLatin1Char('"')));
        QCOMPARE(dialog->Gauge1()->maximum(), 5);
        QVERIFY(dialog->OKBtn()->isEnabled());

        dialog->OKBtn()->click();
        QVERIFY(!dialog->OKBtn()->isEnabled());
        QVERIFY(!program.form->Adding());
        QCOMPARE(dialog->Gauge1()->value(), 5);
        const SongList& catalogue = program.form->Catalogue();
        QCOMPARE(catalogue.DataRowCount(), 6);
        const auto row = [&](const std::filesystem::path& file) {
            const int r = FindSongRow(catalogue, file.string(), colFileName);
            std::vector<std::string> cells;
            for (int c = 0; r > 0 && c < catalogue.ColumnCount(); ++c)
                cells.emplace_back(catalogue.Cell(r, c));
            return cells;
        };
        const auto guessed = row(root / "Die Band" / "1999" / "03 - die band - erstes lied.mp3");
        QCOMPARE(guessed.at(colTitle), std::string("Erstes Lied"));
        QCOMPARE(guessed.at(colArtist), std::string("Die Band "));
        QCOMPARE(guessed.at(colYear), std::string("1999"));
        QCOMPARE(guessed.at(colTime), std::string("00:03"));
        QCOMPARE(guessed.at(colBitrate), std::string("128"));
        QCOMPARE(guessed.at(colImage), std::string());
        const auto odd = row(root / "Sonstiges" / "Lied \"mit\" Zeichen; (Größe).mp3");
        QCOMPARE(odd.at(colTitle), std::string("Lied \"mit\" Zeichen; "));
        QCOMPARE(odd.at(colArtist), std::string("Größe"));  // named in brackets, not by the folder
        const auto broken = row(root / "Sonstiges" / "kaputt.mp3");
        QCOMPARE(broken.at(colTitle), std::string("Kaputt"));
        QCOMPARE(broken.at(colArtist), std::string("Sonstiges"));
        QCOMPARE(broken.at(colBitrate), std::string("0"));
        QVERIFY(!row(root / "Sonstiges" / "klang.wav").empty());
        QCOMPARE(row(root / "Tagged" / "track.mp3").at(colTitle),
                 std::string("Schon da"));  // not added again
        QCOMPARE(program.form->STBarAll()->PanelText(0), QStringLiteral("Gesamt : 6 Einträge"));

        // A second scan finds nothing to add.
        dialog->SearchBtn()->click();
        QCOMPARE(Number(dialog->EdtGesamt()), 6);
        QCOMPARE(Number(dialog->Edtfertig()), 6);
        QCOMPARE(Number(dialog->EdtSoll()), 0);
        QVERIFY(!dialog->OKBtn()->isEnabled());
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(0));
    }

    // The rows the command line's "add" makes are the rows the window stores for
    // the same files: tags of every kind (a compilation, a genre the list spells
    // its own way, one it does not have, a year with letters, empty fields), no tag,
    // a broken file, a WAV file and names that are not UTF-8.
    void theCommandLineMakesTheRowsTheWindowStores() {
        Program program;
        const auto root = MakeTree(program.folder / "Musik");
        const auto tagged = [&](const std::string& name, const std::string& title,
                                const std::string& artist, const std::string& year,
                                const std::string& genre) {
            const std::filesystem::path file = root / "Getaggt" / name;
            std::filesystem::create_directories(file.parent_path());
            std::filesystem::copy_file(kData / "cbr128_stereo.mp3", file);
            TID3Tag tag;
            tag.SetFileName(file.string());
            tag.SetTitle(title);
            tag.SetArtist(artist);
            tag.SetYear(year);
            tag.SetGenre(genre);
            tag.SetAlbum("ein album");
            tag.SetComment("so");
            tag.Save();
        };
        tagged("a.mp3", "SÄNGERIN / das lied", "Various Artists", "1999", "Psychadelic");
        tagged("b.mp3", "titel", "", "19a5", "Folk-Rock");
        tagged("c.mp3", "", "", "x", "Unknown");
        tagged("d.mp3", "über alles", "die band", "", "Rock");
        tagged("e \xFF\xFE.mp3", "nicht utf-8", "band", "2020", "");
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        dialog->DirEdit()->setText(QString::fromStdString(root.string()));
        dialog->SpeedButton1Click();
        dialog->OKBtnClick();
        const SongList& catalogue = program.form->Catalogue();
        QCOMPARE(catalogue.DataRowCount(), 11);
        for (int row = 1; row <= catalogue.DataRowCount(); ++row) {
            const std::string file(catalogue.Cell(row, colFileName));
            const std::vector<std::string> cells = SongCellsOfFile(file);
            for (int c = 0; c < kSongColumnCount; ++c) {
                if (c == colImage) continue;  // the window's remembered picture
                QVERIFY2(catalogue.Cell(row, c) == cells[static_cast<std::size_t>(c)],
                         qPrintable(QStringLiteral("%1, column %2: window \"%3\", add \"%4\"")
                                        .arg(QString::fromStdString(file))
                                        .arg(c)
                                        .arg(ToQString(catalogue.Cell(row, c)))
                                        .arg(QString::fromStdString(cells[static_cast<std::size_t>(c)]))));
            }
        }
    }

    void uncheckedTypesAreNotCountedAndTheFirstEmptyRowIsUsed() {
        Program program;
        const auto root = MakeTree(program.folder / "Musik");
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        dialog->DirEdit()->setText(QString::fromStdString(root.string()));
        dialog->CBwav()->setChecked(false);
        dialog->SpeedButton1Click();
        QCOMPARE(Number(dialog->EdtGesamt()), 5);
        dialog->OKBtnClick();
        QCOMPARE(program.form->Catalogue().DataRowCount(), 5);
        QVERIFY(!program.form->Catalogue().Cell(1, colFileName).empty());
    }

    void aFolderWithoutAudioFilesFindsNothing() {
        Program program;
        std::filesystem::create_directories(program.folder / "leer" / "sub");
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        dialog->DirEdit()->setText(QString::fromStdString((program.folder / "leer").string()));
        dialog->SpeedButton1Click();
        QCOMPARE(dialog->EdtGesamt()->text(), QStringLiteral("0"));
        QCOMPARE(dialog->EdtSoll()->text(), QStringLiteral("0"));
        QVERIFY(!dialog->OKBtn()->isEnabled());
    }

    void theFolderPickerPreselectsExistingFoldersOnly() {
        Program program;
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        const QString musik = QString::fromStdString((program.folder / "Musik").string());
        std::filesystem::create_directories(program.folder / "Musik");

        program.prompts.ChooseFolderAnswer(musik);
        dialog->SpeedButton2()->click();
        QCOMPARE(program.prompts.lastFolderTitle, QStringLiteral("Verzeichnis auswählen"));
        QVERIFY(!program.prompts.lastFolderAllowNew);
        QCOMPARE(dialog->DirEdit()->text(), musik);

        program.prompts.ChooseFolderAnswer(std::nullopt);  // cancelled: the text stays
        dialog->SpeedButton2()->click();
        QCOMPARE(program.prompts.lastFolderStart, musik);
        QCOMPARE(dialog->DirEdit()->text(), musik);

        std::filesystem::remove(program.folder /
                                "Musik");  // gone: nothing preselected, text emptied
        program.prompts.ChooseFolderAnswer(std::nullopt);
        dialog->SpeedButton2()->click();
        QCOMPARE(program.prompts.lastFolderStart, QString());
        QCOMPARE(dialog->DirEdit()->text(), QString());
        QVERIFY(!dialog->SearchBtn()->isEnabled());
    }

    void theMainWindowOpensTheDialogAndKeepsItsSettings() {
        Program program;
        const auto root = MakeTree(program.folder / "Musik");
        WriteBytes(program.folder / "SONGVAT.INI",
                   "[AUTOADDING]\r\nDirEdit_Text=" + root.string() + "\r\nCBwav_Checked=False\r\n");
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        bool checked = false;
        QTimer::singleShot(0, dialog, [&] {
            checked = true;
            QVERIFY(dialog->isVisible());
            QVERIFY(!program.form->StGrdMain()->isEnabled());
            QCOMPARE(dialog->DirEdit()->text(), QString::fromStdString(root.string()));
            QVERIFY(!dialog->CBwav()->isChecked());
            dialog->SearchBtn()->click();
            dialog->OKBtn()->click();
            dialog->CBmp3()->setChecked(false);
            dialog->CancelBtn()->click();
        });
        program.form->BtnAutoAddClick();
        QVERIFY(checked);
        QVERIFY(program.form->StGrdMain()->isEnabled());
        QCOMPARE(program.form->STBarAll()->PanelText(0), QStringLiteral("Gesamt : 5 Einträge"));
        const IniFile ini = IniFile::Load(program.folder / "SONGVAT.INI");
        QCOMPARE(ini.Value("AUTOADDING", "CBmp3_Checked"), std::optional<std::string>("False"));
        QCOMPARE(ini.Value("AUTOADDING", "DirEdit_Text"),
                 std::optional<std::string>(root.string()));
        QVERIFY(ini.Value("AUTOADDING", "NormPos").has_value());
    }

    void theDialogCannotBeClosedWhileAPhaseRuns() {
        Program program;
        const auto root = MakeTree(program.folder / "Musik");
        program.Start();
        TAutoadding* dialog = program.form->Autoadding();
        dialog->show();
        dialog->DirEdit()->setText(QString::fromStdString(root.string()));
        bool triedWhileBusy = false;
        QTimer::singleShot(0, dialog, [&] {
            triedWhileBusy =
                !dialog->CancelBtn()->isEnabled() && !dialog->SpeedButton2()->isEnabled();
            dialog->reject();
            dialog->close();
        });
        dialog->OKBtn()->setEnabled(false);
        dialog->SpeedButton1Click();
        dialog->OKBtnClick();
        QVERIFY(triedWhileBusy);
        QVERIFY(dialog->isVisible());
    }
};

QTEST_MAIN(AutoaddingTest)
#include "autoadding_test.moc"
