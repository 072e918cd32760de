// The start-up search over ports 1 to 16, through an injected port map, and the close.
#include "main_window.h"
#include "pseudo_terminal.h"
#include "unit_link.h"

#include <QTest>

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <thread>

using configurator::frmMain;

namespace {

// Comm numbers that lead to pseudo-terminals open; every other number leads nowhere. The map
// records each number that an open attempt asks it for.
struct PortBench {
    std::map<std::int16_t, std::unique_ptr<PseudoTerminal>> lines;
    QList<int> attempts;

    explicit PortBench(const QList<int>& openable) {
        for (const int number : openable)
            lines[static_cast<std::int16_t>(number)] = std::make_unique<PseudoTerminal>();
    }

    platform::PortMap map() {
        return [this](std::int16_t number) -> std::optional<QString> {
            attempts << number;
            const auto line = lines.find(number);
            if (line == lines.end())
                return QStringLiteral("/nonexistent/comm%1").arg(number);
            return line->second->devicePath();
        };
    }
};

QList<int> range(int first, int last) {
    QList<int> numbers;
    for (int number = first; number <= last; ++number)
        numbers << number;
    return numbers;
}

} // namespace

class PortSearchTest : public QObject {
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void noPortOpens();
    void hostDevicesTakeNumbersInAFixedOrder_data();
    void hostDevicesTakeNumbersInAFixedOrder();
    void backgroundListingIsWaitedForAtTheFirstLookup();
    void closeClosesTheOpenPortOnce();
};

void PortSearchTest::search_data() {
    QTest::addColumn<QList<int>>("openable");
    QTest::addColumn<QList<int>>("held");
    QTest::addColumn<QList<int>>("attempts");
    QTest::addColumn<int>("opened");

    QTest::newRow("ports 1 to 4 fail, 5 opens")
        << QList<int>{5, 9} << QList<int>{} << range(1, 5) << 5;
    QTest::newRow("2 and 7 open, 2 is used")
        << QList<int>{2, 7} << QList<int>{} << range(1, 2) << 2;
    QTest::newRow("a port held by another opener")
        << QList<int>{1, 3} << QList<int>{1} << range(1, 3) << 3;
    QTest::newRow("port 12") << QList<int>{12} << QList<int>{} << range(1, 12) << 12;
    QTest::newRow("port 16, the last tried")
        << QList<int>{16} << QList<int>{} << range(1, 16) << 16;
    QTest::newRow("only a port above 16") << QList<int>{17} << QList<int>{} << range(1, 16) << 0;
}

void PortSearchTest::search() {
    QFETCH(QList<int>, openable);
    QFETCH(QList<int>, held);
    QFETCH(QList<int>, attempts);
    QFETCH(int, opened);

    PortBench bench(openable);
    std::vector<std::unique_ptr<platform::SerialControl>> holders;
    for (const int number : held) {
        holders.push_back(std::make_unique<platform::SerialControl>(
            platform::portMapFromList({bench.lines.at(std::int16_t(number))->devicePath()})));
        holders.back()->setPortOpen(true);
    }

    frmMain window(bench.map());
    window.load();

    QCOMPARE(bench.attempts, attempts);
    QCOMPARE(window.commPortOpened(), opened != 0);
    QCOMPARE(window.com232.portOpen(), opened != 0);
    if (opened != 0) {
        QCOMPARE(window.commPortNumber(), opened);
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Varnak Arbitrator Configuration V1.1 - Connected via comm %1")
                     .arg(opened));
    } else {
        QCOMPARE(window.commPortNumber(), 17);
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Varnak Arbitrator Configuration V1.1 - No Comm Ports Available"));
    }
    // Either way the window starts not detected, every chooser on "New Value".
    QCOMPARE(window.txtStatus->text(), QStringLiteral("Warning ! Unit not detected"));
    for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
        QCOMPARE(window.cmbNew.Item(slot)->currentIndex(), 0);
}

