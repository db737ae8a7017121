// Cover pictures from the main window on real files: the folder's picture of a
// catalogue row, choosing and saving pictures, scanning through SANE's "test"
// backend, and the cover window's open flag across a restart.

#include <sys/stat.h>
#include <QBuffer>
#include <QDateTime>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "base/atomic_file.h"
#include "catalogue/song_columns.h"
#include "picture/jpeg_codec.h"
#include "picture/ui/cover_window.h"
#include "picture/ui/picture_box.h"
#include "picture/ui/scan_dialog.h"
#include "tests/support/main_window_fixture.h"
#include "widgets/ui/byte_text.h"

using namespace tv;
using namespace tv::test;

namespace {

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

RgbImage Plain(int width, int height, std::uint8_t red) {
    RgbImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.assign(static_cast<std::size_t>(width) * height * 3, 40);
    for (std::size_t i = 0; i < image.Pixels.size(); i += 3) image.Pixels[i] = red;
    return image;
}

void WriteJpeg(const std::filesystem::path& path, const RgbImage& image) {
    const std::vector<std::uint8_t> bytes = EncodeJpeg(image);
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

// The size of a JPEG file, decoded again (throws when it is no JPEG).
QSize JpegFileSize(const std::filesystem::path& path) {
    const std::string data = ReadWholeFile(path);
    const RgbImage image =
        DecodeJpeg({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
    return {image.Width, image.Height};
}

// A program whose catalogue holds one real song in the folder "Album".
struct CoverProgram {
    explicit CoverProgram(const std::string& image = {}) {
        std::filesystem::create_directories(album);
        std::filesystem::copy_file(kData / "with_id3v1.mp3", song);
        WriteBytes(program.folder / "ALL_SONGS.TSV",
                   kCatalogueCaptions + "Titel\tBand\t00:03\tAlbum\tRock\t1998\t128\t" +
                       song.string() + "\t\t2\t01.02.2003\t" + image + "\t\r\n");
    }
    void Start() {
        program.Start();
        ClickRow(Form().StGrdMain(), 1);
    }
    TForm1& Form() { return *program.form; }
    TPictureBox* Small() { return Form().KDImage1(); }
    TPictureBox* Large() { return Form().ImagePanel()->KDImage1(); }
    void PressOk() { Form().Details().BtnSongOK->click(); }
    std::string ImageCell() { return std::string(Form().Catalogue().Cell(1, colImage)); }

    Program program;
    std::filesystem::path album = program.folder / "Album";
    std::filesystem::path song = album / "lied.mp3";
};

// Runs a scan from the window: the scan dialog's "Scannen" is pressed for the
// user once it shows.
void ScanFromWindow(CoverProgram& p) {
    QTimer::singleShot(0, [&p] { p.Form().ScanDialog()->BtnScan()->click(); });
    p.Form().BtnScanClick();
}

std::vector<std::string> CvFiles(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("CV", 0) == 0) names.push_back(name);
    }
    return names;
}

}  // namespace

class CoverTest : public QObject {
    Q_OBJECT

  private slots:
    void theFolderPictureShowsInBothPlacesAndOkKeepsImageEmpty() {
        CoverProgram p;
        WriteJpeg(p.album / "folder.jpg", Plain(3000, 3000, 200));
        p.Start();
        QVERIFY(!p.Small()->IsEmpty());
        QVERIFY(!p.Large()->IsEmpty());
        QCOMPARE(p.Small()->FileName(), (p.album / "folder.jpg").string());
        QCOMPARE(p.Large()->FileName(), (p.album / "folder.jpg").string());
        // The small picture is decoded only about as large as it is shown.
        QVERIFY(p.Small()->Preview().width() < 3000);
        QVERIFY(p.Small()->Preview().width() >= p.Small()->width());
        QCOMPARE(p.Form().RememberedPictureName(), QString());
        QVERIFY(p.Form().BtnImage()->isEnabled());
        p.PressOk();
        QCOMPARE(p.ImageCell(), std::string());
        QCOMPARE(p.program.prompts.Unexpected(), 0);
    }

    void aRowsOwnPictureWinsAndAMissingOneIsNotForgotten() {
        CoverProgram p("/nirgendwo/cover.jpg");
        WriteJpeg(p.album / "folder.jpg", Plain(100, 100, 10));
        p.Start();
        // The row names a picture that is not there: nothing is shown, but OK
        // keeps the row's picture.
        QVERIFY(p.Small()->IsEmpty());
        QVERIFY(p.Large()->IsEmpty());
        p.PressOk();
        QCOMPARE(p.ImageCell(), std::string("/nirgendwo/cover.jpg"));

        const std::filesystem::path own = p.program.folder / "eigenes.jpg";
        WriteJpeg(own, Plain(50, 40, 250));
        p.Form().Catalogue().SetCell(1, colImage, own.string());
        ClickRow(p.Form().StGrdMain(), 1);
        QCOMPARE(p.Small()->FileName(), own.string());
        QCOMPARE(p.Large()->FileName(), own.string());
        QCOMPARE(p.Small()->Preview().size(), QSize(50, 40));
    }

