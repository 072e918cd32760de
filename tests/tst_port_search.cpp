// The start-up search over ports 1 to 16, through an injected port map, the order of the start
// (search, then show) and the close.
#include "expected_display.h"
#include "main_window.h"
#include "pseudo_terminal.h"
#include "unit_link.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <future>
#include <iterator>
#include <linux/capability.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

using configurator::frmMain;

namespace {

// What a comm number leads to.
enum class Device {
    Missing,           // a path where nothing is
    Terminal,          // a pseudo-terminal that opens
    HeldTerminal,      // a pseudo-terminal that another serial control holds open
    PlainFile,         // a file that is no terminal
    Directory,         // a directory
    Fifo,              // a named pipe
    ForbiddenTerminal, // a pseudo-terminal that no one may read or write
};

// Comm numbers that lead to devices of each kind; every other number leads nowhere. The map
// records each number that an open attempt asks it for.
struct PortBench {
    QTemporaryDir files;
    std::map<int, std::unique_ptr<PseudoTerminal>> lines;
    std::map<int, QString> paths;
    std::vector<std::unique_ptr<platform::SerialControl>> holders;
    QList<int> attempts;

    // devices[0] is what comm 1 leads to, and so on.
    explicit PortBench(const QList<Device>& devices) {
        for (qsizetype index = 0; index < devices.size(); ++index)
            place(static_cast<int>(index) + 1, devices[index]);
    }

    void place(int number, Device device) {
        if (device == Device::Missing)
            return;
        if (device == Device::Terminal || device == Device::HeldTerminal ||
            device == Device::ForbiddenTerminal) {
            lines[number] = std::make_unique<PseudoTerminal>();
            paths[number] = lines[number]->devicePath();
        } else {
            paths[number] = files.filePath(QStringLiteral("comm%1").arg(number));
        }
        const QByteArray path = QFile::encodeName(paths[number]);
        switch (device) {
        case Device::HeldTerminal:
            holders.push_back(std::make_unique<platform::SerialControl>(
                platform::portMapFromList({paths[number]})));
            holders.back()->setPortOpen(true);
            break;
        case Device::ForbiddenTerminal:
            QVERIFY(::chmod(path.constData(), 0) == 0);
            break;
        case Device::PlainFile: {
            QFile file(paths[number]);
            QVERIFY(file.open(QIODevice::WriteOnly));
            break;
        }
        case Device::Directory:
            QVERIFY(QDir().mkdir(paths[number]));
            break;
        case Device::Fifo:
            QVERIFY(::mkfifo(path.constData(), 0600) == 0);
            break;
        default:
            break;
        }
    }

    platform::PortMap map() {
        return [this](std::int16_t number) -> std::optional<QString> {
            attempts << number;
            const auto path = paths.find(number);
            if (path == paths.end())
                return QStringLiteral("/nonexistent/comm%1").arg(number);
            return path->second;
        };
    }
};

// Takes the overrides of file permissions out of this thread's effective capabilities while it
// lives, so that the tests, which run as root here, meet a device's permission bits as a user
// does. A thread without them loses nothing.
class WithoutPermissionOverrides {
public:
    WithoutPermissionOverrides() {
        __user_cap_data_struct reduced[_LINUX_CAPABILITY_U32S_3];
        if (::syscall(SYS_capget, &header_, saved_) != 0)
            return;
        std::copy(std::begin(saved_), std::end(saved_), std::begin(reduced));
        for (const int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH})
            reduced[CAP_TO_INDEX(capability)].effective &= ~CAP_TO_MASK(capability);
        reduced_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~WithoutPermissionOverrides() {
        if (reduced_)
            ::syscall(SYS_capset, &header_, saved_);
    }
    WithoutPermissionOverrides(const WithoutPermissionOverrides&) = delete;
    WithoutPermissionOverrides& operator=(const WithoutPermissionOverrides&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[_LINUX_CAPABILITY_U32S_3]{};
    bool reduced_ = false;
};

// Everything that a person sees of the window, taken whenever it is shown or painted and at each
// change of its caption while it is visible: the caption, the nine current values, the status
// box and the nine choosers, one after another.
class SeenStates : public QObject {
public:
    explicit SeenStates(frmMain& window)
        : window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }

