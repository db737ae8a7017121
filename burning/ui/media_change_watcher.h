#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;
struct udev;
struct udev_monitor;

namespace tv {

// Tells when a disc is put into or taken out of an optical drive: the system's
// device events (libudev) of block devices that carry DISK_MEDIA_CHANGE. Without
// such events (no udev, as in many containers) it stays silent.
class MediaChangeWatcher : public QObject {
    Q_OBJECT
  public:
    explicit MediaChangeWatcher(QObject* parent = nullptr);
    ~MediaChangeWatcher() override;

    // Whether the system delivers the events.
    bool Active() const noexcept { return notifier_ != nullptr; }

  signals:
    // The medium of a drive changed ("sr0").
    void MediaChanged(const QString& deviceName);

  private:
    void ReadEvents();

    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tv
