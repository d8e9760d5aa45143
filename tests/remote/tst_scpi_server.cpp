#include "remote/scpi_server.h"
#include "remote/scpi_session.h"

#include "fake_meter.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

using namespace remote;

namespace {

// A client on its own socket; answers are read as the event loop turns.
struct Client
{
    QTcpSocket socket;

    bool connectTo(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(10000);
    }
    void send(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    // The next answer line, without its LF; empty after 10 s without one.
    // The server runs on this thread: the loop turns while waiting.
    QByteArray line()
    {
        QDeadlineTimer deadline(10000);
        while (!socket.canReadLine() && !deadline.hasExpired())
            QTest::qWait(1);
        return socket.readLine().trimmed();
    }
    QByteArray ask(const QByteArray &query)
    {
        send(query + '\n');
        return line();
    }
};

} // namespace

class TestScpiServer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void addresses_data();
    void addresses();
    void answersOverTheSocket();
    void fifthClientRefused();
    void longLineDroppedWithTooMuchData();
    void binaryInputGivesSyntaxError();
    void unterminatedQueryReported();
    void clientThatDoesNotReadIsClosed();
    void settingsFromTwoClientsInArrivalOrder();

private:
    std::unique_ptr<FakeMeter> m_meter;
    std::unique_ptr<ScpiServer> m_server;
    ScpiIdentity m_identity;
    quint16 m_port = 0;
};

void TestScpiServer::init()
{
    m_meter = std::make_unique<FakeMeter>();
    m_server = std::make_unique<ScpiServer>(m_meter->access, m_identity);
    QString error;
    QVERIFY2(m_server->listen(QStringLiteral("0"), &error), qPrintable(error));
    QVERIFY(m_server->address().startsWith(QLatin1String("127.0.0.1:")));
    m_port = quint16(m_server->address().section(QLatin1Char(':'), 1).toUInt());
}

void TestScpiServer::cleanup()
{
    m_server.reset();
    m_meter.reset();
}

void TestScpiServer::addresses_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("port only: loopback") << "5025" << "127.0.0.1" << 5025;
    QTest::newRow("any host") << "0.0.0.0:6000" << "0.0.0.0" << 6000;
    QTest::newRow("IPv6") << "[::1]:5025" << "::1" << 5025;
    QTest::newRow("localhost") << "localhost:7" << "127.0.0.1" << 7;
    QTest::newRow("port too large") << "65536" << "" << 0;
    QTest::newRow("no port") << "127.0.0.1:" << "" << 0;
    QTest::newRow("host name") << "example.org:5025" << "" << 0;
}

void TestScpiServer::addresses()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QHostAddress address;
    quint16 number = 0;
    QString error;
    QCOMPARE(ScpiServer::parseAddress(text, &address, &number, &error), !host.isEmpty());
    if (host.isEmpty()) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(address, QHostAddress(host));
    QCOMPARE(int(number), port);
}

void TestScpiServer::answersOverTheSocket()
{
    QSignalSpy arrived(m_server.get(), &ScpiServer::clientArrived);
    QSignalSpy left(m_server.get(), &ScpiServer::clientLeft);
    {
        Client c;
        QVERIFY(c.connectTo(m_port));
        QCOMPARE(c.ask("*IDN?"), QByteArray("Vorlant,LCR meter,0,") + scpiProgramVersion().toUtf8());
        // CR LF ends a line as well, and one TCP write may hold several.
        c.send("FREQ 1k\r\nFREQ?\r\nBOGUS\nSYST:ERR?\n");
        QCOMPARE(c.line(), QByteArray("+1.00000E+03"));
        QCOMPARE(c.line(), QByteArray("-113,\"Undefined header;BOGUS\""));
        QCOMPARE(arrived.size(), 1);
    }
    QTRY_COMPARE(left.size(), 1);
    QCOMPARE(left.first().first(), arrived.first().first());
    QCOMPARE(m_server->clientCount(), 0);
}

void TestScpiServer::fifthClientRefused()
{
    QSignalSpy refused(m_server.get(), &ScpiServer::clientRefused);
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(std::make_unique<Client>());
        QVERIFY(clients.back()->connectTo(m_port));
        QCOMPARE(clients.back()->ask("*OPC?"), QByteArray("1"));
    }
    Client fifth;
    QVERIFY(fifth.connectTo(m_port));
    QCOMPARE(fifth.line(), QByteArray("-200,\"Execution error;Too many clients (at most 4)\""));
    QTRY_COMPARE(fifth.socket.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(refused.size(), 1);
    // The four go on, and a place that comes free is taken again.
    QCOMPARE(clients.front()->ask("*OPC?"), QByteArray("1"));
    clients.pop_back();
    QTRY_COMPARE(m_server->clientCount(), 3);
    Client again;
    QVERIFY(again.connectTo(m_port));
    QCOMPARE(again.ask("*OPC?"), QByteArray("1"));
}

