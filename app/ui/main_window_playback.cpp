// Playback from the main window: the play requests of the four lists and the file
// box, the playlist advance, play counting, the random selection and the player
// window's visibility.

#include <QApplication>
#include <QDate>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <chrono>
#include <random>

#include "app/ui/desktop_player.h"
#include "app/ui/main_window.h"
#include "base/safe_open.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "catalogue/ui/song_grid.h"
#include "playback/play_count.h"
#include "playback/player_rules.h"
#include "playback/random_pick.h"
#include "playback/ui/audio_player.h"
#include "playback/ui/mpris_service.h"
#include "playback/ui/random_dialog.h"
#include "widgets/ui/byte_text.h"
#include "widgets/ui/program_locale.h"
#include "widgets/ui/prompts.h"
#include "widgets/ui/windows_colour.h"

namespace tv {
namespace {

bool FileExists(const std::string& file) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(file), error) &&
           !std::filesystem::is_directory(std::filesystem::path(file), error);
}

}  // namespace

QString TForm1::CaptionOf(const SongList& list, int row) {
    return ToQString(std::string(list.Cell(row, colTitle)) + " - " + std::string(list.Cell(row, colArtist)));
}

RowColour TForm1::HighlightColour() const {
    return WindowsFromColour(QApplication::palette().color(QPalette::ToolTipBase));
}

void TForm1::WirePlayback() {
    connect(audioplayer_, &TAudioplayer::SongLoaded, this, &TForm1::SongLoaded);
    connect(audioplayer_, &TAudioplayer::SongAdvanced, this, &TForm1::SongAdvanced);
    connect(audioplayer_, &TAudioplayer::SongEnded, this, &TForm1::SongEnded);
    connect(audioplayer_, &TAudioplayer::SongFailed, this, &TForm1::SongFailed);
    // The desktop's media keys and sound menu (MPRIS).
    desktopPlayer_ = std::make_unique<DesktopPlayer>(*this);
    mpris_ = std::make_unique<MprisService>(*desktopPlayer_);
    connect(audioplayer_, &TAudioplayer::PlayerChanged, this, [this] { mpris_->PlayerChanged(); });
}

bool TForm1::PlaySongFile(const std::string& file, const QString& caption) {
    if (file.empty()) return false;
    if (!FileExists(file)) {
        prompts_.Tell(
            this, QStringLiteral("Fehler"),
            QStringLiteral("Datei ") + QStringFromBytes(file) + QStringLiteral(" nicht vorhanden!"),
            PromptIcon::Warning);
        return false;
    }
    SIShowAudioClick();
    if (adding_) return false;
    std::vector<int> rows;
    const TAudioplayer::Songs following =
        playListPlayChecked_ ? FollowingSongs(rows) : TAudioplayer::Songs{};
    try {
        audioplayer_->PlayFile(file, caption, following);
    } catch (const std::exception& error) {
        prompts_.Tell(this, QStringLiteral("Fehler"),
                      QStringLiteral("Die Datei ") + QStringFromBytes(file) +
                          QStringLiteral(" kann nicht abgespielt werden: ") +
                          QString::fromStdString(error.what()),
                      PromptIcon::Error);
        return false;
    }
    // The play is counted once the song has started (SongLoaded).
    upcomingRows_ = std::move(rows);
    advanceOn_ = playListPlayChecked_;
    return true;
}

void TForm1::SongLoaded(const QByteArray& file) {
    failedInARow_ = 0;
    CountPlay(catalogue_, file.toStdString(), ShortDateText(QDate::currentDate()).toStdString());
    desktopPlayer_->NewTrack();
    QueueFollowingSong();
}

void TForm1::SongAdvanced(const QByteArray& file) {
    // The queued row plays now, on the sample after the last song's end: the
    // highlight, the count and "zuletzt" follow only now.
    if (const int row = UpcomingRowOf(file.toStdString()); row > 0)
        MoveHighlight(playlist_, audioplayer_->CurrentPlaylistRowRef(), row, HighlightColour());
    failedInARow_ = 0;
    CountPlay(catalogue_, file.toStdString(), ShortDateText(QDate::currentDate()).toStdString());
    desktopPlayer_->NewTrack();
    QueueFollowingSong();
}

int TForm1::UpcomingRowOf(const std::string& file) const {
    // The rows queued last, in order; the playlist may have changed since.
    for (const int row : upcomingRows_)
        if (row <= playlist_.DataRowCount() && playlist_.Cell(row, colFileName) == file) return row;
    return 0;
}

int TForm1::FollowingPlayableRow(int row) const {
    const int rows = playlist_.DataRowCount();
    for (int step = 0; step < rows; ++step) {
        row = NextPlaylistRow(row, rows);
        const std::string file(playlist_.Cell(row, colFileName));
        if (!file.empty() && IsRegularFile(file)) return row;  // missing files are skipped
    }
    return 0;
}

std::vector<std::pair<std::string, QString>> TForm1::FollowingSongs(std::vector<int>& rows) const {
    // A few songs ahead: a short song is read whole at once, and the one after it
    // must be there by then.
    constexpr int kAhead = 3;
    TAudioplayer::Songs songs;
    rows.clear();
    for (int row = audioplayer_->CurrentPlaylistRow(), n = 0; n < kAhead; ++n) {
        row = FollowingPlayableRow(row);
        if (row == 0) break;
        rows.push_back(row);
        songs.emplace_back(playlist_.Cell(row, colFileName), CaptionOf(playlist_, row));
    }
    return songs;
}

