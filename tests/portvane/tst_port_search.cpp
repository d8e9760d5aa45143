// The finder's search against fake sysfs trees laid out like the kernel's.

#include "port_search.h"
#include "pty_pair.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDongle = "TI CC2540 USB CDC";

struct FakeDevice {
    enum Layout { Acm, UsbSerial };
    std::string tty;
    Layout layout = Acm;
    std::optional<std::string> product;
    std::string vendor = "1234";
    std::string productId = "5678";
};
using FakeDevices = std::vector<FakeDevice>;

FakeDevice dongle(std::string tty)
{
    return {std::move(tty), FakeDevice::Acm, std::string(kDongle), "0451", "16aa"};
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

// Builds /sys/class/tty and /sys/devices the way the kernel links them: the class entry
// is a symlink into devices/, and the tty's `device` a symlink to its USB interface (ACM)
// or to its usb-serial port below the interface (ttyUSB).
class FakeSysfs
{
public:
    explicit FakeSysfs(fs::path sysRoot) : root(std::move(sysRoot))
    {
        fs::create_directories(root / "class" / "tty");
    }

    const fs::path& sys() const { return root; }

    // Returns the USB device directory (the one holding idVendor).
    fs::path add(const FakeDevice& device)
    {
        const std::string busPort = "1-" + std::to_string(++usbPorts);
        const std::string interface = busPort + ":1.0";
        const fs::path usb = root / "devices" / "pci0000:00" / "0000:00:14.0" / "usb1" / busPort;
        fs::create_directories(usb / interface);
        writeFile(usb / "idVendor", device.vendor + "\n");
        writeFile(usb / "idProduct", device.productId + "\n");
        if (device.product)
            writeFile(usb / "product", *device.product + "\n");
        writeFile(usb / interface / "bInterfaceClass", "02\n");

        const bool acm = device.layout == FakeDevice::Acm;
        const fs::path ttyDir = acm ? usb / interface / "tty" / device.tty
                                    : usb / interface / device.tty / "tty" / device.tty;
        fs::create_directories(ttyDir);
        writeFile(ttyDir / "dev", "166:0\n");
        fs::create_directory_symlink(fs::path("../../..") / (acm ? interface : device.tty),
                                     ttyDir / "device");
        linkClassEntry(device.tty, ttyDir);
        return usb;
    }

    // A class entry whose `device` points wherever the test wants.
    fs::path addRawTty(const std::string& tty, const fs::path& deviceTarget)
    {
        const fs::path ttyDir = root / "devices" / "virtual" / "tty" / tty;
        fs::create_directories(ttyDir);
        fs::create_directory_symlink(deviceTarget, ttyDir / "device");
        linkClassEntry(tty, ttyDir);
        return ttyDir;
    }

private:
    void linkClassEntry(const std::string& tty, const fs::path& ttyDir)
    {
        fs::create_directory_symlink(fs::path("../..") / fs::relative(ttyDir, root),
                                     root / "class" / "tty" / tty);
    }

    fs::path root;
    int usbPorts = 0;
};

portvane::EnvironmentLookup noOverride()
{
    return [](const char*) { return std::optional<std::string>(); };
}

QString found(const std::optional<std::string>& port)
{
    return port ? QString::fromStdString(*port) : QString();
}

} // namespace

Q_DECLARE_METATYPE(FakeDevices)

class PortSearchTest : public QObject
{
    Q_OBJECT

private slots:
    void normalizedText_data();
    void normalizedText();
    void productMatching_data();
    void productMatching();
    void findsPortInTree_data();
    void findsPortInTree();
    void missingTree();
    void skipsEntriesOutsideOrUnreadable();
    void overrideVariable_data();
    void overrideVariable();
};

void PortSearchTest::normalizedText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("normalized");

    QTest::newRow("trim and collapse") << QByteArray("  TI \t CC2540\r\nUSB   CDC \n")
                                       << QByteArray("ti cc2540 usb cdc");
    QTest::newRow("underscores") << QByteArray("__TI_CC2540__USB_CDC_") << QByteArray("ti cc2540 usb cdc");
    QTest::newRow("only blanks") << QByteArray(" _\t\n") << QByteArray();
    QTest::newRow("8-bit kept") << QByteArray("Port \xc4\xe0") << QByteArray("port \xc4\xe0");
}

void PortSearchTest::normalizedText()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, normalized);
    QCOMPARE(QByteArray::fromStdString(portvane::normalizeDescription(text.toStdString())), normalized);
}

