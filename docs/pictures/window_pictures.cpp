// Builds each window on the simulated board with a plausible channel set and
// writes it as a PNG: window_pictures <output directory>.
#include "sim/simulated_board.h"
#include "store/memory_settings_store.h"
#include "store/channel_set_file.h"
#include "ui/batch/frm_batch.h"
#include "ui/buslog/frm_bus_log.h"
#include "ui/dialogs/frm_port_settings.h"
#include "ui/main/about_box.h"
#include "ui/main/frm_zrx50346.h"
#include "ui/main/message_box.h"
#include "ui/panel/frm_slider.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

using namespace zrx;

namespace {

void save_picture(QWidget &window, const QDir &out, const QString &name)
{
    window.show();
    QApplication::processEvents();
    const QString path = out.filePath(name);
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(EXIT_FAILURE);
    }
    std::printf("%s\n", qPrintable(path));
}

// A gamma curve over the 22 gamma channels and two VCOM levels.
QList<int> demo_codes()
{
    QList<int> codes;
    for (int c = 1; c <= 24; ++c) {
        if (c == 19 || c == 20)
            codes << (c == 19 ? 0x1F0 : 0x210);
        else {
            const int gamma = c < 19 ? c : c - 2;
            codes << 1000 - (gamma - 1) * 45;
        }
    }
    return codes;
}

void write_demo_files(const QString &directory)
{
    for (int i = 0; i < 5; ++i) {
        QFile file(QDir(directory).filePath(QStringLiteral("ramp_%1.csv").arg(QChar('a' + i))));
        if (!file.open(QIODevice::WriteOnly))
            continue;
        QTextStream out(&file);
        out << "10\r\n";
        for (int c = 1; c <= 24; ++c)
            out << (c * 40 + i * 10) % 1024 << "\r\n";
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZRX50346"));
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));

    QTemporaryDir batchDir;
    write_demo_files(batchDir.path());

    MemorySettingsStore store;
    store.write(QStringLiteral("vref_high0"), QStringLiteral("10"), QStringLiteral(" 10"));
    store.write(QStringLiteral("Startup"), QStringLiteral("Default_Dir"), batchDir.path() + QLatin1Char('/'));

    auto board = std::make_unique<SimulatedBoard>();
    const QList<int> codes = demo_codes();
    for (int i = 0; i < codes.size(); ++i)
        board->chip().set_register_word(i, quint16(codes[i]));
    PortConfiguration configuration;
    configuration.CommPort = 1;
    board->open_port(configuration);

    frmZRX50346 window(std::move(board), store, BoardConnection::SimulatedBoard, [] {});
    window.setWindowTitle(QStringLiteral("ZRX50346 - simulated board"));
    window.start_up();
    save_picture(window, out, QStringLiteral("main-window.png"));

    auto *panel = new frmSlider(window.chip(), &window);
    save_picture(*panel, out, QStringLiteral("control-panel.png"));
    panel->close();

    BatchState batchState;
    frm_batch batch(window.chip(), window.MSComm1(), store, batchState, &window);
    if (auto *files = batch.findChild<QListWidget *>(QStringLiteral("File1"))) {
        for (int row : {0, 2, 3})
            if (files->item(row))
                files->item(row)->setSelected(true);
    }
    batch.single_step(StepDirection::Down);
    save_picture(batch, out, QStringLiteral("batch-window.png"));
    batch.hide();

    frmPortSettings ports(window.ports(), window.MSComm1(), &window);
    save_picture(ports, out, QStringLiteral("port-dialog.png"));
    ports.hide();

    window.show_bus_log();
    // Shown at full width: a window is otherwise held to 2/3 of the screen.
    window.bus_log_window()->resize(window.bus_log_window()->sizeHint().expandedTo(QSize(940, 420)));
    save_picture(*window.bus_log_window(), out, QStringLiteral("bus-log.png"));
    window.bus_log_window()->hide();

    const std::unique_ptr<QMessageBox> about = make_message_box(&window, about_request());
    save_picture(*about, out, QStringLiteral("about-box.png"));
    return EXIT_SUCCESS;
}
