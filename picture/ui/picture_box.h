#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <string>

#include "picture/rgb_image.h"

namespace tv {

class PreviewCache;

// A picture shown zoomed to fit its area with smooth scaling. JPEG files are
// decoded by the program's codec only about as large as they are shown (through
// a shared preview cache when one is set); other formats (BMP, TIFF, PNG, GIF,
// ICO) through Qt's image readers. While the box is hidden a loaded file is only
// checked; it is decoded when the box shows. Saving writes the picture at its
// full size, the format chosen by the file's extension (".jpg" and ".jpeg": JPEG
// at quality 80).
class TPictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit TPictureBox(QWidget* parent = nullptr);
    ~TPictureBox() override;

    // The cache the box's JPEG previews go through (it must outlive the box's
    // loads); without one the box keeps a small one of its own.
    void SetPreviewCache(PreviewCache* cache);
    // A picture that follows another one: a loaded file is checked at once but
    // decoded only after the events now waiting (the other picture's showing).
    void SetDeferredDecoding(bool deferred);

    // 0 when the file was loaded; otherwise 1 (cannot be read) or 2 (not a
    // picture this program reads), and the box is empty. Never throws.
    int LoadFromFile(const std::string& path);
    // A picture from elsewhere (a scan).
    void SetImage(RgbImage image);
    void Clear();
    bool IsEmpty() const noexcept { return source_.empty() && scanned_.Empty(); }
    // The file shown (empty for a scan or nothing).
    const std::string& FileName() const noexcept { return source_; }
    // Throws std::exception with the reason when the picture cannot be written.
    void SaveToFile(const std::string& path) const;
    // The picture as decoded for showing (decoded first if the box has not shown
    // it yet; for tests and benchmarks).
    const QImage& Preview();

  signals:
    void PictureChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    QSize PixelsShown() const;
    bool DecodePreview();
    void DecodeIfDue();
    RgbImage FullImage() const;

    PreviewCache& Cache();

    PreviewCache* cache_ = nullptr;
    std::unique_ptr<PreviewCache> ownCache_;
    bool deferred_ = false;
    std::string source_;
    bool sourceIsJpeg_ = false;
    bool previewDue_ = false;     // loaded while hidden: decoded when shown
    bool previewScaled_ = false;  // decoded smaller than the file
    RgbImage scanned_;
    QImage preview_;
    QImage fitted_;  // preview_ scaled to the area, for painting
    qint64 fittedFrom_ = 0;
};

}  // namespace tv
