#pragma once
// A symbolic link to the device's terminal, removed again when this goes.

#include <QString>

namespace ksr::sim {

class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink() { Remove(); }
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Makes `linkPath` point to `target`, replacing an existing symbolic link
    // (but nothing else). False with `error` set on failure.
    bool Create(const QString &linkPath, const QString &target, QString *error);
    void Remove();

private:
    QString path_;
};

} // namespace ksr::sim
