#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tv {

// One open media file at a time: the player's device (a real audio backend in the
// program, a scripted one in tests). Positions and lengths are milliseconds.
// Opening is asynchronous: OnLoaded or OnFailed follows (in the main thread).
class MediaDevice {
  public:
    enum class Mode { NotReady, Stopped, Playing, Paused };

    virtual ~MediaDevice() = default;

    // Opens a file (a byte-string path). Throws std::runtime_error with the reason
    // when the file cannot be opened at all; a file that cannot be decoded is
    // reported later through OnFailed.
    virtual void Open(const std::string& file) = 0;
    virtual void Close() = 0;
    virtual void Play() = 0;  // from the current position
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void Stop() = 0;
    // Positions outside the song are clamped to it.
    virtual void Seek(std::int64_t position) = 0;
    virtual std::int64_t Position() const = 0;
    virtual std::int64_t Length() const = 0;  // 0 while not known
    virtual Mode GetMode() const = 0;

    virtual bool CanEject() const = 0;
    virtual void OpenDoor() = 0;

    // Output volume 0 ... 65535 on a perceptual scale.
    virtual bool HasVolume() const = 0;
    virtual int Volume() const = 0;
    virtual void SetVolume(int volume) = 0;

    // Gapless playing: the files that follow the one playing, in order. Each is
    // handed to the decoder before the one before it ends, so that it starts on the
    // sample after its last (OnNextStarted then). Files the decoder has taken
    // already (a short song is read whole at once) are skipped from the front of
    // the list. A later call replaces the list, an empty one withdraws it. False
    // when the device plays one file at a time (the caller then starts the next
    // file after OnEnded).
    virtual bool QueueNext(const std::vector<std::string>& files) {
        (void)files;
        return false;
    }

    std::function<void()> OnLoaded;                    // the open file can be played
    std::function<void()> OnEnded;                     // played to its end
    std::function<void(const std::string&)> OnFailed;  // cannot be played: the reason
    // The queued file started where the last one ended.
    std::function<void(const std::string&)> OnNextStarted;
    // The queued file could not be played: its name and the reason. What played
    // before it has ended.
    std::function<void(const std::string&, const std::string&)> OnNextFailed;
    // The volume was changed from outside (the desktop's mixer).
    std::function<void(int)> OnVolumeChanged;
};

}  // namespace tv
