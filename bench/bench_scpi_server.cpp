// The SCPI server on loopback: FETC? round trips a second from one client
// (the server on a thread of its own, the client a plain blocking socket, as
// a lab script's), the parse of one message alone, and the server thread's
// CPU while four clients are connected and silent (nothing runs without
// input: no polling).

#include "remote/meter_access.h"
#include "remote/scpi_parser.h"
#include "remote/scpi_server.h"

#include <QCoreApplication>
#include <QThread>

#include <benchmark/benchmark.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <pthread.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

// The server and a linked meter with one reading, on their own thread.
class ServerThread
{
public:
    ServerThread()
    {
        m_anchor.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_anchor,
            [this] {
                m_meter = std::make_unique<remote::MeterAccess>(remote::MeterAccess::Hooks{
                    [] { return true; }, [] { return protocol::MeterSettings{}; },
                    [](const protocol::MeterSettings &) { return true; }});
                reading::Reading reading;
                reading.reading.seriesResistance = 4700.0;
                reading.reading.parallelResistance = 4700.0;
                m_meter->takeReading(reading);
                m_server = std::make_unique<remote::ScpiServer>(*m_meter, m_identity);
                QString error;
                m_server->listen(QStringLiteral("0"), &error);
                m_port = quint16(m_server->address().section(QLatin1Char(':'), 1).toUInt());
                pthread_getcpuclockid(pthread_self(), &m_cpuClock);
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(
            &m_anchor, [this] { m_server.reset(); m_meter.reset(); }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }
    // CPU seconds the server's thread used so far.
    double cpuSeconds() const
    {
        timespec t{};
        clock_gettime(m_cpuClock, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }

private:
    QThread m_thread;
    QObject m_anchor; // lives on m_thread: what is invoked on it runs there
    remote::ScpiIdentity m_identity;
    std::unique_ptr<remote::MeterAccess> m_meter;
    std::unique_ptr<remote::ScpiServer> m_server;
    quint16 m_port = 0;
    clockid_t m_cpuClock = CLOCK_THREAD_CPUTIME_ID;
};

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

bool askLine(int fd, const char *query, size_t size, char *buffer, size_t capacity)
{
    if (::send(fd, query, size, 0) != ssize_t(size))
        return false;
    size_t got = 0;
    while (got == 0 || buffer[got - 1] != '\n') {
        const ssize_t n = ::recv(fd, buffer + got, capacity - got, 0);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

void BM_FetchRoundTrip(benchmark::State &state)
{
    ServerThread server;
    const int fd = connectTo(server.port());
    char buffer[256];
    static const char kQuery[] = "FETC?\n";
    for (auto _ : state) {
        if (!askLine(fd, kQuery, sizeof kQuery - 1, buffer, sizeof buffer)) {
            state.SkipWithError("the server did not answer");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["round_trips_per_s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    ::close(fd);
}
BENCHMARK(BM_FetchRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_ParseMessage(benchmark::State &state)
{
    const QByteArray line(":SENS:FUNC:IMP CPD;:FREQ 10kHz;VOLT 500mV;*IDN?;FETC?");
    for (auto _ : state)
        benchmark::DoNotOptimize(remote::parseScpiMessage(line));
}
BENCHMARK(BM_ParseMessage);

// Four connected clients that send nothing: the server's thread CPU over
// each second, in percent of one core.
void BM_FourIdleClients(benchmark::State &state)
{
    ServerThread server;
    std::vector<int> clients;
    for (int i = 0; i < 4; ++i)
        clients.push_back(connectTo(server.port()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let the accepts settle
    double cpu = 0.0;
    double wall = 0.0;
    for (auto _ : state) {
        const double before = server.cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += server.cpuSeconds() - before;
    }
    state.counters["server_cpu_pct"] = 100.0 * cpu / wall;
    for (int fd : clients)
        ::close(fd);
}
BENCHMARK(BM_FourIdleClients)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