void PortSearchTest::productMatching_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<bool>("matches");

    QTest::newRow("equal") << kDongle << kDongle << true;
    QTest::newRow("case ignored") << "ti cc2540 usb cdc" << kDongle << true;
    QTest::newRow("line feed and blanks") << "  TI  CC2540 USB\tCDC\n" << kDongle << true;
    QTest::newRow("underscores in product") << "TI_CC2540_USB_CDC" << kDongle << true;
    QTest::newRow("underscores in wanted") << kDongle << "ti_cc2540_usb_cdc" << true;
    QTest::newRow("serial port suffix") << "TI CC2540 USB CDC Serial Port" << kDongle << true;
    QTest::newRow("dash suffix") << "TI CC2540 USB CDC - 1234" << kDongle << true;
    QTest::newRow("suffix after underscore") << "TI_CC2540_USB_CDC_Serial" << kDongle << true;
    QTest::newRow("longer last word") << "TI CC2540 USB CDC2" << kDongle << false;
    QTest::newRow("shorter product") << "TI CC2540 USB" << kDongle << false;
    QTest::newRow("words before") << "New TI CC2540 USB CDC" << kDongle << false;
    QTest::newRow("empty product") << "" << kDongle << false;
    QTest::newRow("empty wanted") << kDongle << "" << false;
    QTest::newRow("blank wanted vs blank product") << " " << "_" << false;
}

void PortSearchTest::productMatching()
{
    QFETCH(QString, product);
    QFETCH(QString, wanted);
    QFETCH(bool, matches);
    QCOMPARE(portvane::productMatches(product.toStdString(), wanted.toStdString()), matches);
}

void PortSearchTest::findsPortInTree_data()
{
    QTest::addColumn<FakeDevices>("devices");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("expected");

    const FakeDevice arduino{"ttyACM0", FakeDevice::Acm, "Arduino Uno", "2341", "0043"};
    const FakeDevice noProduct{"ttyACM1", FakeDevice::Acm, std::nullopt, "1a86", "7523"};
    FakeDevice dongleByIds = dongle("ttyACM0");
    dongleByIds.product.reset();
    FakeDevice dongleOtherName = dongle("ttyACM0");
    dongleOtherName.product = "CC2540 Dongle";
    dongleOtherName.productId = "16AA";
    const FakeDevice usbSerial{"ttyUSB3", FakeDevice::UsbSerial, "TI CC2540 USB CDC Serial Port", "10c4", "ea60"};
    const FakeDevice longerName{"ttyACM0", FakeDevice::Acm, "TI CC2540 USB CDC2", "1234", "5678"};
    FakeDevice notSerial = dongle("ttyS0");

    QTest::newRow("ACM dongle") << FakeDevices{dongle("ttyACM0")} << kDongle << "/dev/ttyACM0";
    QTest::newRow("other device only") << FakeDevices{arduino} << kDongle << "";
    QTest::newRow("no product, other ids") << FakeDevices{noProduct} << kDongle << "";
    QTest::newRow("no product, dongle ids") << FakeDevices{dongleByIds} << kDongle << "/dev/ttyACM0";
    QTest::newRow("dongle ids, other product text") << FakeDevices{dongleOtherName} << kDongle << "/dev/ttyACM0";
    QTest::newRow("dongle ids, other description asked")
        << FakeDevices{dongleByIds} << "FT232R USB UART" << "";
    QTest::newRow("usb-serial with suffix") << FakeDevices{usbSerial} << kDongle << "/dev/ttyUSB3";
    QTest::newRow("longer last word") << FakeDevices{longerName} << kDongle << "";
    QTest::newRow("non-matching ones skipped")
        << FakeDevices{arduino, noProduct, dongle("ttyACM2")} << kDongle << "/dev/ttyACM2";
    QTest::newRow("other description found")
        << FakeDevices{arduino, dongle("ttyACM1")} << "arduino_uno" << "/dev/ttyACM0";
    QTest::newRow("numeric order") << FakeDevices{dongle("ttyACM10"), dongle("ttyACM2")} << kDongle
                                   << "/dev/ttyACM2";
    QTest::newRow("not a USB serial name") << FakeDevices{notSerial} << kDongle << "";
    QTest::newRow("empty description") << FakeDevices{dongle("ttyACM0")} << "  " << "";
}

void PortSearchTest::findsPortInTree()
{
    QFETCH(FakeDevices, devices);
    QFETCH(QString, description);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FakeSysfs sysfs(dir.filePath("sys").toStdString());
    for (const FakeDevice& device : devices)
        sysfs.add(device);

    const auto port = portvane::findPort(description.toStdString(), {sysfs.sys(), "/dev"}, noOverride());
    QCOMPARE(found(port), expected);
}

