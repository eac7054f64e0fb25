// The port stacks the window and the tool run on: what sits in them, what
// the window's stack takes from its settings and what it puts back.
#include "rig/port_stack.h"

#include "sim/simulated_board.h"
#include "store/memory_settings_store.h"
#include "store/settings_keys.h"

#ifndef ZRX_NO_FAKE_ADAPTER
#include "fake_usb_adapter_locator.h"
#endif

#include <QTest>

using namespace zrx;

namespace {

// What the fake adapter is remembered by on COM5: port, serial number, USB
// bus and address, interface, vendor and product.
const QString FakeAdapterText = QStringLiteral("5;FT0FAKE1;1;7;0;403;6001");

PortConfiguration com5()
{
    PortConfiguration configuration;
    configuration.CommPort = 5;
    configuration.Settings = QStringLiteral("9600,N,8,1");
    return configuration;
}

} // namespace

class TestPortStack : public QObject {
    Q_OBJECT
private slots:
    void simulated_stacks();
    void fast_mode_wish_comes_from_the_window_settings_data();
    void fast_mode_wish_comes_from_the_window_settings();
#ifndef ZRX_NO_FAKE_ADAPTER
    void window_stores_the_adapter_it_takes();
    void window_finds_the_remembered_adapter();
#endif
};

// The window's board is open on COM1 from the start, the tool's waits for the
// command to open it; neither has fast mode. Both chips hold the demo's codes
// (VCOM 1, register 18, at mid-scale).
void TestPortStack::simulated_stacks()
{
    MemorySettingsStore store;
    const PortStack window = window_port_stack(true, store);
    const PortStack tool = tool_port_stack(true, default_port_devices());

    QVERIFY(!window.fastMode);
    QVERIFY(!tool.fastMode);
    QVERIFY(window.port->is_open());
    QCOMPARE(window.port->port_number(), 1);
    QVERIFY(!tool.port->is_open());
    for (const PortStack *stack : {&window, &tool}) {
        auto *board = dynamic_cast<SimulatedBoard *>(stack->port.get());
        QVERIFY(board);
        QCOMPARE(board->chip().register_word(18), quint16(512));
    }
    QCOMPARE(store.size(), 0);
}

void TestPortStack::fast_mode_wish_comes_from_the_window_settings_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("wanted");
    QTest::newRow("nothing stored") << QString() << false;
    QTest::newRow("1") << QStringLiteral("1") << true;
    QTest::newRow("0") << QStringLiteral("0") << false;
}

// On a real port the window wants fast mode as stored, and stores the wish
// back at its end; the tool's real port wants it only when told (--fast).
void TestPortStack::fast_mode_wish_comes_from_the_window_settings()
{
    QFETCH(QString, stored);
    QFETCH(bool, wanted);
    MemorySettingsStore store;
    if (!stored.isNull())
        store.write(FastModeEntry.section, FastModeEntry.key, stored);
    const PortStack window = window_port_stack(RealPortParts{std::make_unique<SimulatedBoard>(), nullptr}, store);
    const PortStack tool = tool_port_stack(false, default_port_devices());

    QVERIFY(window.fastMode);
    QCOMPARE(window.fastMode->fast_mode_wanted(), wanted);
    QVERIFY(tool.fastMode);
    QVERIFY(!tool.fastMode->fast_mode_wanted());

    window.fastMode->set_fast_mode_wanted(!wanted);
    end_window_port(window.fastMode, store);
    QCOMPARE(store.read(FastModeEntry.section, FastModeEntry.key), wanted ? QStringLiteral("0") : QStringLiteral("1"));
}

#ifndef ZRX_NO_FAKE_ADAPTER
// Fast mode takes the adapter when the port is taken up for the bus; the
// window's settings hold it at once, before the port is closed again.
void TestPortStack::window_stores_the_adapter_it_takes()
{
    FakeFtdiAdapter &adapter = FakeFtdiAdapter::reset();
    MemorySettingsStore store;
    store.write(FastModeEntry.section, FastModeEntry.key, QStringLiteral("1"));
    auto board = std::make_unique<SimulatedBoard>();
    board->set_existing_ports({5});
    const PortStack window = window_port_stack(RealPortParts{std::move(board), make_fake_ftdi_control()}, store);

    QCOMPARE(window.port->open_port(com5()), OpenOutcome::Opened);
    QCOMPARE(store.read(FastModeAdapterEntry.section, FastModeAdapterEntry.key), QString());
    window.port->use_for_bus();

    QVERIFY(window.fastMode->fast_mode_active());
    QVERIFY(adapter.usbOpen);
    QCOMPARE(store.read(FastModeAdapterEntry.section, FastModeAdapterEntry.key), FakeAdapterText);
    end_window_port(window.fastMode, store);
    QVERIFY(!adapter.usbOpen && adapter.driverGivenBack);
}

// A run killed in fast mode left the adapter without its serial driver, so
// COM5 is not there to open; the adapter the settings remember is.
void TestPortStack::window_finds_the_remembered_adapter()
{
    FakeFtdiAdapter &adapter = FakeFtdiAdapter::reset();
    adapter.driverAttached = false;
    for (const bool remembered : {false, true}) {
        MemorySettingsStore store;
        store.write(FastModeEntry.section, FastModeEntry.key, QStringLiteral("1"));
        if (remembered)
            store.write(FastModeAdapterEntry.section, FastModeAdapterEntry.key, FakeAdapterText);
        auto board = std::make_unique<SimulatedBoard>();
        board->set_existing_ports({});
        const PortStack window = window_port_stack(RealPortParts{std::move(board), make_fake_ftdi_control()}, store);

        QCOMPARE(window.port->open_port(com5()), remembered ? OpenOutcome::Opened : OpenOutcome::Failed);
        QCOMPARE(window.fastMode->fast_mode_active(), remembered);
        window.port->close_port();
    }
}
#endif

QTEST_MAIN(TestPortStack)
#include "tst_port_stack.moc"
