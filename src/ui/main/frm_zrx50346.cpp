#include "ui/main/frm_zrx50346.h"

#include "bus/port_discovery.h"
#include "bus/port_names.h"
#include "bus/port_status_text.h"
#include "core/conversions.h"
#include "core/number_text.h"
#include "device/chip_status_text.h"
#include "device/otp_burn_progress.h"
#include "store/channel_set_file.h"
#include "store/out_of_range_text.h"
#include "store/settings.h"
#include "store/settings_keys.h"
#include "ui/batch/frm_batch.h"
#include "ui/buslog/frm_bus_log.h"
#include "ui/dialogs/frm_port_settings.h"
#include "ui/panel/frm_slider.h"
#include "ui/main/about_box.h"
#include "ui/main/address_button.h"
#include "ui/main/busy_indicator.h"
#include "ui/main/entry_box.h"
#include "ui/main/status_label.h"
#include "ui/main/up_down.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStatusBar>

namespace zrx {
namespace {

// The up arrow stops one short of full scale, which the conversions call 1024.
constexpr double HighestSteppedCode = 1023;

} // namespace

frmZRX50346::frmZRX50346(std::unique_ptr<SerialControl> MSComm1, SettingsStore &store, BoardConnection connection,
                         EndProgram end_program, QWidget *parent)
    : QMainWindow(parent),
      m_MSComm1(std::make_unique<LoggingSerialControl>(std::move(MSComm1), m_busLog)),
      m_store(store),
      m_connection(connection),
      m_end_program(std::move(end_program)),
      m_bus(*m_MSComm1),
      m_chip{m_table, *this, m_bus}
{
    Q_ASSERT(m_end_program);
    build_controls();
    lay_out_controls();
    build_status_line();
    set_tab_order();
    show_rows(false);
    m_busy = new BusyIndicator(*statusBar(), this);
    m_chip.observer = m_busy;
    connect(m_busy, &BusyIndicator::action_ended, this, [this] {
        if (m_closeWhenIdle)
            close();
    });
    // Connected last: the placeholder texts above must not reach the chip.
    connect_controls();
}

frmZRX50346::~frmZRX50346()
{
    // Child windows would go after this window's members; the bus log's
    // table reads the log and the panel holds the chip, so both go first.
    delete m_busLogWindow;
    delete m_panel;
}

void frmZRX50346::connect_controls()
{
    for (int k = 0; k < ChannelCount; ++k) {
        connect(Text1[k], &QLineEdit::textChanged, this, [this, k] { volts_changed(k); });
        connect(Text1[k], &EntryBox::clicked, this, [this, k] { volts_clicked(k); });
        connect(Text1[k], &EntryBox::focus_left, this, [this, k] { volts_left(k); });
    }
    connect(Text13, &EntryBox::focus_left, this, &frmZRX50346::vsup_left);
    connect(UpDown1, &UpDown::down_clicked, this, &frmZRX50346::step_down);
    connect(UpDown1, &UpDown::up_clicked, this, &frmZRX50346::step_up);

    connect(Command7, &QPushButton::clicked, this, &frmZRX50346::change_address);
    connect(Command5, &QPushButton::clicked, this, &frmZRX50346::read_dac);
    connect(Command6, &QPushButton::clicked, this, &frmZRX50346::reset_chip);
    connect(Command10, &QPushButton::clicked, this, &frmZRX50346::program_otp);
    connect(Command1, &QPushButton::clicked, this, &frmZRX50346::save_channel_file);
    connect(Command2, &QPushButton::clicked, this, &frmZRX50346::load_channel_file);
    connect(Command8, &QPushButton::clicked, this, &frmZRX50346::show_about);
    connect(Command4, &QPushButton::clicked, this, &frmZRX50346::show_batch_window);
    connect(Command9, &QPushButton::clicked, this, &frmZRX50346::show_control_panel);
    connect(Command11, &QPushButton::clicked, this, &frmZRX50346::show_port_settings);
    connect(m_MSComm1.get(), &LoggingSerialControl::port_state_changed, this, &frmZRX50346::show_port_status);

    // A port lost in the middle of a read can leave the chip driving the data
    // line, so that it would miss the next START and answer the wrong word.
    // The next opening of the program's own port clears the bus first.
    connect(m_MSComm1.get(), &SerialControl::port_lost, this, [this] { m_ports.BusClearOwed = true; });
}

// ---- start-up and shutdown ----

void frmZRX50346::start_up()
{
    // Provisional values, replaced by the stored ones just below.
    m_table.VrefHigh = 10;
    m_table.VrefLow = 0;
    set_vsup_text(number_text(m_table.VrefHigh));
    m_table.A0Setting = QStringLiteral("0");
    m_table.CurrentChannel = 1;

    SettingsTargets targets{m_table, *this, m_DefaultDir, m_ports.PortNumb, m_ports.BitRate};
    load_settings(m_store, targets);
    if (m_connection == BoardConnection::SerialPort) {
        scan_com_ports(*m_MSComm1, m_ports);
        open_selected_port(*m_MSComm1, m_ports);
    } else {
        list_simulated_board_port();
    }
    set_address_button();
    show_port_status();
    // On a slow port the read-back takes seconds: the window shows itself
    // then, with its progress, and with the rows still blank.
    m_busy->show_when_long(this);
    {
        const BusWorkAction action(m_busy);
        read_all_channels(m_chip);
    }
    m_busy->show_when_long(nullptr);
    show_rows(true);
    show_chip_status();
}

// Until start-up has read the chip, the boxes hold design-time placeholders
// that must never be seen; the texts stay, only their display is off.
void frmZRX50346::show_rows(bool shown)
{
    const QLineEdit::EchoMode mode = shown ? QLineEdit::Normal : QLineEdit::NoEcho;
    for (int k = 0; k < ChannelCount; ++k) {
        Text1[k]->setEchoMode(mode);
        Text15[k]->setEchoMode(mode);
    }
    txtMaxBank->setEchoMode(mode);
}

// The board answers as the one port it was opened on, so the port dialog
// has something to offer; nothing is probed or opened for it.
void frmZRX50346::list_simulated_board_port()
{
    const int board = m_MSComm1->port_number();
    m_ports.PortNames = QStringList{port_name(is_port_number(board) ? board : 1)};
    m_ports.PortCount = 1;
    mark_available_ports(m_ports);
}

void frmZRX50346::show_port_status()
{
    const int portNumb = m_ports.PortNumb;
    const bool open = m_MSComm1->is_open()
                      && (m_connection == BoardConnection::SimulatedBoard || m_MSComm1->port_number() == portNumb);
    statusPort->set_status(port_status_text(m_connection == BoardConnection::SimulatedBoard, portNumb,
                                         m_MSComm1->port_record(portNumb), open));
}

void frmZRX50346::show_chip_status()
{
    statusChip->set_status(chip_status_text(m_chip.LastReadBack));
}

// Without a positive reference every typed voltage is ignored; a first run
// on a real board starts that way, and the user must know what to do.
void frmZRX50346::show_reference_status()
{
    const double vsup = m_table.VrefHigh;
    statusVsup->set_status(vsup > 0 ? QString()
                                    : QStringLiteral("Vsup is %1 V: enter the board's supply voltage to set voltages")
                                          .arg(number_text(vsup).trimmed()));
}

void frmZRX50346::show_bus_log()
{
    if (!m_busLogWindow)
        m_busLogWindow = new frmBusLog(m_busLog, this);
    m_busLogWindow->show();
    m_busLogWindow->raise();
    m_busLogWindow->activateWindow();
}

void frmZRX50346::closeEvent(QCloseEvent *event)
{
    // Asked while a long action keeps the window painted: closing waits for
    // the action, as it would in a window that does not answer meanwhile.
    // (The window system's close request is input, held until the command
    // has run; a close from code inside the read-back's pause ends at once.)
    if (m_busy->holding_input()) {
        event->ignore();
        m_closeWhenIdle = true;
        return;
    }
    save_settings(m_store, m_table, m_ports.PortNumb, m_ports.BitRate);
    event->accept();
    m_end_program();
}

bool frmZRX50346::fncInitializeComPort(qint32 bitRate, int portNumber)
{
    return zrx::fncInitializeComPort(*m_MSComm1, m_ports, bitRate, portNumber);
}

void frmZRX50346::set_address_button()
{
    const bool one = m_table.A0Setting == QLatin1String("1");
    Command7->set_colour(one ? AddressOneColour : AddressZeroColour);
    Command7->set_caption(QString::fromLatin1(one ? AddressOneCaption : AddressZeroCaption));
}

// ---- the boxes as the channel model sees them ----

QString frmZRX50346::volts_text(int channel) const
{
    return Text1.at(channel - 1)->text();
}

void frmZRX50346::set_volts_text(int channel, const QString &text)
{
    EntryBox *box = Text1.at(channel - 1);
    // Rewriting the same text must not count as a change: no reconversion,
    // no chip write, and the cursor stays where the user left it.
    if (box->text() == text)
        return;
    box->setText(text);
}

QString frmZRX50346::code_text(int channel) const
{
    return Text15.at(channel - 1)->text();
}

void frmZRX50346::set_code_text(int channel, const QString &text)
{
    EntryBox *box = Text15.at(channel - 1);
    if (box->text() != text)
        box->setText(text);
}

QString frmZRX50346::vsup_text() const
{
    return Text13->text();
}

// Called whenever the reference in use changes, except by the user's own
// leaving of the box.
void frmZRX50346::set_vsup_text(const QString &text)
{
    if (Text13->text() != text)
        Text13->setText(text);
    show_reference_status();
}

void frmZRX50346::set_max_bank_text(const QString &text)
{
    txtMaxBank->setText(text);
}

void frmZRX50346::refresh_control_panel()
{
    if (m_panel)
        m_panel->refresh_control_panel();
}

// ---- channel entry ----

void frmZRX50346::volts_changed(int k)
{
    const BusWorkAction action(m_busy);
    volts_text_changed(m_chip, k + 1);
}

void frmZRX50346::volts_clicked(int k)
{
    m_table.CurrentChannel = k + 1;
}

void frmZRX50346::volts_left(int k)
{
    const BusWorkAction action(m_busy);
    m_table.CurrentChannel = k + 1;
    volts_to_code(m_table, *this);
    refresh_channels(m_table, *this);
    // The channel refresh_channels left current: the highest one it rewrote.
    write_channel(m_chip);
}

void frmZRX50346::vsup_left()
{
    const BusWorkAction action(m_busy);
    m_table.VrefHigh = leading_number(Text13->text());
    show_reference_status();
    refresh_channels(m_table, *this);
}

void frmZRX50346::step_down()
{
    step_code(-1);
}

void frmZRX50346::step_up()
{
    step_code(+1);
}

// One code, not one voltage step. The new text goes through the box's change
// handling, so the chip gets the code as re-derived from the shown voltage,
// and nothing at all when the text stays as it was.
void frmZRX50346::step_code(int step)
{
    const BusWorkAction action(m_busy);
    const int c = m_table.CurrentChannel;
    double code = m_table.ChannelCode.at(c) + step;
    if (step < 0 && code < 0)
        code = 0;
    if (step > 0 && code > HighestSteppedCode)
        code = HighestSteppedCode;
    m_table.ChannelCode[c] = code;
    m_table.ChannelVolts[c] = m_table.VrefLow + code * (m_table.VrefHigh - m_table.VrefLow) / 1024;
    set_volts_text(c, format_volts(m_table.ChannelVolts[c]));
    set_code_text(c, format_code(m_table.ChannelCode[c]));
}

// ---- commands ----

void frmZRX50346::change_address()
{
    const BusWorkAction action(m_busy);
    m_table.A0Setting = m_table.A0Setting == QLatin1String("0") ? QStringLiteral("1") : QStringLiteral("0");
    set_address_button();
    select_reference(m_table, *this);
    read_all_channels(m_chip);
    show_chip_status();
}

void frmZRX50346::read_dac()
{
    const BusWorkAction action(m_busy);
    read_all_channels(m_chip);
    show_chip_status();
}

void frmZRX50346::reset_chip()
{
    const BusWorkAction action(m_busy);
    reset_and_read_back(m_chip);
    show_chip_status();
}

void frmZRX50346::program_otp()
{
    std::optional<int> cutAfter;
    {
        const OtpBurnProgress progress(m_chip, *m_MSComm1);
        const BusWorkAction action(m_busy);
        program_otp_and_reset(m_chip);
        cutAfter = progress.cut_after();
    }
    // Once the wait cursor and the progress are gone.
    if (cutAfter)
        show_message(this, {QCoreApplication::applicationName(), otp_burn_cut_text(*cutAfter), QMessageBox::Warning});
}

void frmZRX50346::show_about()
{
    show_message(this, about_request());
}

void frmZRX50346::show_batch_window()
{
    // The batch window starts in the stored directory, and from now on so do
    // this window's file dialogs. Nothing else is re-read: the address,
    // references and port stay as the user set them in this run.
    m_DefaultDir = m_store.read(DefaultDirEntry.section, DefaultDirEntry.key);
    frm_batch batch(m_chip, *m_MSComm1, m_store, m_batchState, this);
    batch.exec();
}

void frmZRX50346::show_control_panel()
{
    if (!m_panel)
        m_panel = new frmSlider(m_chip, this);
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
}

void frmZRX50346::show_port_settings()
{
    frmPortSettings dialog(m_ports, *m_MSComm1, this);
    if (m_connection == BoardConnection::SimulatedBoard)
        dialog.rescan_ports = [this] { list_simulated_board_port(); };
    dialog.exec();
    // A pick of a port that cannot be opened changes PortNumb and nothing else.
    show_port_status();
}

// ---- channel-set files ----

QString frmZRX50346::choose_channel_file()
{
    FileChoiceRequest request;
    request.initialDirectory = m_DefaultDir;
    request.nameFilters = channel_set_name_filters();
    const QString path = choose_file(this, request);
    if (path.isEmpty())
        return {};
    // Remembered for the next run only: this run's dialogs keep starting in
    // the directory read at start-up.
    save_default_dir(m_store, dir_of_path(path));
    return path;
}

void frmZRX50346::save_channel_file()
{
    const QString path = choose_channel_file();
    if (path.isEmpty())
        return;
    // The error names the file and gives the system's reason.
    QString error;
    if (!save_channel_set(path, m_table, &error))
        show_message(this, {QCoreApplication::applicationName(), error, QMessageBox::Warning});
}

void frmZRX50346::load_channel_file()
{
    const QString path = choose_channel_file();
    if (path.isEmpty())
        return;
    ChannelSetLoadResult result;
    {
        const BusWorkAction action(m_busy);
        result = load_channel_set(path, m_table, *this,
                                  [this, name = QFileInfo(path).fileName()] { write_loaded_channel(m_chip, name); });
    }
    // Stored as read, sent saturated, read by their leading digits: the user
    // must know the chip got something other than the file says.
    statusFile->set_status(loaded_file_notes(QFileInfo(path).fileName(), result));
    // Once the wait cursor and the progress are gone.
    if (!result.ok)
        show_message(this, {QCoreApplication::applicationName(), result.error, QMessageBox::Warning});
}

} // namespace zrx
