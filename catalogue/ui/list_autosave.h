#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/background_writer.h"

namespace tv {

class SongList;

// Saves lists while the user works: a list is written a few seconds after its
// last change. The list-file text is made on the window's thread in short slices
// (a list that changes meanwhile is started again later), and written by a
// background thread through the one writer, so the window never waits for the
// disk. A failure is reported once through onFailure until a save of that list
// succeeds again; the next change retries.
class ListAutosave : public QObject {
    Q_OBJECT
  public:
    // Called on the window's thread.
    using MayWrite = std::function<bool()>;  // false: leave the file alone now
    using Saved = std::function<void()>;
    using Failure = std::function<void(const std::filesystem::path& path, const QString& reason)>;

    explicit ListAutosave(Failure onFailure, QObject* parent = nullptr);
    ~ListAutosave() override;

    // Watches a list from its present state on (what it holds now counts as saved).
    void Watch(SongList& list, std::filesystem::path path, MayWrite mayWrite, Saved onSaved);
    // Starts and stops looking for changes; Stop waits for a write under way, so
    // that a save that follows is the last to reach the file.
    void Start();
    void Stop();

    // How long a list must stay unchanged before it is saved, and the longest
    // slice of text-making per turn of the event loop.
    static constexpr int kQuietMilliseconds = 3000;
    static constexpr int kSliceMilliseconds = 4;

  private:
    struct Watched;
    void Look();
    void Continue();
    void Written(Watched* watched, std::uint64_t revision, const QString& reason);

    Failure onFailure_;
    std::vector<std::unique_ptr<Watched>> watched_;
    QTimer look_;
    QTimer slice_;
    Watched* making_ = nullptr;  // the list whose text is being made
    bool writing_ = false;       // a text is with the writer
    std::unique_ptr<BackgroundWriter> writer_;  // last: joined first
};

}  // namespace tv
