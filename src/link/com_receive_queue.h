#pragma once

// What the port's event thread has read from the device and its owner has
// not taken yet: the finished blocks in the order they arrived, and the block
// still coming in. A block ends when more than the read interval passes after
// its last byte, so it holds one burst from the wire (one reply or one frame,
// or several frames the owner was too busy to take one by one).
//
// The event thread appends and finishes; the owner takes, counts and clears.
// Every call is safe from either thread. At most kMaxBlocks finished blocks
// wait; a new one beyond that pushes the oldest out and counts it, so an
// owner that stalls cannot make memory grow without end.

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

// One block as it came off the wire.
struct TRxBlock {
    QByteArray Data;
    // When its last byte was read from the device: the monotonic clock for
    // intervals, and the wall clock (milliseconds since the epoch, UTC).
    std::chrono::steady_clock::time_point Arrived;
    qint64 ArrivedMs = 0;
};

class ComReceiveQueue
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::size_t kMaxBlocks = 10000;
    // A stream without a pause is cut into blocks of this size.
    static constexpr qsizetype kMaxBlockBytes = 64 * 1024;

    // --- the event thread -----------------------------------------------------
    // Bytes read at `at`; true when a block was finished (the open one was full).
    bool append(const char *data, qsizetype size, Clock::time_point at, qint64 atMs);
    // Ends the open block; true when there was one.
    bool finishBlock();
    // The thread reads no more: err is the errno that ended it (EIO for a
    // device that has gone).
    void setEnded(int err);

    // --- the owner ---------------------------------------------------------------
    // Forgets what an earlier opening left; the count of dropped blocks stays.
    void restart();
    std::vector<TRxBlock> takeBlocks();
    // Up to max bytes, finished blocks first, then the open one. 0 with
    // *endError set when nothing is left and the thread has ended.
    qsizetype takeBytes(char *buffer, qsizetype max, int *endError);
    // Until bytes are there, the thread has ended, or timeoutMs (-1: no limit) passed.
    void waitForBytes(int timeoutMs);
    qsizetype byteCount() const;
    // Bytes of the finished blocks alone.
    qsizetype finishedByteCount() const;
    // Throws away every byte not yet taken.
    void clear();
    // Finished blocks pushed out because the owner did not take them in time.
    quint64 droppedBlocks() const;

private:
    void pushFinished(TRxBlock &&block);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<TRxBlock> m_blocks;
    TRxBlock m_open;
    qsizetype m_bytes = 0; // in m_blocks and m_open
    quint64 m_dropped = 0;
    std::optional<int> m_ended;
};
