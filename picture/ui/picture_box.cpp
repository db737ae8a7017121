#include "picture/ui/picture_box.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/safe_open.h"
#include "picture/jpeg_codec.h"
#include "picture/preview_cache.h"

namespace tv {
namespace {

// Not a file, or too large to be a picture anyone would show as a cover.
constexpr std::uintmax_t kMaxPictureFileBytes = std::uintmax_t{256} << 20;

QImage ToQImage(const RgbImage& image) {
    QImage view(image.Pixels.data(), image.Width, image.Height, image.Width * 3,
                QImage::Format_RGB888);
    return view.copy();  // owns its pixels
}

RgbImage FromQImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    RgbImage out;
    out.Width = rgb.width();
    out.Height = rgb.height();
    out.Pixels.resize(static_cast<std::size_t>(out.Width) * out.Height * 3);
    for (int y = 0; y < out.Height; ++y)
        std::memcpy(out.Pixels.data() + static_cast<std::size_t>(y) * out.Width * 3,
                    rgb.constScanLine(y), static_cast<std::size_t>(out.Width) * 3);
    return out;
}

std::span<const std::uint8_t> Bytes(const std::string& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

QImageReader* OpenReader(QBuffer& buffer, QImageReader& reader, const std::string& data,
                         QByteArray& array) {
    array = QByteArray::fromRawData(data.data(), static_cast<qsizetype>(data.size()));
    buffer.setBuffer(&array);
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setAutoTransform(true);
    return &reader;
}

QImage ReadWithQt(const std::string& data) {
    QByteArray array;
    QBuffer buffer;
    QImageReader reader;
    return OpenReader(buffer, reader, data, array)->read();
}

// Whether Qt's readers take the data as a picture (without decoding it).
bool QtReadsPicture(const std::string& data) {
    QByteArray array;
    QBuffer buffer;
    QImageReader reader;
    OpenReader(buffer, reader, data, array);
    return reader.canRead() && reader.size().isValid();
}

// The first bytes of a file (fewer when it is shorter).
std::string ReadFileStart(const std::string& path, std::size_t count) {
    const FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    std::string start(count, '\0');
    const ssize_t got = ::read(file.Get(), start.data(), count);
    if (got < 0) throw std::system_error(errno, std::generic_category(), path);
    start.resize(static_cast<std::size_t>(got));
    return start;
}

bool IsJpegName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".jpg" || extension == ".jpeg";
}

}  // namespace

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) {
    setMinimumSize(16, 16);
}

TPictureBox::~TPictureBox() = default;

void TPictureBox::SetPreviewCache(PreviewCache* cache) {
    cache_ = cache;
}

PreviewCache& TPictureBox::Cache() {
    if (cache_ != nullptr) return *cache_;
    if (!ownCache_) ownCache_ = std::make_unique<PreviewCache>(std::size_t{16} << 20);
    return *ownCache_;
}

void TPictureBox::SetDeferredDecoding(bool deferred) {
    deferred_ = deferred;
}

QSize TPictureBox::PixelsShown() const {
    return (size() * devicePixelRatioF()).expandedTo(QSize(1, 1));
}

bool TPictureBox::DecodePreview() {
    previewDue_ = false;
    try {
        const QSize shown = PixelsShown();
        if (sourceIsJpeg_) {
            int fullWidth = 0;
            const auto image = Cache().Preview(source_, shown.width(), shown.height(), fullWidth);
            previewScaled_ = image->Width < fullWidth;
            preview_ = ToQImage(*image);
        } else {
            preview_ = ReadWithQt(ReadWholeFile(source_));
            previewScaled_ = false;
        }
    } catch (const std::exception&) {
        preview_ = QImage();
    }
    return !preview_.isNull();
}

void TPictureBox::DecodeIfDue() {
    if (!previewDue_) return;
    if (!DecodePreview()) {
        // Its header was fine, its data not: the box empties after all.
        source_.clear();
        emit PictureChanged();
    }
    update();
}

