#include "app/shell/DeviceMonitor.h"

#include <QSocketNotifier>

#include <libudev.h>

DeviceMonitor::DeviceMonitor(std::function<void()> callback, QObject* parent)
    : QObject(parent), onChange(std::move(callback)) {
    context = udev_new();
    if (!context)
        return;
    monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0)
        return;
    const int fd = udev_monitor_get_fd(monitor);
    if (fd < 0)
        return;
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

DeviceMonitor::~DeviceMonitor() {
    delete notifier;
    if (monitor)
        udev_monitor_unref(monitor);
    if (context)
        udev_unref(context);
}

void DeviceMonitor::readEvents() {
    bool any = false;
    while (udev_device* dev = udev_monitor_receive_device(monitor)) {
        udev_device_unref(dev);
        any = true;
    }
    if (any && onChange)
        onChange();
}
