#include "window_on_port.h"

namespace zrx {

QList<int> bench_codes(int set)
{
    QList<int> codes;
    for (int c = 1; c <= 24; ++c)
        codes.append((37 * set + 29 * c) % 1000 + 10);
    return codes;
}

WindowOnPort::WindowOnPort(Backend backend, const QList<int> &chipCodes)
{
    std::unique_ptr<SerialControl> port;
    if (backend == Backend::SimulatedBoard) {
        auto simulated = std::make_unique<SimulatedBoard>();
        for (int i = 0; i < chipCodes.size(); ++i)
            simulated->chip().set_register_word(i, quint16(chipCodes[i]));
        board = simulated.get();
        port = std::move(simulated);
    } else {
        port = std::make_unique<NullSerialControl>();
    }
    PortConfiguration configuration;
    configuration.CommPort = 1;
    port->open_port(configuration);
    store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral("10"));
    window = std::make_unique<frmZRX50346>(std::move(port), store, BoardConnection::SimulatedBoard, [] {});
    window->show_message = [](QWidget *, const MessageRequest &) {};
    window->start_up();
}

} // namespace zrx
