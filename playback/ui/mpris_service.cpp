#include "playback/ui/mpris_service.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QUrl>

namespace tv {
namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

}  // namespace

QVariantMap MprisMetadata(const MprisTrack& track) {
    QVariantMap map;
    if (track.File.isEmpty()) {
        map.insert(QStringLiteral("mpris:trackid"),
                   QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return map;
    }
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(
                   QStringLiteral("/de/tunevault/Track/%1").arg(track.Number))));
    if (track.LengthUs > 0) map.insert(QStringLiteral("mpris:length"), track.LengthUs);
    map.insert(QStringLiteral("xesam:title"), track.Title);
    map.insert(QStringLiteral("xesam:artist"), QStringList{track.Artist});
    map.insert(QStringLiteral("xesam:album"), track.Album);
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track.File).toString());
    return map;
}

MprisService::MprisService(MprisHost& host, QObject* parent) : QObject(parent), host_(host) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;  // no session bus: media keys are not offered
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) return;
    serviceName_ = QStringLiteral("org.mpris.MediaPlayer2.tunevault");
    // A second program of the same name is told apart by its process.
    if (!bus.registerService(serviceName_)) {
        serviceName_ += QStringLiteral(".instance%1").arg(::getpid());
        if (!bus.registerService(serviceName_)) {
            bus.unregisterObject(kObjectPath);
            serviceName_.clear();
            return;
        }
    }
    registered_ = true;
}

MprisService::~MprisService() {
    if (!registered_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(serviceName_);
    bus.unregisterObject(kObjectPath);
}

void MprisService::PlayerChanged() {
    if (!registered_) return;
    QVariantMap now;
    now.insert(QStringLiteral("PlaybackStatus"), host_.PlaybackStatus());
    now.insert(QStringLiteral("Metadata"), MprisMetadata(host_.CurrentTrack()));
    now.insert(QStringLiteral("Volume"), host_.Volume());
    now.insert(QStringLiteral("CanGoNext"), host_.CanGoNext());
    now.insert(QStringLiteral("CanGoPrevious"), host_.CanGoPrevious());
    now.insert(QStringLiteral("CanPlay"), host_.CanPlay());
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (last_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    last_ = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void MprisService::Seeked(qint64 positionUs) {
    if (!registered_) return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, kPlayerInterface, QStringLiteral("Seeked"));
    signal << static_cast<qlonglong>(positionUs);
    QDBusConnection::sessionBus().send(signal);
}

MprisRootAdaptor::MprisRootAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisRootAdaptor::Identity() const {
    return QStringLiteral("MP3-TUNEVAULT");
}

QString MprisRootAdaptor::DesktopEntry() const {
    return QStringLiteral("de.tunevault.TuneVault");
}

QStringList MprisRootAdaptor::SupportedUriSchemes() const {
    return {QStringLiteral("file")};
}

QStringList MprisRootAdaptor::SupportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"),
            QStringLiteral("audio/x-ms-wma")};
}

void MprisRootAdaptor::Raise() {
    service_->Host().Raise();
}

void MprisRootAdaptor::Quit() {
    service_->Host().Quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service)
    : QDBusAbstractAdaptor(service), service_(service) {}

QString MprisPlayerAdaptor::PlaybackStatus() const {
    return service_->Host().PlaybackStatus();
}

QVariantMap MprisPlayerAdaptor::Metadata() const {
    return MprisMetadata(service_->Host().CurrentTrack());
}

qlonglong MprisPlayerAdaptor::Position() const {
    return service_->Host().PositionUs();
}

double MprisPlayerAdaptor::Volume() const {
    return service_->Host().Volume();
}

void MprisPlayerAdaptor::SetVolume(double volume) {
    service_->Host().SetVolume(std::clamp(volume, 0.0, 1.0));
    service_->PlayerChanged();
}

bool MprisPlayerAdaptor::CanGoNext() const {
    return service_->Host().CanGoNext();
}

bool MprisPlayerAdaptor::CanGoPrevious() const {
    return service_->Host().CanGoPrevious();
}

bool MprisPlayerAdaptor::CanPlay() const {
    return service_->Host().CanPlay();
}

bool MprisPlayerAdaptor::CanPause() const {
    return service_->Host().CanPlay();
}

bool MprisPlayerAdaptor::CanSeek() const {
    return !service_->Host().CurrentTrack().File.isEmpty();
}

void MprisPlayerAdaptor::Next() {
    service_->Host().Next();
}

void MprisPlayerAdaptor::Previous() {
    service_->Host().Previous();
}

void MprisPlayerAdaptor::Pause() {
    service_->Host().Pause();
}

void MprisPlayerAdaptor::PlayPause() {
    MprisHost& host = service_->Host();
    if (host.PlaybackStatus() == QStringLiteral("Playing"))
        host.Pause();
    else
        host.Play();
}

void MprisPlayerAdaptor::Stop() {
    service_->Host().Stop();
}

void MprisPlayerAdaptor::Play() {
    service_->Host().Play();
}

void MprisPlayerAdaptor::Seek(qlonglong offset) {
    MprisHost& host = service_->Host();
    const qlonglong target = std::max<qlonglong>(host.PositionUs() + offset, 0);
    host.SetPositionUs(target);
    service_->Seeked(host.PositionUs());
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath& track, qlonglong position) {
    MprisHost& host = service_->Host();
    // Only for the song playing now: a call meant for the last song does nothing.
    if (track.path() != MprisMetadata(host.CurrentTrack())
                            .value(QStringLiteral("mpris:trackid"))
                            .value<QDBusObjectPath>()
                            .path())
        return;
    const qint64 length = host.CurrentTrack().LengthUs;
    if (position < 0 || (length > 0 && position > length)) return;
    host.SetPositionUs(position);
    service_->Seeked(host.PositionUs());
}

void MprisPlayerAdaptor::OpenUri(const QString& uri) {
    service_->Host().OpenUri(uri);
}

}  // namespace tv
