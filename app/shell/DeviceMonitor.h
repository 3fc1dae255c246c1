#pragma once

// Watches the hidraw devices through udev and reports every arrival or removal, which is
// how the main window learns that the keyboard was unplugged.

#include <QObject>

#include <functional>

class QSocketNotifier;
struct udev;
struct udev_monitor;

class DeviceMonitor : public QObject {
public:
    explicit DeviceMonitor(std::function<void()> onChange, QObject* parent = nullptr);
    ~DeviceMonitor() override;
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    // False when udev could not be reached; the program then runs without notifications.
    bool active() const { return notifier != nullptr; }

private:
    void readEvents();

    std::function<void()> onChange;
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    QSocketNotifier* notifier = nullptr;
};
