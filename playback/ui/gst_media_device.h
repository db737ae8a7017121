#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

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
// When the sound server drops the stream while a song plays (a stream the server
// ends, pulsesink's "Disconnected" when the format changes between songs), the
// song is taken up again where it was, once in ten seconds; a second failure in
// that time is reported.
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
    bool QueueNext(const std::vector<std::string>& files) override;

  private:
    static int OnBusMessage(GstBus* bus, GstMessage* message, void* self);
    static void OnAboutToFinish(GstElement* playbin, void* self);
    static void OnVolumeNotify(GstElement* playbin, void* spec, void* self);
    // Runs a report on the main thread unless the pipeline was restarted (Open,
    // Close, an error) since the message was posted.
    template <typename Report>
    void Post(Report report);
    void HandleError(const std::string& reason, const std::string& failedFile, bool fromSink);
    // Plays the current file again from where it was, with the files still to
    // come; false when it may not (too soon after the last time).
    bool TakeUpAfterSinkFailure();
    void HandleStreamStart(bool handedOver);
    void HandleEnd();
    void Restart(int state);

    GstElement* playbin_ = nullptr;
    Mode mode_ = Mode::NotReady;
    std::string file_;  // the file the device plays (main thread)
    bool ended_ = false;  // played to its end; a seek waits for Play
    std::int64_t seekAfterEnd_ = 0;

    // Shared with the streaming threads.
    std::mutex mutex_;
    std::deque<std::string> upcoming_;    // the files that follow, as queued
    std::deque<std::string> handedOver_;  // given to playbin, start not reported yet
    bool awaitingStart_ = false;          // one given to playbin has not started yet
    bool restarting_ = false;             // a state change waits for the threads
    std::condition_variable started_;     // awaitingStart_ or restarting_ changed
    std::atomic<unsigned> generation_{0};  // counts the pipeline's restarts
    std::atomic<bool> settingVolume_{false};
    bool loadedReported_ = false;
    mutable std::int64_t lastPosition_ = 0;  // the last position the pipeline answered
    std::chrono::steady_clock::time_point lastTakeUp_{};
};

}  // namespace tv
