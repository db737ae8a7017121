// Copying the files of selected rows into a folder and deleting the files of the
// doubles list, from the main window, on real files.

#include <sys/stat.h>
#include <unistd.h>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "files/ui/file_copy_dialog.h"
#include "tests/support/main_window_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

struct Files {
    Files() {
        program.Start();
        std::filesystem::create_directories(music);
        std::filesystem::create_directories(stick);
    }
    std::string Song(const std::string& name, const std::string& bytes = "mp3") {
        WriteBytes(music / name, bytes);
        return (music / name).string();
    }
    void Add(SongList& list, const std::string& file) {
        list.SetCell(RowForNewEntry(list), colFileName, file);
    }
    // The save dialog's answer: a name in the stick folder.
    void ChooseStick() {
        program.prompts.ChooseFile(QString::fromStdString((stick / "COPY.MP3").string()));
    }
    std::vector<std::string> OnStick() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(stick))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TForm1& Form() { return *program.form; }

    Program program;
    std::filesystem::path music = program.folder / "Musik";
    std::filesystem::path stick = program.folder / "Stick";
};

}  // namespace

class FileCommandsTest : public QObject {
    Q_OBJECT

  private slots:
    void theSelectedRowsAreCopiedIntoTheChosenFolder() {
        Files f;
        SongList& playlist = f.Form().Playlist();
        for (const char* name : {"1.mp3", "2;zwei.mp3", "3.mp3", "4.mp3", "5.mp3"})
            f.Add(playlist, f.Song(name, std::string("Inhalt ") + name));
        playlist.SetSelection(2, 4);
        f.ChooseStick();
        f.Form().SIPlayCopyToFolderClick();
        QCOMPARE(f.program.prompts.lastFileRequest.Title,
                 QStringLiteral("Auswahl kopieren nach..."));
        QCOMPARE(f.program.prompts.lastFileRequest.FileName, QStringLiteral("COPY.MP3"));
        QCOMPARE(f.OnStick(), (std::vector<std::string>{"2;zwei.mp3", "3.mp3", "4.mp3"}));
        QCOMPARE(ReadBytes(f.stick / "2;zwei.mp3"), std::string("Inhalt 2;zwei.mp3"));
        // The window ended with what it did.
        QCOMPARE(f.Form().FileCopyDialog()->FileLabel()->text(),
                 QStringLiteral("Fertig: 3 Dateien kopiert."));
        QVERIFY(f.Form().ShFileOP1().FilesList.empty());
        QCOMPARE(f.program.prompts.Unexpected(), 0);
        // An existing file: "Ja, alle" replaces it and asks no more.
        WriteBytes(f.stick / "3.mp3", "alt");
        WriteBytes(f.stick / "4.mp3", "alt");
        f.program.prompts.Pick(1);
        f.ChooseStick();
        f.Form().SIPlayCopyToFolderClick();
        QCOMPARE(f.program.prompts.lastButtons,
                 (QStringList{"Ja", "Ja, alle", "Nein", "Abbrechen"}));
        QCOMPARE(ReadBytes(f.stick / "4.mp3"), std::string("Inhalt 4.mp3"));
        QCOMPARE(f.program.prompts.Unexpected(), 0);
    }

    void nothingToCopyIsSaid() {
        Files f;
        f.Form().SISelCopyToFolderClick();
        QCOMPARE(f.program.prompts.AskedSoFar().back().Title, QStringLiteral("Nichts da!"));
        QCOMPARE(f.program.prompts.LastText(), QStringLiteral("Es gibt nichts zu kopieren!"));
        QCOMPARE(f.program.prompts.AskedSoFar().back().Icon, PromptIcon::Error);
    }

