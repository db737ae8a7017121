// The burn dialog offscreen, with simulated recorders and the image recorder.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <thread>

#include "tests/ui/burn_program.h"
#include "widgets/ui/status_panels.h"

using namespace tv;
using namespace tv::test;

namespace {

int Run(const std::string& command) {
    return std::system(command.c_str());
}

}  // namespace

class BurnDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void theJobIsSetUpFromTheList() {
        BurnProgram p({{"cdr", MediumKind::CdR}, {"cdrw", MediumKind::CdRw}});
        const std::string a = Copy(p, "with_id3v1.mp3", "a.mp3");
        const std::string tooLong = Copy(p, "cbr128_stereo.mp3", std::string(104, 'y') + ".mp3");
        p.Select({a, (p.program.folder / "fehlt.mp3").string(), tooLong});
        p.Open([&](TMP3Burn& dialog) {
            const QString log = p.Log();
            QVERIFY(log.contains(
                QStringLiteral(">>> INSERTING FILE \"%1\"").arg(QString::fromStdString(a))));
            QVERIFY(!log.contains(QStringLiteral("fehlt.mp3")));  // left out silently
            QVERIFY(log.contains(QStringLiteral(">>> SKIPING; FILE NAME LENGTH > 107 ") +
                                 QString::fromStdString(tooLong)));
            const double megabytes = static_cast<double>(std::filesystem::file_size(a) +
                                                         std::filesystem::file_size(tooLong)) /
                                     1048576.0;
            QCOMPARE(dialog.StatusBar()->PanelText(0),
                     QStringLiteral("Größe : %1 MB").arg(megabytes, 0, 'f', 2).replace('.', ','));
            // The drives, the image recorder last; the first is selected.
            QCOMPARE(dialog.cbDrives()->count(), 3);
            QVERIFY(dialog.cbDrives()->itemText(2).contains(QStringLiteral(",Image-Datei: ")));
            QCOMPARE(dialog.StatusBar()->PanelText(1), QStringLiteral(" CD-R 702,8MB"));
            QVERIFY(!dialog.BtnErase()->isEnabled());
            QVERIFY(dialog.BtnBurn()->isEnabled());
            dialog.cbDrives()->setCurrentIndex(1);
            dialog.cbDrivesChange();
            QCOMPARE(dialog.StatusBar()->PanelText(1), QStringLiteral(" CD-RW 702,8MB"));
            QVERIFY(dialog.BtnErase()->isEnabled());
            dialog.cbDrives()->setCurrentIndex(2);
            dialog.cbDrivesChange();
            QVERIFY(dialog.StatusBar()->PanelText(1).startsWith(QStringLiteral(" DVD+R ")));
            QVERIFY(!dialog.BtnErase()->isEnabled());
        });
    }

    // From the window, a selection of real files burns to the image recorder, and
    // every reader reads the file back identical.
    void aSelectionBurnsToAnImageFile() {
        BurnProgram p({});
        std::vector<std::string> files;
        for (const char* name : {"with_id3v1.mp3", "vbr_stereo.mp3", "mpeg2_vbr_mono.mp3"})
            files.push_back(Copy(p, name, std::string("Titel ") + name));
        p.Select(files);
        const std::string image = (p.program.folder / "Brennen.iso").string();
        p.Open([&](TMP3Burn& dialog) {
            QVERIFY(dialog.cbDrives()->currentText().contains(QStringLiteral("Image-Datei")));
            p.program.prompts.ChooseFile(QString::fromStdString(image));
            dialog.BtnBurn()->click();
            QTRY_VERIFY_WITH_TIMEOUT(p.Log().contains(QStringLiteral(">>> BURNCD DONE")), 30000);
            QVERIFY(p.Log().contains(QStringLiteral(">>> BURNCD DONE, Successful!")));
            QVERIFY(p.Log().contains(QStringLiteral(">>> FINALIZING TRACK.")));
            QVERIFY(dialog.BtnBurn()->isEnabled());
        });
        QCOMPARE(p.program.prompts.lastFileRequest.Filter, QStringLiteral("ISO-Abbild|*.iso"));
        QVERIFY(std::filesystem::exists(image));
        const std::string out = (p.program.folder / "out").string();
        QCOMPARE(Run("isoinfo -d -i '" + image + "' | grep -q 'Joliet with UCS'"), 0);
        QCOMPARE(Run("isovfy '" + image + "' | grep -q 'No errors found'"), 0);
        QCOMPARE(Run("[ \"$(xorriso -indev '" + image +
                     "' -find / -type f 2>/dev/null | grep -c \"^'/\")\" -eq 3 ]"),
                 0);
        QCOMPARE(Run("mkdir -p '" + out + "' && bsdtar -x -f '" + image + "' -C '" + out + "'"), 0);
        for (const std::string& file : files)
            QCOMPARE(ReadBytes(out + "/" + std::filesystem::path(file).filename().string()),
                     ReadBytes(file));
        // No temporary file stays beside the image.
        int entries = 0;
        for (const auto& entry : std::filesystem::directory_iterator(p.program.folder.Path()))
            entries += entry.path().filename().string().starts_with(".Brennen") ? 1 : 0;
        QCOMPARE(entries, 0);
    }

    void aBurnThatCannotFitDoesNotStart() {
        BurnProgram p({{"klein", MediumKind::CdR}});
        p.recorders.front()->InsertMedium(MediumKind::CdR, 200);  // 400 KB
        p.Select({Copy(p, "vbr_stereo.mp3", "a.mp3"), Copy(p, "cbr128_stereo.mp3", "b.mp3"),
                  Copy(p, "with_id3v1.mp3", "c.mp3"), Copy(p, "id3v2_cover.mp3", "d.mp3"),
                  Copy(p, "crc_vbr_stereo.mp3", "e.mp3"), Copy(p, "layer2_192.mp2", "f.mp2")});
        p.Open([&](TMP3Burn& dialog) {
            dialog.BtnBurn()->click();
            QVERIFY(
                p.program.prompts.LastText().startsWith(QStringLiteral("Die Dateien brauchen ")));
            QVERIFY(p.program.prompts.LastText().contains(QStringLiteral("nur 0,4 MB frei")));
            QVERIFY(!dialog.Busy());
            QVERIFY(!p.Log().contains(QStringLiteral("STARTING WRITE")));
        });
        QCOMPARE(p.recorders.front()->NextWritableAddress(), 0u);
    }

    // The fit is judged on the session as it will be written, behind the last one:
    // a disc with exactly that room left is burned.
    void aSessionThatFitsBehindTheLastOneIsBurned() {
        BurnProgram p({{"voll", MediumKind::CdR}});
        const std::string song = Copy(p, "with_id3v1.mp3", "a.mp3");
        std::filesystem::resize_file(song, 3'000'000);
        // The session's size at the address it gets behind a 5,000-block session.
        std::uint64_t sectors = 0;
        std::uint32_t address = 0;
        {
            RecorderBench bench(MediumKind::CdR);
            bench.recorder->RecordSession(5000);
            TDiscBurner burner(bench.layer);
            burner.SetDevice(burner.DeviceList().front());
            burner.InsertFile("\\", song, false);
            QVERIFY(burner.PrepareImage(true));
            sectors = burner.ImageSectors();
            address = burner.NextWritableAddress();
        }
        p.recorders.front()->InsertMedium(MediumKind::CdR,
                                          static_cast<std::uint32_t>(address + sectors));
        p.recorders.front()->RecordSession(5000);
        p.Select({song});
        p.Open([&](TMP3Burn& dialog) {
            dialog.BtnBurn()->click();
            QVERIFY(!p.program.prompts.LastText().startsWith(QStringLiteral("Die Dateien brauchen")));
            QTRY_VERIFY_WITH_TIMEOUT(p.Log().contains(QStringLiteral(">>> BURNCD DONE")), 30000);
            QVERIFY(p.Log().contains(QStringLiteral(">>> BURNCD DONE, Successful!")));
            QVERIFY(p.Log().contains(QStringLiteral(">>> STARTING WRITE PROCESS ON CD-R")));
        });
    }

    void eraseAsksFirst() {
        BurnProgram p({{"cdrw", MediumKind::CdRw}});
        p.recorders.front()->RecordSession(5000);
        p.Select({});
        p.Open([&](TMP3Burn& dialog) {
            QVERIFY(dialog.BtnErase()->isEnabled());
            p.program.prompts.Answer(PromptAnswer::No);
            dialog.BtnErase()->click();
            QCOMPARE(p.program.prompts.AskedSoFar().back().Title,
                     QStringLiteral("Möchten Sie die CD/DVD löschen ?"));
            QCOMPARE(p.program.prompts.LastText(),
                     QStringLiteral("Alle Daten auf der CD/DVD gehen verloren"));
            QCOMPARE(p.program.prompts.AskedSoFar().back().Icon, PromptIcon::Warning);
            // Enter does not erase: "Nein" is the default button.
            QVERIFY(p.program.prompts.AskedSoFar().back().Default == PromptAnswer::No);
            QCOMPARE(p.recorders.front()->SessionCount(), 1);
            p.program.prompts.Answer(PromptAnswer::Yes);
            dialog.BtnErase()->click();
            QTRY_VERIFY_WITH_TIMEOUT(p.Log().contains(QStringLiteral(">>> ERASE PROCESS DONE")),
                                     30000);
        });
        QCOMPARE(p.recorders.front()->SessionCount(), 0);
    }

    // A drive that cannot burn the disc it holds says why, in the log and on the
    // button, which stays off; a disc event of another drive changes nothing.
    void whatKeepsADriveFromBurningIsSaid() {
        BurnProgram p({{"leer", MediumKind::CdR}, {"gepresst", MediumKind::CdRom}});
        p.recorders[0]->Eject();
        p.Select({Copy(p, "with_id3v1.mp3", "a.mp3")});
        p.Open([&](TMP3Burn& dialog) {
            QVERIFY(p.Log().contains(
                QStringLiteral("Brennen nicht möglich: Im Laufwerk liegt keine CD/DVD.")));
            QVERIFY(!dialog.BtnBurn()->isEnabled());
            QCOMPARE(dialog.BtnBurn()->toolTip(), QStringLiteral("Im Laufwerk liegt keine CD/DVD."));
            dialog.cbDrives()->setCurrentIndex(1);
            dialog.cbDrivesChange();
            QVERIFY(p.Log().contains(QStringLiteral(
                "Brennen nicht möglich: Die eingelegte CD-ROM ist gepresst")));
            QVERIFY(!dialog.BtnBurn()->isEnabled());
            const qsizetype lines = p.Log().count(QLatin1Char('\n'));
            dialog.WMDeviceChange(QStringLiteral("sr7"));  // not this drive
            QCOMPARE(p.Log().count(QLatin1Char('\n')), lines);
            dialog.WMDeviceChange(QStringLiteral("gepresst"));
            QVERIFY(p.Log().count(QLatin1Char('\n')) > lines);
        });
    }

    // A file at the image's name that holds no image is asked about, No keeps it.
    void anImageNeverReplacesASongUnasked() {
        BurnProgram p({});
        const std::string song = Copy(p, "with_id3v1.mp3", "a.mp3");
        const std::string other = Copy(p, "vbr_stereo.mp3", "b.mp3");
        const std::string before = ReadBytes(other);
        p.Select({song});
        p.Open([&](TMP3Burn& dialog) {
            p.program.prompts.ChooseFile(QString::fromStdString(other));
            p.program.prompts.Answer(PromptAnswer::No);
            dialog.BtnBurn()->click();
            QVERIFY(p.program.prompts.LastText().contains(QStringLiteral("kein ISO-Abbild")));
            QVERIFY(p.program.prompts.AskedSoFar().back().Default == PromptAnswer::No);
            QVERIFY(!dialog.Busy());
            // One of the songs to burn is refused outright.
            p.program.prompts.ChooseFile(QString::fromStdString(song));
            p.program.prompts.Answer(PromptAnswer::Yes);
            dialog.BtnBurn()->click();
            QVERIFY(p.program.prompts.LastText().contains(
                QStringLiteral("ist zugleich eine der Eingabedateien")));
            QVERIFY(!dialog.Busy());
        });
        QCOMPARE(ReadBytes(other), before);
        QCOMPARE(ReadBytes(song), ReadBytes(kData / "with_id3v1.mp3"));
    }

    // A disc event while the drive burns is kept for later: the window's thread
    // sends the drive nothing while the write thread works, and reads the disc
    // again once the burn has ended (less room on it then).
    void aDiscEventDuringABurnWaitsForItsEnd() {
        BurnProgram p({{"cdr", MediumKind::CdR}});
        p.recorders.front()->FailNextWritesBusy(200);  // the drive is slow for a while
        p.Select({Copy(p, "vbr_stereo.mp3", "a.mp3")});
        QString freeBefore, freeAfter;
        std::size_t loggedAtEvent = 0;
        p.Open([&](TMP3Burn& dialog) {
            freeBefore = dialog.StatusBar()->PanelText(1);
            p.recorders.front()->ClearCommands();
            dialog.BtnBurn()->click();
            QVERIFY(dialog.Busy());
            dialog.WMDeviceChange(QString::fromStdString(dialog.dburn().GetDriveLetter()));
            loggedAtEvent = p.recorders.front()->CommandThreads().size();
            QTRY_VERIFY_WITH_TIMEOUT(!dialog.Busy(), 30000);
            freeAfter = dialog.StatusBar()->PanelText(1);
        });
        QVERIFY(p.Log().contains(QStringLiteral(">>> BURNCD DONE, Successful!")));
        // From the write thread's first command to its last, none from this thread.
        const auto threads = p.recorders.front()->CommandThreads();
        const auto main = std::this_thread::get_id();
        const auto first = std::find_if(threads.begin(), threads.end(), [&](auto t) { return t != main; });
        const auto last = std::find_if(threads.rbegin(), threads.rend(), [&](auto t) { return t != main; });
        QVERIFY(first != threads.end());
        QCOMPARE(std::count(first, last.base(), main), 0);
        // The event was handled at once: the burn went on after it (it did not wait
        // for the burn to end).
        QVERIFY(static_cast<std::size_t>(last.base() - threads.begin()) > loggedAtEvent);
        // The disc was read again after the burn: the room left is less.
        QVERIFY(std::find(last.base(), threads.end(), main) != threads.end());
        QVERIFY2(freeAfter != freeBefore, qPrintable(freeBefore + " / " + freeAfter));
        const auto megabytes = [](const QString& panel) {
            return panel.section(QLatin1Char(' '), 2, 2).chopped(2).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        };
        QVERIFY2(megabytes(freeAfter) < megabytes(freeBefore), qPrintable(freeBefore + " / " + freeAfter));
    }

    // Last: it ends the application's event loops.
    // While a burn runs the dialog cannot be closed; a request to end the program
    // saves the lists at once and ends it when the burn has ended.
    void aBurnIsNeitherClosedNorCutShort() {
        BurnProgram p({{"cdr", MediumKind::CdR}});
        p.recorders.front()->FailNextWritesBusy(200);  // the drive is slow for a while
        p.Select({Copy(p, "vbr_stereo.mp3", "a.mp3")});
        bool wasBusy = false, stayedOpen = false, savedEarly = false, deferred = false;
        // Nothing here closes the dialog (the helper does not wait for the job):
        // only the program's end after the burn ends its loop. Should that never
        // come, the dialog is closed after a minute and the test fails.
        bool endedByProgram = true;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            endedByProgram = false;
            p.Dialog().QDialog::reject();
        });
        guard.start(60000);
        p.Open(
            [&](TMP3Burn& dialog) {
                dialog.BtnBurn()->click();
                wasBusy = dialog.Busy();
                dialog.reject();
                stayedOpen = dialog.isVisible();
                std::filesystem::remove(p.program.folder / "ALL_SONGS.TSV");
                p.program.form->ShutDownAndQuit();
                savedEarly = std::filesystem::exists(p.program.folder / "ALL_SONGS.TSV");
                deferred = dialog.Busy();  // still burning when the program is asked to end
            },
            false);
        guard.stop();
        QVERIFY(wasBusy);
        QVERIFY(stayedOpen);
        QVERIFY(savedEarly);
        QVERIFY(deferred);
        QVERIFY(p.program.form->QuitAfterJob());
        QVERIFY(endedByProgram);
        QVERIFY(!p.Dialog().Busy());
        QVERIFY(p.Log().contains(QStringLiteral(">>> BURNCD DONE, Successful!")));
    }
};

QTEST_MAIN(BurnDialogTest)
#include "burn_dialog_test.moc"
