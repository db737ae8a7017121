#pragma once

#include "playback/ui/mpris_service.h"

namespace tv {

class TForm1;

// What the desktop's media keys and sound menu do in this program: the player's
// transport, and next and previous through the playlist (MPRIS).
class DesktopPlayer final : public MprisHost {
  public:
    explicit DesktopPlayer(TForm1& form) : form_(form) {}

    QString PlaybackStatus() override;
    MprisTrack CurrentTrack() override;
    qint64 PositionUs() override;
    double Volume() override;
    void SetVolume(double volume) override;
    bool CanGoNext() override;
    bool CanGoPrevious() override;
    bool CanPlay() override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void SetPositionUs(qint64 position) override;
    void OpenUri(const QString& uri) override;
    void Raise() override;
    void Quit() override;

    // A new song started: its track id changes.
    void NewTrack() noexcept { ++trackNumber_; }

  private:
    TForm1& form_;
    int trackNumber_ = 0;
};

}  // namespace tv
