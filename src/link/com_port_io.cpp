// Transfers of the serial port component and the hand-over of receive
// notices from the event thread.
//
// Reads and writes are non-blocking system calls driven by poll against a
// monotonic deadline worked out from the time-outs (com_timeouts.h). A read
// ends when Count bytes are in, when the gap after the last byte exceeds the
// read interval, at the total limit, or, with no total limit, when no first
// byte came within kFirstByteLimitMs. A write ends when every byte has left
// the driver or at its total limit; what was still queued then is discarded,
// so the returned count is what actually went out.
//
// When the event thread reads (ReceivesBlocks), a read takes the same bytes
// from its queue instead of the device, under the same deadlines.

#include "link/com_port.h"

#include "link/com_device.h"
#include "link/com_notice_target.h"
#include "link/com_thread.h"
#include "link/com_timeouts.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds from now until deadline, rounded up so a wait never ends
// just short of it; 0 once it has passed.
int msUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// Removes NUL bytes in place; returns the bytes kept.
int dropNulls(unsigned char *buf, int n)
{
    return static_cast<int>(std::remove(buf, buf + n, 0) - buf);
}

} // namespace

// --- event thread and notices ---------------------------------------------

void TCustomComPort::startThread()
{
    activeEvents_ = events_;
    if (fd_ < 0 || events_ == TComEvents())
        return;
    const quint64 generation = generation_;
    ComNoticeTarget *target = noticeTarget_;
    TComThread::Announce announce = [target, generation] {
        QMetaObject::invokeMethod(target, [target, generation] { target->deliver(generation); },
                                  Qt::QueuedConnection);
    };
    TComThread::Failed failed = [target, generation](int err) {
        QMetaObject::invokeMethod(target, [target, generation, err] { target->threadFailed(generation, err); },
                                  Qt::QueuedConnection);
    };
    std::shared_ptr<ComReceiveQueue> queue;
    if (receivesBlocks_) {
        queue_->restart();
        queue = queue_;
    }
    thread_ = std::make_unique<TComThread>(fd_, eventThreadPriority_, std::move(announce), std::move(failed),
                                           queue, comport::blockGapMs(activeTimeouts_));
    if (!thread_->Started()) {
        const int err = thread_->StartError();
        thread_.reset();
        raise(21, err);
        return;
    }
    blockThread_ = queue != nullptr;
}

void TCustomComPort::stopThread()
{
    if (!thread_)
        return;
    thread_->Stop();
    thread_.reset();
    blockThread_ = false;
}

bool TCustomComPort::handleRxNotice(quint64 generation)
{
    if (!open_ || generation != generation_ || fd_ < 0)
        return false;
    // Counted now: bytes already taken by a direct read raise nothing. When
    // the thread reads, a notice is about finished blocks: bytes of a block
    // still coming in get a notice of their own once it ends.
    int count = InputCount();
    if (readsBlocks() && count > 0)
        count = int(std::min<qint64>(queue_->finishedByteCount(), std::numeric_limits<int>::max()));
    if (count <= 0)
        return false;
    const int inputSize = activeBuffer_.InputSize;
    const bool nearlyFull = activeEvents_.testFlag(evRx80Full) && inputSize > 0
                            && static_cast<qint64>(count) * 10 >= static_cast<qint64>(inputSize) * 8;
    if (!activeEvents_.testFlag(evRxChar))
        return nearlyFull;
    if (triggersOnRxChar_) {
        // The handler may close or even destroy the port: nothing of this
        // object is touched once it has run.
        if (OnRxChar)
            OnRxChar(this, count);
        return nearlyFull;
    }
    QByteArray data(inputSize > 0 ? std::min(count, inputSize) : count, Qt::Uninitialized);
    const long n = takeSome(reinterpret_cast<unsigned char *>(data.data()), static_cast<std::size_t>(data.size()));
    if (n < 0 && n != -EAGAIN) {
        raise(3, -n);
        return false;
    }
    data.truncate(static_cast<int>(std::max(n, 0L)));
    if (discardNull_)
        data.truncate(dropNulls(reinterpret_cast<unsigned char *>(data.data()), data.size()));
    if (!data.isEmpty() && OnRxBuf)
        OnRxBuf(this, data);
    return nearlyFull;
}