int TPictureBox::LoadFromFile(const std::string& path) {
    scanned_ = RgbImage();
    preview_ = QImage();
    previewDue_ = false;
    source_.clear();
    int result = 0;
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error) ||
        std::filesystem::file_size(file, error) > kMaxPictureFileBytes) {
        result = 1;
    } else if (isVisible() && !deferred_) {
        try {
            sourceIsJpeg_ = LooksLikeJpeg(Bytes(ReadFileStart(path, 3)));
        } catch (const std::exception&) {
            result = 1;
        }
        source_ = path;
        if (result == 0 && !DecodePreview()) result = 2;
    } else {
        // Hidden (or second in line): the file is only checked now and decoded
        // when the box shows, or right after the events now waiting.
        try {
            const std::string data = ReadWholeFile(path);
            sourceIsJpeg_ = LooksLikeJpeg(Bytes(data));
            if (sourceIsJpeg_)
                ReadJpegSize(Bytes(data));
            else if (!QtReadsPicture(data))
                result = 2;
        } catch (const std::exception&) {
            result = 2;
        }
        source_ = path;
        previewDue_ = result == 0;
        if (previewDue_ && isVisible()) QTimer::singleShot(0, this, &TPictureBox::DecodeIfDue);
    }
    if (result != 0) source_.clear();
    update();
    emit PictureChanged();
    return result;
}

void TPictureBox::SetImage(RgbImage image) {
    source_.clear();
    previewDue_ = false;
    previewScaled_ = false;
    preview_ = image.Empty() ? QImage() : ToQImage(image);
    scanned_ = std::move(image);
    update();
    emit PictureChanged();
}

void TPictureBox::Clear() {
    source_.clear();
    previewDue_ = false;
    scanned_ = RgbImage();
    preview_ = QImage();
    update();
    emit PictureChanged();
}

const QImage& TPictureBox::Preview() {
    DecodeIfDue();
    return preview_;
}

RgbImage TPictureBox::FullImage() const {
    if (!scanned_.Empty()) return scanned_;
    if (source_.empty()) return {};
    const std::string data = ReadWholeFile(source_);
    if (LooksLikeJpeg(Bytes(data))) return DecodeJpeg(Bytes(data));
    return FromQImage(ReadWithQt(data));
}

void TPictureBox::SaveToFile(const std::string& path) const {
    const RgbImage image = FullImage();
    if (image.Empty()) throw std::runtime_error("kein Bild");
    std::string bytes;
    if (IsJpegName(path)) {
        const std::vector<std::uint8_t> jpeg = EncodeJpeg(image, 80);
        bytes.assign(jpeg.begin(), jpeg.end());
    } else {
        QByteArray encoded;
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        std::string format = std::filesystem::path(path).extension().string();
        if (!format.empty()) format.erase(0, 1);  // the dot
        QImageWriter writer(&buffer, QByteArray::fromStdString(format));
        if (!writer.write(ToQImage(image)))
            throw std::runtime_error(writer.errorString().toStdString());
        bytes.assign(encoded.constData(), static_cast<std::size_t>(encoded.size()));
    }
    WriteFileAtomically(path, bytes);
}

void TPictureBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    DecodeIfDue();
}

void TPictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Grown past what the preview holds: decode it again, larger.
    if (isVisible() && !previewDue_ && !source_.empty() && sourceIsJpeg_ && previewScaled_) {
        const QSize shown = PixelsShown();
        if (shown.width() > preview_.width() || shown.height() > preview_.height()) DecodePreview();
    }
}

void TPictureBox::paintEvent(QPaintEvent*) {
    DecodeIfDue();
    QPainter painter(this);
    if (preview_.isNull()) return;
    // Zoomed to fit, the proportions kept, in the middle; the smoothly scaled
    // picture is kept until the size or the picture changes.
    const QSize fitted = preview_.size().scaled(size(), Qt::KeepAspectRatio);
    const qreal ratio = devicePixelRatioF();
    if (fitted_.isNull() || fitted_.size() != fitted * ratio ||
        fittedFrom_ != preview_.cacheKey()) {
        fitted_ = preview_.scaled(fitted * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        fitted_.setDevicePixelRatio(ratio);
        fittedFrom_ = preview_.cacheKey();
    }
    painter.drawImage(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                      fitted_);
}

}  // namespace tv