void PortSearchTest::missingTree()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path base = dir.path().toStdString();
    QVERIFY(!portvane::findPort(kDongle, {base / "absent", "/dev"}, noOverride()));
    fs::create_directories(base / "sys" / "devices");
    QVERIFY(!portvane::findPort(kDongle, {base / "sys", "/dev"}, noOverride()));
}

void PortSearchTest::skipsEntriesOutsideOrUnreadable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path base = dir.path().toStdString();
    FakeSysfs sysfs(base / "sys");

    // A matching USB device outside the sysfs root must not be reached through a link.
    const fs::path outside = base / "elsewhere" / "1-9";
    fs::create_directories(outside / "1-9:1.0");
    writeFile(outside / "idVendor", "0451\n");
    writeFile(outside / "idProduct", "16aa\n");
    writeFile(outside / "product", std::string(kDongle) + "\n");
    sysfs.addRawTty("ttyACM0", outside / "1-9:1.0");

    // A `device` link that loops.
    const fs::path loop = sysfs.addRawTty("ttyACM1", "device");

    // A product attribute that is a FIFO: reading it must not block.
    FakeDevice fifoDevice{"ttyACM2", FakeDevice::Acm, std::nullopt, "1234", "5678"};
    const fs::path fifoUsb = sysfs.add(fifoDevice);
    QCOMPARE(::mkfifo((fifoUsb / "product").c_str(), 0600), 0);

    QVERIFY(!portvane::findPort(kDongle, {sysfs.sys(), "/dev"}, noOverride()));

    sysfs.add(dongle("ttyACM3"));
    QCOMPARE(found(portvane::findPort(kDongle, {sysfs.sys(), "/dev"}, noOverride())),
             QStringLiteral("/dev/ttyACM3"));
}

void PortSearchTest::overrideVariable_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("dongleInTree");
    QTest::addColumn<QString>("expected");

    // Paths made by the test are written as {placeholders}.
    QTest::newRow("pty slave") << "{pty}" << false << "{pty}";
    QTest::newRow("pty wins over dongle") << "{pty}" << true << "{pty}";
    QTest::newRow("symlink to pty") << "{link}" << false << "{link}";
    QTest::newRow("name under dev") << "ttySIM" << false << "{dev}/ttySIM";
    QTest::newRow("missing path") << "{missing}" << false << "";
    QTest::newRow("missing path, dongle present") << "{missing}" << true << "";
    QTest::newRow("missing name under dev") << "ttyNONE" << false << "";
    QTest::newRow("regular file") << "{file}" << false << "";
    QTest::newRow("regular file, dongle present") << "{file}" << true << "";
    QTest::newRow("directory") << "{dir}" << false << "";
    QTest::newRow("empty value") << "" << false << "";
    QTest::newRow("empty value, dongle present") << "" << true << "{dev}/ttyACM0";
}

void PortSearchTest::overrideVariable()
{
    QFETCH(QString, value);
    QFETCH(bool, dongleInTree);
    QFETCH(QString, expected);

    PtyPair pty;
    QVERIFY(pty.isOpen());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const fs::path base = dir.path().toStdString();
    FakeSysfs sysfs(base / "sys");
    if (dongleInTree)
        sysfs.add(dongle("ttyACM0"));
    const fs::path dev = base / "dev";
    fs::create_directories(dev);
    fs::create_symlink(pty.slavePath().toStdString(), dev / "ttySIM");
    fs::create_symlink(pty.slavePath().toStdString(), base / "sim-link");
    writeFile(base / "plain", "not a device\n");

    const auto resolve = [&](QString text) {
        text.replace("{pty}", pty.slavePath());
        text.replace("{link}", QString::fromStdString((base / "sim-link").string()));
        text.replace("{dev}", QString::fromStdString(dev.string()));
        text.replace("{file}", QString::fromStdString((base / "plain").string()));
        text.replace("{dir}", QString::fromStdString(base.string()));
        text.replace("{missing}", QString::fromStdString((base / "gone").string()));
        return text;
    };
    const std::string variable = resolve(value).toStdString();
    QStringList asked;
    const portvane::EnvironmentLookup environment = [&](const char* name) {
        asked << QString::fromLatin1(name);
        return std::optional<std::string>(variable);
    };

    const auto port = portvane::findPort(kDongle, {sysfs.sys(), dev}, environment);
    QCOMPARE(asked, QStringList{"PORTVANE_PORT"});
    QCOMPARE(found(port), resolve(expected));
}

QTEST_GUILESS_MAIN(PortSearchTest)
#include "tst_port_search.moc"
