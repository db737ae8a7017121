// Lists saved while the user works: a change reaches the file a few seconds
// later without the program ending, survives a SIGKILL, and a failing save is
// reported once.

#include <QProcess>
#include <QtTest>
#include <cstdlib>
#include <iostream>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/list_autosave.h"
#include "tests/support/main_window_fixture.h"

namespace tv {
namespace {

using test::Program;
using test::ReadBytes;
using test::ScriptedPrompts;
using test::TempFolder;

constexpr const char* kChildFolder = "TV_AUTOSAVE_CHILD";

// In the child: a window on the folder, one song added to the catalogue, then
// the program runs until it is killed.
int RunChild(const char* folder) {
    ScriptedPrompts prompts;
    TForm1 form(folder, prompts);
    form.show();
    if (!QTest::qWaitFor([&] { return form.IsStartedUp(); }, 10000)) return 3;
    const int row = RowForNewEntry(form.Catalogue());
    form.Catalogue().SetCell(row, colTitle, "Überlebt");
    form.Catalogue().SetCell(row, colFileName, "/musik/überlebt.mp3");
    std::cout << "geändert" << std::endl;
    return QApplication::exec();
}

class AutosaveTest : public QObject {
    Q_OBJECT

  private slots:
    // A change is on disk a few seconds later; a SIGKILL then loses nothing.
    void aChangeSurvivesAKill() {
        TempFolder folder;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kChildFolder),
                           QString::fromStdString(folder.Path().string()));
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForStarted());
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT((output += child.readAllStandardOutput()).contains("geändert"),
                                  qPrintable(child.readAllStandardError()), 20000);
        const auto saved = [&] {
            return ReadBytes(folder / "ALL_SONGS.TSV").find("\t/musik/überlebt.mp3\t") !=
                   std::string::npos;
        };
        QVERIFY(!saved());  // not at once: a few seconds after the last change
        QTRY_VERIFY_WITH_TIMEOUT(saved(), 15000);
        child.kill();  // SIGKILL: no shut-down of any kind
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        Program program;
        std::filesystem::rename(folder / "ALL_SONGS.TSV", program.folder / "ALL_SONGS.TSV");
        program.Start();
        QCOMPARE(program.form->Catalogue().DataRowCount(), 1);
        QCOMPARE(program.form->Catalogue().Cell(1, colTitle), std::string("Überlebt"));
        QVERIFY(program.prompts.AskedSoFar().empty());
    }

    // Each list is saved on its own once it has been quiet; the window is never
    // asked anything while it works.
    void everyChangedListIsSavedWhileTheProgramRuns() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        for (SongList* list : {&form.Playlist(), &form.Selection()}) {
            const int row = RowForNewEntry(*list);
            list->SetCell(row, colTitle, "Neu");
            list->SetCell(row, colFileName, "/neu.mp3");
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            program.File("PLAYLIST.TSV").find("\r\nNeu\t") != std::string::npos &&
                program.File("SELECTION.TSV").find("Neu\t") != std::string::npos,
            15000);
        QVERIFY(!std::filesystem::exists(program.folder / "ALL_SONGS.TSV"));  // unchanged
        // An edit made while the text is being written is saved afterwards.
        form.Playlist().SetCell(1, colTitle, "Geändert");
        QTRY_VERIFY_WITH_TIMEOUT(program.File("PLAYLIST.TSV").find("Geändert\t") != std::string::npos,
                                 15000);
        QVERIFY(program.prompts.AskedSoFar().empty());
        QVERIFY(program.Close());
    }

    // A list that cannot be saved is reported once, not at every change; the
    // end of the program still tries (and says so).
    void aFailingSaveIsReportedOnce() {
        Program program;
        // A link to a file of /proc: readable, but nothing can be made beside it.
        std::filesystem::create_symlink("/proc/version", program.folder / "PLAYLIST.TSV");
        program.Start();
        program.prompts.Clear();
        SongList& playlist = program.form->Playlist();
        playlist.SetCell(RowForNewEntry(playlist), colFileName, "/eins.mp3");
        QTRY_COMPARE_WITH_TIMEOUT(program.prompts.AskedSoFar().size(), std::size_t(1), 15000);
        QCOMPARE(program.prompts.AskedSoFar().back().Title, QStringLiteral("Automatisch speichern"));
        QVERIFY(program.prompts.LastText().contains(QStringLiteral("PLAYLIST.TSV")));
        playlist.SetCell(RowForNewEntry(playlist), colFileName, "/zwei.mp3");
        QTest::qWait(2 * ListAutosave::kQuietMilliseconds);
        QCOMPARE(program.prompts.AskedSoFar().size(), std::size_t(1));
        QVERIFY(std::filesystem::is_symlink(program.folder / "PLAYLIST.TSV"));
    }
};

}  // namespace
}  // namespace tv

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (const char* folder = std::getenv(tv::kChildFolder)) return tv::RunChild(folder);
    tv::AutosaveTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "autosave_test.moc"
