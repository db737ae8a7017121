// The program's real audio backend (GStreamer into a PulseAudio sink; a private
// null sink in CI) with real files made by lame and ffmpeg: a hundred song
// changes by the playlist advance, the gap between songs measured on the sink's
// monitor, the sound server's stream volume, and MPRIS with playerctl on a
// private session bus.

#include <QProcess>
#include <QSlider>
#include <QTest>
#include <cstdlib>
#include <sstream>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "playback/ui/audio_player.h"
#include "playback/ui/scrolling_label.h"
#include "tests/support/main_window_fixture.h"

using namespace tv;
using namespace tv::test;

namespace {

int Run(const std::string& command) {
    return std::system(command.c_str());
}

// Runs a program while the event loop goes on (the program under test answers
// D-Bus calls meanwhile); its standard output, trimmed.
QString RunAsync(const QString& program, const QStringList& arguments, int timeoutMs = 15000) {
    QProcess process;
    process.start(program, arguments);
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < timeoutMs)
        QTest::qWait(10);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// Adds a file as the next row of the catalogue and of the playlist.
void AddSong(TForm1& form, const std::string& file, const std::string& title) {
    for (SongList* list : {&form.Catalogue(), &form.Playlist()}) {
        const int row = RowForNewEntry(*list);
        list->SetCell(row, colTitle, title);
        list->SetCell(row, colArtist, "Band");
        list->SetCell(row, colFileName, file);
    }
}

// Encodes a tone of the given length into an MP3 (lame options as given).
std::string Encode(const std::filesystem::path& folder, const std::string& name, double seconds,
                   int rate, int channels, const std::string& lameOptions, int hz = 440) {
    const std::string wav = (folder / (name + ".wav")).string();
    const std::string mp3 = (folder / name).string();
    if (Run("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=" + std::to_string(hz) +
            ":duration=" +
            std::to_string(seconds) + " -ar " + std::to_string(rate) + " -ac " +
            std::to_string(channels) + " '" + wav + "' && lame --quiet " + lameOptions + " '" +
            wav + "' '" + mp3 + "'") != 0)
        return {};
    return mp3;
}

// The default sink's monitor, where everything played can be recorded.
std::string Monitor() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
    pactl.waitForFinished();
    return QString::fromUtf8(pactl.readAllStandardOutput()).trimmed().toStdString() + ".monitor";
}

// What a recording of the sink holds: the tones heard, in order, with their
// lengths, and the longest silence between the first sound and the last.
struct Recording {
    double LongestGapMs = -1;
    std::vector<std::pair<int, double>> Tones;  // frequency (Hz), length (ms)
};

// Measures a recording (16-bit WAV) with Python's wave module: 10 ms windows,
// each taken as silence or as the nearest of the given tones by its zero
// crossings; a window or two at a tone's edge counts with its neighbours.
Recording Measure(const std::filesystem::path& wav, const std::vector<int>& tones) {
    const std::filesystem::path script = wav.parent_path() / "measure.py";
    WriteBytes(script, R"(
import sys, wave, array
w = wave.open(sys.argv[1])
tones = [int(t) for t in sys.argv[2:]]
rate, channels = w.getframerate(), w.getnchannels()
left = array.array("h", w.readframes(w.getnframes()))[::channels]
peak = max(abs(s) for s in left) or 1
loud = [i for i, s in enumerate(left) if abs(s) > peak * 0.05]
longest = run = 0
for s in left[loud[0]:loud[-1]]:
    run = run + 1 if abs(s) <= peak * 0.02 else 0
    longest = max(longest, run)
step = rate // 100
kinds = []
for start in range(loud[0], loud[-1], step):
    part = left[start:start + step]
    if max(abs(s) for s in part) <= peak * 0.05:
        kinds.append(0)
        continue
    crossings = sum(1 for a, b in zip(part, part[1:]) if (a < 0) != (b < 0))
    hz = crossings * rate / (2.0 * len(part))
    kinds.append(min(tones, key=lambda t: abs(t - hz)))
runs = []
for kind in kinds:
    if runs and runs[-1][0] == kind:
        runs[-1][1] += 1
    else:
        runs.append([kind, 1])
merged = []
for kind, n in runs:
    if n <= 2 and merged:
        merged[-1][1] += n
    elif merged and merged[-1][0] == kind:
        merged[-1][1] += n
    else:
        merged.append([kind, n])
print(1000.0 * longest / rate, " ".join("%d:%d" % (k, n * 10) for k, n in merged if k))
)");
    const std::string out = wav.string() + ".txt";
    std::string command = "/usr/bin/python3 '" + script.string() + "' '" + wav.string() + "'";
    for (const int tone : tones) command += " " + std::to_string(tone);
    Recording recording;
    if (Run(command + " > '" + out + "'") != 0) return recording;
    std::istringstream text(ReadBytes(out));
    text >> recording.LongestGapMs;
    for (std::string tone; text >> tone;)
        recording.Tones.emplace_back(std::stoi(tone.substr(0, tone.find(':'))),
                                     std::stod(tone.substr(tone.find(':') + 1)));
    return recording;
}

