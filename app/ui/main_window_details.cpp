// The details panel of the main window: one audio file's song fields, filled from
// its catalogue row or from the file itself, stored into the lists by "OK", and
// written back into the file's ID3v1 tag when that option is on.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>
#include <algorithm>
#include <exception>
#include <system_error>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/list_status.h"
#include "catalogue/song_columns.h"
#include "catalogue/song_details.h"
#include "metadata/id3_genres.h"
#include "metadata/mpeg_data.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/glyphs.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"

namespace tv {
namespace {

constexpr char kAudioFilter[] =
    "Audio- Dateien|*.mp3;*.wma;*.wav|MP3- Dateien|*.mp3|WMA-Dateien|*.wma|WAV-Dateien|*.wav";
constexpr char kEmptyYear[] = "    ";
constexpr char kEmptyTime[] = "  :  ";

// The genre list: an empty entry, then the choices in alphabetical order.
QStringList GenreListEntries() {
    QStringList names;
    for (const std::string_view name : GenreChoices())
        names << QString::fromUtf8(name.data(), qsizetype(name.size()));
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    names.prepend(QString());
    return names;
}

// A masked box for the playing time: two digit places (more when the time has
// more minutes), ":", two digit places; "  :  " when empty.
void SetTimeText(QLineEdit* edit, const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const qsizetype minuteDigits = std::max<qsizetype>(2, colon);
    edit->setInputMask(QString(minuteDigits, QLatin1Char('9')) + QStringLiteral(":99; "));
    edit->setText(text);
}

QLabel* Label(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

}  // namespace

void TForm1::BuildDetailsGroups() {
    SongDetailsControls& d = details_;
    auto* fileGroup = new QGroupBox(QStringLiteral("Datei- Informationen"), panel1_);
    fileGroup->setObjectName(QStringLiteral("GBFileInfo"));
    d.EdtFile = new QLineEdit(fileGroup);
    d.EdtFile->setObjectName(QStringLiteral("EdtFile"));
    d.EdtFile->setReadOnly(true);  // a file is chosen, not typed
    d.EdtFile->setToolTip(QStringLiteral("Hier den Titel auswählen"));
    d.EdtFileButton = new QToolButton(fileGroup);
    d.EdtFileButton->setIcon(GlyphIcon(Glyph::Browse, palette().color(QPalette::ButtonText)));
    d.EdtFileButton->setToolTip(QStringLiteral("Hier den Titel auswählen"));
    d.EdtFileSize = new QLineEdit(fileGroup);
    d.EdtFileSize->setObjectName(QStringLiteral("EdtFileSize"));
    d.EdtFileSize->setReadOnly(true);
    d.EdtFileSize->setEnabled(false);
    d.EdtFileSize->setFixedWidth(70);
    d.EdtFileSize->setAlignment(Qt::AlignRight);
    d.EdtFileSize->setToolTip(QStringLiteral("Größe der Datei in MB"));
    d.BtnRetryID3 = new QPushButton(QStringLiteral("Titelinfo"), fileGroup);
    d.BtnRetryID3->setObjectName(QStringLiteral("BtnRetryID3"));
    d.BtnRetryID3->setToolTip(QStringLiteral("Titelinformationen aus Datei ermitteln"));
    d.BtnRetryID3->setEnabled(false);

    auto* fileLayout = new QGridLayout(fileGroup);
    auto* fileRow = new QHBoxLayout;
    fileRow->setSpacing(0);
    fileRow->addWidget(d.EdtFile, 1);
    fileRow->addWidget(d.EdtFileButton);
    fileLayout->addLayout(fileRow, 0, 0, 1, 4);
    fileLayout->addWidget(Label(QStringLiteral("Grösse :"), fileGroup), 1, 0);
    fileLayout->addWidget(d.EdtFileSize, 1, 1);
    fileLayout->addWidget(Label(QStringLiteral("MB"), fileGroup), 1, 2);
    fileLayout->addWidget(d.BtnRetryID3, 1, 3, Qt::AlignRight);
    fileLayout->setRowStretch(2, 1);

    d.GBSongInfo = new QGroupBox(QStringLiteral("Song-Informationen"), panel1_);
    d.GBSongInfo->setObjectName(QStringLiteral("GBSongInfo"));
    d.GBSongInfo->setEnabled(false);
    QWidget* song = d.GBSongInfo;
    const auto edit = [song](const char* name, const char* tip) {
        auto* box = new QLineEdit(song);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(QString::fromUtf8(tip));
        return box;
    };
    d.EdtTitel = edit("EdtTitel", "Titel des Songs");
    d.EdtInterpret = edit("EdtInterpret", "Interpret des Songs");
    d.EdtAlbum = edit("EdtAlbum", "Song ist aus diesem Album");
    d.edtComment = edit("edtComment", "Persönlicher Kommentar");
    d.EdtJahr = edit("EdtJahr", "Jahr aus dem dieser Titel stammt");
    d.EdtJahr->setInputMask(QStringLiteral("9999; "));
    d.EdtJahr->setFixedWidth(44);
    d.EdtTime = edit("EdtTime", "Länge des Titels (aus ID3- Tag)");
    SetTimeText(d.EdtTime, QString());
    d.EdtTime->setFixedWidth(52);
    d.EdtBitrate = edit("EdtBitrate", "Bitrate des Titels");
    d.EdtBitrate->setEnabled(false);
    d.EdtBitrate->setFixedWidth(44);
    d.CBGenre = new QComboBox(song);
    d.CBGenre->setObjectName(QStringLiteral("CBGenre"));
    d.CBGenre->setToolTip(QStringLiteral("Genre auswählen"));
    d.CBGenre->addItems(GenreListEntries());
    d.CBGenre->setMaxVisibleItems(20);
    d.BtnSongOK = new QPushButton(QStringLiteral("OK"), song);
    d.BtnSongOK->setObjectName(QStringLiteral("BtnSongOK"));
    d.BtnSongOK->setToolTip(QStringLiteral("Daten werden übernommen"));
    d.BtnSongOK->setEnabled(false);

    auto* songLayout = new QGridLayout(song);
    songLayout->setVerticalSpacing(3);
    songLayout->addWidget(Label(QStringLiteral("Titel : "), song), 0, 0);
    songLayout->addWidget(d.EdtTitel, 0, 1, 1, 3);
    songLayout->addWidget(Label(QStringLiteral("Interpret : "), song), 0, 4);
    songLayout->addWidget(d.EdtInterpret, 0, 5, 1, 3);
    songLayout->addWidget(Label(QStringLiteral("Album : "), song), 1, 0);
    songLayout->addWidget(d.EdtAlbum, 1, 1, 1, 3);
    songLayout->addWidget(Label(QStringLiteral("Kommentar :"), song), 1, 4);
    songLayout->addWidget(d.edtComment, 1, 5, 1, 3);
    songLayout->addWidget(Label(QStringLiteral("Genre : "), song), 2, 0);
    songLayout->addWidget(d.CBGenre, 2, 1);
    songLayout->addWidget(Label(QStringLiteral("Jahr : "), song), 2, 2, Qt::AlignRight);
    songLayout->addWidget(d.EdtJahr, 2, 3);
    songLayout->addWidget(Label(QStringLiteral("Länge :"), song), 2, 4);
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(d.EdtTime);
    numbers->addWidget(Label(QStringLiteral("Bitrate :"), song));
    numbers->addWidget(d.EdtBitrate);
    numbers->addStretch(1);
    songLayout->addLayout(numbers, 2, 5, 1, 2);
    songLayout->addWidget(d.BtnSongOK, 2, 7);
    songLayout->setColumnStretch(1, 1);
    songLayout->setColumnStretch(5, 1);
    songLayout->setRowStretch(3, 1);

    detailsArea_->addWidget(fileGroup, 2);
    detailsArea_->addWidget(d.GBSongInfo, 5);

    connect(d.EdtFile, &QLineEdit::textChanged, this, &TForm1::EdtFileChange);
    connect(d.EdtFileButton, &QToolButton::clicked, this, &TForm1::EdtFileBrowseClick);
    connect(d.BtnRetryID3, &QPushButton::clicked, this, &TForm1::BtnRetryID3Click);
    connect(d.BtnSongOK, &QPushButton::clicked, this, &TForm1::BtnSongOKClick);
    connect(d.EdtTitel, &QLineEdit::textChanged, this, &TForm1::EdtTitelorInterChange);
    connect(d.EdtInterpret, &QLineEdit::textChanged, this, &TForm1::EdtTitelorInterChange);
}

void TForm1::ChBID3WriteClick() {
    id3WriteChecked_ = !id3WriteChecked_;
    id3WriteAction_->setChecked(id3WriteChecked_);
}

void TForm1::EdtFileBrowseClick() {
    FileDialogRequest request;
    request.Title = QStringLiteral("MP3-Datei auswählen");
    request.Filter = QString::fromUtf8(kAudioFilter);
    request.FileName = details_.EdtFile->text();
    if (const auto chosen = prompts_.OpenFile(this, request)) details_.EdtFile->setText(*chosen);
}

void TForm1::EdtFileChange() {
    const QString name = details_.EdtFile->text();
    const bool hasName = !name.isEmpty();
    details_.GBSongInfo->setEnabled(hasName);
    details_.BtnRetryID3->setEnabled(hasName);
    btnImage_->setEnabled(hasName);
    if (hasName) LoadSongDetails(name);  // an empty box has nothing to load
}

void TForm1::EdtTitelorInterChange() {
    details_.BtnSongOK->setEnabled(!details_.EdtTitel->text().isEmpty() &&
                                   !details_.EdtInterpret->text().isEmpty());
}

void TForm1::ListRowClick(ListKind kind, int row) {
    const std::string name(ListOf(kind).Cell(row, colFileName));
    if (!name.empty()) ShowFileInPanel(QStringFromBytes(name));
}

void TForm1::ShowFileInPanel(const QString& fileName) {
    // The box holds the plain name (the folder scan hands names in quotes): a
    // double click, the cover's folder and OK all take it from there.
    const QString name = QStringFromBytes(StripQuotes(BytesFromQString(fileName)));
    if (details_.EdtFile->text() == name)
        LoadSongDetails(name);  // the box shows it already: no change to load it
    else
        details_.EdtFile->setText(name);
}

void TForm1::LoadSongDetails(const QString& fileName) {
    const std::string name(StripQuotes(BytesFromQString(fileName)));
    SongDetailsControls& d = details_;

    std::error_code sizeError;
    const auto bytes = std::filesystem::file_size(name, sizeError);
    d.EdtFileSize->setText(sizeError ? QString()
                                     : QString::fromStdString(FormatMebibytes(
                                           static_cast<double>(bytes) / 1048576.0,
                                           ProgramLocale().decimalPoint().toStdString())));

    d.EdtTitel->clear();
    d.EdtInterpret->clear();
    d.EdtAlbum->clear();
    d.edtComment->clear();  // never the previous song's comment
    d.EdtJahr->setText(QString::fromLatin1(kEmptyYear));
    SetTimeText(d.EdtTime, QString());
    d.EdtBitrate->clear();
    d.CBGenre->setCurrentIndex(0);

    const int row = FindSongRow(catalogue_, name, colFileName);
    QApplication::processEvents();
    if (row <= 0 || row > catalogue_.DataRowCount() ||
        catalogue_.Cell(row, colFileName) != name) {
        // Not catalogued (or the catalogue changed while events ran).
        ReadSongTags(QStringFromBytes(name));
        return;
    }
    const auto cell = [this, row](int column) {
        return ToQString(catalogue_.Cell(row, column));
    };
    d.EdtTitel->setText(cell(colTitle));
    d.EdtInterpret->setText(cell(colArtist));
    SetTimeText(d.EdtTime, cell(colTime));
    d.EdtAlbum->setText(cell(colAlbum));
    SelectGenre(cell(colGenre));
    d.EdtJahr->setText(cell(colYear));
    d.EdtBitrate->setText(cell(colBitrate));
    d.edtComment->setText(cell(colComment));
    ShowCatalogueCover(row);
}

void TForm1::ReadSongTags(const QString& fileName) {
    SongDetailsControls& d = details_;
    const std::string name = BytesFromQString(fileName);
    // The MPEG analysis and the tag each under a guard of their own: a file whose
    // audio cannot be analysed still shows its tag.
    try {
        TMPEGData data;
        ReadMPEGData(name, data);
        SetTimeText(d.EdtTime, QString::fromStdString(FormatPlayingTime(data.Duration)));
        d.EdtBitrate->setText(QString::number(data.BitRate));
    } catch (const std::exception&) {
        // Time and bitrate stay empty.
    }
    bool tagRead = false;
    try {
        id3Tag_.SetFileName(name);
        tagRead = id3Tag_.ReadFromFile();
        if (!tagRead) throw std::system_error(ENOENT, std::generic_category(), name);
        d.EdtTitel->setText(QString::fromStdString(CapitalizeWords(id3Tag_.Title())));
        d.EdtInterpret->setText(QString::fromStdString(CapitalizeWords(id3Tag_.Artist())));
        d.EdtAlbum->setText(QString::fromStdString(CapitalizeWords(id3Tag_.Album())));
        d.edtComment->setText(QString::fromStdString(id3Tag_.Comment()));
        if (id3Tag_.Genre().empty())
            d.CBGenre->setCurrentIndex(0);
        else
            SelectGenre(QString::fromStdString(id3Tag_.Genre()));
        d.EdtJahr->setText(QString::fromStdString(id3Tag_.Year()));

        std::string title = d.EdtTitel->text().toStdString();
        std::string artist = d.EdtInterpret->text().toStdString();
        if (SplitCompilationTitle(title, artist)) {
            d.EdtTitel->setText(QString::fromStdString(title));
            d.EdtInterpret->setText(QString::fromStdString(artist));
        }
    } catch (const std::exception&) {
        // A file whose tag cannot be read keeps what was set so far; the name
        // still helps.
        tagRead = false;
    }
    if (d.EdtTitel->text().isEmpty() || d.EdtInterpret->text().isEmpty())
        GuessTagsFromPath(fileName);
    // A tag that could not be read is never replaced by guesses.
    if (id3WriteChecked_ && tagRead) WriteBackTag(fileName);
}

void TForm1::GuessTagsFromPath(const QString& path) {
    SongDetailsControls& d = details_;
    const PathGuess guess = GuessFromPath(BytesFromQString(path));
    if (d.EdtTitel->text().isEmpty())
        d.EdtTitel->setText(QString::fromStdString(CapitalizeWords(guess.Title)));
    if (d.EdtInterpret->text().isEmpty())
        d.EdtInterpret->setText(QString::fromStdString(CapitalizeWords(guess.Artist)));
    if (!d.EdtJahr->displayText().contains(QRegularExpression(QStringLiteral("[0-9]"))))
        d.EdtJahr->setText(QString::fromStdString(guess.Year));
    d.CBGenre->setCurrentIndex(0);
}

void TForm1::SelectGenre(const QString& genre) {
    const std::string_view choice = GenreChoiceFor(genre.toStdString());
    if (choice.empty()) return;
    const int index = details_.CBGenre->findText(
        QString::fromUtf8(choice.data(), qsizetype(choice.size())),
        Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) details_.CBGenre->setCurrentIndex(index);
}

void TForm1::StoreSongDetails(SongList& list, const QString& fileName, bool overwrite) {
    QApplication::processEvents();
    if (fileName.isEmpty()) return;
    const std::string name(StripQuotes(BytesFromQString(fileName)));
    if (name.empty()) return;
    int row = FindSongRow(list, name, colFileName);
    if (row == 0) {
        row = RowForNewEntry(list);
    } else if (!overwrite) {
        return;
    }
    const SongDetailsControls& d = details_;
    list.SetCell(row, colTitle, d.EdtTitel->text().toStdString());
    list.SetCell(row, colArtist, d.EdtInterpret->text().toStdString());
    list.SetCell(row, colTime, d.EdtTime->displayText().toStdString());
    list.SetCell(row, colAlbum, d.EdtAlbum->text().toStdString());
    list.SetCell(row, colGenre, d.CBGenre->currentText().toStdString());
    list.SetCell(row, colYear, d.EdtJahr->displayText().toStdString());
    list.SetCell(row, colBitrate, d.EdtBitrate->text().toStdString());
    list.SetCell(row, colFileName, name);
    list.SetCell(row, colComment, d.edtComment->text().toStdString());
    list.SetCell(row, colImage,
                 BytesFromQString(rememberedPictureName_));  // lists of 9 columns keep none
    UpdateStatusBars(SizeRefresh::IfListsChanged);
}

void TForm1::BtnSongOKClick() {
    const QString name = details_.EdtFile->text();
    StoreSongDetails(catalogue_, name, true);
    const std::string plain(StripQuotes(BytesFromQString(name)));
    for (SongList* list : {&selection_, &playlist_, &doubles_}) {
        if (FindSongRow(*list, plain, colFileName) > 0) StoreSongDetails(*list, name, true);
    }
    if (id3WriteChecked_) WriteBackTag(QStringFromBytes(plain));
}

void TForm1::BtnRetryID3Click() {
    ReadSongTags(QStringFromBytes(StripQuotes(BytesFromQString(details_.EdtFile->text()))));
}

bool TForm1::WriteBackTag(const QString& fileName) {
    const SongDetailsControls& d = details_;
    try {
        id3Tag_.SetFileName(BytesFromQString(fileName));
        id3Tag_.SetTitle(d.EdtTitel->text().toStdString());
        id3Tag_.SetArtist(d.EdtInterpret->text().toStdString());
        id3Tag_.SetYear(d.EdtJahr->displayText().toStdString());
        id3Tag_.SetAlbum(d.EdtAlbum->text().toStdString());
        id3Tag_.SetComment(d.edtComment->text().toStdString());
        // A genre the list cannot show (an ID3v2 genre of its own) stays in the
        // file rather than being taken for "no genre".
        const QString shown = d.CBGenre->currentText();
        const QString inFile = QString::fromStdString(id3Tag_.Genre());
        const bool unshowable =
            shown.isEmpty() && !inFile.isEmpty() &&
            d.CBGenre->findText(inFile, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0;
        id3Tag_.SetGenre(unshowable ? inFile.toStdString() : shown.toStdString());
        id3Tag_.Save();
        return true;
    } catch (const std::exception& error) {
        prompts_.Tell(
            this, QStringLiteral("Fehler"),
            QStringLiteral("Der ID3-Tag von \"%1\" konnte nicht geschrieben werden:\n%2")
                .arg(QString::fromStdString(BytesFromQString(fileName)), ErrorText(error)),
            PromptIcon::Error);
        return false;
    }
}

}  // namespace tv
