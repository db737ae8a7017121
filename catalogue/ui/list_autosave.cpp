#include "catalogue/ui/list_autosave.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include "catalogue/list_file.h"
#include "catalogue/song_list.h"

namespace tv {

struct ListAutosave::Watched {
    SongList* List;
    std::filesystem::path Path;
    MayWrite MayWriteNow;
    Saved OnSaved;
    std::uint64_t SavedRevision = 0;  // what the file holds
    std::uint64_t SeenRevision = 0;   // what the list held at the last look
    QElapsedTimer SinceChange;
    bool FailureShown = false;
    // The text being made.
    std::string Text;
    std::size_t LastSize = 0;  // of the last text, for the next one's room
    int NextRow = 0;
    std::uint64_t TextRevision = 0;
};

ListAutosave::ListAutosave(Failure onFailure, QObject* parent)
    : QObject(parent), onFailure_(std::move(onFailure)),
      writer_(std::make_unique<BackgroundWriter>()) {
    look_.setInterval(500);
    connect(&look_, &QTimer::timeout, this, &ListAutosave::Look);
    slice_.setInterval(0);
    slice_.setSingleShot(true);
    connect(&slice_, &QTimer::timeout, this, &ListAutosave::Continue);
}

ListAutosave::~ListAutosave() {
    writer_.reset();  // the write under way ends; its report is dropped with this object
}

void ListAutosave::Watch(SongList& list, std::filesystem::path path, MayWrite mayWrite,
                         Saved onSaved) {
    auto watched = std::make_unique<Watched>();
    watched->List = &list;
    watched->Path = std::move(path);
    watched->MayWriteNow = std::move(mayWrite);
    watched->OnSaved = std::move(onSaved);
    watched->SavedRevision = watched->SeenRevision = list.Revision();
    std::error_code error;
    if (const auto size = std::filesystem::file_size(watched->Path, error); !error)
        watched->LastSize = static_cast<std::size_t>(size);
    watched->SinceChange.start();
    watched_.push_back(std::move(watched));
}

void ListAutosave::Start() {
    look_.start();
}

void ListAutosave::Stop() {
    look_.stop();
    slice_.stop();
    making_ = nullptr;
    writer_->WaitUntilIdle();
}

void ListAutosave::Look() {
    for (const auto& watched : watched_) {
        const std::uint64_t revision = watched->List->Revision();
        if (revision != watched->SeenRevision) {
            watched->SeenRevision = revision;
            watched->SinceChange.restart();
        }
    }
    if (making_ != nullptr || writing_) return;  // one list at a time
    for (const auto& watched : watched_) {
        if (watched->SeenRevision == watched->SavedRevision ||
            watched->SinceChange.elapsed() < kQuietMilliseconds || !watched->MayWriteNow())
            continue;
        making_ = watched.get();
        making_->Text.clear();
        // Room for the whole text at once: growing a string of many megabytes
        // copies all of it in one slice.
        making_->Text.reserve(making_->LastSize + making_->LastSize / 8 + 4096);
        making_->NextRow = 0;
        making_->TextRevision = watched->SeenRevision;
        slice_.start();
        return;
    }
}

void ListAutosave::Continue() {
    Watched* watched = making_;
    if (watched == nullptr) return;
    if (watched->List->Revision() != watched->TextRevision) {
        // Changed while its text was being made: again when it has been quiet.
        making_ = nullptr;
        watched->Text.clear();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    constexpr int kRowsBetweenLooks = 256;
    const int last = watched->List->RowCount() - 1;
    while (watched->NextRow <= last && slice.elapsed() < kSliceMilliseconds) {
        const int until = std::min(last, watched->NextRow + kRowsBetweenLooks - 1);
        AppendListRowsText(*watched->List, watched->NextRow, until, watched->Text);
        watched->NextRow = until + 1;
    }
    if (watched->NextRow <= last) {
        slice_.start();  // the rest after the window's other events
        return;
    }
    making_ = nullptr;
    writing_ = true;
    watched->LastSize = watched->Text.size();
    const std::uint64_t revision = watched->TextRevision;
    // The writer is joined before this object goes (destructor), and a queued
    // call to an object that is gone is dropped.
    writer_->Write(watched->Path, std::move(watched->Text),
                   [this, watched, revision](std::error_code error, const std::string& reason) {
                       const QString text = error ? QString::fromStdString(reason) : QString();
                       QMetaObject::invokeMethod(
                           this, [this, watched, revision, text] { Written(watched, revision, text); },
                           Qt::QueuedConnection);
                   });
    watched->Text = std::string();
}

void ListAutosave::Written(Watched* watched, std::uint64_t revision, const QString& reason) {
    writing_ = false;
    if (reason.isEmpty()) {
        watched->SavedRevision = revision;
        watched->FailureShown = false;
        if (watched->OnSaved) watched->OnSaved();
        return;
    }
    // Retried after the next change; said once until a save succeeds.
    watched->SavedRevision = revision;
    if (!watched->FailureShown) {
        watched->FailureShown = true;
        if (onFailure_) onFailure_(watched->Path, reason);
    }
}

}  // namespace tv