// Our stream in the sound server, by the application name it carries: its block
// of "pactl list sink-inputs", the first line its number. Empty when there is none.
QString OurStream() {
    const QString inputs =
        RunAsync(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    for (const QString& block : inputs.split(QStringLiteral("Sink Input #"))) {
        if (block.contains(QStringLiteral("MP3-TUNEVAULT"))) return block;
    }
    return QString();
}

QString StreamNumber(const QString& stream) {
    return stream.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString TonesText(const Recording& recording) {
    QStringList parts;
    for (const auto& [hz, ms] : recording.Tones)
        parts << QStringLiteral("%1 Hz %2 ms").arg(hz).arg(ms);
    return parts.join(QStringLiteral(", "));
}

}  // namespace

class RealPlaybackTest : public QObject {
    Q_OBJECT

  private slots:
    // A hundred song changes by the advance over real files of every kind (mono
    // and stereo, CBR and VBR, 32 to 48 kHz, a name that is not UTF-8): none fails
    // but the one file that cannot be decoded, which is skipped with one message
    // and not counted; every other song is counted exactly once.
    void aHundredSongChangesNeverFail() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        struct Kind {
            int Rate, Channels;
            const char* Lame;
        };
        const Kind kinds[] = {{44100, 2, "-b 128"},         {48000, 2, "-V 4"},
                              {32000, 1, "-b 64 -m m"},     {44100, 1, "-V 6 -m m"},
                              {48000, 2, "-b 192"},         {32000, 2, "-V 2"}};
        std::vector<std::string> sources;
        for (std::size_t k = 0; k < std::size(kinds); ++k)
            sources.push_back(Encode(program.folder.Path(), "quelle" + std::to_string(k) + ".mp3",
                                     0.3, kinds[k].Rate, kinds[k].Channels, kinds[k].Lame));
        for (const std::string& source : sources) QVERIFY(!source.empty());
        const std::filesystem::path folder = program.folder / "Musik";
        std::filesystem::create_directory(folder);
        std::vector<std::string> files;
        for (int i = 0; i < 101; ++i) {
            std::string name = "Lied " + std::to_string(i) + ".mp3";
            if (i == 7) name = "Lied \xE4 \xFF 7.mp3";  // not UTF-8
            const std::string file = (folder / name).string();
            if (i == 50) {
                WriteBytes(file, std::string(40000, 'x'));  // cannot be decoded
            } else {
                std::filesystem::copy_file(sources[static_cast<std::size_t>(i) % sources.size()],
                                           file);
            }
            files.push_back(file);
            AddSong(form, file, "Lied " + std::to_string(i));
        }
        // A long last song: the advance cannot come round to the first rows again
        // before the counts are read.
        const std::string last = Encode(program.folder.Path(), "Schluss.mp3", 30, 32000, 1, "-b 32");
        QVERIFY(!last.empty());
        AddSong(form, last, "Schluss");
        form.Playlist().SetCurrentRow(1);
        form.StGrdPlaylistDblClick();
        QTRY_VERIFY_WITH_TIMEOUT(form.Catalogue().Cell(102, colPlayCount) == "1", 120000);
        form.Audioplayer()->BtnMEjectClick();
        // Every row once, the one that failed not at all ("-").
        QString counts, expected;
        for (int row = 1; row <= 101; ++row) {
            const std::string count(form.Catalogue().Cell(row, colPlayCount));
            counts += QString::fromStdString(count.empty() ? "-" : count);
            expected += row == 51 ? QStringLiteral("-") : QStringLiteral("1");
        }
        QCOMPARE(counts, expected);
        QStringList messages;
        for (const auto& asked : program.prompts.AskedSoFar()) messages << asked.Text;
        QVERIFY2(messages.size() == 1, qPrintable(messages.join(QLatin1Char('\n'))));
        QVERIFY(messages.front().contains(QStringLiteral("Lied 50.mp3")));
    }

    // Three songs of different tones back to back, as WAV files and as MP3 files
    // with an ID3v2 tag in front (which GStreamer reads ahead): the recording of
    // the sink holds each tone for its full second, in order, with no silence
    // between them worth hearing.
    void songsFollowEachOtherWithoutAGap() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        const std::filesystem::path folder = program.folder.Path();
        const std::vector<int> tones = {440, 660, 880};
        for (const int hz : tones) {
            const std::string name = std::to_string(hz);
            QCOMPARE(Run("ffmpeg -loglevel error -f lavfi -i sine=frequency=" + name +
                         ":duration=1 -ar 44100 -ac 2 '" + (folder / (name + ".wav")).string() +
                         "'"),
                     0);
            QVERIFY(!Encode(folder, name + ".mp3", 1, 44100, 2,
                            "-b 128 --add-id3v2 --tt Ton" + name, hz)
                         .empty());
        }
        // Silence after the three: the recording ends once the last has been heard
        // to its end, whatever the sound server's latency.
        const std::string silence = (folder / "stille.wav").string();
        QCOMPARE(Run("ffmpeg -loglevel error -f lavfi -i anullsrc=r=44100:cl=stereo -t 3 '" +
                     silence + "'"),
                 0);
        const auto record = [&](const std::string& extension) -> Recording {
            for (const int hz : tones) {
                const std::string name = std::to_string(hz) + extension;
                AddSong(form, (folder / name).string(), name);
            }
            AddSong(form, silence, "Stille");
            const int firstRow = form.Playlist().DataRowCount() - static_cast<int>(tones.size());
            const std::filesystem::path recording = folder / ("aufnahme" + extension + ".wav");
            QProcess recorder;
            recorder.start(QStringLiteral("parecord"),
                           {QStringLiteral("--latency-msec=20"),
                            QStringLiteral("--device=") + QString::fromStdString(Monitor()),
                            QStringLiteral("--file-format=wav"),
                            QString::fromStdString(recording.string())});
            recorder.waitForStarted();
            QTest::qWait(300);
            form.Playlist().SetCurrentRow(firstRow);
            form.StGrdPlaylistDblClick();
            // The silence is reported as started when it reaches the sink, while
            // the sink still holds the end of the last tone (and the position is
            // still that tone's): the recording goes on for a while of silence.
            if (!QTest::qWaitFor([&] { return form.Audioplayer()->FileName() == silence; },
                                 15000))
                return {};
            QTest::qWait(1500);
            form.Audioplayer()->BtnMEjectClick();
            recorder.terminate();
            recorder.waitForFinished();
            return Measure(recording, tones);
        };
        const Recording wav = record(".wav");
        const Recording mp3 = record(".mp3");
        qInfo("longest silence between WAV files: %.2f ms (%s), between MP3 files: %.2f ms (%s)",
              wav.LongestGapMs, qPrintable(TonesText(wav)), mp3.LongestGapMs,
              qPrintable(TonesText(mp3)));
        for (const Recording& recording : {wav, mp3}) {
            QVERIFY2(recording.Tones.size() == tones.size(), qPrintable(TonesText(recording)));
            // The sound server may take the first few tens of milliseconds of the
            // very first song to start the stream (seen with a null sink: 40 ms of
            // a WAV file); after that, every sample.
            for (std::size_t i = 0; i < tones.size(); ++i) {
                QCOMPARE(recording.Tones[i].first, tones[i]);
                const double missing = 1000 - recording.Tones[i].second;
                QVERIFY2(missing <= (i == 0 ? 60 : 30) && missing >= -30,
                         qPrintable(TonesText(recording)));
            }
            QVERIFY2(recording.LongestGapMs >= 0 && recording.LongestGapMs <= 5.0,
                     qPrintable(QStringLiteral("%1 ms of silence").arg(recording.LongestGapMs)));
        }
    }

    // The slider sets the stream's volume in the sound server, and a volume set
    // from outside (the desktop's mixer) shows on the slider.
    void theVolumeIsTheStreamsVolumeInTheSoundServer() {
        Program program;
        program.Start();
        TForm1& form = *program.form;
        const std::string file =
            Encode(program.folder.Path(), "lang.mp3", 5, 44100, 2, "-b 128");
        AddSong(form, file, "Lang");
        form.Playlist().SetCurrentRow(1);
        form.StGrdPlaylistDblClick();
        QTRY_VERIFY_WITH_TIMEOUT(form.Audioplayer()->Device().Position() > 100, 10000);
        const auto streamLine = [] { return OurStream(); };
        QTRY_VERIFY_WITH_TIMEOUT(!streamLine().isEmpty(), 10000);
        // The slider's half is the mixer's half (both are cubic): 50 %, -18 dB.
        form.Audioplayer()->SLVolume()->setValue(65535 / 2);
        QTRY_VERIFY_WITH_TIMEOUT(streamLine().contains(QStringLiteral(" 50% / -18.06 dB")), 10000);
        const QString id = StreamNumber(streamLine());
        RunAsync(QStringLiteral("pactl"),
                 {QStringLiteral("set-sink-input-volume"), id, QStringLiteral("100%")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->SLVolume()->value(), 65535, 10000);
        form.Audioplayer()->BtnMEjectClick();
    }

    // The sound server ends our stream while a song plays (as pulsesink's
    // "Disconnected" does when the format changes between songs): the song goes on
    // where it was, in a new stream, without a message. A second loss right after
    // is reported, and playing stops.
    void aStreamTheServerDropsIsTakenUpAgain() {
        QVERIFY2(!RunAsync(QStringLiteral("pacmd"), {QStringLiteral("stat")}).isEmpty(),
                 "the test runs with_audio_sink.sh, whose server takes pacmd commands");
        Program program;
        program.Start();
        TForm1& form = *program.form;
        const std::string file = Encode(program.folder.Path(), "lang.mp3", 8, 44100, 2, "-b 128");
        AddSong(form, file, "Lang");
        form.Playlist().SetCurrentRow(1);
        form.StGrdPlaylistDblClick();
        QTRY_VERIFY_WITH_TIMEOUT(form.Audioplayer()->Device().Position() > 1000, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!OurStream().isEmpty(), 10000);
        const QString before = StreamNumber(OurStream());
        const std::int64_t position = form.Audioplayer()->Device().Position();
        RunAsync(QStringLiteral("pacmd"), {QStringLiteral("kill-sink-input"), before});
        QTRY_VERIFY_WITH_TIMEOUT(
            !OurStream().isEmpty() && StreamNumber(OurStream()) != before, 10000);
        QCOMPARE(form.Audioplayer()->Device().GetMode(), MediaDevice::Mode::Playing);
        // Where it was, not from the start.
        const std::int64_t after = form.Audioplayer()->Device().Position();
        QVERIFY2(after >= position - 300 && after < position + 3000,
                 qPrintable(QStringLiteral("%1 ms, then %2 ms").arg(position).arg(after)));
        QVERIFY(program.prompts.AskedSoFar().empty());

        RunAsync(QStringLiteral("pacmd"),
                 {QStringLiteral("kill-sink-input"), StreamNumber(OurStream())});
        QTRY_COMPARE_WITH_TIMEOUT(program.prompts.AskedSoFar().size(), std::size_t{1}, 10000);
        QVERIFY(program.prompts.AskedSoFar().front().Text.contains(QStringLiteral("lang.mp3")));
        QCOMPARE(form.Audioplayer()->Device().GetMode(), MediaDevice::Mode::NotReady);
        QVERIFY(OurStream().isEmpty());
        form.Audioplayer()->BtnMEjectClick();
    }

    // The desktop's media keys through MPRIS, as playerctl sends them, while a
    // real song plays.
    void mediaKeysWorkThroughMpris() {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QFAIL("the test runs inside dbus-run-session");
        Program program;
        program.Start();
        TForm1& form = *program.form;
        const std::string first = Encode(program.folder.Path(), "eins.mp3", 20, 44100, 2, "-b 128");
        const std::string second = Encode(program.folder.Path(), "zwei.mp3", 20, 44100, 2, "-b 128");
        AddSong(form, first, "Eins");
        AddSong(form, second, "Zwei");
        form.Catalogue().SetCell(1, colAlbum, "Das Album");
        const auto ctl = [](const QStringList& arguments) {
            return RunAsync(QStringLiteral("playerctl"),
                            QStringList{QStringLiteral("--player=tunevault")} + arguments);
        };
        QCOMPARE(ctl({QStringLiteral("status")}), QStringLiteral("Stopped"));
        ctl({QStringLiteral("play")});  // nothing loaded: the playlist's current row
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->FileName(), first, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(form.Audioplayer()->Device().Position() > 300, 10000);
        QCOMPARE(ctl({QStringLiteral("status")}), QStringLiteral("Playing"));
        QCOMPARE(ctl({QStringLiteral("metadata"), QStringLiteral("title")}), QStringLiteral("Eins"));
        QCOMPARE(ctl({QStringLiteral("metadata"), QStringLiteral("artist")}), QStringLiteral("Band"));
        QCOMPARE(ctl({QStringLiteral("metadata"), QStringLiteral("album")}),
                 QStringLiteral("Das Album"));
        QVERIFY(ctl({QStringLiteral("metadata"), QStringLiteral("xesam:url")})
                    .endsWith(QStringLiteral("/eins.mp3")));
        QVERIFY(ctl({QStringLiteral("metadata"), QStringLiteral("mpris:length")}).toLongLong() >
                19000000);
        QVERIFY(ctl({QStringLiteral("position")}).toDouble() > 0.2);
        ctl({QStringLiteral("play-pause")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->State(), PlayerState::Paused, 5000);
        QCOMPARE(ctl({QStringLiteral("status")}), QStringLiteral("Paused"));
        ctl({QStringLiteral("play-pause")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->State(), PlayerState::Playing, 5000);
        ctl({QStringLiteral("next")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->FileName(), second, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(ctl({QStringLiteral("metadata"), QStringLiteral("title")}),
                                  QStringLiteral("Zwei"), 10000);
        ctl({QStringLiteral("previous")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->FileName(), first, 10000);
        ctl({QStringLiteral("volume"), QStringLiteral("0.25")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->SLVolume()->value(),
                                  static_cast<int>(0.25 * 65535 + 0.5), 5000);
        QCOMPARE(ctl({QStringLiteral("volume")}).left(4), QStringLiteral("0.25"));
        ctl({QStringLiteral("position"), QStringLiteral("10")});
        QTRY_VERIFY_WITH_TIMEOUT(form.Audioplayer()->Device().Position() >= 9000, 5000);
        ctl({QStringLiteral("stop")});
        QTRY_COMPARE_WITH_TIMEOUT(form.Audioplayer()->State(), PlayerState::Stopped, 5000);
        QVERIFY(program.prompts.AskedSoFar().empty());
    }
};

QTEST_MAIN(RealPlaybackTest)
#include "real_playback_test.moc"
