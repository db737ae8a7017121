// Playback from the main window with a scripted media device: play requests of
// the lists, the playlist advance, counting, the player's buttons, winding, the
// random selection and the player window's visibility.

#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "widgets/ui/byte_text.h"
#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/song_grid.h"
#include "playback/ui/audio_player.h"
#include "playback/ui/random_dialog.h"
#include "playback/ui/scrolling_label.h"
#include "settings/ini_file.h"
#include "tests/support/fake_media_device.h"
#include "tests/support/main_window_fixture.h"
#include "widgets/ui/program_locale.h"

using namespace tv;
using namespace tv::test;

namespace {

// A started program whose player has the scripted device, and real (empty) song
// files in its folder.
struct Player {
    Player() {
        program.Start();
        auto owned = std::make_unique<FakeMediaDevice>();
        device = owned.get();
        program.form->Audioplayer()->SetDevice(std::move(owned));
    }
    std::string Song(const std::string& name) {
        const auto path = program.folder / name;
        WriteBytes(path, "ID3");
        return path.string();
    }
    int Add(SongList& list, const std::string& file, const std::string& title = "T") {
        const int row = RowForNewEntry(list);
        list.SetCell(row, colTitle, title);
        list.SetCell(row, colArtist, "A");
        list.SetCell(row, colFileName, file);
        return row;
    }
    // Delivers the posted work, the device's "loaded" or "failed" reports and the
    // steps they start (a song skipped is followed by the next on the next turn),
    // round after round; no clock is involved, so a busy machine changes nothing.
    void Settle() {
        for (int round = 0; round < 50; ++round) QCoreApplication::sendPostedEvents();
        QCOMPARE(device->PendingReports(), 0);
    }
    TForm1& Form() { return *program.form; }
    TAudioplayer& Audio() { return *program.form->Audioplayer(); }
    int Highlighted() {
        for (int row = 1; row <= Form().Playlist().DataRowCount(); ++row)
            if (Form().Playlist().Row(row).Colour) return row;
        return 0;
    }