    void aChosenPictureIsSavedAsTheFoldersJpegOverAReadOnlyOne() {
        CoverProgram p;
        p.Start();
        // The old folder picture, read-only (as copied from a CD).
        WriteBytes(p.album / "folder.jpg", "alt");
        ::chmod((p.album / "folder.jpg").c_str(), 0444);
        const std::filesystem::path chosen = p.program.folder / "Scan Vorderseite.png";
        QImage png(120, 90, QImage::Format_RGB32);
        png.fill(Qt::darkGreen);
        QVERIFY(png.save(QString::fromStdString(chosen.string()), "PNG"));

        p.program.prompts.ChooseFile(QString::fromStdString(chosen.string()));
        p.program.prompts.Answer(PromptAnswer::Yes);
        p.Form().BtnImageClick();
        QCOMPARE(p.program.prompts.lastFileRequest.Title, QStringLiteral("Image laden"));
        const auto& asked = p.program.prompts.AskedSoFar();
        QCOMPARE(asked.back().Title, QStringLiteral("Speichern?"));
        QCOMPARE(asked.back().Text, QStringLiteral("Als Cover für ") +
                                        QString::fromStdString(p.album.string()) +
                                        QStringLiteral("/ speichern ?"));
        QCOMPARE(JpegFileSize(p.album / "folder.jpg"), QSize(120, 90));
        struct stat info {};
        QCOMPARE(::stat((p.album / "folder.jpg").c_str(), &info), 0);
        QVERIFY(info.st_mode & S_IWUSR);
        QCOMPARE(p.Large()->FileName(), (p.album / "folder.jpg").string());
        // The chosen file stays the song's picture.
        QCOMPARE(p.Form().RememberedPictureName(), QString::fromStdString(chosen.string()));
        p.PressOk();
        QCOMPARE(p.ImageCell(), chosen.string());

        // Answer No: shown, nothing written.
        const auto before = std::filesystem::last_write_time(p.album / "folder.jpg");
        p.program.prompts.ChooseFile(QString::fromStdString(chosen.string()));
        p.program.prompts.Answer(PromptAnswer::No);
        p.Form().BtnImageClick();
        QCOMPARE(std::filesystem::last_write_time(p.album / "folder.jpg"), before);
        QVERIFY(!p.Small()->IsEmpty());
        QCOMPARE(p.program.prompts.Unexpected(), 0);
    }

    void withoutASongAChosenPictureIsShownButNotSaved() {
        CoverProgram p;
        p.program.Start();
        p.Form().Details().EdtFile->clear();  // the user emptied the file box
        QVERIFY(!p.Form().BtnImage()->isEnabled());
        const std::filesystem::path chosen = p.program.folder / "bild.jpg";
        WriteJpeg(chosen, Plain(20, 20, 90));
        const std::filesystem::path working = std::filesystem::current_path();
        std::filesystem::current_path(p.album);
        p.program.prompts.ChooseFile(QString::fromStdString(chosen.string()));
        p.Form().BtnImageClick();  // as from the menu "&Cover"
        std::filesystem::current_path(working);
        QVERIFY(!p.Small()->IsEmpty());
        QVERIFY(p.program.prompts.AskedSoFar().empty());
        QVERIFY(!std::filesystem::exists(p.album / "folder.jpg"));
    }

    void picturesLinuxReadsShowAndOthersShowNothing() {
        CoverProgram p;
        p.Start();
        const auto tryFile = [&](const std::string& name, const std::string& bytes) {
            const std::filesystem::path path = p.program.folder / name;
            WriteBytes(path, bytes);
            p.program.prompts.ChooseFile(QString::fromStdString(path.string()));
            p.program.prompts.Answer(PromptAnswer::No);
            p.Form().BtnImageClick();
            return !p.Small()->IsEmpty() && !p.Large()->IsEmpty();
        };
        // A 1 × 1 GIF.
        const std::string gif(
            "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
            "!\xf9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00"
            "\x02\x02\x44\x01\x00;",
            43);
        QVERIFY(tryFile("bild.gif", gif));
        QByteArray ico;
        {
            QBuffer buffer(&ico);
            buffer.open(QIODevice::WriteOnly);
            QImage icon(32, 32, QImage::Format_ARGB32);
            icon.fill(Qt::blue);
            QVERIFY(icon.save(&buffer, "ICO"));
        }
        QVERIFY(tryFile("bild.ico", ico.toStdString()));
        QByteArray tiff;
        {
            QBuffer buffer(&tiff);
            buffer.open(QIODevice::WriteOnly);
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(Qt::yellow);
            QVERIFY(image.save(&buffer, "TIFF"));
        }
        QVERIFY(tryFile("bild.tif", tiff.toStdString()));
        // A metafile (nothing here reads one), rubbish, and a directory.
        QVERIFY(!tryFile("bild.emf", std::string("\x01\x00\x00\x00\x6c\x00\x00\x00", 8)));
        QVERIFY(!tryFile("kaputt.jpg", "\xFF\xD8\xFF kein Bild"));
        QCOMPARE(p.Small()->LoadFromFile(p.program.folder.Path().string()), 1);
        QVERIFY(p.Small()->IsEmpty());
        QVERIFY(p.Large()->IsEmpty());
        QCOMPARE(p.program.prompts.Unexpected(), 0);
    }

