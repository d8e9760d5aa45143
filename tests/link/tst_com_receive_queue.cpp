// The event thread's receive queue on its own: blocks, bytes, the bound.

#include "link/com_receive_queue.h"

#include <QtTest>

class TestComReceiveQueue : public QObject
{
    Q_OBJECT

private slots:
    void blocksAndBytesShareTheQueue();
    void oldestBlocksGoPastTheBound();
};

void TestComReceiveQueue::blocksAndBytesShareTheQueue()
{
    ComReceiveQueue queue;
    const auto t0 = ComReceiveQueue::Clock::now();
    queue.append("OK", 2, t0, 1000);
    QVERIFY(queue.finishBlock());
    QVERIFY(!queue.finishBlock());
    queue.append("OK+", 3, t0, 1001);
    queue.append("LOST", 4, t0 + std::chrono::milliseconds(3), 1004);
    QCOMPARE(queue.byteCount(), 9);
    QCOMPARE(queue.finishedByteCount(), 2);

    // The open block is no block yet, but a read takes its bytes.
    std::vector<TRxBlock> blocks = queue.takeBlocks();
    QCOMPARE(blocks.size(), std::size_t(1));
    QCOMPARE(blocks[0].Data, QByteArray("OK"));
    QCOMPARE(blocks[0].ArrivedMs, 1000);
    char buffer[4] = {};
    int endError = 0;
    QCOMPARE(queue.takeBytes(buffer, 4, &endError), 4);
    QCOMPARE(QByteArray(buffer, 4), QByteArray("OK+L"));
    QVERIFY(queue.finishBlock());
    blocks = queue.takeBlocks();
    QCOMPARE(blocks.size(), std::size_t(1));
    QCOMPARE(blocks[0].Data, QByteArray("OST"));
    QCOMPARE(blocks[0].ArrivedMs, 1004);
    QCOMPARE(queue.byteCount(), 0);

    // Once the thread has ended, an empty queue says why.
    queue.setEnded(EIO);
    QCOMPARE(queue.takeBytes(buffer, 4, &endError), 0);
    QCOMPARE(endError, EIO);
    queue.restart();
    endError = 0;
    QCOMPARE(queue.takeBytes(buffer, 4, &endError), 0);
    QCOMPARE(endError, 0);
}

void TestComReceiveQueue::oldestBlocksGoPastTheBound()
{
    ComReceiveQueue queue;
    const auto t0 = ComReceiveQueue::Clock::now();
    const std::size_t extra = 5;
    for (std::size_t i = 0; i < ComReceiveQueue::kMaxBlocks + extra; ++i) {
        const QByteArray text = QByteArray::number(qulonglong(i));
        queue.append(text.constData(), text.size(), t0, qint64(i));
        queue.finishBlock();
    }
    QCOMPARE(queue.droppedBlocks(), quint64(extra));
    const std::vector<TRxBlock> blocks = queue.takeBlocks();
    QCOMPARE(blocks.size(), ComReceiveQueue::kMaxBlocks);
    QCOMPARE(blocks.front().Data, QByteArray::number(qulonglong(extra)));
    QCOMPARE(blocks.back().ArrivedMs, qint64(ComReceiveQueue::kMaxBlocks + extra - 1));
    QCOMPARE(queue.byteCount(), 0);
    // The count outlives a new opening.
    queue.restart();
    QCOMPARE(queue.droppedBlocks(), quint64(extra));

    // A stream without a pause is cut rather than held whole.
    const QByteArray big(ComReceiveQueue::kMaxBlockBytes + 10, 'x');
    QVERIFY(queue.append(big.constData(), big.size(), t0, 0));
    QVERIFY(queue.finishBlock());
    const std::vector<TRxBlock> cut = queue.takeBlocks();
    QCOMPARE(cut.size(), std::size_t(2));
    QCOMPARE(cut[1].Data.size(), 10);
}

QTEST_APPLESS_MAIN(TestComReceiveQueue)
#include "tst_com_receive_queue.moc"
