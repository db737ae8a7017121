#pragma once

#include <QObject>
#include <memory>

#include "playback/media_device.h"

class QAudioOutput;
class QFile;
class QMediaPlayer;

namespace tv {

// The media device on Qt Multimedia: a QMediaPlayer playing into the program's
// own QAudioOutput. Files are opened by the program (a regular file only, any
// file name bytes) and handed to the player as a device.
class QtMediaDevice final : public QObject, public MediaDevice {
    Q_OBJECT
  public:
    explicit QtMediaDevice(QObject* parent = nullptr);
    ~QtMediaDevice() override;

    void Open(const std::string& file) override;
    void Close() override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Stop() override;
    void Seek(std::int64_t position) override;
    std::int64_t Position() const override;
    std::int64_t Length() const override;
    Mode GetMode() const override;
    bool CanEject() const override { return false; }
    void OpenDoor() override {}
    bool HasVolume() const override { return true; }
    int Volume() const override;
    void SetVolume(int volume) override;

  private:
    QMediaPlayer* player_;
    QAudioOutput* output_;
    std::unique_ptr<QFile> file_;
    bool loadedReported_ = false;
};

}  // namespace tv
