// The cover pictures of the main window: the small picture in the group "Cover",
// the cover window, choosing, scanning and saving pictures, and the scanner test
// at start-up.

#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QResizeEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "app/ui/main_window.h"
#include "catalogue/song_columns.h"
#include "picture/preview_cache.h"
#include "picture/sane_scanner.h"
#include "picture/scanner_search.h"
#include "picture/ui/cover_window.h"
#include "picture/ui/picture_box.h"
#include "picture/ui/scan_dialog.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/glyphs.h"
#include "widgets/ui/prompts.h"

namespace tv {
namespace {

// A file's folder as the question names it: with its closing "/".
std::filesystem::path FolderOf(const QString& file) {
    return std::filesystem::path(BytesFromQString(file)).parent_path();
}

// "folder.jpg" of a folder, made writable for its owner when it exists (a
// read-only copy from a CD is replaced all the same).
std::filesystem::path WritableFolderPicture(const std::filesystem::path& folder) {
    const std::filesystem::path picture = folder / "folder.jpg";
    std::error_code error;
    if (std::filesystem::exists(picture, error))
        std::filesystem::permissions(
            picture, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            std::filesystem::perm_options::add, error);
    return picture;
}

}  // namespace

bool TForm1::AskSaveAsCover(const std::filesystem::path& folder) {
    return prompts_.Ask(this, QStringLiteral("Speichern?"),
                        QStringLiteral("Als Cover für ") + QStringFromBytes(folder.string()) +
                            QStringLiteral("/ speichern ?"),
                        PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes;
}

void TForm1::ShowCatalogueCover(int row) {
    // The row's picture is the one the next stored row keeps as its "Image".
    rememberedPictureName_ = QStringFromBytes(catalogue_.Cell(row, colImage));
    if (!rememberedPictureName_.isEmpty()) {
        // A picture that cannot be shown now (a folder on an unplugged drive)
        // stays the row's picture: OK must not forget it.
        if (kdImage1_->LoadFromFile(BytesFromQString(rememberedPictureName_)) != 0)
            kdImage1_->Clear();
        return;
    }
    const std::string song(catalogue_.Cell(row, colFileName));
    const std::filesystem::path folderPicture =
        std::filesystem::path(song).parent_path() / "folder.jpg";
    std::error_code error;
    if (!song.empty() && std::filesystem::exists(folderPicture, error)) {
        // Shown, but not kept: the folder's picture is found anew each time.
        rememberedPictureName_ = QStringFromBytes(folderPicture.string());
        kdImage1_->LoadFromFile(folderPicture.string());
        rememberedPictureName_.clear();
        return;
    }
    kdImage1_->Clear();
}

void TForm1::KDImage1PictureChange() {
    TPictureBox* large = imagePanel_->KDImage1();
    if (kdImage1_->IsEmpty()) {
        large->Clear();
        return;
    }
    // The file the small picture shows: the remembered name (set before loading).
    const std::string shown = kdImage1_->FileName().empty()
                                  ? BytesFromQString(rememberedPictureName_)
                                  : kdImage1_->FileName();
    if (large->LoadFromFile(shown) != 0) large->Clear();
}

void TForm1::BtnImageClick() {
    FileDialogRequest request;
    request.Title = QStringLiteral("Image laden");
    // What the picture box shows (Qt's readers and the JPEG decoder).
    request.Filter = QStringLiteral(
        "Alle Bilder (*.jpg;*.jpeg;*.png;*.gif;*.bmp;*.tif;*.tiff;*.ico)|*.jpg;*.jpeg;*.png;*.gif;"
        "*.bmp;*.tif;*.tiff;*.ico;*.JPG;*.JPEG;*.PNG;*.GIF;*.BMP;*.TIF;*.TIFF;*.ICO|JPEG Bilddatei "
        "(*.jpg)|*.jpg;*.JPG|JPEG Bilddatei (*.jpeg)|*.jpeg;*.JPEG|PNG-Bild (*.png)|*.png;*.PNG|"
        "CompuServe GIF Image (*.gif)|*.gif;*.GIF|Bitmaps (*.bmp)|*.bmp;*.BMP|TIFF-Bild (*.tif, "
        "*.tiff)|*.tif;*.tiff;*.TIF;*.TIFF|Symbole (*.ico)|*.ico;*.ICO");
    request.FileName = rememberedPictureName_;
    const std::optional<QString> chosen = prompts_.OpenFile(this, request);
    if (!chosen) return;
    rememberedPictureName_ = *chosen;
    kdImage1_->Clear();
    kdImage1_->LoadFromFile(BytesFromQString(*chosen));
    const std::filesystem::path folder = FolderOf(details_.EdtFile->text());
    // Without a song (the menu works then too) there is no folder to save into;
    // a relative name would land in the working folder.
    if (!folder.is_absolute()) return;
    if (!AskSaveAsCover(folder)) return;
    // As "folder.jpg" of the song's folder; failures pass silently.
    try {
        const std::filesystem::path picture = WritableFolderPicture(folder);
        kdImage1_->SaveToFile(picture.string());
        imagePanel_->KDImage1()->LoadFromFile(picture.string());
    } catch (const std::exception&) {
    }
}

void TForm1::BtnScanClick() {
    scanDialog_->SetScanners(scanners_);
    scanDialog_->SetMode(ScanMode::Colour);
    scanDialog_->SetResolution(100);
    RgbImage image;
    if (!scanDialog_->Acquire(image)) return;
    kdImage1_->SetImage(std::move(image));
    const std::filesystem::path folder = FolderOf(details_.EdtFile->text());
    if (!folder.is_absolute()) return;  // no song: shown, not saved
    const QString stamp = now_().toString(QStringLiteral("yyMMddhhmmss"));
    rememberedPictureName_ =
        QStringFromBytes((folder / ("CV" + stamp.toStdString() + ".jpg")).string());
    const bool asFolderPicture = AskSaveAsCover(folder);
    try {
        const std::string target = asFolderPicture ? WritableFolderPicture(folder).string()
                                                   : BytesFromQString(rememberedPictureName_);
        kdImage1_->SaveToFile(target);
        imagePanel_->KDImage1()->LoadFromFile(target);
    } catch (const std::exception&) {
        // a folder without write permission: nothing is saved
    }
}

void TForm1::SIShowCoverClick() {
    imagePanel_->show();
    imagePanel_->raise();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize() {
    if (kdImage1_ != nullptr) kdImage1_->update();
}

void TForm1::Splitter1Moved() {
    kdImage1_->update();
}

void TForm1::StartScannerSearch() {
    // SANE's search can take seconds (network scanners): never in the window's way.
    scannerSearch_ = std::make_unique<ScannerSearch>(
        [scanner = scanner_] { return scanner->FindScanners(); },
        [this](const std::vector<ScannerDevice>& found) {
            // In the search's thread; the window waits for this before it goes.
            QMetaObject::invokeMethod(
                this,
                [this, found] {
                    scanners_ = found;
                    btnScan_->setEnabled(!scanners_.empty());
                },
                Qt::QueuedConnection);
        });
}

void TForm1::BuildCoverGroup(const QColor& glyphColour) {
    // The second bar: choosing, scanning and showing the cover.
    const auto addButton = [&](const char* name, const QString& caption, Glyph glyph,
                               void (TForm1::*handler)()) {
        auto* button = new QToolButton(speedBar2_);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(caption);
        button->setToolTip(caption);
        button->setIcon(GlyphIcon(glyph, glyphColour));
        button->setFixedSize(34, 35);
        connect(button, &QToolButton::clicked, this, handler);
        speedBar2_->addWidget(button);
        return button;
    };
    btnImage_ = addButton("BtnImage", QStringLiteral("Image auswählen"), Glyph::Browse,
                          &TForm1::BtnImageClick);
    btnImage_->setEnabled(false);  // until the file box holds a name
    btnScan_ =
        addButton("BtnScan", QStringLiteral("Image scannen"), Glyph::Scan, &TForm1::BtnScanClick);
    btnScan_->setEnabled(false);  // until a scanner has been found
    addButton("SIShowCover", QStringLiteral("Cover anzeigen"), Glyph::Cover,
              &TForm1::SIShowCoverClick);

    auto* group = new QGroupBox(QStringLiteral("Cover"), panel1_);
    group->setObjectName(QStringLiteral("GBCover"));
    auto* panel = new QFrame(group);
    panel->setObjectName(QStringLiteral("PanelImage"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    previewCache_ = std::make_unique<PreviewCache>();
    kdImage1_ = new TPictureBox(panel);
    kdImage1_->setObjectName(QStringLiteral("KDImage1"));
    kdImage1_->SetPreviewCache(previewCache_.get());
    kdImage1_->setMinimumSize(48, 48);
    panel->setMinimumWidth(137 + 2);  // the picture 137 pixels wide; its height follows Panel1
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(kdImage1_);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->setContentsMargins(4, 4, 4, 4);
    groupLayout->addWidget(panel);
    coverArea_->addWidget(group);
    connect(kdImage1_, &TPictureBox::PictureChanged, this, &TForm1::KDImage1PictureChange);

    auto* popup = new QMenu(kdImage1_);
    popup->setObjectName(QStringLiteral("PopupCover"));
    popup->addAction(QStringLiteral("Auswählen"), this, &TForm1::BtnImageClick);
    popup->addAction(QStringLiteral("Scannen"), this, &TForm1::BtnScanClick);
    popup->addAction(QStringLiteral("Anzeigen"), this, &TForm1::SIShowCoverClick);
    kdImage1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(kdImage1_, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(kdImage1_->mapToGlobal(at)); });
}

}  // namespace tv
