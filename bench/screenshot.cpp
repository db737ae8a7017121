// The main window with a catalogue of invented songs, for the README: the songs
// are real MP3 files (copies of a test file), one folder has a cover.
//   QT_QPA_PLATFORM=offscreen build-release/bin/screenshot docs/hauptfenster.png

#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/ui/main_window.h"
#include "bench/silent_prompts.h"
#include "catalogue/ui/song_grid.h"
#include "picture/jpeg_codec.h"
#include "picture/ui/cover_window.h"

namespace {

struct Song {
    const char *Title, *Artist, *Time, *Album, *Genre, *Year, *Bitrate, *Played, *Last;
};

const Song kSongs[] = {
    {"Morgenlicht", "Die Hafenkinder", "03:41", "Ebbe und Flut", "Pop", "2004", "192", "12",
     "03.12.2026"},
    {"Nordwind", "Die Hafenkinder", "04:12", "Ebbe und Flut", "Pop", "2004", "192", "9",
     "03.12.2026"},
    {"Leuchtturm", "Die Hafenkinder", "03:58", "Ebbe und Flut", "Pop", "2004", "192", "7",
     "28.11.2026"},
    {"Kaffee um drei", "Anna Berger Trio", "05:20", "Nachtcafé", "Jazz", "1998", "256", "4",
     "01.12.2026"},
    {"Regen in Köln", "Anna Berger Trio", "06:02", "Nachtcafé", "Jazz", "1998", "256", "3",
     "17.11.2026"},
    {"Blauer Montag", "Anna Berger Trio", "04:47", "Nachtcafé", "Jazz", "1998", "256", "5",
     "01.12.2026"},
    {"Schnellzug", "Kilometerstand", "02:59", "Autobahn Süd", "Rock", "2011", "320", "21",
     "07.12.2026"},
    {"Ausfahrt 42", "Kilometerstand", "03:33", "Autobahn Süd", "Rock", "2011", "320", "18",
     "07.12.2026"},
    {"Raststätte", "Kilometerstand", "04:05", "Autobahn Süd", "Rock", "2011", "320", "11",
     "06.12.2026"},
    {"Sonate in Grau", "Clara Wendt", "07:14", "Stille Stücke", "Klassik", "1987", "128", "2",
     "12.10.2026"},
    {"Walzer für Ida", "Clara Wendt", "03:26", "Stille Stücke", "Klassik", "1987", "128", "6",
     "30.11.2026"},
    {"Elektrisch", "Neonfalter", "04:44", "Strom", "Electronic", "2019", "VBR", "14", "05.12.2026"},
    {"Spannung", "Neonfalter", "05:01", "Strom", "Electronic", "2019", "VBR", "8", "05.12.2026"},
    {"Kurzschluss", "Neonfalter", "03:12", "Strom", "Electronic", "2019", "VBR", "10",
     "04.12.2026"},
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("hauptfenster.png");
    const std::filesystem::path source =
        std::filesystem::path(TV_TEST_DATA_DIR) / "mp3" / "with_id3v1.mp3";
    const auto folder =
        std::filesystem::temp_directory_path() / ("tunevault-shot-" + std::to_string(::getpid()));
    const auto music = folder / "Musik";

    std::filesystem::create_directories(music);
    std::ofstream list(folder / "ALL_SONGS.TSV", std::ios::binary);
    list << "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\tgespielt\t"
            "zuletzt\tImage\t\r\n";
    for (const Song& song : kSongs) {
        const auto album = music / song.Artist / song.Album;
        std::filesystem::create_directories(album);
        const auto file = album / (std::string(song.Title) + ".mp3");
        std::filesystem::copy_file(source, file, std::filesystem::copy_options::overwrite_existing);
        list << song.Title << '\t' << song.Artist << '\t' << song.Time << '\t' << song.Album << '\t'
             << song.Genre << '\t' << song.Year << '\t' << song.Bitrate << '\t' << file.string()
             << "\t\t" << song.Played << '\t' << song.Last << "\t\t\r\n";
    }
    list.close();
    // A cover for the first album: waves in blue.
    tv::RgbImage cover;
    cover.Width = cover.Height = 400;
    cover.Pixels.resize(400 * 400 * 3);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            std::uint8_t* p = &cover.Pixels[(static_cast<std::size_t>(y) * 400 + x) * 3];
            const bool wave = (y + static_cast<int>(18 * std::sin(x / 30.0))) % 80 < 40;
            p[0] = static_cast<std::uint8_t>(wave ? 30 : 220);
            p[1] = static_cast<std::uint8_t>(wave ? 80 + y / 4 : 230);
            p[2] = static_cast<std::uint8_t>(wave ? 160 + y / 8 : 240);
        }
    const auto jpeg = tv::EncodeJpeg(cover);
    std::ofstream(music / "Die Hafenkinder" / "Ebbe und Flut" / "folder.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()),
               static_cast<std::streamsize>(jpeg.size()));

    tv::bench::SilentPrompts prompts;
    {
        tv::TForm1 form(folder, prompts);
        form.resize(1024, 720);
        form.show();
        while (!form.IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        form.ImagePanel()->hide();
        form.LoadSongDetails(QString::fromStdString(
            (music / kSongs[0].Artist / kSongs[0].Album / (std::string(kSongs[0].Title) + ".mp3"))
                .string()));
        form.Catalogue().SetSelection(1, 1);
        for (int i = 0; i < 20; ++i) QApplication::processEvents();
        const bool saved = form.grab().save(output);
        std::printf("%s %s\n", saved ? "geschrieben:" : "NICHT geschrieben:", qPrintable(output));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
