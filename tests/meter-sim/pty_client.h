#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <thread>

// The program's side of the simulated dongle: opens the slave device raw and
// reads the way the application does, one block per burst of bytes ended by a
// pause of more than 10 ms. Every wait is bounded by a deadline.
class PtyClient
{
public:
    PtyClient() = default;
    ~PtyClient();
    PtyClient(const PtyClient &) = delete;
    PtyClient &operator=(const PtyClient &) = delete;

    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    bool write(const QByteArray &bytes);
    // The next block, or an empty array when nothing arrives within `wait`.
    QByteArray readBlock(std::chrono::milliseconds wait = std::chrono::milliseconds(2000));
    // Reads blocks until one equals `reply` (frames and other blocks before it
    // are skipped); false when it does not come within `wait`.
    bool awaitReply(const QByteArray &reply, std::chrono::milliseconds wait = std::chrono::milliseconds(3000));
    // Reads and drops blocks until the line stays quiet for `quiet`.
    void drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(150));
    // True once the device hangs up (POLLHUP, end-of-file or EIO).
    bool waitHangup(std::chrono::milliseconds wait = std::chrono::milliseconds(3000));

private:
    int m_fd = -1;
};

// Polls `condition` in short steps until it holds or `wait` runs out.
template <typename F>
bool waitUntil(F condition, std::chrono::milliseconds wait = std::chrono::milliseconds(3000))
{
    const auto end = std::chrono::steady_clock::now() + wait;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool pathExists(const QString &path); // lstat: also true for a dangling symlink
QString linkTarget(const QString &path);