void TCustomComPort::raiseRx80Full(quint64 generation)
{
    if (open_ && generation == generation_ && OnRx80Full)
        OnRx80Full(this);
}

void TCustomComPort::finishRxNotice(quint64 generation)
{
    if (thread_ && generation == generation_)
        thread_->NoticeHandled();
}

// The event thread of this opening ended by itself. The port still looks
// open and its device may still answer, but no arrival would be announced
// any more: the owner must close it and open it again.
void TCustomComPort::eventThreadFailed(quint64 generation, int err)
{
    if (!open_ || generation != generation_ || !thread_)
        return;
    stopThread();
    raise(21, err);
}

// --- transfers -----------------------------------------------------------

int TCustomComPort::ReadStr(QString &Str, int Count)
{
    QByteArray bytes(std::max(Count, 0), Qt::Uninitialized);
    const int n = Read(bytes.data(), Count);
    // Latin-1 maps byte b to U+00b and back, NUL included.
    Str = QString::fromLatin1(bytes.constData(), n);
    return n;
}

int TCustomComPort::Read(void *Buf, int Count)
{
    if (fd_ < 0) {
        raise(24, comport::kNoHandleWinError);
        return 0;
    }
    if (Count <= 0 || !Buf)
        return 0;
    return readBytes(static_cast<unsigned char *>(Buf), Count);
}

int TCustomComPort::readBytes(unsigned char *buf, int count)
{
    const comport::ReadPlan plan = comport::planRead(activeTimeouts_, count);
    const auto start = Clock::now();
    const auto later = [start](qint64 ms) { return start + std::chrono::milliseconds(ms); };
    auto lastByte = start;
    const int chunk = activeBuffer_.InputSize > 0 ? activeBuffer_.InputSize : count;
    int got = 0;
    while (got < count) {
        const int want = std::min(count - got, chunk);
        const long n = takeSome(buf + got, static_cast<std::size_t>(want));
        if (n > 0) {
            lastByte = Clock::now();
            got += discardNull_ ? dropNulls(buf + got, static_cast<int>(n)) : static_cast<int>(n);
            continue;
        }
        if (n == 0) {
            // End of file on a terminal: it hung up, the device is gone.
            raise(3, EIO);
            return got;
        }
        if (n != -EAGAIN) {
            raise(3, -n);
            return got;
        }
        if (plan.anyByteEnds && got > 0)
            return got;
        auto deadline = Clock::time_point::max();
        if (plan.totalMs >= 0)
            deadline = later(plan.totalMs);
        if (got == 0 && plan.firstByteMs >= 0)
            deadline = std::min(deadline, later(plan.firstByteMs));
        if (got > 0 && plan.intervalMs >= 0)
            deadline = std::min(deadline, lastByte + std::chrono::milliseconds(plan.intervalMs));
        const bool bounded = deadline != Clock::time_point::max();
        if (bounded && Clock::now() >= deadline)
            return got;
        const int rc = waitForInput(bounded ? msUntil(deadline) : -1);
        if (rc < 0) {
            raise(3, -rc);
            return got;
        }
        // On time-out the deadline check above ends the read; on readiness
        // (data or hang-up) the next read tells which.
    }
    return got;
}

// The device's bytes, or the event thread's when it reads them: n > 0 bytes,
// 0 at end of file (the device has gone), -errno (-EAGAIN: none yet).
long TCustomComPort::takeSome(unsigned char *buf, std::size_t count)
{
    if (!readsBlocks())
        return comport::readSome(fd_, buf, count);
    int endError = 0;
    const qsizetype n = queue_->takeBytes(reinterpret_cast<char *>(buf), qsizetype(count), &endError);
    if (n > 0)
        return long(n);
    if (endError == 0)
        return -EAGAIN;
    return endError == EIO ? 0 : -endError;
}

