#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <utility>
#include <vector>
#include <string>

#include "playback/media_device.h"
#include "playback/player_rules.h"
#include "widgets/ui/companion_window.h"

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace tv {

class FormPlacement;
class Prompts;
class ScrollingLabel;

// "MP3-TUNEVAULT AudioPlayer": the one media device, its transport buttons, the
// scrolling title, the elapsed time and the volume. It stays on top of the other
// windows. The main window decides what to play; the player plays it and tells
// when a song could be loaded, has ended or cannot be played.
class TAudioplayer : public CompanionWindow {
    Q_OBJECT
  public:
    TAudioplayer(QWidget* parent, const std::filesystem::path& settingsPath, Prompts& prompts);
    ~TAudioplayer() override;

    // The device (the program's audio backend unless a test puts in its own).
    MediaDevice& Device() noexcept { return *device_; }
    void SetDevice(std::unique_ptr<MediaDevice> device);

    // The file the device holds; empty when nothing is loaded (at start, after
    // Eject).
    const std::string& FileName() const noexcept { return fileName_; }
    PlayerState State() const noexcept { return state_; }

    // Stops and closes the device, opens the file and plays it under the caption.
    // Throws std::runtime_error with the reason when the file cannot be opened.
    // The songs that follow are queued before the file starts (see QueueNext):
    // a file read whole at once asks for its successor right away.
    using Songs = std::vector<std::pair<std::string, QString>>;
    void PlayFile(const std::string& file, const QString& caption, const Songs& following = {});
    // The files that follow the one playing (with their captions), without a gap
    // (SongAdvanced when each starts); false when the device cannot take them
    // (the caller starts the next after SongEnded). An empty list withdraws them.
    bool QueueNext(const Songs& songs);
    // The caption of the song playing.
    const QString& Caption() const noexcept { return caption_; }
    // Stops the device (errors ignored): the program ends.
    void StopPlayback();

    // The current playlist row: the one the playlist advance continues from.
    int CurrentPlaylistRow() const noexcept { return currentPlaylistRow_; }
    int& CurrentPlaylistRowRef() noexcept { return currentPlaylistRow_; }

    // Buttons and timer.
    void BtnMPlayClick();
    void BtnMPauseClick();
    void BtnMStopClick();
    void BtnMEjectClick();
    void BtnMForPress();
    void BtnMForRelease();
    void BtnMRewPress();
    void BtnMRewRelease();
    void Timer4Timer();
    void SLVolumeChange(int value);
    // The slider shows the output's current volume.
    void ShowDeviceVolume();

    ScrollingLabel* LbLTitel() const noexcept { return lblTitel_; }
    QLabel* LbLTime() const noexcept { return lblTime_; }
    QSlider* SLVolume() const noexcept { return slVolume_; }
    QPushButton* BtnMRew() const noexcept { return btnRew_; }
    QPushButton* BtnMPlay() const noexcept { return btnPlay_; }
    QPushButton* BtnMFor() const noexcept { return btnFor_; }
    QPushButton* BtnMPause() const noexcept { return btnPause_; }
    QPushButton* BtnMStop() const noexcept { return btnStop_; }
    QPushButton* BtnMEject() const noexcept { return btnEject_; }
    QTimer* Timer4() const noexcept { return timer4_; }
    int ForwardHold() const noexcept { return forwardHold_; }
    int RewindHold() const noexcept { return rewindHold_; }

  signals:
    void SongLoaded(const QByteArray& file);
    // A queued song started where the last one ended.
    void SongAdvanced(const QByteArray& file);
    void SongEnded();
    void SongFailed(const QByteArray& file, const QString& reason);
    // The state, the song, the position (a seek) or the volume changed.
    void PlayerChanged();

  private:
    void WireDevice();
    void SetState(PlayerState state);
    void ShowButtons();
    void ShowPosition(std::int64_t position);
    void StopWinding();

    std::unique_ptr<MediaDevice> device_;
    std::string fileName_;
    QString caption_;
    std::map<std::string, QString> queuedCaptions_;
    // The song before Eject: Play plays it again from its start.
    std::string lastFile_;
    QString lastCaption_;
    PlayerState state_ = PlayerState::Empty;
    int currentPlaylistRow_ = 0;
    int forwardHold_ = 0;
    int rewindHold_ = 0;

    ScrollingLabel* lblTitel_;
    QLabel* lblTime_;
    QSlider* slVolume_;
    QPushButton* btnRew_;
    QPushButton* btnPlay_;
    QPushButton* btnFor_;
    QPushButton* btnPause_;
    QPushButton* btnStop_;
    QPushButton* btnEject_;
    QTimer* timer4_;
    Prompts& prompts_;
    std::unique_ptr<FormPlacement> placement_;
};

}  // namespace tv
