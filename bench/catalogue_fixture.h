#pragma once

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "catalogue/list_file.h"
#include "catalogue/song_columns.h"

namespace tv::bench {

// The rows of the benchmarks' catalogue: 100,000, or TV_BENCH_ROWS (e.g. 1000000).
inline int BenchRows() {
    const char* rows = std::getenv("TV_BENCH_ROWS");
    const int wanted = rows != nullptr ? std::atoi(rows) : 0;
    return wanted > 0 ? wanted : 100000;
}

// Catalogue text with realistic cells: titles, artists and albums of a few
// words, full paths three to four folders deep, and now and then a comment,
// a play count and a cover picture. 100,000 rows make about 30 MB.
inline std::string MakeCatalogueText(int rows, unsigned seed = 42) {
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    static const char* const words[] = {"Love",    "Night", "Sommer", "Herz", "Dance",
                                        "Blue",    "Fire",  "Traum",  "Road", "Heaven",
                                        "Stadt",   "Liebe", "Rain",   "Gold", "Über",
                                        "Mädchen", "Time",  "Wild",   "Song", "Electric"};
    const auto phrase = [&](int minWords, int maxWords) {
        std::string text;
        const int count = minWords + pick(maxWords - minWords + 1);
        for (int i = 0; i < count; ++i) {
            if (i) text += ' ';
            text += words[pick(20)];
        }
        return text;
    };
    std::string text =
        "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\tgespielt\tzulet"
        "zt\tImage\t\r\n";
    text.reserve(static_cast<std::size_t>(rows) * 310);
    char buffer[64];
    for (int r = 0; r < rows; ++r) {
        const std::string artist = phrase(1, 4);
        const std::string album = phrase(2, 6);
        const std::string title = phrase(3, 7);
        text += title + '\t' + artist + '\t';
        std::snprintf(buffer, sizeof buffer, "%02d:%02d\t", 2 + pick(6), pick(60));
        text += buffer;
        text += album + '\t' + (pick(4) ? "Progressive Rock" : "Pop") + '\t' +
                std::to_string(1960 + pick(60)) + '\t' + (pick(3) ? "192" : "128") + '\t';
        std::snprintf(buffer, sizeof buffer, "/%02d - ", r % 20 + 1);
        const std::string folder =
            "/home/anwender/Musik/Sammlung/Alben und Singles/" + artist + "/" + album;
        text += folder + buffer + title + " (" + std::to_string(r) + ").mp3\t";
        text += pick(2) == 0 ? phrase(5, 12) : std::string();
        text += '\t';
        text += pick(3) == 0 ? std::to_string(pick(40)) : std::string();
        text += '\t';
        text += pick(3) == 0 ? "24.12.2005" : "";
        text += '\t';
        text += pick(4) == 0 ? folder + "/folder.jpg" : std::string();
        text += "\t\r\n";
    }
    return text;
}

}  // namespace tv::bench
