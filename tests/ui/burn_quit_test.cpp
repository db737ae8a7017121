// Ending the program during a burn. A test of its own: once the program has been
// told to quit, no event loop of this process runs again.

#include <QTest>

#include "tests/ui/burn_program.h"

using namespace tv;
using namespace tv::test;

class BurnQuitTest : public QObject {
    Q_OBJECT

  private slots:
    // A second request to end the program does not wait for the burn: the loops
    // end, and the program's teardown abandons the burn without closing the disc.
    void aSecondRequestEndsTheProgramAtOnce() {
        BurnProgram p({{"cdr", MediumKind::CdR}});
        p.Dialog().Layer().Clock().SetScale(0.01);      // a 600 ms retry takes 6 ms
        p.recorders.front()->FailNextWritesBusy(5000);  // half a minute of a slow drive
        p.Select({Copy(p, "vbr_stereo.mp3", "a.mp3")});
        bool quitAfterFirst = true, quitAfterSecond = false;
        p.Open(
            [&](TMP3Burn& dialog) {
                dialog.BtnBurn()->click();
                QVERIFY2(dialog.Busy(), qPrintable(p.Log()));
                p.program.form->ShutDownAndQuit();
                quitAfterFirst = p.program.form->QuitRequested();
                p.program.form->ShutDownAndQuit();
                quitAfterSecond = p.program.form->QuitRequested();
            },
            false);
        QVERIFY(!quitAfterFirst);
        QVERIFY(quitAfterSecond);
        QVERIFY(p.Dialog().Busy());  // the dialog's loop ended with the burn running
        p.program.form.reset();
        QCOMPARE(p.recorders.front()->SessionCount(), 0);
        QVERIFY(std::filesystem::exists(p.program.folder / "ALL_SONGS.TSV"));
    }
};

QTEST_MAIN(BurnQuitTest)
#include "burn_quit_test.moc"