    void unfitNamesAndFailuresAreToldAndTheRestIsCopied() {
        Files f;
        SongList& selection = f.Form().Selection();
        f.Add(selection, f.Song("gut.mp3"));
        f.Add(selection, f.Song("was?.mp3"));
        ::mkfifo((f.music / "pipe.mp3").c_str(), 0600);
        f.Add(selection, (f.music / "pipe.mp3").string());
        SelectAllRows(selection);
        f.Form().ShFileOP1().Names = TargetNames::Fat;  // as on a FAT stick
        f.program.prompts.Pick(0);                      // "Überspringen"
        f.ChooseStick();
        f.Form().SISelCopyToFolderClick();
        const auto& asked = f.program.prompts.AskedSoFar();
        QCOMPARE(asked.size(), std::size_t{2});
        QCOMPARE(asked[0].Title, QStringLiteral("Ungültige Dateinamen"));
        QVERIFY(asked[0].Text.contains(QStringLiteral("was?.mp3")));
        QVERIFY(!asked[0].Text.contains(QStringLiteral("gut.mp3")));
        QCOMPARE(asked[1].Title, QStringLiteral("Fehler"));
        QVERIFY(asked[1].Text.startsWith(QStringLiteral("Die Datei ") +
                                         QString::fromStdString((f.music / "pipe.mp3").string()) +
                                         QStringLiteral(" konnte nicht kopiert werden: ")));
        QCOMPARE(f.OnStick(), (std::vector<std::string>{"gut.mp3"}));
        QCOMPARE(f.Form().FileCopyDialog()->FileLabel()->text(),
                 QStringLiteral("Fertig: 1 Datei kopiert, 1 übersprungen, 1 fehlgeschlagen."));
        // "Abbrechen" for the names: nothing is copied at all.
        std::filesystem::remove(f.stick / "gut.mp3");
        f.program.prompts.Pick(1);
        f.ChooseStick();
        f.Form().SISelCopyToFolderClick();
        QVERIFY(f.OnStick().empty());
    }

    void aCancelLeavesNoHalfFile() {
        Files f;
        const std::string big = f.Song("gross.mp3");
        std::filesystem::resize_file(big, 512 << 20);  // sparse: quick to make, slow to copy
        f.Add(f.Form().Selection(), big);
        // The stick holds an older file of the name: the copy asks, and "Abbrechen"
        // is pressed while that question is open, so the cancel comes at a known
        // point of the copy, not after a guessed time. "Ja" then lets the copy go on
        // into the cancel: nothing is written, the old file stays.
        test::WriteBytes(f.stick / "gross.mp3", "alt");
        f.ChooseStick();
        f.program.prompts.PickAfter(0, [&] {
            f.Form().FileCopyDialog()->CancelButton()->click();
        });
        f.Form().SISelCopyToFolderClick();
        QVERIFY(f.Form().ShFileOP1().Aborted());
        QCOMPARE(f.OnStick(), std::vector<std::string>{"gross.mp3"});
        QCOMPARE(test::ReadBytes(f.stick / "gross.mp3"), std::string("alt"));
        QCOMPARE(f.Form().FileCopyDialog()->FileLabel()->text(),
                 QStringLiteral("Abgebrochen: 0 Dateien kopiert."));
        QCOMPARE(f.program.prompts.Unexpected(), 0);
    }

    void duplicateFilesAreDeletedWithTheirRows() {
        Files f;
        TForm1& form = f.Form();
        const std::string a = f.Song("a.mp3"), b = f.Song("b.mp3");
        for (const std::string& file : {a, b}) {
            f.Add(form.Catalogue(), file);
            f.Add(form.Doubles(), file);
            f.Add(form.Playlist(), file);
        }
        f.Add(form.Catalogue(), f.Song("c.mp3"));
        form.Doubles().SetSelection(1, 2);
        // Yes to the command, No for b (asked first: bottom up), Yes for a.
        for (PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No, PromptAnswer::Yes})
            f.program.prompts.Answer(answer);
        form.DelFileDoubleClick();
        QVERIFY(!std::filesystem::exists(a));
        QVERIFY(std::filesystem::exists(b));
        QCOMPARE(form.Catalogue().DataRowCount(), 1);
        QCOMPARE(form.Catalogue().Cell(1, colFileName), f.Song("c.mp3"));
        QVERIFY(form.Doubles().IsEmpty());
        QVERIFY(form.Playlist().IsEmpty());
        QVERIFY(!form.StGrdDouble()->isHidden());
        const auto& asked = f.program.prompts.AskedSoFar();
        QCOMPARE(asked[1].Text, QStringLiteral("Datei ") + QString::fromStdString(b) +
                                    QStringLiteral(" wirklich löschen?"));
        QCOMPARE(f.program.prompts.Unexpected(), 0);
        // No to the command: nothing happens.
        f.Add(form.Doubles(), b);
        f.program.prompts.Answer(PromptAnswer::No);
        form.DelFileDoubleClick();
        QCOMPARE(form.Doubles().DataRowCount(), 1);
    }
};

QTEST_MAIN(FileCommandsTest)
#include "file_commands_test.moc"
