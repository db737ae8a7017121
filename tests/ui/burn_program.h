#pragma once
// A program whose burn dialog sees simulated drives only, for the burn dialog tests.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QDeadlineTimer>
#include <QScopeGuard>
#include <QTimer>
#include <functional>

#include "burning/ui/burn_dialog.h"
#include "catalogue/song_columns.h"
#include "drive/simulated_recorder.h"
#include "tests/drive/recorder_fixture.h"
#include "tests/support/main_window_fixture.h"

namespace tv::test {

inline const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

// A program whose burn dialog sees simulated drives only.
struct BurnProgram {
    explicit BurnProgram(std::vector<std::pair<std::string, MediumKind>> drives) {
        program.Start();
        TMP3Burn& dialog = Dialog();
        dialog.Layer().SetSystem(std::make_shared<NoDrives>());
        dialog.Layer().Clock().SetScale(0.0001);
        for (const auto& [name, medium] : drives) {
            auto recorder = std::make_shared<SimulatedRecorder>(program.folder / (name + ".img"),
                                                                &dialog.Layer().Clock());
            recorder->InsertMedium(medium);
            dialog.Layer().AddSimulatedDrive(name, recorder);
            recorders.push_back(recorder);
        }
    }
    TMP3Burn& Dialog() { return *program.form->MP3Burn(); }
    QString Log() { return Dialog().Memo1()->toPlainText(); }

    // The selection holds these files.
    void Select(const std::vector<std::string>& files) {
        std::string text = kCopyCaptions;
        for (const std::string& file : files) text += CopyLine("t", file);
        SongList& selection = program.form->Selection();
        selection.SetCell(1, colFileName, "");
        for (std::size_t i = 0; i < files.size(); ++i) {
            const int row = i == 0 ? 1 : selection.AppendRow();
            selection.SetCell(row, colFileName, files[i]);
        }
    }

    // Opens the dialog with the selection and runs work inside its own loop.
    void Open(const std::function<void(TMP3Burn&)>& work, bool waitForJob = true) {
        bool ran = false;
        QTimer::singleShot(0, &Dialog(), [&] {
            TMP3Burn& dialog = Dialog();
            // However the work ends (a failed check returns early), the dialog
            // closes: a failure fails the test at once instead of leaving the modal
            // dialog open until the suite's time runs out. A job that does not end
            // within a minute fails the test too.
            const auto close = qScopeGuard([&] {
                QDeadlineTimer deadline(60000);
                while (waitForJob && dialog.Busy() && !deadline.hasExpired()) QTest::qWait(10);
                if (waitForJob && dialog.Busy()) {
                    QTest::qFail("the burn dialog's job did not end", __FILE__, __LINE__);
                    dialog.QDialog::reject();  // closed all the same
                } else {
                    dialog.reject();
                }
            });
            QTRY_VERIFY_WITH_TIMEOUT(Log().contains(QStringLiteral(">>> SELECTING")), 10000);
            work(dialog);
            ran = true;
        });
        program.form->SISelBurnMP3Click();
        QVERIFY(ran);
    }

    Program program;
    std::vector<std::shared_ptr<SimulatedRecorder>> recorders;
};

inline std::string Copy(BurnProgram& p, const char* fixture, const std::string& as) {
    const auto target = p.program.folder / "Musik" / as;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(kData / fixture, target);
    return target.string();
}

}  // namespace tv::test
