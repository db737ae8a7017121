// A playlist of two real one-second MP3s through the program's real audio
// backend (Qt Multimedia on GStreamer, into a PulseAudio sink): the first plays to
// its end and the second starts by itself.

#include <QTest>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "playback/ui/audio_player.h"
#include "playback/ui/scrolling_label.h"
#include "tests/support/main_window_fixture.h"

using namespace tv;
using namespace tv::test;

class RealPlaybackTest : public QObject {
    Q_OBJECT

  private slots:
    void aPlaylistPlaysThroughOnTheRealDevice() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        const std::filesystem::path data = TV_TEST_DATA_DIR "/mp3";
        // The second file's name is not UTF-8: it must play all the same.
        const std::string first = (program.folder / "eins.mp3").string();
        const std::string second = (program.folder / "zw\xE4i.mp3").string();
        std::filesystem::copy_file(data / "one_second_a.mp3", first);
        std::filesystem::copy_file(data / "one_second_b.mp3", second);
        for (const std::string& file : {first, second}) {
            for (SongList* list : {&form.Catalogue(), &form.Playlist()}) {
                const int row = RowForNewEntry(*list);
                list->SetCell(row, colTitle, file == first ? "Eins" : "Zwei");
                list->SetCell(row, colFileName, file);
            }
        }
        form.Playlist().SetCurrentRow(1);
        form.StGrdPlaylistDblClick();
        QTRY_COMPARE_WITH_TIMEOUT(form.Catalogue().Cell(1, colPlayCount), std::string("1"), 10000);
        // About a second later the second song is loaded and counted.
        QTRY_COMPARE_WITH_TIMEOUT(form.Catalogue().Cell(2, colPlayCount), std::string("1"), 10000);
        QCOMPARE(form.Audioplayer()->FileName(), second);
        QCOMPARE(form.Audioplayer()->LbLTitel()->Text(), QStringLiteral("Zwei - "));
        QCOMPARE(form.Audioplayer()->CurrentPlaylistRow(), 2);
        QVERIFY(program.prompts.AskedSoFar().empty());
        // And it really plays: its position moves on.
        QTRY_VERIFY_WITH_TIMEOUT(form.Audioplayer()->Device().Position() > 100, 5000);
        form.Audioplayer()->BtnMEjectClick();
    }
};

QTEST_MAIN(RealPlaybackTest)
#include "real_playback_test.moc"