    void aScanIsSavedUnderItsCvNameOrAsTheFolderPicture() {
        CoverProgram p;
        p.Start();
        QTRY_VERIFY_WITH_TIMEOUT(p.Form().BtnScan()->isEnabled(), 10000);
        QCOMPARE(QString::fromStdString(p.Form().Scanners().front().Name),
                 QStringLiteral("test:0"));

        // The scan's time names the picture: "CV" + yymmddhhnnss + ".jpg".
        QDateTime now(QDate(2026, 3, 7), QTime(9, 5, 1));
        p.Form().SetClock([&now] { return now; });
        p.program.prompts.Answer(PromptAnswer::No);
        ScanFromWindow(p);
        const std::vector<std::string> saved = CvFiles(p.album);
        QCOMPARE(saved, std::vector<std::string>{"CV260307090501.jpg"});
        QCOMPARE(p.Form().RememberedPictureName(),
                 QString::fromStdString((p.album / saved.front()).string()));
        const QSize scanned = JpegFileSize(p.album / saved.front());
        QVERIFY(std::abs(scanned.width() - 315) <= 3);  // 80 mm at 100 dpi
        QCOMPARE(p.Large()->FileName(), (p.album / saved.front()).string());
        QCOMPARE(p.Form().ScanDialog()->Resolution()->value(), 100);

        // Yes: written as "folder.jpg"; the CV name names no file.
        p.program.prompts.Answer(PromptAnswer::Yes);
        now = now.addSecs(1);  // a new second, a new name
        ScanFromWindow(p);
        QCOMPARE(JpegFileSize(p.album / "folder.jpg"), scanned);
        QCOMPARE(CvFiles(p.album).size(), std::size_t{1});
        QVERIFY(p.Form().RememberedPictureName().contains(QStringLiteral("/CV")));
        QVERIFY(!std::filesystem::exists(BytesFromQString(p.Form().RememberedPictureName())));
        QCOMPARE(p.program.prompts.Unexpected(), 0);
    }

    void aCancelledScanChangesNothing() {
        CoverProgram p;
        p.Start();
        QTRY_VERIFY_WITH_TIMEOUT(p.Form().BtnScan()->isEnabled(), 10000);
        QTimer::singleShot(0, [&p] {
            TScanDialog* dialog = p.Form().ScanDialog();
            dialog->Resolution()->setValue(600);
            dialog->BtnScan()->click();
            QVERIFY(dialog->Scanning());
            dialog->BtnCancel()->click();  // while the worker scans
        });
        p.Form().BtnScanClick();
        QVERIFY(!p.Form().ScanDialog()->isVisible());
        QVERIFY(!p.Form().ScanDialog()->Scanning());
        QVERIFY(p.Small()->IsEmpty());
        QVERIFY(CvFiles(p.album).empty());
        QVERIFY(p.program.prompts.AskedSoFar().empty());
        // Escape on the idle dialog cancels as well.
        QTimer::singleShot(0, [&p] { p.Form().ScanDialog()->reject(); });
        p.Form().BtnScanClick();
        QVERIFY(p.Small()->IsEmpty());
    }

    void theCoverWindowsOpenFlagSurvivesARestart() {
        CoverProgram p;
        p.program.Start();
        QVERIFY(p.Form().ImagePanel()->isVisible());  // open at the first start
        QCOMPARE(p.Form().ImagePanel()->windowTitle(), QStringLiteral("MP3-TUNEVAULT Cover"));
        p.Form().ImagePanel()->close();
        QVERIFY(p.program.Close());
        p.program.Start();
        QVERIFY(!p.Form().ImagePanel()->isVisible());
        p.Form().SIShowCoverClick();
        QVERIFY(p.Form().ImagePanel()->isVisible());
        QVERIFY(p.program.Close());
        p.program.Start();
        QVERIFY(p.Form().ImagePanel()->isVisible());
    }
};

QTEST_MAIN(CoverTest)
#include "cover_test.moc"
