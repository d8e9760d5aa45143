#include "link/com_receive_queue.h"

#include <algorithm>
#include <cstring>

bool ComReceiveQueue::append(const char *data, qsizetype size, Clock::time_point at, qint64 atMs)
{
    bool finished = false;
    {
        const std::lock_guard lock(m_mutex);
        while (size > 0) {
            const qsizetype room = kMaxBlockBytes - m_open.Data.size();
            const qsizetype part = std::min(size, room);
            m_open.Data.append(data, part);
            m_open.Arrived = at;
            m_open.ArrivedMs = atMs;
            m_bytes += part;
            data += part;
            size -= part;
            if (m_open.Data.size() >= kMaxBlockBytes) {
                pushFinished(std::exchange(m_open, TRxBlock()));
                finished = true;
            }
        }
    }
    m_changed.notify_all();
    return finished;
}

bool ComReceiveQueue::finishBlock()
{
    const std::lock_guard lock(m_mutex);
    if (m_open.Data.isEmpty())
        return false;
    pushFinished(std::exchange(m_open, TRxBlock()));
    return true;
}

void ComReceiveQueue::pushFinished(TRxBlock &&block)
{
    if (m_blocks.size() >= kMaxBlocks) {
        m_bytes -= m_blocks.front().Data.size();
        m_blocks.pop_front();
        ++m_dropped;
    }
    m_blocks.push_back(std::move(block));
}

void ComReceiveQueue::setEnded(int err)
{
    {
        const std::lock_guard lock(m_mutex);
        m_ended = err;
    }
    m_changed.notify_all();
}

void ComReceiveQueue::restart()
{
    const std::lock_guard lock(m_mutex);
    m_blocks.clear();
    m_open = TRxBlock();
    m_bytes = 0;
    m_ended.reset();
}

std::vector<TRxBlock> ComReceiveQueue::takeBlocks()
{
    const std::lock_guard lock(m_mutex);
    std::vector<TRxBlock> taken(std::make_move_iterator(m_blocks.begin()), std::make_move_iterator(m_blocks.end()));
    m_blocks.clear();
    m_bytes = m_open.Data.size();
    return taken;
}

qsizetype ComReceiveQueue::takeBytes(char *buffer, qsizetype max, int *endError)
{
    const std::lock_guard lock(m_mutex);
    qsizetype got = 0;
    const auto takeFrom = [&](QByteArray &data) {
        const qsizetype n = std::min(max - got, data.size());
        std::memcpy(buffer + got, data.constData(), std::size_t(n));
        data.remove(0, n);
        got += n;
    };
    while (got < max && !m_blocks.empty()) {
        takeFrom(m_blocks.front().Data);
        if (m_blocks.front().Data.isEmpty())
            m_blocks.pop_front();
    }
    if (got < max)
        takeFrom(m_open.Data);
    m_bytes -= got;
    if (got == 0 && m_ended)
        *endError = *m_ended;
    return got;
}

void ComReceiveQueue::waitForBytes(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto ready = [this] { return m_bytes > 0 || m_ended.has_value(); };
    if (timeoutMs < 0)
        m_changed.wait(lock, ready);
    else
        m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

qsizetype ComReceiveQueue::byteCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

qsizetype ComReceiveQueue::finishedByteCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytes - m_open.Data.size();
}

void ComReceiveQueue::clear()
{
    const std::lock_guard lock(m_mutex);
    m_blocks.clear();
    m_open = TRxBlock();
    m_bytes = 0;
}

quint64 ComReceiveQueue::droppedBlocks() const
{
    const std::lock_guard lock(m_mutex);
    return m_dropped;
}
