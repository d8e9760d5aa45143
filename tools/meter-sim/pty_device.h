#pragma once

#include <QString>

namespace metersim {

// The simulated dongle's serial device: the master side of a pseudo-terminal,
// non-blocking, with the slave side set raw at 57600 baud (a client may set
// its own line settings afterwards). Closing the master hangs the slave up:
// a client reading it gets end-of-file or EIO, and poll reports POLLHUP.
class PtyDevice
{
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    bool open(QString *error);
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    const QString &slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    QString m_slavePath;
};

// A symbolic link naming the current slave device, so clients can keep one
// path across unplug and replug. It replaces an older symlink at the path but
// never a regular file or directory, and on removal it deletes the link only
// while it still points at our device.
class DeviceLink
{
public:
    explicit DeviceLink(QString path = {}) : m_path(std::move(path)) {}
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    bool place(const QString &target, QString *error);
    void remove();

    const QString &path() const { return m_path; }
    bool isPlaced() const { return !m_target.isEmpty(); }

private:
    QString m_path;
    QString m_target;
};

} // namespace metersim