    Program program;
    FakeMediaDevice* device = nullptr;
};

}  // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

  private slots:
    void aCatalogueDoubleClickPlaysCountsAndJoinsThePlaylist() {
        Player p;
        TForm1& form = p.Form();
        const std::string a = p.Song("a.mp3"), b = p.Song("b.mp3");
        p.Add(form.Catalogue(), a, "Eins");
        form.Catalogue().SetCell(1, colPlayCount, "abc");
        p.Add(form.Catalogue(), b, "Zwei");
        p.Add(form.Playlist(), b);
        form.Catalogue().SetCurrentRow(1);
        form.StGrdMainDblClick();
        QCOMPARE(p.device->Opened.back(), a);
        QVERIFY(p.Audio().isVisible());
        QCOMPARE(p.Audio().LbLTitel()->Text(), QStringLiteral("Eins - A"));
        QCOMPARE(form.Playlist().DataRowCount(), 2);
        QCOMPARE(form.Playlist().CurrentRow(), 2);
        QCOMPARE(p.Audio().CurrentPlaylistRow(), 2);
        QCOMPARE(p.Highlighted(), 2);
        QCOMPARE(form.Catalogue().Cell(1, colPlayCount), std::string("abc"));  // not yet loaded
        p.Settle();
        QCOMPARE(form.Catalogue().Cell(1, colPlayCount), std::string("1"));
        // The German short date with a four-digit year, written out here (not by the
        // program's own date function).
        const QDate today = QDate::currentDate();
        QCOMPARE(ToQString(form.Catalogue().Cell(1, colLastPlayed)),
                 QString::asprintf("%02d.%02d.%04d", today.day(), today.month(), today.year()));
        QCOMPARE(form.Playlist().Cell(2, colPlayCount), std::string());  // copies unchanged
        // A row already in the playlist: nothing appended, the last row current.
        form.Catalogue().SetCurrentRow(2);
        form.StGrdMainDblClick();
        QCOMPARE(form.Playlist().DataRowCount(), 2);
        QCOMPARE(p.Audio().CurrentPlaylistRow(), 2);
        p.Settle();
        QCOMPARE(form.Catalogue().Cell(2, colPlayCount), std::string("1"));
        // The player's buttons while playing.
        QVERIFY(!p.Audio().BtnMPlay()->isEnabled());
        QVERIFY(p.Audio().BtnMPause()->isEnabled());
        QVERIFY(p.Audio().BtnMStop()->isEnabled());
        QVERIFY(p.Audio().BtnMFor()->isEnabled());
        QVERIFY(!p.Audio().BtnMRew()->isEnabled());
        QVERIFY(p.Audio().BtnMEject()->isEnabled());
        QVERIFY(p.Audio().Timer4()->isActive());
    }

    void thePlaylistPlaysThroughAndCycles() {
        Player p;
        TForm1& form = p.Form();
        for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) p.Add(form.Playlist(), p.Song(name));
        QVERIFY(form.PlayListPlayChecked());
        form.Playlist().SetCurrentRow(1);
        form.StGrdPlaylistDblClick();
        p.Settle();
        for (const char* next : {"2.mp3", "3.mp3", "1.mp3"}) {
            p.device->End();
            p.Settle();
            QCOMPARE(p.device->Opened.back(), (p.program.folder / next).string());
            QCOMPARE(p.Highlighted(), std::stoi(next));
        }
        QCOMPARE(form.Playlist().CurrentRow(), 1);  // the selected row stays
        // A selection song while playlist row 1 is current: then row 2.
        p.Add(form.Selection(), p.Song("s.mp3"));
        form.StGrdSelectionDblClick();
        p.Settle();
        p.device->End();
        p.Settle();
        QCOMPARE(p.device->Opened.back(), (p.program.folder / "2.mp3").string());
        // Without "komplette Playliste abspielen" a song's end is the end.
        form.findChild<QAction*>(QStringLiteral("PlayListPlay"))->trigger();
        QVERIFY(!form.PlayListPlayChecked());
        const std::size_t opened = p.device->Opened.size();
        p.device->End();
        p.Settle();
        QCOMPARE(p.device->Opened.size(), opened);
        QVERIFY(p.Audio().BtnMPlay()->isEnabled());
    }

    void ejectStopsTheAdvanceUntilTheNextDoubleClick() {
        Player p;
        TForm1& form = p.Form();
        for (const char* name : {"1.mp3", "2.mp3"}) p.Add(form.Playlist(), p.Song(name));
        form.StGrdPlaylistDblClick();
        p.Settle();
        p.Audio().BtnMEject()->click();
        QCOMPARE(p.Audio().LbLTitel()->Text(), QStringLiteral("DoubleClick to Start"));
        QVERIFY(p.Audio().FileName().empty());
        QCOMPARE(p.device->doorOpened, 0);  // a file device has no door
        const std::size_t opened = p.device->Opened.size();
        p.device->End();
        p.Settle();
        QCOMPARE(p.device->Opened.size(), opened);
        QVERIFY(!form.AdvanceOn());
        form.StGrdPlaylistDblClick();
        p.Settle();
        p.device->End();
        p.Settle();
        QCOMPARE(p.device->Opened.size(), opened + 2);
    }

    void missingAndUnplayableSongsAreSkippedButNeverForEver() {
        Player p;
        TForm1& form = p.Form();
        const std::string good = p.Song("gut.mp3"), bad = p.Song("kaputt.mp3");
        p.Add(form.Catalogue(), bad);
        p.Add(form.Playlist(), good);
        p.Add(form.Playlist(), (p.program.folder / "fehlt.mp3").string());
        p.Add(form.Playlist(), bad);
        p.device->Undecodable.insert(bad);
        form.StGrdPlaylistDblClick();  // row 1
        p.Settle();
        p.device->End();
        p.Settle();
        // Row 2 is missing, row 3 cannot be played: told twice, then row 1 again.
        const auto& asked = p.program.prompts.AskedSoFar();
        QCOMPARE(asked.size(), std::size_t{2});
        QCOMPARE(asked[0].Text,
                 QStringLiteral("Datei ") +
                     QString::fromStdString((p.program.folder / "fehlt.mp3").string()) +
                     QStringLiteral(" nicht vorhanden!"));
        QVERIFY(
            asked[1].Text.endsWith(QStringLiteral("kann nicht abgespielt werden: Format nicht "
                                                  "unterstützt")));
        QCOMPARE(p.device->Opened.back(), good);
        QCOMPARE(form.Catalogue().Cell(1, colPlayCount), std::string());  // never counted
        // A playlist none of whose rows can be played stops.
        form.Playlist().SetCell(1, colFileName, bad);
        p.program.prompts.Clear();
        p.device->End();
        p.Settle();
        QVERIFY(!form.AdvanceOn());
        QCOMPARE(p.program.prompts.AskedSoFar().size(), std::size_t{3});
    }

    void buttonsAndWinding() {
        Player p;
        TForm1& form = p.Form();
        p.Add(form.Selection(), p.Song("a.mp3"));
        form.StGrdSelectionDblClick();
        p.Settle();
        TAudioplayer& audio = p.Audio();
        // Forward held for 20 ticks: 32 seconds on.
        p.device->position = 5000;
        QTest::mousePress(audio.BtnMFor(), Qt::LeftButton);
        QCOMPARE(audio.ForwardHold(), 1);
        audio.Timer4()->stop();
        for (int tick = 0; tick < 20; ++tick) audio.Timer4Timer();
        QCOMPARE(p.device->position, std::int64_t{37000});
        QCOMPARE(audio.LbLTime()->text(), QStringLiteral("00:37"));
        QTest::mouseRelease(audio.BtnMFor(), Qt::LeftButton);
        QCOMPARE(audio.ForwardHold(), 0);
        QVERIFY(audio.Timer4()->isActive());
        QVERIFY(audio.BtnMRew()->isEnabled() ||
                (audio.Timer4Timer(), audio.BtnMRew()->isEnabled()));
        // Pause, Play, Stop.
        audio.BtnMPause()->click();
        QCOMPARE(p.device->mode, MediaDevice::Mode::Paused);
        QVERIFY(audio.BtnMPlay()->isEnabled() && !audio.BtnMPause()->isEnabled());
        QVERIFY(audio.BtnMStop()->isEnabled() && !audio.BtnMFor()->isEnabled());
        QVERIFY(!audio.Timer4()->isActive());
        audio.BtnMPlay()->click();
        QCOMPARE(p.device->mode, MediaDevice::Mode::Playing);
        audio.BtnMStop()->click();
        QCOMPARE(p.device->position, std::int64_t{0});
        QCOMPARE(audio.LbLTime()->text(), QStringLiteral("00:00"));
        QVERIFY(audio.BtnMPlay()->isEnabled() && !audio.BtnMStop()->isEnabled());
        QVERIFY(audio.BtnMEject()->isEnabled());
        // The volume slider sets the device's volume.
        audio.SLVolume()->setValue(1234);
        QCOMPARE(p.device->volume, 1234);
    }

    void randomSelectionFillsAndPlays() {
        Player p;
        TForm1& form = p.Form();
        p.Add(form.Catalogue(), p.Song("0.mp3"));
        // One song: nothing happens.
        form.BtnRandomClick();
        QVERIFY(!form.FrmRandom()->isVisible());
        for (int i = 1; i < 10; ++i) p.Add(form.Catalogue(), p.Song(std::to_string(i) + ".mp3"));
        bool ran = false;
        QTimer::singleShot(0, form.FrmRandom(), [&] {
            QCOMPARE(form.FrmRandom()->Maximum(), 9);
            form.FrmRandom()->SpinEdit1()->setValue(50);  // above the maximum: set back
            QCOMPARE(form.FrmRandom()->SpinEdit1()->value(), 9);
            form.FrmRandom()->SpinEdit1()->setValue(3);
            ran = true;
            form.FrmRandom()->accept();
        });
        form.BtnRandomClick();
        QVERIFY(ran);
        QCOMPARE(form.Playlist().DataRowCount(), 3);
        QCOMPARE(p.device->Opened.back(), form.Playlist().Cell(1, colFileName));
        QCOMPARE(p.Highlighted(), 1);
        p.Form().close();
        const IniFile ini = IniFile::Load(p.program.folder / "SONGVAT.INI");
        QCOMPARE(ini.Value("RANDOMPLAY", "SpinEdit1_Value"), std::optional<std::string>("3"));
    }

    void thePlayerWindowIsShownAgainOnlyIfItWasOpen() {
        Program first;
        first.Start();
        QVERIFY(first.form->Audioplayer()->isVisible());
        QCOMPARE(first.form->ShowAudioTag(), 0);
        first.form->Audioplayer()->close();
        QCOMPARE(first.form->ShowAudioTag(), 1);
        const auto folder = first.folder.Path();
        QVERIFY(first.Close());
        QCOMPARE(IniFile::Load(folder / "SONGVAT.INI").Value("SYSTEM", "SIShowAudio_Tag"),
                 std::optional<std::string>("1"));
        ScriptedPrompts prompts;
        TForm1 second(folder, prompts);
        second.show();
        QTRY_VERIFY_WITH_TIMEOUT(second.IsStartedUp(), 10000);
        QVERIFY(!second.Audioplayer()->isVisible());
        second.SIShowAudioClick();
        QVERIFY(second.Audioplayer()->isVisible());
        QCOMPARE(second.ShowAudioTag(), 0);
    }
};

QTEST_MAIN(PlaybackTest)
#include "playback_test.moc"
