#pragma once

// The dongle's side of a window test: a pseudo-terminal that the port finder
// reports (through PORTVANE_PORT and a symlink that follows replugs), the
// test playing the dongle and the meter on its master side, and message
// boxes collected instead of shown.

#include "app/message_box.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <future>
#include <memory>

class PtyPair;
class QTimer;
class TForm1;

// Runs what a running timer would run when it next fires, through the
// window's own binding, without waiting for it. False when it is not running.
bool fireTimer(QTimer *timer);

class DongleRig
{
public:
    struct Message
    {
        QString caption;
        QString text;
    };

    DongleRig();
    ~DongleRig();
    DongleRig(const DongleRig &) = delete;
    DongleRig &operator=(const DongleRig &) = delete;

    bool isValid() const;
    // The name the finder reports (a symlink to the current pty).
    QString portName() const { return m_link; }

    // Sends as the dongle; one call arrives as one read when reads are
    // awaited in between (see deliver()).
    bool send(const QByteArray &bytes);
    // Sends as the dongle or the meter and waits until the window has read
    // it: one call, one read. Needs countReads().
    bool deliver(const QByteArray &bytes, int timeoutMs = 5000);
    // Collects what the window writes, running its events meanwhile, until
    // the collected bytes end with `wanted` or `timeoutMs` passes (monotonic).
    QByteArray readUntil(const QByteArray &wanted, int timeoutMs = 3000);
    // Everything the window wrote so far, without waiting.
    QByteArray written();

    // Answers each of the next `answers.size()` "AT" from a thread of its own
    // (the probe waits on the window's thread); empty answers stay silent.
    // The future holds what the window wrote meanwhile.
    std::future<QByteArray> answerAttention(const QList<QByteArray> &answers);

    // Whether the port finder reports the dongle; its device stays as it is.
    void setFound(bool found);

    // The dongle vanishes (its device hangs up and its name goes) and comes back as a new device.
    void unplug();
    bool replug();

    // Counts the window's port reads, so a test can wait for a reply to be handled.
    void countReads(TForm1 &form);
    int reads() const { return *m_reads; }

    const QList<Message> &messages() const { return *m_messages; }

private:
    std::unique_ptr<PtyPair> m_pty;
    QTemporaryDir m_dir;
    QString m_link;
    QByteArray m_pending; // written but not yet handed to a caller
    std::shared_ptr<int> m_reads = std::make_shared<int>(0);
    std::shared_ptr<QList<Message>> m_messages = std::make_shared<QList<Message>>();
    app::MessageShower m_previousShower;
};
