#include "burning/ui/media_change_watcher.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cstring>

namespace tv {

MediaChangeWatcher::MediaChangeWatcher(QObject* parent) : QObject(parent) {
    udev_ = udev_new();
    if (udev_ == nullptr) return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0)
        return;
    const int fd = udev_monitor_get_fd(monitor_);
    if (fd < 0) return;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MediaChangeWatcher::ReadEvents);
}

MediaChangeWatcher::~MediaChangeWatcher() {
    delete notifier_;
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
}

void MediaChangeWatcher::ReadEvents() {
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* change = udev_device_get_property_value(device, "DISK_MEDIA_CHANGE");
        const char* name = udev_device_get_sysname(device);
        if (change != nullptr && std::strcmp(change, "1") == 0 && name != nullptr)
            emit MediaChanged(QString::fromLocal8Bit(name));
        udev_device_unref(device);
    }
}

}  // namespace tv