int TCustomComPort::waitForInput(int timeoutMs)
{
    if (!readsBlocks())
        return comport::waitReady(fd_, false, timeoutMs);
    queue_->waitForBytes(timeoutMs);
    return 0;
}

std::vector<TRxBlock> TCustomComPort::TakeBlocks()
{
    if (!open_ || !readsBlocks())
        return {};
    std::vector<TRxBlock> blocks = queue_->takeBlocks();
    if (!discardNull_)
        return blocks;
    std::erase_if(blocks, [](TRxBlock &block) {
        block.Data.truncate(dropNulls(reinterpret_cast<unsigned char *>(block.Data.data()), block.Data.size()));
        return block.Data.isEmpty();
    });
    return blocks;
}

quint64 TCustomComPort::DroppedBlocks() const
{
    return queue_->droppedBlocks();
}

int TCustomComPort::WriteStr(const QString &Str)
{
    QByteArray bytes(Str.size(), Qt::Uninitialized);
    for (int i = 0; i < Str.size(); ++i)
        bytes[i] = static_cast<char>(Str.at(i).unicode() & 0xFF);
    return Write(bytes.constData(), bytes.size());
}

int TCustomComPort::Write(const void *Buf, int Count)
{
    if (fd_ < 0) {
        raise(24, comport::kNoHandleWinError);
        return 0;
    }
    if (Count <= 0 || !Buf)
        return 0;
    return writeBytes(static_cast<const unsigned char *>(Buf), Count);
}

int TCustomComPort::writeBytes(const unsigned char *buf, int count)
{
    const qint64 limit = comport::writeLimitMs(activeTimeouts_, count);
    const bool bounded = limit >= 0;
    const auto deadline = bounded ? Clock::now() + std::chrono::milliseconds(limit) : Clock::time_point::max();
    const int chunk = activeBuffer_.OutputSize > 0 ? activeBuffer_.OutputSize : count;
    int sent = 0;
    bool timedOut = false;
    int failure = 0;
    while (sent < count && failure == 0) {
        const int want = std::min(count - sent, chunk);
        const long n = comport::writeSome(fd_, buf + sent, static_cast<std::size_t>(want));
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && n != -EAGAIN) {
            failure = static_cast<int>(-n);
            break;
        }
        if (bounded && Clock::now() >= deadline) {
            timedOut = true;
            break;
        }
        const int rc = comport::waitReady(fd_, true, bounded ? msUntil(deadline) : -1);
        if (rc < 0)
            failure = -rc;
    }
    if (failure != 0) {
        // The handle is given up; the port stays open and later calls report
        // until it is closed.
        stopThread();
        dropHandle();
        raise(2, failure);
        return sent;
    }
    // Done means gone out of the driver, not just handed to it: a close right
    // after (which discards the queues) must not cut the write short. Drivers
    // give no wake-up for an empty queue, so it is polled.
    for (int queued = comport::outputCount(fd_); !timedOut && queued > 0; queued = comport::outputCount(fd_)) {
        if (bounded && Clock::now() >= deadline)
            timedOut = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (timedOut) {
        const int queued = comport::outputCount(fd_);
        if (queued > 0) {
            comport::flushQueues(fd_, false, true);
            sent -= std::min(queued, sent);
        }
    }
    return sent;
}

void TCustomComPort::ClearBuffer(bool Input, bool Output)
{
    if (Input)
        queue_->clear();
    if (const int rc = comport::flushQueues(fd_, Input, Output); rc != 0)
        raise(5, -rc);
}

int TCustomComPort::InputCount()
{
    const int n = comport::inputCount(fd_);
    if (n < 0) {
        raise(10, -n);
        return 0;
    }
    if (!readsBlocks())
        return n;
    return int(std::min<qint64>(qint64(n) + queue_->byteCount(), std::numeric_limits<int>::max()));
}

int TCustomComPort::OutputCount()
{
    const int n = comport::outputCount(fd_);
    if (n < 0) {
        raise(10, -n);
        return 0;
    }
    return n;
}
