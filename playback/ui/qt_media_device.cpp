#include "playback/ui/qt_media_device.h"

#include <fcntl.h>

#include <QAudio>
#include <QAudioOutput>
#include <QFile>
#include <QMediaPlayer>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "base/safe_open.h"

namespace tv {

QtMediaDevice::QtMediaDevice(QObject* parent)
    : QObject(parent), player_(new QMediaPlayer(this)), output_(new QAudioOutput(this)) {
    player_->setAudioOutput(output_);
    connect(
        player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
            if ((status == QMediaPlayer::LoadedMedia || status == QMediaPlayer::BufferingMedia ||
                 status == QMediaPlayer::BufferedMedia) &&
                !loadedReported_) {
                loadedReported_ = true;
                if (OnLoaded) OnLoaded();
            } else if (status == QMediaPlayer::EndOfMedia) {
                if (OnEnded) OnEnded();
            }
        });
    connect(player_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString& text) {
                // One report per file: the backend may repeat itself.
                if (error == QMediaPlayer::NoError || !file_ || loadedReported_) return;
                loadedReported_ = true;
                if (OnFailed) OnFailed(text.toStdString());
            });
}

QtMediaDevice::~QtMediaDevice() {
    player_->stop();
    player_->setSourceDevice(nullptr);
}

void QtMediaDevice::Open(const std::string& file) {
    player_->stop();
    std::error_code error;
    FileDescriptor descriptor = OpenRegularFile(file, O_RDONLY, error);
    if (!descriptor.Valid()) throw std::runtime_error(error.message());
    auto device = std::make_unique<QFile>();
    if (!device->open(descriptor.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        throw std::runtime_error(device->errorString().toStdString());
    descriptor.Release();  // the QFile closes it now
    loadedReported_ = false;
    // The name tells the backend the file type; the bytes come from the device.
    const std::string extension = std::filesystem::path(file).extension().string();
    player_->setSourceDevice(device.get(),
                             QUrl(QStringLiteral("song") + QString::fromStdString(extension)));
    file_ = std::move(device);  // the previous file is let go only now
}

void QtMediaDevice::Close() {
    // The pipeline stays for the next file, which replaces the source directly
    // (tearing it down first costs a noticeable part of the gap between songs).
    player_->stop();
}

void QtMediaDevice::Play() {
    player_->play();
}
void QtMediaDevice::Pause() {
    player_->pause();
}
void QtMediaDevice::Resume() {
    player_->play();
}
void QtMediaDevice::Stop() {
    player_->stop();
}

void QtMediaDevice::Seek(std::int64_t position) {
    const std::int64_t length = Length();
    position = std::max<std::int64_t>(position, 0);
    if (length > 0) position = std::min(position, length);
    player_->setPosition(position);
}

std::int64_t QtMediaDevice::Position() const {
    return player_->position();
}
std::int64_t QtMediaDevice::Length() const {
    return player_->duration();
}

MediaDevice::Mode QtMediaDevice::GetMode() const {
    if (!file_) return Mode::NotReady;
    switch (player_->playbackState()) {
        case QMediaPlayer::PlayingState:
            return Mode::Playing;
        case QMediaPlayer::PausedState:
            return Mode::Paused;
        case QMediaPlayer::StoppedState:
            break;
    }
    return Mode::Stopped;
}

int QtMediaDevice::Volume() const {
    const float linear = output_->volume();
    const float perceived =
        QAudio::convertVolume(linear, QAudio::LinearVolumeScale, QAudio::LogarithmicVolumeScale);
    return std::clamp(static_cast<int>(perceived * 65535.0f + 0.5f), 0, 65535);
}

void QtMediaDevice::SetVolume(int volume) {
    const float perceived = static_cast<float>(std::clamp(volume, 0, 65535)) / 65535.0f;
    output_->setVolume(QAudio::convertVolume(perceived, QAudio::LogarithmicVolumeScale,
                                             QAudio::LinearVolumeScale));
}

}  // namespace tv