void TForm1::QueueFollowingSong() {
    upcomingRows_.clear();
    if (!advanceOn_ || audioplayer_->FileName().empty()) return;
    std::vector<int> rows;
    const TAudioplayer::Songs songs = FollowingSongs(rows);
    if (!songs.empty() && audioplayer_->QueueNext(songs)) upcomingRows_ = std::move(rows);
}

void TForm1::SongFailed(const QByteArray& file, const QString& reason) {
    // A queued song that could not be played: the advance goes on after its row.
    if (const int row = UpcomingRowOf(file.toStdString()); row > 0)
        MoveHighlight(playlist_, audioplayer_->CurrentPlaylistRowRef(), row, HighlightColour());
    upcomingRows_.clear();
    prompts_.Tell(this, QStringLiteral("Fehler"),
                  QStringLiteral("Die Datei ") + QStringFromBytes(file.toStdString()) +
                      QStringLiteral(" kann nicht abgespielt werden: ") + reason,
                  PromptIcon::Error);
    AdvanceAfterFailure();
}

void TForm1::SongEnded() {
    upcomingRows_.clear();
    if (advanceOn_) Timer3Timer();
}

void TForm1::PlayPlaylistStep(int step) {
    const int rows = playlist_.DataRowCount();
    if (rows == 0 || playlist_.Cell(1, colFileName).empty()) return;
    int& current = audioplayer_->CurrentPlaylistRowRef();
    const int target = step > 0    ? NextPlaylistRow(current, rows)
                       : step < 0  ? (current <= 1 ? rows : current - 1)
                                   : std::clamp(current, 1, rows);
    MoveHighlight(playlist_, current, target, HighlightColour());
    if (!PlaySongFile(std::string(playlist_.Cell(current, colFileName)), CaptionOf(playlist_, current)))
        AdvanceAfterFailure();
}

void TForm1::Timer3Timer() {
    if (audioplayer_->FileName().empty()) {
        advanceOn_ = false;
        return;
    }
    try {
        audioplayer_->Device().Seek(0);
    } catch (const std::exception&) {
    }
    int& current = audioplayer_->CurrentPlaylistRowRef();
    MoveHighlight(playlist_, current, NextPlaylistRow(current, playlist_.DataRowCount()),
                  HighlightColour());
    if (!PlaySongFile(std::string(playlist_.Cell(current, colFileName)), CaptionOf(playlist_, current)))
        AdvanceAfterFailure();
}

void TForm1::AdvanceAfterFailure() {
    // A song that cannot be played is followed by the next row, as when it had
    // ended; a playlist none of whose rows can be played stops.
    if (!advanceOn_) return;
    if (++failedInARow_ >= std::max(1, playlist_.DataRowCount())) {
        failedInARow_ = 0;
        advanceOn_ = false;
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (advanceOn_ && !quitRequested_) Timer3Timer();
    });
}

void TForm1::StGrdMainDblClick() {
    const int row = catalogue_.CurrentRow();
    AppendUniqueRows(catalogue_, playlist_, row, row);
    const int last = playlist_.DataRowCount();
    StGrdPlaylist()->ShowRow(last);
    MoveHighlight(playlist_, audioplayer_->CurrentPlaylistRowRef(), last, HighlightColour());
    UpdateStatusBars(SizeRefresh::IfListsChanged);
    PlaySongFile(std::string(catalogue_.Cell(row, colFileName)), CaptionOf(catalogue_, row));
}

void TForm1::StGrdPlaylistDblClick() {
    const int row = playlist_.CurrentRow();
    MoveHighlight(playlist_, audioplayer_->CurrentPlaylistRowRef(), row, HighlightColour());
    PlaySongFile(std::string(playlist_.Cell(row, colFileName)), CaptionOf(playlist_, row));
}

void TForm1::StGrdSelectionDblClick() {
    const int row = selection_.CurrentRow();
    PlaySongFile(std::string(selection_.Cell(row, colFileName)), CaptionOf(selection_, row));
}

void TForm1::StGrdDoubleDblClick() {
    const int row = doubles_.CurrentRow();
    PlaySongFile(std::string(doubles_.Cell(row, colFileName)), CaptionOf(doubles_, row));
}

void TForm1::EdtFileDblClick() {
    PlaySongFile(BytesFromQString(details_.EdtFile->text()),
                 details_.EdtTitel->text() + QStringLiteral(" - ") + details_.EdtInterpret->text());
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == details_.EdtFile && event->type() == QEvent::MouseButtonDblClick)
        EdtFileDblClick();
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::SIShowAudioClick() {
    audioplayer_->show();
    audioplayer_->raise();
}

void TForm1::PlaylistplayClick() {
    playListPlayChecked_ = playListPlayAction_->isChecked();
    advanceOn_ = playListPlayChecked_;
}

void TForm1::BtnRandomClick() {
    const int rows = catalogue_.DataRowCount();
    frmRandom_->SetMaximum(rows - 1);
    if (rows < 2) return;
    if (frmRandom_->exec() != QDialog::Accepted) {
        UpdateStatusBars();  // the lists may have changed behind the dialog
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int count = std::min(frmRandom_->SpinEdit1()->value(), rows);
    std::mt19937 random(static_cast<std::mt19937::result_type>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    AppendRandomSongs(catalogue_, playlist_, count, random);
    const int row = playlist_.CurrentRow();
    MoveHighlight(playlist_, audioplayer_->CurrentPlaylistRowRef(), row, HighlightColour());
    PlaySongFile(std::string(playlist_.Cell(row, colFileName)), CaptionOf(playlist_, row));
    StGrdPlaylist()->ShowRow(row);
    UpdateStatusBars();
    QApplication::restoreOverrideCursor();
}

}  // namespace tv
