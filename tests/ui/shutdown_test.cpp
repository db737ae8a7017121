// A signal that asks the program to end while the folder scan adds files: the
// event loops end, the adding stops, and what was added by then is saved.

#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "catalogue/list_file.h"
#include "catalogue/song_columns.h"
#include "tests/support/main_window_fixture.h"
#include "tools/ui/autoadding_dialog.h"
#include "widgets/ui/shutdown_signals.h"

using namespace tv;
using namespace tv::test;

namespace {

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

}  // namespace

class ShutdownTest : public QObject {
    Q_OBJECT

  private slots:
    void aSignalWhileFilesAreAddedEndsTheProgramAndKeepsWhatWasAdded() {
        Program program;
        const auto folder = program.folder / "Musik";
        std::filesystem::create_directories(folder);
        constexpr int kFiles = 300;
        for (int i = 0; i < kFiles; ++i)
            std::filesystem::copy_file(kData / "cbr128_stereo.mp3",
                                       folder / ("song " + std::to_string(i) + ".mp3"));
        program.Start();
        ShutdownSignals shutdownSignals;  // as the program's main block sets it up
        TForm1& form = *program.form;
        QObject::connect(&shutdownSignals, &ShutdownSignals::ShutdownRequested, &form,
                         [&form](int) { form.ShutDownAndQuit(); });
        TAutoadding* dialog = form.Autoadding();

        bool dialogReturned = false;
        QTimer::singleShot(0, &form, [&] {
            // Runs inside the dialog's own event loop.
            QTimer::singleShot(0, dialog, [&] {
                dialog->DirEdit()->setText(QString::fromStdString(folder.string()));
                dialog->SpeedButton1Click();
                dialog->OKBtnClick();
            });
            form.BtnAutoAddClick();
            dialogReturned = true;
        });
        QTimer watch;
        bool raised = false;
        QObject::connect(&watch, &QTimer::timeout, &form, [&] {
            if (!raised && form.Catalogue().DataRowCount() >= 20) {
                raised = true;
                std::raise(SIGTERM);
            }
        });
        watch.start(0);

        QCOMPARE(QApplication::exec(), 0);
        watch.stop();
        QVERIFY(raised);
        QVERIFY(dialogReturned);
        QVERIFY(!dialog->isVisible());
        const int added = form.Catalogue().DataRowCount();
        QVERIFY(added >= 20);
        QVERIFY(added < kFiles);  // the adding stopped
        // The lists were saved as they were when the program ended.
        SongList saved(0);
        LoadList(saved, program.folder / "ALL_SONGS.TSV");
        QCOMPARE(saved.DataRowCount(), added);
        for (int r = 1; r <= added; ++r)
            QCOMPARE(saved.Cell(r, colFileName), form.Catalogue().Cell(r, colFileName));
        QVERIFY(std::filesystem::exists(program.folder / "SONGVAT.INI"));
        QVERIFY(std::filesystem::exists(program.folder / "DOUBLES.TSV"));
    }
};

QTEST_MAIN(ShutdownTest)
#include "shutdown_test.moc"
