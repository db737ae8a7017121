#pragma once

#include <QObject>
#include <QTimer>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "playback/media_device.h"

namespace tv::test {

// A media device for window tests: it "loads" every file on the next turn of the
// event loop (or fails for the files it is told to), plays nothing, and ends a
// song when the test says so. Positions move only when the test or a seek moves
// them.
class FakeMediaDevice final : public MediaDevice {
  public:
    std::vector<std::string> Opened;
    std::set<std::string> Undecodable;  // reported through OnFailed
    std::int64_t position = 0;
    std::int64_t length = 180000;
    Mode mode = Mode::NotReady;
    int volume = 40000;
    int stops = 0;
    bool ejectable = false;
    int doorOpened = 0;

    void Open(const std::string& file) override {
        Opened.push_back(file);
        position = 0;
        mode = Mode::Stopped;
        const bool fails = Undecodable.count(file) > 0;
        // Bound to a member object: a device destroyed before the next turn of the
        // event loop takes its pending load with it.
        ++pendingReports_;
        QTimer::singleShot(0, &lifetime_, [this, fails, serial = ++serial_] {
            --pendingReports_;
            if (serial != serial_) return;  // another file was opened meanwhile
            if (fails) {
                if (OnFailed) OnFailed("Format nicht unterstützt");
            } else if (OnLoaded) {
                OnLoaded();
            }
        });
    }
    void Close() override { mode = Mode::NotReady; }
    void Play() override { mode = Mode::Playing; }
    void Pause() override { mode = Mode::Paused; }
    void Resume() override { mode = Mode::Playing; }
    void Stop() override {
        ++stops;
        if (mode != Mode::NotReady) mode = Mode::Stopped;
    }
    void Seek(std::int64_t to) override { position = std::clamp<std::int64_t>(to, 0, length); }
    std::int64_t Position() const override { return position; }
    std::int64_t Length() const override { return length; }
    Mode GetMode() const override { return mode; }
    bool CanEject() const override { return ejectable; }
    void OpenDoor() override { ++doorOpened; }
    bool HasVolume() const override { return true; }
    int Volume() const override { return volume; }
    void SetVolume(int value) override { volume = value; }

    // Reports of opened files not delivered yet ("loaded" or "failed").
    int PendingReports() const { return pendingReports_; }

    // The song plays to its end.
    void End() {
        position = length;
        mode = Mode::Stopped;
        if (OnEnded) OnEnded();
    }

  private:
    int serial_ = 0;
    int pendingReports_ = 0;
    QObject lifetime_;
};

}  // namespace tv::test