void TestScpiServer::longLineDroppedWithTooMuchData()
{
    Client c;
    QVERIFY(c.connectTo(m_port));
    // Exactly the limit is still a line; one byte more is not, nor is a line that never ends in time.
    const QByteArray fits = "*OPC?" + QByteArray(ScpiServer::kMaxLineBytes - 5, ' ');
    QCOMPARE(c.ask(fits), QByteArray("1"));
    c.send("FREQ 1k;*OPC?" + QByteArray(ScpiServer::kMaxLineBytes, ' ') + "\n");
    c.send(QByteArray(3 * ScpiServer::kMaxLineBytes, 'x') + "*OPC?\n");
    QCOMPARE(c.ask("SYST:ERR?;SYST:ERR?;SYST:ERR?"), QByteArray("-223,\"Too much data\";-223,\"Too much data\";0,\"No error\""));
    QVERIFY(m_meter->sent.isEmpty());
}

void TestScpiServer::binaryInputGivesSyntaxError()
{
    Client c;
    QVERIFY(c.connectTo(m_port));
    QByteArray garbage; // valid UTF-8, but control characters
    for (int i = 0; i < 128; ++i)
        garbage += char(i ^ 0x5A);
    garbage.replace('\n', "");
    c.send(garbage + "\n\xc3\x28\n");
    QCOMPARE(c.ask("SYST:ERR?;SYST:ERR?;SYST:ERR?"), QByteArray("-102,\"Syntax error;control character\";"
                                                                 "-102,\"Syntax error;not UTF-8\";0,\"No error\""));
    QCOMPARE(c.ask("*OPC?"), QByteArray("1"));
}

void TestScpiServer::unterminatedQueryReported()
{
    Client c;
    QVERIFY(c.connectTo(m_port));
    QCOMPARE(c.ask("SYST:TIM 0.1;*OPC?"), QByteArray("1"));
    auto *session = m_server->findChild<ScpiSession *>();
    QVERIFY(session);
    QSignalSpy queued(session, &ScpiSession::errorQueued);
    c.send("*IDN?"); // no line end: the client would wait for ever
    QVERIFY(queued.wait(10000));
    QCOMPARE(queued.first().first().toInt(), -420);
    QCOMPARE(c.ask("SYST:ERR?;*OPC?"), QByteArray("-420,\"Query UNTERMINATED\";1"));
}

void TestScpiServer::clientThatDoesNotReadIsClosed()
{
    QSignalSpy left(m_server.get(), &ScpiServer::clientLeft);
    Client reader;
    QVERIFY(reader.connectTo(m_port));

    // A plain socket that writes queries and never reads a byte.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::fcntl(fd, F_SETFL, O_NONBLOCK);
    QTRY_COMPARE(m_server->clientCount(), 2);

    const QByteArray queries = QByteArray("*IDN?;*IDN?;*IDN?;*IDN?\n").repeated(64);
    qint64 written = 0;
    QDeadlineTimer deadline(60000);
    while (left.isEmpty() && !deadline.hasExpired()) {
        const ssize_t n = ::send(fd, queries.constData(), size_t(queries.size()), MSG_NOSIGNAL);
        if (n > 0)
            written += n;
        else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break; // closed by the server
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QTRY_COMPARE(left.size(), 1);
    ::close(fd);
    // The other client was served all along.
    QCOMPARE(reader.ask("*OPC?"), QByteArray("1"));
    QVERIFY2(written < 64 * 1024 * 1024, qPrintable(QString::number(written)));
}

void TestScpiServer::settingsFromTwoClientsInArrivalOrder()
{
    Client a;
    Client b;
    QVERIFY(a.connectTo(m_port));
    QVERIFY(b.connectTo(m_port));
    // Each builds on the other's change: the last command carries both.
    QCOMPARE(a.ask("FREQ 1k;*OPC?"), QByteArray("1"));
    QCOMPARE(b.ask("VOLT 0.1;*OPC?"), QByteArray("1"));
    QCOMPARE(a.ask("FUNC:IMP CSD;*OPC?"), QByteArray("1"));
    QCOMPARE(m_meter->sent, (QByteArrayList{"01 03 80 21 0A", "01 03 80 23 0A", "01 83 B2 23 0A"}));
    QCOMPARE(b.ask("FREQ?;VOLT?;FUNC:IMP?"), QByteArray("+1.00000E+03;+1.00000E-01;CSD"));
}

QTEST_GUILESS_MAIN(TestScpiServer)
#include "tst_scpi_server.moc"
