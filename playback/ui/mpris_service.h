#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace tv {

// The song as the desktop shows it.
struct MprisTrack {
    QString File;  // the path ("" when nothing is loaded)
    QString Title;
    QString Artist;
    QString Album;
    qint64 LengthUs = 0;
    int Number = 0;  // changes with every song, for the track id
};

// What the desktop's media keys and sound menu reach of the program: the player's
// state and the transport, the playlist's next and previous song, the window.
class MprisHost {
  public:
    virtual QString PlaybackStatus() = 0;  // "Playing", "Paused" or "Stopped"
    virtual MprisTrack CurrentTrack() = 0;
    virtual qint64 PositionUs() = 0;
    virtual double Volume() = 0;  // 0 ... 1
    virtual void SetVolume(double volume) = 0;
    virtual bool CanGoNext() = 0;
    virtual bool CanGoPrevious() = 0;
    virtual bool CanPlay() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    virtual void SetPositionUs(qint64 position) = 0;
    virtual void OpenUri(const QString& uri) = 0;
    virtual void Raise() = 0;
    virtual void Quit() = 0;

  protected:
    ~MprisHost() = default;
};

// MPRIS 2 on the session bus ("org.mpris.MediaPlayer2.tunevault"): the desktop's
// media keys and sound menu control the player. Without a session bus it does
// nothing and says nothing.
class MprisService : public QObject {
    Q_OBJECT
  public:
    MprisService(MprisHost& host, QObject* parent = nullptr);
    ~MprisService() override;

    bool Registered() const noexcept { return registered_; }
    const QString& ServiceName() const noexcept { return serviceName_; }
    MprisHost& Host() noexcept { return host_; }

    // The player's state, song or volume changed: the desktop is told.
    void PlayerChanged();
    // The position jumped (a seek): the desktop is told where to.
    void Seeked(qint64 positionUs);

  private:
    MprisHost& host_;
    bool registered_ = false;
    QString serviceName_;
    QVariantMap last_;  // the player properties last announced
};

// org.mpris.MediaPlayer2
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
  public:
    explicit MprisRootAdaptor(MprisService* service);
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const;
    QString DesktopEntry() const;
    QStringList SupportedUriSchemes() const;
    QStringList SupportedMimeTypes() const;

  public slots:
    void Raise();
    void Quit();

  private:
    MprisService* service_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
  public:
    explicit MprisPlayerAdaptor(MprisService* service);
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    qlonglong Position() const;
    double Volume() const;
    void SetVolume(double volume);
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    bool CanGoNext() const;
    bool CanGoPrevious() const;
    bool CanPlay() const;
    bool CanPause() const;
    bool CanSeek() const;
    bool CanControl() const { return true; }

  public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offset);
    void SetPosition(const QDBusObjectPath& track, qlonglong position);
    void OpenUri(const QString& uri);

  signals:
    void Seeked(qlonglong position);

  private:
    MprisService* service_;
};

// The metadata map of a song (mpris:trackid, mpris:length, xesam:title ...).
QVariantMap MprisMetadata(const MprisTrack& track);

}  // namespace tv