void PortSearchTest::noPortOpens() {
    PortBench bench({});
    frmMain window(bench.map());
    window.load();

    QCOMPARE(bench.attempts, range(1, 16));
    QVERIFY(!window.commPortOpened());
    QCOMPARE(window.commPortNumber(), 17);
    QVERIFY(!window.cmdProgram->isEnabled());
    QCOMPARE(window.cmbNew.Item(0)->currentText(), QStringLiteral("New Value"));

    // Closing leaves the port alone: nothing to close, nothing tried again, nothing fails.
    window.show();
    QVERIFY(window.close());
    QCOMPARE(bench.attempts, range(1, 16));
    QVERIFY(!window.com232.portOpen());
}

void PortSearchTest::closeClosesTheOpenPortOnce() {
    PortBench bench({3});
    frmMain window(bench.map());
    window.load();
    window.show();
    QVERIFY(window.com232.portOpen());

    QVERIFY(window.close());
    QVERIFY(!window.com232.portOpen());
    // The device is free again for another opener.
    platform::SerialControl next(platform::portMapFromList({bench.lines.at(3)->devicePath()}));
    next.setPortOpen(true);
    QVERIFY(next.portOpen());

    // A second request to close finds the window unloaded and does not touch the port again.
    window.show();
    QVERIFY(window.close());
    QVERIFY(next.portOpen());
}

void PortSearchTest::hostDevicesTakeNumbersInAFixedOrder_data() {
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QStringList>("ordered");

    QTest::newRow("built-in ports by number, not by name")
        << QStringList{"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyS0", "/dev/ttyS1"}
        << QStringList{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS10"};
    QTest::newRow("ttyS, then ttyUSB, then ttyACM, then others")
        << QStringList{"/dev/ttyACM0", "/dev/rfcomm0", "/dev/ttyUSB1",
                       "/dev/ttyS4",   "/dev/ttyUSB0", "/dev/ttyAMA0"}
        << QStringList{"/dev/ttyS4",   "/dev/ttyUSB0", "/dev/ttyUSB1",
                       "/dev/ttyACM0", "/dev/rfcomm0", "/dev/ttyAMA0"};
    QTest::newRow("a device reported twice")
        << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB0"} << QStringList{"/dev/ttyUSB0"};
    QTest::newRow("none") << QStringList{} << QStringList{};
}

void PortSearchTest::hostDevicesTakeNumbersInAFixedOrder() {
    QFETCH(QStringList, reported);
    QFETCH(QStringList, ordered);
    QCOMPARE(platform::orderHostDevices(reported), ordered);

    // Comm N is the N-th of them; 0 and numbers past the end lead nowhere.
    const platform::PortMap map = platform::portMapFromList(ordered);
    for (qsizetype n = 0; n < ordered.size(); ++n)
        QCOMPARE(map(std::int16_t(n + 1)), std::optional<QString>(ordered[n]));
    QCOMPARE(map(0), std::nullopt);
    QCOMPARE(map(std::int16_t(ordered.size() + 1)), std::nullopt);
}

void PortSearchTest::backgroundListingIsWaitedForAtTheFirstLookup() {
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> listed = false;
    std::thread::id lister;
    const platform::PortMap map = platform::portMapListedInBackground([&] {
        lister = std::this_thread::get_id();
        released.wait();
        listed = true;
        return QStringList{"/dev/ttyUSB0", "/dev/ttyS1", "/dev/rfcomm0", "/dev/ttyS0"};
    });
    // The caller goes on while the listing is held up.
    QVERIFY(!listed);
    release.set_value();

    // Each lookup sees the whole list, ordered as the host's devices always are.
    QCOMPARE(map(1), std::optional<QString>("/dev/ttyS0"));
    QVERIFY(listed);
    QVERIFY(lister != std::this_thread::get_id());
    QCOMPARE(map(2), std::optional<QString>("/dev/ttyS1"));
    QCOMPARE(map(3), std::optional<QString>("/dev/ttyUSB0"));
    QCOMPARE(map(4), std::optional<QString>("/dev/rfcomm0"));
    QCOMPARE(map(0), std::nullopt);
    QCOMPARE(map(5), std::nullopt);
}

QTEST_MAIN(PortSearchTest)
#include "tst_port_search.moc"
