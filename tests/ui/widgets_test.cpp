// The widget set: colours, the coloured tab bar, the window-placement store, the
// shutdown signals and the main-thread invoker.

#include <QDialog>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <thread>

#include "settings/ini_file.h"
#include "tests/drive/recorder_fixture.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_folder.h"
#include "widgets/ui/coloured_tab_widget.h"
#include "widgets/ui/form_placement.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/qt_main_thread_invoker.h"
#include "widgets/ui/shutdown_signals.h"
#include "widgets/ui/windows_colour.h"

using namespace tv;

class WidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void windowsColoursHaveRedInTheLowByte() {
        QCOMPARE(ColourFromWindows(16711680), QColor(0, 0, 255));
        QCOMPARE(ColourFromWindows(8421376), QColor(0, 128, 128));
        QCOMPARE(ColourFromWindows(255), QColor(255, 0, 0));
        QCOMPARE(WindowsFromColour(QColor(0, 128, 128)), 8421376);
        QVERIFY(ColourFromWindows(static_cast<std::int32_t>(0x8000000F)).isValid());  // button face
    }

    void tabsHaveTheirFixedSizeAndColours() {
        ColouredTabWidget tabs;
        tabs.addTab(new QWidget, QStringLiteral("Alle Dateien"));
        tabs.addTab(new QWidget, QStringLiteral("Auswahl"));
        tabs.ColouredBar()->SetTabColours(1, Qt::black, Qt::yellow);
        tabs.show();
        QCOMPARE(tabs.ColouredBar()->tabRect(0).size(), QSize(80, 22));
        QCOMPARE(tabs.ColouredBar()->TabColour(1), QColor(Qt::black));
        QCOMPARE(tabs.ColouredBar()->TabTextColour(1), QColor(Qt::yellow));
        QVERIFY(!tabs.ColouredBar()->TabColour(0).isValid());
    }

    void aDialogRestoresItsSectionWhenShownAndSavesItWhenHidden() {
        test::TempFolder folder;
        const auto ini = folder / "SONGVAT.INI";
        test::WriteBytes(ini, "[AUTOADDING]\r\nNormPos=30,40,330,240\r\nCBwav_Checked=False\r\n");
        test::ScriptedPrompts prompts;
        QDialog dialog;
        dialog.resize(200, 100);
        bool wav = true;
        auto* placement = new FormPlacement(&dialog, ini, QStringLiteral("AUTOADDING"),
                                            FormPlacement::Parts::PositionOnly, prompts);
        placement->Storage().AddBoolProperty(
            "CBwav.Checked", [&] { return wav; }, [&](bool on) { wav = on; });
        dialog.show();
        QVERIFY(!wav);
        QCOMPARE(dialog.pos(), QPoint(30, 40));
        QCOMPARE(dialog.size(), QSize(200, 100));  // position only
        wav = true;
        dialog.hide();
        const IniFile file = IniFile::Load(ini);
        QCOMPARE(file.Value("AUTOADDING", "CBwav_Checked"), std::optional<std::string>("True"));
        QCOMPARE(file.Value("AUTOADDING", "FormVersion"), std::optional<std::string>("0"));
        QCOMPARE(prompts.AskedSoFar().size(), std::size_t(0));
    }

    void aWindowNeverShownWritesNothing() {
        test::TempFolder folder;
        test::ScriptedPrompts prompts;
        {
            QDialog dialog;
            new FormPlacement(&dialog, folder / "SONGVAT.INI", QStringLiteral("EXPORT"),
                              FormPlacement::Parts::PositionSizeState, prompts);
        }
        QVERIFY(!std::filesystem::exists(folder / "SONGVAT.INI"));
    }

    void signalsBecomeAShutdownRequest() {
        ShutdownSignals shutdown;
        QSignalSpy spy(&shutdown, &ShutdownSignals::ShutdownRequested);
        ::raise(SIGHUP);
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.front().front().toInt(), SIGHUP);
    }

    void workerCallsRunInTheGuiThread() {
        QtMainThreadInvoker invoker;
        QThread* guiThread = QThread::currentThread();
        QThread* ranIn = nullptr;
        bool posted = false;
        std::thread worker([&] {
            invoker.InvokeAndWait([&] { ranIn = QThread::currentThread(); });
            invoker.Post([&] { posted = true; });
        });
        // The worker waits for the GUI thread, which runs queued calls while it waits here.
        QTRY_VERIFY(posted);
        worker.join();
        QCOMPARE(ranIn, guiThread);
    }

    // The program closes while the drive is being erased: ending the device neither
    // hangs (its thread never waits for the GUI thread) nor raises an event into a
    // device that is gone.
    void destroyingADeviceDuringAnEraseNeitherHangsNorRaisesItsEvent() {
        QtMainThreadInvoker invoker;
        test::RecorderBench bench(MediumKind::CdRw);
        int events = 0;
        auto device = std::make_unique<TSCSIDevice>(bench.layer, &invoker);
        device->SetDevice(device->DeviceList().front());
        device->OnEraseDone = [&](TSCSIDevice&, bool) { ++events; };
        QVERIFY(device->EraseDisc(true));
        // Waited for without running this thread's events: the erase's event is
        // queued to it by now and has not run.
        for (int i = 0; i < 30000 && device->Erasing(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QVERIFY(!device->Erasing());
        device.reset();
        QCoreApplication::processEvents();
        QCOMPARE(events, 0);

        bench.recorder->SetOperationCommands(1000000);  // this erase never ends by itself
        device = std::make_unique<TSCSIDevice>(bench.layer, &invoker);
        device->SetDevice(device->DeviceList().front());
        device->OnEraseDone = [&](TSCSIDevice&, bool) { ++events; };
        bench.recorder->InsertMedium(MediumKind::CdRw);
        QVERIFY(device->EraseDisc(true));
        QVERIFY(device->Erasing());
        device.reset();
        QCoreApplication::processEvents();
        QCOMPARE(events, 0);
    }

    void fileFiltersBecomeQtFilters() {
        QCOMPARE(QtFileFilter(QStringLiteral("Audio- Dateien|*.mp3;*.wma|WAV-Dateien|*.wav")),
                 QStringLiteral("Audio- Dateien (*.mp3 *.wma);;WAV-Dateien (*.wav)"));
    }
};

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
