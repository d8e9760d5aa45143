// The loader with the real libportvane.so, and with libraries it must refuse.

#include "link/port_finder.h"
#include "pty_pair.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>
#include <unistd.h>

namespace {

constexpr const char* kVariable = "PORTVANE_PORT";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Puts text on standard input for the lifetime of the object, so that a loader that
// wrongly reached the C library's line reader would overrun the record instead of
// reading nothing.
class StdinFeed
{
public:
    explicit StdinFeed(const QByteArray& text)
    {
        saved = ::dup(STDIN_FILENO);
        int fds[2];
        if (saved < 0 || ::pipe(fds) != 0)
            return;
        ok = ::write(fds[1], text.constData(), size_t(text.size())) == text.size();
        ::close(fds[1]);
        ok = ok && ::dup2(fds[0], STDIN_FILENO) == STDIN_FILENO;
        ::close(fds[0]);
    }
    ~StdinFeed()
    {
        if (saved >= 0) {
            ::dup2(saved, STDIN_FILENO);
            ::close(saved);
        }
    }
    StdinFeed(const StdinFeed&) = delete;
    StdinFeed& operator=(const StdinFeed&) = delete;

    bool isReady() const { return ok; }

private:
    int saved = -1;
    bool ok = false;
};

} // namespace

class PortFinderTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reportsOverrideDevice();
    void overrideNamingNoDeviceFindsNothing_data();
    void overrideNamingNoDeviceFindsNothing();
    void unsetOverrideForgetsItsDevice();
    void unusableLibrary_data();
    void unusableLibrary();
    void entryPointToleratesBadRecords();

private:
    bool variableWasSet = false;
    QByteArray savedVariable;
};

void PortFinderTest::init()
{
    variableWasSet = qEnvironmentVariableIsSet(kVariable);
    savedVariable = qgetenv(kVariable);
}

void PortFinderTest::cleanup()
{
    if (variableWasSet)
        qputenv(kVariable, savedVariable);
    else
        qunsetenv(kVariable);
}

void PortFinderTest::reportsOverrideDevice()
{
    PtyPair pty;
    QVERIFY(pty.isOpen());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("sim-port");
    QVERIFY(QFile::link(pty.slavePath(), link));

    PortFinder finder;
    QVERIFY(finder.isLoaded());
    QCOMPARE(finder.found(), 0);

    qputenv(kVariable, QFile::encodeName(pty.slavePath()));
    QVERIFY(finder.search());
    QCOMPARE(finder.found(), 1);
    QCOMPARE(finder.portName(), pty.slavePath());

    qputenv(kVariable, QFile::encodeName(link));
    QVERIFY(finder.search());
    QCOMPARE(finder.portName(), link);
}

void PortFinderTest::overrideNamingNoDeviceFindsNothing_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("missing path") << "{dir}/gone";
    QTest::newRow("regular file") << "{dir}/plain";
    QTest::newRow("directory") << "{dir}";
}

// A set variable means that device or none: a rig that unplugs its
// simulated dongle must never find a real one instead.
void PortFinderTest::overrideNamingNoDeviceFindsNothing()
{
    QFETCH(QString, value);

    PtyPair pty;
    QVERIFY(pty.isOpen());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("plain"), "plain text\n"));

    PortFinder finder;
    qputenv(kVariable, QFile::encodeName(pty.slavePath()));
    QVERIFY(finder.search());
    QCOMPARE(finder.portName(), pty.slavePath());

    qputenv(kVariable, QFile::encodeName(value.replace("{dir}", dir.path())));
    QVERIFY(!finder.search());
    QCOMPARE(finder.found(), 0);
}

// Unset, the library searches the machine's USB devices, which are not ours
// to know; a pseudo-terminal is never one of them, so the device reported a
// moment ago must not come back.
void PortFinderTest::unsetOverrideForgetsItsDevice()
{
    PtyPair pty;
    QVERIFY(pty.isOpen());
    PortFinder finder;
    qputenv(kVariable, QFile::encodeName(pty.slavePath()));
    QVERIFY(finder.search());

    qunsetenv(kVariable);
    const bool found = finder.search();
    QCOMPARE(finder.found(), found ? 1 : 0);
    if (found)
        QVERIFY2(!finder.portName().startsWith(QLatin1String("/dev/pts/")), qPrintable(finder.portName()));
}

void PortFinderTest::unusableLibrary_data()
{
    QTest::addColumn<QString>("library");

    QTest::newRow("missing") << "libportvane_absent.so";
    QTest::newRow("no entry point") << "libportvane_noentry.so";
    QTest::newRow("not a library") << "{dir}/libportvane.so";
}

void PortFinderTest::unusableLibrary()
{
    QFETCH(QString, library);

    PtyPair pty;
    QVERIFY(pty.isOpen());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("libportvane.so"), "not an ELF file\n"));
    // A working finder would report this device.
    qputenv(kVariable, QFile::encodeName(pty.slavePath()));
    StdinFeed feed(QByteArray(300, 'A') + '\n');
    QVERIFY(feed.isReady());

    PortFinder finder(library.replace("{dir}", dir.path()));
    QVERIFY(!finder.isLoaded());
    QVERIFY(!finder.search());
    QVERIFY(!finder.search());
    QCOMPARE(finder.found(), 0);
}

void PortFinderTest::entryPointToleratesBadRecords()
{
    const QByteArray path = QFile::encodeName(QCoreApplication::applicationDirPath() + QLatin1Char('/')
                                              + QLatin1String(PortFinder::kDefaultLibrary));
    void* library = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(library != nullptr, dlerror());
    const auto entry = reinterpret_cast<PortQueryFunction>(dlsym(library, "gets"));
    QVERIFY(entry != nullptr);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv(kVariable, QFile::encodeName(dir.filePath("gone")));

    entry(nullptr);
    PortQuery query{nullptr, nullptr, 7, nullptr};
    entry(&query);
    QCOMPARE(query.found, 0);
    QVERIFY(query.portName != nullptr);
    QCOMPARE(query.portName[0], '\0');

    dlclose(library);
}

QTEST_GUILESS_MAIN(PortFinderTest)
#include "tst_port_finder.moc"