    const QList<QStringList>& states() const { return states_; }
    int paints() const { return paints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool windowEvent = watched == &window_;
        const bool inWindow = windowEvent || window_.isAncestorOf(qobject_cast<QWidget*>(watched));
        if ((windowEvent && event->type() == QEvent::Show) ||
            (inWindow && event->type() == QEvent::Paint) ||
            (windowEvent && event->type() == QEvent::WindowTitleChange && window_.isVisible())) {
            paints_ += event->type() == QEvent::Paint;
            states_ << state();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QStringList state() const {
        QStringList shown{window_.windowTitle()};
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            shown << window_.lblCurrent.Item(slot)->text();
        shown << window_.txtStatus->text();
        for (std::int16_t slot = 0; slot < configurator::kSlotCount; ++slot)
            shown << window_.cmbNew.Item(slot)->currentText();
        return shown;
    }

    frmMain& window_;
    QList<QStringList> states_;
    int paints_ = 0;
};

QList<int> range(int first, int last) {
    QList<int> numbers;
    for (int number = first; number <= last; ++number)
        numbers << number;
    return numbers;
}

QList<Device> devices(std::initializer_list<std::pair<int, Device>> placed) {
    QList<Device> list;
    for (const auto& [number, device] : placed) {
        while (list.size() < number)
            list << Device::Missing;
        list[number - 1] = device;
    }
    return list;
}

} // namespace

Q_DECLARE_METATYPE(Device)

class PortSearchTest : public QObject {
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void noPortOpens();
    void startShowsOnlyTheStartUpState_data();
    void startShowsOnlyTheStartUpState();
    void hostDevicesTakeNumbersInAFixedOrder_data();
    void hostDevicesTakeNumbersInAFixedOrder();
    void backgroundListingIsWaitedForAtTheFirstLookup();
    void closeClosesTheOpenPortOnce();
};

void PortSearchTest::search_data() {
    QTest::addColumn<QList<Device>>("devices");
    QTest::addColumn<QList<int>>("attempts");
    QTest::addColumn<int>("opened");

    using enum Device;
    QTest::newRow("ports 1 to 4 fail, 5 opens")
        << devices({{5, Terminal}, {9, Terminal}}) << range(1, 5) << 5;
    QTest::newRow("2 and 7 open, 2 is used")
        << devices({{2, Terminal}, {7, Terminal}}) << range(1, 2) << 2;
    QTest::newRow("a port held by another opener")
        << devices({{1, HeldTerminal}, {3, Terminal}}) << range(1, 3) << 3;
    QTest::newRow("port 12") << devices({{12, Terminal}}) << range(1, 12) << 12;
    QTest::newRow("port 16, the last tried") << devices({{16, Terminal}}) << range(1, 16) << 16;
    QTest::newRow("only a port above 16") << devices({{17, Terminal}}) << range(1, 16) << 0;

    // Devices that exist but refuse to open are passed over as missing ones are.
    QTest::newRow("a file that is no terminal")
        << devices({{1, PlainFile}, {2, Terminal}}) << range(1, 2) << 2;
    QTest::newRow("a directory") << devices({{1, Directory}, {2, Terminal}}) << range(1, 2) << 2;
    QTest::newRow("a named pipe") << devices({{1, Fifo}, {2, Terminal}}) << range(1, 2) << 2;
    QTest::newRow("a terminal without permission")
        << devices({{1, ForbiddenTerminal}, {2, Terminal}}) << range(1, 2) << 2;
    const QList<Device> refusals = devices({{1, ForbiddenTerminal},
                                            {2, PlainFile},
                                            {3, HeldTerminal},
                                            {4, Fifo},
                                            {5, Directory},
                                            {16, ForbiddenTerminal}});
    QTest::newRow("every kind of refusal, and nothing opens") << refusals << range(1, 16) << 0;
}

void PortSearchTest::search() {
    QFETCH(QList<Device>, devices);
    QFETCH(QList<int>, attempts);
    QFETCH(int, opened);

    PortBench bench(devices);
    frmMain window(bench.map());
    {
        WithoutPermissionOverrides asAUser;
        window.load();
    }

    QCOMPARE(bench.attempts, attempts);
    QCOMPARE(window.commPortOpened(), opened != 0);
    QCOMPARE(window.com232.PortOpen(), opened != 0);
    if (opened != 0) {
        QCOMPARE(window.commPortNumber(), opened);
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("Varnak Arbitrator Configuration V1.1 - Connected via comm %1")
                     .arg(opened));
        // It is the device of that number that is open: a second opener is refused.
        platform::SerialControl second(platform::portMapFromList({bench.paths.at(opened)}));
        QVERIFY_THROWS_EXCEPTION(platform::RunTimeError, second.setPortOpen(true));
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

    // Closing leaves the port alone, since the search opened none: even a port opened behind
    // the window's back stays open, and nothing is tried again.
    bench.place(1, Device::Terminal);
    window.com232.setCommPort(1);
    window.com232.setPortOpen(true);
    window.show();
    QVERIFY(window.close());
    QVERIFY(window.com232.PortOpen());
    // The search asked for 1 to 16; the open behind its back for 1.
    QCOMPARE(bench.attempts, range(1, 16) << 1);
}

void PortSearchTest::startShowsOnlyTheStartUpState_data() {
    QTest::addColumn<QList<Device>>("devices");
    QTest::addColumn<QString>("caption");

    QTest::newRow("a port opens") << devices({{2, Device::Terminal}})
                                  << "Varnak Arbitrator Configuration V1.1 - Connected via comm 2";
    QTest::newRow("no port opens")
        << QList<Device>{} << "Varnak Arbitrator Configuration V1.1 - No Comm Ports Available";
}

void PortSearchTest::startShowsOnlyTheStartUpState() {
    QFETCH(QList<Device>, devices);
    QFETCH(QString, caption);

    PortBench bench(devices);
    frmMain window(bench.map());
    SeenStates seen(window);
    window.start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(seen.paints() > 0);

    // From the first moment on, never the caption of the window's definition nor its "115200".
    const QStringList startUp = QStringList{caption} + kNineNotAvailable +
                                QStringList{QStringLiteral("Warning ! Unit not detected")} +
                                QStringList(9, QStringLiteral("New Value"));
    QVERIFY(!seen.states().isEmpty());
    for (const QStringList& state : seen.states())
        QCOMPARE(state, startUp);
    QCOMPARE(bench.attempts, range(1, devices.isEmpty() ? 16 : 2));
}

void PortSearchTest::closeClosesTheOpenPortOnce() {
    PortBench bench(devices({{3, Device::Terminal}}));
    frmMain window(bench.map());
    window.load();
    window.show();
    QVERIFY(window.com232.PortOpen());

    QVERIFY(window.close());
    QVERIFY(!window.com232.PortOpen());
    {
        // The device is free again for another opener.
        platform::SerialControl next(platform::portMapFromList({bench.paths.at(3)}));
        next.setPortOpen(true);
        QVERIFY(next.PortOpen());
    }

    // A second request to close finds the window unloaded: a port opened again behind its back
    // stays open.
    window.com232.setPortOpen(true);
    window.show();
    QVERIFY(window.close());
    QVERIFY(window.com232.PortOpen());
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
