#include "app/ui/desktop_player.h"

#include <QPushButton>
#include <QSlider>
#include <QUrl>

#include "app/ui/main_window.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "playback/ui/audio_player.h"
#include "widgets/ui/byte_text.h"

namespace tv {

QString DesktopPlayer::PlaybackStatus() {
    switch (form_.Audioplayer()->State()) {
        case PlayerState::Playing:
            return QStringLiteral("Playing");
        case PlayerState::Paused:
            return QStringLiteral("Paused");
        default:
            return QStringLiteral("Stopped");
    }
}

MprisTrack DesktopPlayer::CurrentTrack() {
    const TAudioplayer& player = *form_.Audioplayer();
    MprisTrack track;
    if (player.FileName().empty()) return track;
    track.File = QStringFromBytes(player.FileName());
    track.Number = trackNumber_;
    track.LengthUs = form_.Audioplayer()->Device().Length() * 1000;
    const SongList& catalogue = form_.Catalogue();
    if (const int row = FindSongRow(catalogue, player.FileName(), colFileName); row > 0) {
        track.Title = ToQString(catalogue.Cell(row, colTitle));
        track.Artist = ToQString(catalogue.Cell(row, colArtist));
        track.Album = ToQString(catalogue.Cell(row, colAlbum));
    } else {
        // A song outside the catalogue: its caption is "title - artist".
        const QString caption = player.Caption();
        const qsizetype dash = caption.indexOf(QStringLiteral(" - "));
        track.Title = dash < 0 ? caption : caption.left(dash);
        track.Artist = dash < 0 ? QString() : caption.mid(dash + 3);
    }
    return track;
}

qint64 DesktopPlayer::PositionUs() {
    return form_.Audioplayer()->Device().Position() * 1000;
}

double DesktopPlayer::Volume() {
    return form_.Audioplayer()->SLVolume()->value() / 65535.0;
}

void DesktopPlayer::SetVolume(double volume) {
    form_.Audioplayer()->SLVolume()->setValue(static_cast<int>(volume * 65535.0 + 0.5));
}

bool DesktopPlayer::CanGoNext() {
    const SongList& playlist = form_.Playlist();
    return playlist.DataRowCount() > 0 && !playlist.Cell(1, colFileName).empty();
}

bool DesktopPlayer::CanGoPrevious() {
    return CanGoNext();
}

bool DesktopPlayer::CanPlay() {
    return !form_.Audioplayer()->FileName().empty() || CanGoNext();
}

void DesktopPlayer::Play() {
    TAudioplayer& player = *form_.Audioplayer();
    switch (player.State()) {
        case PlayerState::Playing:
            return;
        case PlayerState::Paused:
            player.BtnMPlayClick();  // on from where it was paused
            return;
        default:
            if (player.FileName().empty() && !player.BtnMPlay()->isEnabled())
                form_.PlayPlaylistStep(0);  // nothing loaded: the playlist's current row
            else
                player.BtnMPlayClick();
    }
}

void DesktopPlayer::Pause() {
    if (form_.Audioplayer()->State() == PlayerState::Playing) form_.Audioplayer()->BtnMPauseClick();
}

void DesktopPlayer::Stop() {
    form_.Audioplayer()->BtnMStopClick();
}

void DesktopPlayer::Next() {
    form_.PlayPlaylistStep(1);
}

void DesktopPlayer::Previous() {
    form_.PlayPlaylistStep(-1);
}

void DesktopPlayer::SetPositionUs(qint64 position) {
    form_.Audioplayer()->Device().Seek(position / 1000);
}

void DesktopPlayer::OpenUri(const QString& uri) {
    const QUrl url(uri);
    if (!url.isLocalFile()) return;
    const QString file = url.toLocalFile();
    form_.PlaySongFile(BytesFromQString(file), url.fileName());
}

void DesktopPlayer::Raise() {
    form_.show();
    form_.raise();
    form_.activateWindow();
}

void DesktopPlayer::Quit() {
    // As the window's close: its settings, then the lists.
    QMetaObject::invokeMethod(&form_, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace tv
