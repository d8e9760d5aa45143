#include "dongle_rig.h"

#include "app/form1.h"
#include "link/com_port.h"
#include "pty_pair.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTimer>
#include <QTest>

#include <thread>

bool fireTimer(QTimer *timer)
{
    return timer->isActive() && QMetaObject::invokeMethod(timer, "timeout");
}

DongleRig::DongleRig()
    : m_pty(std::make_unique<PtyPair>())
{
    m_link = m_dir.filePath(QStringLiteral("dongle"));
    if (m_pty->isOpen())
        QFile::link(m_pty->slavePath(), m_link);
    qputenv("PORTVANE_PORT", QFile::encodeName(m_link));
    m_previousShower = app::setMessageShower(
        [messages = m_messages](QWidget *, const QString &caption, const QString &text) {
            messages->append({caption, text});
        });
}

DongleRig::~DongleRig()
{
    app::setMessageShower(m_previousShower);
    qunsetenv("PORTVANE_PORT");
}

bool DongleRig::isValid() const
{
    return m_dir.isValid() && m_pty->isOpen() && QFile::exists(m_link);
}

bool DongleRig::send(const QByteArray &bytes)
{
    return m_pty->send(bytes);
}

bool DongleRig::deliver(const QByteArray &bytes, int timeoutMs)
{
    const int before = reads();
    return send(bytes) && QTest::qWaitFor([&] { return reads() > before; }, timeoutMs) && reads() == before + 1;
}

void DongleRig::setFound(bool found)
{
    // A set variable naming nothing means no dongle, whatever else is plugged in.
    const QString name = found ? m_link : m_dir.filePath(QStringLiteral("absent"));
    qputenv("PORTVANE_PORT", QFile::encodeName(name));
}

QByteArray DongleRig::written()
{
    m_pending += m_pty->receiveWaiting();
    return std::exchange(m_pending, QByteArray());
}

QByteArray DongleRig::readUntil(const QByteArray &wanted, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_pending += m_pty->receiveWaiting();
        if (m_pending.endsWith(wanted) || deadline.hasExpired())
            return std::exchange(m_pending, QByteArray());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        m_pending += m_pty->receive(1, 10);
    }
}

std::future<QByteArray> DongleRig::answerAttention(const QList<QByteArray> &answers)
{
    PtyPair *pty = m_pty.get();
    return std::async(std::launch::async, [pty, answers] {
        QByteArray seen;
        for (const QByteArray &answer : answers) {
            const QDeadlineTimer deadline(5000);
            while (!seen.endsWith("AT") && !deadline.hasExpired())
                seen += pty->receive(1, 50);
            if (!answer.isEmpty())
                pty->send(answer);
            seen += ' '; // an answered "AT" is not found again
        }
        return seen.replace(' ', QByteArray());
    });
}

void DongleRig::unplug()
{
    QFile::remove(m_link);
    m_pty->closeMaster();
}

bool DongleRig::replug()
{
    m_pty = std::make_unique<PtyPair>();
    return m_pty->isOpen() && QFile::link(m_pty->slavePath(), m_link);
}

void DongleRig::countReads(TForm1 &form)
{
    auto handler = form.ComPort->OnRxChar;
    form.ComPort->OnRxChar = [handler, reads = m_reads](TCustomComPort *sender, int count) {
        handler(sender, count);
        ++*reads;
    };
}
