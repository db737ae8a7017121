#pragma once

#include <QObject>
#include <atomic>
#include <mutex>
#include <string>

#include "playback/media_device.h"

typedef struct _GstElement GstElement;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

namespace tv {

// The media device on GStreamer: a playbin playing into the sound server
// (PulseAudio or PipeWire), whose stream volume is the program's volume, so the
// desktop's mixer shows and changes the same value and the server keeps it. Files
// are checked to be regular files and handed over as file:// addresses made from
// their bytes (names that are not UTF-8 play too). The pipeline's messages (errors,
// end of stream, a new stream starting, volume changes) reach the main thread
// through queued calls. A file queued with QueueNext is given to playbin when it
// asks for the next one (about-to-finish), so playlists play without a gap.
class GstMediaDevice final : public QObject, public MediaDevice {
    Q_OBJECT
  public:
    explicit GstMediaDevice(QObject* parent = nullptr);
    ~GstMediaDevice() override;

    void Open(const std::string& file) override;
    void Close() override;
    void Play() override;
    void Pause() override;
    void Resume() override;
    void Stop() override;
    void Seek(std::int64_t position) override;
    std::int64_t Position() const override;
    std::int64_t Length() const override;
    Mode GetMode() const override { return mode_; }
    bool CanEject() const override { return false; }
    void OpenDoor() override {}
    bool HasVolume() const override { return true; }
    int Volume() const override;
    void SetVolume(int volume) override;
    bool QueueNext(const std::string& file) override;

  private:
    static int OnBusMessage(GstBus* bus, GstMessage* message, void* self);
    static void OnAboutToFinish(GstElement* playbin, void* self);
    static void OnVolumeNotify(GstElement* playbin, void* spec, void* self);
    void HandleError(const std::string& reason);
    void HandleStreamStart();
    void HandleEnd();

    GstElement* playbin_ = nullptr;
    Mode mode_ = Mode::NotReady;
    std::string file_;  // the file the device plays (main thread)

    // Shared with the streaming threads.
    std::mutex mutex_;
    std::string queued_;     // the file that follows, as the main thread queued it
    std::string switching_;  // handed to playbin, not started yet
    std::atomic<bool> settingVolume_{false};
    bool loadedReported_ = false;
    bool failureReported_ = false;
};

}  // namespace tv
